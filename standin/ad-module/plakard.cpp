// The stand-in advertising module ("plakard.so"). The program calls its
// entry Initialize once a run with the native window of its advertising
// panel and four numbers. The module records the call (for the tests: in
// memory, and as a line in the file named by VURNORVEXI_AD_MODULE_LOG when
// that is set) and shows a banner in the panel until the panel is gone: a
// window of its own inside the panel, drawn from a thread with an X display
// connection of its own, so the program's windows and loop are not touched.
// A test process that builds several panels, one after the other, calls
// the entry for each and gets a banner in each.
//
// The banner threads end with the module: unloading it (the program does
// at the end of its run) stops every banner at once and waits for its
// thread, so none runs on past the program's end or touches anything that
// the process's exit destroys.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::mutex recordLock;
int callCount = 0;
uint32_t lastArguments[5] = {};

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

// Waits up to ms milliseconds for the display's next event or a stop
// request on `wake`; true when the stop was asked for.
bool waitForEvents(Display* display, int wake, int ms) {
    pollfd p[2] = {{display ? ConnectionNumber(display) : -1, POLLIN, 0}, {wake, POLLIN, 0}};
    poll(p, 2, ms);
    return (p[1].revents & POLLIN) != 0;
}

// One banner in one panel, on its own thread and display connection, until
// the panel is gone or a stop is asked for (`wake` becomes readable).
class Banner {
public:
    Banner(Display* display, Window panel, int wake) : display_(display), panel_(panel), wake_(wake) {}
    ~Banner() {
        // The connection's close takes the window, not the GC's own memory.
        if (gc_) XFreeGC(display_, gc_);
    }
    Banner(const Banner&) = delete;
    Banner& operator=(const Banner&) = delete;

    void run() {
        // The program may not have made the window on the display yet when
        // it hands the id over: wait for it a while.
        XWindowAttributes pa{};
        const long long giveUp = nowMs() + 10000;
        while (!XGetWindowAttributes(display_, panel_, &pa)) {
            if (nowMs() > giveUp || waitForEvents(nullptr, wake_, 50)) return;
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
            done = waitForEvents(display_, wake_, 250);
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
    int wake_;
    Window window_ = 0;
    GC gc_ = nullptr;
    Visual* visual_ = nullptr;
    Colormap colormap_ = 0;
    int depth_ = 24;
    int width_ = 1, height_ = 1;
    std::size_t message_ = 0;
};

int onXError(Display* display, XErrorEvent* event);

// The name of every banner thread (the tests count them by it).
constexpr const char* kThreadName = "plakard-banner";

// Every banner of the module, and the X error handler they need. The one
// object lives as long as the module's code: its destructor, run when the
// module is unloaded (or at the process's exit, if it never is), stops
// every banner and waits for its thread, then puts back the handler.
class Banners {
public:
    Banners() = default;
    Banners(const Banners&) = delete;
    Banners& operator=(const Banners&) = delete;

    ~Banners() {
        // Every banner wakes at once; the list changes no more (only the
        // program's thread starts banners, and it is here).
        {
            std::lock_guard<std::mutex> lock(lock_);
            for (Entry& e : entries_) stop(e);
        }
        for (Entry& e : entries_)
            if (e.thread.joinable()) e.thread.join();
        for (Entry& e : entries_) close(e.wake);
        entries_.clear();
        if (handlerInstalled_) {
            // Put back only over our own handler: one installed after it
            // stays.
            XErrorHandler current = XSetErrorHandler(previous_.load());
            if (current != onXError) XSetErrorHandler(current);
        }
    }

    // Starts a banner in the panel; false when none could be started.
    bool start(Window panel) {
        reapEnded();
        Display* display = XOpenDisplay(nullptr);
        if (!display) return false;
        const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake < 0) {
            XCloseDisplay(display);
            return false;
        }
        std::lock_guard<std::mutex> lock(lock_);
        if (!handlerInstalled_) {
            // Errors on the banners' connections (a window gone with its
            // panel) are ignored, all others go to the handler the program had.
            handlerInstalled_ = true;
            previous_.store(XSetErrorHandler(onXError));
        }
        Entry& e = entries_.emplace_back();
        e.display = display;
        e.wake = wake;
        try {
            e.thread = std::thread([this, &e, panel] { run(e, panel); });
        } catch (...) {
            XCloseDisplay(display);
            close(wake);
            entries_.pop_back();
            return false;
        }
        return true;
    }

    // True for the display connection of a banner still running.
    bool owns(Display* display) {
        std::lock_guard<std::mutex> lock(lock_);
        for (const Entry& e : entries_)
            if (!e.ended && e.display == display) return true;
        return false;
    }

    XErrorHandler previous() const { return previous_.load(); }

private:
    struct Entry {
        Display* display = nullptr;
        int wake = -1;
        std::thread thread;
        bool ended = false;  // under lock_: the thread no longer touches the entry
    };

    static void stop(const Entry& e) {
        const uint64_t one = 1;
        ssize_t rc = write(e.wake, &one, sizeof one);
        (void)rc;  // a full counter wakes the banner just as well
    }

    void run(Entry& e, Window panel) {
        pthread_setname_np(pthread_self(), kThreadName);
        {
            Banner banner(e.display, panel, e.wake);
            banner.run();
        }
        // The panel is gone, or the module goes: the connection goes too.
        // Errors still reported for it are ignored until then.
        XCloseDisplay(e.display);
        std::lock_guard<std::mutex> lock(lock_);
        e.ended = true;
    }

    // Joins the threads of the banners that have ended, so a process that
    // builds many panels keeps none.
    void reapEnded() {
        std::list<Entry> ended;
        {
            std::lock_guard<std::mutex> lock(lock_);
            for (auto it = entries_.begin(); it != entries_.end();) {
                auto next = std::next(it);
                if (it->ended) ended.splice(ended.end(), entries_, it);
                it = next;
            }
        }
        for (Entry& e : ended) {
            e.thread.join();
            close(e.wake);
        }
    }

    std::mutex lock_;
    std::list<Entry> entries_;
    bool handlerInstalled_ = false;  // under lock_
    std::atomic<XErrorHandler> previous_{nullptr};
};

Banners banners;

int onXError(Display* display, XErrorEvent* event) {
    if (banners.owns(display)) return 0;
    XErrorHandler previous = banners.previous();
    return previous ? previous(display, event) : 0;
}

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
    return banners.start(static_cast<Window>(window)) ? 1 : 0;
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

// For the tests: forgets the calls so far (a test that keeps the module
// loaded starts its count here).
void plakardResetForTests() {
    std::lock_guard<std::mutex> lock(recordLock);
    callCount = 0;
    std::memset(lastArguments, 0, sizeof lastArguments);
}

}  // extern "C"
