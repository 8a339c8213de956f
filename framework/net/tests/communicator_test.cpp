#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/config.h"
#include "framework/net/communicator.h"
#include "framework/net/tests/scripted_peer.h"
#include "framework/util/vector.h"
#include "platform/net/tcp.h"
#include "platform/os/thread.h"
#include "standin/upgrade-server/upgrade_server.h"
#include "testing/program_folder.h"

using net_testing::debugNote;
using net_testing::enableDebugLog;
using net_testing::refusedPort;
using net_testing::ScriptedPeer;
using standin::UpgradeFault;
using standin::UpgradeServer;
using standin::UpgradeServerOptions;
using testing_support::ProgramFolder;

namespace {

const char* const kPageBody = "<html>\n*VER: 1.02\n*START\n*END\n</html>\n";
const char* const kFileName = "system/docs/x.html.gz";
const char* const kFilePath = "vurnorvex_windows_1.01/system/docs/x.html.gz";
const std::string kFileBytes = std::string("file\0bytes\r\n\x01\x02", 15);

// A served folder inside the test's program folder, with the version page
// and one file.
std::string writeServedFolder(const ProgramFolder& folder) {
    folder.write("served/upgrades/vurnorvex_windows_1.01.html", kPageBody);
    folder.write(std::string("served/") + kFilePath, kFileBytes);
    return folder.path() + "/served";
}

std::unique_ptr<UpgradeServer> startServer(const std::string& root, UpgradeFault fault = UpgradeFault::None,
                                           const std::string& sizeReply = "") {
    UpgradeServerOptions o;
    o.root = root;
    o.fault = fault;
    o.sizeReply = sizeReply;
    auto server = std::make_unique<UpgradeServer>(o);
    EXPECT_TRUE(server->start());
    return server;
}

std::string hostPort(int port) { return "127.0.0.1:" + std::to_string(port); }

bool waitDone(Communicator& c, int timeoutMs = 60000) {
    long long end = platform::monotonicMs() + timeoutMs;
    while (!c.isDone()) {
        if (platform::monotonicMs() > end) return false;
        platform::sleepMs(1);
    }
    return true;
}

bool waitStates(int count, int timeoutMs = 60000) {
    long long end = platform::monotonicMs() + timeoutMs;
    while (Communicator::liveStates() != count) {
        if (platform::monotonicMs() > end) return false;
        platform::sleepMs(2);
    }
    return true;
}

TEST(Communicator, PageIsFetchedOnAWorkerAndPolled) {
    ProgramFolder folder;
    auto server = startServer(writeServedFolder(folder));
    Communicator c(nullptr, 1);
    std::string url = "http://" + hostPort(server->httpPort()) + "/upgrades/vurnorvex_windows_1.01.html";
    c.requestPage("upgrade", url.c_str());
    EXPECT_EQ(c.getResult(), nullptr);
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitDone(c));
    ASSERT_NE(c.getResult(), nullptr);
    std::string reply = c.getResult();
    EXPECT_EQ(reply.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(reply.find(kPageBody), std::string::npos);
    EXPECT_EQ(c.getResultLength(), -1);  // a page has no length
    EXPECT_STREQ(c.requestName(), "upgrade");
    // Exactly the request line and two LF bytes: no CR, no header lines.
    ASSERT_EQ(server->httpRequests().size(), 1u);
    EXPECT_EQ(server->httpRequests()[0], "GET /upgrades/vurnorvex_windows_1.01.html HTTP/1.0\n\n");
}

TEST(Communicator, PageRequestPaths) {
    ProgramFolder folder;
    auto server = startServer(writeServedFolder(folder));
    std::string port = std::to_string(server->httpPort());
    struct Case {
        std::string url;
        const char* request;
    } cases[] = {
        {"http://127.0.0.1:" + port, "GET / HTTP/1.0\n\n"},
        {"http://localhost:" + port + "/a/b.html", "GET /a/b.html HTTP/1.0\n\n"},
    };
    std::size_t n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Communicator comm(nullptr, 1);
        comm.getPage("p", c.url.c_str());
        EXPECT_TRUE(comm.isDone());
        ASSERT_NE(comm.getResult(), nullptr);
        EXPECT_NE(std::string(comm.getResult()).find("404 Not Found"), std::string::npos);
        ASSERT_EQ(server->httpRequests().size(), ++n);
        EXPECT_EQ(server->httpRequests().back(), c.request);
    }
}

TEST(Communicator, PageFailuresEndDoneWithoutAResult) {
    ProgramFolder folder;
    enableDebugLog();
    auto silent = startServer(writeServedFolder(folder), UpgradeFault::Silent);
    struct Case {
        std::string url;
        bool text;  // an (empty or partial) text rather than none
        const char* logged;
    } cases[] = {
        {"http://" + hostPort(refusedPort()) + "/x", false, "connect rc=-1"},
        {"http://no-such-host.invalid/x", false, "ERROR: no host in URL"},
        {"http://127.0.0.1/" + std::string(600, 'p'), false, "ERROR: URL over 511 characters"},
        {"http://" + hostPort(silent->httpPort()) + "/x", true, "Socket timeout #1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        Communicator comm(nullptr, 1);
        comm.setSocketTimeout(0, 300 * 1000);
        comm.getPage("p", c.url.c_str());
        EXPECT_TRUE(comm.isDone());
        EXPECT_EQ(comm.getResult() != nullptr, c.text);
        if (c.text) {
            EXPECT_STREQ(comm.getResult(), "");
        }
        EXPECT_NE(debugNote().find(c.logged), std::string::npos);
    }
}

TEST(Communicator, UrlHelpers) {
    struct Case {
        const char* url;
        const char* host;
        const char* path;
    } cases[] = {
        {"http://127.0.0.1/upgrades/a.html", "127.0.0.1", "/upgrades/a.html"},
        {"http://127.0.0.1", "127.0.0.1", "/"},
        {"http://127.0.0.1:2500/x", "127.0.0.1:2500", "/x"},
        {"http://localhost/x?y=1", "127.0.0.1", "/x?y=1"},
        {"http://localhost:8080/", "127.0.0.1:8080", "/"},
        {".local/page", ".", "/"},
        {"ftp://127.0.0.1/x", "", "/"},
        {"HTTP://127.0.0.1/x", "", "/"},
        {"http://no-such-host.invalid/x", "", "/x"},
        {"http:///x", "", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(resolveUrl(c.url), c.host);
        EXPECT_EQ(urlPath(c.url), c.path);
    }
    std::string longest = "http://127.0.0.1/" + std::string(Communicator::kMaxUrlChars - 10, 'a');
    EXPECT_EQ(resolveUrl(longest.c_str()), "127.0.0.1");
    EXPECT_EQ(resolveUrl((longest + "a").c_str()), "");
}

// A name that the resolver answers with several addresses: the host is
// the dotted text of the last of them.
TEST(Communicator, ANameWithSeveralAddressesResolvesToTheLast) {
    struct SeveralAddresses {
        SeveralAddresses() {
            platform::net::setLookupForTests([](const char* name, std::vector<std::uint32_t>* found) {
                if (std::strcmp(name, "several.test") != 0) return platform::net::Lookup::NotFound;
                for (const char* a : {"127.0.0.1", "127.0.0.2", "127.0.0.3"}) {
                    std::uint32_t address = 0;
                    EXPECT_TRUE(platform::net::parseDotted(a, &address));
                    found->push_back(address);
                }
                return platform::net::Lookup::Ok;
            });
        }
        ~SeveralAddresses() { platform::net::setLookupForTests(nullptr); }
    } resolver;
    EXPECT_EQ(resolveUrl("http://several.test/upgrades/a.html"), "127.0.0.3");
    EXPECT_EQ(resolveUrl("http://several.test:2500/x"), "127.0.0.3:2500");
    EXPECT_EQ(resolveUrl("http://other.test/x"), "");
}

TEST(Communicator, SetRequestPathFormatsTheServicePath) {
    Communicator c(nullptr, 1);
    std::string h1 = "first", h2 = "second";
    setRequestPath(&c, kFileName, h1.c_str(), h2.c_str());
    EXPECT_STREQ(c.requestPath(), kFilePath);
    EXPECT_EQ(c.isDone(), 0);
}

// One row of the file table: what the service does and what the client ends with.
struct FileCase {
    const char* name;
    UpgradeFault fault;
    std::string sizeReply;
    bool firstRefused;
    bool secondRefused;
    bool fetched;
    bool getSent;
    const char* logged;
};

TEST(Communicator, FileExchangeTable) {
    const FileCase cases[] = {
        {"normal fetch", UpgradeFault::None, "", false, false, true, true, "res was 15"},
        {"size with a trailing CR", UpgradeFault::None, "15\r\n", false, false, true, true, "res was 15\r"},
        {"missing file", UpgradeFault::None, "-1\n", false, false, false, false, "res was -1"},
        {"minus one with CR", UpgradeFault::None, "-1\r\n", false, false, false, false, "is not a size"},
        {"CR inside the size", UpgradeFault::None, "1\r5\n", false, false, false, false, "is not a size"},
        {"size with letters", UpgradeFault::WrongSize, "", false, false, false, false, "'15abc' is not a size"},
        {"size over the cap", UpgradeFault::None, "999999999999\n", false, false, false, false, "is not a size"},
        {"empty size line", UpgradeFault::None, "\n", false, false, false, false, "is not a size"},
        {"short body", UpgradeFault::ShortBody, "", false, false, false, true, "nc=0.recv"},
        {"no greeting", UpgradeFault::NoGreeting, "", false, false, false, false, "sent no greeting"},
        {"silent", UpgradeFault::Silent, "", false, false, false, false, "sent no greeting"},
        {"first host refused", UpgradeFault::None, "", true, false, true, true, "res was 15"},
        {"both refused", UpgradeFault::None, "", true, true, false, false, "Socket failed 1"},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        enableDebugLog();
        auto server = startServer(writeServedFolder(folder), c.fault, c.sizeReply);
        std::string good = hostPort(server->filePort());
        std::string first = c.firstRefused ? hostPort(refusedPort()) : good;
        std::string second = c.secondRefused ? hostPort(refusedPort()) : good;
        Communicator comm(nullptr, 1);
        comm.setSocketTimeout(0, 300 * 1000);
        setRequestPath(&comm, kFileName, first.c_str(), second.c_str());
        comm.run();
        EXPECT_TRUE(comm.isDone());
        if (c.fetched) {
            ASSERT_NE(comm.getResult(), nullptr);
            EXPECT_EQ(std::string(comm.getResult(), kFileBytes.size()), kFileBytes);
            EXPECT_EQ(comm.getResultLength(), static_cast<int>(kFileBytes.size()));
        } else {
            EXPECT_EQ(comm.getResult(), nullptr);
            EXPECT_EQ(comm.getResultLength(), -1);
        }
        std::vector<std::string> lines = server->fileLines();
        bool sizeAsked = !lines.empty() && lines[0] == std::string("SIZE ") + kFilePath;
        EXPECT_EQ(sizeAsked,
                  c.fault != UpgradeFault::NoGreeting && c.fault != UpgradeFault::Silent && !c.secondRefused);
        bool getSent = lines.size() == 2 && lines[1] == std::string("GET ") + kFilePath;
        EXPECT_EQ(getSent, c.getSent);
        EXPECT_LE(lines.size(), 2u);
        std::string note = debugNote();
        EXPECT_NE(note.find(c.logged), std::string::npos) << note;
        EXPECT_NE(note.find("Communicator::run done"), std::string::npos);
    }
}

TEST(Communicator, FileFetchOnAWorkerWithConfiguredPort) {
    ProgramFolder folder;
    auto server = startServer(writeServedFolder(folder));
    setenv("VURNORVEXI_UPGRADE_FILE_PORT", std::to_string(server->filePort()).c_str(), 1);
    Communicator c(nullptr, 1);
    setRequestPath(&c, kFileName, "127.0.0.1", "localhost");
    ASSERT_TRUE(c.start());
    ASSERT_TRUE(waitDone(c));
    ASSERT_EQ(c.getResultLength(), static_cast<int>(kFileBytes.size()));
    EXPECT_EQ(std::string(c.getResult(), kFileBytes.size()), kFileBytes);
    unsetenv("VURNORVEXI_UPGRADE_FILE_PORT");
}

TEST(Communicator, ReusedForASecondFileThatFails) {
    ProgramFolder folder;
    auto server = startServer(writeServedFolder(folder));
    std::string good = hostPort(server->filePort());
    std::string bad = hostPort(refusedPort());
    Communicator c(nullptr, 1);
    setRequestPath(&c, kFileName, good.c_str(), good.c_str());
    c.run();
    ASSERT_EQ(c.getResultLength(), static_cast<int>(kFileBytes.size()));
    setRequestPath(&c, kFileName, bad.c_str(), bad.c_str());
    EXPECT_EQ(c.isDone(), 0);  // a recorded request is not done yet
    EXPECT_EQ(c.getResult(), nullptr);
    c.run();
    EXPECT_TRUE(c.isDone());
    EXPECT_EQ(c.getResultLength(), -1);
    EXPECT_EQ(c.getResult(), nullptr);  // nothing stale from the first file
}

TEST(Communicator, RunWithoutARequestOnlyLogs) {
    ProgramFolder folder;
    enableDebugLog();
    Communicator c(nullptr, 1);
    c.run();
    EXPECT_EQ(c.isDone(), 0);
    EXPECT_EQ(c.getResult(), nullptr);
    EXPECT_EQ(c.requestName(), nullptr);
    std::string note = debugNote();
    EXPECT_NE(note.find("Communicator::run\nCommunicator::run done\n"), std::string::npos) << note;
}

class RecordingClient : public CommunicatorClient {
public:
    void onCommunicatorResults(const char* name) override { names.push_back(name ? name : "(null)"); }
    std::vector<std::string> names;
};

TEST(Communicator, ClientIsToldOnceTheFetchIsOver) {
    ProgramFolder folder;
    enableDebugLog();
    auto server = startServer(writeServedFolder(folder));
    std::string good = hostPort(server->filePort());
    RecordingClient client;
    {
        Communicator c(&client, 1);
        setRequestPath(&c, kFileName, good.c_str(), good.c_str());
        c.run();
    }
    ASSERT_EQ(client.names.size(), 1u);
    EXPECT_EQ(client.names[0], kFilePath);
    CommunicatorClient plain;
    Communicator c(&plain, 1);
    c.notifyClient();
    EXPECT_NE(debugNote().find("virtual onCommunicatorResults()"), std::string::npos);
}

TEST(Communicator, ListLinesAreOwnedDownloadListIsNot) {
    auto downloads = std::make_unique<Vector>(0);
    {
        Communicator holder(nullptr, 1);
        holder.setListLines(new Vector(0));
        holder.setListLines(new Vector(0));  // the first one is freed
        holder.setDownloadList(downloads.get());
        EXPECT_EQ(holder.downloadList(), downloads.get());
    }
    downloads->addString("still usable");
    EXPECT_EQ(downloads->size(), 1);
}

TEST(Communicator, DeletedRightAfterDoneAThousandTimes) {
    ProgramFolder folder;
    auto server = startServer(writeServedFolder(folder));
    std::string good = hostPort(server->filePort());
    int before = Communicator::liveStates();
    for (int i = 0; i < 1000; ++i) {
        auto* c = new Communicator(nullptr, 1);
        setRequestPath(c, kFileName, good.c_str(), good.c_str());
        ASSERT_TRUE(c->start());
        ASSERT_TRUE(waitDone(*c));
        ASSERT_EQ(c->getResultLength(), static_cast<int>(kFileBytes.size()));
        delete c;
    }
    EXPECT_EQ(Communicator::liveStates(), before);
}

TEST(Communicator, DeletedWhileItsWorkerRuns) {
    ProgramFolder folder;
    enableDebugLog();
    std::string root = writeServedFolder(folder);
    int before = Communicator::liveStates();
    {
        // Deleted at every moment of a fetch, from before the worker has
        // begun to after it is done.
        auto server = startServer(root);
        std::string good = hostPort(server->filePort());
        for (int i = 0; i < 200; ++i) {
            auto* c = new Communicator(nullptr, 1);
            setRequestPath(c, kFileName, good.c_str(), good.c_str());
            ASSERT_TRUE(c->start());
            if (i % 4) platform::sleepMs(i % 3);
            delete c;
            ASSERT_EQ(Communicator::liveStates(), before);  // the worker is done with it
        }
    }
    EXPECT_NE(debugNote().find("~Communicator"), std::string::npos);
}

// Deleted while its worker waits on the network, whatever it waits for, a
// Communicator stops the fetch and waits for the worker: the wait is cut
// short (the socket's time-out here would outlast the test's deadline), the
// state is freed with the object, and no result is left.
TEST(Communicator, DeletedWhileItsWorkerWaitsStopsTheFetchAndJoinsIt) {
    ProgramFolder folder;
    enableDebugLog();
    auto silent = startServer(writeServedFolder(folder), UpgradeFault::Silent);
    ScriptedPeer noGreeting;
    noGreeting.hold();
    ScriptedPeer stalls;
    stalls.send("hello\nfile\nservice\n").read(1).send("100000\n").read(1).send(std::string(10, 'x')).hold();
    ScriptedPeer comesIn;
    comesIn.send("hello\nfile\nservice\n").read(1).send("100000\n").read(1);
    for (int i = 0; i < 2000; ++i) comesIn.send("x").pause(1);
    for (ScriptedPeer* p : {&noGreeting, &stalls, &comesIn}) p->start();
    const std::string silentPage = "http://" + hostPort(silent->httpPort()) + "/x";
    // The worker waits once the log (from `from` on) shows this.
    auto bodyBegun = [](std::size_t from) {
        const std::string log = debugNote();
        const std::size_t get = log.find("query: GET", from);
        return get != std::string::npos && log.find("<RECV(", get) != std::string::npos;
    };
    const struct {
        const char* what;
        const char* url;  // a page request, else a file request
        int port;
        std::function<bool(std::size_t from)> waiting;
    } cases[] = {
        {"a page from a silent server", silentPage.c_str(), 0,
         [&](std::size_t) { return silent->httpRequests().size() == 1; }},
        {"a file from a server without a greeting", nullptr, noGreeting.port(),
         [&](std::size_t) { return noGreeting.accepted() == 1; }},
        {"a file whose body stalls", nullptr, stalls.port(), bodyBegun},
        {"a file whose body comes in", nullptr, comesIn.port(), bodyBegun},
    };
    const int before = Communicator::liveStates();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t logged = debugNote().size();
        auto* fetch = new Communicator(nullptr, 1);
        fetch->setSocketTimeout(600, 0);
        const std::string host = hostPort(c.port);
        if (c.url)
            fetch->requestPage("upgrade", c.url);
        else
            setRequestPath(fetch, kFileName, host.c_str(), host.c_str());
        ASSERT_TRUE(fetch->start());
        long long end = platform::monotonicMs() + 60000;
        while (!c.waiting(logged) && platform::monotonicMs() < end) platform::sleepMs(2);
        ASSERT_TRUE(c.waiting(logged));
        EXPECT_EQ(fetch->isDone(), 0);
        EXPECT_EQ(fetch->getResult(), nullptr);
        delete fetch;
        EXPECT_EQ(Communicator::liveStates(), before);
        EXPECT_NE(debugNote().find("Communicator::run done", logged), std::string::npos);
    }
}

// The program quits while a body comes in: the delete stops and joins the
// worker, so nothing of the fetch runs while the process runs its exit.
TEST(Communicator, DeletedAtExitDuringABodyLeavesNothingRunning) {
    ProgramFolder folder;
    enableDebugLog();
    ScriptedPeer peer;
    peer.send("hello\nfile\nservice\n").read(1).send("100000\n").read(1);
    for (int i = 0; i < 2000; ++i) peer.send("x").pause(1);
    peer.close();
    peer.start();
    const std::string host = hostPort(peer.port());
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            auto* c = new Communicator(nullptr, 1);
            setRequestPath(c, kFileName, host.c_str(), host.c_str());
            if (!c->start()) std::exit(2);
            // Once the body has begun to arrive, the program quits.
            long long end = platform::monotonicMs() + 60000;
            while (debugNote().find("RECV(") == std::string::npos && platform::monotonicMs() < end)
                platform::sleepMs(1);
            delete c;
            std::exit(Communicator::liveStates() == 0 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Communicator, AutoDeleteFreesItselfAfterRun) {
    ProgramFolder folder;
    enableDebugLog();
    auto server = startServer(writeServedFolder(folder));
    std::string good = hostPort(server->filePort());
    int before = Communicator::liveStates();
    auto* c = new Communicator(nullptr, 1);
    setRequestPath(c, kFileName, good.c_str(), good.c_str());
    c->setAutoDelete(1);
    ASSERT_TRUE(c->start());
    EXPECT_TRUE(waitStates(before));
    EXPECT_NE(debugNote().find("Autokill Communicator"), std::string::npos);
}

}  // namespace
