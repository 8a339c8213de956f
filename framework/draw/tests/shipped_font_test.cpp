// The shipped font files: loadable through the program's own road, eight
// bands of the planned heights, every printable character in every face,
// and the spacing rules the glyph scan relies on.
#include <gtest/gtest.h>

#include <string>

#include "framework/draw/font.h"
#include "framework/draw/tests/font_support.h"
#include "framework/image/image.h"
#include "testing/program_folder.h"

using ShippedFont = draw_testing::FreshFont;

namespace {

bool whitePixel(const Image& s, int x, int y) {
    const uint8_t* p = &s.iPixels24[(std::size_t(y) * s.iWidth + x) * 3];
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

}  // namespace

TEST_F(ShippedFont, StructureOfTheSheet) {
    testing_support::ProgramFolder folder;
    folder.copyFromSource("data/system/mformats", "system/mformats");
    folder.copyFromSource("data/system/fonts", "system/fonts");
    loadFont();
    const Image& sheet = *fontSheet();
    const FontTables& t = fontTables();
    EXPECT_NE(sheet.iWidth, 256);
    int previousTop = -1;
    for (int f = 0; f < kFontCount; ++f) {
        SCOPED_TRACE(testing::Message() << "face " << f);
        const int height = f % 2 == 0 ? kBigFontHeight : kSmallFontHeight;
        const int top = t.glyph[f]['A'].top;
        EXPECT_GT(top, previousTop);
        previousTop = top;
        for (int x = 0; x < sheet.iWidth; ++x)
            ASSERT_TRUE(whitePixel(sheet, x, top + height - 1)) << "row after the band";
        int lastRight = 0;
        for (int c = 32; c < 127; ++c) {
            SCOPED_TRACE(testing::Message() << "char " << char(c));
            const GlyphBox& b = t.glyph[f][c];
            EXPECT_GE(b.width, 2);
            EXPECT_EQ(b.height, height);
            EXPECT_EQ(b.top, top);
            // At least two white columns before each glyph (the order runs left to right).
            if (c > 32) {
                EXPECT_GE(b.left - lastRight, 2);
                for (int x = lastRight; x < b.left; ++x)
                    for (int y = top; y < top + height - 1; ++y) ASSERT_TRUE(whitePixel(sheet, x, y));
            }
            lastRight = b.left + b.width - 1;
        }
    }
}

TEST_F(ShippedFont, TextInEveryFaceLeavesInk) {
    testing_support::ProgramFolder folder;
    folder.copyFromSource("data/system/mformats", "system/mformats");
    folder.copyFromSource("data/system/fonts", "system/fonts");
    loadFont();
    for (int f = 0; f < kFontCount; ++f) {
        Image page;
        page.iWidth = 200, page.iHeight = 20;
        page.iPixels24.assign(200 * 20 * 3, 128);
        TextPen pen;
        pen.iTarget = &page, pen.iFont = f;
        for (char c : std::string("Hello, World!")) drawGlyph(&pen, static_cast<unsigned char>(c));
        int dark = 0, light = 0;
        for (std::size_t i = 0; i < page.iPixels24.size(); i += 3) {
            dark += page.iPixels24[i] < 64;
            light += page.iPixels24[i] > 250;
        }
        EXPECT_GT(dark, 20) << "face " << f;
        EXPECT_GT(light, 100) << "face " << f;
        EXPECT_GT(pen.iX, 40);
        EXPECT_LT(pen.iX, 120);
    }
}
