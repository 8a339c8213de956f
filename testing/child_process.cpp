#include "testing/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace testing_support {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& folder,
                           const std::vector<std::string>& env) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // The test's environment, with the extra entries in place of any of the
    // same name.
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::string name(*e, eq ? static_cast<std::size_t>(eq - *e) : std::strlen(*e));
        bool replaced = false;
        for (const std::string& x : env) replaced = replaced || x.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced) entries.emplace_back(*e);
    }
    entries.insert(entries.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::running() {
    if (pid_ == 0 || reaped_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

void ChildProcess::stop() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (running()) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
    }
}

}  // namespace testing_support
