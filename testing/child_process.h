#pragma once
// A program started by a test: from an argument vector (no shell), in a
// working folder of its own, with extra environment variables beside the
// test's own. Stopped (SIGTERM, then SIGKILL after a grace period) and
// reaped when the object goes.
#include <string>
#include <vector>

namespace testing_support {

class ChildProcess {
public:
    // argv[0] is a path; env entries are "NAME=value".
    ChildProcess(const std::vector<std::string>& argv, const std::string& folder, const std::vector<std::string>& env);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // 0 when the program could not be started.
    int pid() const { return pid_; }
    // True until the program has ended.
    bool running();
    // Ends the program (if it still runs) and reaps it.
    void stop();

private:
    int pid_ = 0;
    bool reaped_ = false;
};

}  // namespace testing_support
