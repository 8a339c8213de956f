#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp.h"
#include "platform/os/thread.h"

namespace tcp = platform::net;

namespace {

TEST(Tcp, DottedAddressesOnly) {
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {{"127.0.0.1", true},  {"10.1.2.3", true}, {"1.2.3", false},    {"256.1.1.1", false},
                 {"localhost", false}, {"", false},        {"1.2.3.4 ", false}, {nullptr, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        std::uint32_t a = 0;
        EXPECT_EQ(tcp::parseDotted(c.text, &a), c.ok);
        if (c.ok) {
            EXPECT_EQ(tcp::dottedText(a), c.text);
        }
    }
}

TEST(Tcp, LookUpNames) {
    std::vector<std::uint32_t> found;
    ASSERT_EQ(tcp::lookupIPv4("localhost", &found), tcp::Lookup::Ok);
    EXPECT_EQ(tcp::dottedText(found.front()), "127.0.0.1");
    EXPECT_NE(tcp::lookupIPv4("no-such-host.invalid", &found), tcp::Lookup::Ok);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(tcp::lookupIPv4("", &found), tcp::Lookup::NotFound);
}

TEST(Tcp, ConnectWaitAndClose) {
    int port = 0;
    int listener = tcp::listenOn("127.0.0.1", 0, &port);
    ASSERT_GE(listener, 0);
    std::uint32_t loopback = 0;
    ASSERT_TRUE(tcp::parseDotted("127.0.0.1", &loopback));
    int err = 0;
    int fd = tcp::openStream(&err);
    ASSERT_EQ(tcp::connectTo(fd, loopback, port, 1000), 0);
    int served = tcp::acceptConnection(listener, 1000);
    ASSERT_GE(served, 0);
    EXPECT_EQ(tcp::waitReadable(fd, 0), tcp::Wait::TimedOut);
    char c = 0;
    EXPECT_EQ(tcp::receiveSome(fd, &c, 1, &err), tcp::kNothingWaiting);
    tcp::closeHandle(served);
    // The peer's close wakes the wait and reads as end of stream.
    EXPECT_EQ(tcp::waitReadable(fd, 1000 * 1000), tcp::Wait::Ready);
    EXPECT_EQ(tcp::receiveSome(fd, &c, 1, &err), 0);
    tcp::closeHandle(fd);

    // Nothing pending: accept gives up after its time.
    long long before = platform::monotonicMs();
    EXPECT_EQ(tcp::acceptConnection(listener, 50), -1);
    EXPECT_GE(platform::monotonicMs() - before, 40);
    tcp::closeHandle(listener);

    fd = tcp::openStream(&err);
    EXPECT_EQ(tcp::connectTo(fd, loopback, port, 1000), ECONNREFUSED);
    tcp::closeHandle(fd);
    EXPECT_EQ(tcp::connectTo(-1, loopback, port, 1000), EBADF);
}

// A listener with a backlog of 0 that never accepts: the first connect
// completes into the backlog and then takes nothing more than the kernel's
// buffers hold; a second connect gets no answer at all. Both waits would
// run their full minute unless the cancel flag cuts them short.
TEST(Tcp, ARaisedCancelFlagCutsConnectAndSendWaitsShort) {
    int port = 0;
    int listener = tcp::listenOn("127.0.0.1", 0, &port, 0);
    ASSERT_GE(listener, 0);
    std::uint32_t loopback = 0;
    ASSERT_TRUE(tcp::parseDotted("127.0.0.1", &loopback));
    int err = 0;
    int queued = tcp::openStream(&err);
    ASSERT_EQ(tcp::connectTo(queued, loopback, port, 5000), 0);

    const int kMinute = 60 * 1000;
    struct Case {
        const char* what;
        bool send;
    } cases[] = {{"connect to a full backlog", false}, {"send to a peer that never reads", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> cancel{false};
        std::atomic<bool> entered{false};
        std::thread raiser([&] {
            while (!entered.load()) std::this_thread::yield();
            cancel.store(true);
        });
        int result = 0;
        long sent = 0;
        const long length = 64L * 1024 * 1024;  // far beyond the socket buffers
        if (c.send) {
            std::vector<char> block(static_cast<std::size_t>(length), 'x');
            entered.store(true);
            sent = tcp::sendAll(queued, block.data(), length, kMinute, &result, &cancel);
            EXPECT_LT(sent, length);
        } else {
            int fd = tcp::openStream(&err);
            entered.store(true);
            result = tcp::connectTo(fd, loopback, port, kMinute, &cancel);
            tcp::closeHandle(fd);
        }
        raiser.join();
        EXPECT_EQ(result, ECANCELED);
    }
    // A flag raised before the call ends it at once.
    std::atomic<bool> raised{true};
    int fd = tcp::openStream(&err);
    EXPECT_EQ(tcp::connectTo(fd, loopback, port, kMinute, &raised), ECANCELED);
    tcp::closeHandle(fd);
    tcp::closeHandle(queued);
    tcp::closeHandle(listener);
}

}  // namespace
