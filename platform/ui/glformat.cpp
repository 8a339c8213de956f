#include "platform/ui/glformat.h"

#include <FL/Fl_Gl_Window.H>
#include <GL/glx.h>

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

std::vector<int> glAttributes(const GlPixelFormat& f) {
    std::vector<int> a;
    if (f.rgb) a.insert(a.end(), {GLX_RGBA, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1});
    if (f.doubleBuffer) a.push_back(GLX_DOUBLEBUFFER);
    if (f.depthBits > 0) a.insert(a.end(), {GLX_DEPTH_SIZE, f.depthBits});
    a.push_back(None);
    return a;
}

GlPixelFormat chooseGlPixelFormat() {
    GlPixelFormat f;
    f.rgb = true;
    f.doubleBuffer = true;
    if (!displayAvailable()) return f;
    ensureToolkit();
    for (int depth : {32, 24, 16, 1}) {
        f.depthBits = depth;
        std::vector<int> a = glAttributes(f);
        if (Fl_Gl_Window::can_do(a.data())) {
            f.available = true;
            return f;
        }
    }
    f.depthBits = 0;
    std::vector<int> a = glAttributes(f);
    f.available = Fl_Gl_Window::can_do(a.data()) != 0;
    return f;
}

}  // namespace platform::ui
