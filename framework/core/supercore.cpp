#include "framework/core/supercore.h"

#include <cstdio>
#include <cstring>

#include "framework/app/debuglog.h"

library* coreLibrary = nullptr;

namespace {
int addressOf(const void* p) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(p)); }
}  // namespace

SuperCore::SuperCore() : iName("unnamed") { SuperCore::init(); }

SuperCore::~SuperCore() {
    if (coreLibrary) coreLibrary->removeSuperCore(this);
    debugLog("~SuperCore()\n");
    SuperCore::uninit();
    debugPrintfI("~SuperCore() vf=%d \n", addressOf(iFrame));
    debugLog("~SuperCore() done\n");
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

int SuperCore::onClose() { return 0; }

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

void SuperCore::saveWindowMetrics() {
    debugLog("sa1");
    debugLog("sa2");
    if (!iFrame) return;
}

SuperCore* SuperCore::redraw() {
    paint(0, 0, 9999, 9999);
    return this;
}

void GenericMainCore::drawBackground(unsigned char*) {}

library::library() { cores_.reserve(static_cast<std::size_t>(capacity_)); }

library::~library() {
    debugLog("~library():1\n");
    if (!cores_.empty()) debugLog("ERROR: library contained SuperCores at unconstruct.\n");
    if (coreLibrary == this) coreLibrary = nullptr;
    debugLog("~library():2\n");
}

void library::addSuperCore(SuperCore* core) {
    debugPrintfI("addSuperCore(%d)\n", addressOf(core));
    if (count() >= capacity_) {
        capacity_ += 64;
        cores_.reserve(static_cast<std::size_t>(capacity_));
    }
    cores_.push_back(core);
}

void library::removeSuperCore(SuperCore* core) {
    debugPrintfII("%d.removeSuperCore(%d)\n", addressOf(this), addressOf(core));
    for (std::size_t i = 0; i < cores_.size(); ++i) {
        if (cores_[i] != core) continue;
        debugPrintfSII("Removing core (%s, %d),%d, authorized by core.\n", core->getName(), addressOf(core), count());
        cores_[i] = cores_.back();
        cores_.pop_back();
        debugLog("e1");
        return;
    }
    debugLog("e2");
}

void library::deleteSuperCores() {
    debugLog("deleteSuperCores():1\n");
    while (!cores_.empty()) {
        SuperCore* core = cores_[0];
        debugPrintfI("delete %d\n", addressOf(core));
        // Unlinked first: a destructor that fails to unregister cannot loop.
        cores_[0] = cores_.back();
        cores_.pop_back();
        delete core;
    }
    debugLog("deleteSuperCores():2\n");
}

SuperCore* library::findCoreByClassName(const char* className) {
    if (!className) return nullptr;
    for (SuperCore* c : cores_)
        if (std::strcmp(c->getCoreClassName(), className) == 0) return c;
    return nullptr;
}
