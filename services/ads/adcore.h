#pragma once
// AdCore: an embedded core that reserves a rectangle of a window for
// advertisements and hands that rectangle's native window to the
// advertising module, a shared object outside the program that draws into
// the window by itself. The canvas creates it for an "ad" widget record
// (SuperCanvas::addAd) through adCoreFactory, which installAdCoreFactory
// sets.
//
// The module is loaded at most once a run and stays loaded until the end of
// the run (unloadModule): its file is named by VURNORVEXI_AD_MODULE, else it
// is the module "plakard.dll" of the program folder (the shared object
// "plakard.so" there). Its entry
// "Initialize" is called once, on the GUI thread, with five 32-bit
// arguments: the panel's native (X11) window id, 757, 0, 1 and 0. The id
// exists only once the panel's window is shown, so a panel built before its
// window is shown loads the module at its first paint. A missing module, or
// one without the entry, leaves the panel empty for the rest of the run.
#include <cstdint>
#include <string>

#include "framework/core/supercore.h"

class AdCore : public SuperCore {
public:
    // The module's entry: window id, 757, 0, 1, 0; its result is not used.
    using InitializeEntry = int (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);

    // A panel in the owner's canvas at (x, y), width by height pixels.
    AdCore(SuperCore* owner, int x, int y, int width, int height);
    ~AdCore() override;

    const char* getCoreClassName() override;
    // Marks the canvas's parent class, hands the window to the module (or
    // leaves that for the first paint) and writes "done".
    void createVisual() override;
    // The first paint of a panel whose window had no id at construction
    // loads the module.
    int paint(int x0, int y0, int x1, int y1) override;
    void setValue(const char* name, const char* text) override;  // does nothing
    void setIntValue(const char* name, int value) override;      // does nothing
    const char* getName() override;                              // "ad"

    // True while the panel still waits for its window to be shown.
    bool waitingForWindow() const { return iWaiting; }

    // The process-wide state of the module: load attempts and failures
    // (each at most 1 a run).
    static int loadAttempts();
    static int loadFailures();
    static bool moduleLoaded();
    // The module file asked for: $VURNORVEXI_AD_MODULE, else "plakard.dll".
    static std::string moduleName();
    // The end of the run: unloads the module, whose destructors end the
    // threads it started, so none runs on past main. The program calls it
    // once every panel is gone.
    static void unloadModule();
    // Tests: unloads the module and forgets the attempt and the failure, so
    // a further test in the same process may load it again.
    static void resetModuleForTests();

private:
    // Loads the module (once a run) and calls its entry with the window.
    void loadModule(unsigned long window);

    bool iWaiting = false;
};

// Makes the canvas create an AdCore for every "ad" record.
void installAdCoreFactory();
