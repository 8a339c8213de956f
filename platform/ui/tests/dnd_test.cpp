// The uri-list that dragged files travel in, the start distance of a drag
// and the fitting of texts with an end ellipsis; no display needed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/dnd.h"
#include "platform/ui/text.h"

using namespace platform::ui;

namespace {

TEST(UriList, FileUrlsArePercentEncodedWithForwardSlashes) {
    struct Case {
        const char* path;
        const char* url;
    } cases[] = {
        {"/home/anna/boards/level 1.gkv", "file:///home/anna/boards/level%201.gkv"},
        {"/tmp/a%b#c?d", "file:///tmp/a%25b%23c%3Fd"},
        {"/tmp/r\xC3\xA4tsel.png", "file:///tmp/r%C3%A4tsel.png"},
        // Backslashes are separators; a drive path gets the leading slash.
        {"C:\\data\\a.png", "file:///C%3A/data/a.png"},
        {"\\Guest", "file:///Guest"},
        {"relative/x", "file:///relative/x"},
    };
    for (const Case& c : cases) EXPECT_EQ(fileUrlFromPath(c.path), c.url) << c.path;
}

TEST(UriList, BuiltListParsesBackToThePaths) {
    const std::vector<std::string> paths = {"/home/anna/my boards/a.gkv", "/tmp/100%.png", "/x/\xC3\xA9t\xC3\xA9"};
    const std::string list = buildUriList(paths);
    EXPECT_EQ(list.substr(0, 34), "file:///home/anna/my%20boards/a.gk");
    EXPECT_EQ(list.find('\n'), list.find("\r\n") + 1);  // CR LF line ends
    EXPECT_EQ(parseUriList(list), paths);
}

TEST(UriList, ParsingKeepsOnlyLocalFiles) {
    struct Case {
        const char* text;
        std::vector<std::string> paths;
    } cases[] = {
        {"file:///a/b.png\n", {"/a/b.png"}},
        {"file:///a/b.png", {"/a/b.png"}},                              // no line end
        {"# comment\r\nfile:///a\r\n\r\nfile:///b\r\n", {"/a", "/b"}},  // comments and blank lines
        {"file://localhost/etc/x\n", {"/etc/x"}},                       // this machine by name
        {"FILE:///upper\n", {"/upper"}},                                // scheme case
        {"file:/short/form\n", {"/short/form"}},                        // no authority
        {"file://otherhost/etc/x\n", {}},                               // another machine's file
        {"http://example.org/a.png\n", {}},                             // not a file
        {"file://\n", {}},                                              // no path
        {"file:///a%2", {"/a%2"}},                                      // broken escape kept
        {"file:///a%zzb", {"/a%zzb"}},
        {"/already/decoded path\n", {"/already/decoded path"}},  // plain absolute path
        {"not a path\n", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseUriList(c.text), c.paths) << c.text;
}

TEST(DragStart, NeedsMoreThanTheStartDistanceEitherWay) {
    struct Case {
        int dx, dy;
        bool starts;
    } cases[] = {{0, 0, false},
                 {kDragStartDistance, 0, false},
                 {0, -kDragStartDistance, false},
                 {kDragStartDistance + 1, 0, true},
                 {0, -kDragStartDistance - 1, true},
                 {-kDragStartDistance - 1, 2, true}};
    for (const Case& c : cases)
        EXPECT_EQ(dragDistanceReached(100, 50, 100 + c.dx, 50 + c.dy), c.starts) << c.dx << "," << c.dy;
}

// Every character (code point) 5 pixels wide.
struct FiveEach : TextMeasurer {
    int textWidth(const char* text, const Font&) override {
        int n = 0;
        for (const char* p = text; p && *p; ++p)
            if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++n;
        return n * 5;
    }
};

TEST(Ellipsis, CutsAtTheEndToFitTheWidth) {
    FiveEach measurer;
    setTextMeasurer(&measurer);
    const Font font;
    struct Case {
        const char* text;
        int width;
        const char* shown;
    } cases[] = {
        {"Vantrel", 35, "Vantrel"},  // fits exactly
        {"Vantrel", 34, "Van..."},   // 3 letters + 3 dots = 30 <= 34
        {"Vantrel", 30, "Van..."},
        {"Vantrel", 29, "Va..."},
        {"Vantrel", 20, "V..."},
        {"Vantrel", 19, "..."},  // no letter fits before the dots
        {"Vantrel", 10, ".."},
        {"Vantrel", 0, ""},
        {"", 50, ""},
        {nullptr, 50, ""},
        // Whole characters only: the two-byte letters stay whole.
        {"\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC", 25, "\xC3\xA4\xC3\xB6..."},
        // A line end (chat lines carry one) ends what is shown.
        {"joined.\n", 50, "joined."},
        {"one\r\ntwo", 50, "one"},
        {"Vantrel\nx", 30, "Van..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitWithEllipsis(c.text, c.width, font), c.shown) << (c.text ? c.text : "(null)") << " " << c.width;
    setTextMeasurer(nullptr);
}

}  // namespace
