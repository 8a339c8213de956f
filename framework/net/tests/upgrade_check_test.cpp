#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/app/config.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/net/communicator.h"
#include "platform/os/thread.h"
#include "standin/upgrade-server/upgrade_server.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

// Start-up without a main core: the check request is the Exec's to poll.
TEST(UpgradeCheck, StartUpAsksTheVersionPage) {
    ProgramFolder folder;
    folder.write("served/upgrades/vurnorvex_windows_1.01.html", "*VER: 1.02\n*START\n*END\n");
    standin::UpgradeServerOptions o;
    o.root = folder.path() + "/served";
    standin::UpgradeServer server(o);
    ASSERT_TRUE(server.start());
    setenv("VURNORVEXI_UPGRADE_HOST", "127.0.0.1", 1);
    setenv("VURNORVEXI_UPGRADE_HTTP_PORT", std::to_string(server.httpPort()).c_str(), 1);
    EXPECT_EQ(config::upgradeVersionPageUrl(),
              "http://127.0.0.1:" + std::to_string(server.httpPort()) + "/upgrades/vurnorvex_windows_1.01.html");

    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    Exec* exec = new Exec();
    Communicator* check = exec->checkRequest();
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(exec->upgradeListHolder(), nullptr);
    long long end = platform::monotonicMs() + 60000;
    while (!check->isDone() && platform::monotonicMs() < end) platform::sleepMs(5);
    ASSERT_TRUE(check->isDone());
    ASSERT_NE(check->getResult(), nullptr);
    EXPECT_NE(std::string(check->getResult()).find("*VER: 1.02\n"), std::string::npos);
    ASSERT_EQ(server.httpRequests().size(), 1u);
    EXPECT_EQ(server.httpRequests()[0], "GET /upgrades/vurnorvex_windows_1.01.html HTTP/1.0\n\n");
    exec->uninit();
    delete exec;
    setMessageBoxHandler({});
}

TEST(UpgradeCheck, SwitchedOffByOption) {
    ProgramFolder folder;
    folder.write("user/options_vurn.gkv", "dontCheckUpgrade 1\n");
    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    Exec* exec = new Exec();
    EXPECT_EQ(exec->checkRequest(), nullptr);
    EXPECT_EQ(exec->upgradeListHolder(), nullptr);
    EXPECT_EQ(Communicator::liveStates(), 0);
    exec->uninit();
    delete exec;
    setMessageBoxHandler({});
}

TEST(UpgradeCheck, DefaultPortLeavesTheHostAlone) {
    unsetenv("VURNORVEXI_UPGRADE_HTTP_PORT");
    setenv("VURNORVEXI_UPGRADE_HOST", "updates.example", 1);
    EXPECT_EQ(config::upgradeVersionPageUrl(), "http://updates.example/upgrades/vurnorvex_windows_1.01.html");
}

}  // namespace
