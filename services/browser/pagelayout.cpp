#include "services/browser/pagelayout.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <strings.h>

#include "framework/app/debuglog.h"
#include "framework/util/bounded.h"

namespace {

constexpr const char* kPictureFolder = "system/docs/vurnorvex/";

bool isWordBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Case-insensitive search of `pattern` in [from, to); null when absent.
const char* findNoCaseIn(const char* from, const char* to, const char* pattern) {
    const std::size_t n = std::strlen(pattern);
    if (n == 0 || to < from || static_cast<std::size_t>(to - from) < n) return nullptr;
    for (const char* p = from; p + n <= to; ++p) {
        std::size_t i = 0;
        while (i < n && std::tolower(static_cast<unsigned char>(p[i])) ==
                            std::tolower(static_cast<unsigned char>(pattern[i])))
            ++i;
        if (i == n) return p;
    }
    return nullptr;
}

// A case-insensitive search for one pattern from positions that only move
// on, as the parser's do: a miss stays a miss and a find serves until it is
// passed, so a page full of unclosed tags is still read in one sweep.
class ForwardSearch {
public:
    ForwardSearch(const char* pattern, const char* end) : iPattern(pattern), iEnd(end) {}
    const char* from(const char* p) {
        if (!iSearched || (iFound && iFound < p)) {
            iFound = findNoCaseIn(p, iEnd, iPattern);
            iSearched = true;
        }
        return iFound;
    }

private:
    const char* iPattern;
    const char* iEnd;
    const char* iFound = nullptr;
    bool iSearched = false;
};


// The face changes of "<B>", "</B>", "<I>" and "</I>": the new face by
// the present one.
struct FaceTag {
    const char* tag;
    std::size_t length;
    int faces[8];
};
constexpr FaceTag kFaceTags[] = {
    {"<B>", 3, {0, 1, 0, 1, 4, 5, 4, 5}},
    {"</B>", 4, {2, 3, 2, 3, 6, 7, 6, 7}},
    {"<I>", 3, {4, 5, 6, 7, 4, 5, 6, 7}},
    {"</I>", 4, {0, 1, 2, 3, 0, 1, 2, 3}},
};

const FaceTag* faceTagAt(const char* p) {
    for (const FaceTag& f : kFaceTags)
        if (strncasecmp(p, f.tag, f.length) == 0) return &f;
    return nullptr;
}

int glyphAdvance(int face, unsigned char c) { return fontTables().glyph[face][c].width + 1; }

void setColour(int* to, const int* from) { std::copy(from, from + 3, to); }

}  // namespace

const LinkArea* LinkRecord::areaAt(int x, int y) const {
    for (const LinkArea& a : areas)
        if (a.contains(x, y)) return &a;
    return nullptr;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

const char* byteToHex(unsigned byte) {
    static char ring[32][3];
    static int next = 0;
    next = (next + 1) % 32;
    static const char digits[] = "0123456789ABCDEF";
    ring[next][0] = digits[(byte >> 4) & 15];
    ring[next][1] = digits[byte & 15];
    ring[next][2] = '\0';
    return ring[next];
}

bool getTagArg(const char* tag, const char* tagEnd, const char* name, std::string* value) {
    const std::string shown(tag, static_cast<std::size_t>(std::min<std::ptrdiff_t>(tagEnd - tag, 255)));
    debugPrintfSS("Req Arg for %s in %s\n", name, shown.c_str());
    const char* at = findNoCaseIn(tag, tagEnd, name);
    if (!at) return false;
    const char* q = at + std::strlen(name);
    if (q < tagEnd && *q == '"') ++q;
    std::string v;
    while (q < tagEnd && v.size() < 255 && !std::strchr("\" \t\n\r", *q)) v += *q++;
    debugPrintfSS("Arg for %s is %s\n", name, v.c_str());
    *value = v;
    return true;
}

long getTagColor(const char* tag, const char* tagEnd) {
    std::string v;
    if (!getTagArg(tag, tagEnd, "color=", &v) || v.size() < 2 || v[0] != '#' ||
        !std::isxdigit(static_cast<unsigned char>(v[1])))
        return -1;
    unsigned long colour = 0;
    for (std::size_t i = 1; i < v.size() && std::isxdigit(static_cast<unsigned char>(v[i])); ++i)
        colour = ((colour << 4) | static_cast<unsigned long>(hexDigitValue(v[i]))) & 0xFFFFFFul;
    return static_cast<long>(colour);
}

bool isDocumentName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// ---------------------------------------------------------------- view

void PageLayout::setView(int canvasWidth, int canvasHeight, bool noHorizontalBar, bool noVerticalBar) {
    iCanvasW = canvasWidth;
    iCanvasH = canvasHeight;
    iNoHBar = noHorizontalBar;
    iNoVBar = noVerticalBar;
}

int PageLayout::verticalBarWidth() const {
    if (iCanvasH < iPageH) return kBarSize;
    return iNoVBar ? 0 : kBarSize;
}

int PageLayout::horizontalBarHeight() const { return iNoHBar ? 0 : kBarSize; }

// ---------------------------------------------------------------- passes

void PageLayout::reset(bool drawing, bool records) {
    iVBarWidth = verticalBarWidth();  // judged by the previous pass's page height
    iPen.iX = iPen.iY = kMargin;
    iPen.iFont = 3;
    iLineHeight = 12;
    iLink = iPressed = iUnderlineOn = false;
    for (int k = 0; k < 3; ++k) iDefaultText[k] = iPen.iInk[k] = 0, iPen.iPaper[k] = 255;
    setColour(iSavedColour, iPen.iInk);
    iRightLimit = iCanvasW - iVBarWidth;
    iPageW = kStartPageWidth;
    iPageH = 0;
    iLinks.clear();
    iCurrentLink = nullptr;
    iDrawing = drawing;
    iRecords = records;
    iLastBlankEnd = -1;
    // A private tag acts on the next link of the same pass only.
    iPopupNext = iCodeCallNext = false;
    iTitle.clear();
    iHasTitle = false;
    iBrokeOff = false;
}

void PageLayout::layOut(const std::string& pageText) {
    iText = pageText;
    // The measuring pass judges the vertical bar by the page before, the
    // drawing pass by the page just measured. Where the two judge it
    // differently (a first page taller than a bar-less canvas), the page is
    // measured again with the drawing pass's bar, or the drawing would wrap
    // to more lines than the image was made for and lose the last ones. A
    // page never grows taller as its text grows wider, so the second pass
    // judges the bar as the first one's page did.
    for (int pass = 0; pass < 2; ++pass) {
        reset(false, false);
        parseHtml(nullptr, 0);
        if (iNoHBar) iPageW = iCanvasW;
        iPageH = std::max(iPageH, iCanvasH);
        if (verticalBarWidth() == iVBarWidth) break;
    }
    makeImage();
    reset(true, true);
    parseHtml(nullptr, 0);
    iRecords = false;
    // The extent the scroll bars and the next pass go by is the image's.
    iPageW = iImage.iWidth;
    iPageH = iImage.iHeight;
}

void PageLayout::makeImage() {
    int w = std::clamp(iPageW, 1, kMaxImageWidth);
    int h = std::clamp(iPageH, 1, kMaxImageHeight);
    if (int64_t(w) * h > kMaxImagePixels) h = static_cast<int>(kMaxImagePixels / w);
    debugPrintfII("create render ik(%d, %d)\n", w, h);
    iImage = Image();
    iImage.iWidth = w;
    iImage.iHeight = h;
    iImage.iDepth = 24;
    const std::size_t n = std::size_t(w) * std::size_t(h);
    iImage.iPixels24.resize(n * 3);
    uint8_t* pixels = iImage.iPixels24.data();
    for (int k = 0; k < 3; ++k) pixels[k] = static_cast<uint8_t>(std::clamp(iPen.iPaper[k], 0, 255));
    // The rest by doubling copies of what is filled.
    for (std::size_t done = 3; done < n * 3; done *= 2) std::memcpy(pixels + done, pixels, std::min(done, n * 3 - done));
    iImage.iAlpha.assign(n, 255);
}

// ---------------------------------------------------------------- parser

bool PageLayout::tagAt(const char* p, const char* tag, std::size_t length, bool caseSensitive) const {
    // The text ends with a zero byte, which differs from every tag character.
    return (caseSensitive ? std::strncmp(p, tag, length) : strncasecmp(p, tag, length)) == 0;
}

void PageLayout::breakOn(const char* label, const char* rest) {
    iBrokeOff = true;
    std::string shown = std::string(label) + rest;
    flowText(shown.data(), shown.size());
}

void PageLayout::parseHtml(const char* text, int mode) {
    if (!text) text = iText.c_str();
    const char* p = text;
    const char* const end = text + std::strlen(text);
    ForwardSearch close(">", end), titleEnd("</TITLE>", end), headEnd("</HEAD>", end);
    while (*p) {
        if (*p == '.') {
            drawCharacter('.');
            ++p;
            if (*p == ' ') {
                for (int i = 0; i < 3; ++i) putSpace(true);
                ++p;
            }
            continue;
        }
        if (*p == '&') {
            if (tagAt(p, "&nbsp;", 6)) {
                putSpace(true);
                p += 6;
            } else if (tagAt(p, "&amp;", 5)) {
                putWord("&", 1);
                p += 5;
            } else if (tagAt(p, "&quot;", 6)) {
                putWord("\"", 1);
                p += 6;
            } else {
                breakOn(" (1) BREAK ON:", p);
                return;
            }
            continue;
        }
        if (*p != '<') {
            const std::size_t n = std::strcspn(p, "<&.");
            flowText(p, n);
            p += n;
            continue;
        }

        const char* closing = close.from(p);
        const char* tagEnd = closing ? closing : end;
        const char* afterTag = *tagEnd ? tagEnd + 1 : tagEnd;
        if (tagAt(p, "<TABLE", 6)) {
            p = afterTag;
            newLine();
        } else if (tagAt(p, "</TABLE>", 8)) {
            p += 8;
        } else if (tagAt(p, "<TD ", 4) || tagAt(p, "<TD>", 4)) {
            p = afterTag;
            newLine();
        } else if (tagAt(p, "<TR", 3)) {
            p = afterTag;
            newLine();
        } else if (tagAt(p, "</TR>", 5) || tagAt(p, "</TD>", 5)) {
            p += 5;
        } else if (tagAt(p, "<!", 2, true) || tagAt(p, "<META", 5)) {
            if (tagAt(p, "<!BIG", 5, true)) {
                iPen.iFont = 2;
                iLineHeight = 14;
            } else if (tagAt(p, "<!SMALL", 7, true)) {
                iPen.iFont = 3;
                iLineHeight = 12;
            } else if (tagAt(p, "<!POPUP", 7, true)) {
                iPopupNext = true;
            } else if (tagAt(p, "<!CODECALL", 10, true)) {
                iCodeCallNext = true;
            }
            p = afterTag;
        } else if (tagAt(p, "<TITLE>", 7)) {
            if (const char* found = titleEnd.from(p + 7)) {
                setTitle(p + 7, found);
                p = found + 8;
            } else {
                p += 7;
            }
        } else if (tagAt(p, "<BODY", 5)) {
            parseBody(p, tagEnd);
            p = afterTag;
            // One line end of either convention.
            if (*p == '\r' && p[1] == '\n') {
                p += 2;
            } else {
                if (*p == '\n') ++p;
                if (*p == '\r') ++p;
            }
            if (tagAt(p, "<P>", 3)) p += 3;
        } else if (tagAt(p, "<IMG", 4)) {
            if (*tagEnd == '>') {
                placePicture(p, tagEnd);
                p = tagEnd + 1;
            } else {
                p += std::min<std::ptrdiff_t>(5, end - p);
            }
        } else if (tagAt(p, "<A ", 3)) {
            openLink(text, p, tagEnd, mode);
            p = afterTag;
        } else if (tagAt(p, "</A>", 4)) {
            if (mode == 1) return;
            closeLink();
            p += 4;
        } else if (tagAt(p, "<FONT", 5)) {
            long colour = getTagColor(p, tagEnd);
            if (colour >= 0) {
                iPen.iInk[0] = int(colour >> 16) & 255;
                iPen.iInk[1] = int(colour >> 8) & 255;
                iPen.iInk[2] = int(colour) & 255;
            }
            p = afterTag;
        } else if (tagAt(p, "<BR>", 4)) {
            newLine();
            p += 4;
            while (*p == ' ' || *p == '\n' || *p == '\r') ++p;
        } else if (tagAt(p, "<P>", 3) || tagAt(p, "<P ", 3)) {
            if (iPen.iX != kMargin) newLine();
            newLine();
            p = p[2] == '>' ? p + 3 : afterTag;
        } else if (tagAt(p, "</P>", 4) || tagAt(p, "</BODY>", 7) || tagAt(p, "<HTML>", 6) ||
                   tagAt(p, "<CENTER>", 8) || tagAt(p, "</CENTER>", 9) || tagAt(p, "</DIV>", 6) ||
                   tagAt(p, "</HTML>", 7) || tagAt(p, "<DIV", 4)) {
            p = afterTag;
        } else if (tagAt(p, "</FONT>", 7)) {
            setColour(iPen.iInk, iDefaultText);
            p += 7;
        } else if (tagAt(p, "<U>", 3)) {
            iUnderlineOn = true;
            p += 3;
        } else if (tagAt(p, "</U>", 4)) {
            iUnderlineOn = false;
            p += 4;
        } else if (const FaceTag* face = faceTagAt(p)) {
            iPen.iFont = face->faces[iPen.iFont];
            p += face->length;
        } else if (tagAt(p, "<HEAD>", 6)) {
            if (const char* found = headEnd.from(p + 6)) {
                // The head is passed over, but its title still names the page.
                if (const char* title = findNoCaseIn(p + 6, found, "<TITLE>"))
                    if (const char* closing = findNoCaseIn(title + 7, found, "</TITLE>")) setTitle(title + 7, closing);
                p = found + 7;
            } else {
                p += 6;
            }
        } else {
            breakOn(" (2) BREAK ON:", p);
            return;
        }
    }
}

void PageLayout::setTitle(const char* start, const char* end) {
    iTitle = boundedText(std::string(start, end).c_str(), kMaxTitle);
    iHasTitle = true;
}

// "bgcolor=" and "text=" inside the body tag itself: an optional double
// quote, an optional '#', then six hexadecimal digits.
void PageLayout::parseBody(const char* tag, const char* tagEnd) {
    // Searched within the tag only: a search on to the end of the text for
    // every body tag would read a page of them in quadratic time.
    const std::string_view inTag(tag, static_cast<std::size_t>(tagEnd - tag));
    auto colourOf = [&](std::string_view name, int* rgb) {
        const std::size_t at = inTag.find(name);
        if (at == std::string_view::npos) return false;
        const char* q = tag + at + name.size();
        if (q < tagEnd && *q == '"') ++q;
        if (q < tagEnd && *q == '#') ++q;
        int digit[6];
        for (int& d : digit) d = q < tagEnd ? hexDigitValue(*q++) : 0;
        for (int k = 0; k < 3; ++k) rgb[k] = digit[2 * k] * 16 + digit[2 * k + 1];
        return true;
    };
    int rgb[3];
    if (colourOf("bgcolor=", rgb)) setColour(iPen.iPaper, rgb);
    if (colourOf("text=", rgb)) {
        setColour(iDefaultText, rgb);
        setColour(iPen.iInk, rgb);
    }
}

void PageLayout::openLink(const char* text, const char* tag, const char* tagEnd, int mode) {
    setColour(iSavedColour, iPen.iInk);
    std::string target;
    getTagArg(tag, tagEnd, "HREF=", &target);
    iTarget = boundedText(target.c_str(), kMaxTarget);
    iLink = true;
    if (mode == 0) iPen.iInk[2] = std::max(iPen.iInk[2], 200);
    if (!iRecords) return;
    debugLog("draw LINK");
    iLinks.emplace_front();
    LinkRecord& r = iLinks.front();
    r.target = iTarget;
    r.sourcePosition = static_cast<std::size_t>(tag - text);
    setColour(r.textColour, iPen.iInk);
    setColour(r.backgroundColour, iPen.iPaper);
    r.face = iPen.iFont;
    r.lineHeight = iLineHeight;
    r.startX = r.x1 = r.x2 = iPen.iX;
    r.startY = r.y1 = r.y2 = iPen.iY;
    r.opensNewWindow = iPopupNext ? 1 : 0;
    r.codeCall = iCodeCallNext ? 1 : 0;
    r.blankEndAtTag = iLastBlankEnd;
    iPopupNext = iCodeCallNext = false;
    iCurrentLink = &r;
    openArea(iPen.iX, iPen.iY);
}

void PageLayout::closeLink() {
    if (iLink) {
        setColour(iPen.iInk, iSavedColour);
        closeArea(iPen.iX - 1, iPen.iY + iLineHeight);
    }
    iLink = false;
    iCurrentLink = nullptr;
}

void PageLayout::openArea(int x, int y) {
    LinkRecord* r = iCurrentLink;
    if (!r) return;
    r->areaOpen = r->areas.size() < LinkRecord::kMaxAreas;
    if (!r->areaOpen) return;
    r->areas.push_back({x, y, x, y});
    r->x1 = std::min(r->x1, x), r->y1 = std::min(r->y1, y);
    r->x2 = std::max(r->x2, x), r->y2 = std::max(r->y2, y);
}

void PageLayout::closeArea(int x, int y) {
    LinkRecord* r = iCurrentLink;
    if (!r || !r->areaOpen) return;
    if (x < r->areas.back().x1 || y < r->areas.back().y1) {
        // Nothing of the link stands in it (a link without text): no area.
        r->areas.pop_back();
        r->areaOpen = false;
        return;
    }
    r->areas.back().x2 = x;
    r->areas.back().y2 = y;
    r->areaOpen = false;
    r->x1 = std::min(r->x1, x), r->y1 = std::min(r->y1, y);
    r->x2 = std::max(r->x2, x), r->y2 = std::max(r->y2, y);
}

void PageLayout::placePicture(const char* tag, const char* tagEnd) {
    std::string source;
    getTagArg(tag, tagEnd, "SRC=", &source);
    if (iLink) {
        closeArea(iPen.iX, iPen.iY + iLineHeight);
        openArea(iPen.iX, iPen.iY);
    }
    Image picture;
    if (isDocumentName(source))
        picture.loadFile((kPictureFolder + source).c_str());
    else
        makeXOutImage(&picture);
    picture.toRGB24();
    const int w = picture.iWidth, h = picture.iHeight;
    const int x0 = iPen.iX, y0 = iPen.iY;
    if (iDrawing && picture.iPixels24.size() >= std::size_t(w) * std::size_t(h) * 3) {
        // Clipped to the page image on every side.
        const int left = std::max(0, -x0), top = std::max(0, -y0);
        const int right = std::min(w, iImage.iWidth - x0), bottom = std::min(h, iImage.iHeight - y0);
        for (int row = top; row < bottom; ++row) {
            const uint8_t* from = &picture.iPixels24[(std::size_t(row) * w + left) * 3];
            uint8_t* to = &iImage.iPixels24[(std::size_t(y0 + row) * iImage.iWidth + x0 + left) * 3];
            for (int col = left; col < right; ++col, from += 3, to += 3) {
                to[0] = iPressed ? static_cast<uint8_t>(std::min(255, from[0] * 13 / 10)) : from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
    }
    iPageW = std::max(iPageW, w + iPen.iX + iVBarWidth);
    iPen.iX = kMargin;
    iPen.iY += h;
    iPageH = std::max(iPageH, iPen.iY + 8 + horizontalBarHeight());
    if (iLink) {
        closeArea(x0 + w, y0 + h);
        openArea(kMargin, iPen.iY + iLineHeight);
    }
}

// ---------------------------------------------------------------- text

void PageLayout::flowText(const char* run, std::size_t length) {
    std::size_t i = 0;
    for (;;) {
        std::size_t end = i;
        while (end < length && !isWordBreak(run[end])) ++end;
        // Words longer than the word limit are placed in pieces.
        for (std::size_t at = i; at < end; at += kMaxWord) putWord(run + at, std::min(kMaxWord, end - at));
        if (end >= length) return;  // that was the last word
        putSpace(false);
        i = end;
        while (i < length && isWordBreak(run[i])) ++i;
    }
}

void PageLayout::putWord(const char* word, std::size_t length) {
    if (length == 0) return;
    int width = 0;
    for (std::size_t i = 0; i < length; ++i) width += glyphAdvance(iPen.iFont, static_cast<unsigned char>(word[i]));
    // At the line start a new line would only leave an empty one behind.
    if (iPen.iX != kMargin && iPen.iX + width + kBlankWidth >= iRightLimit) newLine();
    for (std::size_t i = 0; i < length; ++i) drawCharacter(static_cast<unsigned char>(word[i]));
}

void PageLayout::drawCharacter(unsigned char c) {
    iPen.iTarget = iDrawing ? &iImage : nullptr;
    iPen.iMeasureOnly = !iDrawing;
    iPen.iUnderline = iLink;
    iPen.iUnderline2 = iUnderlineOn;
    drawGlyph(&iPen, c);
    iPageW = std::max(iPageW, iPen.iX);
    iPageH = std::max(iPageH, iPen.iY + iLineHeight);
}

void PageLayout::putSpace(bool forced) {
    if (!forced && iPen.iX == iLastBlankEnd) return;
    if (iPen.iX == kMargin) return;
    if (iDrawing && (iLink || iUnderlineOn)) {
        const int y = iPen.iY + iLineHeight - 2;
        if (y >= 0 && y < iImage.iHeight)
            for (int x = std::max(0, iPen.iX); x < std::min(iImage.iWidth, iPen.iX + kBlankWidth); ++x)
                for (int k = 0; k < 3; ++k)
                    iImage.iPixels24[(std::size_t(y) * iImage.iWidth + x) * 3 + k] =
                        static_cast<uint8_t>(std::clamp(iPen.iInk[k], 0, 255));
    }
    iPen.iX += kBlankWidth;
    iLastBlankEnd = iPen.iX;
}

void PageLayout::newLine() {
    if (iLink) closeArea(iPen.iX, iPen.iY + iLineHeight);
    iPageW = std::max(iPageW, iPen.iX);
    iPen.iX = kMargin;
    iPen.iY += iLineHeight;
    iPageH = std::max(iPageH, iPen.iY);
    if (iLink) openArea(kMargin, iPen.iY);
}

// ---------------------------------------------------------------- links

const LinkRecord* PageLayout::linkAt(int x, int y) const {
    for (const LinkRecord& r : iLinks)
        if (r.areaAt(x, y)) return &r;
    return nullptr;
}

void PageLayout::redrawLink(const LinkRecord& link, const int colour[3], bool pressed) {
    if (link.sourcePosition >= iText.size()) return;
    const LinkRecord copy = link;  // the parse must not depend on the record staying put
    setColour(iPen.iInk, colour);
    setColour(iPen.iPaper, copy.backgroundColour);
    iPen.iX = copy.startX;
    iPen.iY = copy.startY;
    iPen.iFont = copy.face;
    iLineHeight = copy.lineHeight;
    iLastBlankEnd = copy.blankEndAtTag;
    iPressed = pressed;
    iDrawing = true;
    iRecords = false;
    iCurrentLink = nullptr;
    parseHtml(iText.c_str() + copy.sourcePosition, 1);
    iPressed = false;
    iLink = false;
    iPageW = iImage.iWidth;
    iPageH = iImage.iHeight;
}
