#pragma once
// The game-server endpoint and the socket calls the protocol makes on it.
// OrvexSocket is the small face of a connection that the protocol's tick
// uses (send, poll-mode receive, the two flags, reconnect); OrvexTcpSocket
// puts it on the framework's Socket, and tests put a scripted fake behind it.
#include <memory>
#include <string>

#include "framework/net/socket.h"

class OrvexSocket {
public:
    virtual ~OrvexSocket() = default;
    virtual void setPollMode() = 0;
    virtual void send(const void* bytes, int length) = 0;
    // Up to length bytes of what has arrived; null when nothing has.
    virtual char* recv(int length, int* count, char* buffer) = 0;
    virtual void reconnect() = 0;
    virtual void disconnect() = 0;
    virtual int isBroken() const = 0;
    virtual int isClosed() const = 0;
};

class OrvexTcpSocket : public OrvexSocket {
public:
    // Connects at once (see Socket); test the flags. A raised `interrupt`
    // cuts the connect, reconnect and send waits short.
    OrvexTcpSocket(const char* host, int port, const std::atomic<bool>* interrupt = nullptr)
        : iSocket(host, port, interrupt) {}
    void setPollMode() override { iSocket.setPollMode(); }
    void send(const void* bytes, int length) override { iSocket.send(bytes, length); }
    char* recv(int length, int* count, char* buffer) override { return iSocket.recv(length, count, buffer); }
    void reconnect() override { iSocket.reconnect(); }
    void disconnect() override { iSocket.disconnect(); }
    int isBroken() const override { return iSocket.isBroken(); }
    int isClosed() const override { return iSocket.isClosed(); }

private:
    Socket iSocket;
};

// The game server's port: the one of the style the player chose last
// (2004 `kv`, 2005 `gkv`, 2006 `oth`, 2007 `chk`, or their overrides), the
// `kv` port before any choice. Safe from any thread.
int orvexServerPort();
void setOrvexServerPort(int port);
// Chooses the port of a style key (an unknown key gives the `kv` port).
void chooseOrvexServerStyle(const char* styleKey);
// The one server host of every style (configurable, 127.0.0.1 by default).
std::string orvexServerHost();
