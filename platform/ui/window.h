#pragma once
// Windows of the user-interface layer: the frame window (a top-level window
// with a title, a menu bar and one client canvas) and the canvas (a child
// window with a native window id; child coordinates are canvas-relative).
// Events reach the program through listener interfaces; every listener call
// runs as an event handler (see defer in ui.h).
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ui.h"

namespace platform::ui {

// The toolkit window behind a Window; defined inside platform/ui only.
struct NativeWindow;

// What frames and canvases have in common. Every operation is harmless once
// the toolkit window is gone (destroyed with its parent or after a close).
class Window {
public:
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    int x() const;
    int y() const;
    int width() const;
    int height() const;
    Rect rect() const { return {x(), y(), width(), height()}; }
    // Moves and sizes in one step; resize keeps the position.
    virtual void place(int x, int y, int w, int h);
    void resize(int w, int h) { place(x(), y(), w, h); }

    void show();
    void hide();
    // Shown and not minimised.
    bool visible() const;
    // The window exists on the display (it may be minimised).
    bool shown() const;
    bool exists() const;

    void setEnabled(bool enabled);
    bool enabled() const;

    // A deferred repaint of the whole window; `immediate` paints at once.
    void repaint(bool immediate = false);
    void setPointer(Pointer pointer);
    // The colour the window's background is painted in.
    Rgb background() const;
    // Pointer capture: while captured, the window receives the pointer's
    // moves and its button release wherever the pointer goes.
    void captureMouse();
    // Ends the capture (harmless when this window does not hold it).
    void releaseMouse();

    // The native (X11) window id; 0 until the window is shown. The window
    // exists on the display when the id is returned, so other display
    // connections may use it at once.
    unsigned long nativeId() const;

    NativeWindow* native() const { return native_.get(); }

protected:
    Window();
    std::unique_ptr<NativeWindow> native_;
};

class Canvas;
class DragDropListener;

// The program's side of a frame window.
class FrameListener {
public:
    virtual ~FrameListener() = default;
    // The user (or the program, through requestClose) closes the frame;
    // 0 lets the close go ahead, anything else refuses it.
    virtual int onFrameClose() = 0;
    // A menu item was chosen; true when it was handled.
    virtual bool onMenuCommand(unsigned commandId) = 0;
    // After an accepted close, once the toolkit window is gone. The listener
    // may delete the Frame here.
    virtual void onFrameDestroyed() = 0;
};

// One element of a frame's menu bar as the toolkit holds it (tests and
// diagnostics read the menu back through it).
struct MenuView {
    int depth = 0;  // 0: on the menu bar
    std::string label;
    unsigned commandId = 0;  // 0 for a submenu
    bool submenu = false;
    bool dividerAfter = false;
    bool enabled = true;
};

// A top-level frame window. Its client canvas fills the window below the
// menu bar. Escape does not close it; the window-manager close asks the
// listener, which may refuse. Minimum and maximum sizes are both handed to
// the window manager and enforced on every resize, since a display without
// a window manager enforces nothing.
class Frame : public Window {
public:
    static constexpr int kMenuBarHeight = 25;

    Frame(int x, int y, int w, int h, const char* title);
    ~Frame() override;

    void setListener(FrameListener* listener);

    void setTitle(const char* text);
    std::string title() const;

    // 0 for a maximum means no limit.
    void setSizeLimits(int minW, int minH, int maxW, int maxH);
    Size minimumSize() const;
    Size maximumSize() const;
    void place(int x, int y, int w, int h) override;
    bool minimized() const;

    // The client area of a frame with the given rectangle (screen
    // coordinates), and of this frame.
    Rect clientRectFor(const Rect& frame) const;
    Rect clientRect() const { return clientRectFor(rect()); }
    // The canvas that fills the client area (it must be a child of this
    // frame); null detaches.
    void setClient(Canvas* canvas);
    Canvas* client() const;

    // The menu bar: created empty; items are placed by the id of their
    // submenu (0: the bar itself). Labels are shown literally ('/', '&',
    // '_' and '@' have no meaning). Each call returns false (and changes
    // nothing) for an unknown parent or an id already used.
    void createMenuBar();
    bool hasMenuBar() const;
    void clearMenu();
    bool addMenuItem(unsigned parentId, unsigned commandId, const char* label);
    bool addSubmenu(unsigned parentId, unsigned submenuId, const char* label);
    bool addSeparator(unsigned parentId, unsigned separatorId);
    bool setMenuItemEnabled(unsigned id, bool enabled);
    std::vector<MenuView> menuView() const;
    // Chooses an item as a click on it would (tests); false when no item has
    // that id.
    bool chooseMenuItem(unsigned commandId);

    // Asks for a close as the window manager's close would, after the
    // handler now running has returned.
    void requestClose();

    // The number of Frame objects alive in the process.
    static int liveCount();

    struct Impl;

private:
    friend class Canvas;
    std::unique_ptr<Impl> impl_;
};

// Pointer events of a canvas, in canvas coordinates, with the button in the
// system's numbering (ui.h).
struct MouseEvent {
    enum Kind { Press, Release, Click, DoubleClick, Move };
    Kind kind = Move;
    int button = -1;
    int x = 0;
    int y = 0;
    bool alt = false;
    bool ctrl = false;
    bool shift = false;
};

// The program's side of a canvas.
class CanvasListener {
public:
    virtual ~CanvasListener() = default;
    // Inside the paint: (x0, y0)-(x1, y1) is the area to repaint. Child
    // controls are drawn over what the listener paints.
    virtual void onCanvasPaint(int x0, int y0, int x1, int y1) {}
    // True when the event was used.
    virtual bool onCanvasMouse(const MouseEvent& event) { return false; }
    // The canvas took a new size.
    virtual void onCanvasResize(int w, int h) {}
};

// A child window: the client of a frame, or a canvas inside another canvas
// (an embedded core's). Its children (controls, further canvases) keep
// their canvas-relative places when it is resized; the program lays them
// out itself.
class Canvas : public Window {
public:
    Canvas(Frame* parent, const Rect& rect);
    Canvas(Canvas* parent, const Rect& rect);
    ~Canvas() override;

    void setListener(CanvasListener* listener);
    CanvasListener* listener() const;
    // Takes part in drag and drop through the listener (dnd.h); null ends it.
    void setDragDropListener(DragDropListener* listener);
    DragDropListener* dragDropListener() const;
    void place(int x, int y, int w, int h) override;

    struct Impl;

private:
    friend class Frame;
    void attach(NativeWindow* parent, const Rect& rect);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::ui
