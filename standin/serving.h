#pragma once
// What the stand-in services share: a listening port whose connections are
// each served on a thread of their own, the reading and sending they do,
// and the look-up of a requested path inside a served folder.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace standin {

// Accepts connections on one port and hands each to `serve` on a thread of
// its own; the connection is closed when `serve` returns, and its thread is
// joined at the next accept, so a long-running service keeps no finished
// threads. stop() cuts every connection short and waits for all the threads.
// Under load it goes on serving: out of descriptors it waits a moment and
// accepts again, and a connection for which no thread can be made is closed
// unanswered.
class ConnectionThreads {
public:
    ConnectionThreads() = default;
    ~ConnectionThreads() { stop(); }
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;

    // Listens on bindAddress (dotted) and port (0: a free one); false when
    // the port can't be bound.
    bool listen(const std::string& bindAddress, int port);
    int port() const { return port_; }
    // Starts accepting.
    void start(std::function<void(int fd)> serve);
    // Closes the listening port without serving it: connects are refused.
    void closeListener();
    void stop();
    bool stopping() const { return stopping_; }
    // Reads and drops whatever the peer sends until it closes or stop().
    void holdUntilStopped(int fd) const;
    // The threads not yet joined, the accepting one included.
    std::size_t threadsHeld();
    // Tests: makes each connection's thread with `start` instead of
    // std::thread (one that throws std::system_error stands for a system
    // that has no thread to give).
    void setThreadStarterForTests(std::function<std::thread(std::function<void()>)> start) {
        starter_ = std::move(start);
    }

private:
    // A connection's thread; `done` once it no longer touches this object.
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    void acceptLoop();
    // Serves fd on a thread of its own; false when none can be made.
    bool startWorker(int fd);
    void track(int fd, bool add);
    // Joins the threads whose connections have ended.
    void joinFinished();

    std::function<void(int fd)> serve_;
    std::function<std::thread(std::function<void()>)> starter_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;  // stop() ends the accepting thread's pause
    std::list<Worker> workers_;     // guarded by mutex_
    std::vector<int> connections_;
};

// How long a stand-in waits for a client's next bytes.
inline constexpr long long kClientWaitUs = 10LL * 1000 * 1000;
// The pause before accepting again when a connection cannot be taken.
inline constexpr std::chrono::milliseconds kAcceptBackOff{100};

// Sends every byte; false when the peer went.
bool sendText(int fd, const std::string& text);
// The head of an HTTP request (up to and including its blank line, LF or
// CR LF), at most `limit` bytes; what arrived when the client closes, sends
// too much or has not sent the whole head within timeUs of the start.
std::string readRequestHead(int fd, std::size_t limit = 8192, long long timeUs = kClientWaitUs);
// The method and the path of a request's first line ("GET /a.html HTTP/1.0").
void requestLine(const std::string& head, std::string* method, std::string* path);

// The file below `root` that a request path names: its query ("?...") and
// fragment dropped, leading '/' taken off; empty when the path is empty or
// leaves the folder (a "..", "." or empty segment, a '\' or a NUL).
std::string pathBelow(const std::string& root, const std::string& requestPath);

// Reads a file that pathBelow gave (empty: none), only when its real path,
// every symbolic link on the way followed, lies inside the real path of
// `root`: a link to a file or folder outside serves nothing.
bool readFileBelow(const std::string& root, const std::string& file, std::string* bytes);

// A port given on a stand-in's command line: a decimal number 1 to 65535.
bool portArgument(const char* text, int* port);

// Tests: sends a text to a loopback port and returns everything the server
// sends until it closes (or stays silent for 2 s).
std::string exchangeOnLoopback(int port, const std::string& text);

}  // namespace standin
