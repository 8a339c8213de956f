#include "services/browser/pagelayout.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

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
        while (i < n &&
               std::tolower(static_cast<unsigned char>(p[i])) == std::tolower(static_cast<unsigned char>(pattern[i])))
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
using FaceChange = int[8];
constexpr FaceChange kBoldOn = {0, 1, 0, 1, 4, 5, 4, 5};
constexpr FaceChange kBoldOff = {2, 3, 2, 3, 6, 7, 6, 7};
constexpr FaceChange kItalicOn = {4, 5, 6, 7, 4, 5, 6, 7};
constexpr FaceChange kItalicOff = {0, 1, 2, 3, 0, 1, 2, 3};

// A tag's or entity's literal at p (the text ends with a zero byte, which
// differs from every literal character).
bool literalAt(const char* p, std::string_view literal, bool caseSensitive) {
    return (caseSensitive ? std::strncmp(p, literal.data(), literal.size())
                          : strncasecmp(p, literal.data(), literal.size())) == 0;
}

constexpr std::string_view kTitleOpen = "<TITLE>";
constexpr std::string_view kTitleClose = "</TITLE>";
constexpr std::string_view kHeadClose = "</HEAD>";

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
    for (std::size_t done = 3; done < n * 3; done *= 2)
        std::memcpy(pixels + done, pixels, std::min(done, n * 3 - done));
    iImage.iAlpha.assign(n, 255);
}

// ---------------------------------------------------------------- parser

void PageLayout::breakOn(const char* label, const char* rest) {
    iBrokeOff = true;
    std::string shown = std::string(label) + rest;
    flowText(shown.data(), shown.size());
}

// The subset: each tag and entity by its literal, with what it does. A
// nested type, so that the actions reach the layout's own state.
struct PageLayout::Tags {
    // Where the parser stands on a tag.
    struct Scan {
        const char* text;      // the whole text being parsed
        const char* at;        // the tag's '<'
        std::size_t length;    // of the literal it matched
        const char* tagEnd;    // the tag's '>', or the end of the text
        const char* afterTag;  // past that '>'
        const char* end;       // the end of the text
        int mode;
        ForwardSearch& titleEnd;
        ForwardSearch& headEnd;
        const char* afterLiteral() const { return at + length; }
    };
    // Acts on the tag; returns where parsing goes on, or null where it
    // stops.
    using Action = const char* (*)(PageLayout&, const Scan&);
    struct Rule {
        std::string_view literal;
        Action act;
        bool caseSensitive = false;
    };
    struct Entity {
        std::string_view literal;
        void (*put)(PageLayout&);
    };

    static const char* passLiteral(PageLayout&, const Scan& s) { return s.afterLiteral(); }
    static const char* passTag(PageLayout&, const Scan& s) { return s.afterTag; }
    static const char* lineAfterTag(PageLayout& l, const Scan& s) {
        l.newLine();
        return s.afterTag;
    }
    static const char* paragraph(PageLayout& l, const Scan& s) {
        if (l.iPen.iX != kMargin) l.newLine();
        l.newLine();
        return s.afterTag;
    }
    static const char* changeFace(PageLayout& l, const Scan& s, const FaceChange& faces) {
        l.iPen.iFont = faces[l.iPen.iFont];
        return s.afterLiteral();
    }
    // "<!..." and "<META": the program's private tags act, the rest are
    // passed over.
    static const char* privateTag(PageLayout& l, const Scan& s) {
        static constexpr struct {
            std::string_view literal;
            void (*act)(PageLayout&);
        } kPrivate[] = {
            {"<!BIG", [](PageLayout& layout) { layout.iPen.iFont = 2, layout.iLineHeight = 14; }},
            {"<!SMALL", [](PageLayout& layout) { layout.iPen.iFont = 3, layout.iLineHeight = 12; }},
            {"<!POPUP", [](PageLayout& layout) { layout.iPopupNext = true; }},
            {"<!CODECALL", [](PageLayout& layout) { layout.iCodeCallNext = true; }},
        };
        for (const auto& t : kPrivate)
            if (literalAt(s.at, t.literal, true)) {
                t.act(l);
                break;
            }
        return s.afterTag;
    }

    // Tried in this order; the first whose literal the text starts with.
    static const Rule* ruleAt(const char* p) {
        static constexpr Rule kRules[] = {
            {"<TABLE", lineAfterTag},
            {"</TABLE>", passLiteral},
            {"<TD ", lineAfterTag},
            {"<TD>", lineAfterTag},
            {"<TR", lineAfterTag},
            {"</TR>", passLiteral},
            {"</TD>", passLiteral},
            {"<!", privateTag, true},
            {"<META", privateTag},
            {kTitleOpen,
             [](PageLayout& l, const Scan& s) -> const char* {
                 const char* title = s.afterLiteral();
                 const char* found = s.titleEnd.from(title);
                 if (!found) return title;
                 l.setTitle(title, found);
                 return found + kTitleClose.size();
             }},
            {"<BODY",
             [](PageLayout& l, const Scan& s) -> const char* {
                 l.parseBody(s.at, s.tagEnd);
                 const char* p = s.afterTag;
                 // One line end of either convention.
                 if (*p == '\r' && p[1] == '\n') {
                     p += 2;
                 } else {
                     if (*p == '\n') ++p;
                     if (*p == '\r') ++p;
                 }
                 constexpr std::string_view kParagraph = "<P>";
                 if (literalAt(p, kParagraph, false)) p += kParagraph.size();
                 return p;
             }},
            {"<IMG",
             [](PageLayout& l, const Scan& s) -> const char* {
                 if (*s.tagEnd != '>')  // unclosed: its name and the character after it are passed
                     return s.at + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(s.length) + 1, s.end - s.at);
                 l.placePicture(s.at, s.tagEnd);
                 return s.tagEnd + 1;
             }},
            {"<A ",
             [](PageLayout& l, const Scan& s) {
                 l.openLink(s.text, s.at, s.tagEnd, s.mode);
                 return s.afterTag;
             }},
            {"</A>",
             [](PageLayout& l, const Scan& s) -> const char* {
                 if (s.mode == 1) return nullptr;  // the redrawn link ends here
                 l.closeLink();
                 return s.afterLiteral();
             }},
            {"<FONT",
             [](PageLayout& l, const Scan& s) {
                 const long colour = getTagColor(s.at, s.tagEnd);
                 if (colour >= 0) {
                     l.iPen.iInk[0] = int(colour >> 16) & 255;
                     l.iPen.iInk[1] = int(colour >> 8) & 255;
                     l.iPen.iInk[2] = int(colour) & 255;
                 }
                 return s.afterTag;
             }},
            {"<BR>",
             [](PageLayout& l, const Scan& s) {
                 l.newLine();
                 const char* p = s.afterLiteral();
                 while (*p == ' ' || *p == '\n' || *p == '\r') ++p;
                 return p;
             }},
            {"<P>", paragraph},
            {"<P ", paragraph},
            {"</P>", passTag},
            {"</BODY>", passTag},
            {"<HTML>", passTag},
            {"<CENTER>", passTag},
            {"</CENTER>", passTag},
            {"</DIV>", passTag},
            {"</HTML>", passTag},
            {"<DIV", passTag},
            {"</FONT>",
             [](PageLayout& l, const Scan& s) {
                 setColour(l.iPen.iInk, l.iDefaultText);
                 return s.afterLiteral();
             }},
            {"<U>",
             [](PageLayout& l, const Scan& s) {
                 l.iUnderlineOn = true;
                 return s.afterLiteral();
             }},
            {"</U>",
             [](PageLayout& l, const Scan& s) {
                 l.iUnderlineOn = false;
                 return s.afterLiteral();
             }},
            {"<B>", [](PageLayout& l, const Scan& s) { return changeFace(l, s, kBoldOn); }},
            {"</B>", [](PageLayout& l, const Scan& s) { return changeFace(l, s, kBoldOff); }},
            {"<I>", [](PageLayout& l, const Scan& s) { return changeFace(l, s, kItalicOn); }},
            {"</I>", [](PageLayout& l, const Scan& s) { return changeFace(l, s, kItalicOff); }},
            {"<HEAD>",
             [](PageLayout& l, const Scan& s) -> const char* {
                 const char* head = s.afterLiteral();
                 const char* found = s.headEnd.from(head);
                 if (!found) return head;
                 // The head is passed over, but its title still names the page.
                 if (const char* title = findNoCaseIn(head, found, kTitleOpen.data()))
                     if (const char* closing = findNoCaseIn(title + kTitleOpen.size(), found, kTitleClose.data()))
                         l.setTitle(title + kTitleOpen.size(), closing);
                 return found + kHeadClose.size();
             }},
        };
        for (const Rule& r : kRules)
            if (literalAt(p, r.literal, r.caseSensitive)) return &r;
        return nullptr;
    }

    static const Entity* entityAt(const char* p) {
        static constexpr Entity kEntities[] = {
            {"&nbsp;", [](PageLayout& l) { l.putSpace(true); }},
            {"&amp;", [](PageLayout& l) { l.putWord("&", 1); }},
            {"&quot;", [](PageLayout& l) { l.putWord("\"", 1); }},
        };
        for (const Entity& e : kEntities)
            if (literalAt(p, e.literal, false)) return &e;
        return nullptr;
    }
};

void PageLayout::parseHtml(const char* text, int mode) {
    if (!text) text = iText.c_str();
    const char* p = text;
    const char* const end = text + std::strlen(text);
    ForwardSearch close(">", end), titleEnd(kTitleClose.data(), end), headEnd(kHeadClose.data(), end);
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
            const Tags::Entity* entity = Tags::entityAt(p);
            if (!entity) {
                breakOn(" (1) BREAK ON:", p);
                return;
            }
            entity->put(*this);
            p += entity->literal.size();
            continue;
        }
        if (*p != '<') {
            const std::size_t n = std::strcspn(p, "<&.");
            flowText(p, n);
            p += n;
            continue;
        }
        const Tags::Rule* rule = Tags::ruleAt(p);
        if (!rule) {
            breakOn(" (2) BREAK ON:", p);
            return;
        }
        const char* closing = close.from(p);
        const char* tagEnd = closing ? closing : end;
        const Tags::Scan scan{text,     p,      rule->literal.size(), tagEnd, *tagEnd ? tagEnd + 1 : tagEnd, end, mode,
                              titleEnd, headEnd};
        p = rule->act(*this, scan);
        if (!p) return;
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
        // A picture that cannot be read is logged and shows as far as it was
        // read, or as the loader's placeholder.
        (void)picture.loadFile((kPictureFolder + source).c_str());
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
