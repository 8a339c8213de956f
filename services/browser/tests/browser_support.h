#pragma once
// Support of the page viewer's tests: a program folder with the shipped
// font, text widths in the font's faces, solid pictures on disk, and pixel
// reads of a page image.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "services/browser/pagelayout.h"
#include "testing/program_folder.h"

namespace browser_testing {

// A program folder holding the font and the format table, font loaded,
// the debug log on when asked for.
struct BrowserFolder {
    explicit BrowserFolder(bool withLog = false) {
        folder.copyFromSource("data/system/mformats", "system/mformats");
        folder.copyFromSource("data/system/fonts", "system/fonts");
        if (withLog) folder.write("test.env", "");
        debugLogResetForTests();
        loadFont();
    }
    ~BrowserFolder() { debugLogResetForTests(); }
    std::string log() const { return folder.read("note.txt"); }
    testing_support::ProgramFolder folder;
};

// How far a text moves the pen in a face.
inline int textWidth(int face, const std::string& text) {
    int w = 0;
    for (unsigned char c : text) w += fontTables().glyph[face][c].width + 1;
    return w;
}

using Rgb = std::array<int, 3>;

// A w x h picture of one colour written as PNG at `path` (relative to the
// program folder).
inline void writePicture(const std::string& path, int w, int h, Rgb colour) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    Image picture;
    picture.iWidth = w;
    picture.iHeight = h;
    picture.iDepth = 24;
    picture.iPixels24.resize(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < picture.iPixels24.size(); ++i) picture.iPixels24[i] = uint8_t(colour[i % 3]);
    // Saved outside "system" (the program writes there only through "user"),
    // then put in place as shipped data.
    const std::string made = "made-" + std::filesystem::path(path).filename().string();
    ASSERT_EQ(picture.save(made.c_str(), "PNG"), 1) << path;
    std::filesystem::rename(made, path);
}

inline Rgb pixelAt(const Image& image, int x, int y) {
    const uint8_t* p = &image.iPixels24[(std::size_t(y) * image.iWidth + x) * 3];
    return {p[0], p[1], p[2]};
}

// True when some pixel of the w x h box at (x, y) has the colour.
inline bool boxHolds(const Image& image, int x, int y, int w, int h, Rgb colour) {
    for (int yy = y; yy < y + h && yy < image.iHeight; ++yy)
        for (int xx = x; xx < x + w && xx < image.iWidth; ++xx)
            if (pixelAt(image, xx, yy) == colour) return true;
    return false;
}

// True when some pixel of the box is dark (ink of black text).
inline bool boxHoldsDark(const Image& image, int x, int y, int w, int h) {
    for (int yy = y; yy < y + h && yy < image.iHeight; ++yy)
        for (int xx = x; xx < x + w && xx < image.iWidth; ++xx) {
            const Rgb p = pixelAt(image, xx, yy);
            if (p[0] < 100 && p[1] < 100 && p[2] < 100) return true;
        }
    return false;
}

// A layout of a canvas size, bars as the windowed viewer has them.
inline void layOut(PageLayout& layout, const std::string& text, int w = 600, int h = 400, bool noH = false,
                   bool noV = false) {
    layout.setView(w, h, noH, noV);
    layout.layOut(text);
}

// Runs one pass over a text without drawing (the measuring pass).
inline void measure(PageLayout& layout, const std::string& text, int w = 600, int h = 400) {
    layout.setView(w, h, false, false);
    layout.reset(false, false);
    layout.parseHtml(text.c_str(), 0);
}

}  // namespace browser_testing

namespace browser_testing {

// A web-browser command that writes each argument it gets on a line of
// its own, "[argument]", into "browser-args.txt" of the program folder.
struct FakeBrowser {
    explicit FakeBrowser(const testing_support::ProgramFolder& folder) : folder(folder) {
        const std::string args = folder.path() + "/browser-args.txt";
        folder.write("fake-browser", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" + args +
                                         ".part\"\nmv \"" + args + ".part\" \"" + args + "\"\n");
        std::filesystem::permissions(folder.path() + "/fake-browser", std::filesystem::perms::owner_all);
        setenv("VURNORVEXI_BROWSER", ("\"" + folder.path() + "/fake-browser\"").c_str(), 1);
    }
    ~FakeBrowser() { unsetenv("VURNORVEXI_BROWSER"); }
    // What the browser got, once it ran (empty after 20 s without it).
    std::string waitForArguments() const {
        for (int i = 0; i < 2000 && !folder.exists("browser-args.txt"); ++i) usleep(10000);
        return folder.read("browser-args.txt");
    }
    const testing_support::ProgramFolder& folder;
};

}  // namespace browser_testing
