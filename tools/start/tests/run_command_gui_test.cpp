// As a new user meets it: the run command's start step on a fresh program
// folder starts the stand-in web host and then the program itself; the
// Help menu's "Orvex Chess Help", picked with the pointer, shows the help
// pages in the web browser: a browser of our own that fetches the address
// it is given and keeps the reply.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp.h"
#include "platform/os/files.h"
#include "platform/os/process.h"
#include "testing/fault_report.h"
#include "testing/program_folder.h"
#include "testing/start_step.h"
#include "testing/window_support.h"

namespace fs = std::filesystem;
using testing_support::sourceDir;

namespace {

TEST(RunCommand, HelpShowsTheHelpPagesInTheBrowserOnAFreshMachine) {
    char tmpl[] = "/tmp/vurn-run-XXXXXX";
    const std::string top = mkdtemp(tmpl);
    const std::string prog = top + "/program", pages = top + "/pages";
    fs::create_directories(pages);
    int web = 0;
    platform::net::closeHandle(platform::net::listenOn("127.0.0.1", 0, &web));
    const std::vector<std::string> env = {
        "VURNORVEXI_GAME_HOST=game.invalid",  // no game server: the selection window waits
        "VURNORVEXI_WEB_HOST=127.0.0.1",
        "VURNORVEXI_WEB_PORT=" + std::to_string(web),
        "VURNORVEXI_BROWSER=bash \"" + sourceDir() + "/testing/fetch-browser.sh\" \"" + pages + "\"",
        "VURNORVEXI_BUILD_DIR=" VURN_BUILD_DIR,
    };
    // The window where a test can find it, and no upgrade check.
    std::string laid;
    ASSERT_EQ(testing_support::runStartStep(
                  prog, {"VURNORVEXI_GAME_HOST=game.invalid", "VURNORVEXI_WEB_HOST=web.invalid"}, "", &laid),
              0)
        << laid;
    std::string options;
    platform::readWholeFile(prog + "/system/options_vurn.gkv", &options);
    std::ofstream(prog + "/user/options_vurn.gkv")
        << options << "mainWindowOX 0\nmainWindowOY 0\nmainWindowOW 600\nmainWindowOH 330\ndontCheckUpgrade 1\n";

    platform::ChildProcess run;
    ASSERT_TRUE(
        run.start({"bash", sourceDir() + "/tools/start.sh", prog, VURN_PROGRAM}, top, env, top + "/output.txt"));
    std::string window;
    ASSERT_TRUE(testing_support::waitFor(
        [&] {
            window = testing_support::commandOutput(
                "xdotool search --name '^Tarvelon Orvex Chess - version 1.01$' 2>/dev/null | head -n1");
            return !window.empty();
        },
        30))
        << "no main window";
    window.pop_back();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // mapped and drawn

    // The menu bar's third title, then its first item.
    const std::string click = "xdotool mousemove --window " + window + " 125 12 sleep 0.2 click 1 sleep 0.5 " +
                              "mousemove --window " + window + " 150 37 sleep 0.2 click 1";
    ASSERT_EQ(std::system(click.c_str()), 0);
    const std::string reply = pages + "/http___127.0.0.1_" + std::to_string(web) + "_vurnorvex.html";
    EXPECT_TRUE(testing_support::waitFor([&] { return platform::fileExists(reply.c_str()); }, 20))
        << "the browser fetched nothing";
    testing_support::screenshot("run-command-help");

    std::string got, index;
    platform::readWholeFile(reply, &got);
    platform::readWholeFile(sourceDir() + "/data/system/docs/vurnorvex/index.html", &index);
    EXPECT_EQ(got.substr(0, got.find("\r\n")), "HTTP/1.0 200 OK");
    EXPECT_EQ(got.find("\r\n\r\n") == std::string::npos ? "" : got.substr(got.find("\r\n\r\n") + 4), index);

    run.stop();
    std::string output;
    platform::readWholeFile(top + "/output.txt", &output);
    const std::string report = testing_support::faultReport(output);
    EXPECT_TRUE(report.empty()) << "the program reported:\n" << report;
    std::string pid;
    if (platform::readWholeFile(prog + "/web-server.pid", &pid) && std::atoi(pid.c_str()) > 0)
        ::kill(std::atoi(pid.c_str()), SIGTERM);
    std::error_code ec;
    if (!HasFailure()) fs::remove_all(top, ec);
}

}  // namespace
