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
    : iHost(host ? host : ""), iPort(port), iInterrupt(interrupt) {
    reconnect();
}

Socket::~Socket() {
    debugLog("~Socket\n");
    disconnect();
    std::vector<char>().swap(iBuffer);
}

int Socket::selfId() const { return static_cast<int>(reinterpret_cast<std::uintptr_t>(this) & 0x7fffffff); }

long long Socket::timeoutUs() const { return static_cast<long long>(iTimeoutSec) * 1000000 + iTimeoutUsec; }

void Socket::setTimeout(int seconds, int microseconds) {
    iTimeoutSec = std::max(0, seconds);
    iTimeoutUsec = std::max(0, microseconds);
}

void Socket::setPollMode() {
    iPollMode = 1;
    iTimeoutSec = 0;
    iTimeoutUsec = 10;
}

void Socket::reconnect() {
    debugLog("Socket::reconnect entry\n");
    // A reconnect after a long outage must not pile up descriptors.
    if (iHandle >= 0) tcp::closeHandle(iHandle);
    iHandle = -1;
    iTimeoutSec = 20;
    iTimeoutUsec = 0;
    iBuffer.assign(kInitialBuffer, 0);
    iHeld = 0;
    iClosed = 1;
    iBroken = 0;

    if (!tcp::parseDotted(iHost.c_str(), &iAddress)) {
        std::vector<std::uint32_t> found;
        tcp::Lookup result = tcp::lookupIPv4(iHost.c_str(), &found);
        if (result != tcp::Lookup::Ok) {
            debugPrintfS(result == tcp::Lookup::NotFound ? "Host '%s' not found.\n"
                                                         : "Name resolution error occured for host '%s'.\n",
                         iHost.c_str());
            iBroken = 1;
            return;
        }
        std::string dotted = tcp::dottedText(found.front());
        debugPrintfSS("IP address of '%s' is '%s'\n", iHost.c_str(), dotted.c_str());
        iHost = dotted;
        iAddress = found.front();
    }

    int err = 0;
    iHandle = tcp::openStream(&err);
    if (iHandle < 0) debugPrintfI("socket=%d\n", iHandle);
    debugPrintfSIII("Connect(%s,%d,%d,%d)...\n", iHost.c_str(), iPort, iHandle, kConnectTimeoutMs / 1000);
    int rc = tcp::connectTo(iHandle, iAddress, iPort, kConnectTimeoutMs, iInterrupt);
    if (rc != 0) {
        debugPrintfIII("this=%d connect rc=%d, errno=%d\n", selfId(), -1, rc);
        iBroken = 1;
        // A descriptor whose connect failed is of no further use.
        tcp::closeHandle(iHandle);
        iHandle = -1;
    } else {
        // Small writes go out at once: a game message is sent as its frame
        // header and then its body, and the body must not wait for the
        // peer's acknowledgement of the header.
        tcp::setNoDelay(iHandle);
    }
    iClosed = 0;
    if (iPollMode) setPollMode();
}

void Socket::send(const void* bytes, int length) {
    if (length <= 0) return;
    int err = 0;
    int waitMs = iPollMode ? kConnectTimeoutMs : static_cast<int>(std::max(1LL, timeoutUs() / 1000));
    long sent = tcp::sendAll(iHandle, bytes, length, waitMs, &err, iInterrupt);
    if (sent != length) {
        debugPrintfII("send rc=%d errno=%d\n", static_cast<int>(sent), err);
        iBroken = 1;
    }
}

int Socket::sendString(const char* text) {
    if (!text) return 0;
    long length = static_cast<long>(std::strlen(text));
    if (length == 0) return 0;
    int err = 0;
    int waitMs = iPollMode ? kConnectTimeoutMs : static_cast<int>(std::max(1LL, timeoutUs() / 1000));
    long sent = tcp::sendAll(iHandle, text, length, waitMs, &err, iInterrupt);
    if (sent != length) iBroken = 1;
    return sent == 0 ? -1 : static_cast<int>(sent);
}

int Socket::takeHeld(char* dst, int max) {
    int n = std::min(iHeld, max);
    if (n <= 0) return 0;
    std::memcpy(dst, iBuffer.data(), static_cast<std::size_t>(n));
    std::memmove(iBuffer.data(), iBuffer.data() + n, static_cast<std::size_t>(iHeld - n));
    iHeld -= n;
    iBuffer[static_cast<std::size_t>(iHeld)] = 0;
    return n;
}

char* Socket::recv(int length, int* count, char* buffer) {
    if (count) *count = 0;
    if (length <= 0) return nullptr;
    bool allocated = !buffer;
    if (allocated) buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(length)));
    int total = takeHeld(buffer, length);
    while (total < length) {
        debugPrintfII("RECV(%d,%d)>", iHandle, length - total);
        int err = EAGAIN;
        long n;
        switch (tcp::waitReadable(iHandle, iPollMode ? 0 : timeoutUs(), iInterrupt)) {
        case tcp::Wait::Ready: n = tcp::receiveSome(iHandle, buffer + total, length - total, &err); break;
        case tcp::Wait::TimedOut: n = tcp::kNothingWaiting; break;
        default:
            n = tcp::kReceiveFailed;
            err = EBADF;
            break;
        }
        debugPrintfI("<RECV(%d)\n", static_cast<int>(n));
        if (n == 0) iClosed = 1;  // the peer closed
        if (n == 0 || n == tcp::kNothingWaiting) {
            if (total > 0) break;
            debugPrintfIII("nc=0.recv soc=%d nc=%d errno=%d\n", iHandle, static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (allocated) std::free(buffer);
            return nullptr;
        }
        if (n < 0) {
            debugPrintfIII("nc<0.recv soc=%d nc=%d errno=%d\n", iHandle, static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (allocated) std::free(buffer);
            iBroken = 1;
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
        debugPrintfII("RECV(%d,%d)>", iHandle, length - total);
        int err = EAGAIN;
        long n;
        switch (tcp::waitReadable(iHandle, timeoutUs(), iInterrupt)) {
        case tcp::Wait::Ready: n = tcp::receiveSome(iHandle, buffer + total, length - total, &err); break;
        case tcp::Wait::TimedOut:
            n = 0;
            err = ETIMEDOUT;
            break;
        default:
            n = tcp::kReceiveFailed;
            err = EBADF;
            break;
        }
        debugPrintfI("<RECV(%d)\n", static_cast<int>(n));
        if (n == tcp::kNothingWaiting) continue;  // woken without data
        if (n == 0 && err != ETIMEDOUT) iClosed = 1;
        if (n <= 0) {
            debugPrintfIII(n == 0 ? "nc=0.recv soc=%d nc=%d errno=%d\n" : "nc<0.recv soc=%d nc=%d errno=%d\n", iHandle,
                           static_cast<int>(n), err);
            debugPrintfII("total=%d len=%d\n", total, length);
            if (n < 0) iBroken = 1;
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
            tcp::Wait w = tcp::waitReadable(iHandle, timeoutUs(), iInterrupt);
            if (w == tcp::Wait::TimedOut) {
                debugLog("Socket timeout #2\n");
                return nullptr;
            }
            int err = 0;
            long n = w == tcp::Wait::Ready ? tcp::receiveSome(iHandle, &c, 1, &err) : tcp::kReceiveFailed;
            if (n == tcp::kNothingWaiting) continue;
            if (n == 0) iClosed = 1;
            if (n < 0) iBroken = 1;
            if (n <= 0) return nullptr;
        }
        if (c == '\n') break;
        if (len < kMaxLineChars)
            iLine[len++] = c;
        else
            cut = true;
    }
    iLine[len] = 0;
    if (cut) debugPrintfI("ERROR: line over %d characters cut\n", kMaxLineChars);
    return iLine;
}

char* Socket::recvMessage(int* length) {
    // Bytes kept from the last reply may already hold a whole one.
    int end = findTerminator(iBuffer.data(), 0, iHeld);
    while (end < 0) {
        int want = std::min(kReplyPiece, kMaxMessageBytes - iHeld);
        if (want <= 0) {
            debugPrintfI("ERROR: reply over %d bytes cut\n", kMaxMessageBytes);
            iBroken = 1;
            break;
        }
        if (static_cast<int>(iBuffer.size()) < iHeld + kReplyPiece + kTerminatorOverlap)
            iBuffer.resize(iBuffer.size() + kReplyGrowth, 0);
        tcp::Wait w = tcp::waitReadable(iHandle, timeoutUs(), iInterrupt);
        if (w == tcp::Wait::TimedOut) {
            debugLog("Socket timeout #1\n");
            iClosed = 1;
            break;
        }
        int err = EBADF;
        long n =
            w == tcp::Wait::Ready ? tcp::receiveSome(iHandle, iBuffer.data() + iHeld, want, &err) : tcp::kReceiveFailed;
        if (n == tcp::kNothingWaiting) continue;
        if (n == 0) {
            iClosed = 1;
            break;
        }
        if (n < 0) {
            debugPrintfII("recvMessage soc=%d errno=%d\n", iHandle, err);
            iBroken = 1;
            break;
        }
        int from = std::max(0, iHeld - kTerminatorOverlap);
        iHeld += static_cast<int>(n);
        iBuffer[static_cast<std::size_t>(iHeld)] = 0;
        end = findTerminator(iBuffer.data(), from, iHeld);
    }
    int resultLength = end >= 0 ? end : iHeld;
    char* result = static_cast<char*>(std::malloc(static_cast<std::size_t>(resultLength) + 1));
    std::memcpy(result, iBuffer.data(), static_cast<std::size_t>(resultLength));
    result[resultLength] = 0;
    // What followed the terminator starts the next reply.
    std::vector<char> next(std::max<std::size_t>(iBuffer.size(), kInitialBuffer), 0);
    int rest = iHeld - resultLength;
    if (rest > 0) std::memcpy(next.data(), iBuffer.data() + resultLength, static_cast<std::size_t>(rest));
    iHeld = rest;
    iBuffer.swap(next);
    if (length) *length = resultLength;
    return result;
}

void Socket::disconnect() {
    if (iHandle >= 0) {
        debugLog("Socket disconnect.\n");
        tcp::closeHandle(iHandle);
        iHandle = -1;
        iClosed = 1;
    }
}
