#pragma once
// The application object: exactly one per run. Its construction is the whole
// start-up (the process-wide singletons, the upgrade check, the welcome
// window placement, the main game core); Exec::uninit is the end of the
// shut-down road (language file and options written back).

#include <memory>

class SuperCore;
class Communicator;
class Vector;

class Exec {
public:
    using MainCoreFactory = SuperCore* (*)();
    // The upgrade list is read and offered by the upgrade service, above
    // the framework; the program installs its operations here.
    // The processor parses the version page's reply into the holder's
    // vectors and returns the new version when files must be downloaded,
    // else null; the button maker is called with each core named
    // "mainWindow" once the check is handled; the window opener opens the
    // upgrade window on the download list.
    using UpgradeListProcessor = const char* (*)(Communicator* holder, const char* text);
    using UpgradeButtonMaker = void (*)(SuperCore* core);
    using UpgradeWindowOpener = void (*)(Vector* downloadList);

    Exec();
    ~Exec();
    Exec(const Exec&) = delete;
    Exec& operator=(const Exec&) = delete;

    void init();
    void uninit();

    // The upgrade check's result, polled by the main core's tick: once the
    // check is done its reply is handed to the list processor (the check
    // request is detached first, so it is handled once even when the
    // processing shows a modal box whose loop runs further ticks), then
    // the upgrade buttons are offered to the main window.
    void checkUpgradeResult();
    // The main core's "internal-upgrade" command: opens the upgrade window
    // on the download list while an upgrade is offered.
    void openUpgradeWindow();

    SuperCore* mainCore() const { return iMainCore; }
    // The main core's destructor: the pointer must not outlive the core.
    void forgetMainCore() { iMainCore = nullptr; }
    Communicator* checkRequest() const { return iCheckRequest.get(); }
    Communicator* upgradeListHolder() const { return iUpgradeListHolder.get(); }

    // The program installs the factory of its main game core before start-up.
    static void setMainCoreFactory(MainCoreFactory factory);
    static void setUpgradeHandlers(UpgradeListProcessor processor, UpgradeButtonMaker buttonMaker,
                                   UpgradeWindowOpener windowOpener);

private:
    SuperCore* iMainCore = nullptr;
    std::unique_ptr<Communicator> iCheckRequest;
    std::unique_ptr<Communicator> iUpgradeListHolder;
};

// The one Exec, from the end of Exec::init to the start of Exec::uninit.
extern Exec* currentExec;

// The version that the upgrade list offers, or null while no upgrade is
// offered. Set when the check's result is handled; it points into the
// upgrade list holder's lines (or is "unknown"), so it lives as long as the
// holder.
extern const char* upgradeNewVersion;

// The application part and its ready notification. `Main::initializePart`
// notifies the ready event, whose connection calls `Main::onReady`, which
// starts the application (creates the Exec).
class MainImpl;

class Main {
public:
    Main();
    ~Main();
    Main(const Main&) = delete;
    Main& operator=(const Main&) = delete;

    void initializePart();
    void onReady();
    // Runs the message loop until the main frame is closed; returns at once
    // when no main core was created.
    void run();

private:
    std::unique_ptr<MainImpl> createImpl();
    std::unique_ptr<MainImpl> iImpl;
};

// Creates the Exec (the ready notification's work).
void startApplication();

// The program's arguments, as handed to the application object.
void setProgramArguments(int argc, char** argv);

// The whole run: arguments, the application part (whose ready notification
// is the start-up), the loop until the main frame is closed, the end of the
// waits for started programs. Returns the exit code, 0.
int programMain(int argc, char** argv);
