#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/net/socket.h"
#include "framework/net/tests/scripted_peer.h"
#include "platform/os/thread.h"
#include "testing/program_folder.h"

using net_testing::debugNote;
using net_testing::enableDebugLog;
using net_testing::refusedPort;
using net_testing::ScriptedPeer;
using testing_support::ProgramFolder;

namespace {

std::string takeText(char* text, int length) {
    std::string s(text, static_cast<std::size_t>(length));
    std::free(text);
    return s;
}

// The next reply, as a string (NUL bytes kept).
std::string nextMessage(Socket& s) {
    int length = -1;
    char* text = s.recvMessage(&length);
    return takeText(text, length);
}

// Waits until the peer has accepted `count` connections and served them all.
bool settle(const ScriptedPeer& peer, int count) {
    long long end = platform::monotonicMs() + 30000;
    while (peer.accepted() < count && platform::monotonicMs() < end) platform::sleepMs(2);
    return peer.accepted() == count && peer.waitIdle(30000);
}

int openDescriptors() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
}

TEST(Socket, ConnectByAddressOrNameAndFailures) {
    ScriptedPeer peer;
    peer.start();
    int refused = refusedPort();
    struct Case {
        const char* host;
        int port;
        int broken;
        const char* hostAfter;
        const char* logged;     // must appear in the log
        const char* notLogged;  // must not
    } cases[] = {
        {"127.0.0.1", peer.port(), 0, "127.0.0.1", "Connect(127.0.0.1,", "IP address of"},
        {"localhost", peer.port(), 0, "127.0.0.1", "IP address of 'localhost' is '127.0.0.1'", "connect rc"},
        {"no-such-host.invalid", peer.port(), 1, "no-such-host.invalid", "no-such-host.invalid", "Connect("},
        {"127.0.0.1", refused, 1, "127.0.0.1", "connect rc=-1, errno=111", "IP address of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        ProgramFolder folder;
        enableDebugLog();
        {
            Socket s(c.host, c.port);
            EXPECT_EQ(s.isBroken(), c.broken);
            EXPECT_STREQ(s.host(), c.hostAfter);
            EXPECT_EQ(s.handle() >= 0, c.broken == 0);
        }
        std::string note = debugNote();
        EXPECT_NE(note.find(c.logged), std::string::npos) << note;
        EXPECT_EQ(note.find(c.notLogged), std::string::npos) << note;
        EXPECT_NE(note.find("~Socket"), std::string::npos);
    }
}

TEST(Socket, UnknownNameIsReportedAsNotFound) {
    ProgramFolder folder;
    enableDebugLog();
    Socket s("no-such-host.invalid", 80);
    EXPECT_TRUE(s.isBroken());
    std::string note = debugNote();
    // A resolver without any network may answer with a failure instead.
    EXPECT_TRUE(note.find("Host 'no-such-host.invalid' not found.") != std::string::npos ||
                note.find("Name resolution error occured for host 'no-such-host.invalid'.") != std::string::npos)
        << note;
}

TEST(Socket, PollModeReceiveReturnsAtOnceAndSeesCloseAndReset) {
    struct Case {
        bool reset;
        int closed;
        int broken;
    } cases[] = {{false, 1, 0}, {true, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reset ? "reset" : "close");
        ScriptedPeer peer;
        // The peer ends the connection only once the client has the data
        // (and says so with one byte): a reset may discard unread bytes.
        peer.hold().send("abc").read(1);
        if (c.reset)
            peer.reset();
        else
            peer.close();
        peer.start();
        Socket s("127.0.0.1", peer.port());
        s.setPollMode();
        ASSERT_FALSE(s.isBroken());

        // Nothing has been sent: the receive comes back empty-handed
        // rather than waiting for the data.
        int count = -1;
        char buf[256];
        EXPECT_EQ(s.recv(sizeof buf, &count, buf), nullptr);
        EXPECT_EQ(count, 0);
        EXPECT_FALSE(s.isBroken());
        EXPECT_FALSE(s.isClosed());
        peer.release();

        // The data, then the end of the connection, each seen by polling.
        std::string got;
        bool acknowledged = false;
        long long end = platform::monotonicMs() + 30000;
        while ((got.size() < 3 || (!s.isClosed() && !s.isBroken())) && platform::monotonicMs() < end) {
            if (s.recv(sizeof buf, &count, buf)) got.append(buf, static_cast<std::size_t>(count));
            if (got.size() >= 3 && !acknowledged) {
                s.send("k", 1);
                acknowledged = true;
            }
            platform::sleepMs(10);
        }
        EXPECT_EQ(got, "abc");
        EXPECT_EQ(s.isClosed(), c.closed);
        EXPECT_EQ(s.isBroken(), c.broken);
    }
}

TEST(Socket, RecvAllNeedsTheWholeCount) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        bool whole;
    } cases[] = {
        {"three pieces", {std::string(40, 'a'), std::string(30, 'b'), std::string(30, 'c')}, true},
        {"60 of 100 then close", {std::string(60, 'x')}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer;
        std::string all;
        for (const std::string& chunk : c.chunks) {
            peer.send(chunk).pause(50);
            all += chunk;
        }
        peer.close();
        peer.start();
        Socket s("127.0.0.1", peer.port());
        char* data = s.recvAll(100);
        if (c.whole) {
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(std::string(data, 100), all);
            std::free(data);
        } else {
            EXPECT_EQ(data, nullptr);
            EXPECT_TRUE(s.isClosed());
        }
    }
}

TEST(Socket, RecvMessageTable) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;  // sent with a pause between
        bool closeAfter;                  // else the peer stays silent
        std::string result;
        std::string next;  // kept for the next reply
        int closed;
    } cases[] = {
        {"terminator with trailing bytes", {std::string("abc\r\n.\r\nxyz")}, false, "abc\r\n.\r\n", "xyz", 0},
        {"LF terminator split", {"abc\n", ".\nrest"}, false, "abc\n.\n", "rest", 0},
        {"CRLF terminator split 1", {"a\r", "\n.\r\n"}, false, "a\r\n.\r\n", "", 0},
        {"CRLF terminator split 3", {"a\r\n.", "\r\n"}, false, "a\r\n.\r\n", "", 0},
        {"CRLF terminator split 4", {"a\r\n.\r", "\n"}, false, "a\r\n.\r\n", "", 0},
        {"terminator after a NUL", {std::string("a\0b\n.\nz", 7)}, false, std::string("a\0b\n.\n", 6), "z", 0},
        {"close without terminator", {"partial"}, true, "partial", "", 1},
        {"silence until the time-out", {"so far"}, false, "so far", "", 1},
        {"nothing then close", {}, true, "", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        enableDebugLog();
        ScriptedPeer peer;
        for (const std::string& chunk : c.chunks) peer.send(chunk).pause(60);
        if (c.closeAfter) peer.close();
        peer.start();
        Socket s("127.0.0.1", peer.port());
        // Only the silent peer waits out the time-out; every other reply
        // comes in full however late the peer's pieces come.
        const bool silent = c.closed == 1 && !c.closeAfter;
        if (silent) s.setTimeout(0, 300 * 1000);
        int length = -1;
        char* text = s.recvMessage(&length);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(takeText(text, length), c.result);
        EXPECT_EQ(s.held(), static_cast<int>(c.next.size()));
        EXPECT_EQ(s.isClosed(), c.closed);
        EXPECT_FALSE(s.isBroken());
        bool timedOut = debugNote().find("Socket timeout #1") != std::string::npos;
        EXPECT_EQ(timedOut, c.closed == 1 && !c.closeAfter);
        // The kept bytes start the next reply, which the silent peer ends.
        if (!c.next.empty()) {
            s.setTimeout(0, 300 * 1000);
            EXPECT_EQ(nextMessage(s), c.next);
        }
    }
}

TEST(Socket, RecvMessageKeepsASecondWholeReply) {
    ScriptedPeer peer;
    peer.send("one\n.\ntwo\n.\nthree").close();
    peer.start();
    Socket s("127.0.0.1", peer.port());
    EXPECT_EQ(nextMessage(s), "one\n.\n");
    EXPECT_EQ(nextMessage(s), "two\n.\n");
    EXPECT_EQ(nextMessage(s), "three");
}

TEST(Socket, RecvMessageIsCapped) {
    ScriptedPeer peer;
    peer.send(std::string(Socket::kMaxMessageBytes + 5000, 'q'));
    peer.start();
    Socket s("127.0.0.1", peer.port());
    int length = 0;
    char* text = s.recvMessage(&length);
    EXPECT_EQ(length, Socket::kMaxMessageBytes);
    EXPECT_EQ(std::strlen(text), static_cast<std::size_t>(Socket::kMaxMessageBytes));
    EXPECT_TRUE(s.isBroken());
    std::free(text);
}

// The reply reader against a reference over seeded random streams, sent
// in random pieces so that terminators fall across receives.
TEST(Socket, MutatedRepliesMatchTheirReference) {
    const char alphabet[] = {'\r', '\n', '.', 'a', '\0', 'x'};
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::string stream;
        std::size_t size = rng() % 300;
        for (std::size_t i = 0; i < size; ++i) stream.push_back(alphabet[rng() % sizeof alphabet]);
        ScriptedPeer peer;
        for (std::size_t at = 0; at < stream.size();) {
            std::size_t piece = 1 + rng() % 40;
            peer.send(stream.substr(at, piece)).pause(static_cast<int>(rng() % 3));
            at += piece;
        }
        peer.close();
        peer.start();
        Socket s("127.0.0.1", peer.port());
        std::string rest = stream;
        for (int guard = 0; guard < 400; ++guard) {
            std::size_t crlf = rest.find("\r\n.\r\n"), lf = rest.find("\n.\n");
            std::size_t end = rest.size();
            if (crlf != std::string::npos) end = crlf + 5;
            if (lf != std::string::npos && (crlf == std::string::npos || lf < crlf)) end = lf + 3;
            std::string got = nextMessage(s);
            ASSERT_EQ(got, rest.substr(0, end));
            rest.erase(0, end);
            if (end == 0 || rest.empty()) break;
        }
        EXPECT_TRUE(rest.empty());
    }
}

TEST(Socket, ReadLineKeepsCrDropsLfAndSurvivesLongLines) {
    ScriptedPeer peer;
    peer.send("first\r\n" + std::string(1000, 'x') + "\nnext\n").pause(50).send("tail without end");
    peer.close();
    peer.start();
    Socket s("127.0.0.1", peer.port());
    const char* line = s.readLine();
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "first\r");
    line = s.readLine();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(std::string(line), std::string(Socket::kMaxLineChars, 'x'));
    line = s.readLine();
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "next");
    EXPECT_EQ(s.readLine(), nullptr);  // closed before an LF
    EXPECT_TRUE(s.isClosed());
}

TEST(Socket, ReadLineBuffersArePerSocketAndTimeOut) {
    ScriptedPeer a, b;
    a.send("from a\n");
    b.send("from b\n");
    a.start();
    b.start();
    Socket sa("127.0.0.1", a.port());
    Socket sb("127.0.0.1", b.port());
    const char* la = sa.readLine();
    const char* lb = sb.readLine();
    ASSERT_NE(la, nullptr);
    ASSERT_NE(lb, nullptr);
    EXPECT_STREQ(la, "from a");
    EXPECT_STREQ(lb, "from b");
    sa.setTimeout(0, 200 * 1000);
    EXPECT_EQ(sa.readLine(), nullptr);  // the peer is silent
    EXPECT_FALSE(sa.isBroken());
}

TEST(Socket, SendToAClosedPeerSetsBrokenWithoutKillingTheProcess) {
    ScriptedPeer peer;
    peer.close();
    peer.start();
    Socket s("127.0.0.1", peer.port());
    ASSERT_FALSE(s.isBroken());
    ASSERT_TRUE(peer.waitIdle(30000));
    std::string block(64 * 1024, 'z');
    // The first send may still be taken by the kernel; the peer's reset
    // makes a following one fail.
    long long end = platform::monotonicMs() + 30000;
    while (!s.isBroken() && platform::monotonicMs() < end) {
        s.send(block.data(), static_cast<int>(block.size()));
        s.send(block.data(), static_cast<int>(block.size()));
        platform::sleepMs(20);
    }
    EXPECT_TRUE(s.isBroken());
    EXPECT_EQ(s.sendString("still alive"), -1);
}

TEST(Socket, LargeSendIsCompleted) {
    const std::size_t size = 8 * 1024 * 1024;
    ScriptedPeer peer;
    peer.pause(100).read(size).close();
    peer.start();
    Socket s("127.0.0.1", peer.port());
    std::string block(size, 'k');
    block[size - 1] = 'E';
    s.send(block.data(), static_cast<int>(size));
    EXPECT_FALSE(s.isBroken());
    ASSERT_TRUE(peer.waitIdle(30000));
    EXPECT_EQ(peer.received(), block);
}

TEST(Socket, FiftyReconnectsLeaveTheDescriptorCountFlat) {
    ScriptedPeer peer;
    peer.close();
    peer.start();
    struct Case {
        const char* name;
        int port;
        int broken;
        int accepts;  // connections the peer sees, the first one included
    } cases[] = {{"peer that closes", peer.port(), 0, 51}, {"refused port", refusedPort(), 1, 51}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Socket s("127.0.0.1", c.port);
        ASSERT_TRUE(settle(peer, c.broken ? c.accepts : 1));
        int before = openDescriptors();
        for (int i = 0; i < 50; ++i) s.reconnect();
        EXPECT_EQ(s.isBroken(), c.broken);
        ASSERT_TRUE(settle(peer, c.accepts));
        EXPECT_EQ(openDescriptors(), before);
    }
}

TEST(Socket, DescriptorAbove1023Works) {
    rlimit lim;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
    if (lim.rlim_cur < 1200) {
        if (lim.rlim_max < 1200) GTEST_SKIP() << "descriptor limit too low";
        lim.rlim_cur = 1200;
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lim), 0);
    }
    std::vector<int> filler;
    for (int fd = open("/dev/null", O_RDONLY); fd >= 0 && fd < 1030; fd = open("/dev/null", O_RDONLY))
        filler.push_back(fd);
    ScriptedPeer peer;
    peer.send("high\n.\n").close();
    peer.start();
    {
        Socket s("127.0.0.1", peer.port());
        ASSERT_FALSE(s.isBroken());
        EXPECT_GT(s.handle(), 1023);
        EXPECT_EQ(nextMessage(s), "high\n.\n");
        s.setPollMode();
        int count = 0;
        char buf[16];
        EXPECT_EQ(s.recv(sizeof buf, &count, buf), nullptr);
    }
    for (int fd : filler) close(fd);
}

TEST(Socket, DisconnectClosesOnceAndReconnectOpensAgain) {
    ScriptedPeer peer;
    peer.start();
    Socket s("127.0.0.1", peer.port());
    EXPECT_FALSE(s.isClosed());
    s.disconnect();
    EXPECT_TRUE(s.isClosed());
    EXPECT_EQ(s.handle(), -1);
    s.disconnect();  // harmless
    int count = 0;
    char buf[4];
    EXPECT_EQ(s.recv(sizeof buf, &count, buf), nullptr);
    s.reconnect();
    EXPECT_FALSE(s.isClosed());
    EXPECT_FALSE(s.isBroken());
}

}  // namespace
