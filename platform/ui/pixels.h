#pragma once
// Pixels into and out of windows: drawing packed RGB rows into a canvas
// during its paint, and reading a window's pixels back (tests). Painting
// happens only inside a window's paint on the GUI thread; callers elsewhere
// ask for a repaint instead.
#include <cstdint>
#include <vector>

#include "platform/ui/window.h"

namespace platform::ui {

// True on the GUI thread: the process's main thread, which runs the loop.
bool onGuiThread();

// Marks the paint of a window while its listener paints; the canvas's draw
// step holds one.
class PaintScope {
public:
    explicit PaintScope(const NativeWindow* window);
    ~PaintScope();
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

private:
    const NativeWindow* previous_;
};

// True while `window` is inside its paint (on the GUI thread).
bool paintingNow(const Window* window);

// Draws width x height pixels of top-down RGB rows at (x, y), in the
// coordinates of the window being painted. False, and nothing drawn, when
// `window` is not inside its paint.
bool drawRgbPixels(const Window* window, int x, int y, int width, int height, const uint8_t* rgb);

// A repaint of every window, asked for from any thread; it happens on the
// GUI thread.
void repaintAllSoon();

// Reads the shown window's pixels (top-down RGB) of the given area, as they
// are on the display; empty when the window is not shown.
std::vector<uint8_t> readWindowPixels(const Window* window, int x, int y, int width, int height);

}  // namespace platform::ui
