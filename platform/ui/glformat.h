#pragma once
// The pixel format of the OpenGL window: RGB colour, double buffering and
// the deepest depth buffer the display offers (32 bits, else 24, else 16,
// else any). The OpenGL window asks the toolkit for it by its attribute
// list when it is created.
#include <vector>

namespace platform::ui {

struct GlPixelFormat {
    bool rgb = false;
    bool doubleBuffer = false;
    int depthBits = 0;       // the least depth asked for; 0: no depth buffer
    bool available = false;  // the display offers this format
};

// The best format of the list above that the display offers; `available`
// is false when it offers none (or there is no display).
GlPixelFormat chooseGlPixelFormat();

// The format as a 0-terminated attribute list for the toolkit's OpenGL
// window (GLX attributes on X11).
std::vector<int> glAttributes(const GlPixelFormat& format);

}  // namespace platform::ui
