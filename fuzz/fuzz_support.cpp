#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/net/tcp.h"
#include "testing/program_folder.h"

namespace tcp = platform::net;

namespace fuzz {

namespace {
std::unique_ptr<testing_support::ProgramFolder> programFolder;
}  // namespace

void enterProgramFolder() {
    if (!programFolder) programFolder = std::make_unique<testing_support::ProgramFolder>();
}

std::string sourcePath(const std::string& relative) { return testing_support::sourceDir() + "/" + relative; }

void writeFile(const std::string& path, const uint8_t* data, std::size_t size) {
    writeFile(path, std::string(reinterpret_cast<const char*>(data), size));
}

void writeFile(const std::string& path, const std::string& text) {
    enterProgramFolder();
    programFolder->write(path, text);
}

std::string readFile(const std::string& path) {
    enterProgramFolder();
    return programFolder->read(path);
}

void copyFromSource(const std::string& sourceRelative, const std::string& path) {
    enterProgramFolder();
    programFolder->copyFromSource(sourceRelative, path);
}

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

ReplyPeer::ReplyPeer() {
    listen_ = tcp::listenOn("127.0.0.1", 0, &port_);
    thread_ = std::thread([this] { serve(); });
}

ReplyPeer::~ReplyPeer() {
    stopping_ = true;
    tcp::shutdownBoth(listen_);
    thread_.join();
    tcp::closeHandle(listen_);
}

void ReplyPeer::setReply(const uint8_t* data, std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    reply_.assign(reinterpret_cast<const char*>(data), size);
}

void ReplyPeer::serve() {
    while (!stopping_) {
        int fd = tcp::acceptConnection(listen_, -1);
        if (fd < 0) return;
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reply = reply_;
        }
        int err = 0;
        tcp::sendAll(fd, reply.data(), static_cast<long>(reply.size()), 2000, &err);
        // The end of the reply, while the client may still send: it reads
        // everything before it sees the end.
        tcp::shutdownSending(fd);
        char sink[4096];
        for (;;) {
            if (tcp::waitReadable(fd, 2000 * 1000) != tcp::Wait::Ready) break;
            long n = tcp::receiveSome(fd, sink, sizeof sink, &err);
            if (n == tcp::kNothingWaiting) continue;
            if (n <= 0) break;
        }
        tcp::closeHandle(fd);
    }
}

}  // namespace fuzz
