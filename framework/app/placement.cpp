#include "framework/app/placement.h"

#include <algorithm>
#include <climits>

#include "framework/app/options.h"

namespace {

int32_t saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The placement stored under prefix + "X", "Y", "W", "H" (or "OX" ...).
WindowPlacement stored(const char* x, const char* y, const char* w, const char* h) {
    return {getIntOption(x), getIntOption(y), getIntOption(w), getIntOption(h)};
}

void store(const WindowPlacement& p, const char* x, const char* y, const char* w, const char* h) {
    setIntOption(x, p.x);
    setIntOption(y, p.y);
    setIntOption(w, p.w);
    setIntOption(h, p.h);
}

}  // namespace

WindowPlacement welcomePlacementFor(const WindowPlacement& main) {
    WindowPlacement p;
    p.x = saturate(int64_t(main.x) + main.w / 2 - 200);
    p.y = saturate(int64_t(main.y) + main.h / 2 - 80);
    p.w = 400;
    p.h = 160;
    return p;
}

void deriveWelcomeWindowKeys() {
    if (getStringOption("mainWindowX"))
        store(welcomePlacementFor(stored("mainWindowX", "mainWindowY", "mainWindowW", "mainWindowH")), "welcomeWindowX",
              "welcomeWindowY", "welcomeWindowW", "welcomeWindowH");
    if (getStringOption("mainWindowOX"))
        store(welcomePlacementFor(stored("mainWindowOX", "mainWindowOY", "mainWindowOW", "mainWindowOH")),
              "welcomeWindowOX", "welcomeWindowOY", "welcomeWindowOW", "welcomeWindowOH");
}

WindowPlacement keepOnDesktop(int64_t x, int64_t y, int64_t w, int64_t h, int desktopW, int desktopH,
                              const WindowPlacement& fallback) {
    WindowPlacement p;
    if (w <= 0) w = fallback.w;
    if (h <= 0) h = fallback.h;
    if (desktopW > 0) w = std::min<int64_t>(w, desktopW);
    if (desktopH > 0) h = std::min<int64_t>(h, desktopH);
    if (x + 32 >= desktopW || x + w < 32) x = fallback.x;
    if (y + 32 >= desktopH || y + h < 32) y = fallback.y;
    p.x = saturate(x);
    p.y = saturate(y);
    p.w = saturate(w);
    p.h = saturate(h);
    return p;
}
