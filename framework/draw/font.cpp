#include "framework/draw/font.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/image/image.h"
#include "platform/os/files.h"

namespace {

FontTables tables;
std::unique_ptr<Image> sheet;
bool loaded = false;

const char* const kFontFolder = "system/fonts/";

[[noreturn]] void fontFatal(const char* line) {
    debugLog(line);
    std::exit(1);
}

// The path openDataFile would read: the user's copy when there is one.
std::string readablePath(const char* path) {
    std::string user = userPathFor(path);
    return platform::fileExists(user.c_str()) ? user : std::string(path);
}

bool isInk(const Image& s, int x, int y) {
    return s.iPixels24[(static_cast<std::size_t>(y) * s.iWidth + x) * 3] != 255;
}

}  // namespace

const FontTables& fontTables() { return tables; }
const Image* fontSheet() { return sheet.get(); }

std::string glyphOrderFrom(const std::string& text) {
    std::string order = text.substr(0, 512);
    order = order.substr(0, order.find('\0'));  // the order is a text: a zero byte ends it
    order = order.substr(0, order.find('\n'));
    order = order.substr(0, order.find('\r'));
    return order;
}

std::string scanFontSheet(const Image& s, const std::string& order, FontTables* out) {
    *out = FontTables();
    const int w = s.iWidth, h = s.iHeight;
    if (w <= 0 || h <= 0 || s.iPixels24.size() < static_cast<std::size_t>(w) * h * 3)
        return "the sheet has no 24-bit pixels";
    auto rowInked = [&](int y) {
        for (int x = 0; x < w; ++x)
            if (isInk(s, x, y)) return true;
        return false;
    };
    std::vector<char> columnInked(static_cast<std::size_t>(w));
    int y = 0;
    for (int f = 0; f < kFontCount; ++f) {
        while (y < h && !rowInked(y)) ++y;
        if (y >= h) return "fewer than eight bands";
        const int top = y;
        debugPrintfI("font tl=%d", top);
        while (y < h && rowInked(y)) ++y;
        const int bottom = y;  // the first blank row (or the sheet's end)
        debugPrintfI("font bl=%d", bottom);

        for (int x = 0; x < w; ++x) {
            columnInked[x] = 0;
            for (int r = top; r < bottom && !columnInked[x]; ++r) columnInked[x] = isInk(s, x, r);
        }
        int x = 0;
        for (unsigned char c : order) {
            while (x < w && !columnInked[x]) ++x;
            if (x >= w) return "a band holds fewer glyphs than the order";
            GlyphBox& box = out->glyph[f][c];  // a repeated character keeps its last glyph
            box.left = x;
            box.top = top;
            while (x < w && columnInked[x]) ++x;
            box.width = x - box.left + 1;
            box.height = bottom - top + 1;
        }
    }
    return {};
}

void loadFont() {
    if (loaded) return;
    char path[256];
    std::snprintf(path, sizeof path, "%s%s", kFontFolder, "text1i.dat");
    debugPrintfS("rf %s ", path);
    auto image = std::make_unique<Image>();
    // A sheet 256 wide is the loader's placeholder: nothing was read.
    int ok = image->loadFile(readablePath(path).c_str());
    if (!ok || image->iWidth == 256) fontFatal("ERROR: font i file missing or read error\n");
    debugPrintfII("font %d,%d", image->iWidth, image->iHeight);
    image->toRGB24();

    std::snprintf(path, sizeof path, "%s%s", kFontFolder, "text1d.dat");
    FILE* f = openDataFile(path, "rb");
    if (!f) fontFatal("ERROR: font d file missing\n");
    char text[512];
    std::size_t got = std::fread(text, 1, sizeof text, f);
    std::fclose(f);
    if (got == 0) fontFatal("ERROR: font d read error\n");
    std::string order = glyphOrderFrom(std::string(text, got));

    FontTables scanned;
    std::string error = scanFontSheet(*image, order, &scanned);
    if (!error.empty()) {
        debugPrintfS("font sheet: %s\n", error.c_str());
        fontFatal("ERROR: font i file missing or read error\n");
    }
    tables = scanned;
    sheet = std::move(image);
    loaded = true;
}

void fontResetForTests() {
    tables = FontTables();
    sheet.reset();
    loaded = false;
}

void drawGlyph(TextPen* pen, unsigned char character) { drawGlyph(pen, character, tables, sheet.get()); }

void drawGlyph(TextPen* pen, unsigned char c, const FontTables& t, const Image* s) {
    const int font = std::clamp(pen->iFont, 0, kFontCount - 1);
    const GlyphBox& box = t.glyph[font][c];
    const int w = box.width + 1;
    const int h = box.height;
    if (w < 1) return;
    Image* target = pen->iTarget;
    const bool drawable = target && target->iWidth > 0 && target->iHeight > 0 &&
                          target->iPixels24.size() >= static_cast<std::size_t>(target->iWidth) * target->iHeight * 3;
    if (pen->iMeasureOnly || h <= 0 || !drawable) {
        pen->iX += w;
        return;
    }

    int ink[3], paper[3];
    for (int k = 0; k < 3; ++k)
        ink[k] = std::clamp(pen->iInk[k], 0, 255), paper[k] = std::clamp(pen->iPaper[k], 0, 255);
    const bool haveSheet = s && s->iPixels24.size() >= static_cast<std::size_t>(s->iWidth) * s->iHeight * 3;
    const bool underline = pen->iUnderline || pen->iUnderline2;
    const int tw = target->iWidth, th = target->iHeight;

    for (int row = 0; row < h; ++row) {
        const int ty = pen->iY + row;
        if (ty < 0 || ty >= th) continue;
        const int sy = box.top + row;
        uint8_t* out = &target->iPixels24[static_cast<std::size_t>(ty) * tw * 3];
        for (int col = 0; col < w; ++col) {
            const int tx = pen->iX + col;
            if (tx < 0 || tx >= tw) continue;
            uint8_t* p = out + static_cast<std::size_t>(tx) * 3;
            if (underline && row == h - 2) {
                for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(ink[k]);
                continue;
            }
            // Outside the sheet is paper: a box may reach past its last column or row.
            const int sx = box.left + col;
            const uint8_t* sp = nullptr;
            if (haveSheet && sx >= 0 && sx < s->iWidth && sy >= 0 && sy < s->iHeight)
                sp = &s->iPixels24[(static_cast<std::size_t>(sy) * s->iWidth + sx) * 3];
            for (int k = 0; k < 3; ++k) {
                const int a = sp ? sp[k] : 255;  // coverage of paper, 0..255
                const int v = (ink[k] * (255 - a) + paper[k] * a) / 255;
                p[k] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
    pen->iX += w;
}
