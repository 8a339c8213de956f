#include "standin/serving.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/net/tcp.h"
#include "platform/os/files.h"

namespace fs = std::filesystem;
namespace tcp = platform::net;

namespace standin {

bool ConnectionThreads::listen(const std::string& bindAddress, int port) {
    listen_ = tcp::listenOn(bindAddress.c_str(), port, &port_);
    return listen_ >= 0;
}

void ConnectionThreads::start(std::function<void(int fd)> serve) {
    serve_ = std::move(serve);
    std::lock_guard<std::mutex> lock(mutex_);
    Worker& accepter = workers_.emplace_back();
    accepter.thread = std::thread([this] { acceptLoop(); });
}

void ConnectionThreads::closeListener() {
    tcp::closeHandle(listen_);
    listen_ = -1;
}

void ConnectionThreads::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    tcp::shutdownBoth(listen_);
    for (;;) {
        std::list<Worker> pending;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int fd : connections_) tcp::shutdownBoth(fd);
            pending.swap(workers_);
        }
        if (pending.empty()) break;
        for (Worker& w : pending) w.thread.join();
    }
    closeListener();
}

void ConnectionThreads::track(int fd, bool add) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (add) {
        connections_.push_back(fd);
        if (stopping_) tcp::shutdownBoth(fd);
    } else {
        std::erase(connections_, fd);
    }
}

void ConnectionThreads::acceptLoop() {
    while (!stopping_) {
        int err = 0;
        int fd = tcp::acceptConnection(listen_, -1, &err);
        if (fd < 0) {
            // The listener's end (stop, or a port that no longer listens).
            if (stopping_ || err == 0 || err == EBADF || err == EINVAL || err == ENOTSOCK) break;
            // Out of descriptors or kernel memory: the connections wait in
            // the listening queue until ended ones free some; wait a moment
            // rather than ask again at once.
            joinFinished();
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, kAcceptBackOff, [this] { return stopping_.load(); });
            continue;
        }
        joinFinished();
        track(fd, true);
        if (!startWorker(fd)) {
            // No thread to serve it: this connection is refused, the next
            // ones are served as threads come free.
            track(fd, false);
            tcp::closeHandle(fd);
        }
    }
}

bool ConnectionThreads::startWorker(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto worker = workers_.emplace(workers_.end());
    std::function<void()> run = [this, fd, worker] {
        serve_(fd);
        track(fd, false);
        tcp::closeHandle(fd);
        std::lock_guard<std::mutex> done(mutex_);
        worker->done = true;
    };
    try {
        worker->thread = starter_ ? starter_(std::move(run)) : std::thread(std::move(run));
    } catch (const std::system_error&) {
        workers_.erase(worker);
        return false;
    }
    return true;
}

std::size_t ConnectionThreads::threadsHeld() {
    std::lock_guard<std::mutex> lock(mutex_);
    return workers_.size();
}

void ConnectionThreads::joinFinished() {
    std::list<Worker> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = workers_.begin(); it != workers_.end();) {
            auto next = std::next(it);
            if (it->done) finished.splice(finished.end(), workers_, it);
            it = next;
        }
    }
    for (Worker& w : finished) w.thread.join();
}

void ConnectionThreads::holdUntilStopped(int fd) const {
    char scratch[256];
    while (!stopping_) {
        tcp::Wait w = tcp::waitReadable(fd, 100 * 1000);
        if (w == tcp::Wait::Failed) return;
        if (w == tcp::Wait::Ready) {
            int err = 0;
            long n = tcp::receiveSome(fd, scratch, sizeof scratch, &err);
            if (n == 0 || n == tcp::kReceiveFailed) return;
        }
    }
}

bool sendText(int fd, const std::string& text) {
    int err = 0;
    return tcp::sendAll(fd, text.data(), static_cast<long>(text.size()), 10000, &err) == static_cast<long>(text.size());
}

std::string readRequestHead(int fd, std::size_t limit, long long timeUs) {
    // One deadline for the whole head: a client that sends a byte now and
    // then holds its connection no longer than one that sends nothing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(timeUs);
    std::string request;
    while (request.size() < limit && request.find("\n\n") == std::string::npos &&
           request.find("\r\n\r\n") == std::string::npos) {
        const long long leftUs =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (leftUs <= 0 || tcp::waitReadable(fd, leftUs) != tcp::Wait::Ready) break;
        char piece[1024];
        int err = 0;
        const std::size_t room = std::min(sizeof piece, limit - request.size());
        long n = tcp::receiveSome(fd, piece, static_cast<long>(room), &err);
        if (n == tcp::kNothingWaiting) continue;
        if (n <= 0) break;
        request.append(piece, static_cast<std::size_t>(n));
    }
    return request;
}

void requestLine(const std::string& head, std::string* method, std::string* path) {
    std::istringstream first(head.substr(0, head.find('\n')));
    method->clear();
    path->clear();
    first >> *method >> *path;
}

std::string pathBelow(const std::string& root, const std::string& requestPath) {
    std::string rel = requestPath;
    std::size_t query = rel.find_first_of("?#");
    if (query != std::string::npos) rel.resize(query);
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    if (rel.empty() || rel.find('\\') != std::string::npos || rel.find('\0') != std::string::npos) return {};
    std::stringstream parts(rel);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part.empty() || part == "." || part == "..") return {};
    return root + "/" + rel;
}

bool readFileBelow(const std::string& root, const std::string& file, std::string* bytes) {
    if (file.empty()) return false;
    std::error_code ec;
    const fs::path realRoot = fs::canonical(root, ec);
    if (ec) return false;
    const fs::path real = fs::canonical(file, ec);
    if (ec) return false;
    // Inside: the root's real path is a leading part of the file's.
    const auto mismatch = std::mismatch(realRoot.begin(), realRoot.end(), real.begin(), real.end());
    if (mismatch.first != realRoot.end() || mismatch.second == real.end()) return false;
    return platform::readWholeFile(real.string(), bytes);
}

bool portArgument(const char* text, int* port) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 1 || n > 65535) return false;
    *port = static_cast<int>(n);
    return true;
}

std::string exchangeOnLoopback(int port, const std::string& text) {
    int err = 0;
    int fd = tcp::openStream(&err);
    std::uint32_t loopback = 0;
    if (!tcp::parseDotted("127.0.0.1", &loopback) || tcp::connectTo(fd, loopback, port, 2000) != 0) {
        tcp::closeHandle(fd);
        return {};
    }
    tcp::sendAll(fd, text.data(), static_cast<long>(text.size()), 2000, &err);
    std::string reply;
    char piece[512];
    while (tcp::waitReadable(fd, 2000 * 1000) == tcp::Wait::Ready) {
        long n = tcp::receiveSome(fd, piece, sizeof piece, &err);
        if (n == tcp::kNothingWaiting) continue;
        if (n <= 0) break;
        reply.append(piece, static_cast<std::size_t>(n));
    }
    tcp::closeHandle(fd);
    return reply;
}

}  // namespace standin
