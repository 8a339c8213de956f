// The image record: format detection, loading in its stated order with the
// placeholder and "msg.txt", raw textures, colour conversion and saving.
#include <gtest/gtest.h>

#include <memory>

#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/image/gif.h"
#include "framework/image/image.h"
#include "framework/image/png.h"
#include "framework/image/tests/fixtures.h"
#include "platform/os/files.h"
#include "testing/options_store.h"

using namespace image_test;

namespace {

Bytes smallGif() {
    CodePacker p(2);
    p.codes({4, 0, 1, 2, 3, 3, 2, 1, 0, 5});
    GifBuilder b;
    b.header().screen(4, 2, 2, true).colorTable(2).image(4, 2).data(2, p.bytes()).trailer();
    return b.bytes();
}

void expectPlaceholder(const Image& image) {
    EXPECT_EQ(image.iWidth, 256);
    EXPECT_EQ(image.iHeight, 256);
    ASSERT_EQ(image.iPixels8.size(), 256u * 256);
    ASSERT_EQ(image.iAlpha.size(), 256u * 256);
    EXPECT_TRUE(image.iPixels24.empty());
}

}  // namespace

TEST(DetectFileFormat, TableOfLines) {
    testing_support::ProgramFolder folder;
    struct Case {
        const char* name;
        std::string table;
        Bytes file;
        std::string token, description;
    } cases[] = {
        {"string at 0", "0 string GIF89a GIF GIF image\n", {'G', 'I', 'F', '8', '9', 'a', 0}, "GIF", "GIF image"},
        {"CR LF line ends", "0 string XY T1 first\r\n0 string AB T2 second\r\n", {'A', 'B'}, "T2", "second"},
        {"first match wins", "0 string AB T1 one\n0 string A T2 two\n", {'A', 'B'}, "T1", "one"},
        {"hex short", "0 short 0x8950 PNG png\n", {0x89, 0x50, 0x4E}, "PNG", "png"},
        {"decimal short", "2 short 258 S dec\n", {0, 0, 1, 2}, "S", "dec"},
        {"description loses leading blanks and tabs",
         "0 string A T \t  spaced words  \n",
         {'A'},
         "T",
         "spaced words  "},
        {"negative offset skipped", "-1 string A T1 skip\n0 string A T2 keep\n", {'A'}, "T2", "keep"},
        {"string beyond the bytes read", "0 string GIF89a GIF g\n", {'G', 'I', 'F'}, "", "unknown"},
        {"short beyond the bytes read", "3 short 0x4142 S s\n", {0, 0, 0, 'A'}, "", "unknown"},
        {"short offset above 510", "511 short 0 S s\n", Bytes(600, 0), "", "unknown"},
        {"short offset 510", "510 short 0x0102 S s\n",
         [] {
             Bytes b(600, 0);
             b[510] = 1, b[511] = 2;
             return b;
         }(),
         "S", "s"},
        {"string ending past 512", "510 string ABC S s\n", Bytes(600, 'A'), "", "unknown"},
        {"malformed lines skipped", "hello\n0\n0 string\n0 string A\n\n0 string A T ok\n", {'A'}, "T", "ok"},
        {"unknown type", "0 long 1 L l\n", {0, 0, 0, 1}, "", "unknown"},
        {"last line without a line end", "0 string A T end", {'A'}, "T", "end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("system/mformats", c.table);
        writeFile("f.bin", c.file);
        std::string description;
        EXPECT_EQ(detectFileFormat("f.bin", &description), c.token);
        EXPECT_EQ(description, c.description);
    }
}

TEST(DetectFileFormat, MissingFileOrTable) {
    testing_support::ProgramFolder folder;
    std::string description = "x";
    writeFile("f.bin", {'G', 'I', 'F'});
    EXPECT_EQ(detectFileFormat("f.bin", &description), "");  // no table
    EXPECT_EQ(description, "unknown");
    installFormatTable(folder);
    EXPECT_EQ(detectFileFormat("missing.bin", &description), "");
    folder.write("user/mformats", "0 string GIF USER user copy\n");  // the user's copy wins
    EXPECT_EQ(detectFileFormat("f.bin", &description), "USER");
}

TEST(DetectFileFormat, ShippedTableKnowsGifAndPng) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    struct Case {
        Bytes head;
        std::string token;
    } cases[] = {{{'G', 'I', 'F', '8', '7', 'a'}, "GIF"},
                 {{'G', 'I', 'F', '8', '9', 'a'}, "GIF"},
                 {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "PNG"},
                 {{'G', 'I', 'F', '8', '8', 'a'}, ""},
                 {{'B', 'M'}, ""}};
    for (const Case& c : cases) {
        writeFile("f.bin", c.head);
        EXPECT_EQ(detectFileFormat("f.bin", nullptr), c.token);
    }
}

TEST(ImageLoad, GifGetsAnOpaqueAlphaPlane) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    Bytes gif = smallGif();
    writeFile("a.gif", gif);
    std::unique_ptr<Image, void (*)(Image*)> image(initImage(), deleteImage);
    EXPECT_EQ(image->iQuality, 100);
    ASSERT_EQ(image->loadFile("a.gif"), 1);
    EXPECT_EQ(image->iWidth, 4);
    EXPECT_EQ(image->iHeight, 2);
    EXPECT_EQ(image->iDepth, 2);
    EXPECT_EQ(image->iFileSize, int(gif.size()));
    EXPECT_EQ(image->iPixels8, (Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(image->iAlpha, Bytes(8, 255));
    EXPECT_EQ(image->iFileName, "a.gif");
    EXPECT_FALSE(folder.exists("msg.txt"));
}

TEST(ImageLoad, FailuresWriteMsgTxt) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    CodePacker shortStream(2);
    shortStream.codes({4, 0, 1, 2});
    GifBuilder shortGif;
    shortGif.header().screen(4, 2, 2, true).colorTable(2).image(4, 2).data(2, shortStream.bytes());
    writeFile("short.gif", shortGif.bytes());
    writeFile("text.bin", {'h', 'e', 'l', 'l', 'o'});
    writeFile("bad.gif", {'G', 'I', 'F', '8', '9', 'a', 1});
    writeFile("bad.png", {0x89, 'P', 'N', 'G', 0, 0, 0, 0});

    struct Case {
        const char* file;
        std::string error;
        bool placeholder;
    } cases[] = {{"text.bin", "Unknown file format", true},
                 {"missing.gif", "Unknown file format", true},
                 {"bad.gif", "Invalid image header", true},
                 {"bad.png", "Could not read file", true},
                 {"short.gif", "Image short", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Image image;
        EXPECT_EQ(image.loadFile(c.file), 0);
        EXPECT_EQ(folder.read("msg.txt"), "Load error message: " + c.error + "\n");
        if (c.placeholder) {
            expectPlaceholder(image);
        } else {
            // The pixels decoded so far stay, with the palette, without alpha.
            EXPECT_EQ(image.iPixels8, (Bytes{0, 1, 2, 0, 0, 0, 0, 0}));
            EXPECT_EQ(image.iPalette.size(), 768u);
            EXPECT_TRUE(image.iAlpha.empty());
        }
    }
}

// A small file that claims a picture too large to decode is refused before
// anything is allocated for it, with an "ERROR" line; one within the bound
// fails only for its missing data.
TEST(ImageLoad, PicturesTooLargeOnceDecodedAreRefused) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    folder.write("test.env", "");
    debugLogResetForTests();
    struct Case {
        const char* file;
        Bytes bytes;
        bool tooLarge;
    };
    auto png = [](uint32_t w, uint32_t h, uint8_t depth, uint8_t type) {
        Bytes b = pngWithHeader(w, h, depth, type);
        putChunk(&b, "IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
        putChunk(&b, "IEND", {});
        return b;
    };
    auto gif = [](int w, int h, int flags = 0) {
        GifBuilder b;
        b.header().screen(w, h, 1, true).colorTable(1).image(w, h, flags).data(2, {0x44, 0x01}).trailer();
        return b.bytes();
    };
    const Case cases[] = {
        {"rgba16.png", png(16384, 4096, 16, 6), true},  // 1.1 GB once decoded
        {"grey.png", png(8192, 8192, 8, 0), true},
        {"rgb8.png", png(2048, 2048, 8, 2), false},
        {"wide.gif", gif(16384, 4096), true},
        {"small.gif", gif(2048, 2048), false},
        // 25 million pixels: within the bound as indices and alpha, beyond
        // it with the row buffer an interlaced picture also needs.
        {"plain.gif", gif(5000, 5000), false},
        {"interlaced.gif", gif(5000, 5000, 0x40), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(c.file, c.bytes);
        Image image;
        const bool loaded = image.loadFile(c.file) == 1;
        debugLogResetForTests();
        std::string errors = folder.read("error.txt");
        EXPECT_EQ(errors.find("too large once decoded") != std::string::npos, c.tooLarge) << errors;
        if (c.tooLarge) {
            EXPECT_FALSE(loaded);
            expectPlaceholder(image);
        }
        folder.write("error.txt", "");
    }
}

TEST(ImageLoad, PlaceholderCross) {
    Image image;
    makeXOutImage(&image);
    expectPlaceholder(image);
    auto at = [&](int x, int y) { return int(image.iPixels8[y * 256 + x]); };
    struct Case {
        int x, y, index;
    } cases[] = {{0, 0, 1},     {255, 0, 1},   {0, 255, 1},   {255, 255, 1}, {100, 100, 1}, {155, 100, 1},
                 {102, 100, 1}, {100, 102, 1}, {103, 100, 0}, {100, 103, 0}, {128, 0, 0},   {0, 128, 0},
                 {1, 0, 1},     {2, 0, 1},     {3, 0, 0},     {253, 0, 1},   {252, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(at(c.x, c.y), c.index) << c.x << "," << c.y;
    for (int i = 0; i < 256 * 256; ++i) ASSERT_EQ(image.iAlpha[i], image.iPixels8[i] ? 255 : 0);
    const Bytes& p = image.iPalette;
    EXPECT_EQ((Bytes{p[0], p[256], p[512]}), (Bytes{255, 255, 255}));
    EXPECT_EQ((Bytes{p[1], p[257], p[513]}), (Bytes{64, 64, 64}));
    EXPECT_EQ((Bytes{p[2], p[258], p[514]}), (Bytes{192, 192, 192}));
}

namespace {

Bytes txr(int32_t w, int32_t h, std::size_t pixelBytes) {
    Bytes b;
    for (int32_t v : {w, h, 0}) b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    for (std::size_t i = 0; i < pixelBytes; ++i) b.push_back(uint8_t(i * 3 + 1));
    return b;
}

}  // namespace

TEST(ImageLoad, RawTextures) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    testing_support::OptionsStore store;
    setIntOption("enableHuecraftFeatures", 0);  // the load writes 1 before it tests it
    struct Case {
        const char* file;
        Bytes bytes;
        int width, height;
        std::size_t filled;  // pixels taken from the file; the rest are 0
    } cases[] = {{"a.TXR", txr(3, 2, 6), 3, 2, 6},
                 {"b.txr", txr(0, 2, 3000), 1500, 2, 3000},
                 {"c.Txr", txr(4, 1501, 10), 4, 1500, 10},
                 {"d.TXR", txr(-5, 1, 0), 1500, 1, 0},
                 {"e.TXR", Bytes{7, 0}, 1500, 1500, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(c.file, c.bytes);
        std::remove("msg.txt");
        Image image;
        EXPECT_EQ(image.loadFile(c.file), 1);
        EXPECT_EQ(getIntOption("enableHuecraftFeatures"), 1);
        // The failed format detection was written down before the texture.
        EXPECT_EQ(folder.read("msg.txt"), "Load error message: Unknown file format\n");
        EXPECT_EQ(image.iWidth, c.width);
        EXPECT_EQ(image.iHeight, c.height);
        ASSERT_EQ(image.iPixels8.size(), std::size_t(c.width) * c.height);
        for (std::size_t i = 0; i < image.iPixels8.size(); ++i)
            ASSERT_EQ(image.iPixels8[i], i < c.filled ? uint8_t(i * 3 + 1) : 0) << i;
        ASSERT_EQ(image.iPalette.size(), 768u);
        EXPECT_EQ(image.iPalette[77], 77);
        EXPECT_EQ(image.iPalette[256 + 200], 200);
        EXPECT_EQ(image.iAlpha.size(), image.iPixels8.size());
    }
    // A texture name needs more than its extension.
    writeFile(".TXR", txr(2, 2, 4));
    Image none;
    EXPECT_EQ(none.loadFile(".TXR"), 0);
    expectPlaceholder(none);
}

TEST(ImageLoad, SixteenBitPngKeepsItsPixels) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    std::vector<uint16_t> rgb48 = {0x1234, 0xABCD, 0xFF00, 0x0001, 0x8000, 0x7FFF};
    std::vector<uint16_t> alpha16 = {0xFFFF, 0x80FF};
    SaveRecord r;
    r.width = 2, r.height = 1, r.pixels48 = rgb48.data(), r.alpha16 = alpha16.data();
    ASSERT_EQ(savePNG("d.png", r, 0), "");
    Image image;
    ASSERT_EQ(image.loadFile("d.png"), 1);
    EXPECT_EQ(image.iDepth, 48);
    EXPECT_EQ(image.iPixels48, rgb48);
    EXPECT_EQ(image.iAlpha16, alpha16);
    EXPECT_EQ(image.iAlpha, (Bytes{0xFF, 0x80}));  // from the high bytes
    image.toRGB24();
    EXPECT_EQ(image.iPixels24, (Bytes{0x12, 0xAB, 0xFF, 0x00, 0x80, 0x7F}));
    EXPECT_TRUE(image.iPixels48.empty());
}

TEST(ImageConvert, BetweenTheForms) {
    Image image;
    image.iWidth = 2, image.iHeight = 1;
    image.iPixels8 = {1, 0};
    image.iPalette.assign(768, 0);
    image.iPalette[1] = 10, image.iPalette[257] = 20, image.iPalette[513] = 30;
    image.assure24();
    EXPECT_EQ(image.iPixels24, (Bytes{10, 20, 30, 0, 0, 0}));
    EXPECT_TRUE(image.iPixels8.empty());
    EXPECT_TRUE(image.iPalette.empty());
    image.assure24();  // already 24-bit: nothing changes
    EXPECT_EQ(image.iPixels24.size(), 6u);

    image.convertTo8();
    ASSERT_EQ(image.iPixels8.size(), 2u);
    EXPECT_TRUE(image.iPixels24.empty());
    int i0 = image.iPixels8[0];
    EXPECT_EQ((Bytes{image.iPalette[i0], image.iPalette[256 + i0], image.iPalette[512 + i0]}), (Bytes{10, 20, 30}));
    Bytes before = image.iPixels8;
    image.convertTo8();  // 8-bit only: left alone
    EXPECT_EQ(image.iPixels8, before);

    Image empty;
    empty.toRGB24();
    empty.convertTo8();
    EXPECT_FALSE(empty.hasPixels());
}

TEST(ImageSave, GifFromATrueColourPictureLeavesItTrueColour) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    testing_support::OptionsStore store;
    Image snapshot;
    snapshot.iWidth = 64, snapshot.iHeight = 64;
    Rng rng(5);
    for (int i = 0; i < 64 * 64 * 3; ++i) snapshot.iPixels24.push_back(uint8_t(rng.next()));
    Bytes original = snapshot.iPixels24;

    ASSERT_EQ(snapshot.save("snap.gif", "GIF"), 1);
    EXPECT_EQ(snapshot.iPixels24, original);
    EXPECT_TRUE(snapshot.iPixels8.empty());
    ASSERT_EQ(snapshot.save("snap.png", "PNG"), 1);
    PngFacts f = pngFacts("snap.png");
    EXPECT_EQ(f.colorType, 2);  // RGB, not a palette
    Image back;
    ASSERT_EQ(back.loadFile("snap.png"), 1);
    EXPECT_EQ(back.iPixels24, original);
    Image gif;
    ASSERT_EQ(gif.loadFile("snap.gif"), 1);
    EXPECT_EQ(gif.iWidth, 64);
    EXPECT_EQ(gif.iPixels8.size(), 64u * 64);
}

TEST(ImageSave, PngInterlaceOptionAndFailures) {
    testing_support::ProgramFolder folder;
    testing_support::OptionsStore store;
    Image image;
    image.iWidth = 3, image.iHeight = 3;
    image.iPixels24.assign(27, 9);
    setIntOption("pngInterlace", 1);
    ASSERT_EQ(image.save("i.png", "PNG"), 1);
    EXPECT_EQ(pngFacts("i.png").interlace, 1);
    setIntOption("pngInterlace", 0);
    ASSERT_EQ(image.save("n.png", "PNG"), 1);
    EXPECT_EQ(pngFacts("n.png").interlace, 0);

    EXPECT_EQ(image.save("x.bmp", "BMP"), 0);
    EXPECT_EQ(image.save("no/dir/x.gif", "GIF"), 0);
    Image empty;
    EXPECT_EQ(empty.save("e.png", "PNG"), 0);
    EXPECT_FALSE(folder.exists("e.png"));
}

// A snapshot is written whole or not at all: on a full disk the last one
// stays as it was, in both formats.
TEST(ImageSave, FullDiskKeepsTheLastSnapshot) {
    testing_support::ProgramFolder folder;
    installFormatTable(folder);
    testing_support::OptionsStore store;
    Image image;
    image.iWidth = 40, image.iHeight = 30;
    Rng rng(9);
    for (int i = 0; i < 40 * 30 * 3; ++i) image.iPixels24.push_back(uint8_t(rng.next()));
    for (const char* format : {"PNG", "GIF"}) {
        SCOPED_TRACE(format);
        std::string name = std::string("snapshot.") + format;
        folder.write(name, "the last snapshot");
        platform::redirectReplaceWritesForTests("/dev/full");
        int saved = image.save(name.c_str(), format);
        platform::redirectReplaceWritesForTests(nullptr);
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(folder.read(name), "the last snapshot");
        ASSERT_EQ(image.save(name.c_str(), format), 1);
        Image back;
        EXPECT_EQ(back.loadFile(name.c_str()), 1);
        EXPECT_EQ(back.iWidth, 40);
    }
}

TEST(ImageRecord, ClearAndDelete) {
    Image* image = initImage();
    image->iWidth = 1, image->iHeight = 1;
    image->iPixels24 = {1, 2, 3};
    image->iSubImage[0].reset(initImage());
    image->iSubImage[0]->iPixels8 = {1};
    image->clear();
    EXPECT_FALSE(image->hasPixels());
    EXPECT_FALSE(image->iSubImage[0]);
    deleteImage(image);
    deleteImage(nullptr);
}
