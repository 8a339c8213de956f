// The program's entry point: installs the real message box and the main
// game core's factory, then runs the application (start-up, the loop until
// the main window is closed, the shut-down road).
#include <cstdio>

#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "game/match/orvexmaincore.h"
#include "platform/ui/ui.h"

int main(int argc, char** argv) {
    setMessageBoxHandler([](const char* title, const char* text, MessageBoxKind kind) {
        auto shown = platform::ui::messageBox(title, text,
                                              kind == MessageBoxKind::Error ? platform::ui::MessageKind::Error
                                                                            : platform::ui::MessageKind::Information);
        if (!shown) std::fprintf(stderr, "%s: %s\n", title, text);
    });
    Exec::setMainCoreFactory(createOrvexMainCore);
    return programMain(argc, argv);
}
