#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "standin/upgrade-server/upgrade_server.h"

namespace {

// A served folder with one file inside and a secret beside it.
class ServedFolder {
public:
    ServedFolder() {
        char tmpl[] = "/tmp/vurn-upgrade-XXXXXX";
        top_ = mkdtemp(tmpl);
        std::filesystem::create_directories(top_ + "/root/dir");
        std::ofstream(top_ + "/root/dir/file.gz", std::ios::binary) << "12345";
        std::ofstream(top_ + "/secret") << "secret";
    }
    ~ServedFolder() { std::filesystem::remove_all(top_); }
    std::string root() const { return top_ + "/root"; }

private:
    std::string top_;
};

// Sends a text and returns everything the server sends until it closes.
std::string exchange(int port, const std::string& text) { return standin::exchangeOnLoopback(port, text); }

const std::string kGreeting = "vurnorvexi upgrade file service\nstand-in\nready\n";

TEST(UpgradeServer, ServesFilesAndStaysInsideItsFolder) {
    ServedFolder folder;
    standin::UpgradeServerOptions o;
    o.root = folder.root();
    standin::UpgradeServer server(o);
    ASSERT_TRUE(server.start());
    struct Case {
        bool http;
        std::string sent;
        std::string reply;
    } cases[] = {
        {false, "SIZE dir/file.gz\nGET dir/file.gz\n", kGreeting + "5\n12345"},
        {false, "SIZE missing.gz\n", kGreeting + "-1\n"},
        {false, "SIZE ../secret\nGET ../secret\n", kGreeting + "-1\n"},
        {false, "SIZE /dir/file.gz\n", kGreeting + "5\n"},
        {true, "GET /dir/file.gz HTTP/1.0\n\n",
         "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\n12345"},
        {true, "GET /../secret HTTP/1.0\n\n", ""},
        {true, "GET /dir/./file.gz HTTP/1.0\n\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        std::string reply = exchange(c.http ? server.httpPort() : server.filePort(), c.sent);
        if (c.reply.empty()) {
            EXPECT_EQ(reply.rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u);
            EXPECT_EQ(reply.find("secret"), std::string::npos);
        } else {
            EXPECT_EQ(reply, c.reply);
        }
    }
}

TEST(UpgradeServer, OfferListsAFolderAndServesItPacked) {
    ServedFolder folder;
    std::string offer = folder.root() + "/dir";  // holds file.gz, "12345"
    std::filesystem::create_directories(offer + "/sub");
    std::ofstream(offer + "/sub/five.bin", std::ios::binary) << std::string("\x01\x02\x03\x04\x05");
    standin::UpgradeServerOptions o;
    o.offerDir = offer;
    o.extraListLines = {"*POPINFO seen hello"};
    standin::UpgradeServer server(o);
    ASSERT_TRUE(server.start());
    const std::string page =
        "<html><body><pre>\n*VER: 1.02\n*START\n"
        "file.gz 5 6699 e\n"  // "1234" + "5": 0x34333231 + 0x35 = 0x34333266
        "sub/five.bin 5 609 e\n"
        "*POPINFO seen hello\n*END\n</pre></body></html>\n";
    EXPECT_EQ(server.offerPage(), page);
    std::string reply = exchange(server.httpPort(), "GET /upgrades/vurnorvex_windows_1.01.html HTTP/1.0\n\n");
    EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), page);

    std::string packed = standin::gzipBytes("\x01\x02\x03\x04\x05");
    ASSERT_GT(packed.size(), 10u);
    EXPECT_EQ(packed.substr(0, 2), "\x1f\x8b");
    reply = exchange(server.filePort(),
                     "SIZE vurnorvex_windows_1.01/sub/five.bin.gz\nGET vurnorvex_windows_1.01/sub/five.bin.gz\n");
    EXPECT_EQ(reply, kGreeting + std::to_string(packed.size()) + "\n" + packed);
    // Not offered under its own name, nor outside the version's folder.
    EXPECT_EQ(exchange(server.filePort(), "SIZE vurnorvex_windows_1.01/sub/five.bin\n"), kGreeting + "-1\n");
    EXPECT_EQ(exchange(server.filePort(), "SIZE sub/five.bin.gz\n"), kGreeting + "-1\n");
}

TEST(UpgradeServer, OfferOfAMissingFolderDoesNotStart) {
    standin::UpgradeServerOptions o;
    o.offerDir = "/nonexistent/offer";
    standin::UpgradeServer server(o);
    EXPECT_FALSE(server.start());
}

TEST(UpgradeServer, FaultModeNames) {
    const std::pair<const char*, standin::UpgradeFault> names[] = {
        {"short-body", standin::UpgradeFault::ShortBody},
        {"stall-body", standin::UpgradeFault::StallBody},
        {"slow-body", standin::UpgradeFault::SlowBody},
    };
    for (const auto& [word, fault] : names) {
        standin::UpgradeFault f = standin::UpgradeFault::None;
        EXPECT_TRUE(standin::parseUpgradeFault(word, &f)) << word;
        EXPECT_EQ(f, fault) << word;
    }
    standin::UpgradeFault f = standin::UpgradeFault::None;
    EXPECT_FALSE(standin::parseUpgradeFault("loud", &f));
}

// The faults of a body: one byte short, half of it and then silence, or
// all of it a piece at a time.
TEST(UpgradeServer, BodyFaults) {
    ServedFolder folder;
    std::string body;
    for (int i = 0; i < 3000; ++i) body += static_cast<char>('a' + i % 26);
    std::ofstream(folder.root() + "/big.gz", std::ios::binary) << body;
    const struct {
        standin::UpgradeFault fault;
        std::string sent;
    } cases[] = {
        {standin::UpgradeFault::ShortBody, body.substr(0, body.size() - 1)},
        {standin::UpgradeFault::StallBody, body.substr(0, body.size() / 2)},
        {standin::UpgradeFault::SlowBody, body},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        standin::UpgradeServerOptions o;
        o.root = folder.root();
        o.fault = c.fault;
        standin::UpgradeServer server(o);
        ASSERT_TRUE(server.start());
        EXPECT_EQ(exchange(server.filePort(), "SIZE big.gz\nGET big.gz\n"), kGreeting + "3000\n" + c.sent);
    }
}

}  // namespace
