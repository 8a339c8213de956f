#pragma once
// The program's only network endpoint: a TCP client connection to one host
// and port, with name look-up, reconnection, sending, and four ways of
// receiving (up to a count, exactly a count, one line, a whole reply up to
// its terminator line). The page and file fetcher opens one per request;
// the game protocol keeps one in poll mode and reconnects it after a
// failure.
//
// Two flags tell the state: broken (a failed look-up, connect, send or
// receive) and closed (no connection, or the peer closed or went silent
// during a reply). A Socket belongs to one thread at a time.
//
// Buffers that a receive allocates come from std::malloc; the caller frees
// them with std::free.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class Socket {
public:
    // Replies longer than this are cut off (broken flag set).
    static constexpr int kMaxMessageBytes = 4 * 1024 * 1024;
    // The longest line readLine returns; the rest of a longer line is
    // dropped up to its LF.
    static constexpr int kMaxLineChars = 255;
    // How long a connect may take before it counts as failed.
    static constexpr int kConnectTimeoutMs = 10000;

    // Copies the host (a dotted address or a name) and connects; the object
    // exists whether or not that succeeded: test isBroken. `interrupt`, when
    // given, is a flag another thread raises to stop the socket's owner: it
    // cuts the waits of connecting, sending and receiving short (within a
    // few milliseconds), which then fail as a broken socket. It must
    // outlive the socket.
    Socket(const char* host, int port, const std::atomic<bool>* interrupt = nullptr);
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Closes any connection and connects afresh to the same host and port
    // (after a look-up, the host is the dotted address found).
    void reconnect();
    // Readiness is tested without waiting from now on (time-out 0 s 10 us);
    // kept across reconnects.
    void setPollMode();
    // The time-out of every wait; reset to 20 s by each connect.
    void setTimeout(int seconds, int microseconds);

    // Sends the whole block; a failure is logged and sets the broken flag.
    void send(const void* bytes, int length);
    // Sends a text without its terminator; the count sent, or -1 when
    // nothing could be sent (broken flag set on any failure).
    int sendString(const char* text);

    // Up to length bytes: in poll mode only what has already arrived, else
    // waiting up to the time-out for the first bytes. Returns the buffer
    // (allocated when none is given) and the count through *count; null
    // when nothing came or on an error.
    char* recv(int length, int* count, char* buffer = nullptr);
    // Exactly length bytes, waiting up to the time-out between pieces; null
    // (partial data dropped) when the peer closes or goes silent first.
    char* recvAll(int length, char* buffer = nullptr);
    // One line without its LF (a CR before it stays), in this socket's own
    // line buffer, valid until the next readLine; null on a close, an error
    // or a time-out.
    const char* readLine();
    // A reply up to and including its terminator line ("\r\n.\r\n" or
    // "\n.\n"), or what came before the peer closed, went silent or the
    // size cap was reached. Never null; a NUL-terminated heap text owned by
    // the caller, its length (NUL bytes included) through *length. Bytes
    // after the terminator start the next reply.
    char* recvMessage(int* length = nullptr);

    void disconnect();

    int isBroken() const { return iBroken; }
    int isClosed() const { return iClosed; }
    const char* host() const { return iHost.c_str(); }
    int port() const { return iPort; }
    int handle() const { return iHandle; }
    // Bytes kept from the last reply, waiting for the next read.
    int held() const { return iHeld; }

private:
    long long timeoutUs() const;
    // Moves up to max kept bytes into dst; the count moved.
    int takeHeld(char* dst, int max);
    int selfId() const;

    std::string iHost;
    int iPort;
    const std::atomic<bool>* iInterrupt = nullptr;
    int iBroken = 0;
    int iClosed = 1;
    std::uint32_t iAddress = 0;
    int iHandle = -1;
    int iHeld = 0;
    std::vector<char> iBuffer;
    int iPollMode = 0;
    int iTimeoutSec = 20;
    int iTimeoutUsec = 0;
    char iLine[kMaxLineChars + 1] = {};
};
