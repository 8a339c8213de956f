#pragma once
// Starting other programs: always from an argument vector with posix_spawnp,
// never through a shell, so no text handed over (a URL from a page, say) can
// run commands. Children are reaped by a small waiter thread, so none is
// left as a zombie; at the end of the run the waiters end (endChildWaits)
// while the programs run on.
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Starts argv[0] (searched on PATH) with the given arguments and returns at
// once; false when it could not be started (a program that does not exist
// included). When `onExit` is given, the waiter thread calls it with the
// program's exit status once the program has ended (-1 when a signal ended
// it); it must not touch windows.
bool spawnDetached(const std::vector<std::string>& argv, std::function<void(int exitStatus)> onExit = {});

// Ends the waiter threads of spawnDetached, at once and without waiting for
// their programs, which run on (the system reaps them once this process
// has ended); their onExit is not called. For the end of the run, so no
// waiter outlives main; a later spawnDetached waits afresh.
void endChildWaits();

// A program started from an argument vector whose process the caller
// keeps: it can be measured, and it is stopped (SIGTERM, then SIGKILL after
// a grace period) and reaped when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (searched on PATH); a non-empty `folder` is its working
    // folder, and `env` entries ("NAME=value") replace or join this
    // process's environment. A non-empty `outputFile` (an absolute path)
    // receives its standard output and error, appended. False when it could
    // not be started.
    bool start(const std::vector<std::string>& argv, const std::string& folder = {},
               const std::vector<std::string>& env = {}, const std::string& outputFile = {});
    // Asks the process to end and waits for it (killing it after 5 s); its
    // exit status (-1 when none was running or it ended by a signal).
    int stop();
    // True until the process has ended.
    bool running();
    int pid() const { return pid_; }

private:
    int pid_ = 0;
    int status_ = -1;
};

// The resident memory of a process (0: this one), now and at its peak, in
// bytes; 0 when it cannot be read.
struct ProcessMemory {
    long long resident = 0;
    long long peak = 0;
};
ProcessMemory processMemory(int pid);

// Splits a command line into words: blanks separate words, double quotes
// group (and are removed). No other character is special.
std::vector<std::string> splitCommandLine(const std::string& line);

}  // namespace platform
