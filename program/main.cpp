// The program's entry point: installs the real message box, the main game
// core's factory, the upgrade service, the page viewer and the factories
// of the image buttons and advertising cores, then runs the application
// (start-up, the loop until the main window is closed, the shut-down road).
#include <cstdio>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "game/match/orvexmaincore.h"
#include "platform/ui/ui.h"
#include "services/ads/adcore.h"
#include "services/ads/imagebuttoncore.h"
#include "services/browser/pageviewer.h"
#include "services/upgrade/upgradebutton.h"

// Under LeakSanitizer (the sanitizer build of the test command): the font
// library and Mesa's software renderer keep caches for the life of the
// process, which are no leaks of the program's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:swrast_dri.so\n";
}

int main(int argc, char** argv) {
    setMessageBoxHandler([](const char* title, const char* text, MessageBoxKind kind) {
        auto shown = platform::ui::messageBox(
            title, text,
            kind == MessageBoxKind::Error ? platform::ui::MessageKind::Error : platform::ui::MessageKind::Information);
        if (!shown) std::fprintf(stderr, "%s: %s\n", title, text);
    });
    Exec::setMainCoreFactory(createOrvexMainCore);
    installUpgradeService();
    // Advertising widgets get the advertising core; image buttons are made
    // by their own code.
    installAdCoreFactory();
    installImageButtonFactory();
    // The about window and the help pages open in the program's page viewer.
    installPageViewer();
    const int status = programMain(argc, argv);
    // Every window is gone: the advertising module goes too, and with it
    // the threads it started, before main returns.
    AdCore::unloadModule();
    debugLog("main: the run has ended\n");
    return status;
}
