// What a copy of a view buffer into a window shows: row order, byte order,
// clipping, and nothing read beyond the buffer.
#include <gtest/gtest.h>

#include "framework/draw/render.h"
#include "framework/draw/view.h"
#include "framework/image/image.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A view of a 5 x 3 picture whose pixel (x, y) is (x, y, 9), stride 8.
Bytes buffer() {
    Image i;
    i.iWidth = 5, i.iHeight = 3;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) i.iPixels24.insert(i.iPixels24.end(), {uint8_t(x), uint8_t(y), 9});
    return fastView(0, 0, 1.0, 5, 8, 3, 1, i);
}

Bytes rgbAt(const WindowCopy& c, int wx, int wy) {
    const uint8_t* p = &c.rgb[(std::size_t(wy - c.y) * c.width + (wx - c.x)) * 3];
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST(WindowCopy, AreasAndPixels) {
    struct Case {
        const char* name;
        int x, y, width, height, clipX, clipY, clipW, clipH;
        int ex, ey, ew, eh;  // the area painted
    } cases[] = {
        {"no clipping", 10, 20, 5, 3, -1, 0, 0, 0, 10, 20, 5, 3},
        {"exactly the width asked, not one more", 0, 0, 4, 3, -1, 0, 0, 0, 0, 0, 4, 3},
        {"clip inside", 10, 20, 5, 3, 11, 21, 2, 1, 11, 21, 2, 1},
        {"clip overlapping a corner", 10, 20, 5, 3, 13, 22, 10, 10, 13, 22, 2, 1},
        {"clip outside", 10, 20, 5, 3, 0, 0, 5, 5, 0, 0, 0, 0},
        {"wider than the bitmap", 0, 0, 50, 3, -1, 0, 0, 0, 0, 0, 8, 3},
    };
    Bytes b = buffer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowCopy copy = prepareWindowCopy(b, 8, c.x, c.y, c.width, c.height, c.clipX, c.clipY, c.clipW, c.clipH);
        EXPECT_EQ(copy.empty() ? 0 : copy.x, c.ex);
        EXPECT_EQ(copy.empty() ? 0 : copy.y, c.ey);
        EXPECT_EQ(copy.width < 0 ? 0 : copy.width, c.ew);
        EXPECT_EQ(copy.height < 0 ? 0 : copy.height, c.eh);
        ASSERT_EQ(copy.rgb.size(), std::size_t(std::max(copy.width, 0)) * std::max(copy.height, 0) * 3);
        // Window pixel (x + i, y + j) shows picture pixel (i, j), padding white.
        for (int wy = copy.y; wy < copy.y + copy.height; ++wy)
            for (int wx = copy.x; wx < copy.x + copy.width; ++wx) {
                int i = wx - c.x, j = wy - c.y;
                Bytes expected = i < 5 ? Bytes{uint8_t(i), uint8_t(j), 9} : Bytes{255, 255, 255};
                ASSERT_EQ(rgbAt(copy, wx, wy), expected) << wx << "," << wy;
            }
    }
}

TEST(WindowCopy, ShortBufferLacksTheTopRows) {
    Bytes b = buffer();
    b.resize(8 * 3 * 2);  // only the two bottom rows
    WindowCopy copy = prepareWindowCopy(b, 8, 0, 0, 5, 3, -1, 0, 0, 0);
    EXPECT_EQ(copy.y, 1);
    EXPECT_EQ(copy.height, 2);
    EXPECT_EQ(rgbAt(copy, 0, 1), (Bytes{0, 1, 9}));
    EXPECT_TRUE(prepareWindowCopy({}, 8, 0, 0, 5, 3, -1, 0, 0, 0).empty());
    EXPECT_TRUE(prepareWindowCopy(b, 0, 0, 0, 5, 3, -1, 0, 0, 0).empty());
}
