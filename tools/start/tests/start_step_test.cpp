// The run command's start step (tools/start.sh), run as the run command
// runs it but with a stand-in for the program that notes where it runs,
// what it is pointed at and what it finds: downloaded upgrades applied
// before the program runs and kept through later starts; the stand-in web
// host and game server started when their host is this machine and nothing
// listens yet, and left alone otherwise.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/net/tcp.h"
#include "platform/os/files.h"
#include "platform/os/thread.h"
#include "standin/serving.h"
#include "standin/upgrade-server/upgrade_server.h"
#include "testing/program_folder.h"
#include "testing/start_step.h"

namespace fs = std::filesystem;
namespace tcp = platform::net;
using testing_support::sourceDir;

namespace {

// A port that was free a moment ago.
int freePort() {
    int port = 0;
    const int fd = tcp::listenOn("127.0.0.1", 0, &port);
    tcp::closeHandle(fd);
    return port;
}

class StartStep : public ::testing::Test {
protected:
    StartStep() {
        char tmpl[] = "/tmp/vurn-start-XXXXXX";
        top = mkdtemp(tmpl);
        prog = top + "/program folder";  // a blank in the name, as a home folder may have
    }
    ~StartStep() override {
        // The stand-ins this test's start steps started (by their process ids).
        for (const char* name : {"game-server", "web-server"}) {
            std::string pid;
            if (platform::readWholeFile(prog + "/" + name + ".pid", &pid) && std::atoi(pid.c_str()) > 0)
                ::kill(std::atoi(pid.c_str()), SIGTERM);
        }
        std::error_code ec;
        fs::remove_all(top, ec);
    }

    // Runs the start step with these variables and a program that writes
    // its working folder and its environment beside it; the exit status.
    int start(const std::vector<std::string>& env, const std::string& program = "pwd > ran.txt; env > env.txt") {
        return testing_support::runStartStep(prog, env, program, &output_);
    }
    std::string read(const std::string& rel) const {
        std::string bytes;
        platform::readWholeFile(prog + "/" + rel, &bytes);
        return bytes;
    }
    const std::string& output() const { return output_; }
    static std::string shipped(const std::string& rel) {
        std::string bytes;
        platform::readWholeFile(sourceDir() + "/data/system/" + rel, &bytes);
        return bytes;
    }

    std::string top;
    std::string prog;
    std::string output_;
    // No stand-in is wanted: hosts that are not this machine (never
    // looked up by the start step).
    const std::vector<std::string> elsewhere = {"VURNORVEXI_GAME_HOST=game.invalid", "VURNORVEXI_WEB_HOST=web.invalid"};
};

TEST_F(StartStep, AppliesDownloadedUpgradesBeforeTheProgramRunsAndKeepsThem) {
    ASSERT_EQ(start(elsewhere), 0) << output();  // a fresh folder, laid out
    EXPECT_EQ(read("ran.txt"), prog + "\n");
    const std::string page = "docs/vurnorvex/start.html", broken = "docs/vurnorvex/rules.html";
    ASSERT_EQ(read("system/" + page), shipped(page));

    // What the upgrade window leaves: the stored files and their list.
    const std::string packed = standin::gzipBytes("<html><body>new start</body></html>\n");
    std::ofstream(prog + "/system/" + page + ".gz", std::ios::binary) << packed;
    std::ofstream(prog + "/system/" + broken + ".gz", std::ios::binary) << packed.substr(0, packed.size() - 5);
    std::ofstream(prog + "/system/gzlist") << "system/" << page << ".gz\nsystem/" << broken << ".gz\n";

    // The program finds the upgrade in place when it starts.
    ASSERT_EQ(start(elsewhere, "cat system/" + page + " > seen.txt"), 0) << output();
    EXPECT_EQ(read("seen.txt"), "<html><body>new start</body></html>\n");
    EXPECT_NE(output().find("upgrade applied: system/" + page), std::string::npos) << output();
    EXPECT_NE(output().find("upgrade not applied: system/" + broken + ".gz does not unpack (cut short); system/" +
                            broken + " stays as it was"),
              std::string::npos)
        << output();
    EXPECT_EQ(read("system/" + broken), shipped(broken));
    EXPECT_FALSE(platform::fileExists((prog + "/system/gzlist").c_str()) && !read("system/gzlist").empty());

    // Later starts lay out the shipped files again, but not over the upgrade.
    ASSERT_EQ(start(elsewhere, "cat system/" + page + " > seen.txt"), 0) << output();
    EXPECT_EQ(read("seen.txt"), "<html><body>new start</body></html>\n");
    EXPECT_EQ(output().find("upgrade"), std::string::npos) << output();
    EXPECT_EQ(read("system/" + broken), shipped(broken));
}

TEST_F(StartStep, StartsTheStandInsOnThisMachineAndPointsTheProgramAtTheWebHost) {
    const int web = freePort();
    std::vector<std::string> env = {"VURNORVEXI_GAME_HOST=127.0.0.1",
                                    "VURNORVEXI_WEB_HOST=127.0.0.1:" + std::to_string(web)};
    const char* styles[] = {"KV", "GKV", "OTH", "CHK"};
    int kv = 0;
    for (const char* s : styles) {
        const int port = freePort();
        if (!kv) kv = port;
        env.push_back(std::string("VURNORVEXI_GAME_PORT_") + s + "=" + std::to_string(port));
    }
    ASSERT_EQ(start(env), 0) << output();
    EXPECT_EQ(read("ran.txt"), prog + "\n");
    for (const char* name : {"game-server", "web-server"}) {
        EXPECT_GT(std::atoi(read(std::string(name) + ".pid").c_str()), 0) << name;
        EXPECT_TRUE(platform::fileExists((prog + "/" + name + ".log").c_str())) << name;
    }
    EXPECT_NE(read("env.txt").find("\nVURNORVEXI_WEB_HOST=127.0.0.1:" + std::to_string(web) + "\n"), std::string::npos);

    // The web host serves the help entry page at the help address.
    const std::string reply = standin::exchangeOnLoopback(web, "GET /vurnorvex.html HTTP/1.0\r\n\r\n");
    EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.0 200 OK");
    EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), shipped("docs/vurnorvex/index.html"));
    // The game server takes connections.
    int err = 0;
    const int probe = tcp::openStream(&err);
    std::uint32_t loopback = 0;
    ASSERT_TRUE(tcp::parseDotted("127.0.0.1", &loopback));
    EXPECT_EQ(tcp::connectTo(probe, loopback, kv, 2000), 0);
    tcp::closeHandle(probe);

    // A second start finds both listening and starts neither again.
    const std::string pids = read("game-server.pid") + read("web-server.pid");
    ASSERT_EQ(start(env), 0) << output();
    EXPECT_NE(output().find("a game-server already listens on 127.0.0.1:" + std::to_string(kv)), std::string::npos)
        << output();
    EXPECT_NE(output().find("a web-server already listens on 127.0.0.1:" + std::to_string(web)), std::string::npos)
        << output();
    EXPECT_EQ(read("game-server.pid") + read("web-server.pid"), pids);
}

// The web host on this machine without a port of its own: the program is
// pointed at the stand-in's port.
TEST_F(StartStep, TheWebPortOfThisMachineIsTheStandInsPort) {
    const int web = freePort();
    ASSERT_EQ(start({"VURNORVEXI_GAME_HOST=game.invalid", "VURNORVEXI_WEB_HOST=localhost",
                     "VURNORVEXI_WEB_PORT=" + std::to_string(web)}),
              0)
        << output();
    EXPECT_NE(read("env.txt").find("\nVURNORVEXI_WEB_PORT=" + std::to_string(web) + "\n"), std::string::npos);
    EXPECT_EQ(standin::exchangeOnLoopback(web, "GET / HTTP/1.0\r\n\r\n").find("HTTP/1.0 200 OK"), 0u);
    EXPECT_FALSE(platform::fileExists((prog + "/game-server.pid").c_str()));
}

TEST_F(StartStep, HostsElsewhereGetNoStandIn) {
    ASSERT_EQ(start(elsewhere), 0) << output();
    EXPECT_EQ(read("ran.txt"), prog + "\n");
    for (const char* name : {"game-server.pid", "web-server.pid", "game-server.log", "web-server.log"})
        EXPECT_FALSE(platform::fileExists((prog + "/" + name).c_str())) << name;
    const std::string env = read("env.txt");
    EXPECT_EQ(env.find("VURNORVEXI_WEB_PORT="), std::string::npos);  // the host's own port, 80
    EXPECT_NE(env.find("\nVURNORVEXI_WEB_HOST=web.invalid\n"), std::string::npos);
}

// Without the applier built the downloaded upgrades wait, the stored files
// and their list kept through the layout; a later start with the applier
// applies them.
TEST_F(StartStep, WithoutTheApplierDownloadedUpgradesWait) {
    const std::string empty = top + "/no build";
    fs::create_directories(empty);
    std::vector<std::string> unbuilt = elsewhere;
    unbuilt.push_back("VURNORVEXI_BUILD_DIR=" + empty);
    ASSERT_EQ(start(unbuilt), 0) << output();
    const std::string page = "docs/vurnorvex/start.html";
    const std::string packed = standin::gzipBytes("<html><body>waited</body></html>\n");
    std::ofstream(prog + "/system/" + page + ".gz", std::ios::binary) << packed;
    std::ofstream(prog + "/user/nls/EN.gz", std::ios::binary) << packed;
    const std::string list = "system/" + page + ".gz\n./user/nls/EN.gz\n";
    std::ofstream(prog + "/system/gzlist") << list;

    ASSERT_EQ(start(unbuilt), 0) << output();
    EXPECT_NE(output().find("is not built; the downloaded upgrades in system/gzlist wait for the next start"),
              std::string::npos)
        << output();
    EXPECT_EQ(read("system/gzlist"), list);
    EXPECT_EQ(read("system/" + page + ".gz"), packed);
    EXPECT_EQ(read("user/nls/EN.gz"), packed);
    EXPECT_EQ(read("system/" + page), shipped(page));

    ASSERT_EQ(start(elsewhere, "cat system/" + page + " > seen.txt"), 0) << output();
    EXPECT_EQ(read("seen.txt"), "<html><body>waited</body></html>\n");
    EXPECT_EQ(read("user/nls/EN"), "<html><body>waited</body></html>\n");
    EXPECT_FALSE(platform::fileExists((prog + "/system/" + page + ".gz").c_str()));
}

// The layout lays the kept upgrades over the shipped files, but never an
// unfinished file of a killed run, a copy of a player's own file or a list
// of upgrades.
TEST_F(StartStep, TheLayoutLaysOnlyFinishedUpgradesOfShippedFiles) {
    ASSERT_EQ(start(elsewhere), 0) << output();
    const std::string page = "system/docs/vurnorvex/start.html";
    const std::string unfinished = page + ".tmp-4242-1";
    std::ofstream(prog + "/user/o.txt") << "the player's own";
    fs::create_directories(fs::path(prog) / "upgrades/system/docs/vurnorvex");
    fs::create_directories(fs::path(prog) / "upgrades/user");
    std::ofstream(prog + "/upgrades/" + page) << "upgraded";
    std::ofstream(prog + "/upgrades/" + unfinished) << "half";
    std::ofstream(prog + "/upgrades/user/o.txt") << "an old copy";
    std::ofstream(prog + "/upgrades/system/gzlist") << "system/a.txt.gz\n";  // kept by an older run
    const std::string layout = "env VURNORVEXI_BUILD_DIR='" + std::string(VURN_BUILD_DIR) + "' bash '" + sourceDir() +
                               "/tools/layout.sh' '" + prog + "'";
    ASSERT_EQ(std::system(layout.c_str()), 0);
    EXPECT_EQ(read(page), "upgraded");
    EXPECT_FALSE(platform::fileExists((prog + "/" + unfinished).c_str()));
    EXPECT_EQ(read("user/o.txt"), "the player's own");
    EXPECT_EQ(read("system/gzlist"), "");
}

}  // namespace
