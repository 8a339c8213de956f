#include "framework/net/socket.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/app/debuglog.h"
#include "platform/net/tcp.h"

namespace tcp = platform::net;

namespace {

constexpr int kInitialBuffer = 1024;
constexpr int kReplyPiece = 2048;
constexpr int kReplyGrowth = 32768;
// A reply terminator may straddle two receives: the search starts this far
// before the new bytes.
constexpr int kTerminatorOverlap = 5;

// The index just past the first reply terminator in data[from, to), or -1.
int findTerminator(const char* data, int from, int to) {
    static const char* const terminators[] = {"\r\n.\r\n", "\n.\n"};
    const char* best = nullptr;
    std::size_t bestLen = 0;
    for (const char* t : terminators) {
        std::size_t len = std::strlen(t);
        if (to - from < static_cast<int>(len)) continue;
        const void* at = memmem(data + from, static_cast<std::size_t>(to - from), t, len);
        const char* hit = static_cast<const char*>(at);
        if (hit && (!best || hit < best)) {
            best = hit;
            bestLen = len;
        }
    }
    return best ? static_cast<int>(best - data + static_cast<long>(bestLen)) : -1;
}

}  // namespace

Socket::Socket(const char* host, int port, const std::atomic<bool>* interrupt)
    : host_(host ? host : ""), port_(port), interrupt_(interrupt) {
    reconnect();
}

Socket::~Socket() {
    debugLog("~Socket\n");
    disconnect();
    std::vector<char>().swap(buffer_);
}

int Socket::selfId() const { return static_cast<int>(reinterpret_cast<std::uintptr_t>(this) & 0x7fffffff); }

long long Socket::timeoutUs() const {
    return static_cast<long long>(timeoutSec_) * 1000000 + timeoutUsec_;
}

void Socket::setTimeout(int seconds, int microseconds) {
    timeoutSec_ = std::max(0, seconds);
    timeoutUsec_ = std::max(0, microseconds);
}

void Socket::setPollMode() {
    pollMode_ = 1;
    timeoutSec_ = 0;
    timeoutUsec_ = 10;
}

void Socket::reconnect() {
    debugLog("Socket::reconnect entry\n");
    // A reconnect after a long outage must not pile up descriptors.
    if (handle_ >= 0) tcp::closeHandle(handle_);
    handle_ = -1;
    timeoutSec_ = 20;
    timeoutUsec_ = 0;
    buffer_.assign(kInitialBuffer, 0);
    held_ = 0;
    closed_ = 1;
    broken_ = 0;

    if (!tcp::parseDotted(host_.c_str(), &address_)) {
        std::vector<std::uint32_t> found;
        tcp::Lookup result = tcp::lookupIPv4(host_.c_str(), &found);
        if (result != tcp::Lookup::Ok) {
            debugPrintfS(result == tcp::Lookup::NotFound ? "Host '%s' not found.\n"
                                                         : "Name resolution error occured for host '%s'.\n",
                         host_.c_str());
            broken_ = 1;
            return;
        }
        std::string dotted = tcp::dottedText(found.front());
        debugPrintfSS("IP address of '%s' is '%s'\n", host_.c_str(), dotted.c_str());
        host_ = dotted;
        address_ = found.front();
    }

    int err = 0;
    handle_ = tcp::openStream(&err);
    if (handle_ < 0) debugPrintfI("socket=%d\n", handle_);
    debugPrintfSIII("Connect(%s,%d,%d,%d)...\n", host_.c_str(), port_, handle_, kConnectTimeoutMs / 1000);
    int rc = tcp::connectTo(handle_, address_, port_, kConnectTimeoutMs, interrupt_);
    if (rc != 0) {
        debugPrintfIII("this=%d connect rc=%d, errno=%d\n", selfId(), -1, rc);
        broken_ = 1;
        // A descriptor whose connect failed is of no further use.
        tcp::closeHandle(handle_);
        handle_ = -1;
    } else {
        // Small writes go out at once: a game message is sent as its frame
        // header and then its body, and the body must not wait for the
        // peer's acknowledgement of the header.
        tcp::setNoDelay(handle_);
    }
    closed_ = 0;
    if (pollMode_) setPollMode();
}

void Socket::send(const void* bytes, int length) {
    if (length <= 0) return;
    int err = 0;
    int waitMs = pollMode_ ? kConnectTimeoutMs : static_cast<int>(std::max(1LL, timeoutUs() / 1000));
    long sent = tcp::sendAll(handle_, bytes, length, waitMs, &err, interrupt_);
    if (sent != length) {
        debugPrintfII("send rc=%d errno=%d\n", static_cast<int>(sent), err);
        broken_ = 1;
    }
}

int Socket::sendString(const char* text) {
    if (!text) return 0;
    long length = static_cast<long>(std::strlen(text));
    if (length == 0) return 0;
    int err = 0;
    int waitMs = pollMode_ ? kConnectTimeoutMs : static_cast<int>(std::max(1LL, timeoutUs() / 1000));
    long sent = tcp::sendAll(handle_, text, length, waitMs, &err, interrupt_);
    if (sent != length) broken_ = 1;
    return sent == 0 ? -1 : static_cast<int>(sent);
}

int Socket::takeHeld(char* dst, int max) {
    int n = std::min(held_, max);
    if (n <= 0) return 0;
    std::memcpy(dst, buffer_.data(), static_cast<std::size_t>(n));
    std::memmove(buffer_.data(), buffer_.data() + n, static_cast<std::size_t>(held_ - n));
    held_ -= n;
    buffer_[static_cast<std::size_t>(held_)] = 0;
    return n;
}

char* Socket::recv(int length, int* count, char* buffer) {
    if (count) *count = 0;
    if (length <= 0) return nullptr;
    bool allocated = !buffer;
    if (allocated) buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(length)));
    int total = takeHeld(buffer, length);
    while (total < length) {
        debugPrintfII("RECV(%d,%d)>", handle_, length - total);
        int err = EAGAIN;
        long n;
        switch (tcp::waitReadable(handle_, pollMode_ ? 0 : timeoutUs())) {
            case tcp::Wait::Ready: n = tcp::receiveSome(handle_, buffer + total, length - total, &err); break;
            case tcp::Wait::TimedOut: n = tcp::kNothingWaiting; break;
            default: n = tcp::kReceiveFailed; err = EBADF; break;
        }
        debugPrintfI("<RECV(%d)\n", static_cast<int>(n));
        if (n == 0) closed_ = 1;  // the peer closed
        if (n == 0 || n == tcp::kNothingWaiting) {
            if (total > 0) break;
            debugPrintfIII("nc=0.recv soc=%d nc=%d errno=%d\n", handle_, static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (allocated) std::free(buffer);
            return nullptr;
        }
        if (n < 0) {
            debugPrintfIII("nc<0.recv soc=%d nc=%d errno=%d\n", handle_, static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (allocated) std::free(buffer);
            broken_ = 1;
            return nullptr;
        }
        total += static_cast<int>(n);
    }
    if (count) *count = total;
    return buffer;
}

char* Socket::recvAll(int length, char* buffer) {
    if (length < 0) return nullptr;
    bool allocated = !buffer;
    if (allocated) buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(std::max(length, 1))));
    int total = takeHeld(buffer, length);
    while (total < length) {
        debugPrintfII("RECV(%d,%d)>", handle_, length - total);
        int err = EAGAIN;
        long n;
        switch (tcp::waitReadable(handle_, timeoutUs())) {
            case tcp::Wait::Ready: n = tcp::receiveSome(handle_, buffer + total, length - total, &err); break;
            case tcp::Wait::TimedOut: n = 0; err = ETIMEDOUT; break;
            default: n = tcp::kReceiveFailed; err = EBADF; break;
        }
        debugPrintfI("<RECV(%d)\n", static_cast<int>(n));
        if (n == tcp::kNothingWaiting) continue;  // woken without data
        if (n == 0 && err != ETIMEDOUT) closed_ = 1;
        if (n <= 0) {
            debugPrintfIII(n == 0 ? "nc=0.recv soc=%d nc=%d errno=%d\n" : "nc<0.recv soc=%d nc=%d errno=%d\n", handle_,
                           static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (n < 0) broken_ = 1;
            if (allocated) std::free(buffer);
            return nullptr;
        }
        total += static_cast<int>(n);
    }
    return buffer;
}

const char* Socket::readLine() {
    int len = 0;
    bool cut = false;
    for (;;) {
        char c = 0;
        if (takeHeld(&c, 1) == 0) {
            tcp::Wait w = tcp::waitReadable(handle_, timeoutUs());
            if (w == tcp::Wait::TimedOut) {
                debugLog("Socket timeout #2\n");
                return nullptr;
            }
            int err = 0;
            long n = w == tcp::Wait::Ready ? tcp::receiveSome(handle_, &c, 1, &err) : tcp::kReceiveFailed;
            if (n == tcp::kNothingWaiting) continue;
            if (n == 0) closed_ = 1;
            if (n < 0) broken_ = 1;
            if (n <= 0) return nullptr;
        }
        if (c == '\n') break;
        if (len < kMaxLineChars) line_[len++] = c;
        else cut = true;
    }
    line_[len] = 0;
    if (cut) debugPrintfI("ERROR: line over %d characters cut\n", kMaxLineChars);
    return line_;
}

char* Socket::recvMessage(int* length) {
    // Bytes kept from the last reply may already hold a whole one.
    int end = findTerminator(buffer_.data(), 0, held_);
    while (end < 0) {
        int want = std::min(kReplyPiece, kMaxMessageBytes - held_);
        if (want <= 0) {
            debugPrintfI("ERROR: reply over %d bytes cut\n", kMaxMessageBytes);
            broken_ = 1;
            break;
        }
        if (static_cast<int>(buffer_.size()) < held_ + kReplyPiece + kTerminatorOverlap)
            buffer_.resize(buffer_.size() + kReplyGrowth, 0);
        tcp::Wait w = tcp::waitReadable(handle_, timeoutUs());
        if (w == tcp::Wait::TimedOut) {
            debugLog("Socket timeout #1\n");
            closed_ = 1;
            break;
        }
        int err = EBADF;
        long n = w == tcp::Wait::Ready ? tcp::receiveSome(handle_, buffer_.data() + held_, want, &err)
                                       : tcp::kReceiveFailed;
        if (n == tcp::kNothingWaiting) continue;
        if (n == 0) {
            closed_ = 1;
            break;
        }
        if (n < 0) {
            debugPrintfII("recvMessage soc=%d errno=%d\n", handle_, err);
            broken_ = 1;
            break;
        }
        int from = std::max(0, held_ - kTerminatorOverlap);
        held_ += static_cast<int>(n);
        buffer_[static_cast<std::size_t>(held_)] = 0;
        end = findTerminator(buffer_.data(), from, held_);
    }
    int resultLength = end >= 0 ? end : held_;
    char* result = static_cast<char*>(std::malloc(static_cast<std::size_t>(resultLength) + 1));
    std::memcpy(result, buffer_.data(), static_cast<std::size_t>(resultLength));
    result[resultLength] = 0;
    // What followed the terminator starts the next reply.
    std::vector<char> next(std::max<std::size_t>(buffer_.size(), kInitialBuffer), 0);
    int rest = held_ - resultLength;
    if (rest > 0) std::memcpy(next.data(), buffer_.data() + resultLength, static_cast<std::size_t>(rest));
    held_ = rest;
    buffer_.swap(next);
    if (length) *length = resultLength;
    return result;
}

void Socket::disconnect() {
    if (handle_ >= 0) {
        debugLog("Socket disconnect.\n");
        tcp::closeHandle(handle_);
        handle_ = -1;
        closed_ = 1;
    }
}
