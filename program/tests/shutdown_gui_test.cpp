// The program ends cleanly however a player ends it. Started in a laid-out
// program folder, with the stand-in advertising module's banner in its
// panel, it is closed through File > Exit, the main window's close box and
// the board window's close box in turn, in the lobby and in games; and its
// main window is closed while an upgrade download stalls in its body or
// comes in. Every run must end with status 0 (soon after the close, for a
// download), leave no half-written download behind and print no report of
// a sanitizer or of the C library's heap checks.
//
// Without a window manager on the test's display, a close box is what the
// window manager would send when it is clicked: the window's
// WM_DELETE_WINDOW message.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/process.h"
#include "platform/os/thread.h"
#include "standin/game-server/game_server.h"
#include "standin/upgrade-server/upgrade_server.h"
#include "testing/fault_report.h"
#include "testing/program_folder.h"
#include "testing/window_support.h"

// Last: Xlib's macros (None, Bool, Status...) would clash with the names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the condition holds; false after `seconds` (a generous
// deadline for a loaded machine).
bool waitUntil(const std::function<bool()>& done, double seconds = 30) {
    const long long end = platform::monotonicMs() + static_cast<long long>(seconds * 1000);
    while (!done()) {
        if (platform::monotonicMs() > end) return false;
        platform::sleepMs(20);
    }
    return true;
}

// The test's own connection to the display: the close boxes and the
// pixels on the screen.
class Screen {
public:
    Screen() : display_(XOpenDisplay(nullptr)) {
        // A window that went meanwhile is an answer, not a fault.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~Screen() {
        if (display_) XCloseDisplay(display_);
    }
    bool open() const { return display_ != nullptr; }

    // What the window manager sends when the window's close box is clicked.
    void closeBox(unsigned long window) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &e);
        XFlush(display_);
    }

    // The colour shown at (x, y) of a window; false when it cannot be read.
    bool pixel(unsigned long window, int x, int y, int rgb[3]) {
        XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return false;
        const unsigned long p = XGetPixel(image, 0, 0);
        rgb[0] = static_cast<int>((p >> 16) & 0xff);
        rgb[1] = static_cast<int>((p >> 8) & 0xff);
        rgb[2] = static_cast<int>(p & 0xff);
        XDestroyImage(image);
        return true;
    }
    bool shows(unsigned long window, int x, int y, const int want[3]) {
        int got[3];
        if (!pixel(window, x, y, got)) return false;
        for (int i = 0; i < 3; ++i)
            if (std::abs(got[i] - want[i]) > 8) return false;
        return true;
    }

private:
    Display* display_;
};

// The main window's outer size; its canvas lies under a 25-pixel menu bar.
constexpr int kMainWidth = 600, kMainHeight = 330, kMenuBar = 25;
// The advertising panel at ((W-60)/2)-174, H-80 of the canvas, and the
// gold frame of the stand-in's banner at its edge.
constexpr int kPanelX = (kMainWidth - 60) / 2 - 174, kPanelY = kMenuBar + (kMainHeight - kMenuBar) - 80;
constexpr int kBannerGold[3] = {230, 190, 60};
// The upgrade button at 166, 90 of the canvas, green at 14, 10 of its art.
constexpr int kUpgradeX = 166, kUpgradeY = kMenuBar + 90;
constexpr int kUpgradeGreen[3] = {0, 255, 0};

// One run of the program in a program folder of its own, laid out as the
// run command lays it out, with the advertising module of this build.
class Program {
public:
    Program(const std::string& name, int x, int y) : name_(name), x_(x), y_(y) {
        static std::mt19937 random(std::random_device{}());
        folder_ = fs::temp_directory_path() / ("vurn-end-" + name + "-" + std::to_string(random()));
    }
    ~Program() {
        program_.stop();
        std::error_code ec;
        if (!kept_) fs::remove_all(folder_, ec);
    }

    // Lays out the folder, with the test marker, the window places and
    // `options`, and starts the program in it with `env`.
    bool launch(const std::vector<std::string>& env, const std::string& options) {
        const std::string layout = "VURNORVEXI_BUILD_DIR='" VURN_BUILD_DIR "' bash '" + testing_support::sourceDir() +
                                   "/tools/layout.sh' '" + folder_.string() + "' >/dev/null";
        if (std::system(layout.c_str()) != 0 || !fs::exists(folder_ / "plakard.so")) return false;
        std::ofstream(folder_ / "test.env") << "";
        std::ostringstream o;
        o << readFile(folder_ / "system" / "options_vurn.gkv") << "mainWindowOX " << x_ << "\nmainWindowOY " << y_
          << "\nmainWindowOW " << kMainWidth << "\nmainWindowOH " << kMainHeight << "\ngkvBoardWindowOX " << x_
          << "\ngkvBoardWindowOY " << y_ + 470 << "\ngkvBoardWindowOW 320\ngkvBoardWindowOH 320\n"
          << "playerName " << name_ << "\n"
          << options;
        std::ofstream(folder_ / "user" / "options_vurn.gkv") << o.str();
        return program_.start({VURN_PROGRAM}, folder_.string(), env, (folder_ / "output.txt").string());
    }

    // The X window of this program with that title, or empty.
    std::string window(const std::string& title) const {
        std::string id;
        waitUntil([&] {
            const std::string found =
                testing_support::commandOutput("xdotool search --all --pid " + std::to_string(program_.pid()) +
                                               " --name '" + title + "$' 2>/dev/null");
            id = found.substr(0, found.find('\n'));
            return !id.empty();
        });
        return id;
    }
    std::string mainWindow() const { return window("version 1.01"); }

    std::string log() const { return readFile(folder_ / "note.txt"); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }
    std::string output() const { return readFile(folder_ / "output.txt"); }
    const fs::path& folder() const { return folder_; }
    const std::string& name() const { return name_; }
    bool running() { return program_.running(); }
    void keepFolder() { kept_ = true; }

    // Waits up to `seconds` for the end of the program; its exit status
    // (-1 after a signal), or -2 when it still runs.
    int waitForEnd(double seconds) {
        if (!waitUntil([&] { return !program_.running(); }, seconds)) return -2;
        return program_.stop();
    }

    // The sanitizer or heap report the program printed, or empty.
    std::string report() const { return testing_support::faultReport(output()); }

private:
    std::string name_;
    int x_, y_;
    fs::path folder_;
    platform::ChildProcess program_;
    bool kept_ = false;
};

// A click of the left button at (x, y) of a window, the pointer come to rest
// first.
void click(const std::string& window, int x, int y) {
    const std::string cmd = "xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                            " sleep 0.1 mousedown 1 sleep 0.05 mouseup 1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// The width of a window.
int windowWidth(const std::string& window) {
    const std::string geometry = testing_support::commandOutput("xdotool getwindowgeometry " + window);
    const std::size_t at = geometry.find("Geometry: ");
    int w = 0, h = 0;
    if (at != std::string::npos) std::sscanf(geometry.c_str() + at + 10, "%dx%d", &w, &h);
    return w;
}

// The three ways a player ends the program.
enum class Way { FileExit, MainCloseBox, BoardCloseBox };
const char* wayName(Way w) {
    switch (w) {
    case Way::FileExit: return "File > Exit";
    case Way::MainCloseBox: return "the main window's close box";
    case Way::BoardCloseBox: return "the board window's close box";
    }
    return "";
}

void closeBy(Screen& screen, Program& p, Way way) {
    if (way == Way::FileExit) {
        // File, then its last item, Exit, 120 below the window's top.
        const std::string main = p.mainWindow();
        click(main, 20, kMenuBar / 2);
        click(main, 25, 120);
    } else {
        const std::string w = way == Way::MainCloseBox ? p.mainWindow() : p.window("Game Matrix");
        ASSERT_FALSE(w.empty()) << p.name() << ": no window to close";
        screen.closeBox(std::stoul(w));
    }
}

// The banner of the stand-in module shows in the main window's panel.
void expectBanner(Screen& screen, Program& p) {
    const std::string main = p.mainWindow();
    ASSERT_FALSE(main.empty()) << p.name() << ": no main window";
    EXPECT_TRUE(waitUntil([&] { return screen.shows(std::stoul(main), kPanelX + 1, kPanelY + 1, kBannerGold); }))
        << p.name() << ": no banner in the panel";
}

// The program has ended cleanly: status 0, no report. False (and the
// folder kept for a look) when it has not.
bool expectCleanEnd(Program& p, int status, const std::string& how) {
    EXPECT_EQ(status, 0) << p.name() << " closed by " << how << "; its output:\n" << p.output();
    const std::string report = p.report();
    EXPECT_TRUE(report.empty()) << p.name() << " closed by " << how << " reported:\n" << report;
    if (status == 0 && report.empty()) return true;
    p.keepFolder();
    return false;
}

class ClosingTheProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(screen.open()); }

    // The stand-in game server; with `games`, it starts a game as soon as
    // two players are in its lobby.
    void serve(bool games) {
        standin::GameServerOptions o;
        o.ports = {0, 0, 0, 0};
        o.autoStartPlayers = games ? 2 : 0;
        server = std::make_unique<standin::GameServer>(o);
        ASSERT_TRUE(server->start());
    }
    std::vector<std::string> gameEnv() const {
        std::vector<std::string> env = {"VURNORVEXI_GAME_HOST=127.0.0.1"};
        const char* keys[] = {"KV", "GKV", "OTH", "CHK"};
        for (int i = 0; i < 4; ++i)
            env.push_back(std::string("VURNORVEXI_GAME_PORT_") + keys[i] + "=" + std::to_string(server->port(i)));
        return env;
    }

    // Starts the program, its selection window over its main window.
    void launch(Program& p, int x) {
        const std::string options = "dontCheckUpgrade 1\nblankWindowOX " + std::to_string(x + 200) + "\n";
        ASSERT_TRUE(p.launch(gameEnv(), options)) << p.name() << ": not started";
    }

    // Takes the program into the classic style's lobby: the style picked
    // in the selection window and "Start!" pressed.
    void enterLobby(Program& p) {
        const std::string select = p.window("Select Game and Player");
        ASSERT_FALSE(select.empty()) << p.name() << ": no selection window";
        click(select, 126, 40 + 22 * 1 + 10);
        click(select, windowWidth(select) / 2, 136 + 10);  // four styles in test mode: "Start!" at 136
        ASSERT_TRUE(waitUntil([&] { return p.logged("incmd:LA " + p.name() + "\n"); }))
            << p.name() << " not in the lobby";
    }

    // Rounds of two players side by side, who meet in the lobby (and
    // there, in a game the server starts) and then close their programs,
    // by the ways in turn; `runs` closings in all.
    void closeInRounds(bool inGames, int runs) {
        serve(inGames);
        ASSERT_FALSE(HasFatalFailure());
        int run = 0, unclean = 0;
        for (int round = 0; run < runs; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            std::vector<std::unique_ptr<Program>> players;
            const int x[] = {0, 640};
            players.push_back(std::make_unique<Program>("Alice", x[0], 0));
            if (run + 1 < runs) players.push_back(std::make_unique<Program>("Bob", x[1], 0));
            for (std::size_t i = 0; i < players.size(); ++i) {
                launch(*players[i], x[i]);
                ASSERT_FALSE(HasFatalFailure());
            }
            for (auto& p : players) {
                enterLobby(*p);
                ASSERT_FALSE(HasFatalFailure());
            }
            if (inGames && players.size() == 2) {
                for (auto& p : players)
                    ASSERT_TRUE(waitUntil([&] { return p->logged("rand "); })) << p->name() << ": no game";
            }
            for (auto& p : players) expectBanner(screen, *p);
            // With VURN_SHOT_DIR set, the first round's windows, for a look.
            EXPECT_TRUE(round > 0 ||
                        testing_support::screenshot(inGames ? "closing_in_a_game" : "closing_in_the_lobby"));
            std::vector<Way> ways;
            for (auto& p : players) {
                ways.push_back(static_cast<Way>(run++ % 3));
                closeBy(screen, *p, ways.back());
                ASSERT_FALSE(HasFatalFailure());
            }
            for (std::size_t i = 0; i < players.size(); ++i)
                if (!expectCleanEnd(*players[i], players[i]->waitForEnd(30), wayName(ways[i]))) ++unclean;
        }
        EXPECT_EQ(unclean, 0) << unclean << " of " << runs << " runs did not end cleanly";
    }

    Screen screen;
    std::unique_ptr<standin::GameServer> server;
};

TEST_F(ClosingTheProgram, InTheLobbyByEachWayInTurn) { closeInRounds(false, 16); }

TEST_F(ClosingTheProgram, InAGameByEachWayInTurn) { closeInRounds(true, 14); }

// How soon after its main window's close the program must have ended: main
// has returned, and then the process has exited. In a sanitizer build the
// exit adds the leak check, which takes the better part of a second on a
// loaded machine.
constexpr long long kEndMs = 2000;
#if defined(__SANITIZE_ADDRESS__)
constexpr long long kLeakCheckMs = 10000;
#else
constexpr long long kLeakCheckMs = 0;
#endif

// The main window closed during an upgrade download: the stand-in service
// offers one file, whose body stalls halfway or comes in slowly; the
// player opens the upgrade window with the upgrade button, presses Info
// and Update, and closes the main window while the body is under way.
class ClosingDuringADownload : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(screen.open()); }

    // Serves a file of `bytes` random bytes as the upgrade, with the fault.
    void offer(standin::UpgradeFault fault, std::size_t bytes) {
        std::mt19937 random(7);
        std::string content(bytes, '\0');
        for (char& c : content) c = static_cast<char>(random());
        offerFolder.write("offer/system/news.bin", content);
        standin::UpgradeServerOptions o;
        o.offerDir = offerFolder.path() + "/offer";
        o.fault = fault;
        service = std::make_unique<standin::UpgradeServer>(o);
        ASSERT_TRUE(service->start());
    }

    // `runs` times: the program started, the download begun and under way
    // as `underWay` says of the log, the main window closed.
    void closeDuringDownloads(int runs, const std::function<bool(const std::string& log)>& underWay) {
        const std::vector<std::string> env = {
            "VURNORVEXI_GAME_HOST=127.0.0.1",
            "VURNORVEXI_GAME_PORT_KV=1",  // no game server: the selection window waits
            "VURNORVEXI_UPGRADE_HOST=127.0.0.1",
            "VURNORVEXI_UPGRADE_HTTP_PORT=" + std::to_string(service->httpPort()),
            "VURNORVEXI_UPGRADE_FILE_HOST1=127.0.0.1",
            "VURNORVEXI_UPGRADE_FILE_HOST2=127.0.0.1",
            "VURNORVEXI_UPGRADE_FILE_PORT=" + std::to_string(service->filePort()),
        };
        int unclean = 0;
        long long slowest = 0;
        for (int run = 0; run < runs; ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            Program p("Carol", 0, 0);
            // The selection window stands aside, clear of the main window.
            ASSERT_TRUE(p.launch(env, "dontCheckUpgrade 0\nblankWindowOX 700\nblankWindowOY 100\n"));
            const std::string main = p.mainWindow();
            ASSERT_FALSE(main.empty()) << "no main window";
            expectBanner(screen, p);
            ASSERT_TRUE(waitUntil([&] {
                return screen.shows(std::stoul(main), kUpgradeX + 14, kUpgradeY + 10, kUpgradeGreen);
            })) << "no upgrade button";
            click(main, kUpgradeX + 14, kUpgradeY + 14);
            const std::string upgrade = p.window("Auto-upgrade Feature");
            ASSERT_FALSE(upgrade.empty()) << "no upgrade window";
            click(upgrade, 34, 50);                        // Info
            click(upgrade, windowWidth(upgrade) / 2, 50);  // Update
            EXPECT_TRUE(run > 0 || testing_support::screenshot("closing_during_a_download"));
            ASSERT_TRUE(waitUntil([&] {
                const std::string log = p.log();
                const std::size_t get = log.find("query: GET ");
                return get != std::string::npos && underWay(log.substr(get));
            })) << "no download under way";

            screen.closeBox(std::stoul(main));
            const long long closed = platform::monotonicMs();
            // The program's end: main returns, then the process exits.
            waitUntil([&] { return p.logged("main: the run has ended\n") || !p.running(); }, kEndMs / 1000.0);
            const long long mainEnded = platform::monotonicMs() - closed;
            const int status = p.waitForEnd(30);
            const long long took = platform::monotonicMs() - closed;
            const bool clean = expectCleanEnd(p, status, "the main window's close box");
            EXPECT_TRUE(p.logged("main: the run has ended\n"));
            EXPECT_LE(mainEnded, kEndMs) << "main returned " << mainEnded << " ms after the close";
            EXPECT_LE(took, kEndMs + kLeakCheckMs) << "the process ended " << took << " ms after the close";
            // Nothing of the download is stored, not even in part.
            EXPECT_FALSE(fs::exists(p.folder() / "system" / "news.bin.gz"));
            EXPECT_EQ(readFile(p.folder() / "system" / "gzlist").find("news.bin"), std::string::npos);
            if (!clean || mainEnded > kEndMs || took > kEndMs + kLeakCheckMs) ++unclean;
            slowest = std::max(slowest, took);
        }
        EXPECT_EQ(unclean, 0) << unclean << " of " << runs << " runs did not end cleanly in time";
        std::printf("the slowest of %d runs ended %lld ms after the close\n", runs, slowest);
    }

    // How many pieces of the body the worker has waited for, in the log
    // from its GET on.
    static int waits(const std::string& log) {
        int n = 0;
        for (std::size_t at = log.find("RECV("); at != std::string::npos; at = log.find("RECV(", at + 1))
            if (at == 0 || log[at - 1] != '<') ++n;
        return n;
    }

    Screen screen;
    testing_support::ProgramFolder offerFolder;
    std::unique_ptr<standin::UpgradeServer> service;
};

// The first half of a small file comes at once; the worker then waits for
// the rest, which never comes.
TEST_F(ClosingDuringADownload, WhileTheBodyStalls) {
    offer(standin::UpgradeFault::StallBody, 4000);
    ASSERT_FALSE(HasFatalFailure());
    closeDuringDownloads(10, [](const std::string& log) { return waits(log) >= 2; });
}

// A large file comes a piece at a time; a few pieces are in.
TEST_F(ClosingDuringADownload, WhileTheBodyComesIn) {
    offer(standin::UpgradeFault::SlowBody, 400 * 1024);
    ASSERT_FALSE(HasFatalFailure());
    closeDuringDownloads(10, [](const std::string& log) { return waits(log) >= 4; });
}

}  // namespace
