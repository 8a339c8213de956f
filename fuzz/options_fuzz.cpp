// The options file and what start-up derives from it: the store stays
// whole, the window placements stay within 32 bits, and what is written
// back loads back.
#include <cstdint>
#include <sstream>
#include <string>

#include "framework/app/messagebox.h"
#include "framework/app/options.h"
#include "framework/app/placement.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    fuzz::writeFile("user/options_vurn.gkv", data, size);
    Options o;
    options = &o;
    o.load("options_vurn.gkv");
    deriveWelcomeWindowKeys();
    for (const char* name : {"mainWindow", "welcomeWindow", "gkvBoardWindow"}) {
        const std::string n = name;
        WindowPlacement p = keepOnDesktop(getIntOption((n + "OX").c_str()), getIntOption((n + "OY").c_str()),
                                          getIntOption((n + "OW").c_str()), getIntOption((n + "OH").c_str()), 1920,
                                          1080, {30, 30, 512, 384});
        FUZZ_CHECK(p.w >= 1 && p.w <= 1920 && p.h >= 1 && p.h <= 1080);
        FUZZ_CHECK(p.x + 32 < 1920 && p.y + 32 < 1080);
    }
    FUZZ_CHECK(o.save());
    // What was written loads back: every key whose value holds more than
    // the line-end bytes the loader takes off.
    Options back;
    back.load("options_vurn.gkv");
    FUZZ_CHECK(back.size() <= o.size());
    std::istringstream written(fuzz::readFile("user/options_vurn.gkv"));
    for (std::string line; std::getline(written, line);) {
        const std::size_t blank = line.find(' ');
        FUZZ_CHECK(blank != std::string::npos);
        const std::string key = line.substr(0, blank);
        const bool substance = line.find_first_not_of(std::string("\0\1\2\3\4\5\6\7\10\11\12\13\14\15", 14),
                                                      blank + 1) != std::string::npos;
        if (substance) FUZZ_CHECK(back.find(key.c_str()) != nullptr);
    }
    options = nullptr;
    return 0;
}
