// fontgen: renders the program's bitmap font from DejaVu Sans and writes
// the font sheet "text1i.dat" (a PNG), the glyph order "text1d.dat" and the
// font's licence notice into a folder (normally data/system/fonts).
//
//   fontgen <output folder> [<DejaVu folder>] [<licence file>]
//
// The sheet follows the rules of the program's glyph scan:
// - eight bands, top to bottom: big bold, small bold, big, small, big bold
//   oblique, small bold oblique, big oblique, small oblique; a big band has
//   13 rows and a small one 11, so the glyph boxes (band plus the blank row
//   below) are 14 and 12 high;
// - every row of a band holds ink and a white row follows each band;
// - glyphs are runs of inked columns two white columns apart, in the order
//   of the order line (printable ASCII);
// - a glyph's cell spans its ink (the box adds two paper columns); columns
//   of a cell without ink (the blank's whole cell, gaps inside a glyph) get
//   one pixel that counts as ink but draws as paper: red 254, green and
//   blue 255;
// - the sheet is never 256 wide (the width of the loader's placeholder).
// After writing, the output is read back and scanned as the program would.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "framework/image/png.h"

namespace {

struct Band {
    const char* file;
    bool big;
};

const Band kBands[kFontCount] = {
    {"DejaVuSans-Bold.ttf", true},    {"DejaVuSans-Bold.ttf", false},       {"DejaVuSans.ttf", true},
    {"DejaVuSans.ttf", false},        {"DejaVuSans-BoldOblique.ttf", true}, {"DejaVuSans-BoldOblique.ttf", false},
    {"DejaVuSans-Oblique.ttf", true}, {"DejaVuSans-Oblique.ttf", false},
};

int bandRows(bool big) { return (big ? kBigFontHeight : kSmallFontHeight) - 1; }

const uint8_t kMarker[3] = {254, 255, 255};  // ink to the scan, paper to the eye

// One rendered glyph: coverage rows (0 none .. 255 full) placed in its cell.
struct Cell {
    int width = 0;                  // columns of the cell
    std::vector<uint8_t> coverage;  // bandRows x width
};

bool fail(const std::string& text) {
    std::fprintf(stderr, "fontgen: %s\n", text.c_str());
    return false;
}

// Renders one character into a cell of `rows` rows with the baseline at
// row `baseline`. The cell spans the glyph's ink: the box the program draws
// adds two paper columns, which stand in for the side bearings. Edge
// columns of faint coverage only are dropped, so glyphs do not look further
// apart than those two columns. The blank's cell is its advance less one.
Cell renderCell(FT_Face face, unsigned char c, int rows, int baseline) {
    FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int advance = static_cast<int>((g->advance.x + 32) >> 6);
    const int bw = static_cast<int>(bm.width);
    auto columnMax = [&](int x) {
        int m = 0;
        for (unsigned r = 0; r < bm.rows; ++r) m = std::max<int>(m, bm.buffer[r * bm.pitch + x]);
        return m;
    };
    constexpr int kFaint = 48;
    int first = 0, last = bw - 1;
    while (first <= last && columnMax(first) < kFaint) ++first;
    while (last >= first && columnMax(last) < kFaint) --last;
    Cell cell;
    if (first > last) {                         // no ink: the blank
        cell.width = std::max(1, advance - 1);  // a little wider: ink cells have no bearings
        cell.coverage.assign(static_cast<std::size_t>(rows) * cell.width, 0);
        return cell;
    }
    cell.width = last - first + 1;
    cell.coverage.assign(static_cast<std::size_t>(rows) * cell.width, 0);
    for (unsigned r = 0; r < bm.rows; ++r) {
        const int y = baseline - g->bitmap_top + static_cast<int>(r);
        if (y < 0 || y >= rows) continue;  // the pixel size is chosen so that nothing is cut
        for (int x = first; x <= last; ++x)
            cell.coverage[static_cast<std::size_t>(y) * cell.width + (x - first)] = bm.buffer[r * bm.pitch + x];
    }
    return cell;
}

// The vertical extent of every printable character of a face at a size.
void extent(FT_Face face, int pixels, int* ascent, int* descent) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
    *ascent = *descent = 0;
    for (int c = 33; c < 127; ++c) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) continue;
        const FT_GlyphSlot g = face->glyph;
        *ascent = std::max(*ascent, g->bitmap_top);
        *descent = std::max(*descent, static_cast<int>(g->bitmap.rows) - g->bitmap_top);
    }
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Reads the written files back and checks them as the program's scan sees them.
bool verify(const std::string& dir, const std::string& order) {
    Image sheet;
    PictureRecord picture;
    if (!loadPNG((dir + "/text1i.dat").c_str(), &picture).empty()) return fail("cannot read the sheet back");
    sheet.iWidth = picture.width, sheet.iHeight = picture.height, sheet.iPixels24 = std::move(picture.pixels24);
    if (sheet.iWidth == 256) return fail("sheet is 256 wide");
    FontTables tables;
    std::string error = scanFontSheet(sheet, glyphOrderFrom(readText(dir + "/text1d.dat")), &tables);
    if (!error.empty()) return fail("scan: " + error);
    for (int f = 0; f < kFontCount; ++f) {
        const int expected = kBands[f].big ? kBigFontHeight : kSmallFontHeight;
        for (unsigned char c : order) {
            const GlyphBox& b = tables.glyph[f][c];
            if (b.height != expected || b.width < 2)
                return fail("face " + std::to_string(f) + " char " + std::to_string(c) + " has a wrong box");
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fontgen <output folder> [<DejaVu folder>] [<licence file>]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string fontDir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
    const std::string licence = argc > 3 ? argv[3] : "/usr/share/doc/fonts-dejavu-core/copyright";
    std::error_code ec;
    std::filesystem::create_directories(out, ec);

    std::string order;
    for (int c = 32; c < 127; ++c) order += static_cast<char>(c);

    FT_Library library;
    if (FT_Init_FreeType(&library)) return fail("FreeType did not start"), 1;
    std::vector<FT_Face> faces(kFontCount);
    for (int f = 0; f < kFontCount; ++f)
        if (FT_New_Face(library, (fontDir + "/" + kBands[f].file).c_str(), 0, &faces[f]))
            return fail("cannot open " + fontDir + "/" + kBands[f].file), 1;

    // Per size the largest pixel size at which every glyph of all four
    // styles fits the band, and a baseline shared by the four.
    int pixels[2] = {0, 0}, baseline[2] = {0, 0};
    for (int big = 0; big < 2; ++big) {
        const int rows = bandRows(big);
        for (int px = 6; px <= 40; ++px) {
            int asc = 0, desc = 0;
            for (int f = 0; f < kFontCount; ++f) {
                if (kBands[f].big != bool(big)) continue;
                int a, d;
                extent(faces[f], px, &a, &d);
                asc = std::max(asc, a), desc = std::max(desc, d);
            }
            if (asc + desc > rows) break;
            pixels[big] = px;
            baseline[big] = asc + (rows - asc - desc) / 2;
        }
        if (!pixels[big]) return fail("no pixel size fits"), 1;
        std::printf("%s faces: %d px, baseline at row %d of %d\n", big ? "big" : "small", pixels[big], baseline[big],
                    rows);
    }

    // Cells of every band, then the sheet.
    std::vector<std::vector<Cell>> cells(kFontCount);
    int width = 0;
    for (int f = 0; f < kFontCount; ++f) {
        const bool big = kBands[f].big;
        FT_Set_Pixel_Sizes(faces[f], 0, static_cast<FT_UInt>(pixels[big]));
        int x = 1;  // one blank column before the first glyph
        for (unsigned char c : order) {
            cells[f].push_back(renderCell(faces[f], c, bandRows(big), baseline[big]));
            x += cells[f].back().width + 2;
        }
        width = std::max(width, x);
    }
    if (width == 256) ++width;
    int height = 0;
    for (const Band& b : kBands) height += bandRows(b.big) + 1;

    Image sheet;
    sheet.iWidth = width, sheet.iHeight = height;
    sheet.iPixels24.assign(static_cast<std::size_t>(width) * height * 3, 255);
    auto put = [&](int x, int y, const uint8_t* rgb) {
        std::copy(rgb, rgb + 3, &sheet.iPixels24[(static_cast<std::size_t>(y) * width + x) * 3]);
    };
    int top = 0;
    for (int f = 0; f < kFontCount; ++f) {
        const int rows = bandRows(kBands[f].big);
        int x = 1;
        for (std::size_t i = 0; i < cells[f].size(); ++i) {
            const Cell& cell = cells[f][i];
            for (int cx = 0; cx < cell.width; ++cx) {
                bool inked = false;
                for (int r = 0; r < rows; ++r) {
                    const uint8_t v = cell.coverage[static_cast<std::size_t>(r) * cell.width + cx];
                    if (!v) continue;
                    const uint8_t grey[3] = {uint8_t(255 - v), uint8_t(255 - v), uint8_t(255 - v)};
                    put(x + cx, top + r, grey);
                    inked = true;
                }
                if (!inked) put(x + cx, top, kMarker);  // the column belongs to the glyph
            }
            if (i == 0)  // every row of the band holds ink
                for (int r = 0; r < rows; ++r)
                    if (sheet.iPixels24[(static_cast<std::size_t>(top + r) * width + x) * 3] == 255)
                        put(x, top + r, kMarker);
            x += cell.width + 2;
        }
        top += rows + 1;  // the white row after the band
    }

    const std::string sheetPath = out + "/text1i.dat";
    std::string error = savePNG(sheetPath.c_str(), sheet.saveRecord(), 0);
    if (!error.empty()) return fail("cannot write " + sheetPath + ": " + error), 1;
    std::ofstream(out + "/text1d.dat", std::ios::binary) << order << "\n";
    const std::string notice = readText(licence);
    if (notice.empty()) return fail("cannot read the licence " + licence), 1;
    std::ofstream(out + "/LICENSE-DejaVu.txt", std::ios::binary)
        << "The program's bitmap font (text1i.dat) is rendered from the DejaVu Sans\n"
           "typefaces (Book, Bold, Oblique, Bold Oblique) under the licence below.\n\n"
        << notice;

    for (FT_Face face : faces) FT_Done_Face(face);
    FT_Done_FreeType(library);
    std::printf("wrote %s (%d x %d) and text1d.dat (%zu glyphs)\n", sheetPath.c_str(), width, height, order.size());
    return verify(out, order) ? 0 : 1;
}
