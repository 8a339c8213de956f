#pragma once
// Stand-in for the upgrade service: the version page over HTTP and the
// line-based file service, both served from one folder. It follows what the
// client expects and nothing more:
//   HTTP: one request per connection; the reply is a status line, two
//         header lines and the file's bytes (404 when missing), then close.
//   Files: three greeting lines; "SIZE <path>" is answered with the size in
//         decimal or "-1"; "GET <path>" with exactly that many bytes; then
//         the connection closes (one file per connection).
// Fault modes let tests see the client fail cleanly. The same code runs as
// the program vurnorvexi-upgrade-server and as a test fixture on free
// loopback ports.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace standin {

enum class UpgradeFault {
    None,
    Refused,     // nothing listens: both ports refuse connections
    Silent,      // connections are accepted and never answered
    NoGreeting,  // the file service closes at once, before its greeting
    ShortBody,   // a GET is answered with one byte too few, then close
    WrongSize,   // a SIZE is answered with a size that is not a number
};

// The mode named by a word ("none", "refused", "silent", "no-greeting",
// "short-body", "wrong-size"); false for an unknown word.
bool parseUpgradeFault(const std::string& word, UpgradeFault* fault);

struct UpgradeServerOptions {
    std::string root = ".";  // the folder whose files are served
    std::string bindAddress = "127.0.0.1";
    int httpPort = 0;  // 0: a free port
    int filePort = 0;
    UpgradeFault fault = UpgradeFault::None;
    // When not empty, every SIZE is answered with exactly this text (its
    // line end included), for odd size lines.
    std::string sizeReply;
};

class UpgradeServer {
public:
    explicit UpgradeServer(UpgradeServerOptions options);
    ~UpgradeServer();
    UpgradeServer(const UpgradeServer&) = delete;
    UpgradeServer& operator=(const UpgradeServer&) = delete;

    // Opens both ports and starts serving; false when a port can't be bound.
    bool start();
    // Closes the ports and every connection, and waits for the threads.
    void stop();

    int httpPort() const { return httpPort_; }
    int filePort() const { return filePort_; }

    // What clients sent, in arrival order: each HTTP request's raw bytes,
    // and each line the file service read (without its LF).
    std::vector<std::string> httpRequests() const;
    std::vector<std::string> fileLines() const;
    int fileConnections() const { return fileConnections_; }

private:
    void acceptLoop(int listenFd, bool http);
    void serveHttp(int fd);
    void serveFile(int fd);
    void holdUntilStopped(int fd);
    // The file under the root for a request path; empty when the path
    // leaves the root or is not a plain relative path.
    std::string localPath(const std::string& requestPath) const;
    void track(int fd, bool add);
    void launch(std::thread t);

    UpgradeServerOptions options_;
    int httpListen_ = -1;
    int fileListen_ = -1;
    int httpPort_ = 0;
    int filePort_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> fileConnections_{0};

    mutable std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::vector<int> connections_;
    std::vector<std::string> httpRequests_;
    std::vector<std::string> fileLines_;
};

}  // namespace standin
