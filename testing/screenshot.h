#pragma once
// Window tests: a screenshot of the whole display for a person to look at,
// taken only when VURN_SHOT_DIR names a folder (it is written there as
// <name>.png). Returns false when a shot was asked for and failed.
#include <cstdlib>
#include <string>

namespace testing_support {

inline bool screenshot(const char* name) {
    const char* dir = std::getenv("VURN_SHOT_DIR");
    if (!dir || !*dir) return true;
    const std::string cmd = std::string("import -window root '") + dir + "/" + name + ".png'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace testing_support
