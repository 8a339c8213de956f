// The stand-in web host left running under load and against hostile
// clients and folders: out of descriptors it accepts again once some are
// free, a connection without a thread is refused and the next served, the
// record of requests stays bounded, a request head has a time limit as a
// whole, and only files whose real path lies inside the help folder are
// served.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/net/tcp.h"
#include "standin/serving.h"
#include "standin/web-server/web_server.h"
#include "testing/program_folder.h"

namespace fs = std::filesystem;
namespace tcp = platform::net;
using Clock = std::chrono::steady_clock;

namespace {

std::string helpFolder() { return testing_support::sourceDir() + "/data/system/docs/vurnorvex"; }

std::string statusOf(const std::string& reply) { return reply.substr(0, reply.find("\r\n")); }
std::string bodyOf(const std::string& reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

// A loopback connection to port, or -1.
int connectLoopback(int port) {
    int err = 0;
    const int fd = tcp::openStream(&err);
    std::uint32_t loopback = 0;
    if (fd < 0 || !tcp::parseDotted("127.0.0.1", &loopback) || tcp::connectTo(fd, loopback, port, 2000) != 0) {
        tcp::closeHandle(fd);
        return -1;
    }
    return fd;
}

// A port that was free a moment ago.
int freePort() {
    int port = 0;
    tcp::closeHandle(tcp::listenOn("127.0.0.1", 0, &port));
    return port;
}

// True once `ok` holds, asked every 50 ms for up to 20 s.
template <typename Condition>
bool within20s(Condition ok) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!ok()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::size_t openDescriptors(pid_t pid) {
    std::error_code ec;
    std::size_t n = 0;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
}

// The web host program, run as a child with a low limit of descriptors, is
// driven out of them by idle connections; once they close it answers again.
TEST(WebHostUnderLoad, AcceptsAgainOnceDescriptorsAreFree) {
    constexpr rlim_t kLimit = 40;
    const int port = freePort();
    const std::string portText = std::to_string(port), root = helpFolder();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit lim{kLimit, kLimit};
        ::setrlimit(RLIMIT_NOFILE, &lim);
        ::execl(VURN_WEB_SERVER, VURN_WEB_SERVER, "--root", root.c_str(), "--port", portText.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto answered = [&] { return statusOf(standin::exchangeOnLoopback(port, "GET / HTTP/1.0\r\n\r\n")); };
    ASSERT_TRUE(within20s([&] { return answered() == "HTTP/1.0 200 OK"; }));

    // Twice the limit of idle connections: the host takes them until its
    // descriptors run out, the rest wait in the listening queue.
    std::vector<int> idle;
    for (rlim_t i = 0; i < 2 * kLimit; ++i) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
    }
    EXPECT_TRUE(within20s([&] { return openDescriptors(child) >= kLimit; })) << openDescriptors(child);
    for (int fd : idle) tcp::closeHandle(fd);
    EXPECT_TRUE(within20s([&] { return answered() == "HTTP/1.0 200 OK"; }));

    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A thread that cannot be made (the seam throws as std::thread does when
// the system has none to give) costs only that connection.
TEST(ConnectionThreads, AConnectionWithoutAThreadIsRefusedAndTheNextServed) {
    standin::ConnectionThreads threads;
    ASSERT_TRUE(threads.listen("127.0.0.1", 0));
    std::atomic<int> made{0};
    threads.setThreadStarterForTests([&made](std::function<void()> run) {
        if (++made == 2) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(run));
    });
    threads.start([](int fd) { standin::sendText(fd, "bye"); });
    EXPECT_EQ(standin::exchangeOnLoopback(threads.port(), "hi"), "bye");
    EXPECT_EQ(standin::exchangeOnLoopback(threads.port(), "hi"), "");  // closed unanswered
    EXPECT_EQ(standin::exchangeOnLoopback(threads.port(), "hi"), "bye");
    threads.stop();
    EXPECT_EQ(threads.threadsHeld(), 0u);
}

TEST(WebHostUnderLoad, KeepsOnlyTheLatestRequestLines) {
    standin::WebServer server({helpFolder(), "127.0.0.1", 0});
    ASSERT_TRUE(server.start());
    const std::size_t sent = standin::WebServer::kRequestsKept + 50;
    for (std::size_t i = 0; i < sent; ++i)
        standin::exchangeOnLoopback(server.port(), "GET /" + std::to_string(i) + " HTTP/1.0\r\n\r\n");
    const std::vector<std::string> kept = server.requests();
    ASSERT_EQ(kept.size(), standin::WebServer::kRequestsKept);
    EXPECT_EQ(kept.front(), "GET /50 HTTP/1.0");
    EXPECT_EQ(kept.back(), "GET /" + std::to_string(sent - 1) + " HTTP/1.0");
}

// A client that sends its request a byte at a time, each in good time for
// the next, has the head's time limit as a whole and no more.
TEST(WebHostUnderLoad, ARequestHeadHasOneTimeLimitForAllItsBytes) {
    standin::WebServerOptions options{helpFolder(), "127.0.0.1", 0};
    options.requestHeadUs = 300 * 1000;
    standin::WebServer server(options);
    ASSERT_TRUE(server.start());
    const int fd = connectLoopback(server.port());
    ASSERT_GE(fd, 0);
    const std::string slow = "GET / HTTP/1.0\r\nX-Slow: " + std::string(400, 'a');  // 40 s at 100 ms a byte
    std::size_t sent = 0;
    int err = 0;
    while (sent < slow.size() && tcp::waitReadable(fd, 100 * 1000) == tcp::Wait::TimedOut)
        if (tcp::sendAll(fd, slow.data() + sent++, 1, 2000, &err) != 1) break;
    tcp::closeHandle(fd);
    // Answered or closed after a few bytes, long before the last one.
    EXPECT_LT(sent, slow.size() / 2);
}

TEST(WebHostRequests, ServesOnlyFilesWhoseRealPathLiesInsideTheFolder) {
    testing_support::ProgramFolder folder;
    folder.write("help/start.html", "<p>start</p>");
    folder.write("help/pages/rules.html", "<p>rules</p>");
    folder.write("secret.html", "<p>secret</p>");
    const fs::path help = fs::path(folder.path()) / "help";
    fs::create_symlink("start.html", help / "alias.html");                            // inside: served
    fs::create_symlink("../start.html", help / "pages" / "back.html");                // inside: served
    fs::create_symlink(fs::path(folder.path()) / "secret.html", help / "leak.html");  // outside
    fs::create_symlink("../secret.html", help / "index.html");                        // the entry page, outside
    fs::create_symlink("..", help / "up");                                            // a folder outside
    fs::create_symlink("pages", help / "more");                                       // a folder inside
    standin::WebServer server({help.string(), "127.0.0.1", 0});
    ASSERT_TRUE(server.start());
    struct Case {
        const char* path;
        const char* body;  // null: 404
    };
    const Case cases[] = {
        {"/start.html", "<p>start</p>"},      {"/alias.html", "<p>start</p>"}, {"/pages/back.html", "<p>start</p>"},
        {"/more/rules.html", "<p>rules</p>"}, {"/leak.html", nullptr},         {"/vurnorvex.html", nullptr},
        {"/up/secret.html", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string reply =
            standin::exchangeOnLoopback(server.port(), std::string("GET ") + c.path + " HTTP/1.0\r\n\r\n");
        EXPECT_EQ(statusOf(reply), c.body ? "HTTP/1.0 200 OK" : "HTTP/1.0 404 Not Found");
        if (c.body) {
            EXPECT_EQ(bodyOf(reply), c.body);
        }
    }
}

}  // namespace
