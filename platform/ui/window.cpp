// Frame windows and canvases on the toolkit.
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/x.H>

#include <algorithm>
#include <cstdint>

#include "platform/ui/dnd_detail.h"
#include "platform/ui/fltk_detail.h"
#include "platform/ui/pixels.h"

namespace platform::ui {

namespace {

// Creates a toolkit window that is added to no group, so the caller decides
// where it goes.
template <class W, class... Args>
W* makeDetached(Args&&... args) {
    ensureToolkit();
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    W* w = new W(std::forward<Args>(args)...);
    w->end();
    Fl_Group::current(saved);
    return w;
}

}  // namespace

// ---------------------------------------------------------------- Window

Window::Window() : native_(std::make_unique<NativeWindow>()) { native_->owner = this; }

Window::~Window() = default;

int Window::x() const {
    auto* w = toolkitWindow(this);
    return w ? w->x() : 0;
}
int Window::y() const {
    auto* w = toolkitWindow(this);
    return w ? w->y() : 0;
}
int Window::width() const {
    auto* w = toolkitWindow(this);
    return w ? w->w() : 0;
}
int Window::height() const {
    auto* w = toolkitWindow(this);
    return w ? w->h() : 0;
}

void Window::place(int x, int y, int w, int h) {
    if (auto* win = toolkitWindow(this)) win->resize(x, y, w, h);
}

void Window::show() {
    if (auto* w = toolkitWindow(this)) w->show();
}

void Window::hide() {
    if (auto* w = toolkitWindow(this)) w->hide();
}

bool Window::visible() const {
    auto* w = toolkitWindow(this);
    return w && w->shown() && w->visible();
}

bool Window::shown() const {
    auto* w = toolkitWindow(this);
    return w && w->shown();
}

bool Window::exists() const { return toolkitWindow(this) != nullptr; }

void Window::setEnabled(bool enabled) {
    auto* w = toolkitWindow(this);
    if (!w) return;
    if (enabled)
        w->activate();
    else
        w->deactivate();
}

bool Window::enabled() const {
    auto* w = toolkitWindow(this);
    return w && w->active();
}

void Window::repaint(bool immediate) {
    auto* w = toolkitWindow(this);
    if (!w) return;
    w->redraw();
    if (immediate && w->shown()) Fl::flush();
}

void Window::setPointer(Pointer pointer) {
    auto* w = toolkitWindow(this);
    if (!w) return;
    w->cursor(pointer == Pointer::Wait ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
}

Rgb Window::background() const {
    auto* w = toolkitWindow(this);
    uchar r = 0, g = 0, b = 0;
    Fl::get_color(w ? w->color() : FL_BACKGROUND_COLOR, r, g, b);
    return {r, g, b};
}

void Window::captureMouse() {
    if (auto* w = toolkitWindow(this)) Fl::pushed(w);
}

void Window::releaseMouse() {
    auto* w = toolkitWindow(this);
    if (w && Fl::pushed() == w) Fl::pushed(nullptr);
}

unsigned long Window::nativeId() const {
    auto* w = toolkitWindow(this);
    if (!w || !w->shown()) return 0UL;
    // The window is made on the display before its id is handed out, so
    // another connection (a module drawing into it) can use it at once.
    if (fl_display) XSync(fl_display, False);
    return static_cast<unsigned long>(fl_xid(w));
}

// ---------------------------------------------------------------- Frame

struct Canvas::Impl {
    CanvasListener* listener = nullptr;
    DragTracker dnd;
    Frame* parentFrame = nullptr;
    std::shared_ptr<bool> frameAlive;  // the parent frame may go first
};

namespace {

struct MenuNode {
    enum Kind { Item, Submenu, Separator };
    Kind kind;
    unsigned id;
    unsigned parent;
    std::string label;  // owned here: the toolkit's items point into it
    bool enabled = true;
};

class FrameWindowFl;
int liveFrames = 0;

}  // namespace

struct Frame::Impl {
    Frame* self = nullptr;
    FrameListener* listener = nullptr;
    Fl_Menu_Bar* menuBar = nullptr;
    Canvas* client = nullptr;
    int minW = 0, minH = 0, maxW = 0, maxH = 0;
    bool closing = false;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    std::vector<std::unique_ptr<MenuNode>> nodes;
    std::vector<Fl_Menu_Item> items;
    std::vector<Fl_Menu_Item> previousItems;  // still referenced while a pick returns

    Fl_Double_Window* window() const { return toolkitWindow(self); }

    void clamp(int& w, int& h) const {
        w = std::max(w, minW);
        h = std::max(h, minH);
        if (maxW > 0) w = std::min(w, maxW);
        if (maxH > 0) h = std::min(h, maxH);
    }

    int menuHeight() const { return menuBar ? kMenuBarHeight : 0; }

    // Places the menu bar and the client. The client is the toolkit's
    // resizable, so a resize of the frame gives it its new size in one
    // step (the toolkit pins the size of a window without a resizable).
    void layout() {
        Fl_Double_Window* w = window();
        if (!w) return;
        int mh = menuHeight();
        if (menuBar) menuBar->resize(0, 0, w->w(), mh);
        Fl_Double_Window* c = toolkitWindow(client);
        if (c) c->resize(0, mh, w->w(), std::max(0, w->h() - mh));
        w->resizable(c ? static_cast<Fl_Widget*>(c) : w);
        w->init_sizes();
    }

    MenuNode* find(unsigned id) {
        for (auto& n : nodes)
            if (n->id == id) return n.get();
        return nullptr;
    }

    bool add(MenuNode::Kind kind, unsigned parent, unsigned id, const char* label) {
        if (!menuBar || id == 0 || find(id)) return false;
        if (parent != 0) {
            MenuNode* p = find(parent);
            if (!p || p->kind != MenuNode::Submenu) return false;
        }
        nodes.push_back(std::make_unique<MenuNode>(MenuNode{kind, id, parent, label ? label : "", true}));
        rebuild();
        return true;
    }

    static void itemChosen(Fl_Widget* bar, void* data) {
        auto* impl = static_cast<Impl*>(bar->user_data());
        unsigned id = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(data));
        if (!impl || !impl->listener) return;
        HandlerScope scope;
        impl->listener->onMenuCommand(id);
    }

    Fl_Menu_Item makeItem(const MenuNode& n, int flags) {
        Fl_Menu_Item it{};
        it.text = n.label.c_str();
        it.flags = flags | (n.enabled ? 0 : FL_MENU_INACTIVE);
        it.labeltype_ = literalLabelType();
        if (n.kind == MenuNode::Item) {
            it.callback_ = itemChosen;
            it.user_data_ = reinterpret_cast<void*>(static_cast<std::uintptr_t>(n.id));
        }
        return it;
    }

    void emit(unsigned parent) {
        long last = -1;
        for (auto& n : nodes) {
            if (n->parent != parent) continue;
            switch (n->kind) {
            case MenuNode::Item:
                last = static_cast<long>(items.size());
                items.push_back(makeItem(*n, 0));
                break;
            case MenuNode::Submenu:
                last = static_cast<long>(items.size());
                items.push_back(makeItem(*n, FL_SUBMENU));
                emit(n->id);
                items.push_back(Fl_Menu_Item{});
                break;
            case MenuNode::Separator:
                // The toolkit draws a divider below an item; a separator
                // before the first item of a menu has nothing to hang on.
                if (last >= 0) items[static_cast<std::size_t>(last)].flags |= FL_MENU_DIVIDER;
                break;
            }
        }
    }

    void rebuild() {
        previousItems.swap(items);
        items.clear();
        emit(0);
        items.push_back(Fl_Menu_Item{});
        if (menuBar) {
            menuBar->menu(items.data());
            menuBar->redraw();
        }
    }

    // The close road: ask the listener, then hide at once and destroy the
    // toolkit window once the handler has returned.
    void closeRequested() {
        if (closing || !window()) return;
        int refused = 0;
        std::shared_ptr<bool> token = alive;
        if (listener) {
            HandlerScope scope;
            refused = listener->onFrameClose();
        }
        if (!*token || refused != 0 || closing) return;
        closing = true;
        if (Fl_Double_Window* w = window()) w->hide();
        defer([token, this] {
            if (*token) destroyWindow();
        });
    }

    void destroyWindow() {
        Fl_Double_Window* w = window();
        menuBar = nullptr;
        delete w;  // its children (the client canvas) go with it
        frameGone(self);
        if (FrameListener* l = listener) l->onFrameDestroyed();  // may delete the Frame
    }

    static void windowCallback(Fl_Widget*, void* data) {
        // Escape reaches a window as its callback too; it does not close.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        static_cast<Impl*>(data)->closeRequested();
    }
};

namespace {

class FrameWindowFl : public TrackedWindow {
public:
    FrameWindowFl(NativeWindow* native, Frame::Impl* impl, int x, int y, int w, int h, const char* title)
        : TrackedWindow(native, x, y, w, h), impl_(impl) {
        copy_label(title ? title : "");
        resizable(this);  // until there is a client (see layout)
    }

    void resize(int x, int y, int w, int h) override {
        impl_->clamp(w, h);
        TrackedWindow::resize(x, y, w, h);
        impl_->layout();
    }

private:
    Frame::Impl* impl_;
};

}  // namespace

Frame::Frame(int x, int y, int w, int h, const char* title) : impl_(std::make_unique<Impl>()) {
    ++liveFrames;
    impl_->self = this;
    auto* win = makeDetached<FrameWindowFl>(native_.get(), impl_.get(), x, y, std::max(w, 1), std::max(h, 1), title);
    win->callback(Impl::windowCallback, impl_.get());
}

Frame::~Frame() {
    *impl_->alive = false;
    impl_->client = nullptr;
    impl_->menuBar = nullptr;
    delete toolkitWindow(this);
    frameGone(this);
    --liveFrames;
}

int Frame::liveCount() { return liveFrames; }

void Frame::setListener(FrameListener* listener) { impl_->listener = listener; }

void Frame::setTitle(const char* text) {
    if (auto* w = toolkitWindow(this)) w->copy_label(text ? text : "");
}

std::string Frame::title() const {
    auto* w = toolkitWindow(this);
    return (w && w->label()) ? w->label() : "";
}

void Frame::setSizeLimits(int minW, int minH, int maxW, int maxH) {
    impl_->minW = std::max(0, minW);
    impl_->minH = std::max(0, minH);
    impl_->maxW = std::max(0, maxW);
    impl_->maxH = std::max(0, maxH);
    if (auto* w = toolkitWindow(this))
        w->size_range(std::max(1, impl_->minW), std::max(1, impl_->minH), impl_->maxW, impl_->maxH);
}

Size Frame::minimumSize() const { return {impl_->minW, impl_->minH}; }
Size Frame::maximumSize() const { return {impl_->maxW, impl_->maxH}; }

void Frame::place(int x, int y, int w, int h) {
    impl_->clamp(w, h);
    Window::place(x, y, w, h);
}

bool Frame::minimized() const {
    auto* w = toolkitWindow(this);
    return w && w->shown() && !w->visible();
}

Rect Frame::clientRectFor(const Rect& frame) const {
    int mh = impl_->menuHeight();
    return {frame.x, frame.y + mh, frame.w, std::max(0, frame.h - mh)};
}

void Frame::setClient(Canvas* canvas) {
    impl_->client = canvas;
    impl_->layout();
}

Canvas* Frame::client() const { return impl_->client; }

void Frame::createMenuBar() {
    Fl_Double_Window* w = toolkitWindow(this);
    if (!w || impl_->menuBar) return;
    ensureToolkit();
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    impl_->menuBar = new Fl_Menu_Bar(0, 0, w->w(), kMenuBarHeight);
    Fl_Group::current(saved);
    impl_->menuBar->user_data(impl_.get());
    w->add(impl_->menuBar);
    impl_->rebuild();
    impl_->layout();
    w->redraw();
}

bool Frame::hasMenuBar() const { return impl_->menuBar != nullptr; }

void Frame::clearMenu() {
    impl_->nodes.clear();
    impl_->rebuild();
}

bool Frame::addMenuItem(unsigned parentId, unsigned commandId, const char* label) {
    return impl_->add(MenuNode::Item, parentId, commandId, label);
}

bool Frame::addSubmenu(unsigned parentId, unsigned submenuId, const char* label) {
    return impl_->add(MenuNode::Submenu, parentId, submenuId, label);
}

bool Frame::addSeparator(unsigned parentId, unsigned separatorId) {
    return impl_->add(MenuNode::Separator, parentId, separatorId, "");
}

bool Frame::setMenuItemEnabled(unsigned id, bool enabled) {
    MenuNode* n = impl_->find(id);
    if (!n) return false;
    if (n->enabled != enabled) {
        n->enabled = enabled;
        impl_->rebuild();
    }
    return true;
}

std::vector<MenuView> Frame::menuView() const {
    std::vector<MenuView> out;
    int depth = 0;
    for (const Fl_Menu_Item& it : impl_->items) {
        if (!it.text) {
            if (--depth < 0) break;
            continue;
        }
        MenuView v;
        v.depth = depth;
        v.label = it.text;
        v.submenu = (it.flags & FL_SUBMENU) != 0;
        v.commandId = v.submenu ? 0 : static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(it.user_data_));
        v.dividerAfter = (it.flags & FL_MENU_DIVIDER) != 0;
        v.enabled = (it.flags & FL_MENU_INACTIVE) == 0;
        out.push_back(v);
        if (v.submenu) ++depth;
    }
    return out;
}

bool Frame::chooseMenuItem(unsigned commandId) {
    if (!impl_->menuBar) return false;
    for (const Fl_Menu_Item& it : impl_->items) {
        if (!it.text || (it.flags & FL_SUBMENU) || !it.callback_) continue;
        if (static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(it.user_data_)) != commandId) continue;
        if (it.flags & FL_MENU_INACTIVE) return false;
        impl_->menuBar->picked(&it);
        return true;
    }
    return false;
}

void Frame::requestClose() {
    std::shared_ptr<bool> token = impl_->alive;
    Impl* impl = impl_.get();
    defer([token, impl] {
        if (*token) impl->closeRequested();
    });
}

// ---------------------------------------------------------------- Canvas

namespace {

class CanvasWindowFl : public TrackedWindow {
public:
    CanvasWindowFl(NativeWindow* native, Canvas::Impl* impl, int x, int y, int w, int h)
        : TrackedWindow(native, x, y, w, h), impl_(impl) {
        // Children keep their places; the program lays them out.
        resizable(nullptr);
    }
    ~CanvasWindowFl() override { Fl::remove_timeout(markStaleControls, this); }

    void draw() override {
        if (damage() & ~FL_DAMAGE_CHILD) {
            draw_box(box(), 0, 0, w(), h(), color());
            if (impl_->listener) {
                HandlerScope scope;
                PaintScope paint(native());
                impl_->listener->onCanvasPaint(0, 0, w(), h());
            }
        }
        draw_children();
        // A control changed during the paint outside the area being
        // repainted keeps its mark for a redraw, but the window's own mark
        // is cleared once the paint ends, so nothing would draw it. Its
        // area is marked again after this paint.
        for (int i = 0; i < children(); ++i)
            if (stale(child(i))) {
                if (!Fl::has_timeout(markStaleControls, this)) Fl::add_timeout(0.0, markStaleControls, this);
                break;
            }
    }

    void resize(int x, int y, int w, int h) override {
        bool sized = (w != this->w() || h != this->h());
        TrackedWindow::resize(x, y, w, h);
        if (sized && impl_->listener) {
            HandlerScope scope;
            impl_->listener->onCanvasResize(w, h);
        }
    }

    int handle(int event) override {
        if (impl_->dnd.handle(this, event)) return 1;
        switch (event) {
        case FL_ENTER: TrackedWindow::handle(event); return 1;  // so that moves are reported
        case FL_PUSH:
            if (TrackedWindow::handle(event)) return 1;  // a child took it
            deliver(event);
            return 1;
        case FL_MOVE:
            TrackedWindow::handle(event);
            if (Fl::belowmouse() == this) deliver(event);  // not over a child
            return 1;
        case FL_DRAG:
        case FL_RELEASE: deliver(event); return 1;
        default: return TrackedWindow::handle(event);
        }
    }

private:
    // A shown control that still waits for a redraw.
    static bool stale(const Fl_Widget* c) { return c->type() < FL_WINDOW && c->visible() && c->damage(); }
    static void markStaleControls(void* data) {
        auto* self = static_cast<CanvasWindowFl*>(data);
        for (int i = 0; i < self->children(); ++i) {
            Fl_Widget* c = self->child(i);
            if (stale(c)) self->damage(FL_DAMAGE_ALL, c->x(), c->y(), c->w(), c->h());
        }
    }

    void send(MouseEvent::Kind kind) {
        if (!impl_->listener) return;
        MouseEvent e = currentMouseEvent(kind);
        HandlerScope scope;
        impl_->listener->onCanvasMouse(e);
    }

    void deliver(int event) {
        switch (event) {
        case FL_PUSH:
            send(MouseEvent::Press);
            if (Fl::event_clicks() > 0) send(MouseEvent::DoubleClick);
            break;
        case FL_RELEASE: {
            bool click = Fl::event_is_click() != 0;
            send(MouseEvent::Release);
            if (click) send(MouseEvent::Click);
            break;
        }
        default: send(MouseEvent::Move); break;
        }
    }

    Canvas::Impl* impl_;
};

}  // namespace

Canvas::Canvas(Frame* parent, const Rect& rect) : impl_(std::make_unique<Impl>()) {
    impl_->parentFrame = parent;
    if (parent) impl_->frameAlive = parent->impl_->alive;
    attach(parent ? parent->native() : nullptr, rect);
}

Canvas::Canvas(Canvas* parent, const Rect& rect) : impl_(std::make_unique<Impl>()) {
    attach(parent ? parent->native() : nullptr, rect);
}

void Canvas::attach(NativeWindow* parent, const Rect& rect) {
    auto* win = makeDetached<CanvasWindowFl>(native_.get(), impl_.get(), rect.x, rect.y, std::max(rect.w, 1),
                                             std::max(rect.h, 1));
    if (parent && parent->fl) {
        parent->fl->add(win);
        if (parent->fl->shown()) win->show();
    }
}

Canvas::~Canvas() {
    impl_->listener = nullptr;
    if (impl_->parentFrame && *impl_->frameAlive && impl_->parentFrame->client() == this)
        impl_->parentFrame->setClient(nullptr);
    delete toolkitWindow(this);
}

void Canvas::setListener(CanvasListener* listener) { impl_->listener = listener; }
CanvasListener* Canvas::listener() const { return impl_->listener; }

void Canvas::setDragDropListener(DragDropListener* listener) { impl_->dnd.setListener(listener); }
DragDropListener* Canvas::dragDropListener() const { return impl_->dnd.listener(); }

void Canvas::place(int x, int y, int w, int h) { Window::place(x, y, std::max(w, 0), std::max(h, 0)); }

}  // namespace platform::ui
