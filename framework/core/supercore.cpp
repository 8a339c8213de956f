#include "framework/core/supercore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/options.h"
#include "framework/app/placement.h"
#include "framework/canvas/supercanvas.h"
#include "framework/util/bounded.h"
#include "framework/util/ticker.h"
#include "framework/window/superwindow.h"
#include "platform/ui/ui.h"

library* coreLibrary = nullptr;

namespace {
bool hasOption(const std::string& key) { return getStringOption(key.c_str()) != nullptr; }
int intOption(const std::string& key) { return getIntOption(key.c_str()); }
}  // namespace

SuperCore::SuperCore(const char* windowName, int width, int height, int extra) {
    if (coreLibrary) coreLibrary->addSuperCore(this);
    iWidth = width;
    iHeight = height;
    iExtra = extra;
    const char* name = windowName ? windowName : "anonymous";
    if (std::strncmp(name, "sync,", 5) == 0) {
        name += 5;
        iSync = true;
        debugLog("SuperCore visual is in sync mode\n");
    }
    iName = boundedText(name, kMaxName);
    char line[128];
    std::snprintf(line, sizeof line, "vf aName=%d,%s\n", addressOf(iName.c_str()), iName.c_str());
    debugLog(line);

    // The saved placement. A first start has none: the default framing
    // rather than a window of no size.
    const int savedX = hasOption(iName + "OX") ? intOption(iName + "OX") : kDefaultX;
    const int savedY = hasOption(iName + "OY") ? intOption(iName + "OY") : kDefaultY;
    const int savedW = width != 0 ? width : intOption(iName + "OW");
    const int savedH = height != 0 ? height : intOption(iName + "OH");

    // Keep the window where the desktop shows it, whatever the file held.
    platform::ui::Size desktop = platform::ui::desktopSize();
    WindowPlacement placed =
        keepOnDesktop(savedX, savedY, savedW, savedH, desktop.w, desktop.h, {30, 30, kDefaultWidth, kDefaultHeight});
    const int x = placed.x, y = placed.y, w = placed.w, h = placed.h;

    int frameStyle = SuperWindow::defaultStyle() | (iSync ? SuperWindow::kStyleSyncPaint : 0);
    iFrame = new SuperWindow(SuperWindow::defaultId, {x, y, w, h}, frameStyle, "");
    int canvasStyle = SuperCanvas::defaultStyle() | (iSync ? SuperCanvas::kStyleSyncPaint : 0);
    iCanvas = new SuperCanvas(SuperCanvas::defaultId, iFrame, SuperCanvas::defaultFramingSpec(), canvasStyle);
    iFrame->setClient(iCanvas);
    iFrame->enable();
    iFrame->setCore(this);
    iCanvas->setCore(this);
    SuperCore::init();
    iCanvas->markShown();
}

SuperCore::SuperCore() : iName("unnamed") { SuperCore::init(); }

SuperCore::~SuperCore() {
    if (coreLibrary) coreLibrary->removeSuperCore(this);
    // No tick may reach a core that is gone.
    if (mainTicker) mainTicker->removeClient(this);
    if (currentExec && currentExec->mainCore() == this) currentExec->forgetMainCore();
    // An embedded core leaves the canvas it lives in: its list of embedded
    // cores, its anchors and any record that held it.
    if (iCanvas && iCanvas->parentCanvas()) iCanvas->parentCanvas()->removeEmbeddedCore(this);
    // The embedded cores handed to this one go while its canvas stands.
    iAdoptedCores.clear();
    debugLog("~SuperCore()\n");
    SuperCore::uninit();
    debugPrintfI("~SuperCore() vf=%d \n", addressOf(iFrame));
    if (SuperWindow* frame = iFrame) {
        // Deleted while its frame still exists (shut-down): the frame closes
        // without a core.
        saveWindowMetrics();
        if (iCanvas && iCanvas->getCore() == this) iCanvas->setCore(nullptr);
        debugLog("sc::p12");
        frame->setCore(nullptr);
        debugLog("sc::p13");
        iFrame = nullptr;
        frame->close();
        debugLog("sc::p14");
    } else if (iCanvas && iCanvas->getCore() == this) {
        // An embedded core: its canvas stays with the parent window.
        iCanvas->setCore(nullptr);
    }
    debugLog("~SuperCore() done\n");
}

void SuperCore::adoptEmbeddedCore(SuperCore* core) {
    if (core && core != this) iAdoptedCores.emplace_back(core);
}

void SuperCore::init() {}
void SuperCore::uninit() {}
void SuperCore::createVisual() {}
int SuperCore::onMouseMove(int, int) { return 0; }
int SuperCore::onMouse(int, int, int, int) { return 0; }
int SuperCore::paint(int, int, int, int) { return 0; }
int SuperCore::paintOverlay(SuperCanvas*, int, int, int, int) { return 0; }

int SuperCore::onResize(int, int) {
    saveWindowMetrics();
    return 0;
}

void SuperCore::reResize() { onResize(iWidth, iHeight); }

int SuperCore::setSize(int w, int h) {
    iWidth = w;
    iHeight = h;
    ++iSizeCalls;
    debugPrintfI("first=%d\n", iSizeCalls);
    return 0;
}

int SuperCore::onClose() {
    // Everything needed after the release is taken first: the release
    // deletes this core.
    SuperWindow* frame = iFrame;
    Exec* exec = currentExec;
    const bool isMain = exec && exec->mainCore() == this;
    if (iCanvas) iCanvas->deleteHandlers();
    saveWindowMetrics();
    if (frame) frame->releaseCore();
    debugLog("sc::C\n");
    debugLog("ocr");
    if (isMain && currentExec == exec && exec) {
        exec->uninit();
        delete exec;
    }
    return 0;
}

void SuperCore::setValue(const char*, const char*) { debugLog("virtual SuperCore::setValue called\n"); }
void SuperCore::setIntValue(const char*, int) { debugLog("virtual SuperCore::setIntValue called\n"); }
const char* SuperCore::getBaseClassName() { return "SuperCore"; }

const char* SuperCore::describe() {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ud", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this)));
    iDescription = buffer;
    return iDescription.c_str();
}

void SuperCore::dropFiles(char**, int, int) { debugLog("virtual SuperCore::dropFiles called\n"); }

int SuperCore::getDragFile(int*, std::string*, std::string*) {
    debugLog("virtual SuperCore::getDragFile called\n");
    return 0;
}

void SuperCore::onIntuitick() { debugLog("virtual SuperCore::onIntuitick called\n"); }
void SuperCore::onPrivIntuitick() { debugLog("virtual SuperCore::onPrivIntuitick called\n"); }
int SuperCore::onListSelect(const char*, SuperCore*, int) { return 0; }
const char* SuperCore::getName() { return iName.c_str(); }
void SuperCore::setVisible(int) {}
void SuperCore::hide() {}
void SuperCore::setEnabled(int) {}
void SuperCore::disable() {}
int SuperCore::reservedQuery1() { return 0; }
int SuperCore::reservedQuery2() { return 0; }
void SuperCore::setCommandCore(const char* command, SuperCore* sender) { setIntValue(command, sender ? 1 : 0); }

void SuperCore::saveWindowMetrics() {
    debugLog("sa1");
    debugLog("sa2");
    if (!iFrame || !iCanvas) return;
    debugLog("sa3");
    const int fx = iFrame->x(), fy = iFrame->y();
    const int cw = iCanvas->width(), ch = iCanvas->height();
    if (fx >= 6000 || fy >= 6000 || cw >= 6000 || ch >= 6000) return;
    debugLog("sa4");
    // The client set: the frame position plus the client area's offset.
    platform::ui::Rect c = iFrame->clientRectFor({50, 50, 20, 20});
    int X = fx + c.x - 50;
    int Y = fy + c.y - 50 - 16;
    int W = cw, H = ch;
    int OX = fx, OY = fy, OW = iFrame->width(), OH = iFrame->height();
    X = std::max(X, 10);
    Y = std::max(Y, 15);
    if (W < 40 || H < 40) return;
    OX = std::max(OX, 10);
    OY = std::max(OY, 15);
    if (OW < 40 || OH < 40) return;
    debugPrintfIIII("metrics - %d,%d %d,%d ", X, Y, W, H);
    debugPrintfIIII(" - %d,%d %d,%d\n", OX, OY, OW, OH);
    const char* suffixes[] = {"X", "Y", "W", "H", "OX", "OY", "OW", "OH"};
    const int values[] = {X, Y, W, H, OX, OY, OW, OH};
    for (int i = 0; i < 8; ++i) setIntOptionFor(iName.c_str(), suffixes[i], values[i]);
    // A failed save is logged by the writer; the placement stays in the
    // options store for the save at shut-down.
    (void)saveOptions();
}

void SuperCore::showInfo(const char* text) {
    if (!iCanvas) return;
    std::string line = " " + boundedText(text, kMaxInfo);
    iCanvas->setValue("info", line.c_str());
}

void SuperCore::showInfo2(const char* text1, const char* text2) {
    std::string joined = std::string(text1 ? text1 : "") + (text2 ? text2 : "");
    showInfo(boundedText(joined.c_str(), kMaxInfo2).c_str());
}

void SuperCore::createCanvas(SuperCanvas* parent, int x, int y, int w, int h) {
    iName = "anonymous";
    iCanvas = new SuperCanvas(SuperCanvas::defaultId, parent, {x, y, w, h}, SuperCanvas::defaultStyle());
    iCanvas->setCore(this);
    init();
}

SuperCore* SuperCore::redraw() {
    paint(0, 0, 9999, 9999);
    return this;
}

void GenericMainCore::drawBackground(unsigned char*) {}

library::library() { iCores.reserve(static_cast<std::size_t>(iCapacity)); }

library::~library() {
    debugLog("~library():1\n");
    if (!iCores.empty()) debugLog("ERROR: library contained SuperCores at unconstruct.\n");
    if (coreLibrary == this) coreLibrary = nullptr;
    debugLog("~library():2\n");
}

void library::addSuperCore(SuperCore* core) {
    debugPrintfI("addSuperCore(%d)\n", addressOf(core));
    if (count() >= iCapacity) {
        iCapacity += 64;
        iCores.reserve(static_cast<std::size_t>(iCapacity));
    }
    iCores.push_back(core);
}

void library::removeSuperCore(SuperCore* core) {
    debugPrintfII("%d.removeSuperCore(%d)\n", addressOf(this), addressOf(core));
    for (std::size_t i = 0; i < iCores.size(); ++i) {
        if (iCores[i] != core) continue;
        debugPrintfSII("Removing core (%s, %d),%d, authorized by core.\n", core->getName(), addressOf(core), count());
        iCores[i] = iCores.back();
        iCores.pop_back();
        debugLog("e1");
        return;
    }
    debugLog("e2");
}

void library::deleteSuperCores() {
    debugLog("deleteSuperCores():1\n");
    while (!iCores.empty()) {
        SuperCore* core = iCores[0];
        debugPrintfI("delete %d\n", addressOf(core));
        // Unlinked first: a destructor that fails to unregister cannot loop.
        iCores[0] = iCores.back();
        iCores.pop_back();
        delete core;
    }
    debugLog("deleteSuperCores():2\n");
}

SuperCore* library::findCoreByClassName(const char* className) {
    if (!className) return nullptr;
    for (SuperCore* c : iCores)
        if (std::strcmp(c->getCoreClassName(), className) == 0) return c;
    return nullptr;
}
