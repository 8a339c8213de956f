// The program's entry point: hands the arguments to the application object,
// creates the application part, whose ready notification runs the whole
// start-up, then runs the message loop until the main window is closed.
#include "framework/app/exec.h"

int main(int argc, char** argv) {
    setProgramArguments(argc, argv);
    Main* part = new Main();
    part->initializePart();
    part->run();
    delete part;
    return 0;
}
