#pragma once
// Starting other programs: always from an argument vector with posix_spawnp,
// never through a shell, so no text handed over (a URL from a page, say) can
// run commands. Children are reaped by a small waiter thread, so none is
// left as a zombie.
#include <string>
#include <vector>

namespace platform {

// Starts argv[0] (searched on PATH) with the given arguments and returns at
// once; false when it could not be started.
bool spawnDetached(const std::vector<std::string>& argv);

// Splits a command line into words: blanks separate words, double quotes
// group (and are removed). No other character is special.
std::vector<std::string> splitCommandLine(const std::string& line);

}  // namespace platform
