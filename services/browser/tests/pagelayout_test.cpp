// The HTML subset of the page viewer, window-free: what each tag and
// entity does to the pen, the faces and the colours, where the subset
// breaks off, how text is cut into words, pictures on the page, and the
// hit rectangles of links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/browser/pagelayout.h"
#include "services/browser/tests/browser_support.h"

using namespace browser_testing;

namespace {

constexpr int kLine = 12;  // the small face's line height

struct ParserTest : ::testing::Test {
    BrowserFolder env;
    PageLayout layout;
    int w(const std::string& s, int face = 3) { return textWidth(face, s); }
};

// The tags that reach a face 0-7 from the default face 3.
const char* const kReachFace[8] = {"<!BIG><B>", "<B>", "<!BIG>", "", "<!BIG><B><I>", "<B><I>", "<!BIG><I>", "<I>"};

TEST_F(ParserTest, FacesAfterBoldAndItalicFromEveryFace) {
    struct Case {
        const char* tag;
        int after[8];
    };
    const Case cases[] = {
        {"<B>", {0, 1, 0, 1, 4, 5, 4, 5}},  {"</B>", {2, 3, 2, 3, 6, 7, 6, 7}}, {"<I>", {4, 5, 6, 7, 4, 5, 6, 7}},
        {"</I>", {0, 1, 2, 3, 0, 1, 2, 3}}, {"<b>", {0, 1, 0, 1, 4, 5, 4, 5}},  // tags are compared without case
    };
    for (int from = 0; from < 8; ++from) {
        measure(layout, kReachFace[from]);
        ASSERT_EQ(layout.face(), from) << kReachFace[from];
        for (const Case& c : cases) {
            measure(layout, std::string(kReachFace[from]) + c.tag);
            EXPECT_EQ(layout.face(), c.after[from]) << "from " << from << " by " << c.tag;
        }
    }
    measure(layout, "<!BIG>");
    EXPECT_EQ(layout.lineHeight(), 14);
    measure(layout, "<!BIG><!SMALL>");
    EXPECT_EQ(layout.lineHeight(), 12);
    EXPECT_EQ(layout.face(), 3);
    measure(layout, "<!big>");  // the private tags are case-sensitive
    EXPECT_EQ(layout.face(), 3);
}

TEST_F(ParserTest, TagsThatLeaveThePenAlone) {
    const char* const tags[] = {
        "</TABLE>",
        "</TR>",
        "</TD>",
        "<META name=x content=y>",
        "<!-- note -->",
        "</P>",
        "</BODY>",
        "<HTML>",
        "<html>",
        "<CENTER>",
        "</CENTER>",
        "</DIV>",
        "</HTML>",
        "<DIV class=\"x\">",
        "</FONT>",
        "<U>",
        "</U>",
        "<HEAD><TITLE>t</TITLE>left out</HEAD>",
        "<TITLE>Page</TITLE>",
    };
    for (const char* tag : tags) {
        measure(layout, std::string(tag) + "a");
        EXPECT_EQ(layout.penX(), 4 + w("a")) << tag;
        EXPECT_EQ(layout.penY(), 4) << tag;
        EXPECT_EQ(layout.face(), 3) << tag;
        EXPECT_FALSE(layout.brokeOff()) << tag;
    }
    const std::pair<const char*, const char*> titles[] = {
        {"<TITLE>Rules of play</TITLE>", "Rules of play"},
        {"<html><head><title>In the head</title></head><body>x", "In the head"},
        {"<HEAD><META x></HEAD><TITLE>After</title>", "After"},
    };
    for (auto [text, title] : titles) {
        measure(layout, text);
        EXPECT_TRUE(layout.hasTitle()) << text;
        EXPECT_EQ(layout.title(), title);
    }
    measure(layout, "<HEAD>no end<TITLE>t</TITLE>");
    EXPECT_EQ(layout.title(), "t");
    measure(layout, "<TITLE>never closed");
    EXPECT_FALSE(layout.hasTitle());
}

TEST_F(ParserTest, TagsThatBreakLines) {
    struct Case {
        const char* text;
        int lines;  // lines moved down before the final "a"
    };
    const Case cases[] = {
        {"<TABLE width=5>a", 1},
        {"x<TD>a", 1},
        {"<TD class=q>a", 1},
        {"<TR>a", 1},
        {"x<BR>a", 1},
        {"<br>a", 1},
        {"<P>a", 1},
        {"x<P>a", 2},
        {"x<p>a", 2},
        {"x<P class=q>a", 2},
        {"x<P><P>a", 3},
        {"x<BR> \r\n a", 1},
    };
    for (const Case& c : cases) {
        measure(layout, c.text);
        EXPECT_EQ(layout.penY(), 4 + c.lines * kLine) << c.text;
        EXPECT_EQ(layout.penX(), 4 + w("a")) << c.text;
    }
}

TEST_F(ParserTest, EntitiesAndTheFullStop) {
    struct Case {
        const char* text;
        int x;
    };
    const Case cases[] = {
        {"a&nbsp;b", 4 + w("a") + 4 + w("b")},
        {"&nbsp;b", 4 + w("b")},  // no blank at the line start
        {"a&amp;b", 4 + w("a&b")},
        {"a&AMP;b", 4 + w("a&b")},
        {"&quot;b&Quot;", 4 + w("\"b\"")},
        {"a. b", 4 + w("a.") + 12 + w("b")},
        {"a.  b", 4 + w("a.") + 12 + w("b")},
        {"a.b", 4 + w("a.b")},
        {"a .b", 4 + w("a") + 4 + w(".b")},
    };
    for (const Case& c : cases) {
        measure(layout, c.text);
        EXPECT_EQ(layout.penX(), c.x) << c.text;
        EXPECT_EQ(layout.penY(), 4) << c.text;
    }
}

TEST_F(ParserTest, UnknownEntityOrTagShowsTheRestAsPlainText) {
    struct Case {
        const char* text;
        int x;
    };
    // The rest, tags included, is flowed as words: "<B>" does not make bold.
    const Case cases[] = {
        {"ab&lt;cd <B>e", 4 + w("ab") + 4 + w("(1)") + 4 + w("BREAK") + 4 + w("ON:&lt;cd") + 4 + w("<B>e")},
        {"<H1>Rules</H1> <B>e", 4 + w("(2)") + 4 + w("BREAK") + 4 + w("ON:<H1>Rules</H1>") + 4 + w("<B>e")},
    };
    for (const Case& c : cases) {
        measure(layout, c.text);
        EXPECT_EQ(layout.penX(), c.x) << c.text;
        EXPECT_EQ(layout.face(), 3) << c.text;
        EXPECT_TRUE(layout.brokeOff()) << c.text;
    }
}

TEST_F(ParserTest, WordsEndAtAnyBlankTabOrLineEnd) {
    const char* const separators[] = {" ", "\t", "\n", "\r\n", "\r", " \t\r\n ", "\n\t"};
    for (const char* sep : separators) {
        const std::string text = std::string("alpha") + sep + "beta" + sep + "gamma";
        measure(layout, text);
        EXPECT_EQ(layout.penX(), 4 + w("alpha") + 4 + w("beta") + 4 + w("gamma")) << testing::PrintToString(text);
    }
    // A narrow page wraps at word ends only.
    measure(layout, "alpha\nbeta", 4 + w("alpha") + 4 + w("beta") + 16);
    EXPECT_EQ(layout.penY(), 4 + kLine);
    EXPECT_EQ(layout.penX(), 4 + w("beta"));
}

TEST_F(ParserTest, AWordLongerThanTheLimitIsPlacedInPieces) {
    const std::string word(2000, 'x');
    measure(layout, word, 300);
    // Four pieces of at most 510 characters, each on a line of its own.
    EXPECT_EQ(layout.penY(), 4 + 3 * kLine);
    EXPECT_EQ(layout.penX(), 4 + w(std::string(2000 - 3 * 510, 'x')));
}

TEST_F(ParserTest, BodyColoursComeFromTheBodyTagOnly) {
    struct Case {
        const char* text;
        Rgb background, textColour, defaultText;
        int face;
    };
    const Case cases[] = {
        {"<BODY bgcolor=\"#102030\" text=#405060>x", {16, 32, 48}, {64, 80, 96}, {64, 80, 96}, 3},
        {"<BODY text=\"#A0b0C0\">x", {255, 255, 255}, {160, 176, 192}, {160, 176, 192}, 3},
        {"<BODY BGCOLOR=#102030>x", {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, 3},  // attribute names as written
        {"<BODY bgcolor=#AB>x", {171, 0, 0}, {0, 0, 0}, {0, 0, 0}, 3},          // the digits stop at the '>'
        {"<BODY>text=#FF0000 x", {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, 3},
        {"<BODY><B>x", {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, 1},  // the next tag is not swallowed
        {"<BODY><FONT color=#00FF00>x", {255, 255, 255}, {0, 255, 0}, {0, 0, 0}, 3},
    };
    for (const Case& c : cases) {
        measure(layout, c.text);
        const int* bg = layout.backgroundColour();
        const int* fg = layout.textColour();
        const int* df = layout.defaultTextColour();
        EXPECT_EQ((Rgb{bg[0], bg[1], bg[2]}), c.background) << c.text;
        EXPECT_EQ((Rgb{fg[0], fg[1], fg[2]}), c.textColour) << c.text;
        EXPECT_EQ((Rgb{df[0], df[1], df[2]}), c.defaultText) << c.text;
        EXPECT_EQ(layout.face(), c.face) << c.text;
    }
    // A line end and a "<P>" right after the body tag are passed over.
    measure(layout, "<BODY bgcolor=#FFFFFF>\n<P>x");
    EXPECT_EQ(layout.penY(), 4);
    measure(layout, "<BODY>\r\n<p>x");
    EXPECT_EQ(layout.penY(), 4);
}

TEST_F(ParserTest, TextColoursOfFontAndLinks) {
    struct Case {
        const char* text;
        Rgb colour;
    };
    const Case cases[] = {
        {"<FONT color=#FF8000>x", {255, 128, 0}},
        {"<FONT color=\"#ff8000\" size=2>x", {255, 128, 0}},
        {"<FONT color=red>x", {0, 0, 0}},
        {"<FONT color=#1FF8000>x", {255, 128, 0}},  // the low 24 bits
        {"<BODY text=#010203><FONT color=#FF8000>x</FONT>", {1, 2, 3}},
        {"<FONT color=#102030><A HREF=x>t", {16, 32, 200}},
        {"<FONT color=#1020F0><A HREF=x>t", {16, 32, 240}},
        {"<FONT color=#102030><A HREF=x>t</A>", {16, 32, 48}},
        {"</A>x", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        measure(layout, c.text);
        const int* fg = layout.textColour();
        EXPECT_EQ((Rgb{fg[0], fg[1], fg[2]}), c.colour) << c.text;
    }
}

TEST_F(ParserTest, UnderlineUnderTextAndBlanksOfUnderlinedTextAndLinks) {
    const int row = 4 + kLine - 2;
    const int blankX = 4 + w("ab") + 1;
    struct Case {
        const char* text;
        bool underlined;
    };
    const Case cases[] = {
        {"ab cd", false},
        {"<U>ab cd</U>", true},
        {"<A HREF=x>ab cd</A>", true},
    };
    for (const Case& c : cases) {
        layOut(layout, c.text);
        const Image& page = layout.pageImage();
        const Rgb ink = c.underlined ? Rgb{0, 0, 200} : Rgb{0, 0, 0};
        const bool link = std::string(c.text).find("<A") != std::string::npos;
        const Rgb expected = c.underlined ? (link ? ink : Rgb{0, 0, 0}) : Rgb{255, 255, 255};
        EXPECT_EQ(pixelAt(page, blankX, row), expected) << c.text << " (blank)";
        EXPECT_EQ(pixelAt(page, 5, row), expected) << c.text << " (glyph)";
    }
}

TEST_F(ParserTest, TagArguments) {
    struct Case {
        const char* tag;
        const char* name;
        bool found;
        const char* value;
    };
    const std::string longValue(300, 'v');
    const std::string longTag = "<A HREF=\"" + longValue + "\">";
    const Case cases[] = {
        {"<IMG SRC=\"board.png\" alt=x>", "SRC=", true, "board.png"},
        {"<img src=board.png>", "SRC=", true, "board.png"},
        {"<A HREF=\"a b.html\">", "HREF=", true, "a"},
        {"<A HREF=x.html\tid=3>", "HREF=", true, "x.html"},
        {"<A NAME=x>", "HREF=", false, ""},
        {"<A HREF=>", "HREF=", true, ""},
        {longTag.c_str(), "HREF=", true, nullptr},
    };
    for (const Case& c : cases) {
        const char* end = c.tag + std::string(c.tag).find('>');
        std::string value = "unset";
        EXPECT_EQ(getTagArg(c.tag, end, c.name, &value), c.found) << c.tag;
        if (c.found && c.value) {
            EXPECT_EQ(value, c.value) << c.tag;
        }
    }
    std::string value;
    ASSERT_TRUE(getTagArg(longTag.c_str(), longTag.c_str() + longTag.size() - 1, "HREF=", &value));
    EXPECT_EQ(value, std::string(255, 'v'));
    // An attribute is looked for in its own tag only.
    const char* text = "<IMG alt=x> SRC=elsewhere.png";
    EXPECT_FALSE(getTagArg(text, text + 10, "SRC=", &value));
}

TEST_F(ParserTest, TagColours) {
    struct Case {
        const char* tag;
        long colour;
    };
    const Case cases[] = {
        {"<FONT color=#FF8000>", 0xFF8000},
        {"<FONT COLOR=\"#00ff00\">", 0x00FF00},
        {"<FONT color=#1FF8000>", 0xFF8000},
        {"<FONT color=#FFFFFFFFFFFFFFFFFFFFFF>", 0xFFFFFF},
        {"<FONT color=#12>", 0x12},
        {"<FONT color=#12zz>", 0x12},
        {"<FONT color=red>", -1},
        {"<FONT color=#>", -1},
        {"<FONT color=#xyz>", -1},
        {"<FONT size=3>", -1},
    };
    for (const Case& c : cases) {
        const char* end = c.tag + std::string(c.tag).find('>');
        EXPECT_EQ(getTagColor(c.tag, end), c.colour) << c.tag;
    }
}

TEST_F(ParserTest, HexDigitsBothWays) {
    const std::pair<char, int> digits[] = {{'0', 0},  {'9', 9}, {'a', 10}, {'f', 15}, {'A', 10},
                                           {'F', 15}, {'g', 0}, {'G', 0},  {' ', 0},  {'#', 0}};
    for (auto [c, v] : digits) EXPECT_EQ(hexDigitValue(c), v) << c;
    const std::pair<unsigned, const char*> bytes[] = {{0, "00"}, {10, "0A"}, {171, "AB"}, {192, "C0"}, {255, "FF"}};
    for (auto [b, text] : bytes) EXPECT_STREQ(byteToHex(b), text);
    // A result stays as it was for the next 31 calls.
    const char* first = byteToHex(0x5E);
    for (int i = 0; i < 31; ++i) byteToHex(unsigned(i));
    EXPECT_STREQ(first, "5E");
}

TEST_F(ParserTest, DocumentNamesStayInsideTheHelpFolders) {
    const std::pair<const char*, bool> names[] = {
        {"index.html", true},           {"pictures/board.png", true}, {"..notes.html", true},   {"", false},
        {"../options_vurn.gkv", false}, {"a/../../b.html", false},    {"a\\..\\b.html", false}, {"..", false},
        {"/etc/passwd", false},         {"\\etc\\passwd", false},     {"C:\\note.txt", false},  {"c:note.txt", false},
    };
    for (auto [name, ok] : names) EXPECT_EQ(isDocumentName(name), ok) << name;
}

// ---------------------------------------------------------------- pictures

struct PictureTest : ParserTest {
    PictureTest() {
        writePicture("system/docs/vurnorvex/red.png", 30, 20, {250, 100, 0});
        writePicture("system/docs/vurnorvex/dim.png", 10, 10, {105, 50, 0});
        writePicture("system/docs/red.png", 30, 20, {250, 100, 0});
    }
};

TEST_F(PictureTest, APictureStandsAtThePenAndTheTextGoesOnBelowIt) {
    layOut(layout, "a<IMG SRC=\"red.png\">b");
    const Image& page = layout.pageImage();
    const int x0 = 4 + w("a");
    EXPECT_EQ(pixelAt(page, x0, 4), (Rgb{250, 100, 0}));
    EXPECT_EQ(pixelAt(page, x0 + 29, 23), (Rgb{250, 100, 0}));
    EXPECT_EQ(pixelAt(page, x0 + 30, 23), (Rgb{255, 255, 255}));
    EXPECT_EQ(layout.penX(), 4 + w("b"));
    EXPECT_EQ(layout.penY(), 4 + 20);
    EXPECT_TRUE(boxHoldsDark(page, 4, 24, w("b"), kLine));  // "b" below the picture
    EXPECT_FALSE(boxHoldsDark(page, 4, 4 + 20 + kLine, 40, 40));
}

TEST_F(PictureTest, PicturesAreClippedToThePageImage) {
    // No horizontal bar: the page is as wide as the canvas, narrower than the picture.
    layOut(layout, "<IMG SRC=red.png><IMG SRC=red.png>", 20, 30, true, true);
    const Image& page = layout.pageImage();
    ASSERT_EQ(page.iWidth, 20);
    EXPECT_EQ(pixelAt(page, 19, 4), (Rgb{250, 100, 0}));
    EXPECT_GE(page.iHeight, 30);
}

TEST_F(PictureTest, APictureNameOutsideTheFolderGivesThePlaceholder) {
    measure(layout, "<IMG SRC=\"../red.png\">");
    EXPECT_EQ(layout.penY(), 4 + 256);
    measure(layout, "<IMG SRC=\"missing.png\">");
    EXPECT_EQ(layout.penY(), 4 + 256);
}

TEST_F(PictureTest, PressedPicturesTurnRedWithoutWrapping) {
    layOut(layout, "<A HREF=x.html><IMG SRC=red.png><IMG SRC=dim.png></A>");
    ASSERT_EQ(layout.links().size(), 1u);
    const int pressed[3] = {155, 0, 0};
    layout.redrawLink(layout.links().front(), pressed, true);
    const Image& page = layout.pageImage();
    EXPECT_EQ(pixelAt(page, 5, 5), (Rgb{255, 100, 0}));  // 250 x 1.3, limited to 255
    EXPECT_EQ(pixelAt(page, 5, 25), (Rgb{136, 50, 0}));  // 105 x 1.3 = 136.5, cut to 136
    const int released[3] = {0, 0, 155};
    layout.redrawLink(layout.links().front(), released, false);
    EXPECT_EQ(pixelAt(page, 5, 5), (Rgb{250, 100, 0}));
}

// ---------------------------------------------------------------- links

TEST_F(ParserTest, ALinkWrappedOverTwoLinesIsHitOnBothSegmentsOnly) {
    const int width = 200;
    layOut(layout, "start <A HREF=\"next.html\">one two three four five six seven eight nine</A><BR>after", width);
    ASSERT_EQ(layout.links().size(), 1u);
    const LinkRecord& link = layout.links().front();
    EXPECT_EQ(link.target, "next.html");
    ASSERT_GE(link.areas.size(), 2u);
    const int startX = 4 + w("start") + 4;
    const int lastLineY = link.areas.back().y1;
    struct Probe {
        int x, y;
        bool hit;
    };
    const Probe probes[] = {
        {startX + 1, 8, true},               // the first segment
        {startX - 3, 8, false},              // before the link on its first line
        {5, 4 + kLine + 4, true},            // the next line starts inside the link
        {width - 20, lastLineY + 4, false},  // after the link on its last line
        {5, lastLineY + kLine + 4, false},   // the line after the link
    };
    for (const Probe& p : probes) EXPECT_EQ(layout.linkAt(p.x, p.y) == &link, p.hit) << p.x << "," << p.y;
}

TEST_F(ParserTest, ALinkEndsOnePixelBeforeThePenAtItsEndTag) {
    layOut(layout, "<A HREF=t.html>x</A>yy");
    const int end = 4 + w("x") - 1;
    EXPECT_NE(layout.linkAt(end, 8), nullptr);
    EXPECT_EQ(layout.linkAt(end + 2, 8), nullptr);
}

TEST_F(ParserTest, ALinkWithoutTextHasNoArea) {
    layOut(layout, "<A HREF=empty.html></A>after");
    ASSERT_EQ(layout.links().size(), 1u);
    EXPECT_TRUE(layout.links().front().areas.empty());
    EXPECT_EQ(layout.linkAt(4, 8), nullptr);
}

TEST_F(ParserTest, ALinkOverMoreThan32LinesKeepsItsFirst32Areas) {
    std::string words;
    for (int i = 0; i < 40; ++i) words += "abcdefgh ";
    layOut(layout, "<A HREF=long.html>" + words + "</A>", 40);
    ASSERT_EQ(layout.links().size(), 1u);
    EXPECT_EQ(layout.links().front().areas.size(), LinkRecord::kMaxAreas);
    EXPECT_NE(layout.linkAt(6, 4 + 9 * kLine + 5), nullptr);
    EXPECT_EQ(layout.linkAt(6, 4 + 35 * kLine + 5), nullptr);
}

TEST_F(ParserTest, PrivateTagsActOnTheNextLinkOnly) {
    struct Case {
        const char* text;
        std::vector<std::pair<int, int>> flags;  // popup, code call; oldest link first
    };
    const Case cases[] = {
        {"<!POPUP><A HREF=a>x</A> <A HREF=b>y</A>", {{1, 0}, {0, 0}}},
        {"<A HREF=a>x</A> <!POPUP><A HREF=b>y</A>", {{0, 0}, {1, 0}}},
        {"<!CODECALL><A HREF=a>x</A> <A HREF=b>y</A>", {{0, 1}, {0, 0}}},
        {"<A HREF=a>x</A> <A HREF=b>y</A><!POPUP>", {{0, 0}, {0, 0}}},  // nothing after it
        {"<!popup><A HREF=a>x</A>", {{0, 0}}},
    };
    for (const Case& c : cases) {
        layOut(layout, c.text);
        ASSERT_EQ(layout.links().size(), c.flags.size()) << c.text;
        for (std::size_t i = 0; i < c.flags.size(); ++i) {
            const LinkRecord& r = layout.links()[c.flags.size() - 1 - i];
            EXPECT_EQ(r.opensNewWindow, c.flags[i].first) << c.text << " link " << i;
            EXPECT_EQ(r.codeCall, c.flags[i].second) << c.text << " link " << i;
        }
    }
}

TEST_F(ParserTest, APressedLinkIsRedrawnInPlaceInThePressedColour) {
    layOut(layout, "see <A HREF=t.html>the rules</A> now");
    const LinkRecord& link = layout.links().front();
    const int x = link.startX, width = w("the");
    const Image& page = layout.pageImage();
    EXPECT_TRUE(boxHolds(page, x, 4, width, kLine, {0, 0, 200}));
    const int pressed[3] = {155, 0, 0};
    layout.redrawLink(link, pressed, true);
    EXPECT_TRUE(boxHolds(page, x, 4, width, kLine, {155, 0, 0}));
    EXPECT_FALSE(boxHolds(page, x, 4, width, kLine, {0, 0, 200}));
    // The text after the link keeps its colour.
    EXPECT_FALSE(boxHolds(page, x + w("the rules") + 8, 4, w("now"), kLine, {155, 0, 0}));
}

TEST_F(ParserTest, ThePageIsAtLeastTheCanvasAndAtLeast600Wide) {
    layOut(layout, "short", 300, 200);
    EXPECT_EQ(layout.imageWidth(), 600);
    EXPECT_EQ(layout.imageHeight(), 200);
    layOut(layout, "short", 300, 200, true, true);
    EXPECT_EQ(layout.imageWidth(), 300);
    // With the vertical bar off and the page shorter than the canvas, the
    // text may use the whole width.
    EXPECT_EQ(layout.rightLimit(), 300);
    layOut(layout, "<BODY bgcolor=#203040>x");
    EXPECT_EQ(pixelAt(layout.pageImage(), 599, 399), (Rgb{32, 48, 64}));
}

TEST_F(ParserTest, ABarlessPageTallerThanItsCanvasShowsItsLastLinesTheFirstTime) {
    // Taller than its canvas, the page is drawn with room for a bar. Its
    // first layout has no earlier page to judge the bar by, yet its image
    // must hold every line the drawing lays out, as a layout after an
    // earlier one does.
    std::string text;
    for (int i = 0; i < 60; ++i) text += "wrap words ";
    text += "<A HREF=end.html>end</A>";
    PageLayout shownBefore;
    layOut(shownBefore, text, 200, 100, true, true);
    layOut(shownBefore, text, 200, 100, true, true);
    layOut(layout, text, 200, 100, true, true);
    ASSERT_EQ(layout.links().size(), 1u);
    EXPECT_LE(layout.links().front().areas.front().y2, layout.imageHeight());
    EXPECT_EQ(layout.rightLimit(), 200 - 16);
    EXPECT_EQ(layout.imageHeight(), shownBefore.imageHeight());
    EXPECT_TRUE(layout.pageImage().iPixels24 == shownBefore.pageImage().iPixels24);
}

}  // namespace
