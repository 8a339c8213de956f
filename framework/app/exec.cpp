#include "framework/app/exec.h"

#include <cstring>
#include <vector>

#include "framework/app/config.h"
#include "framework/app/debuglog.h"
#include "framework/app/nls.h"
#include "framework/app/options.h"
#include "framework/app/placement.h"
#include "framework/canvas/dragdrop.h"
#include "framework/core/supercore.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "framework/window/superwindow.h"
#include "platform/os/process.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

Exec* currentExec = nullptr;
const char* upgradeNewVersion = nullptr;

namespace {
Exec::MainCoreFactory mainCoreFactory = nullptr;
Exec::UpgradeListProcessor upgradeListProcessor = nullptr;
Exec::UpgradeButtonMaker upgradeButtonMaker = nullptr;
Exec::UpgradeWindowOpener upgradeWindowOpener = nullptr;
int programArgc = 0;
char** programArgv = nullptr;
}  // namespace

void setProgramArguments(int argc, char** argv) {
    programArgc = argc;
    programArgv = argv;
    platform::ui::setApplicationArguments(argc, argv);
}

void Exec::setMainCoreFactory(MainCoreFactory factory) { mainCoreFactory = factory; }

void Exec::setUpgradeHandlers(UpgradeListProcessor processor, UpgradeButtonMaker buttonMaker,
                              UpgradeWindowOpener windowOpener) {
    upgradeListProcessor = processor;
    upgradeButtonMaker = buttonMaker;
    upgradeWindowOpener = windowOpener;
}

Exec::Exec() {
    // The class library's two start-up settings have no counterpart here.
    init();
    // A 400 x 160 window centred on the last main window.
    deriveWelcomeWindowKeys();
    if (mainCoreFactory) iMainCore = mainCoreFactory();
}

Exec::~Exec() {
    if (currentExec == this) currentExec = nullptr;
    // A check still under way is stopped and waited for (see Communicator).
    iCheckRequest.reset();
    if (iUpgradeListHolder) {
        // The download list is only lent to the upgrade window, which is
        // gone with every other core by now.
        upgradeNewVersion = nullptr;  // it points into the holder's lines
        delete iUpgradeListHolder->downloadList();
        iUpgradeListHolder.reset();
    }
}

void Exec::init() {
    debugLog("init _options\n");
    // The store lives for the whole process; a second start-up in the same
    // process (tests) reuses it, and load empties it.
    if (!options) options = new Options();
    coreLibrary = new library();
    options->load("options_vurn.gkv");
    if (!getStringOption("nlsLanguage")) setStringOption("nlsLanguage", "EN");
    nlsTable = new NlsTable(getStringOption("nlsLanguage"));
    dragDropRegistry = new DragDropRegistry();
    if (!getStringOption("datVersion")) setStringOption("datVersion", "1");
    if (!getStringOption("dateVersion")) setStringOption("dateVersion", "0000.00.00");
    std::string versionPage = config::upgradeVersionPageUrl();
    if (getIntOption("dontCheckUpgrade") == 0) {
        // Polled by the main core's tick; the worker does not call back.
        iCheckRequest = std::make_unique<Communicator>(nullptr, 1);
        iCheckRequest->requestPage("upgrade", versionPage.c_str());
        if (!iCheckRequest->start()) iCheckRequest.reset();  // a check that never runs is never done
    }
    currentExec = this;
}

void Exec::uninit() {
    if (currentExec == this) currentExec = nullptr;
    debugLog("Exec::uninit():1\n");
    delete dragDropRegistry;
    dragDropRegistry = nullptr;
    delete nlsTable;  // rewrites the language file
    nlsTable = nullptr;
    debugLog("Exec::uninit():2\n");
    debugLog("Exec::uninit():3\n");
    // A failed save is logged by the writer, which keeps the old file;
    // nothing more can be done at shut-down.
    if (options) (void)options->save();
    debugLog("Exec::uninit():4\n");
}

void Exec::checkUpgradeResult() {
    if (!iCheckRequest || !iCheckRequest->isDone()) return;
    // Detached before anything else: handled once a run.
    std::unique_ptr<Communicator> check = std::move(iCheckRequest);
    if (const char* text = check->getResult()) {
        upgradeNewVersion = nullptr;
        if (!iUpgradeListHolder) iUpgradeListHolder = std::make_unique<Communicator>(nullptr, 1);
        if (upgradeListProcessor) upgradeNewVersion = upgradeListProcessor(iUpgradeListHolder.get(), text);
    }
    check.reset();
    if (!coreLibrary || !upgradeButtonMaker) return;
    // A copy: the button maker may change the register.
    std::vector<SuperCore*> mainWindows;
    for (int i = 0; i < coreLibrary->count(); ++i)
        if (std::strcmp(coreLibrary->at(i)->getName(), "mainWindow") == 0) mainWindows.push_back(coreLibrary->at(i));
    for (SuperCore* core : mainWindows) upgradeButtonMaker(core);
}

void Exec::openUpgradeWindow() {
    if (!upgradeNewVersion || !iUpgradeListHolder || !upgradeWindowOpener) return;
    upgradeWindowOpener(iUpgradeListHolder->downloadList());
}

// The part implementation: holds the connection from the part's ready event
// to Main::onReady.
class MainImpl {
public:
    explicit MainImpl(Main* part) : iPart(part) {}
    void notifyReady() { iPart->onReady(); }

private:
    Main* iPart;
};

Main::Main() { iImpl = createImpl(); }
Main::~Main() = default;
std::unique_ptr<MainImpl> Main::createImpl() { return std::make_unique<MainImpl>(this); }
void Main::initializePart() { iImpl->notifyReady(); }
void Main::onReady() { startApplication(); }

void startApplication() { new Exec(); }

void Main::run() {
    Exec* exec = currentExec;
    if (!exec) return;
    SuperCore* core = exec->mainCore();
    SuperWindow* frame = core ? core->frame() : nullptr;
    if (frame) {
        // The close of the main frame runs the shut-down road
        // (SuperCore::onClose); the loop ends once the frame is gone.
        platform::ui::runLoop(frame->platformFrame());
    }
    // No main window, or a main core whose close left the road unfinished:
    // the rest of the road, with the register deleted as the main core's
    // destructor would, so nothing is lost.
    if (currentExec) {
        Exec* rest = currentExec;
        if (coreLibrary) {
            coreLibrary->deleteSuperCores();
            delete coreLibrary;
        }
        rest->uninit();
        delete rest;
    }
}

int programMain(int argc, char** argv) {
    setProgramArguments(argc, argv);
    Main* part = new Main();
    part->initializePart();
    part->run();
    delete part;
    // A web browser started from the Help menu runs on; its waiter ends
    // here, before main returns.
    platform::endChildWaits();
    return 0;
}
