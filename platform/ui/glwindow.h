#pragma once
// The OpenGL window of the user-interface layer: a child window of a canvas
// that carries its own OpenGL context (the pixel format of glformat.h, a
// legacy context), paints through its listener and reports the pointer
// buttons pressed and released over it. The listener draws with OpenGL
// directly; the window makes its context current around every listener call
// that may draw, and swaps the buffers after a paint.
#include <functional>
#include <memory>

#include "platform/ui/glformat.h"
#include "platform/ui/window.h"

namespace platform::ui {

// The program's side of an OpenGL window. Every call runs on the GUI thread
// as an event handler, with the window's context current (except onGlMouse).
class GlWindowListener {
public:
    virtual ~GlWindowListener() = default;
    // The context has just been made (the first paint, or a new context).
    virtual void onGlContextCreated() {}
    // The window has a new size, or a new context: set the viewport and the
    // projection. Called before the next paint.
    virtual void onGlResize(int w, int h) {}
    // Draws one frame into the back buffer; the window swaps after it.
    virtual void onGlPaint() {}
    // A button pressed or released over the window (window coordinates,
    // the system's button numbering).
    virtual void onGlMouse(const MouseEvent& event) {}
};

class GlWindow {
public:
    // A child of `parent` at `rect` (canvas coordinates) with the given
    // pixel format; shown when its parent is.
    GlWindow(Canvas* parent, const Rect& rect, const GlPixelFormat& format);
    ~GlWindow();
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    void setListener(GlWindowListener* listener);

    // Every operation is harmless once the toolkit window is gone (it goes
    // with its parent canvas).
    bool exists() const;
    bool shown() const;
    int width() const;
    int height() const;
    void place(int x, int y, int w, int h);
    void show();
    // Asks for a paint at the next turn of the loop.
    void repaint();
    // The number of frames painted so far.
    int paintCount() const;
    // The native (X11) window id; 0 until shown.
    unsigned long nativeId() const;

    // Makes the context current (the window must be shown), brings the
    // listener's context and size set-up up to date, and runs `task`;
    // false, and nothing run, when the window is not shown.
    bool withContext(const std::function<void()>& task);
    // Swaps the front and back buffers (inside withContext).
    void swapBuffers();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::ui
