#include "framework/draw/view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/image/image.h"

namespace {

// Where a view pixel's colour comes from: the first pixel form present.
struct Source {
    const Image& image;
    std::size_t count;
    bool has24, has8, has48;
    explicit Source(const Image& i)
        : image(i),
          count(static_cast<std::size_t>(std::max(i.iWidth, 0)) * static_cast<std::size_t>(std::max(i.iHeight, 0))),
          has24(count && i.iPixels24.size() >= count * 3),
          has8(count && i.iPixels8.size() >= count && i.iPalette.size() >= 768),
          has48(count && i.iPixels48.size() >= count * 3) {}
    bool any() const { return has24 || has8 || has48; }
    // Writes blue, green, red of image pixel (x, y), which lies inside.
    void bgr(int x, int y, uint8_t* out) const {
        std::size_t at = static_cast<std::size_t>(y) * image.iWidth + x;
        uint8_t r, g, b;
        if (has24) {
            const uint8_t* p = &image.iPixels24[at * 3];
            r = p[0], g = p[1], b = p[2];
        } else if (has8) {
            uint8_t i = image.iPixels8[at];
            r = image.iPalette[i], g = image.iPalette[256 + i], b = image.iPalette[512 + i];
        } else {
            const uint16_t* p = &image.iPixels48[at * 3];
            r = static_cast<uint8_t>(p[0] >> 8), g = static_cast<uint8_t>(p[1] >> 8),
            b = static_cast<uint8_t>(p[2] >> 8);
        }
        out[0] = b, out[1] = g, out[2] = r;
    }
};

// The image coordinate a view coordinate samples.
long sampleAt(int source, int offset, double zoom) { return std::lround((double(source) + offset) / zoom); }

void applyMask(std::vector<uint8_t>& buffer, int sourceX, int sourceY, double zoom, int viewWidth, int stride,
               int viewHeight, const Image& mask) {
    const std::size_t maskCount =
        static_cast<std::size_t>(std::max(mask.iWidth, 0)) * static_cast<std::size_t>(std::max(mask.iHeight, 0));
    int tint[3] = {getIntOption("maskRed"), getIntOption("maskGreen"), getIntOption("maskBlue")};
    if (tint[0] == 0 && tint[1] == 0 && tint[2] == 0) {
        setIntOption("maskRed", 0);
        setIntOption("maskGreen", 0);
        setIntOption("maskBlue", 200);
        tint[2] = 200;
    }
    if (!maskCount || mask.iPixels8.size() < maskCount) return;  // a mask has 8-bit values
    for (int row = 0; row < viewHeight; ++row) {
        long my = sampleAt(sourceY, row, zoom);
        if (my < 0 || my >= mask.iHeight) continue;
        uint8_t* line = &buffer[static_cast<std::size_t>(viewHeight - 1 - row) * stride * 3];
        for (int col = 0; col < viewWidth; ++col) {
            long mx = sampleAt(sourceX, col, zoom);
            if (mx < 0 || mx >= mask.iWidth) continue;
            if (!mask.iPixels8[static_cast<std::size_t>(my) * mask.iWidth + mx]) continue;
            uint8_t* p = line + static_cast<std::size_t>(col) * 3;  // blue, green, red
            for (int k = 0; k < 3; ++k)
                if (tint[k]) p[2 - k] = static_cast<uint8_t>(std::clamp(tint[k], 0, 255));
        }
    }
}

}  // namespace

std::vector<uint8_t> fastView(int sourceX, int sourceY, double zoom, int viewWidth, int stride, int viewHeight,
                              int colourMode, const Image& image) {
    (void)colourMode;  // colour is the only mode
    if (!(zoom > 0)) zoom = 1.0;
    viewWidth = std::max(viewWidth, 0);
    viewHeight = std::max(viewHeight, 0);
    stride = std::max(stride, viewWidth);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(stride) * viewHeight * 3 +
                                static_cast<std::size_t>(stride) * 3);
    // White everywhere first: the stride padding and whatever lies outside the image.
    std::fill(buffer.begin(), buffer.end() - static_cast<std::ptrdiff_t>(stride) * 3, 255);

    const Source src(image);
    if (src.any()) {
        const bool direct = zoom == 1.0 && src.has24 && sourceX == 0 && sourceY == 0 && viewWidth >= image.iWidth &&
                            viewHeight == image.iHeight;
        if (direct) {
            debugLog("REAL FAST");
            for (int row = 0; row < viewHeight; ++row) {
                const uint8_t* in = &image.iPixels24[static_cast<std::size_t>(row) * image.iWidth * 3];
                uint8_t* out = &buffer[static_cast<std::size_t>(viewHeight - 1 - row) * stride * 3];
                for (int x = 0; x < image.iWidth; ++x, in += 3, out += 3)
                    out[0] = in[2], out[1] = in[1], out[2] = in[0];
            }
        } else {
            for (int row = 0; row < viewHeight; ++row) {
                long y = sampleAt(sourceY, row, zoom);
                if (y < 0 || y >= image.iHeight) continue;
                uint8_t* out = &buffer[static_cast<std::size_t>(viewHeight - 1 - row) * stride * 3];
                for (int col = 0; col < viewWidth; ++col) {
                    long x = sampleAt(sourceX, col, zoom);
                    if (x < 0 || x >= image.iWidth) continue;
                    src.bgr(static_cast<int>(x), static_cast<int>(y), out + static_cast<std::size_t>(col) * 3);
                }
            }
        }
    }
    if (image.iSubImage[0])
        applyMask(buffer, sourceX, sourceY, zoom, viewWidth, stride, viewHeight, *image.iSubImage[0]);
    return buffer;
}
