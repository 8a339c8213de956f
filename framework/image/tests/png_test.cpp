// The PNG writer's choices checked with libpng itself, round trips through
// the reader, grey and palette files of every depth, and the failures.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>

#include "framework/image/png.h"
#include "framework/image/tests/fixtures.h"

using namespace image_test;

namespace {

// A picture in the record's forms, kept alive beside its save record.
struct Source {
    int width = 0, height = 0;
    Bytes pixels8, palette, pixels24, alpha8;
    std::vector<uint16_t> pixels48, alpha16;
    SaveRecord record() const {
        SaveRecord r;
        r.width = width;
        r.height = height;
        if (!pixels8.empty()) r.pixels8 = pixels8.data(), r.palette = palette.data();
        if (!pixels24.empty()) r.pixels24 = pixels24.data();
        if (!pixels48.empty()) r.pixels48 = pixels48.data();
        if (!alpha8.empty()) r.alpha8 = alpha8.data();
        if (!alpha16.empty()) r.alpha16 = alpha16.data();
        return r;
    }
    // The RGBA samples libpng should report at the file's bit depth.
    std::vector<uint16_t> expectedRgba(int bitDepth) const {
        std::vector<uint16_t> out;
        std::size_t n = std::size_t(width) * height;
        for (std::size_t i = 0; i < n; ++i) {
            uint16_t c[4];
            for (int k = 0; k < 3; ++k) {
                if (!pixels48.empty())
                    c[k] = bitDepth == 16 ? pixels48[3 * i + k] : uint16_t(pixels48[3 * i + k] >> 8);
                else {
                    uint8_t v = !pixels8.empty() ? palette[256 * k + pixels8[i]] : pixels24[3 * i + k];
                    c[k] = bitDepth == 16 ? uint16_t(v * 257) : v;
                }
            }
            if (!alpha16.empty())
                c[3] = bitDepth == 16 ? alpha16[i] : uint16_t(alpha16[i] >> 8);
            else if (!alpha8.empty())
                c[3] = bitDepth == 16 ? uint16_t(alpha8[i] * 257) : alpha8[i];
            else
                c[3] = bitDepth == 16 ? 65535 : 255;
            out.insert(out.end(), c, c + 4);
        }
        return out;
    }
};

enum Form { kPalette, kRgb, kRgb48 };
enum AlphaKind { kNoAlpha, kOpaqueAlpha, kOneTransparent, kVaryingAlpha, kVaryingAlpha16 };

Source makeSource(int w, int h, Form form, AlphaKind alpha, uint64_t seed) {
    Rng rng(seed);
    Source s;
    s.width = w, s.height = h;
    std::size_t n = std::size_t(w) * h;
    if (form == kPalette) {
        s.palette.resize(768);
        for (auto& v : s.palette) v = uint8_t(rng.next());
        s.pixels8.resize(n);
        for (auto& v : s.pixels8) v = uint8_t(rng.next());
    } else if (form == kRgb) {
        s.pixels24.resize(n * 3);
        for (auto& v : s.pixels24) v = uint8_t(rng.next());
    } else {
        s.pixels48.resize(n * 3);
        for (auto& v : s.pixels48) v = uint16_t(rng.next());
    }
    if (alpha == kOpaqueAlpha) s.alpha8.assign(n, 255);
    if (alpha == kOneTransparent) s.alpha8.assign(n, 255), s.alpha8[n / 2] = 0;
    if (alpha == kVaryingAlpha) {
        s.alpha8.resize(n);
        for (auto& v : s.alpha8) v = uint8_t(rng.next());
    }
    if (alpha == kVaryingAlpha16) {
        s.alpha16.resize(n);
        for (auto& v : s.alpha16) v = uint16_t(rng.next());
    }
    return s;
}

}  // namespace

TEST(PngWrite, RoundTripTable) {
    testing_support::ProgramFolder folder;
    struct Case {
        const char* name;
        Form form;
        AlphaKind alpha;
        int interlace;
        int colorType, bitDepth;
    } cases[] = {
        {"palette", kPalette, kNoAlpha, 0, PNG_COLOR_TYPE_PALETTE, 8},
        {"palette, all-opaque alpha", kPalette, kOpaqueAlpha, 0, PNG_COLOR_TYPE_PALETTE, 8},
        {"palette, one transparent pixel", kPalette, kOneTransparent, 0, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGB", kRgb, kNoAlpha, 0, PNG_COLOR_TYPE_RGB, 8},
        {"RGB, all-opaque alpha", kRgb, kOpaqueAlpha, 0, PNG_COLOR_TYPE_RGB, 8},
        {"RGBA", kRgb, kVaryingAlpha, 0, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGB with 16-bit alpha", kRgb, kVaryingAlpha16, 0, PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"48-bit", kRgb48, kNoAlpha, 0, PNG_COLOR_TYPE_RGB, 16},
        {"48-bit, 8-bit alpha", kRgb48, kVaryingAlpha, 0, PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"48-bit, 16-bit alpha", kRgb48, kVaryingAlpha16, 0, PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"interlaced palette", kPalette, kNoAlpha, 1, PNG_COLOR_TYPE_PALETTE, 8},
        {"interlaced RGBA", kRgb, kVaryingAlpha, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"interlaced 48-bit", kRgb48, kNoAlpha, 1, PNG_COLOR_TYPE_RGB, 16},
    };
    uint64_t seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Source s = makeSource(37, 23, c.form, c.alpha, seed++);
        ASSERT_EQ(writePngFile("t.png", s.record(), c.interlace), "");
        PngFacts f = pngFacts("t.png");
        EXPECT_EQ(f.width, 37);
        EXPECT_EQ(f.height, 23);
        EXPECT_EQ(f.colorType, c.colorType);
        EXPECT_EQ(f.bitDepth, c.bitDepth);
        EXPECT_EQ(f.interlace, c.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE);
        if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_EQ(f.paletteEntries, 256);
        }
        EXPECT_EQ(f.rgba, s.expectedRgba(c.bitDepth));

        // Our reader gives the form that was written.
        PictureRecord back;
        ASSERT_EQ(loadPngFile("t.png", &back), "");
        EXPECT_EQ(back.formatName, "PNG");
        EXPECT_EQ(back.width, 37);
        EXPECT_EQ(back.height, 23);
        if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_EQ(back.depth, 8);
            EXPECT_EQ(back.pixels8, s.pixels8);
            EXPECT_EQ(back.palette, s.palette);
        } else if (c.bitDepth == 8) {
            EXPECT_EQ(back.depth, 24);
            ASSERT_EQ(back.pixels24.size(), 37u * 23 * 3);
            if (c.form == kRgb) {
                EXPECT_EQ(back.pixels24, s.pixels24);
            }
            if (c.colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
                ASSERT_EQ(back.alpha8.size(), 37u * 23);
                if (!s.alpha8.empty()) {
                    EXPECT_EQ(back.alpha8, s.alpha8);
                }
            } else {
                EXPECT_TRUE(back.alpha8.empty());
            }
        } else {
            EXPECT_EQ(back.depth, 48);
            if (c.form == kRgb48) {
                EXPECT_EQ(back.pixels48, s.pixels48);
            }
            if (!s.alpha16.empty()) {
                EXPECT_EQ(back.alpha16, s.alpha16);
            }
        }
    }
}

TEST(PngRead, GreyAndPaletteFilesOfEveryDepth) {
    testing_support::ProgramFolder folder;
    const int w = 9, h = 3;
    struct Case {
        const char* name;
        int colorType, bitDepth;
        int depth;  // of the picture read
    } cases[] = {
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1, 8},
        {"grey 2", PNG_COLOR_TYPE_GRAY, 2, 8},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4, 8},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, 8},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, 48},
        {"grey+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 24},
        {"grey+alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, 48},
        {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, 8},
        {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, 8},
        {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, 8},
        {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool hasAlpha = c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
        const int maxValue = (1 << c.bitDepth) - 1;
        // Sample values per pixel: a ramp over the depth's range; alpha falls.
        std::vector<int> value(w * h), alpha(w * h);
        for (int i = 0; i < w * h; ++i) value[i] = i * 7919 % (maxValue + 1), alpha[i] = maxValue - i;
        const int channels = hasAlpha ? 2 : 1;
        std::size_t rowBytes = (std::size_t(w) * channels * c.bitDepth + 7) / 8;
        Bytes rows(rowBytes * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int ch = 0; ch < channels; ++ch) {
                    int v = ch == 0 ? value[y * w + x] : alpha[y * w + x];
                    std::size_t bit = (std::size_t(x) * channels + ch) * c.bitDepth;
                    uint8_t* row = rows.data() + rowBytes * y;
                    if (c.bitDepth == 16) {
                        row[bit / 8] = uint8_t(v >> 8), row[bit / 8 + 1] = uint8_t(v);
                    } else {
                        row[bit / 8] |= uint8_t(v << (8 - c.bitDepth - bit % 8));
                    }
                }
        int entries = c.colorType == PNG_COLOR_TYPE_PALETTE ? maxValue + 1 : 0;
        writeRawPng("g.png", w, h, c.colorType, c.bitDepth, rows, entries);

        PictureRecord back;
        ASSERT_EQ(loadPngFile("g.png", &back), "");
        EXPECT_EQ(back.depth, c.depth);
        for (int i = 0; i < w * h; ++i) {
            SCOPED_TRACE(i);
            if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
                ASSERT_EQ(back.pixels8.size(), std::size_t(w * h));
                EXPECT_EQ(back.pixels8[i], value[i]);
                // The fixture's palette: entry k = (255 - k, 3k, 7k).
                uint8_t k = back.pixels8[i];
                EXPECT_EQ(back.palette[k], uint8_t(255 - k));
                EXPECT_EQ(back.palette[512 + k], uint8_t(k * 7));
            } else if (c.depth == 8) {
                ASSERT_EQ(back.pixels8.size(), std::size_t(w * h));
                int grey = value[i] * 255 / maxValue;  // widened to 8 bits
                EXPECT_EQ(back.pixels8[i], grey);
                EXPECT_EQ(back.palette[back.pixels8[i]], grey);  // a grey ramp
                EXPECT_EQ(back.palette[512 + back.pixels8[i]], grey);
            } else if (c.depth == 24) {
                ASSERT_EQ(back.pixels24.size(), std::size_t(w * h * 3));
                for (int k = 0; k < 3; ++k) EXPECT_EQ(back.pixels24[3 * i + k], value[i]);
                EXPECT_EQ(back.alpha8[i], alpha[i]);
            } else {
                ASSERT_EQ(back.pixels48.size(), std::size_t(w * h * 3));
                for (int k = 0; k < 3; ++k) EXPECT_EQ(back.pixels48[3 * i + k], value[i]);
                if (hasAlpha) {
                    EXPECT_EQ(back.alpha16[i], alpha[i]);
                }
            }
        }
    }
}

TEST(PngReadWrite, PicturesTallerThanTheOldRowTables) {
    testing_support::ProgramFolder folder;
    Source s = makeSource(2, 5000, kRgb, kNoAlpha, 7);
    ASSERT_EQ(savePNG("tall.png", s.record(), 0), "");
    PictureRecord back;
    ASSERT_EQ(loadPNG("tall.png", &back), "");
    EXPECT_EQ(back.height, 5000);
    EXPECT_EQ(back.pixels24, s.pixels24);
}

TEST(PngRead, FailuresGiveTheirTextsAndNoPixels) {
    testing_support::ProgramFolder folder;
    Source s = makeSource(20, 20, kRgb, kNoAlpha, 3);
    ASSERT_EQ(savePNG("good.png", s.record(), 0), "");
    Bytes good = readFile("good.png");
    writeFile("truncated.png", Bytes(good.begin(), good.begin() + good.size() / 2));
    writeFile("garbage.png", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Bytes huge = pngWithHeader(20000, 20000, 8, 2);
    putChunk(&huge, "IEND", {});
    writeFile("huge.png", huge);
    Bytes noData = pngWithHeader(4, 4, 8, 2);
    putChunk(&noData, "IEND", {});
    writeFile("nodata.png", noData);

    struct Case {
        const char* file;
        std::string error;
    } cases[] = {{"missing.png", "Can not access file"},
                 {"truncated.png", "Could not read file"},
                 {"garbage.png", "Could not read file"},
                 {"huge.png", "Could not read file"},
                 {"nodata.png", "Could not read file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PictureRecord back;
        EXPECT_EQ(loadPngFile(c.file, &back), c.error);
        EXPECT_EQ(back.formatName, "PNG");
        EXPECT_TRUE(back.pixels8.empty() && back.pixels24.empty() && back.pixels48.empty());
    }
    PictureRecord none;
    EXPECT_EQ(loadPNG("missing.png", &none), "Could not open file");
}

TEST(PngWrite, Failures) {
    testing_support::ProgramFolder folder;
    Source s = makeSource(4, 4, kRgb, kNoAlpha, 3);
    EXPECT_EQ(savePNG("no/such/dir/x.png", s.record(), 0), "Could not open file.");
    EXPECT_EQ(savePNG("x.png", SaveRecord{}, 0), "PNG Creation failure");
    FILE* probe = std::fopen("/dev/full", "w");
    if (probe) {
        std::fclose(probe);
        Source big = makeSource(200, 200, kRgb, kNoAlpha, 4);
        EXPECT_EQ(savePNG("/dev/full", big.record(), 0), "PNG Creation failure");
    }
}
