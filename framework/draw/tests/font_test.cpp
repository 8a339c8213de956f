// The bitmap font: the band and glyph scan over a small sheet built here,
// drawGlyph's box, blend, underline and clipping, and loadFont's files and
// fatal errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/draw/font.h"
#include "framework/draw/tests/font_support.h"
#include "framework/image/image.h"
#include "framework/image/png.h"
#include "testing/program_folder.h"

using LoadFont = draw_testing::FreshFont;

namespace {

// The test sheet: a blank first row and column; eight bands of 3, 2, 3, 2,
// ... rows with one blank row between; in each band five glyphs of 1, 2,
// 3, 1 and 2 columns, two blank columns apart, the last one ending at the
// sheet's right edge and the last band at its bottom edge.
constexpr int kSheetWidth = 18;
const int kBandRows[8] = {3, 2, 3, 2, 3, 2, 3, 2};
const int kGlyphLeft[5] = {1, 4, 8, 13, 16};
const int kGlyphWidth[5] = {1, 2, 3, 1, 2};
const char* const kOrder = "ab ca";  // 'a' twice, a blank in the middle

int bandTop(int f) {
    int top = 1;
    for (int i = 0; i < f; ++i) top += kBandRows[i] + 1;
    return top;
}

// Ink is black, except the first pixel of every glyph, which is 128.
Image makeSheet(int bands = 8, int width = kSheetWidth) {
    Image s;
    s.iWidth = width;
    s.iHeight = bandTop(bands - 1) + kBandRows[bands - 1];
    s.iPixels24.assign(std::size_t(s.iWidth) * s.iHeight * 3, 255);
    for (int f = 0; f < bands; ++f)
        for (int g = 0; g < 5; ++g)
            for (int r = 0; r < kBandRows[f]; ++r)
                for (int c = 0; c < kGlyphWidth[g]; ++c) {
                    uint8_t v = (r == 0 && c == 0) ? 128 : 0;
                    uint8_t* p = &s.iPixels24[(std::size_t(bandTop(f) + r) * s.iWidth + kGlyphLeft[g] + c) * 3];
                    p[0] = p[1] = p[2] = v;
                }
    return s;
}

struct Loaded {
    Image sheet = makeSheet();
    FontTables tables;
    Loaded() { EXPECT_EQ(scanFontSheet(sheet, kOrder, &tables), ""); }
};

}  // namespace

TEST(FontScan, GlyphBoxes) {
    Loaded font;
    struct Case {
        int face;
        unsigned char c;
        GlyphBox box;
    } cases[] = {
        {0, 'b', {4, 1, 3, 4}},   {0, ' ', {8, 1, 4, 4}},  {0, 'c', {13, 1, 2, 4}},
        {0, 'a', {16, 1, 3, 4}},  // the last of the two 'a' glyphs
        {1, 'b', {4, 5, 3, 3}},   {2, 'c', {13, 8, 2, 4}}, {5, ' ', {8, 19, 4, 3}},
        {7, 'a', {16, 26, 3, 3}}, {7, 'z', {0, 0, 0, 0}},  {3, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "face " << c.face << " char '" << c.c << "'");
        const GlyphBox& b = font.tables.glyph[c.face][c.c];
        EXPECT_EQ(b.left, c.box.left);
        EXPECT_EQ(b.top, c.box.top);
        EXPECT_EQ(b.width, c.box.width);
        EXPECT_EQ(b.height, c.box.height);
    }
}

TEST(FontScan, SheetsThatCannotServe) {
    FontTables t;
    EXPECT_EQ(scanFontSheet(makeSheet(7), kOrder, &t), "fewer than eight bands");
    EXPECT_EQ(scanFontSheet(makeSheet(), "ab caXY", &t), "a band holds fewer glyphs than the order");
    Image empty;
    EXPECT_NE(scanFontSheet(empty, kOrder, &t), "");
    // Fewer characters than glyphs is fine: the rest are not used.
    EXPECT_EQ(scanFontSheet(makeSheet(), "ab", &t), "");
    EXPECT_EQ(t.glyph[0]['b'].left, 4);
}

TEST(FontScan, GlyphOrderLine) {
    struct Case {
        std::string text, order;
    } cases[] = {{"abc\ndef", "abc"},
                 {"abc\r\ndef", "abc"},
                 {"ab\rc\nd", "ab"},
                 {std::string(600, 'x'), std::string(512, 'x')},
                 {"", ""},
                 {std::string("a\0b", 3), "a"}};
    for (const Case& c : cases) EXPECT_EQ(glyphOrderFrom(c.text), c.order);
}

namespace {

Image target(int w, int h, uint8_t fill = 50) {
    Image t;
    t.iWidth = w, t.iHeight = h;
    t.iPixels24.assign(std::size_t(w) * h * 3, fill);
    return t;
}

const uint8_t* pixel(const Image& t, int x, int y) { return &t.iPixels24[(std::size_t(y) * t.iWidth + x) * 3]; }

TextPen pen(Image* t, int x, int y, int font = 0) {
    TextPen p;
    p.iTarget = t, p.iX = x, p.iY = y, p.iFont = font;
    p.iInk[0] = 10, p.iInk[1] = 20, p.iInk[2] = 30;
    p.iPaper[0] = 200, p.iPaper[1] = 210, p.iPaper[2] = 220;
    return p;
}

// 'i' ink, 'p' paper, '.' untouched, 'h' the half-covered first pixel.
std::vector<std::string> picture(const Image& t) {
    std::vector<std::string> rows;
    for (int y = 0; y < t.iHeight; ++y) {
        std::string row;
        for (int x = 0; x < t.iWidth; ++x) {
            const uint8_t* p = pixel(t, x, y);
            row += p[0] == 10 ? 'i' : p[0] == 200 ? 'p' : p[0] == 50 ? '.' : 'h';
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(DrawGlyph, BoxesClippingAndUnderline) {
    Loaded font;
    struct Case {
        const char* name;
        int font, x, y;
        unsigned char c;
        bool measure, underline, underline2;
        int advance;
        std::vector<std::string> rows;
        // clang-format off
    } cases[] = {
        {"two columns, box of four", 0, 1, 0, 'b', false, false, false, 4,
         {".hipp.", ".iipp.", ".iipp.", ".pppp.", "......"}},
        {"blank glyph paints its cell", 1, 0, 1, ' ', false, false, false, 5,
         {"......", "hiipp.", "iiipp.", "ppppp.", "......"}},
        {"underline on row h-2", 0, 0, 0, 'c', false, true, false, 3,
         {"hpp...", "ipp...", "iii...", "ppp...", "......"}},
        {"either underline flag", 1, 0, 0, 'c', false, false, true, 3,
         {"hpp...", "iii...", "ppp...", "......", "......"}},
        {"clipped at the right edge", 0, 4, 0, 'b', false, false, false, 4,
         {"....hi", "....ii", "....ii", "....pp", "......"}},
        {"clipped at the left edge", 0, -2, 0, 'b', false, false, false, 4,
         {"pp....", "pp....", "pp....", "pp....", "......"}},
        {"clipped at top and bottom", 0, 0, 3, 'b', false, false, false, 4,
         {"......", "......", "......", "hipp..", "iipp.."}},
        {"glyph at the sheet's corner reads paper beyond it", 7, 0, 0, 'a', false, false, false, 4,
         {"hipp..", "iipp..", "pppp..", "......", "......"}},
        {"measure only", 0, 0, 0, 'b', true, false, false, 4, {"......", "......", "......", "......", "......"}},
        {"character without a glyph", 0, 0, 0, 'q', false, true, false, 1,
         {"......", "......", "......", "......", "......"}},
        {"font number clamped", 99, 0, 0, 'c', false, false, false, 3,
         {"hpp...", "ipp...", "ppp...", "......", "......"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image t = target(6, 5);
        TextPen p = pen(&t, c.x, c.y, c.font);
        p.iMeasureOnly = c.measure, p.iUnderline = c.underline, p.iUnderline2 = c.underline2;
        drawGlyph(&p, c.c, font.tables, &font.sheet);
        EXPECT_EQ(p.iX, c.x + c.advance);
        EXPECT_EQ(p.iY, c.y);
        EXPECT_EQ(picture(t), c.rows);
    }
}

TEST(DrawGlyph, IntegerBlend) {
    Loaded font;
    struct Case {
        int ink, paper, expected;  // for the sheet value 128
    } cases[] = {{255, 0, 127}, {0, 255, 128}, {100, 100, 100}, {300, -5, 127}, {0, 0, 0}, {255, 255, 255}};
    for (const Case& c : cases) {
        Image t = target(4, 4);
        TextPen p = pen(&t, 0, 0);
        for (int k = 0; k < 3; ++k) p.iInk[k] = c.ink, p.iPaper[k] = c.paper;
        drawGlyph(&p, 'b', font.tables, &font.sheet);
        EXPECT_EQ(pixel(t, 0, 0)[0], c.expected) << c.ink << " on " << c.paper;
        EXPECT_EQ(pixel(t, 1, 0)[1], std::clamp(c.ink, 0, 255));    // full ink
        EXPECT_EQ(pixel(t, 3, 0)[2], std::clamp(c.paper, 0, 255));  // full paper
    }
}

TEST(DrawGlyph, NoTargetPixelsOnlyAdvances) {
    Loaded font;
    Image empty;
    TextPen p = pen(&empty, 0, 0);
    drawGlyph(&p, 'b', font.tables, &font.sheet);
    EXPECT_EQ(p.iX, 4);
    TextPen none = pen(nullptr, 3, 0);
    drawGlyph(&none, ' ', font.tables, &font.sheet);
    EXPECT_EQ(none.iX, 8);
}

// --- loading the font files ---------------------------------------------------

namespace {

void writeSheet(const testing_support::ProgramFolder& folder, const std::string& rel, const Image& sheet) {
    folder.write(rel, "");  // makes the folder
    ASSERT_EQ(savePNG((folder.path() + "/" + rel).c_str(), sheet.saveRecord(), 0), "");
}

void installFont(const testing_support::ProgramFolder& folder) {
    folder.copyFromSource("data/system/mformats", "system/mformats");
    writeSheet(folder, "system/fonts/text1i.dat", makeSheet());
    folder.write("system/fonts/text1d.dat", std::string(kOrder) + "\r\nsecond line\n");
}

}  // namespace

TEST_F(LoadFont, ReadsBothFilesOnce) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    loadFont();
    ASSERT_NE(fontSheet(), nullptr);
    EXPECT_EQ(fontSheet()->iWidth, kSheetWidth);
    EXPECT_EQ(fontSheet()->iPixels24.size(), std::size_t(kSheetWidth) * fontSheet()->iHeight * 3);
    EXPECT_EQ(fontTables().glyph[2]['c'].left, 13);
    EXPECT_EQ(fontTables().glyph[2]['c'].top, bandTop(2));
    folder.write("system/fonts/text1d.dat", "b");  // not read again
    loadFont();
    EXPECT_EQ(fontTables().glyph[0]['a'].left, 16);

    Image t = target(6, 5);
    TextPen p = pen(&t, 0, 0);
    drawGlyph(&p, 'c');
    EXPECT_EQ(p.iX, 3);
    EXPECT_EQ(picture(t)[0], "hpp...");
}

TEST_F(LoadFont, UserCopiesWin) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    Image wide = makeSheet(8, 30);  // same glyphs, wider sheet
    writeSheet(folder, "user/fonts/text1i.dat", wide);
    folder.write("user/fonts/text1d.dat", "cba");
    loadFont();
    EXPECT_EQ(fontSheet()->iWidth, 30);
    EXPECT_EQ(fontTables().glyph[0]['a'].left, 8);
    EXPECT_EQ(fontTables().glyph[0]['c'].left, 1);
}

namespace {

// Runs loadFont in a child process that must end with exit code 1 and leave
// `line` in the error log.
void expectFatal(const testing_support::ProgramFolder& folder, const std::string& line) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child shares this folder
    folder.write("test.env", "");
    debugLogResetForTests();  // the child decides on the log afresh
    EXPECT_EXIT(loadFont(), testing::ExitedWithCode(1), "");
    EXPECT_NE(folder.read("error.txt").find(line), std::string::npos) << folder.read("error.txt");
}

}  // namespace

TEST_F(LoadFont, MissingSheetIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    std::remove("system/fonts/text1i.dat");
    expectFatal(folder, "ERROR: font i file missing or read error");
}

TEST_F(LoadFont, SheetOf256ColumnsIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    writeSheet(folder, "system/fonts/text1i.dat", makeSheet(8, 256));
    expectFatal(folder, "ERROR: font i file missing or read error");
}

TEST_F(LoadFont, DamagedSheetIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    std::string png = folder.read("system/fonts/text1i.dat");
    folder.write("system/fonts/text1i.dat", png.substr(0, png.size() - 30));
    expectFatal(folder, "ERROR: font i file missing or read error");
}

TEST_F(LoadFont, SheetWithTooFewBandsIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    writeSheet(folder, "system/fonts/text1i.dat", makeSheet(6));
    expectFatal(folder, "ERROR: font i file missing or read error");
}

TEST_F(LoadFont, MissingOrderFileIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    std::remove("system/fonts/text1d.dat");
    expectFatal(folder, "ERROR: font d file missing");
}

TEST_F(LoadFont, EmptyOrderFileIsFatal) {
    testing_support::ProgramFolder folder;
    installFont(folder);
    folder.write("system/fonts/text1d.dat", "");
    expectFatal(folder, "ERROR: font d read error");
}
