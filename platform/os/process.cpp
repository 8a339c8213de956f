#include "platform/os/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace platform {

bool spawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    // posix_spawnp reports a missing program only through the child's exit
    // status (127); the caller learns of that no more than of any other
    // failure of the started program.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::start(const std::vector<std::string>& argv) {
    if (pid_ > 0 || argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    pid_ = pid;
    return true;
}

int ChildProcess::stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProcessMemory processMemory(int pid) {
    ProcessMemory m;
    std::ifstream status(pid > 0 ? "/proc/" + std::to_string(pid) + "/status" : std::string("/proc/self/status"));
    std::string line;
    while (std::getline(status, line)) {
        std::istringstream words(line);
        std::string key;
        long long kib = 0;
        words >> key >> kib;
        if (key == "VmRSS:") m.resident = kib * 1024;
        if (key == "VmHWM:") m.peak = kib * 1024;
    }
    return m;
}

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string cur;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(cur);
            cur.clear();
            inWord = false;
        } else {
            cur += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(cur);
    return words;
}

}  // namespace platform
