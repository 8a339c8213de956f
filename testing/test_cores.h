#pragma once
// Cores for tests (header only; the tests that include it link the
// framework). A RecordingCore records what reaches it; a TestMainCore
// behaves like the program's main core at shut-down (its destructor removes
// itself, deletes every other core and the register) and builds a menu bar
// with cascades.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "platform/ui/ui.h"
#include "testing/program_folder.h"

namespace testing_support {

// The process-wide parts windowed cores need, for one test: a program
// folder with the debug log on, the options, the core register and a
// silent message box. Cores still registered at the end are deleted.
struct CoreEnvironment {
    CoreEnvironment() {
        folder.write("test.env", "");
        debugLogResetForTests();
        setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
        options = new Options();
        options->load("options_vurn.gkv");
        coreLibrary = new library();
    }
    ~CoreEnvironment() {
        if (coreLibrary) coreLibrary->deleteSuperCores();
        delete coreLibrary;
        platform::ui::processEvents(0.1);
        delete options;
        options = nullptr;
        setMessageBoxHandler(nullptr);
        platform::ui::setDesktopSizeForTests(0, 0);
        debugLogResetForTests();
    }
    CoreEnvironment(const CoreEnvironment&) = delete;
    CoreEnvironment& operator=(const CoreEnvironment&) = delete;

    ProgramFolder folder;
};

// Pumps events until `done` holds; the deadline is generous, for a loaded
// machine. Tests wait on what they look for rather than for a fixed time.
inline bool waitUntil(const std::function<bool()>& done, double maxSeconds = 30) {
    return platform::ui::processEventsUntil(done, maxSeconds);
}

// An embedded (unwindowed) core with a class name of choice, for the
// register.
class FakeCore : public SuperCore {
public:
    explicit FakeCore(const char* className = "FakeCore", bool* deleted = nullptr)
        : className_(className), deleted_(deleted) {}
    ~FakeCore() override {
        if (deleted_) *deleted_ = true;
    }
    const char* getCoreClassName() override { return className_.c_str(); }

private:
    std::string className_;
    bool* deleted_;
};

// A windowed core that records its values and ticks.
class RecordingCore : public SuperCore {
public:
    RecordingCore(const char* windowName, int w = 0, int h = 0, const char* className = "RecordingCore")
        : SuperCore(windowName, w, h, 0), className_(className) {}
    ~RecordingCore() override {
        if (onDelete) onDelete();
    }

    const char* getCoreClassName() override { return className_.c_str(); }
    void setIntValue(const char* name, int value) override {
        intValues.emplace_back(name ? name : "", value);
        if (onIntValue) onIntValue(name ? name : "", value);
    }
    void setValue(const char* name, const char* text) override {
        values.emplace_back(name ? name : "", text ? text : "");
    }
    void onIntuitick() override {
        ++ticks;
        if (onTick) onTick();
    }
    int onClose() override {
        ++closeCalls;
        if (refuseClose) return 1;
        return SuperCore::onClose();
    }

    std::vector<std::pair<std::string, int>> intValues;
    std::vector<std::pair<std::string, std::string>> values;
    int ticks = 0;
    int closeCalls = 0;
    bool refuseClose = false;
    std::function<void(const std::string&, int)> onIntValue;
    std::function<void()> onTick;
    std::function<void()> onDelete;

private:
    std::string className_;
};

// Builds the menu the tests look for: File (New, separator, Quit), View
// with a cascade Size (Small, Large), and an item whose label holds the
// toolkit's special characters.
inline void buildTestMenu(SuperCanvas* canvas) {
    canvas->initMenu();
    unsigned file = canvas->addSubMenu("fileCMI", "File");
    canvas->addMenuItem("newMI", file, "New");
    canvas->addSeparator(file);
    canvas->addMenuItem("quitMI", file, "Quit");
    canvas->endSubMenu();
    unsigned view = canvas->addSubMenu("viewCMI", "View");
    unsigned size = canvas->addSubMenu("sizeCMI", "Size");
    canvas->addMenuItem("smallMI", size, "Small");
    canvas->addMenuItem("largeMI", size, "Large");
    canvas->endSubMenu();
    canvas->addMenuItem("adsMI", view, "Low Bandwidth/Disable Ads");
    canvas->addMenuItem("saveQuitMI", view, "Save & Quit_");
    canvas->endSubMenu();
    canvas->endMenu();
}

// The main core of a test run: a title, the test menu, a tick client; its
// destructor runs the main core's part of the shut-down road.
class TestMainCore : public GenericMainCore {
public:
    explicit TestMainCore(const char* windowName = "mainWindow") : GenericMainCore(windowName, 0, 0, 0) {
        SuperWindow::setTitlePrefix("Tarvelon Orvex Chess");
        iFrame->setTitle("version 1.01");
        buildTestMenu(iCanvas);
        iFrame->addTickClient(this);
        if (onCreated) onCreated(this);
    }
    ~TestMainCore() override {
        debugLog("TestMainCore destructor\n");
        (void)saveOptions();  // as the program's own main core: a failure is logged
        if (coreLibrary) {
            coreLibrary->removeSuperCore(this);
            coreLibrary->deleteSuperCores();
            delete coreLibrary;
        }
        (void)saveOptions();
        ++destructorRuns;
    }

    const char* getCoreClassName() override { return "TestMainCore"; }
    void setIntValue(const char* name, int value) override {
        intValues.emplace_back(name ? name : "", value);
        if (name && std::string(name) == "quitMI") iFrame->close();
    }
    void onIntuitick() override {
        ++ticks;
        if (onTick) onTick(this);
    }

    std::vector<std::pair<std::string, int>> intValues;
    int ticks = 0;

    // Hooks of the test in progress (process-wide); a test's fixture clears
    // them with resetHooks, before and after.
    static inline std::function<void(TestMainCore*)> onCreated;
    static inline std::function<void(TestMainCore*)> onTick;
    static inline int destructorRuns = 0;
    static void resetHooks() {
        onCreated = nullptr;
        onTick = nullptr;
        destructorRuns = 0;
    }
};

}  // namespace testing_support
