#include "services/ads/adcore.h"

#include "framework/app/config.h"
#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "platform/os/library.h"

namespace {

// The module, once a run (GUI thread only).
void* moduleHandle = nullptr;
AdCore::InitializeEntry moduleEntry = nullptr;
int attempts = 0;
int failures = 0;

SuperCore* makeAdCore(SuperCore* owner, int x, int y, int width, int height) {
    return new AdCore(owner, x, y, width, height);
}

}  // namespace

void installAdCoreFactory() { adCoreFactory = makeAdCore; }

std::string AdCore::moduleName() { return config::textFromEnv("VURNORVEXI_AD_MODULE", "plakard.dll"); }
int AdCore::loadAttempts() { return attempts; }
int AdCore::loadFailures() { return failures; }
bool AdCore::moduleLoaded() { return moduleHandle != nullptr; }

void AdCore::unloadModule() {
    moduleEntry = nullptr;
    platform::closeLibrary(moduleHandle);
    moduleHandle = nullptr;
}

void AdCore::resetModuleForTests() {
    unloadModule();
    attempts = 0;
    failures = 0;
}

AdCore::AdCore(SuperCore* owner, int x, int y, int width, int height) {
    SuperCanvas* ownerCanvas = owner ? owner->canvas() : nullptr;
    createCanvas(ownerCanvas, x, y, width, height);
    createVisual();
    if (ownerCanvas) {
        debugLog("TREK1");
        ownerCanvas->addEmbeddedCore(this);
    }
}

AdCore::~AdCore() {
    // A panel canvas without a parent window has nobody else to destroy it.
    if (iCanvas && !iCanvas->parentCanvas() && !iCanvas->parentFrame()) delete iCanvas;
}

const char* AdCore::getCoreClassName() { return "AdCore"; }
const char* AdCore::getName() { return "ad"; }
void AdCore::setValue(const char*, const char*) {}
void AdCore::setIntValue(const char*, int) {}

void AdCore::createVisual() {
    if (iCanvas) {
        iCanvas->setParentClass("ICanvas");
        const unsigned long window = iCanvas->nativeHandle();
        if (window != 0)
            loadModule(window);
        else
            iWaiting = true;  // no window id before the window is shown
    }
    saveWindowMetrics();
    debugLog("done");
}

int AdCore::paint(int, int, int, int) {
    if (iWaiting && iCanvas) {
        const unsigned long window = iCanvas->nativeHandle();
        if (window != 0) {
            iWaiting = false;
            loadModule(window);
        }
    }
    return 0;
}

void AdCore::loadModule(unsigned long window) {
    if (attempts != 0) return;
    ++attempts;
    if (failures != 0) return;
    if (!moduleHandle) {
        const std::string name = moduleName();
        std::string why;
        moduleHandle = platform::openLibrary(name.c_str(), &why);
        if (!moduleHandle) {
            debugLog("ERROR: AD DLL ERROR!");
            debugPrintfSS("ERROR: advertising module %s: %s\n", name.c_str(), why.c_str());
            ++failures;
            return;
        }
    }
    debugLog("AD DLL OK");
    moduleEntry = reinterpret_cast<InitializeEntry>(platform::librarySymbol(moduleHandle, "Initialize"));
    if (!moduleEntry) {
        debugLog("ERROR: AD DLL has no entry Initialize\n");
        ++failures;
        return;
    }
    moduleEntry(static_cast<uint32_t>(window), 757, 0, 1, 0);
}
