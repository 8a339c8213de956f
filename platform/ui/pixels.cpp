#include "platform/ui/pixels.h"

#include <FL/fl_draw.H>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

namespace {

const NativeWindow* painting = nullptr;  // GUI thread only

void redrawAll(void*) { Fl::redraw(); }

}  // namespace

bool onGuiThread() { return static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid(); }

PaintScope::PaintScope(const NativeWindow* window) : previous_(painting) { painting = window; }
PaintScope::~PaintScope() { painting = previous_; }

bool paintingNow(const Window* window) {
    return window && onGuiThread() && painting && window->native() == painting && toolkitWindow(window);
}

bool paintingToolkitWindow(const Fl_Window* window) {
    return window && onGuiThread() && painting && painting->fl == window;
}

bool drawRgbPixels(const Window* window, int x, int y, int width, int height, const uint8_t* rgb) {
    if (!paintingNow(window) || !rgb || width <= 0 || height <= 0) return false;
    fl_draw_image(rgb, x, y, width, height, 3, 0);
    return true;
}

void repaintAllSoon() {
    if (onGuiThread()) {
        Fl::redraw();
        return;
    }
    Fl::awake(redrawAll, nullptr);
}

std::vector<uint8_t> readWindowPixels(const Window* window, int x, int y, int width, int height) {
    Fl_Double_Window* fl = toolkitWindow(window);
    if (!fl || !fl->shown() || width <= 0 || height <= 0 || !onGuiThread()) return {};
    Fl::flush();
    fl->make_current();
    std::vector<uint8_t> out(static_cast<std::size_t>(width) * height * 3);
    if (!fl_read_image(out.data(), x, y, width, height, 0)) return {};
    return out;
}

}  // namespace platform::ui
