#pragma once
// Shared parts of the fuzz entries: a program folder that is the working
// directory for the whole run (the readers find their files relative to
// it), file writing, the check that ends a run with a finding, and a
// loopback peer that answers each connection with the bytes of the input.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace fuzz {

// Makes a fresh program folder ("system/", "user/nls/", "boards/") the
// working directory, once per process.
void enterProgramFolder();
// The path of a file of the source tree.
std::string sourcePath(const std::string& relative);
// Writes a file, making its folders first, and reads one (empty when
// missing): relative paths lie in the program folder, absolute ones (the
// source tree's) where they name.
void writeFile(const std::string& path, const uint8_t* data, std::size_t size);
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);
// Copies a file or folder of the source tree into the program folder.
void copyFromSource(const std::string& sourceRelative, const std::string& path);

// A broken invariant: the input is a finding.
[[noreturn]] void fail(const char* what, const char* file, int line);
#define FUZZ_CHECK(condition)                                           \
    do {                                                                \
        if (!(condition)) ::fuzz::fail(#condition, __FILE__, __LINE__); \
    } while (0)

// Listens on a loopback port; each connection gets the reply set last,
// then the end of the stream, and is closed once the client closes.
class ReplyPeer {
public:
    ReplyPeer();
    ~ReplyPeer();
    int port() const { return port_; }
    void setReply(const uint8_t* data, std::size_t size);

private:
    void serve();
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::string reply_;
    std::thread thread_;
};

}  // namespace fuzz
