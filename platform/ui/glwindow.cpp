// The OpenGL child window on the toolkit's Fl_Gl_Window.
#include "platform/ui/glwindow.h"

#include <FL/Fl_Gl_Window.H>
#include <FL/gl.h>
#include <FL/x.H>

#include <algorithm>
#include <vector>

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

namespace {
class GlWindowFl;
}

struct GlWindow::Impl {
    GlWindowFl* fl = nullptr;  // cleared when the toolkit window goes
    GlWindowListener* listener = nullptr;
    int paints = 0;

    // The listener's set-up for a new context or a new size, with the
    // context current.
    void prepare();
};

namespace {

class GlWindowFl : public Fl_Gl_Window {
public:
    GlWindowFl(GlWindow::Impl* impl, int x, int y, int w, int h) : Fl_Gl_Window(x, y, w, h), impl_(impl) {
        impl_->fl = this;
    }
    ~GlWindowFl() override {
        if (impl_) impl_->fl = nullptr;
    }
    void forget() { impl_ = nullptr; }

    // The toolkit has made the context current; it swaps after the paint.
    void draw() override {
        if (!impl_) return;
        HandlerScope scope;
        impl_->prepare();
        if (impl_->listener) impl_->listener->onGlPaint();
        ++impl_->paints;
    }

    int handle(int event) override {
        switch (event) {
        case FL_PUSH: send(MouseEvent::Press); return 1;  // so that the release comes here too
        case FL_RELEASE: send(MouseEvent::Release); return 1;
        case FL_ENTER:
        case FL_LEAVE:
        case FL_MOVE:
        case FL_DRAG: return 1;
        default: return Fl_Gl_Window::handle(event);
        }
    }

private:
    void send(MouseEvent::Kind kind) {
        if (!impl_ || !impl_->listener) return;
        MouseEvent e = currentMouseEvent(kind);
        HandlerScope scope;
        impl_->listener->onGlMouse(e);
    }

    GlWindow::Impl* impl_;
};

}  // namespace

void GlWindow::Impl::prepare() {
    if (!fl) return;
    if (!fl->context_valid() && listener) listener->onGlContextCreated();
    if (!fl->valid() && listener) listener->onGlResize(fl->w(), fl->h());
    fl->context_valid(1);
    fl->valid(1);
}

GlWindow::GlWindow(Canvas* parent, const Rect& rect, const GlPixelFormat& format) : impl_(std::make_unique<Impl>()) {
    ensureToolkit();
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    auto* win = new GlWindowFl(impl_.get(), rect.x, rect.y, std::max(rect.w, 1), std::max(rect.h, 1));
    win->end();
    Fl_Group::current(saved);
    std::vector<int> attributes = glAttributes(format);
    if (format.available) win->mode(attributes.data());
    Fl_Double_Window* host = toolkitWindow(parent);
    if (host) {
        host->add(win);
        if (host->shown()) win->show();
    }
}

GlWindow::~GlWindow() {
    if (GlWindowFl* w = impl_->fl) {
        w->forget();
        impl_->fl = nullptr;
        delete w;  // leaves its parent's children
    }
}

void GlWindow::setListener(GlWindowListener* listener) { impl_->listener = listener; }

bool GlWindow::exists() const { return impl_->fl != nullptr; }
bool GlWindow::shown() const { return impl_->fl && impl_->fl->shown(); }
int GlWindow::width() const { return impl_->fl ? impl_->fl->w() : 0; }
int GlWindow::height() const { return impl_->fl ? impl_->fl->h() : 0; }

void GlWindow::place(int x, int y, int w, int h) {
    if (impl_->fl) impl_->fl->resize(x, y, std::max(w, 1), std::max(h, 1));
}

void GlWindow::show() {
    if (impl_->fl) impl_->fl->show();
}

void GlWindow::repaint() {
    if (impl_->fl) impl_->fl->redraw();
}

int GlWindow::paintCount() const { return impl_->paints; }

unsigned long GlWindow::nativeId() const { return shown() ? static_cast<unsigned long>(fl_xid(impl_->fl)) : 0UL; }

bool GlWindow::withContext(const std::function<void()>& task) {
    GlWindowFl* w = impl_->fl;
    if (!w || !w->shown()) return false;
    w->make_current();
    glDrawBuffer(GL_BACK);
    impl_->prepare();
    if (task) task();
    return true;
}

void GlWindow::swapBuffers() {
    if (impl_->fl && impl_->fl->shown()) impl_->fl->swap_buffers();
}

}  // namespace platform::ui
