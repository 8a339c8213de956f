#pragma once
// View buffers: a window area's pixels in the layout the window copy takes
// (bottom-up rows of blue, green, red, each `stride` pixels long), built
// from an Image.
#include <cstdint>
#include <vector>

struct Image;

// The buffer of a view of viewWidth x viewHeight pixels whose top-left
// shows the image point (sourceX, sourceY), scaled by zoom (0 counts as 1).
// Pixels outside the image, and those from viewWidth up to the stride, are
// white; a stride below viewWidth counts as viewWidth. The buffer holds
// stride x viewHeight x 3 + stride x 3 bytes (the last row spare, zero).
// When the image has a mask (its first sub-image), masked pixels are tinted
// with the options maskRed, maskGreen and maskBlue (0, 0, 200 when all
// three are 0). Only colour mode 1 exists.
std::vector<uint8_t> fastView(int sourceX, int sourceY, double zoom, int viewWidth, int stride, int viewHeight,
                              int colourMode, const Image& image);
