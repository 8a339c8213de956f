// The stand-in advertising module ("plakard.so"). The program calls its
// entry Initialize once a run with the native window of its advertising
// panel and four numbers. The module records the call (for the tests: in
// memory, and as a line in the file named by VURNORVEXI_AD_MODULE_LOG when
// that is set) and shows a banner in the panel until the panel is gone: a
// window of its own inside the panel, drawn from a thread with an X display
// connection of its own, so the program's windows and loop are not touched.
// A test process that builds several panels, one after the other, calls
// the entry for each and gets a banner in each.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

std::mutex recordLock;
int callCount = 0;
uint32_t lastArguments[5] = {};

// The module's own display connections, one for each banner; errors on
// them (a window gone with its panel) are ignored, all others go to the
// handler the program had.
std::mutex displaysLock;
std::multiset<Display*> bannerDisplays;
XErrorHandler previousHandler = nullptr;
std::once_flag handlerInstalled;

bool isBannerDisplay(Display* display) {
    std::lock_guard<std::mutex> lock(displaysLock);
    return bannerDisplays.count(display) != 0;
}

int onXError(Display* display, XErrorEvent* event) {
    if (isBannerDisplay(display)) return 0;
    return previousHandler ? previousHandler(display, event) : 0;
}

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// A 5 by 7 pixel font of the characters the banner uses, one text of 7
// rows of 5 cells per glyph ('#' ink).
struct Glyph {
    char c;
    const char* rows;
};
const Glyph kGlyphs[] = {
    {'A', " ### #   ##   #######   ##   ##   #"},  {'B', "#### #   ##   ##### #   ##   ##### "},
    {'C', " ### #   ##    #    #    #   # ### "},  {'D', "#### #   ##   ##   ##   ##   ##### "},
    {'E', "######    #    #### #    #    #####"},  {'F', "######    #    #### #    #    #    "},
    {'G', " ### #   ##    # ####   ##   # ####"},  {'H', "#   ##   ##   #######   ##   ##   #"},
    {'I', " ###   #    #    #    #    #   ### "},  {'J', "  ###   #    #    #    # #  #  ##  "},
    {'K', "#   ##  # # #  ##   # #  #  # #   #"},  {'L', "#    #    #    #    #    #    #####"},
    {'M', "#   ### ### # ## # ##   ##   ##   #"},  {'N', "#   ##   ###  ## # ##  ###   ##   #"},
    {'O', " ### #   ##   ##   ##   ##   # ### "},  {'P', "#### #   ##   ##### #    #    #    "},
    {'Q', " ### #   ##   ##   ## # ##  #  ## #"},  {'R', "#### #   ##   ##### # #  #  # #   #"},
    {'S', " #####    #     ###     #    ##### "},  {'T', "#####  #    #    #    #    #    #  "},
    {'U', "#   ##   ##   ##   ##   ##   # ### "},  {'V', "#   ##   ##   ##   ##   # # #   #  "},
    {'W', "#   ##   ##   ## # ## # ## # # # # "},  {'X', "#   ##   # # #   #   # # #   ##   #"},
    {'Y', "#   ##   # # #   #    #    #    #  "},  {'Z', "#####    #   #   #   #   #    #####"},
    {'0', " ### #   ##  ### # ###  ##   # ### "},  {'1', "  #   ##    #    #    #    #   ### "},
    {'2', " ### #   #    #   #   #   #   #####"},  {'3', "#####   #   #     #     ##   # ### "},
    {'4', "   #   ##  # # #  # #####   #    # "},  {'5', "######    ####     #    ##   # ### "},
    {'6', "  ##  #   #    #### #   ##   # ### "},  {'7', "#####    #   #   #   #    #    #   "},
    {'8', " ### #   ##   # ### #   ##   # ### "},  {'9', " ### #   ##   # ####    #   #  ##  "},
    {'-', "               #####               "},  {'!', "  #    #    #    #    #         #  "},
    {'.', "                          ##   ##  "},  {',', "                     ##    #   #   "},
    {':', "      ##   ##        ##   ##       "},  {'/', "    #    #   #   #   #   #    #    "},
    {'\'', "  #    #   #                       "}, {'?', " ### #   #    #   #   #         #  "},
};

const char* glyphRows(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return g.rows;
    return nullptr;  // a blank
}

// What the banner shows in turn.
struct Message {
    const char* headline;
    const char* line;
};
const Message kMessages[] = {
    {"YOUR AD HERE", "STAND-IN ADVERTISING MODULE - PANEL WINDOW 0X%X"},
    {"PLAY ORVEX CHESS!", "FOUR PLAYERS, ONE BOARD, BEAMS EVERYWHERE"},
    {"INVITE A FRIEND", "THE LOBBY IS OPEN - PICK A STYLE AND PLAY"},
};

class Banner {
public:
    Banner(Display* display, Window panel) : display_(display), panel_(panel) {}

    void run() {
        // The program may not have made the window on the display yet when
        // it hands the id over: wait for it a while.
        XWindowAttributes pa{};
        const long long giveUp = nowMs() + 10000;
        while (!XGetWindowAttributes(display_, panel_, &pa)) {
            if (nowMs() > giveUp) return;
            poll(nullptr, 0, 50);
        }
        visual_ = pa.visual;
        colormap_ = pa.colormap;
        depth_ = pa.depth;
        width_ = std::max(pa.width, 1);
        height_ = std::max(pa.height, 1);
        window_ = XCreateSimpleWindow(display_, panel_, 0, 0, static_cast<unsigned>(width_),
                                      static_cast<unsigned>(height_), 0, 0, 0);
        XSelectInput(display_, window_, ExposureMask | StructureNotifyMask);
        XSelectInput(display_, panel_, StructureNotifyMask);
        XMapWindow(display_, window_);
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        XFlush(display_);

        bool dirty = true, done = false;
        long long switched = nowMs();
        while (!done) {
            while (XPending(display_) > 0) {
                XEvent e;
                XNextEvent(display_, &e);
                if (e.type == Expose) {
                    dirty = true;
                } else if (e.type == DestroyNotify &&
                           (e.xdestroywindow.window == window_ || e.xdestroywindow.window == panel_)) {
                    done = true;
                } else if (e.type == ConfigureNotify && e.xconfigure.window == panel_) {
                    if (e.xconfigure.width != width_ || e.xconfigure.height != height_) {
                        width_ = std::max(e.xconfigure.width, 1);
                        height_ = std::max(e.xconfigure.height, 1);
                        XResizeWindow(display_, window_, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
                        dirty = true;
                    }
                }
            }
            if (done) break;
            if (nowMs() - switched >= 4000) {
                message_ = (message_ + 1) % (sizeof kMessages / sizeof kMessages[0]);
                switched = nowMs();
                dirty = true;
            }
            if (dirty) {
                draw();
                dirty = false;
            }
            pollfd p{ConnectionNumber(display_), POLLIN, 0};
            poll(&p, 1, 250);
        }
    }

private:
    unsigned long pixel(int r, int g, int b) {
        if (visual_ && visual_->c_class == TrueColor) {
            auto scale = [](int v, unsigned long mask) {
                int shift = 0;
                while (mask && !(mask & 1)) mask >>= 1, ++shift;
                unsigned long bits = 0;
                while (mask & 1) mask >>= 1, ++bits;
                return (static_cast<unsigned long>(v) >> (8 - std::min<unsigned long>(bits, 8))) << shift;
            };
            return scale(r, visual_->red_mask) | scale(g, visual_->green_mask) | scale(b, visual_->blue_mask);
        }
        XColor c{};
        c.red = static_cast<unsigned short>(r * 257);
        c.green = static_cast<unsigned short>(g * 257);
        c.blue = static_cast<unsigned short>(b * 257);
        return XAllocColor(display_, colormap_, &c) ? c.pixel : BlackPixel(display_, DefaultScreen(display_));
    }

    void fill(Drawable d, int x, int y, int w, int h, int r, int g, int b) {
        XSetForeground(display_, gc_, pixel(r, g, b));
        XFillRectangle(display_, d, gc_, x, y, static_cast<unsigned>(std::max(w, 0)),
                       static_cast<unsigned>(std::max(h, 0)));
    }

    // Text in the bitmap font, `scale` pixels a cell; returns the width.
    int text(Drawable d, const char* s, int x, int y, int scale, int r, int g, int b) {
        XSetForeground(display_, gc_, pixel(r, g, b));
        int pen = x;
        for (const char* p = s; *p; ++p) {
            if (const char* rows = glyphRows(*p))
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (rows[row * 5 + col] == '#')
                            XFillRectangle(display_, d, gc_, pen + col * scale, y + row * scale,
                                           static_cast<unsigned>(scale), static_cast<unsigned>(scale));
            pen += 6 * scale;
        }
        return pen - x;
    }

    void draw() {
        const int w = width_, h = height_;
        Pixmap pm = XCreatePixmap(display_, window_, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                  static_cast<unsigned>(depth_));
        // A deep blue field, lighter towards the bottom, in a gold frame.
        for (int y = 0; y < h; ++y) fill(pm, 0, y, w, 1, 12 + y * 20 / h, 24 + y * 40 / h, 90 + y * 70 / h);
        fill(pm, 0, 0, w, 2, 230, 190, 60);
        fill(pm, 0, h - 2, w, 2, 230, 190, 60);
        fill(pm, 0, 0, 2, h, 230, 190, 60);
        fill(pm, w - 2, 0, 2, h, 230, 190, 60);

        // The emblem: a red beam from the left meets a mirror and turns up.
        const int side = std::min(h - 12, 48);
        const int ex = 8, ey = (h - side) / 2;
        fill(pm, ex, ey, side, side, 8, 10, 30);
        const int mid = ey + side / 2;
        fill(pm, ex, mid - 1, side / 2 + 1, 3, 255, 40, 30);
        fill(pm, ex + side / 2 - 1, ey, 3, side / 2, 255, 40, 30);
        XSetForeground(display_, gc_, pixel(220, 230, 240));
        XSetLineAttributes(display_, gc_, 3, LineSolid, CapButt, JoinMiter);
        XDrawLine(display_, pm, gc_, ex + side / 2 - 7, mid + 7, ex + side / 2 + 7, mid - 7);
        XSetLineAttributes(display_, gc_, 0, LineSolid, CapButt, JoinMiter);

        const Message& m = kMessages[message_];
        char line[96];
        std::snprintf(line, sizeof line, m.line, static_cast<unsigned>(panel_));
        const int left = ex + side + 12;
        text(pm, m.headline, left, 8, 3, 255, 222, 90);
        text(pm, line, left, h - 16, 1, 220, 230, 255);

        XCopyArea(display_, pm, window_, gc_, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, 0);
        XFreePixmap(display_, pm);
        XFlush(display_);
    }

    Display* display_;
    Window panel_;
    Window window_ = 0;
    GC gc_ = nullptr;
    Visual* visual_ = nullptr;
    Colormap colormap_ = 0;
    int depth_ = 24;
    int width_ = 1, height_ = 1;
    std::size_t message_ = 0;
};

void record(uint32_t window, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    std::lock_guard<std::mutex> lock(recordLock);
    ++callCount;
    const uint32_t args[5] = {window, a, b, c, d};
    std::memcpy(lastArguments, args, sizeof args);
    if (const char* log = std::getenv("VURNORVEXI_AD_MODULE_LOG")) {
        if (FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "Initialize %u %u %u %u %u\n", window, a, b, c, d);
            std::fclose(f);
        }
    }
}

}  // namespace

extern "C" {

// The entry the program calls: the panel's window, then 757, 0, 1, 0.
int Initialize(uint32_t window, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    record(window, a, b, c, d);
    if (window == 0) return 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    {
        std::lock_guard<std::mutex> lock(displaysLock);
        bannerDisplays.insert(display);
    }
    std::call_once(handlerInstalled, [] { previousHandler = XSetErrorHandler(onXError); });
    auto forget = [display] {
        std::lock_guard<std::mutex> lock(displaysLock);
        bannerDisplays.erase(bannerDisplays.find(display));
    };
    try {
        std::thread([display, window, forget] {
            Banner banner(display, static_cast<Window>(window));
            banner.run();
            // The panel is gone; the connection goes too. Errors still
            // reported for it are ignored until then.
            XCloseDisplay(display);
            forget();
        }).detach();
    } catch (...) {
        XCloseDisplay(display);
        forget();
        return 0;
    }
    return 1;
}

// For the tests: how often Initialize was called, and its last arguments.
int plakardCallCount() {
    std::lock_guard<std::mutex> lock(recordLock);
    return callCount;
}

void plakardArguments(uint32_t* out) {
    std::lock_guard<std::mutex> lock(recordLock);
    if (out) std::memcpy(out, lastArguments, sizeof lastArguments);
}

// For the tests: forgets the calls so far (the module stays loaded for the
// rest of the process, so each test starts its count here).
void plakardResetForTests() {
    std::lock_guard<std::mutex> lock(recordLock);
    callCount = 0;
    std::memset(lastArguments, 0, sizeof lastArguments);
}

}  // extern "C"
