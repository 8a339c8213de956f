#include "game/match/snapshot.h"

#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/image/image.h"

int paddedRowBytes(int width) { return (3 * width + 3) / 4 * 4; }

std::unique_ptr<Image> snapshotImage(const uint8_t* readRows, std::size_t byteCount, int width, int height) {
    if (!readRows || width <= 0 || height <= 0) return nullptr;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    const std::size_t padded = static_cast<std::size_t>(paddedRowBytes(width));
    // The last row is read without its padding.
    if ((byteCount < row) || (byteCount - row) / padded < static_cast<std::size_t>(height) - 1) return nullptr;
    auto image = std::make_unique<Image>();
    image->iWidth = width;
    image->iHeight = height;
    image->iDepth = 24;
    image->iPixels24.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        // Row y from the top is read-back row height - 1 - y.
        const uint8_t* from = readRows + padded * static_cast<std::size_t>(height - 1 - y);
        std::memcpy(image->iPixels24.data() + row * static_cast<std::size_t>(y), from, row);
    }
    return image;
}

int saveSnapshot(Image& image) {
    int ok = 1;
    if (testMode && !image.save("snapshot.gif", "GIF")) ok = 0;
    if (!image.save("snapshot.png", "PNG")) ok = 0;
    if (!ok) debugLog("ERROR: the snapshot could not be saved\n");
    return ok;
}
