// Snapshots: rows read back bottom first and padded to 4 bytes become an
// upright picture with tight rows, saved as PNG (and GIF in test mode).
#include <gtest/gtest.h>

#include <vector>

#include "framework/app/debuglog.h"
#include "framework/image/image.h"
#include "game/match/snapshot.h"
#include "testing/program_folder.h"

namespace {

// A read-back of width x height pixels whose pixel (x, row) holds the bytes
// x, row, 200 (row 0 the bottom), each row padded with 0xEE.
std::vector<uint8_t> readBack(int width, int height) {
    const int padded = paddedRowBytes(width);
    std::vector<uint8_t> rows(static_cast<std::size_t>(padded * height), 0xEE);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rows.data() + row * padded + 3 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(row);
            p[2] = 200;
        }
    return rows;
}

TEST(Snapshot, RowsAreTightAndUpright) {
    struct Case {
        int width, height, padded;
    } cases[] = {{5, 3, 16}, {4, 2, 12}, {1, 1, 4}, {7, 4, 24}, {8, 1, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(paddedRowBytes(c.width), c.padded);
        std::vector<uint8_t> rows = readBack(c.width, c.height);
        std::unique_ptr<Image> image = snapshotImage(rows.data(), rows.size(), c.width, c.height);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->iWidth, c.width);
        EXPECT_EQ(image->iHeight, c.height);
        ASSERT_EQ(image->iPixels24.size(), static_cast<std::size_t>(3 * c.width * c.height));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* p = image->iPixels24.data() + 3 * (y * c.width + x);
                // The top row of the picture is the last row read back.
                EXPECT_EQ(p[0], x);
                EXPECT_EQ(p[1], c.height - 1 - y);
                EXPECT_EQ(p[2], 200);
            }
    }
    EXPECT_EQ(snapshotImage(nullptr, 48, 5, 3), nullptr);
    std::vector<uint8_t> one = readBack(1, 1);
    EXPECT_EQ(snapshotImage(one.data(), one.size(), 0, 1), nullptr);
    // Fewer bytes than the rows take: no image, and nothing read beyond
    // them. The last row needs no padding.
    struct Short {
        int width, height;
        std::size_t bytes;
        bool made;
    } shorts[] = {{5, 3, 47, true}, {5, 3, 47 - 2, false}, {5, 3, 0, false}, {5, 1, 15, true}, {5, 1, 14, false}};
    for (const Short& s : shorts) {
        SCOPED_TRACE(std::to_string(s.bytes) + " bytes");
        std::vector<uint8_t> rows(s.bytes, 1);
        EXPECT_EQ(snapshotImage(rows.data(), rows.size(), s.width, s.height) != nullptr, s.made);
    }
}

TEST(Snapshot, SavesPngAlwaysAndGifInTestMode) {
    for (bool marker : {false, true}) {
        SCOPED_TRACE(marker ? "test mode" : "normal");
        testing_support::ProgramFolder folder;
        folder.copyFromSource("data/system/mformats", "system/mformats");  // to read the PNG back
        if (marker) folder.write("test.env", "");
        debugLogResetForTests();
        debugLog("settles the test mode\n");
        std::vector<uint8_t> rows = readBack(5, 3);
        std::unique_ptr<Image> image = snapshotImage(rows.data(), rows.size(), 5, 3);
        EXPECT_EQ(saveSnapshot(*image), 1);
        EXPECT_TRUE(folder.exists("snapshot.png"));
        EXPECT_EQ(folder.exists("snapshot.gif"), marker);

        Image back;
        ASSERT_EQ(back.loadFile("snapshot.png"), 1);
        back.assure24();
        EXPECT_EQ(back.iWidth, 5);
        EXPECT_EQ(back.iHeight, 3);
        EXPECT_EQ(back.iPixels24, image->iPixels24);
        debugLogResetForTests();
    }
}

}  // namespace
