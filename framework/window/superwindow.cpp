#include "framework/window/superwindow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/nls.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/util/bounded.h"
#include "framework/util/ticker.h"

namespace {

std::string& titlePrefixText() {
    static std::string prefix;
    return prefix;
}

}  // namespace

const char* SuperWindow::defaultTitle() { return "KZ+V SuperWindow (Linux edition)"; }
int SuperWindow::defaultStyle() { return kStyleVisible; }
platform::ui::Rect SuperWindow::defaultFramingSpec() { return {30, 30, 512, 384}; }

SuperWindow::SuperWindow(unsigned id, const platform::ui::Rect& rect, int style, const char* title)
    : iId(id), iStyle(style), iFrame(std::make_unique<platform::ui::Frame>(rect.x, rect.y, rect.w, rect.h, title)) {
    iFrame->setListener(this);
    initHandlers();
}

SuperWindow::~SuperWindow() {
    releaseCore();
    // The client goes with its frame.
    SuperCanvas* client = iClient;
    setClient(nullptr);
    delete client;
    iFrame->setListener(nullptr);
}

void SuperWindow::initHandlers() {
    iTickTimer.reset();
    iTicker.reset();
    iMenuItems.clear();
    iMenuTable = false;
    iNumVisualMenuItems = 0;
    iMinWidth = 20;
    iMinHeight = 20;
    iMaxWidth = 1600;
    iMaxHeight = 1200;
    iFrame->setSizeLimits(iMinWidth, iMinHeight, iMaxWidth, iMaxHeight);
    iCommandHandler = std::make_unique<KZVCommandHandler<SuperWindow>>(this);
    iFrameHandler = std::make_unique<KZVFrameHandler<SuperWindow>>(this);
    iMenuIdBase = 0;
    iMenuBar = false;
    iSubMenuNesting = 0;
    iLastSubMenuId = 0;
}

void SuperWindow::setSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
    bool changed = false;
    if (minWidth != -1) iMinWidth = minWidth, changed = true;
    if (minHeight != -1) iMinHeight = minHeight, changed = true;
    if (maxWidth != -1) iMaxWidth = maxWidth, changed = true;
    if (maxHeight != -1) iMaxHeight = maxHeight, changed = true;
    if (changed) iFrame->setSizeLimits(iMinWidth, iMinHeight, iMaxWidth, iMaxHeight);
    if (width() > iMaxWidth || height() > iMaxHeight)
        resizeTo(this, std::min(width(), iMaxWidth), std::min(height(), iMaxHeight));
}

platform::ui::Size SuperWindow::calcMaximumSize() { return {iMaxWidth, iMaxHeight}; }
platform::ui::Size SuperWindow::calcMinimumSize() { return {iMinWidth, iMinHeight}; }

void SuperWindow::setTitle(const char* text) {
    std::string title = boundedText((titlePrefixText() + (text ? text : "")).c_str(), kMaxTitle);
    iFrame->setTitle(title.c_str());
}

void SuperWindow::setTitlePrefix(const char* name) {
    titlePrefixText() = boundedText(name, kMaxTitlePrefixName) + " - ";
}

const std::string& SuperWindow::titlePrefix() { return titlePrefixText(); }

std::string SuperWindow::title() const { return iFrame->title(); }

void SuperWindow::addTickClient(SuperCore* core) {
    if (!iTicker) {
        iTicker = std::make_unique<Ticker>(this, true);
        iTickTimer = std::make_unique<platform::ui::Timer>();
        iTickTimer->start(Ticker::kPeriodMs, [this] {
            // The timer event as the window would see it.
            if (iTicker) iTicker->dispatchHandlerEvent(static_cast<int>(kTimerMessage), iTicker->timerId());
        });
    }
    iTicker->add(core);
}

void SuperWindow::releaseCore() {
    iTickTimer.reset();
    iTicker.reset();
    iFrameHandler.reset();
    iCommandHandler.reset();
    iMenuItems.clear();
    iMenuTable = false;
    iNumVisualMenuItems = 0;
    if (SuperCore* core = iCore) {
        debugLog("sa0");
        debugPrintfS("sa0n[%s]", core->getName());
        core->clearFrame();
        debugLog("sa0a");
        iCore = nullptr;
        delete core;
        debugLog("sa0b");
        debugLog("sa0z");
    }
}

// ---------------------------------------------------------------- menus

void SuperWindow::initMenu() {
    iMenuIdBase = iId;
    iSubMenuNesting = 0;
    iRefusedSubMenus = 0;
    if (iMenuBar)
        iFrame->clearMenu();
    else
        iFrame->createMenuBar();
    iMenuBar = true;
    iNumVisualMenuItems = 0;
    iMenuItems.clear();
    iMenuItems.reserve(kMaxMenuItems);
    iMenuTable = true;
}

bool SuperWindow::appendEntry(const char* kind, const char* name, const char* text, unsigned commandId) {
    if (!iMenuTable) {
        debugPrintfS("ERROR: menu entry %s before initMenu\n", name ? name : "-");
        return false;
    }
    if (iNumVisualMenuItems >= kMaxMenuItems) {
        debugPrintfSI("ERROR: menu entry %s refused, the table holds %d entries\n", name ? name : "-", kMaxMenuItems);
        return false;
    }
    VisualMenuItem e;
    e.kind = kind;
    e.name = name ? name : "";
    e.text = text ? text : "";
    e.commandId = commandId;
    if (kind == VisualMenuItem::kMenuItemKind) e.owner = this;
    iMenuItems.push_back(std::move(e));
    ++iNumVisualMenuItems;
    return true;
}

bool SuperWindow::knownParent(unsigned menuId) const {
    if (menuId == 0) return true;
    for (const VisualMenuItem& e : iMenuItems)
        if (e.kind == VisualMenuItem::kSubMenuKind && e.commandId == menuId) return true;
    return false;
}

void SuperWindow::addMenuItem(const char* name, unsigned menuId, const char* text) {
    if (!knownParent(menuId)) {
        debugPrintfSI("ERROR: menu item %s names no submenu %d\n", name ? name : "-", static_cast<int>(menuId));
        return;
    }
    unsigned id = iMenuIdBase + 500 + static_cast<unsigned>(iNumVisualMenuItems);
    const char* label = translate(name, text ? text : "");
    if (!appendEntry(VisualMenuItem::kMenuItemKind, name, label, id)) return;
    iFrame->addMenuItem(menuId, id, iMenuItems.back().text.c_str());
}

unsigned SuperWindow::addSubMenu(const char* name, const char* text) {
    debugLog("swasm ");
    if (iSubMenuNesting >= kMaxSubMenuDepth) {
        debugPrintfSI("ERROR: submenu %s refused, submenus nest at most %d deep\n", name ? name : "-",
                      kMaxSubMenuDepth);
        ++iRefusedSubMenus;
        return 0;
    }
    unsigned id = iMenuIdBase + 500 + static_cast<unsigned>(iNumVisualMenuItems);
    const char* label = translate(name, text ? text : "");
    if (!appendEntry(VisualMenuItem::kSubMenuKind, name, label, id)) {
        ++iRefusedSubMenus;
        return 0;
    }
    unsigned parent = iSubMenuNesting == 0 ? 0 : iSubMenuStack[iSubMenuNesting];
    iFrame->addSubmenu(parent, id, iMenuItems.back().text.c_str());
    ++iSubMenuNesting;
    iLastSubMenuId = id;
    iSubMenuStack[iSubMenuNesting] = id;
    return id;
}

void SuperWindow::addSeparator(unsigned menuId) {
    if (!knownParent(menuId)) {
        debugPrintfI("ERROR: separator names no submenu %d\n", static_cast<int>(menuId));
        return;
    }
    unsigned id = iMenuIdBase + 1000 + static_cast<unsigned>(iNumVisualMenuItems);
    if (!appendEntry(VisualMenuItem::kSeparatorKind, nullptr, nullptr, id)) return;
    iFrame->addSeparator(menuId, id);
}

void SuperWindow::endSubMenu() {
    if (iRefusedSubMenus > 0) {  // the end of a submenu that was refused
        --iRefusedSubMenus;
        return;
    }
    if (iSubMenuNesting == 0) {
        debugLog("ERROR: endSubMenu without a submenu\n");
        return;
    }
    --iSubMenuNesting;
}

void SuperWindow::endMenu() {}

void SuperWindow::enableMenuItem(const char* name, int flag) {
    if (!name) return;
    for (const VisualMenuItem& e : iMenuItems)
        if (e.hasName() && e.name == name) iFrame->setMenuItemEnabled(e.commandId, flag != 0);
}

// ---------------------------------------------------------------- events

int SuperWindow::onCommand(KZVEvent& event) {
    if (event.message != kCommandMessage) return 0;
    unsigned cid = static_cast<unsigned>(event.param1 & 0xFFFF);
    debugPrintfII("cid=%d, iNumVisualMenuItems=%d\n", static_cast<int>(cid), iNumVisualMenuItems);
    for (const VisualMenuItem& e : iMenuItems) {
        if (e.commandId != cid) continue;
        // A copy: the core's handler may rebuild the menu.
        VisualMenuItem entry = e;
        envokeMenuItem(entry);
        return 1;
    }
    return 0;
}

void SuperWindow::envokeMenuItem(const VisualMenuItem& entry) {
    if (entry.hasName()) debugPrintfS("vmi name is %s\n", entry.name.c_str());
    SuperCanvas* client = iClient;
    if (!client) {
        debugLog("ERROR: 38451 in SuperWindow\n");
        std::exit(1);
    }
    if (entry.kind == VisualMenuItem::kMenuItemKind) {
        debugPrintfS("envoke menu item %s\n", entry.name.c_str());
        client->setCoreIntValue(entry.name.c_str(), 1);
    }
}

int SuperWindow::onClose() {
    if (iCore) return iCore->onClose();
    return 0;
}

int SuperWindow::onFrameClose() {
    KZVEvent event;
    event.kind = KZVEventKind::FrameClose;
    event.window = this;
    if (!iHandlers.dispatch(event)) return 0;
    return event.result;
}

bool SuperWindow::onMenuCommand(unsigned commandId) {
    KZVEvent event;
    event.kind = KZVEventKind::Command;
    event.message = kCommandMessage;
    event.param1 = commandId;
    event.window = this;
    return iHandlers.dispatch(event);
}

void SuperWindow::onFrameDestroyed() { delete this; }

void SuperWindow::enable() { iFrame->show(); }
void SuperWindow::close() { iFrame->requestClose(); }

void SuperWindow::setClient(SuperCanvas* canvas) {
    iClient = canvas;
    iFrame->setClient(canvas ? canvas->platformCanvas() : nullptr);
}

// ---------------------------------------------------------------- free functions

void resizeTo(SuperWindow* window, int width, int height) {
    if (window) window->platformFrame()->resize(width, height);
}

void placeWindow(SuperWindow* window, int x, int y, int width, int height) {
    if (window) window->platformFrame()->place(x, y, width, height);
}

void resizeTo(SuperCanvas* window, int width, int height) {
    if (window) window->platformCanvas()->resize(width, height);
}

void placeWindow(SuperCanvas* window, int x, int y, int width, int height) {
    if (window) window->platformCanvas()->place(x, y, width, height);
}

void setWaitPointer(SuperWindow* window) {
    if (window) window->platformFrame()->setPointer(platform::ui::Pointer::Wait);
}

void setDefaultPointer(SuperWindow* window) {
    if (window) window->platformFrame()->setPointer(platform::ui::Pointer::Default);
}

namespace {
SuperWindow* pointerFrame(SuperCore* core) {
    if (core && core->frame()) return core->frame();
    SuperCore* main = currentExec ? currentExec->mainCore() : nullptr;
    return main ? main->frame() : nullptr;
}
}  // namespace

void showWaitPointer(SuperCore* core) { setWaitPointer(pointerFrame(core)); }
void showDefaultPointer(SuperCore* core) { setDefaultPointer(pointerFrame(core)); }
