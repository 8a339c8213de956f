// Seeded damage to the font's order file: whatever it holds, the order
// taken from it is a bounded text, and the sheet is either refused with its
// reason or scanned into glyph boxes that all lie on the sheet.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "testing/mutation.h"
#include "testing/program_folder.h"

using testing_support::mutateText;
using testing_support::ProgramFolder;

TEST(FontMutation, DamagedOrderFilesGiveGlyphsOnTheSheetOrAReason) {
    ProgramFolder folder;
    folder.copyFromSource("data/system/mformats", "system/mformats");
    folder.copyFromSource("data/system/fonts", "system/fonts");
    Image sheet;
    ASSERT_EQ(sheet.loadFile("system/fonts/text1i.dat"), 1);
    sheet.toRGB24();
    const std::string shipped = folder.read("system/fonts/text1d.dat");
    std::mt19937 rng(20240613);
    int scanned = 0;
    for (int round = 0; round < 1500 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        const std::string order = glyphOrderFrom(mutateText(shipped, rng, std::string("\r\n\0 aA~", 8)));
        ASSERT_LE(order.size(), 512u);
        ASSERT_EQ(order.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
        FontTables tables;
        const std::string error = scanFontSheet(sheet, order, &tables);
        if (!error.empty()) continue;
        ++scanned;
        for (int f = 0; f < kFontCount; ++f)
            for (unsigned char c : order) {
                const GlyphBox& box = tables.glyph[f][c];
                ASSERT_GE(box.left, 0);
                ASSERT_GE(box.top, 0);
                ASSERT_GE(box.width, 1);
                ASSERT_LE(box.left + box.width - 1, sheet.iWidth) << int(c);
                ASSERT_LE(box.top + box.height - 1, sheet.iHeight) << int(c);
            }
    }
    EXPECT_GT(scanned, 0);  // some damage leaves a usable order
}
