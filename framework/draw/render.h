#pragma once
// Copying view buffers (see view.h) into windows. The copy itself needs the
// toolkit; what it shows is settled here: the destination rectangle, cut by
// the clip rectangle and by the buffer's own rows and columns, as top-down
// RGB rows, the order the toolkit draws.
#include <cstdint>
#include <vector>

#include "platform/ui/glformat.h"
#include "platform/ui/window.h"

class SuperCanvas;

// One area to paint: window coordinates and its pixels.
struct WindowCopy {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3, top row first
    bool empty() const { return width <= 0 || height <= 0; }
};

// The area of a copy of `buffer` (bitmapWidth pixels a row, `height` rows,
// bottom-up, blue-green-red) to the window point (x, y), width x height
// pixels from the bitmap's top-left. A clipX of -1 means no clipping;
// otherwise only the part inside (clipX, clipY, clipWidth, clipHeight)
// is kept. Nothing beyond the buffer's rows and columns is read.
WindowCopy prepareWindowCopy(const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width, int height,
                             int clipX, int clipY, int clipWidth, int clipHeight);

// Copies a view buffer into the window being painted: `height` rows of
// bitmapWidth pixels, shown at (x, y), width x height pixels, cut by the
// clip rectangle (clipX -1: none). Called outside the window's paint it
// asks for a repaint instead; off the GUI thread it paints nothing and asks
// for a repaint of every window.
void renderToDC(platform::ui::Window* dc, const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width,
                int height, int clipX, int clipY, int clipWidth, int clipHeight);

// renderToDC into a canvas; a clip with x -1 means no clipping.
void renderToWindow(SuperCanvas* window, const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width,
                    int height, const platform::ui::Rect& clip);

// The pixel format of the OpenGL board window: RGB, double buffering and a
// depth buffer of at least 24 bits where the display offers one (see
// platform/ui/glformat.h); the window is created with it. X11's true-colour
// visuals need no palette.
platform::ui::GlPixelFormat setupPixelFormat();
