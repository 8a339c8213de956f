#pragma once
// PageLayout: the page viewer's window-free half. It runs the program's
// small HTML subset over a page text and lays it out with the bitmap font
// into one 24-bit page image, in two passes: a measuring pass that finds
// the page's extent and a drawing pass into an image of that size. The
// drawing pass also records every link with one hit rectangle per line it
// covers, so a press can be matched to a link and the link redrawn in the
// pressed colour without laying out the page again.
//
// The viewer core (WebBrowserCore) owns one, feeds it the page text and the
// canvas size, and shows the page image through its scroll bars.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "framework/draw/font.h"
#include "framework/image/image.h"

// One clickable rectangle of a link, page coordinates, corners included.
struct LinkArea {
    int x1 = 0, y1 = 0;  // upper left
    int x2 = 0, y2 = 0;  // lower right
    bool contains(int x, int y) const { return x1 <= x && x <= x2 && y1 <= y && y <= y2; }
};

// A link met in the drawing pass: what it leads to and where it stands.
struct LinkRecord {
    static constexpr std::size_t kMaxAreas = 32;

    std::string target;
    std::size_t sourcePosition = 0;  // where its "<A " tag starts in the page text
    int textColour[3] = {0, 0, 0};
    int backgroundColour[3] = {255, 255, 255};
    int face = 3;
    int lineHeight = 12;
    int startX = 0, startY = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // bounding box of the areas
    std::vector<LinkArea> areas;         // at most kMaxAreas; further lines are not clickable
    bool areaOpen = false;               // the last area still waits for its lower right corner
    uint16_t opensNewWindow = 0;
    uint16_t codeCall = 0;
    int blankEndAtTag = -1;  // so a redraw drops the same blanks as the layout did

    const LinkArea* areaAt(int x, int y) const;
};

class PageLayout {
public:
    static constexpr int kMargin = 4;
    static constexpr int kBarSize = 16;
    static constexpr int kStartPageWidth = 600;
    static constexpr int kBlankWidth = 4;
    static constexpr std::size_t kMaxTarget = 255;
    static constexpr std::size_t kMaxTitle = 255;
    static constexpr std::size_t kMaxWord = 510;
    // The page image never grows past these, whatever the page asks for;
    // what lies beyond is clipped.
    static constexpr int kMaxImageWidth = 8192;
    static constexpr int kMaxImageHeight = 32768;
    static constexpr int64_t kMaxImagePixels = int64_t(1) << 24;

    PageLayout() = default;
    PageLayout(const PageLayout&) = delete;
    PageLayout& operator=(const PageLayout&) = delete;

    // The canvas the page is laid out for, and which bars may show.
    void setView(int canvasWidth, int canvasHeight, bool noHorizontalBar, bool noVerticalBar);
    int canvasWidth() const { return iCanvasW; }
    int canvasHeight() const { return iCanvasH; }
    // 16 while the canvas is lower than the page height of the last pass,
    // else 0 when the vertical bar is switched off, else 16.
    int verticalBarWidth() const;
    // 0 when the horizontal bar is switched off, else 16.
    int horizontalBarHeight() const;

    // Lays the text out twice (measure, then draw) into a new page image
    // filled with the background colour the measuring pass ended with.
    void layOut(const std::string& pageText);

    // Layout reset: pen (4, 4), face 3, line height 12, colours black on
    // white, right limit from the canvas, page 600 wide and 0 high, link
    // records freed.
    void reset(bool drawing, bool records);
    // Runs the subset over a zero-ended text (null: the page text). Mode 0
    // lays out; mode 1 redraws a link and stops at its "</A>".
    void parseHtml(const char* text, int mode);
    // Cuts a run into words and places them, a blank after each but the last.
    void flowText(const char* run, std::size_t length);
    void putWord(const char* word, std::size_t length);
    void putSpace(bool forced);
    void newLine();

    // The newest link with an area that holds the page point, or null.
    const LinkRecord* linkAt(int x, int y) const;
    // Draws a link's text (and pictures) again from its tag in the given
    // colour; `pressed` also lights up its pictures' red.
    void redrawLink(const LinkRecord& link, const int colour[3], bool pressed);

    const Image& pageImage() const { return iImage; }
    int imageWidth() const { return iImage.iWidth; }
    int imageHeight() const { return iImage.iHeight; }
    // Newest first.
    const std::deque<LinkRecord>& links() const { return iLinks; }
    const std::string& pageText() const { return iText; }
    // The text of the last "<TITLE>" met, and whether there was one.
    const std::string& title() const { return iTitle; }
    bool hasTitle() const { return iHasTitle; }
    // The last pass met a tag or entity outside the subset and showed the
    // rest as plain text.
    bool brokeOff() const { return iBrokeOff; }

    // The extent laid out by the last pass.
    int pageWidth() const { return iPageW; }
    int pageHeight() const { return iPageH; }
    int penX() const { return iPen.iX; }
    int penY() const { return iPen.iY; }
    int face() const { return iPen.iFont; }
    int lineHeight() const { return iLineHeight; }
    int rightLimit() const { return iRightLimit; }
    const int* textColour() const { return iPen.iInk; }
    const int* backgroundColour() const { return iPen.iPaper; }
    const int* defaultTextColour() const { return iDefaultText; }

private:
    // The subset's tags and entities and what each does (pagelayout.cpp).
    struct Tags;

    void breakOn(const char* label, const char* rest);
    void parseBody(const char* tag, const char* tagEnd);
    // The text from start to end becomes the page's title.
    void setTitle(const char* start, const char* end);
    void openLink(const char* text, const char* tag, const char* tagEnd, int mode);
    void closeLink();
    void placePicture(const char* tagStart, const char* tagEnd);
    void drawCharacter(unsigned char c);
    void growPage(int width, int height);
    void openArea(int x, int y);
    void closeArea(int x, int y);
    void makeImage();

    std::string iText;
    Image iImage;
    TextPen iPen;
    int iCanvasW = 0, iCanvasH = 0;
    bool iNoHBar = false, iNoVBar = false;

    int iLineHeight = 12;
    int iRightLimit = 0;
    int iPageW = kStartPageWidth, iPageH = 0;
    int iDefaultText[3] = {0, 0, 0};
    int iVBarWidth = 0;  // fixed at each reset
    bool iLink = false;
    bool iUnderlineOn = false;
    bool iPressed = false;
    bool iDrawing = false;
    bool iRecords = false;
    std::string iTarget;
    int iSavedColour[3] = {0, 0, 0};
    int iLastBlankEnd = -1;
    bool iPopupNext = false;
    bool iCodeCallNext = false;
    LinkRecord* iCurrentLink = nullptr;  // the link whose areas the pen is opening and closing

    std::deque<LinkRecord> iLinks;  // newest first; a push keeps iCurrentLink valid
    std::string iTitle;
    bool iHasTitle = false;
    bool iBrokeOff = false;
};

// '0'-'9', 'a'-'f' and 'A'-'F' as 0-15, anything else as 0.
int hexDigitValue(char c);
// The two upper-case hexadecimal digits of a byte, in the next of 32
// buffers (a result stays valid for the next 31 calls).
const char* byteToHex(unsigned byte);
// The value of an attribute ("SRC=", "HREF=", "color=") of the tag that
// runs from `tag` to `tagEnd` (its '>' or the end of the text): the name is
// found without case, an opening double quote skipped, the value ends at a
// double quote, blank, tab, LF, CR or the tag's end, at most 255
// characters. False when the tag has no such attribute.
bool getTagArg(const char* tag, const char* tagEnd, const char* name, std::string* value);
// The tag's "color=" as 0xRRGGBB ('#' and hexadecimal digits; only the low
// 24 bits count), or -1.
long getTagColor(const char* tag, const char* tagEnd);
// True for a page or picture name that stays inside the help folders: not
// empty, not absolute, no drive and no ".." part.
bool isDocumentName(const std::string& name);
