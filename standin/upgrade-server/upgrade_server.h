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
//
// Offer mode publishes a newer version from a folder laid out like the
// program folder: the version page is made from it (one file line per file,
// with its size and word sum) and each file is served gzip-packed under the
// version's folder as "<path>.gz". Requests it does not answer fall back to
// the root folder.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standin/serving.h"

namespace standin {

enum class UpgradeFault {
    None,
    Refused,     // nothing listens: both ports refuse connections
    Silent,      // connections are accepted and never answered
    NoGreeting,  // the file service closes at once, before its greeting
    ShortBody,   // a GET is answered with one byte too few, then close
    WrongSize,   // a SIZE is answered with a size that is not a number
    StallBody,   // a GET is answered with the first half of the file, then nothing until the client goes
    SlowBody,    // a GET is answered in pieces of kSlowPieceBytes, one every kSlowPieceMs
};

// The pace of SlowBody.
inline constexpr int kSlowPieceBytes = 1024;
inline constexpr int kSlowPieceMs = 20;

// The mode named by a word ("none", "refused", "silent", "no-greeting",
// "short-body", "wrong-size", "stall-body", "slow-body"); false for an
// unknown word.
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

    // Offer mode (see above) when not empty.
    std::string offerDir;
    // The version named by the page's "*VER: " line.
    std::string offerVersion = "1.02";
    // The product, platform and version of the client asked: the page is
    // "/upgrades/<client>.html" and the files lie below "<client>/".
    std::string offerClient = "vurnorvex_windows_1.01";
    // Further lines of the page, after the file lines (pop-ups, names the
    // service does not have).
    std::vector<std::string> extraListLines;
};

// The word sum the upgrade list gives: the bytes as 32-bit little-endian
// words added modulo 2^32 (a short last group padded with zeros), folded to
// 16 bits.
unsigned listWordSum(const std::string& bytes);
// The bytes packed as a gzip stream.
std::string gzipBytes(const std::string& bytes);

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

    int httpPort() const { return http_.port(); }
    // The version page of offer mode (empty otherwise).
    const std::string& offerPage() const { return offerPage_; }
    int filePort() const { return files_.port(); }

    // What clients sent, in arrival order: each HTTP request's raw bytes,
    // and each line the file service read (without its LF).
    std::vector<std::string> httpRequests() const;
    std::vector<std::string> fileLines() const;
    int fileConnections() const { return fileConnections_; }

private:
    void serveHttp(int fd);
    void serveFile(int fd);
    // The body of a GET as the fault mode has it; false when the client went.
    bool sendBody(int fd, std::string bytes);
    // The bytes served for a request path: the offer's first, then the
    // root's; false when there is no such file.
    bool lookUp(const std::string& requestPath, std::string* bytes) const;
    // Builds the page and the packed files of offer mode.
    bool prepareOffer();

    UpgradeServerOptions options_;
    ConnectionThreads http_;
    ConnectionThreads files_;
    std::atomic<int> fileConnections_{0};

    mutable std::mutex mutex_;
    std::vector<std::string> httpRequests_;
    std::vector<std::string> fileLines_;

    std::string offerPage_;
    std::vector<std::pair<std::string, std::string>> offerFiles_;  // request path (no leading '/'), bytes
};

}  // namespace standin
