// Seeded mutations of a few well-formed GIF and PNG files: whatever the
// bytes, the readers end in a result (pixels or an error text) and the
// loaded image is always drawable. Run under the sanitizers, this is where
// reads past a buffer show.
#include <gtest/gtest.h>
#include <zlib.h>

#include "framework/image/gif.h"
#include "framework/image/image.h"
#include "framework/image/png.h"
#include "framework/image/tests/fixtures.h"

using namespace image_test;

namespace {

Bytes mutate(const Bytes& seed, Rng& rng) {
    Bytes b = seed;
    int edits = 1 + int(rng.below(4));
    for (int e = 0; e < edits && !b.empty(); ++e) {
        std::size_t at = rng.below(uint32_t(b.size()));
        switch (rng.below(7)) {
        case 0: b[at] ^= uint8_t(1u << rng.below(8)); break;
        case 1: b[at] = uint8_t(rng.next()); break;
        case 2: {
            static const uint8_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x21, 0x2C, 0x3B};
            b[at] = interesting[rng.below(sizeof interesting)];
            break;
        }
        case 3: b.resize(at); break;
        case 4: b.erase(b.begin() + at, b.begin() + std::min(b.size(), at + 1 + rng.below(16))); break;
        case 5: {
            std::size_t n = std::min<std::size_t>(b.size() - at, 1 + rng.below(32));
            Bytes copy(b.begin() + at, b.begin() + at + n);
            b.insert(b.begin() + rng.below(uint32_t(b.size())), copy.begin(), copy.end());
            break;
        }
        default:
            for (int k = 1 + int(rng.below(8)); k > 0; --k) b.insert(b.begin() + at, uint8_t(rng.next()));
        }
    }
    return b;
}

// Recomputes every chunk's CRC, so a mutation reaches past libpng's checks.
void fixPngCrcs(Bytes& b) {
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        uint32_t n = uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
        if (n > b.size() - at - 12) break;
        uint32_t crc = uint32_t(crc32(0, b.data() + at + 4, uInt(n + 4)));
        std::size_t c = at + 8 + n;
        b[c] = uint8_t(crc >> 24), b[c + 1] = uint8_t(crc >> 16), b[c + 2] = uint8_t(crc >> 8), b[c + 3] = uint8_t(crc);
        at = c + 4;
    }
}

void expectDrawable(const Image& image, int result) {
    ASSERT_TRUE(result == 0 || result == 1);
    ASSERT_TRUE(image.hasPixels());
    std::size_t n = std::size_t(image.iWidth) * image.iHeight;
    ASSERT_GT(n, 0u);
    if (!image.iPixels8.empty()) {
        ASSERT_EQ(image.iPixels8.size(), n);
        ASSERT_EQ(image.iPalette.size(), 768u);
    }
    if (!image.iPixels24.empty()) {
        ASSERT_EQ(image.iPixels24.size(), n * 3);
    }
    if (!image.iPixels48.empty()) {
        ASSERT_EQ(image.iPixels48.size(), n * 3);
    }
    if (!image.iAlpha.empty()) {
        ASSERT_EQ(image.iAlpha.size(), n);
    }
}

Bytes writtenGif(int w, int h, int colors, uint64_t seed) {
    Rng rng(seed);
    Bytes pixels(std::size_t(w) * h), palette(768);
    for (auto& v : pixels) v = uint8_t(rng.below(uint32_t(colors)));
    for (auto& v : palette) v = uint8_t(rng.next());
    SaveRecord r;
    r.width = w, r.height = h, r.pixels8 = pixels.data(), r.palette = palette.data();
    EXPECT_EQ(writeGIF("seed.gif", r), "");
    return readFile("seed.gif");
}

Bytes writtenPng(int w, int h, bool palette, bool alpha, bool sixteen, int interlace, uint64_t seed) {
    Rng rng(seed);
    std::size_t n = std::size_t(w) * h;
    Bytes p8(n), pal(768), p24(n * 3), a8(n);
    std::vector<uint16_t> p48(n * 3);
    for (auto& v : p8) v = uint8_t(rng.below(7));
    for (auto& v : pal) v = uint8_t(rng.next());
    for (auto& v : p24) v = uint8_t(rng.next());
    for (auto& v : p48) v = uint16_t(rng.next());
    for (auto& v : a8) v = uint8_t(rng.next());
    SaveRecord r;
    r.width = w, r.height = h;
    if (palette)
        r.pixels8 = p8.data(), r.palette = pal.data();
    else if (sixteen)
        r.pixels48 = p48.data();
    else
        r.pixels24 = p24.data();
    if (alpha) r.alpha8 = a8.data();
    EXPECT_EQ(savePNG("seed.png", r, interlace), "");
    return readFile("seed.png");
}

}  // namespace

TEST(ImageMutation, GifReaderSurvivesMutatedFiles) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    std::vector<Bytes> seeds = {writtenGif(16, 16, 256, 1), writtenGif(40, 3, 3, 2), writtenGif(1, 1, 2, 3)};
    {
        CodePacker p(3);
        p.codes({8, 0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 10, 12, 9});
        GifBuilder b;
        b.header()
            .screen(3, 5, 3, true)
            .colorTable(3)
            .extension(0xF9, {1, 0, 0, 2})
            .image(3, 5, 0x40 | 0x82)
            .colorTable(3, 9)
            .data(3, p.bytes())
            .extension(0xFE, {'h', 'i'})
            .trailer();
        seeds.push_back(b.bytes());
    }
    Rng rng(20240601);
    for (int i = 0; i < 6000; ++i) {
        const Bytes& seed = seeds[i % seeds.size()];
        Bytes file = mutate(seed, rng);
        PictureRecord picture;
        std::string error = parseGif(file.data(), file.size(), &picture);
        if (!picture.pixels8.empty()) {
            ASSERT_EQ(picture.pixels8.size(), std::size_t(picture.width) * picture.height) << "case " << i;
        }
        if (i % 8 == 0) {
            writeFile("m.gif", file);
            Image image;
            int result = image.loadFile("m.gif");
            expectDrawable(image, result);
            if (HasFatalFailure()) FAIL() << "case " << i << ": " << error;
        }
    }
}

TEST(ImageMutation, PngReaderSurvivesMutatedFiles) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    std::vector<Bytes> seeds = {writtenPng(9, 7, true, false, false, 0, 1), writtenPng(9, 7, false, true, false, 1, 2),
                                writtenPng(5, 6, false, false, true, 0, 3), writtenPng(6, 5, false, true, true, 1, 4)};
    {
        writeRawPng("g4.png", 10, 3, 0, 4,
                    {0x12, 0x34, 0x56, 0x78, 0x9A, 0x12, 0x34, 0x56, 0x78, 0x9A, 0x12, 0x34, 0x56, 0x78, 0x9A});
        seeds.push_back(readFile("g4.png"));
    }
    Rng rng(777);
    for (int i = 0; i < 3000; ++i) {
        Bytes file = mutate(seeds[i % seeds.size()], rng);
        if (rng.below(2)) fixPngCrcs(file);
        writeFile("m.png", file);
        Image image;
        int result = image.loadFile("m.png");
        expectDrawable(image, result);
        if (HasFatalFailure()) FAIL() << "case " << i;
    }
}
