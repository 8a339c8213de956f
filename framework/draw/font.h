#pragma once
// The bitmap font: eight faces cut out of one picture, the font sheet
// ("system/fonts/text1i.dat"), in the character order of a text file
// ("system/fonts/text1d.dat"). The sheet holds one band per face, top to
// bottom (big bold, small bold, big, small, big bold italic, small bold
// italic, big italic, small italic); each band holds the glyphs left to
// right. Paper is white: a pixel is ink when its red byte is not 255.
//
// drawGlyph paints a glyph's whole box, blending the sheet's grey between
// the pen's ink and paper colours, so the sheet's dark strokes take the ink
// and its white the paper.
#include <cstdint>
#include <string>

struct Image;

constexpr int kFontCount = 8;
// Box heights of the two sizes (the page viewer's line heights).
constexpr int kBigFontHeight = 14;
constexpr int kSmallFontHeight = 12;

// A glyph's box in the sheet; all 0 for a character not in the order.
struct GlyphBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;   // inked columns plus one blank column
    int32_t height = 0;  // band rows plus one blank row
};

// The process-wide font: the sheet (24-bit pixels) and the glyph tables.
struct FontTables {
    GlyphBox glyph[kFontCount][256];
};
const FontTables& fontTables();
// The loaded sheet, or null before loadFont.
const Image* fontSheet();

// Loads the font once per process; later calls return at once. A missing or
// unusable sheet or order file ends the process with exit code 1 after its
// log line.
void loadFont();

// Scans a sheet (24-bit pixels) against a glyph order into the tables.
// Returns an empty text, or why the sheet cannot serve the order (fewer
// than eight bands, a band with too few glyphs).
std::string scanFontSheet(const Image& sheet, const std::string& order, FontTables* tables);

// The glyph order: the first 512 bytes of the text, cut at the first LF,
// then at the first CR.
std::string glyphOrderFrom(const std::string& text);

// The drawing state the page viewer owns and hands to drawGlyph.
struct TextPen {
    Image* iTarget = nullptr;  // 24-bit pixels
    int iX = 0;                // top-left of the next glyph box
    int iY = 0;
    bool iMeasureOnly = false;  // advance without drawing
    bool iUnderline = false;    // either flag underlines
    bool iUnderline2 = false;
    int iFont = 0;  // 0..7
    int iInk[3] = {0, 0, 0};
    int iPaper[3] = {255, 255, 255};
};

// Draws one character at the pen and moves the pen right by the box width;
// a character without a glyph moves it by 1 and draws nothing. Pixels
// outside the target are skipped (the pen still advances in full).
void drawGlyph(TextPen* pen, unsigned char character);
// drawGlyph with explicit tables and sheet (the process-wide ones above).
void drawGlyph(TextPen* pen, unsigned char character, const FontTables& tables, const Image* sheet);

// Tests only: forgets the loaded font.
void fontResetForTests();
