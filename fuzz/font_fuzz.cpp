// The font files: an order file against the shipped sheet, or a sheet
// against the shipped order. A sheet is refused with its reason or every
// glyph box of the order lies on it.
#include <cstdint>
#include <string>

#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "fuzz/fuzz_support.h"

namespace {

void checkScan(const Image& sheet, const std::string& order) {
    FontTables tables;
    if (!scanFontSheet(sheet, order, &tables).empty()) return;
    for (int f = 0; f < kFontCount; ++f)
        for (unsigned char c : order) {
            const GlyphBox& b = tables.glyph[f][c];
            FUZZ_CHECK(b.left >= 0 && b.top >= 0 && b.width >= 1 && b.height >= 1);
            FUZZ_CHECK(b.left + b.width - 1 <= sheet.iWidth && b.top + b.height - 1 <= sheet.iHeight);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    static Image shippedSheet;
    static std::string shippedOrder;
    if (shippedSheet.iWidth == 0) {
        fuzz::copyFromSource("data/system/mformats", "system/mformats");
        FUZZ_CHECK(shippedSheet.loadFile(fuzz::sourcePath("data/system/fonts/text1i.dat").c_str()));
        shippedSheet.toRGB24();
        shippedOrder = glyphOrderFrom(fuzz::readFile(fuzz::sourcePath("data/system/fonts/text1d.dat")));
    }
    if (size == 0) return 0;
    if (data[0] % 2 == 0) {
        // An order file.
        const std::string order = glyphOrderFrom(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
        FUZZ_CHECK(order.size() <= 512);
        FUZZ_CHECK(order.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        checkScan(shippedSheet, order);
    } else if (size >= 3) {
        // A small sheet: width and height, then its pixels (grey).
        Image sheet;
        sheet.iWidth = 1 + data[1];
        sheet.iHeight = 1 + data[2];
        const std::size_t count = static_cast<std::size_t>(sheet.iWidth) * sheet.iHeight;
        sheet.iPixels24.assign(count * 3, 255);
        for (std::size_t i = 0; i < count && 3 + i < size; ++i)
            sheet.iPixels24[i * 3] = sheet.iPixels24[i * 3 + 1] = sheet.iPixels24[i * 3 + 2] = data[3 + i];
        checkScan(sheet, shippedOrder);
    }
    return 0;
}
