#pragma once
// Inside platform/ui only: the toolkit side of the layer. Sources that add
// further toolkit-backed parts (controls on a canvas, the OpenGL window)
// include this header to reach the toolkit window of a Window.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>

#include "platform/ui/window.h"

namespace platform::ui {

// The toolkit window behind a Window. `fl` is cleared when the toolkit
// window is destroyed (with its parent, or after a close), so a Window
// never touches a destroyed toolkit window.
struct NativeWindow {
    Fl_Double_Window* fl = nullptr;
    Window* owner = nullptr;
};

// A toolkit window that tells its NativeWindow when it is destroyed.
class TrackedWindow : public Fl_Double_Window {
public:
    TrackedWindow(NativeWindow* native, int x, int y, int w, int h, const char* label = nullptr)
        : Fl_Double_Window(x, y, w, h, label), native_(native) {
        native_->fl = this;
    }
    ~TrackedWindow() override {
        if (native_) native_->fl = nullptr;
    }
    // The owner goes first: the window no longer reports to it.
    void forget() { native_ = nullptr; }
    NativeWindow* native() const { return native_; }

private:
    NativeWindow* native_;
};

// Marks an event handler of the layer while it runs: deferred work waits
// until the outermost handler has returned.
class HandlerScope {
public:
    HandlerScope();
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

// Makes sure the toolkit is set up (label types, display when present).
void ensureToolkit();

// The label type that draws a text literally: no '@' symbols, no '&'
// underlines; lines split at '\n'. Every label of the layer uses it.
Fl_Labeltype literalLabelType();
// Gives a widget a copy of the text as a literal label.
void setLiteralLabel(Fl_Widget* widget, const char* text);

// The frame code reports a frame whose toolkit window is gone (or that is
// deleted), so the application loop ends with its main frame.
void frameGone(Frame* frame);

struct Font;
// The toolkit face of a font (Helvetica for any face not known).
Fl_Font toolkitFace(const Font& font);

// The pointer event the toolkit is delivering now, in the program's terms
// (button numbering left 1, right 2, middle 3; none for a move).
MouseEvent currentMouseEvent(MouseEvent::Kind kind);

class Control;
// The toolkit widget of a Control, or null once it is gone.
Fl_Widget* toolkitWidget(const Control* control);

// True while `window` (a canvas) is inside its paint, on the GUI thread.
bool paintingToolkitWindow(const Fl_Window* window);

// The toolkit window of a Window, or null once it is gone.
inline Fl_Double_Window* toolkitWindow(const Window* w) { return (w && w->native()) ? w->native()->fl : nullptr; }

}  // namespace platform::ui
