#include "platform/os/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <list>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// The null-ended pointer array that posix_spawnp takes; it points into
// `argv`, which must outlive it.
std::vector<char*> argumentVector(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

// The waiter threads of spawnDetached, each waiting for its program's end
// or for the end of the waits. The one object lives until the process's
// exit, whose destructors end any waits still open.
class ChildWaiters {
public:
    ~ChildWaiters() { endAll(); }

    void add(pid_t pid, std::function<void(int)> onExit) {
        joinEnded();
        std::lock_guard<std::mutex> lock(lock_);
        Waiter& w = waiters_.emplace_back();
        w.wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        try {
            w.thread = std::thread([this, &w, pid, onExit = std::move(onExit)] { wait(w, pid, onExit); });
        } catch (...) {
            // No waiter: the program is reaped by the system once this
            // process has ended.
            if (w.wake >= 0) close(w.wake);
            waiters_.pop_back();
        }
    }

    void endAll() {
        std::list<Waiter> all;
        {
            std::lock_guard<std::mutex> lock(lock_);
            for (Waiter& w : waiters_) {
                w.stop.store(true);
                const std::uint64_t one = 1;
                if (w.wake >= 0 && write(w.wake, &one, sizeof one) < 0) {
                    // A full counter wakes the waiter just as well.
                }
            }
            all.splice(all.end(), waiters_);
        }
        finish(all);
    }

private:
    struct Waiter {
        std::thread thread;
        int wake = -1;  // eventfd: readable once the wait is to end
        std::atomic<bool> stop{false};
        bool ended = false;  // under lock_: the thread no longer touches the waiter
    };

    void wait(Waiter& w, pid_t pid, const std::function<void(int)>& onExit) {
        // Readable when the program has ended; without one, the wait looks
        // every 50 ms.
        const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        int status = 0;
        pid_t reaped = 0;
        while (!w.stop.load()) {
            reaped = waitpid(pid, &status, WNOHANG);
            if (reaped != 0 && !(reaped < 0 && errno == EINTR)) break;
            pollfd p[2] = {{w.wake, POLLIN, 0}, {ended, POLLIN, 0}};
            poll(p, 2, ended >= 0 && w.wake >= 0 ? -1 : 50);
        }
        if (ended >= 0) close(ended);
        if (!w.stop.load() && onExit) onExit(reaped == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        std::lock_guard<std::mutex> lock(lock_);
        w.ended = true;
    }

    // Joins the waiters whose programs have ended, so a long run keeps none.
    void joinEnded() {
        std::list<Waiter> ended;
        {
            std::lock_guard<std::mutex> lock(lock_);
            for (auto it = waiters_.begin(); it != waiters_.end();) {
                auto next = std::next(it);
                if (it->ended) ended.splice(ended.end(), waiters_, it);
                it = next;
            }
        }
        finish(ended);
    }

    static void finish(std::list<Waiter>& waiters) {
        for (Waiter& w : waiters) {
            if (w.thread.joinable()) w.thread.join();
            if (w.wake >= 0) close(w.wake);
        }
    }

    std::mutex lock_;
    std::list<Waiter> waiters_;
};

ChildWaiters& childWaiters() {
    static ChildWaiters waiters;
    return waiters;
}

}  // namespace

bool spawnDetached(const std::vector<std::string>& argv, std::function<void(int exitStatus)> onExit) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args = argumentVector(argv);
    pid_t pid = 0;
    // A program that cannot be run (missing, not executable) fails here:
    // the C library reports the child's failed exec as the error.
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    childWaiters().add(pid, std::move(onExit));
    return true;
}

void endChildWaits() { childWaiters().endAll(); }

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& folder,
                         const std::vector<std::string>& env, const std::string& outputFile) {
    if (pid_ > 0 || argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args = argumentVector(argv);
    // This process's environment, with the given entries in place of any of
    // the same name.
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
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) return false;
    pid_ = pid;
    status_ = -1;
    return true;
}

bool ChildProcess::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = 0;
    }
    return pid_ > 0;
}

int ChildProcess::stop() {
    if (!running()) return status_;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
        status_ = -1;
    }
    return status_;
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
