#pragma once
// TCP over POSIX sockets: the calls the framework's Socket is built on, and
// the few server-side calls that the stand-ins and the tests' peers use.
// Addresses are IPv4 in network byte order; errors are errno numbers.
// Every call is safe from any thread (name look-up goes through getaddrinfo),
// no call raises SIGPIPE, and readiness is tested with poll, so descriptors
// of any number work.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::net {

// A flag another thread raises to cut the waits of connectTo, sendAll and
// waitReadable short; they then end (ECANCELED, Wait::Failed) within
// kCancelSliceMs. Null: no cut.
using CancelFlag = const std::atomic<bool>*;
inline constexpr int kCancelSliceMs = 10;

// Parses a dotted IPv4 address "a.b.c.d" (nothing else); true on success.
[[nodiscard]] bool parseDotted(const char* text, std::uint32_t* address);
// The dotted text of an address.
std::string dottedText(std::uint32_t address);

enum class Lookup { Ok, NotFound, Failed };
// The IPv4 addresses of a host name, in the resolver's order. NotFound when
// the name is unknown, Failed for any other resolver error.
Lookup lookupIPv4(const char* name, std::vector<std::uint32_t>* addresses);
// Tests: a resolver of their own that lookupIPv4 asks instead (names with
// several addresses, which no local resolver is sure to have); null: the
// system's again.
using LookupFunction = Lookup (*)(const char* name, std::vector<std::uint32_t>* addresses);
void setLookupForTests(LookupFunction lookup);

// A new TCP descriptor (close-on-exec), or -1 with *error set.
int openStream(int* error);
// Bounds the kernel's receive buffer of a descriptor not yet connected, or
// its send buffer: the kernel then holds only that much for a peer that
// does not read.
void setReceiveBuffer(int fd, int bytes);
void setSendBuffer(int fd, int bytes);
// Sends small writes at once instead of holding them back until the
// previous one is acknowledged (Nagle), which the peer's delayed
// acknowledgement can stretch to tens of milliseconds.
void setNoDelay(int fd);
void closeHandle(int fd);

// Connects fd to address:port, waiting at most timeoutMs. 0 on success,
// else the error number (ETIMEDOUT when the time ran out, ECANCELED when
// the cancel flag was raised). fd stays in blocking mode.
int connectTo(int fd, std::uint32_t address, int port, int timeoutMs, CancelFlag cancel = nullptr);

// Sends every byte, waiting up to timeoutMs for room each time the kernel's
// buffer is full. Returns the number of bytes sent; when that is less than
// length, *error holds the reason (EPIPE, ECONNRESET, ETIMEDOUT, ECANCELED
// when the cancel flag was raised...).
long sendAll(int fd, const void* data, long length, int timeoutMs, int* error, CancelFlag cancel = nullptr);

// One send that never waits: the number of bytes the kernel took (0 when
// its buffer is full), or kSendFailed on an error (*error).
inline constexpr long kSendFailed = -2;
long sendSome(int fd, const void* data, long length, int* error);

enum class Wait { Ready, TimedOut, Failed };
// Waits until fd has bytes to read, the peer has closed or reset, or the
// time runs out; timeoutUs 0 tests without waiting. A raised cancel flag
// fails the wait.
Wait waitReadable(int fd, long long timeoutUs, CancelFlag cancel = nullptr);

// One receive that never waits: > 0 bytes received, 0 the peer closed,
// kNothingWaiting when no byte is there, kReceiveFailed on an error (*error).
inline constexpr long kNothingWaiting = -1;
inline constexpr long kReceiveFailed = -2;
long receiveSome(int fd, void* buffer, long length, int* error);

// --- Server side (stand-ins and tests) ---

// The readiness of many descriptors at once, for a server's event loop:
// one thread serves every connection. wake() (any thread) ends a wait
// early.
class Poller {
public:
    Poller();
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    bool valid() const { return epoll_ >= 0 && wake_ >= 0; }
    // Watches fd for reading, and for room to send when `write`.
    bool add(int fd, bool write);
    bool change(int fd, bool write);
    void remove(int fd);

    struct Event {
        int fd;
        bool readable;  // bytes, or the peer's close or reset
        bool writable;
    };
    // Waits up to timeoutMs (-1: no limit) and gives the ready descriptors
    // (none after a wake or a time-out); false when the wait failed.
    bool wait(int timeoutMs, std::vector<Event>* events);
    void wake();

private:
    bool watch(int operation, int fd, bool write);
    int epoll_ = -1;
    int wake_ = -1;
};

// A listening descriptor on bindAddress (dotted) and port; port 0 takes a
// free port. *boundPort receives the port in use. -1 on failure. A backlog
// of 0 holds a single pending connection: later connects get no answer
// until it is accepted (tests of waits that must be cut short). The default
// (-1) is the system's deepest backlog: many clients may connect at once.
int listenOn(const char* bindAddress, int port, int* boundPort, int backlog = -1);
// The next connection, waiting at most timeoutMs (-1: no limit); -1 on
// time-out or when the listener was shut down (*error 0), or when the
// accept failed (*error the reason: EMFILE when this process is out of
// descriptors, which passes once some are closed).
int acceptConnection(int listenFd, int timeoutMs, int* error = nullptr);
// Closes so that the peer sees a reset instead of an orderly close.
void resetConnection(int fd);
// Ends both directions without closing the descriptor; wakes a thread that
// waits on it.
void shutdownBoth(int fd);
// Ends the sending direction only: the peer reads what was sent, then the
// end of the stream, and may still send.
void shutdownSending(int fd);

}  // namespace platform::net
