// View buffers: layout (bottom-up, blue-green-red, white padding), the
// direct row copy against per-pixel sampling, pixels outside the image,
// zoom, and the mask tint.
#include <gtest/gtest.h>

#include <memory>

#include "framework/app/options.h"
#include "framework/draw/view.h"
#include "framework/image/image.h"
#include "testing/options_store.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Pixel (x, y) = (x * 10 + 1, y * 10 + 2, x + y + 3).
Image rgbImage(int w, int h) {
    Image i;
    i.iWidth = w, i.iHeight = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            i.iPixels24.insert(i.iPixels24.end(), {uint8_t(x * 10 + 1), uint8_t(y * 10 + 2), uint8_t(x + y + 3)});
    return i;
}

// The same picture as 48-bit pixels, which always takes the sampling road.
Image rgb48Image(int w, int h) {
    Image src = rgbImage(w, h), i;
    i.iWidth = w, i.iHeight = h;
    for (uint8_t v : src.iPixels24) i.iPixels48.push_back(uint16_t(v << 8 | 0x77));
    return i;
}

// Blue, green, red of view pixel (x, y), y counted from the view's top.
Bytes at(const Bytes& buffer, int stride, int viewHeight, int x, int y) {
    const uint8_t* p = &buffer[(std::size_t(viewHeight - 1 - y) * stride + x) * 3];
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST(FastView, LayoutAndPadding) {
    Image image = rgbImage(3, 2);
    Bytes b = fastView(0, 0, 1.0, 3, 16, 2, 1, image);
    ASSERT_EQ(b.size(), 16u * 2 * 3 + 16u * 3);
    EXPECT_EQ(at(b, 16, 2, 0, 0), (Bytes{3, 2, 1}));                // top-left, stored in the last row
    EXPECT_EQ(at(b, 16, 2, 2, 1), (Bytes{6, 12, 21}));              // bottom-right, in the first row
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 3), (Bytes{4, 12, 1}));  // row 0 of the buffer is the bottom row
    for (int x = 3; x < 16; ++x) EXPECT_EQ(at(b, 16, 2, x, 0), (Bytes{255, 255, 255})) << x;
}

TEST(FastView, DirectCopyAgreesWithSampling) {
    struct Case {
        int w, h, viewWidth, stride;
    } cases[] = {{1, 1, 1, 16}, {5, 3, 5, 16}, {5, 3, 9, 16}, {17, 4, 17, 32}, {16, 16, 20, 32}, {3, 7, 3, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " view " << c.viewWidth << " stride " << c.stride);
        Bytes fast = fastView(0, 0, 1.0, c.viewWidth, c.stride, c.h, 1, rgbImage(c.w, c.h));
        Bytes slow = fastView(0, 0, 1.0, c.viewWidth, c.stride, c.h, 1, rgb48Image(c.w, c.h));
        EXPECT_EQ(fast, slow);
        // Columns beyond the image are white in both.
        if (c.viewWidth > c.w) {
            EXPECT_EQ(at(fast, c.stride, c.h, c.w, 0), (Bytes{255, 255, 255}));
        }
    }
}

TEST(FastView, SamplingOffsetsZoomAndOutside) {
    Image image = rgbImage(4, 4);
    struct Case {
        const char* name;
        int sx, sy;
        double zoom;
        int x, y;   // view pixel
        Bytes bgr;  // expected
    } cases[] = {
        {"offset", 1, 2, 1.0, 0, 0, {6, 22, 11}},
        {"offset, not the direct copy", 1, 0, 1.0, 0, 0, {4, 2, 11}},
        {"zoom 2 samples every other pixel", 0, 0, 2.0, 2, 2, {5, 12, 11}},
        {"zoom 2 rounds halves up", 0, 0, 2.0, 3, 1, {6, 12, 21}},
        {"zoom 0 counts as 1", 0, 0, 0.0, 1, 1, {5, 12, 11}},
        {"right of the image", 2, 0, 1.0, 3, 0, {255, 255, 255}},
        {"below the image", 0, 3, 1.0, 0, 1, {255, 255, 255}},
        {"left of the image", -3, 0, 1.0, 0, 0, {255, 255, 255}},
        {"above the image", 0, -1, 1.0, 1, 0, {255, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = fastView(c.sx, c.sy, c.zoom, 4, 16, 4, 1, image);
        EXPECT_EQ(at(b, 16, 4, c.x, c.y), c.bgr);
    }
}

TEST(FastView, PaletteAndFortyEightBitSources) {
    Image p;
    p.iWidth = 2, p.iHeight = 1;
    p.iPixels8 = {1, 0};
    p.iPalette.assign(768, 0);
    p.iPalette[1] = 7, p.iPalette[257] = 8, p.iPalette[513] = 9;
    Bytes b = fastView(0, 0, 1.0, 2, 16, 1, 1, p);
    EXPECT_EQ(at(b, 16, 1, 0, 0), (Bytes{9, 8, 7}));
    EXPECT_EQ(at(b, 16, 1, 1, 0), (Bytes{0, 0, 0}));
    Image empty;
    Bytes w = fastView(0, 0, 1.0, 2, 1, 2, 1, empty);  // stride below the width counts as the width
    ASSERT_EQ(w.size(), 2u * 2 * 3 + 2u * 3);
    EXPECT_EQ(at(w, 2, 2, 1, 1), (Bytes{255, 255, 255}));
}

TEST(FastView, MaskTint) {
    testing_support::OptionsStore store;
    struct Case {
        const char* name;
        int red, green, blue;
        Bytes masked;  // blue, green, red of the masked pixel (0, 0)
        int storedBlue;
    } cases[] = {
        {"defaults when all three are 0", 0, 0, 0, {200, 2, 1}, 200},
        {"only non-zero components replace", 90, 0, 0, {3, 2, 90}, 0},
        {"all three", 5, 6, 7, {7, 6, 5}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setIntOption("maskRed", c.red), setIntOption("maskGreen", c.green), setIntOption("maskBlue", c.blue);
        for (bool direct : {true, false}) {
            Image image = direct ? rgbImage(2, 2) : rgb48Image(2, 2);
            image.iSubImage[0] = std::make_unique<Image>();
            Image& mask = *image.iSubImage[0];
            mask.iWidth = 2, mask.iHeight = 2;
            mask.iPixels8 = {1, 0, 0, 0};
            Bytes b = fastView(0, 0, 1.0, 2, 16, 2, 1, image);
            EXPECT_EQ(at(b, 16, 2, 0, 0), c.masked);
            EXPECT_EQ(at(b, 16, 2, 1, 0), (Bytes{4, 2, 11}));  // not masked
        }
        EXPECT_EQ(getIntOption("maskBlue"), c.storedBlue);
    }
}

TEST(FastView, SmallerMaskTintsOnlyWhereItReaches) {
    testing_support::OptionsStore store;
    Image image = rgbImage(3, 1);
    image.iSubImage[0] = std::make_unique<Image>();
    image.iSubImage[0]->iWidth = 1, image.iSubImage[0]->iHeight = 1;
    image.iSubImage[0]->iPixels8 = {1};
    Bytes b = fastView(0, 0, 1.0, 3, 16, 1, 1, image);
    EXPECT_EQ(at(b, 16, 1, 0, 0), (Bytes{200, 2, 1}));
    EXPECT_EQ(at(b, 16, 1, 1, 0), (Bytes{4, 2, 11}));
}
