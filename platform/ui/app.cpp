// The application loop, deferred work, the desktop, the message box and the
// literal label type.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

namespace {

int handlerDepth = 0;
bool draining = false;
bool kickPending = false;
std::deque<std::function<void()>>& pendingTasks() {
    static std::deque<std::function<void()>> q;
    return q;
}

Size desktopOverride;
bool toolkitReady = false;
Fl_Labeltype literalType = FL_FREE_LABELTYPE;

void drainCallback(void*) {
    kickPending = false;
    runPending();
}

void kick() {
    if (kickPending) return;
    kickPending = true;
    Fl::add_timeout(0.0, drainCallback);
}

// Draws the label text literally, each line on its own, aligned in the box.
void drawLiteral(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
    if (!label->value || !*label->value) return;
    fl_font(label->font, label->size);
    fl_color(label->color);
    const int lineHeight = fl_height();
    const char* text = label->value;
    int lines = 1;
    for (const char* p = text; *p; ++p)
        if (*p == '\n') ++lines;
    int top;
    if (align & FL_ALIGN_TOP)
        top = y;
    else if (align & FL_ALIGN_BOTTOM)
        top = y + h - lines * lineHeight;
    else
        top = y + (h - lines * lineHeight) / 2;
    const char* line = text;
    for (int i = 0; i < lines; ++i) {
        const char* end = std::strchr(line, '\n');
        int n = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
        int width = static_cast<int>(fl_width(line, n));
        int left;
        if (align & FL_ALIGN_LEFT)
            left = x;
        else if (align & FL_ALIGN_RIGHT)
            left = x + w - width;
        else
            left = x + (w - width) / 2;
        fl_draw(line, n, left, top + i * lineHeight + lineHeight - fl_descent());
        if (!end) break;
        line = end + 1;
    }
}

void measureLiteral(const Fl_Label* label, int& w, int& h) {
    w = h = 0;
    if (!label->value || !*label->value) return;
    fl_font(label->font, label->size);
    const char* line = label->value;
    int lines = 0;
    while (line) {
        const char* end = std::strchr(line, '\n');
        int n = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
        int width = static_cast<int>(fl_width(line, n) + 0.5);
        if (width > w) w = width;
        ++lines;
        line = end ? end + 1 : nullptr;
    }
    h = lines * fl_height();
}

std::string& programName() {
    static std::string name = "vurnorvexi";
    return name;
}

}  // namespace

HandlerScope::HandlerScope() { ++handlerDepth; }

HandlerScope::~HandlerScope() {
    if (--handlerDepth == 0 && !draining && !pendingTasks().empty()) kick();
}

bool inHandler() { return handlerDepth > 0; }

void ensureToolkit() {
    if (toolkitReady) return;
    toolkitReady = true;
    // Once, on the GUI thread, before the loop first waits: without it the
    // toolkit never runs the work that other threads hand it (Fl::awake),
    // so a repaint asked for from a worker would never happen. The GUI
    // thread then holds the toolkit's lock except while the loop waits.
    Fl::lock();
    Fl::set_labeltype(literalType, drawLiteral, measureLiteral);
}

Fl_Labeltype literalLabelType() {
    ensureToolkit();
    return literalType;
}

void setLiteralLabel(Fl_Widget* widget, const char* text) {
    widget->copy_label(text ? text : "");
    widget->labeltype(literalLabelType());
}

void setApplicationArguments(int argc, char** argv) {
    if (argc > 0 && argv && argv[0]) programName() = argv[0];
}

void defer(std::function<void()> task) {
    if (!task) return;
    pendingTasks().push_back(std::move(task));
    if (handlerDepth == 0 && !draining) kick();
}

int runPending() {
    if (handlerDepth > 0 || draining) return 0;
    draining = true;
    int n = 0;
    auto& q = pendingTasks();
    while (!q.empty()) {
        std::function<void()> task = std::move(q.front());
        q.pop_front();
        {
            HandlerScope scope;
            task();
        }
        ++n;
    }
    draining = false;
    return n;
}

namespace {
Frame* loopMainFrame = nullptr;
}

// Called by the frame code when a frame's toolkit window goes or the Frame
// is deleted.
void frameGone(Frame* frame) {
    if (frame && frame == loopMainFrame) loopMainFrame = nullptr;
}

int runLoop(Frame* mainFrame) {
    if (!mainFrame || !mainFrame->exists()) return 0;
    ensureToolkit();
    loopMainFrame = mainFrame;
    while (loopMainFrame) {
        Fl::wait(1.0);
        runPending();
    }
    // The other frames' closes were deferred; carry them out, and whatever
    // they defer in turn.
    for (int round = 0; round < 100 && runPending() > 0; ++round) {
    }
    Fl::check();
    return 0;
}

void processEvents(double seconds) {
    ensureToolkit();
    if (!displayAvailable()) {
        runPending();
        return;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    // At least one turn, however late this thread gets to run.
    Fl::check();
    runPending();
    for (;;) {
        auto now = std::chrono::steady_clock::now();
        if (now >= end) break;
        double left = std::chrono::duration<double>(end - now).count();
        Fl::wait(left < 0.05 ? left : 0.05);
        runPending();
    }
}

bool processEventsUntil(const std::function<bool()>& done, double maxSeconds) {
    ensureToolkit();
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(maxSeconds);
    for (;;) {
        runPending();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return done();
        if (displayAvailable())
            Fl::wait(0.02);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool displayAvailable() {
    if (fl_display) return true;
    const char* d = std::getenv("DISPLAY");
    if (!d || !*d) return false;
    static bool tried = false;
    if (tried) return fl_display != nullptr;
    tried = true;
    // The connection is handed to the toolkit rather than closed: a server
    // may reset when its last client leaves, and refuse the next one.
    if (Display* display = XOpenDisplay(nullptr)) fl_open_display(display);
    return fl_display != nullptr;
}

Size desktopSize() {
    if (desktopOverride.w > 0 && desktopOverride.h > 0) return desktopOverride;
    if (!displayAvailable()) return {1024, 768};
    fl_open_display();
    return {Fl::w(), Fl::h()};
}

void setDesktopSizeForTests(int w, int h) { desktopOverride = {w, h}; }

namespace {
void closeBox(Fl_Widget*, void* window) { static_cast<Fl_Window*>(window)->hide(); }
}  // namespace

// A box of our own rather than the toolkit's, so the text (which may come
// from a server) is drawn literally.
bool messageBox(const char* title, const char* text, MessageKind kind) {
    ensureToolkit();
    if (!displayAvailable()) return false;
    HandlerScope scope;  // the box runs a loop of its own; deferred work waits
    const char* body = text ? text : "";
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int tw = 0, th = 0;
    {
        Fl_Label l{};
        l.value = body;
        l.font = FL_HELVETICA;
        l.size = FL_NORMAL_SIZE;
        measureLiteral(&l, tw, th);
    }
    int w = tw + 90;
    if (w < 260) w = 260;
    if (w > 900) w = 900;
    int textH = th < 50 ? 50 : th;
    int h = textH + 60;
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    Fl_Window box(w, h);
    box.copy_label(title ? title : "");
    Fl_Box icon(10, 10, 50, 50);
    icon.box(FL_THIN_UP_BOX);
    icon.labelfont(FL_TIMES_BOLD);
    icon.labelsize(34);
    icon.labelcolor(kind == MessageKind::Error ? FL_RED : FL_BLUE);
    setLiteralLabel(&icon, kind == MessageKind::Error ? "!" : "i");
    Fl_Box message(70, 10, w - 80, textH);
    message.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    setLiteralLabel(&message, body);
    Fl_Return_Button ok(w - 90, h - 35, 80, 25);
    setLiteralLabel(&ok, "OK");
    ok.callback(closeBox, &box);
    box.end();
    box.set_modal();
    box.callback(closeBox, &box);
    Size desk = desktopSize();
    box.position((desk.w - w) / 2, (desk.h - h) / 3);
    Fl_Group::current(saved);
    box.show();
    while (box.shown()) Fl::wait();
    return true;
}

MouseEvent currentMouseEvent(MouseEvent::Kind kind) {
    MouseEvent e;
    e.kind = kind;
    e.button = kind == MouseEvent::Move ? -1 : systemButtonFromToolkit(Fl::event_button());
    e.x = Fl::event_x();
    e.y = Fl::event_y();
    e.alt = Fl::event_state(FL_ALT) != 0;
    e.ctrl = Fl::event_state(FL_CTRL) != 0;
    e.shift = Fl::event_state(FL_SHIFT) != 0;
    return e;
}

int systemButtonFromToolkit(int toolkitButton) {
    switch (toolkitButton) {
    case FL_LEFT_MOUSE: return kLeftButton;
    case FL_RIGHT_MOUSE: return kRightButton;
    case FL_MIDDLE_MOUSE: return kMiddleButton;
    default: return -1;
    }
}

}  // namespace platform::ui
