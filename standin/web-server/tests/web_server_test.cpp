#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/net/tcp.h"
#include "platform/os/files.h"
#include "standin/serving.h"
#include "standin/web-server/web_server.h"
#include "testing/mutation.h"
#include "testing/program_folder.h"

namespace tcp = platform::net;

namespace {

std::string helpFolder() { return testing_support::sourceDir() + "/data/system/docs/vurnorvex"; }

std::string shipped(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(platform::readWholeFile(helpFolder() + "/" + name, &bytes)) << name;
    return bytes;
}

struct Reply {
    std::string status;  // the first line
    std::string head;
    std::string body;
};

Reply ask(int port, const std::string& request) {
    const std::string all = standin::exchangeOnLoopback(port, request);
    const std::size_t end = all.find("\r\n\r\n");
    Reply r;
    r.head = all.substr(0, end);
    r.status = all.substr(0, all.find("\r\n"));
    if (end != std::string::npos) r.body = all.substr(end + 4);
    return r;
}

class WebHost : public ::testing::Test {
protected:
    WebHost() : server(standin::WebServerOptions{helpFolder(), "127.0.0.1", 0}) { EXPECT_TRUE(server.start()); }
    standin::WebServer server;
};

TEST_F(WebHost, ServesTheHelpAtTheHelpAddressAndAHomePageForEachSite) {
    struct Case {
        const char* request;
        const char* status;
        const char* type;
        std::string body;
    };
    const std::string notFound = "<html><body>Not found</body></html>\n";
    const Case cases[] = {
        // What a browser sends (HTTP/1.1, header lines) and what the
        // program's own fetcher sends (bare LF, no headers).
        {"GET /vurnorvex.html HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: keep-alive\r\n\r\n", "HTTP/1.0 200 OK",
         "text/html", shipped("index.html")},
        {"GET /vurnorvex.html HTTP/1.0\n\n", "HTTP/1.0 200 OK", "text/html", shipped("index.html")},
        // The entry page's relative links and pictures.
        {"GET /start.html HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "text/html", shipped("start.html")},
        {"GET /board-gkv.png HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "image/png", shipped("board-gkv.png")},
        {"GET /rules.html?from=index#top HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "text/html", shipped("rules.html")},
        {"GET / HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "text/html", standin::WebServer::kDistributorHomePage},
        {"GET /quillmark/ HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "text/html", standin::WebServer::kDeveloperHomePage},
        {"HEAD /vurnorvex.html HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "text/html", ""},
        {"GET /missing.html HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", "text/html", notFound},
        // Nothing outside the help folder.
        {"GET /../index.html HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", "text/html", notFound},
        {"GET /../../CMakeLists.txt HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", "text/html", notFound},
        {"GET /.. HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", "text/html", notFound},
        {"POST /vurnorvex.html HTTP/1.0\r\n\r\n", "HTTP/1.0 501 Not Implemented", "text/html",
         "<html><body>Not implemented</body></html>\n"},
        {"\r\n\r\n", "HTTP/1.0 501 Not Implemented", "text/html", "<html><body>Not implemented</body></html>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const Reply r = ask(server.port(), c.request);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.head.find(std::string("\r\nContent-Type: ") + c.type + "\r\n"), std::string::npos) << r.head;
        EXPECT_EQ(r.body, c.body);
        if (std::string(c.request).rfind("HEAD", 0) == 0) {
            EXPECT_NE(r.head.find("Content-Length: " + std::to_string(shipped("index.html").size())),
                      std::string::npos);
        }
    }
    EXPECT_EQ(server.requests().front(), "GET /vurnorvex.html HTTP/1.1");
}

// Damaged requests, seeded: whatever comes back is a home page, a file of
// the help folder or a refusal, never a file beside the folder.
TEST(WebHostRequests, DamagedRequestsGetNothingFromOutsideTheFolder) {
    testing_support::ProgramFolder folder;
    folder.write("help/index.html", "<p>entry</p>");
    folder.write("help/start.html", "<p>start</p>");
    folder.write("secret.html", "<p>secret</p>");
    standin::WebServer server({folder.path() + "/help", "127.0.0.1", 0});
    ASSERT_TRUE(server.start());
    const std::vector<std::string> allowed = {"<p>entry</p>", "<p>start</p>", standin::WebServer::kDistributorHomePage,
                                              standin::WebServer::kDeveloperHomePage};
    const std::string seeds[] = {"GET /vurnorvex.html HTTP/1.0\r\n\r\n", "GET /start.html HTTP/1.1\r\nHost: x\r\n\r\n",
                                 "GET /../secret.html HTTP/1.0\n\n", "HEAD /quillmark/ HTTP/1.0\r\n\r\n"};
    std::mt19937 rng(4711);
    for (int round = 0; round < 200; ++round) {
        const std::string request = testing_support::mutateText(seeds[round % 4], rng, "/.%?#\\ \r\n");
        SCOPED_TRACE(request);
        const Reply r = ask(server.port(), request + "\r\n\r\n");
        if (r.status != "HTTP/1.0 200 OK") continue;
        EXPECT_TRUE(r.body.empty() || std::find(allowed.begin(), allowed.end(), r.body) != allowed.end()) << r.body;
    }
}

// A browser opens connections it does not use at once; one that stays
// silent holds up no other request, and stopping cuts it short.
TEST_F(WebHost, AnIdleConnectionHoldsUpNoOther) {
    int err = 0;
    int idle = tcp::openStream(&err);
    std::uint32_t loopback = 0;
    ASSERT_TRUE(tcp::parseDotted("127.0.0.1", &loopback));
    ASSERT_EQ(tcp::connectTo(idle, loopback, server.port(), 2000), 0);
    EXPECT_EQ(ask(server.port(), "GET / HTTP/1.0\r\n\r\n").status, "HTTP/1.0 200 OK");
    server.stop();
    EXPECT_EQ(tcp::waitReadable(idle, 2000 * 1000), tcp::Wait::Ready);  // closed by the stop
    tcp::closeHandle(idle);
}

// A stand-in the run command leaves running serves many connections: the
// thread of each is joined once it has ended, not kept until the stop.
TEST(ConnectionThreads, JoinTheThreadsOfEndedConnections) {
    standin::ConnectionThreads threads;
    ASSERT_TRUE(threads.listen("127.0.0.1", 0));
    threads.start([](int fd) { standin::sendText(fd, "bye"); });
    for (int i = 0; i < 30; ++i) ASSERT_EQ(standin::exchangeOnLoopback(threads.port(), "hi"), "bye");
    // The accepting thread, the last connection's and at most one whose
    // end was not yet seen at the last accept.
    EXPECT_LE(threads.threadsHeld(), 3u);
    threads.stop();
    EXPECT_EQ(threads.threadsHeld(), 0u);
}

}  // namespace
