#include "platform/net/tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/thread.h"

namespace platform::net {

namespace {

sockaddr_in makeAddress(std::uint32_t address, int port) {
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = address;
    return sa;
}

bool setNonBlocking(int fd, bool on) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

bool cancelled(CancelFlag cancel) { return cancel && cancel->load(); }

// poll on one descriptor, restarted after signals with the time left. With
// a cancel flag the wait goes in slices, so a raised flag ends it (rc -1,
// errno ECANCELED) within one slice.
int pollOne(int fd, short events, long long timeoutUs, short* revents, CancelFlag cancel = nullptr) {
    pollfd p{fd, events, 0};
    long long deadline = platform::monotonicMs() * 1000 + timeoutUs;
    const long long sliceUs = static_cast<long long>(kCancelSliceMs) * 1000;
    for (;;) {
        if (cancelled(cancel)) {
            errno = ECANCELED;
            return -1;
        }
        long long waitUs = timeoutUs;
        if (cancel && (waitUs < 0 || waitUs > sliceUs)) waitUs = sliceUs;
        timespec ts{static_cast<time_t>(waitUs / 1000000), static_cast<long>((waitUs % 1000000) * 1000)};
        int rc = ppoll(&p, 1, waitUs < 0 ? nullptr : &ts, nullptr);
        if (rc > 0 || (rc < 0 && errno != EINTR)) {
            *revents = p.revents;
            return rc;
        }
        if (rc == 0 && waitUs == timeoutUs) {  // the whole time ran out
            *revents = 0;
            return 0;
        }
        if (timeoutUs >= 0) {
            timeoutUs = deadline - platform::monotonicMs() * 1000;
            if (timeoutUs < 0) timeoutUs = 0;
        }
    }
}

}  // namespace

bool parseDotted(const char* text, std::uint32_t* address) {
    if (!text) return false;
    in_addr a;
    if (inet_pton(AF_INET, text, &a) != 1) return false;
    *address = a.s_addr;
    return true;
}

std::string dottedText(std::uint32_t address) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr a;
    a.s_addr = address;
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

namespace {
std::atomic<LookupFunction> testLookup{nullptr};
}  // namespace

void setLookupForTests(LookupFunction lookup) { testLookup.store(lookup); }

Lookup lookupIPv4(const char* name, std::vector<std::uint32_t>* addresses) {
    addresses->clear();
    if (!name || !*name) return Lookup::NotFound;
    if (LookupFunction lookup = testLookup.load()) return lookup(name, addresses);
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &found);
    if (rc != 0) {
        // EAI_NODATA (a name without an IPv4 address) is a glibc extension.
#ifdef EAI_NODATA
        if (rc == EAI_NODATA) return Lookup::NotFound;
#endif
        return rc == EAI_NONAME ? Lookup::NotFound : Lookup::Failed;
    }
    for (addrinfo* p = found; p; p = p->ai_next) {
        if (p->ai_family != AF_INET || !p->ai_addr) continue;
        std::uint32_t a = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        addresses->push_back(a);
    }
    freeaddrinfo(found);
    return addresses->empty() ? Lookup::NotFound : Lookup::Ok;
}

int openStream(int* error) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 && error) *error = errno;
    return fd;
}

void setReceiveBuffer(int fd, int bytes) {
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void setSendBuffer(int fd, int bytes) {
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

void setNoDelay(int fd) {
    int one = 1;
    if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void closeHandle(int fd) {
    if (fd >= 0) close(fd);
}

int connectTo(int fd, std::uint32_t address, int port, int timeoutMs, CancelFlag cancel) {
    if (fd < 0) return EBADF;
    if (cancelled(cancel)) return ECANCELED;
    sockaddr_in sa = makeAddress(address, port);
    if (!setNonBlocking(fd, true)) return errno;
    int err = 0;
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        err = errno;
        if (err == EINPROGRESS || err == EINTR) {
            short revents = 0;
            int rc = pollOne(fd, POLLOUT, static_cast<long long>(timeoutMs) * 1000, &revents, cancel);
            if (rc == 0) {
                err = ETIMEDOUT;
            } else if (rc < 0) {
                err = errno;
            } else {
                socklen_t len = sizeof err;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
            }
        }
    }
    setNonBlocking(fd, false);
    return err;
}

long sendAll(int fd, const void* data, long length, int timeoutMs, int* error, CancelFlag cancel) {
    const char* p = static_cast<const char*>(data);
    long sent = 0;
    int err = 0;
    if (fd < 0) err = EBADF;
    while (err == 0 && sent < length) {
        ssize_t n = send(fd, p + sent, static_cast<std::size_t>(length - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            short revents = 0;
            int rc = pollOne(fd, POLLOUT, static_cast<long long>(timeoutMs) * 1000, &revents, cancel);
            if (rc == 0)
                err = ETIMEDOUT;
            else if (rc < 0)
                err = errno;
            continue;
        }
        err = n < 0 ? errno : EPIPE;
    }
    if (error) *error = err;
    return sent;
}

long sendSome(int fd, const void* data, long length, int* error) {
    if (fd < 0) {
        if (error) *error = EBADF;
        return kSendFailed;
    }
    if (length <= 0) return 0;
    for (;;) {
        ssize_t n = send(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        if (error) *error = errno;
        return kSendFailed;
    }
}

Wait waitReadable(int fd, long long timeoutUs, CancelFlag cancel) {
    if (fd < 0) return Wait::Failed;
    short revents = 0;
    int rc = pollOne(fd, POLLIN, timeoutUs < 0 ? 0 : timeoutUs, &revents, cancel);
    if (rc < 0) return Wait::Failed;
    if (rc == 0) return Wait::TimedOut;
    if (revents & POLLNVAL) return Wait::Failed;
    // POLLHUP and POLLERR count as ready: the receive then reports the close
    // or the error.
    return Wait::Ready;
}

long receiveSome(int fd, void* buffer, long length, int* error) {
    for (;;) {
        ssize_t n = recv(fd, buffer, static_cast<std::size_t>(length), MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kNothingWaiting;
        if (error) *error = errno;
        return kReceiveFailed;
    }
}

int listenOn(const char* bindAddress, int port, int* boundPort, int backlog) {
    std::uint32_t address = 0;
    if (!parseDotted(bindAddress ? bindAddress : "127.0.0.1", &address)) return -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = makeAddress(address, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(fd, backlog < 0 ? SOMAXCONN : backlog) != 0) {
        close(fd);
        return -1;
    }
    socklen_t len = sizeof sa;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        close(fd);
        return -1;
    }
    if (boundPort) *boundPort = ntohs(sa.sin_port);
    return fd;
}

int acceptConnection(int listenFd, int timeoutMs, int* error) {
    if (error) *error = 0;
    for (;;) {
        short revents = 0;
        int rc = pollOne(listenFd, POLLIN, timeoutMs < 0 ? -1 : static_cast<long long>(timeoutMs) * 1000, &revents);
        if (rc <= 0) return -1;
        if (revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
        int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
        if (error) *error = errno;
        return -1;
    }
}

void resetConnection(int fd) {
    if (fd < 0) return;
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd);
}

void shutdownBoth(int fd) {
    if (fd >= 0) shutdown(fd, SHUT_RDWR);
}

void shutdownSending(int fd) {
    if (fd >= 0) shutdown(fd, SHUT_WR);
}

Poller::Poller() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ >= 0 && wake_ >= 0) {
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.fd = wake_;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &e);
    }
}

Poller::~Poller() {
    if (wake_ >= 0) close(wake_);
    if (epoll_ >= 0) close(epoll_);
}

bool Poller::watch(int operation, int fd, bool write) {
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP | (write ? EPOLLOUT : 0u);
    e.data.fd = fd;
    return epoll_ctl(epoll_, operation, fd, &e) == 0;
}

bool Poller::add(int fd, bool write) { return watch(EPOLL_CTL_ADD, fd, write); }

bool Poller::change(int fd, bool write) { return watch(EPOLL_CTL_MOD, fd, write); }

void Poller::remove(int fd) { epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr); }

bool Poller::wait(int timeoutMs, std::vector<Event>* events) {
    events->clear();
    epoll_event got[256];
    int n = epoll_wait(epoll_, got, 256, timeoutMs);
    if (n < 0) return errno == EINTR;
    for (int i = 0; i < n; ++i) {
        if (got[i].data.fd == wake_) {
            std::uint64_t count = 0;
            while (read(wake_, &count, sizeof count) > 0) {
            }
            continue;
        }
        const std::uint32_t ev = got[i].events;
        events->push_back(
            {got[i].data.fd, (ev & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0, (ev & EPOLLOUT) != 0});
    }
    return true;
}

void Poller::wake() {
    std::uint64_t one = 1;
    ssize_t rc = write(wake_, &one, sizeof one);
    (void)rc;  // a full counter already wakes the loop
}

}  // namespace platform::net
