#pragma once
// Window tests (header only; the tests that include it link the user-
// interface layer): waiting on a condition while the toolkit runs, the
// output of a command (xdotool's answers), and a screenshot of the display
// for a person to look at.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/ui/ui.h"

namespace testing_support {

// Lets the toolkit run until `done` holds; false after `seconds` (a
// generous deadline, not a measure of speed).
inline bool waitFor(const std::function<bool()>& done, double seconds = 20.0) {
    return platform::ui::processEventsUntil(done, seconds);
}

// What a shell command prints on its standard output.
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

// With VURN_SHOT_DIR set, a screenshot of the whole display written there
// as <name>.png; false when a shot was asked for and failed.
inline bool screenshot(const char* name) {
    const char* dir = std::getenv("VURN_SHOT_DIR");
    if (!dir || !*dir) return true;
    const std::string cmd = std::string("import -window root '") + dir + "/" + name + ".png'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace testing_support
