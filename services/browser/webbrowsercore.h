#pragma once
// WebBrowserCore: the program's own page viewer. It shows a page of the
// small HTML subset (see PageLayout), read from the help folders
// ("system/docs/vurnorvex/", then "system/docs/") or handed over as text,
// as one page image behind two scroll bars, "hb" and "vb". A press on a
// link shows it in the pressed colour; the release loads the link's page
// here, or in a new viewer window after "<!POPUP"; a press on an
// "http://" link hands the address to the system web browser instead.
//
// Windowed, it has a frame of its own ("webBrowserWindow") titled "Web
// Browser" and then "Browser - " and the page's title; embedded (the about
// page), it lives in its parent's canvas, optionally without bars.
#include <optional>
#include <string>

#include "framework/core/supercore.h"
#include "services/browser/pagelayout.h"

class WebBrowserCore : public SuperCore {
public:
    static constexpr std::size_t kMaxPageName = 255;
    static constexpr std::size_t kMaxPageText = 65535;
    // The size of a first start, before any placement was saved.
    static constexpr int kFirstWidth = 620;
    static constexpr int kFirstHeight = 480;

    // A viewer window on the page.
    explicit WebBrowserCore(const char* pageName);
    // A viewer inside the parent core's canvas at (x, y), w by h; a no-bar
    // flag leaves that scroll bar out.
    WebBrowserCore(SuperCore* parent, const char* pageName, int x, int y, int w, int h, int noHorizontalBar,
                   int noVerticalBar);
    ~WebBrowserCore() override;

    const char* getCoreClassName() override { return "WebBrowserCore"; }
    void createVisual() override;
    int onMouseMove(int x, int y) override { return 0; }
    // Button 1: a press inside the page matches a link; the release acts.
    int onMouse(int x, int y, int button, int action) override;
    int paint(int x0, int y0, int x1, int y1) override;
    int onResize(int w, int h) override;
    void setValue(const char* name, const char* text) override {}
    // "hb" and "vb": the bars moved; the visible part is painted again.
    void setIntValue(const char* name, int value) override;
    void dropFiles(char** list, int x, int y) override {}
    int getDragFile(int* cursor, std::string* directory, std::string* fileName) override { return 0; }
    // Moves the canvas off the window; nothing is painted from then on.
    void hide() override;

    // A page text that replaces whatever the page name gives (its first
    // 65,535 bytes), rendered at once; null drops it again.
    void setHtml(const char* text);
    // Reads, lays out and shows a page: a help file, or one of the built-in
    // pages "blank", "gray" and "grey"; anything else shows the missing-page
    // text.
    void renderFile(const char* pageName);
    void parseHtml(const char* text, int mode) { iLayout.parseHtml(text, mode); }
    // Copies the visible part of the page image into the canvas, cut to
    // the clip rectangle (x0, y0)-(x1, y1).
    int onPaint(int x0, int y0, int x1, int y1);

    const std::string& pageName() const { return iPageName; }
    const PageLayout& layout() const { return iLayout; }
    bool hidden() const { return iHidden; }
    bool linkPressed() const { return iPressedLink.has_value(); }

    // The built-in page texts.
    static std::string blankPage();
    static std::string greyPage(const int rgb[3]);
    static std::string missingPage(const std::string& pageName);

private:
    // The page text of a name: the file's first 65,535 bytes, or a
    // built-in text.
    std::string pageTextFor(const std::string& name);
    void makeScrollBars();
    void setScrollRanges();
    int barValue(const char* name);
    void repaintPage();
    void redrawPressedLink(const LinkRecord& link, const int colour[3], bool pressed);

    std::string iPageName;
    std::optional<std::string> iCustomText;
    PageLayout iLayout;
    bool iNoHBar = false;
    bool iNoVBar = false;
    bool iHidden = false;
    int iLastW = -1, iLastH = -1;  // the canvas size the bars were made for
    std::optional<LinkRecord> iPressedLink;
    bool iRendering = false;
    bool iResizePending = false;
};

// The viewer window a help button opens: the "HTTP-Help" line of the
// button's action file names the page. Null (and no window) when the file
// or the line is missing.
WebBrowserCore* openHelpViewer(const char* actionFile);
