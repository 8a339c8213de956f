#pragma once
// Window placements kept in the options file: the welcome window derived
// from the main window's, and any saved frame brought back where a desktop
// can show it. Saved values may be anything the file holds (a hand-edited
// or damaged file, another machine's screen): every sum is taken in 64 bits
// and every result stays within 32 bits.
#include <cstdint>

struct WindowPlacement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

// A 400 x 160 window centred on the given one: x + w / 2 - 200 and
// y + h / 2 - 80 (halves truncated toward zero), saturated to 32 bits.
WindowPlacement welcomePlacementFor(const WindowPlacement& main);

// Sets the welcome window's keys from the main window's saved placement:
// the client set ("welcomeWindowX" ... from "mainWindowX" ...) when
// "mainWindowX" exists, the frame set ("...OX" ...) when "mainWindowOX"
// exists.
void deriveWelcomeWindowKeys();

// A saved frame placement on a desktop of the given size: a size of 0 or
// less takes the default, a larger size than the desktop's is cut to it; a
// frame that would open with less than 32 pixels showing past the right or
// bottom edge, or wholly left of or above the desktop, opens at `fallback`
// on that axis.
WindowPlacement keepOnDesktop(int64_t x, int64_t y, int64_t w, int64_t h, int desktopW, int desktopH,
                              const WindowPlacement& fallback);
