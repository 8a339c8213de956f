#pragma once
// Copying view buffers (see view.h) into windows. The copy itself needs the
// toolkit; what it shows is settled here: the destination rectangle, cut by
// the clip rectangle and by the buffer's own rows and columns, as top-down
// RGB rows, the order the toolkit draws.
#include <cstdint>
#include <vector>

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
WindowCopy prepareWindowCopy(const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width,
                             int height, int clipX, int clipY, int clipWidth, int clipHeight);
