#include "framework/canvas/supercanvas.h"

#include <algorithm>

#include "framework/app/debuglog.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"

namespace {
int addressOf(const void* p) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(p)); }
}  // namespace

platform::ui::Rect SuperCanvas::defaultFramingSpec() { return {31, 32, 512, 384}; }

SuperCanvas::SuperCanvas(unsigned id, SuperWindow* parent, const platform::ui::Rect& rect, int style)
    : iId(id), iStyle(style), iParentFrame(parent),
      iWindow(std::make_unique<platform::ui::Canvas>(parent ? parent->platformFrame() : nullptr, rect)) {
    initHandlers();
}

SuperCanvas::SuperCanvas(unsigned id, SuperCanvas* parent, const platform::ui::Rect& rect, int style)
    : iId(id), iStyle(style), iParentCanvas(parent),
      iWindow(std::make_unique<platform::ui::Canvas>(parent ? parent->platformCanvas() : nullptr, rect)) {
    if (parent) parent->iChildren.push_back(this);
    initHandlers();
}

SuperCanvas::~SuperCanvas() {
    deleteHandlers();
    // Child canvases are destroyed with their parent window.
    std::vector<SuperCanvas*> children;
    children.swap(iChildren);
    for (SuperCanvas* c : children) {
        c->iParentCanvas = nullptr;
        delete c;
    }
    if (iParentCanvas) {
        auto& siblings = iParentCanvas->iChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (iParentFrame && iParentFrame->client() == this) iParentFrame->setClient(nullptr);
    // A core that outlives its canvas must not reach it any more.
    if (iCore && iCore->canvas() == this) iCore->clearCanvas();
    iWindow.reset();
}

void SuperCanvas::initHandlers() {
    iShown = 1;
    iHandlersLive = true;
}

void SuperCanvas::deleteHandlers() {
    if (!iHandlersLive) return;
    iHandlersLive = false;
}

void SuperCanvas::init() { debugLog("virtual SuperCanvas::init called."); }
void SuperCanvas::uninit() { debugLog("virtual SuperCanvas::uninit called."); }

void SuperCanvas::setCoreValue(const char* name, const char* text) {
    if (!iCore) {
        debugPrintfSS("virtual SuperCanvas::setCoreValue called for %s %s has no Core.\n", name ? name : "",
                      text ? text : "");
        return;
    }
    iCore->setValue(name, text);
}

void SuperCanvas::setCoreIntValue(const char* name, int value) {
    debugPrintfSI("CIV %s %d\n", name ? name : "", value);
    debugPrintfI("core=%d\n", addressOf(iCore));
    if (iCore)
        iCore->setIntValue(name, value);
    else
        debugPrintfSI("virtual SuperCanvas::setCoreIntValue called for %s %d has no Core.\n", name ? name : "", value);
    debugLog("CIV. \n");
}

void SuperCanvas::setValue(const char* name, const char*) { debugPrintfS("sv %s\n", name ? name : ""); }

SuperWindow* SuperCanvas::menuFrame() const {
    for (const SuperCanvas* c = this; c; c = c->iParentCanvas)
        if (c->iParentFrame) return c->iParentFrame;
    return nullptr;
}

void SuperCanvas::initMenu() {
    if (SuperWindow* f = menuFrame()) f->initMenu();
}

void SuperCanvas::addMenuItem(const char* name, unsigned menuId, const char* text) {
    if (SuperWindow* f = menuFrame()) f->addMenuItem(name, menuId, text);
}

unsigned SuperCanvas::addSubMenu(const char* name, const char* text) {
    debugLog("scasm ");
    SuperWindow* f = menuFrame();
    return f ? f->addSubMenu(name, text) : 0;
}

void SuperCanvas::addSeparator(unsigned menuId) {
    if (SuperWindow* f = menuFrame()) f->addSeparator(menuId);
}

void SuperCanvas::endSubMenu() {
    if (SuperWindow* f = menuFrame()) f->endSubMenu();
}

void SuperCanvas::endMenu() {
    if (SuperWindow* f = menuFrame()) f->endMenu();
}
