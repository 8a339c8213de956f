#include "standin/serving.h"

#include <cstdlib>
#include <sstream>

#include "platform/net/tcp.h"

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
    stopping_ = true;
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
        int fd = tcp::acceptConnection(listen_, -1);
        if (fd < 0) break;
        joinFinished();
        track(fd, true);
        std::lock_guard<std::mutex> lock(mutex_);
        auto worker = workers_.emplace(workers_.end());
        worker->thread = std::thread([this, fd, worker] {
            serve_(fd);
            track(fd, false);
            tcp::closeHandle(fd);
            std::lock_guard<std::mutex> done(mutex_);
            worker->done = true;
        });
    }
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

std::string readRequestHead(int fd, std::size_t limit) {
    std::string request;
    while (request.size() < limit && request.find("\n\n") == std::string::npos &&
           request.find("\r\n\r\n") == std::string::npos) {
        if (tcp::waitReadable(fd, kClientWaitUs) != tcp::Wait::Ready) break;
        char piece[1024];
        int err = 0;
        long n = tcp::receiveSome(fd, piece, sizeof piece, &err);
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
