// The GIF reader against hand-made files, the writer's byte layout and code
// stream, and both against other encoders and decoders.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/image/gif.h"
#include "framework/image/tests/fixtures.h"

using namespace image_test;

namespace {

Bytes codes(int minCodeSize, std::initializer_list<int> cs) {
    CodePacker p(minCodeSize);
    p.codes(cs);
    return p.bytes();
}

const Bytes kPixels = {0, 1, 2, 3, 3, 2, 1, 0};  // the 4 x 2 picture of most cases
Bytes withEnd() { return codes(2, {4, 0, 1, 2, 3, 3, 2, 1, 0, 5}); }
Bytes withoutEnd() { return codes(2, {4, 0, 1, 2, 3, 3, 2, 1, 0}); }

GifBuilder start(const char* id = "GIF89a", int aspect = 0) {
    GifBuilder b;
    b.header(id).screen(4, 2, 2, true, aspect).colorTable(2);
    return b;
}

// The late-clear stream: the table fills (4096 codes), more codes follow
// at 12 bits without a clear, then a clear and a few more codes.
Bytes fullTableStream(Bytes* pixels) {
    CodePacker p(2);
    p.code(4);
    for (int i = 0; i < 4091 + 10; ++i) p.code(i % 4), pixels->push_back(uint8_t(i % 4));
    p.code(4);
    for (int i = 0; i < 3; ++i) p.code(3 - i), pixels->push_back(uint8_t(3 - i));
    p.code(5);
    return p.bytes();
}

struct DecodeCase {
    const char* name;
    Bytes file;
    std::string error;
    int width = 0, height = 0;
    Bytes pixels;  // checked when not empty
};

std::vector<DecodeCase> decodeCases() {
    std::vector<DecodeCase> cases;
    auto add = [&](const char* name, const GifBuilder& b, std::string error, int w = 0, int h = 0, Bytes pixels = {}) {
        cases.push_back({name, b.bytes(), error, w, h, pixels});
    };

    add("87a", start("GIF87a").image(4, 2).data(2, withEnd()).trailer(), "EOF", 4, 2, kPixels);
    add("89a", start().image(4, 2).data(2, withEnd()).trailer(), "EOF", 4, 2, kPixels);
    add("89a with aspect byte", start("GIF89a", 49).image(4, 2).data(2, withEnd()), "EOF", 4, 2, kPixels);
    add("87a with aspect byte", start("GIF87a", 49).image(4, 2).data(2, withEnd()), "Invalid image header");
    add("extensions before and after the image",
        start()
            .extension(0xF9, {1, 0, 0, 0})
            .extension(0x99, {1, 2, 3})
            .extension(0xFE, Bytes(300, 'c'))
            .image(4, 2)
            .data(2, withoutEnd())
            .extension(0xFF, Bytes(11, 'a'))
            .extension(0x52, {9})
            .trailer(),
        "", 4, 2, kPixels);
    {
        GifBuilder b = start();
        std::size_t at = b.size();
        char text[64];
        std::snprintf(text, sizeof text, "Unknown block type 0x99 at 0x%zx", at);
        add("stray byte before the image", b.raw({0x99}).image(4, 2).data(2, withEnd()), text);
    }
    add("stray byte after the image", start().image(4, 2).data(2, withoutEnd()).raw({0x99, 1, 2}), "", 4, 2, kPixels);
    add("two images give the first",
        start()
            .image(4, 2)
            .data(2, withoutEnd())
            .image(2, 1, 0x81)
            .colorTable(2, 5)
            .data(2, codes(2, {4, 3, 3, 5}))
            .trailer(),
        "", 4, 2, kPixels);
    add("no image", start().trailer(), "Missing image body");
    add("only an extension", start().extension(0xFE, {1, 2}), "Missing image body");
    add("extension running past the end", start().raw({0x21, 0xFE, 40, 1, 2}), "Missing image body");
    add("bad id", GifBuilder().header("GIF88a").screen(4, 2, 2, false).image(4, 2).data(2, withEnd()),
        "Invalid GIF id");
    add("shorter than the id", GifBuilder().raw({'G', 'I', 'F'}), "Invalid GIF id");
    add("empty file", GifBuilder(), "Invalid GIF id");
    add("truncated screen", GifBuilder().header().raw({4, 0, 2}), "Invalid image header");
    add("truncated global table", GifBuilder().header().screen(4, 2, 2, true).raw({1, 2, 3, 4, 5}),
        "Invalid image header");
    add("truncated image descriptor", start().raw({0x2C, 0, 0, 0}), "Invalid image header");
    add("truncated local table", start().image(4, 2, 0x82).raw({1, 2, 3}), "Invalid image header");
    add("file ends before the code size", start().image(4, 2), "Image short");
    {
        Bytes s = withoutEnd();
        GifBuilder b = start().image(4, 2).raw({2, 200});  // a sub-block claiming 200 bytes
        b.raw(Bytes(s.begin(), s.begin() + 2));
        add("truncated sub-block", b, "Image short", 4, 2, {0, 1, 2, 3, 0, 0, 0, 0});
    }
    add("code size 1", start().image(4, 2).data(1, withEnd()), "Garbled data");
    add("code size 9", start().image(4, 2).data(9, withEnd()), "Garbled data");
    add("code beyond the next free code", start().image(4, 2).data(2, codes(2, {4, 0, 7, 5})), "Garbled data");
    add("table code right after a clear", start().image(4, 2).data(2, codes(2, {4, 6, 5})), "Garbled data");
    add("code equal to the next free code", start().image(3, 1).data(2, codes(2, {4, 1, 6, 5})), "EOF", 3, 1,
        {1, 1, 1});
    add("early end code leaves zeros", start().image(4, 2).data(2, codes(2, {4, 2, 1, 5})), "EOF", 4, 2,
        {2, 1, 0, 0, 0, 0, 0, 0});
    add("too few codes", start().image(4, 2).data(2, codes(2, {4, 0, 1, 2})), "Image short", 4, 2,
        {0, 1, 2, 0, 0, 0, 0, 0});
    add("more pixels than the picture", start().image(2, 1).data(2, codes(2, {4, 3, 2, 1, 5})), "EOF", 2, 1, {3, 2});
    add("stream without a clear code", start().image(2, 1).data(2, codes(2, {1, 2, 5})), "EOF", 2, 1, {1, 2});
    add("zero width", start().image(0, 2).data(2, withEnd()), "Invalid image header");
    add("huge picture", start().image(20000, 20000).data(2, withEnd()), "Invalid image header");
    {
        Bytes pixels;
        Bytes s = fullTableStream(&pixels);
        add("full table with a late clear", start().image(int(pixels.size()), 1).data(2, s), "EOF", int(pixels.size()),
            1, pixels);
    }
    // Interlaced: rows arrive in the order 0, 8, 4, 2, 6, 1, 3, 5, 7, 9; the
    // value of each row is its place in that order.
    add("interlaced 10 rows",
        GifBuilder()
            .header()
            .screen(1, 10, 4, true)
            .colorTable(4)
            .image(1, 10, 0x40)
            .data(4, codes(4, {16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 17})),
        "EOF", 1, 10, {0, 5, 3, 6, 2, 7, 4, 8, 1, 9});
    add("interlaced 3 rows skip the empty pass", start().image(2, 3, 0x40).data(2, codes(2, {4, 0, 1, 2, 3, 1, 1, 5})),
        "EOF", 2, 3, {0, 1, 1, 1, 2, 3});
    add("interlaced 5 rows", start().image(1, 5, 0x40).data(2, codes(2, {4, 0, 1, 2, 3, 0, 5})), "EOF", 1, 5,
        {0, 3, 2, 0, 1});
    return cases;
}

}  // namespace

TEST(GifDecode, TableOfFiles) {
    for (const DecodeCase& c : decodeCases()) {
        SCOPED_TRACE(c.name);
        PictureRecord picture;
        std::string error = parseGif(c.file.data(), c.file.size(), &picture);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(picture.formatName, "GIF");
        if (c.width) {
            EXPECT_EQ(picture.width, c.width);
            EXPECT_EQ(picture.height, c.height);
        }
        if (!c.pixels.empty()) {
            EXPECT_EQ(picture.pixels8, c.pixels);
        }
    }
}

TEST(GifDecode, PaletteFromGlobalThenLocalTable) {
    // Global table of 4 entries, a local table of 2 overwriting the first two.
    GifBuilder b = start();
    b.image(4, 2, 0x80).colorTable(1, 100).data(2, withEnd());
    PictureRecord picture;
    EXPECT_EQ(parseGif(b.bytes().data(), b.size(), &picture), "EOF");
    ASSERT_EQ(picture.palette.size(), 768u);
    EXPECT_EQ(picture.depth, 2);
    const uint8_t* p = picture.palette.data();
    EXPECT_EQ((Bytes{p[0], p[256], p[512]}), (Bytes{100, 100, 100}));  // local entry 0
    EXPECT_EQ((Bytes{p[1], p[257], p[513]}), (Bytes{110, 120, 130}));  // local entry 1
    EXPECT_EQ((Bytes{p[2], p[258], p[514]}), (Bytes{20, 40, 60}));     // global entry 2
    EXPECT_EQ(p[4], 0);                                                // beyond the tables: zero
}

TEST(GifRead, FileSizeAndMissingFile) {
    testing_support::ProgramFolder folder;
    GifBuilder b = start().image(4, 2).data(2, withEnd()).trailer();
    writeFile("a.gif", b.bytes());
    PictureRecord picture;
    EXPECT_EQ(readGifFile("a.gif", &picture), "EOF");
    EXPECT_EQ(picture.fileSize, int(b.size()));
    PictureRecord none;
    EXPECT_EQ(readGifFile("missing.gif", &none), "Can not access file");
}

// --- writing ---------------------------------------------------------------

namespace {

struct Picture8 {
    int width, height;
    Bytes pixels, palette;
    SaveRecord record() const {
        SaveRecord r;
        r.width = width;
        r.height = height;
        r.pixels8 = pixels.data();
        r.palette = palette.data();
        return r;
    }
};

Picture8 noise(int width, int height, int colors, uint64_t seed) {
    Rng rng(seed);
    Picture8 p{width, height, Bytes(std::size_t(width) * height), Bytes(768)};
    for (auto& v : p.palette) v = uint8_t(rng.next());
    for (auto& v : p.pixels) v = uint8_t(rng.below(uint32_t(colors)));
    return p;
}

// The picture's RGB triples through its palette.
Bytes rgbOf(const Bytes& pixels, const Bytes& palette) {
    Bytes out;
    for (uint8_t i : pixels) out.insert(out.end(), {palette[i], palette[256 + i], palette[512 + i]});
    return out;
}

}  // namespace

TEST(GifWrite, OnePixelFileLayout) {
    testing_support::ProgramFolder folder;
    Picture8 p = noise(1, 1, 256, 3);
    p.pixels[0] = 0xA5;
    ASSERT_EQ(writeGIF("one.gif", p.record()), "");
    Bytes f = readFile("one.gif");
    ASSERT_EQ(f.size(), 799u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF89a");
    EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 13), (Bytes{1, 0, 1, 0, 0xF7, 0, 0}));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(f[13 + 3 * i], p.palette[i]);
        ASSERT_EQ(f[14 + 3 * i], p.palette[256 + i]);
        ASSERT_EQ(f[15 + 3 * i], p.palette[512 + i]);
    }
    EXPECT_EQ(Bytes(f.begin() + 781, f.begin() + 793), (Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 8, 4}));
    EXPECT_EQ(f[797], 0);
    EXPECT_EQ(f[798], 0x3B);
    std::vector<WalkedCode> cs = walkGifCodes(f);
    ASSERT_EQ(cs.size(), 3u);
    EXPECT_EQ(cs[0].code, 256);
    EXPECT_EQ(cs[1].code, 0xA5);
    EXPECT_EQ(cs[2].code, 257);
}

TEST(GifWrite, NoisePicturesRoundTrip) {
    testing_support::ProgramFolder folder;
    struct Case {
        int width, height, colors;
    } cases[] = {{1, 1, 256},  {3, 7, 2},     {64, 64, 256}, {300, 200, 256},
                 {1000, 3, 4}, {100, 100, 1}, {17, 1, 16},   {509, 1, 3}};
    uint64_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " colours " << c.colors);
        Picture8 p = noise(c.width, c.height, c.colors, seed++);
        ASSERT_EQ(writeGIF("n.gif", p.record()), "");
        PictureRecord back;
        EXPECT_EQ(readGifFile("n.gif", &back), "EOF");
        EXPECT_EQ(back.width, c.width);
        EXPECT_EQ(back.height, c.height);
        EXPECT_EQ(back.pixels8, p.pixels);
        EXPECT_EQ(back.palette, p.palette);
        for (const Bytes& block : {readFile("n.gif")}) {
            // Sub-blocks hold at most 254 bytes.
            std::size_t at = 6 + 7 + 768 + 10 + 1;
            while (block[at] != 0) {
                EXPECT_LE(block[at], 254);
                at += block[at] + 1u;
            }
        }
    }
}

TEST(GifWrite, CodeStreamClearsWhenTheTableIsFull) {
    testing_support::ProgramFolder folder;
    Picture8 p = noise(300, 200, 256, 42);
    ASSERT_EQ(writeGIF("n.gif", p.record()), "");
    std::vector<WalkedCode> cs = walkGifCodes(readFile("n.gif"));
    ASSERT_FALSE(cs.empty());
    EXPECT_EQ(cs.front().code, 256);
    EXPECT_EQ(cs.back().code, 257);
    int clears = 0;
    for (std::size_t i = 1; i < cs.size(); ++i) {
        EXPECT_LE(cs[i].width, 12);
        EXPECT_LE(cs[i].code, cs[i].nextFree);
        if (cs[i].code == 256) {
            ++clears;
            // 3838 codes were added (a decoder holds 4095 after the last
            // ordinary code): the clear follows at once.
            EXPECT_EQ(cs[i].nextFree, 4095) << "clear at code " << i;
        }
        EXPECT_LT(cs[i].nextFree, 4096) << "code " << i;
    }
    EXPECT_GE(clears, 10);
}

TEST(GifWrite, OpenFailureAndEmptyRecord) {
    testing_support::ProgramFolder folder;
    Picture8 p = noise(2, 2, 4, 1);
    EXPECT_EQ(writeGIF("no/such/folder/x.gif", p.record()), "Could not open save file.");
    SaveRecord empty;
    EXPECT_EQ(writeGIF("x.gif", empty), "File i/o error");
    EXPECT_EQ(exportGIF("y.gif", p.record()), "");
}

TEST(GifWrite, FullDeviceReportsIoError) {
    FILE* probe = std::fopen("/dev/full", "w");
    if (!probe) GTEST_SKIP() << "no /dev/full";
    std::fclose(probe);
    Picture8 p = noise(64, 64, 256, 5);
    EXPECT_EQ(writeGIF("/dev/full", p.record()), "File i/o error");
}

// --- other programs --------------------------------------------------------

namespace {

Bytes ppm(int w, int h, const Bytes& rgb) {
    std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    Bytes out(head.begin(), head.end());
    out.insert(out.end(), rgb.begin(), rgb.end());
    return out;
}

}  // namespace

TEST(GifOtherPrograms, FilesOfOtherEncodersReadBack) {
    ASSERT_TRUE(haveTool("convert")) << "ImageMagick is installed by tools/deps.sh";
    ASSERT_TRUE(haveTool("gif2rgb")) << "giflib-tools is installed by tools/deps.sh";
    testing_support::ProgramFolder folder;
    struct Case {
        int width, height, colors;
        bool interlace;
    } cases[] = {{1, 1, 1, false},       {5, 3, 2, false},   {40, 30, 16, true},
                 {200, 150, 256, false}, {33, 9, 200, true}, {7, 4, 5, true}};
    uint64_t seed = 11;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " colours " << c.colors
                                        << (c.interlace ? " interlaced" : ""));
        Picture8 p = noise(c.width, c.height, c.colors, seed++);
        Bytes rgb = rgbOf(p.pixels, p.palette);
        writeFile("in.ppm", ppm(c.width, c.height, rgb));
        writeFile("in.rgb", rgb);
        std::string size = std::to_string(c.width) + " " + std::to_string(c.height);
        ASSERT_EQ(run(std::string("convert in.ppm ") + (c.interlace ? "-interlace GIF " : "") + "im.gif"), 0);
        ASSERT_EQ(run("convert im.gif rgb:im.rgb"), 0);
        ASSERT_EQ(run("gif2rgb -1 -s " + size + " in.rgb > gl.gif"), 0);
        ASSERT_EQ(run("gif2rgb -1 -o gl.rgb gl.gif"), 0);
        for (const char* name : {"im", "gl"}) {
            SCOPED_TRACE(name);
            PictureRecord back;
            std::string error = readGifFile((std::string(name) + ".gif").c_str(), &back);
            EXPECT_TRUE(error.empty() || error == "EOF") << error;
            ASSERT_EQ(back.width, c.width);
            ASSERT_EQ(back.height, c.height);
            EXPECT_EQ(rgbOf(back.pixels8, back.palette), readFile(std::string(name) + ".rgb"));
        }
    }
}

TEST(GifOtherPrograms, OurFilesReadBackElsewhere) {
    ASSERT_TRUE(haveTool("convert"));
    ASSERT_TRUE(haveTool("gif2rgb"));
    testing_support::ProgramFolder folder;
    struct Case {
        int width, height, colors;
    } cases[] = {{1, 1, 256}, {13, 5, 3}, {300, 200, 256}, {100, 100, 1}};
    uint64_t seed = 21;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        Picture8 p = noise(c.width, c.height, c.colors, seed++);
        ASSERT_EQ(writeGIF("ours.gif", p.record()), "");
        ASSERT_EQ(run("convert ours.gif rgb:im.rgb"), 0);
        ASSERT_EQ(run("gif2rgb -1 -o gl.rgb ours.gif"), 0);
        Bytes expected = rgbOf(p.pixels, p.palette);
        EXPECT_EQ(readFile("im.rgb"), expected);
        EXPECT_EQ(readFile("gl.rgb"), expected);
    }
}

// --- long streams ----------------------------------------------------------

namespace {

// A picture of long runs, so that the table's strings grow long.
Picture8 stripes(int width, int height, uint64_t seed) {
    Rng rng(seed);
    Picture8 p{width, height, Bytes(std::size_t(width) * height), Bytes(768)};
    for (auto& v : p.palette) v = uint8_t(rng.next());
    for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = uint8_t(i / 97 % 5);
    return p;
}

// The writer's file split into its head (up to the descriptor's flags),
// its minimum code size and its LZW stream.
struct WrittenGif {
    Bytes head;
    int minCodeSize;
    Bytes stream;
};

WrittenGif written(const Picture8& p) {
    EXPECT_EQ(writeGIF("w.gif", p.record()), "");
    Bytes f = readFile("w.gif");
    WrittenGif w{Bytes(f.begin(), f.begin() + 791), f[791], {}};
    for (std::size_t at = 792; at < f.size() && f[at] != 0; at += f[at] + 1u)
        w.stream.insert(w.stream.end(), f.begin() + at + 1, f.begin() + at + 1 + f[at]);
    return w;
}

// The stream in sub-blocks of the given sizes, taken in turn.
Bytes inBlocks(const WrittenGif& w, const std::vector<int>& sizes, uint8_t flags = 0) {
    Bytes f = w.head;
    if (!f.empty()) f.back() = flags;
    f.push_back(uint8_t(w.minCodeSize));
    for (std::size_t at = 0, k = 0; at < w.stream.size(); ++k) {
        std::size_t n = std::min<std::size_t>(std::size_t(sizes[k % sizes.size()]), w.stream.size() - at);
        f.push_back(uint8_t(n));
        f.insert(f.end(), w.stream.begin() + at, w.stream.begin() + at + n);
        at += n;
    }
    f.push_back(0);
    f.push_back(0x3B);
    return f;
}

// A decoding cut short holds the picture's first pixels and zeros after.
void expectPrefixThenZeros(const Bytes& decoded, const Bytes& original) {
    ASSERT_EQ(decoded.size(), original.size());
    std::size_t m = 0;
    while (m < decoded.size() && decoded[m] == original[m]) ++m;
    for (std::size_t i = m; i < decoded.size(); ++i) ASSERT_EQ(decoded[i], 0) << "pixel " << i << " of " << m;
}

}  // namespace

TEST(GifDecode, LongStreamsInAnyBlocksAndCutAnywhere) {
    testing_support::ProgramFolder folder;
    const Picture8 pictures[] = {noise(97, 61, 256, 7), stripes(211, 40, 8), noise(64, 50, 3, 9)};
    const std::vector<std::vector<int>> splits = {{255}, {1}, {7}, {8, 9, 1, 2, 255, 15, 16, 17}, {254, 3}};
    for (const Picture8& p : pictures) {
        SCOPED_TRACE(testing::Message() << p.width << "x" << p.height);
        const WrittenGif w = written(p);
        for (const std::vector<int>& sizes : splits) {
            SCOPED_TRACE(testing::Message() << "blocks of " << sizes[0] << " first");
            const Bytes f = inBlocks(w, sizes);
            PictureRecord back;
            EXPECT_EQ(parseGif(f.data(), f.size(), &back), "EOF");
            EXPECT_EQ(back.pixels8, p.pixels);
        }
        // The same rows, marked interlaced, land in the interlaced order.
        {
            const Bytes f = inBlocks(w, {255}, 0x40);
            PictureRecord back;
            EXPECT_EQ(parseGif(f.data(), f.size(), &back), "EOF");
            Bytes expected(p.pixels.size());
            int i = 0;
            for (int start : {0, 4, 2, 1})
                for (int row = start; row < p.height; row += (start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2))
                    std::copy_n(p.pixels.begin() + i++ * p.width, p.width, expected.begin() + row * p.width);
            EXPECT_EQ(back.pixels8, expected);
        }
        // Cut after any number of stream bytes (the blocks ended properly),
        // or inside a block (the file simply ends).
        for (std::size_t cut = 1; cut < w.stream.size(); cut += 1 + w.stream.size() / 23) {
            SCOPED_TRACE(testing::Message() << "cut at " << cut);
            GifBuilder b;
            b.raw(Bytes(w.head.begin(), w.head.end()))
                .data(w.minCodeSize, Bytes(w.stream.begin(), w.stream.begin() + cut));
            PictureRecord back;
            EXPECT_EQ(parseGif(b.bytes().data(), b.size(), &back), "Image short");
            expectPrefixThenZeros(back.pixels8, p.pixels);

            const Bytes whole = inBlocks(w, {255});
            const Bytes cutFile(whole.begin(), whole.begin() + 792 + cut);
            PictureRecord back2;
            EXPECT_EQ(parseGif(cutFile.data(), cutFile.size(), &back2), "Image short");
            expectPrefixThenZeros(back2.pixels8, p.pixels);
        }
    }
}

TEST(GifDecode, GarbledCodeLateInALongStreamKeepsWhatCameBefore) {
    // Codes that each repeat the string before and one pixel more (1, 11,
    // 111, ...), a short one again, then a code beyond the table.
    CodePacker p(2);
    p.codes({4, 1});
    Bytes expected(1, 1);
    for (int code = 6; code <= 40; ++code) {
        p.code(code);
        expected.resize(expected.size() + std::size_t(code - 4), 1);
    }
    p.code(6);
    expected.resize(expected.size() + 2, 1);
    p.code(4095);
    GifBuilder b;
    b.header().screen(100, 10, 2, true).colorTable(2).image(100, 10).data(2, p.bytes());
    PictureRecord back;
    EXPECT_EQ(parseGif(b.bytes().data(), b.size(), &back), "Garbled data");
    ASSERT_EQ(expected.size(), 668u);
    expected.resize(1000, 0);
    EXPECT_EQ(back.pixels8, expected);
}
