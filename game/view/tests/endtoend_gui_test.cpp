// A whole game, end to end: the stand-in game server and two, three or four
// real program processes, each in its own program folder with the test
// marker, on one display, driven by the pointer and keyboard through
// xdotool as people would drive them. Each player picks the style and
// presses "Start!"; the players invite each other round a ring of lobby
// rows (or the server starts the game as soon as they are all in its
// lobby), and the game starts. Then the players click cells of their "Game
// Matrix" windows (left to select and move, right to turn, with Shift to
// the left, middle to fire) as planned with the rules engine itself, which
// plays the same game alongside. After every action the programs' debug
// logs must show the state the engine reached; after every shot the
// boards, saved through the chat field's "save NAME", must equal each
// other and the engine's; a beam game ends with a king shot and the
// game-over line in every chat. A player may also close his program in the
// middle of a game; the others play on without him.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
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

#include "framework/app/options.h"
#include "game/board/board.h"
#include "game/board/piece.h"
#include "game/view/boardcore.h"
#include "game/view/colours.h"
#include "game/view/tests/view_support.h"
#include "platform/os/process.h"
#include "standin/game-server/game_server.h"
#include "testing/fault_report.h"
#include "testing/program_folder.h"
#include "testing/window_support.h"

namespace fs = std::filesystem;
using platform::ChildProcess;
using view_test::TestGame;

namespace {

constexpr uint32_t kSeed1 = 11, kSeed2 = 22;  // every game of the server
// The main windows' outer size; their canvas lies under a 25-pixel menu
// bar.
constexpr int kMainWidth = 600, kMainHeight = 330;
constexpr int kMenuBar = 25;
// The "Say:" row of the canvas: the chat field at 240, "Pass" at W - 121.
constexpr int kSayRowY = kMenuBar + (kMainHeight - kMenuBar) - 106 + 9;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the condition holds; false after `seconds`.
bool waitFor(const std::function<bool()>& done, int seconds = 30) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return true;
}

// One player: a program folder, the program running in it, and its windows.
struct Player {
    std::string name;
    int seat = 0;
    // Where its windows stand on the screen, and the board window's side.
    int mainX = 0, mainY = 0, boardX = 0, boardY = 0, boardSize = 0;
    fs::path folder;
    std::unique_ptr<ChildProcess> program;
    std::size_t logFrom = 0;  // what came before is not looked at
    bool present = true;      // still in the game (its program not closed)

    // The debug log from the last mark on.
    std::string log() const {
        const std::string l = readFile(folder / "note.txt");
        return l.size() > logFrom ? l.substr(logFrom) : "";
    }
    // What the log holds now is past: lobby rows, states and lines are
    // looked for in what comes after.
    void markLog() { logFrom = readFile(folder / "note.txt").size(); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }
    // The last state line the board view wrote.
    std::string lastState() const {
        const std::string l = log();
        const std::size_t at = l.rfind("view state ");
        if (at == std::string::npos) return "";
        const std::size_t end = l.find('\n', at);
        return end == std::string::npos ? "" : l.substr(at, end - at + 1);
    }
    // The names of the lobby rows, in the order they arrived.
    std::vector<std::string> lobbyRows() const {
        std::vector<std::string> rows;
        const std::string l = log();
        for (std::size_t at = l.find("incmd:LA "); at != std::string::npos; at = l.find("incmd:LA ", at + 1)) {
            const std::size_t from = at + 9, end = l.find('\n', from);
            if (end != std::string::npos) rows.push_back(l.substr(from, end - from));
        }
        return rows;
    }
    // The X window of this program with that title.
    std::string window(const std::string& title) const {
        std::string id;
        waitFor([&] {
            const std::string found =
                view_test::commandOutput("xdotool search --all --pid " + std::to_string(program->pid()) + " --name '" +
                                         title + "$' 2>/dev/null");
            id = found.substr(0, found.find('\n'));
            return !id.empty();
        });
        return id;
    }
};

// What the display shows of a window, as a person sees it: top-down RGB,
// read from the screen.
struct Shown {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    std::array<int, 3> at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return {-1, -1, -1};
        const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
};
Shown shownWindow(const std::string& window) {
    Shown shown;
    const std::string geometry = view_test::commandOutput("xdotool getwindowgeometry " + window);
    int x = 0, y = 0;
    const std::size_t at = geometry.find("Position: "), size = geometry.find("Geometry: ");
    if (at == std::string::npos || size == std::string::npos) return shown;
    std::sscanf(geometry.c_str() + at + 10, "%d,%d", &x, &y);
    std::sscanf(geometry.c_str() + size + 10, "%dx%d", &shown.w, &shown.h);
    const std::string cmd = "import -window root -crop " + std::to_string(shown.w) + "x" + std::to_string(shown.h) +
                            "+" + std::to_string(x) + "+" + std::to_string(y) + " +repage -depth 8 rgb:-";
    shown.rgb.resize(static_cast<std::size_t>(shown.w) * shown.h * 3);
    std::size_t got = 0;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        got = std::fread(shown.rgb.data(), 1, shown.rgb.size(), p);
        pclose(p);
    }
    if (got != shown.rgb.size()) shown.w = shown.h = 0;
    return shown;
}

bool near(const std::array<int, 3>& a, const std::array<int, 3>& b, int tolerance) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    return true;
}

// What a flat polygon of that material looks like on the board.
std::array<int, 3> litBytes(const Rgba& material) {
    const Rgba c = litColour(material);
    auto b = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return {b(c.r), b(c.g), b(c.b)};
}

// Pointer and keyboard, as a hand would use them: the pointer comes to
// rest over the spot before a button goes down (with Shift held, when
// asked).
void press(const std::string& window, int x, int y, int button, bool shift = false) {
    const std::string cmd = "xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                            " sleep 0.1 " + (shift ? "keydown shift " : "") + "mousedown " + std::to_string(button) +
                            " sleep 0.05 mouseup " + std::to_string(button) + (shift ? " keyup shift" : "");
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

class EndToEnd : public ::testing::Test {
protected:
    enum class Op { Left, Right, ShiftRight, Middle, Pass, Save, Close };
    struct Step {
        int seat;
        Op op;
        int x, y;
        std::string file;  // Save: the board file every player saves
    };
    static Step left(int seat, int x, int y) { return {seat, Op::Left, x, y, ""}; }
    static Step right(int seat, int x, int y) { return {seat, Op::Right, x, y, ""}; }
    static Step shiftRight(int seat, int x, int y) { return {seat, Op::ShiftRight, x, y, ""}; }
    static Step middle(int seat, int x, int y) { return {seat, Op::Middle, x, y, ""}; }
    static Step pass(int seat) { return {seat, Op::Pass, 0, 0, ""}; }
    static Step save(const std::string& file) { return {1, Op::Save, 0, 0, file}; }
    // The player closes his program (File, Exit) in the middle of the game.
    static Step close(int seat) { return {seat, Op::Close, 0, 0, ""}; }

    EndToEnd() {
        self.copyFromSource("data/boards", "boards");
        options = &store;
    }
    ~EndToEnd() override {
        for (Player& p : players) {
            if (p.program) p.program->stop();
            // A fault a sanitizer found in the program fails the game.
            const std::string report =
                p.folder.empty() ? "" : testing_support::faultReport(readFile(p.folder / "output.txt"));
            EXPECT_TRUE(report.empty()) << p.name << "'s program reported:\n" << report;
            if (HasFailure() && !p.folder.empty())
                std::printf("%s's log ends:\n%s\n", p.name.c_str(), tail(p.log()).c_str());
            std::error_code ec;
            if (!p.folder.empty() && !std::getenv("VURN_KEEP_E2E")) fs::remove_all(p.folder, ec);
        }
        if (server) server->stop();
        options = nullptr;
    }
    static std::string tail(const std::string& s) { return s.size() > 3000 ? s.substr(s.size() - 3000) : s; }

    // The server (with auto-start N when N is above 0) and the players of a
    // game of `seats`, with their windows laid out side by side: for two,
    // each main window above its board window; for more, the main windows
    // two by two and the board windows in a row below them.
    void seat(int seats, int autoStart) {
        standin::GameServerOptions o;
        o.ports = {0, 0, 0, 0};
        o.seed1 = kSeed1;
        o.seed2 = kSeed2;
        o.autoStartPlayers = autoStart;
        o.lobbySeats = lobbySeats;
        server = std::make_unique<standin::GameServer>(o);
        ASSERT_TRUE(server->start());
        const char* names[] = {"Alice", "Bob", "Carol", "Dave"};
        for (int i = 0; i < seats; ++i) {
            Player p;
            p.name = names[i];
            p.seat = i + 1;
            if (seats == 2) {
                p.mainX = p.boardX = 640 * i;
                p.boardY = 470;
                p.boardSize = 420;
            } else {
                p.mainX = 640 * (i % 2);
                p.mainY = 360 * (i / 2);
                p.boardX = 320 * i;
                p.boardY = 700;
                p.boardSize = 320;
            }
            players.push_back(std::move(p));
        }
    }

    // Lays out the player's program folder, with the test marker and its
    // own name and window places, and starts the program in it.
    void launch(Player& p) {
        static std::mt19937 random(std::random_device{}());
        p.folder = fs::temp_directory_path() / ("vurn-e2e-" + p.name + "-" + std::to_string(random()));
        // The advertising module of this build (a plain program must not
        // load a sanitizer build's).
        ASSERT_EQ(std::system(("VURNORVEXI_BUILD_DIR='" VURN_BUILD_DIR "' bash '" + testing_support::sourceDir() +
                               "/tools/layout.sh' '" + p.folder.string() + "' >/dev/null")
                                  .c_str()),
                  0);
        std::ofstream(p.folder / "test.env") << "";
        std::string options = readFile(p.folder / "system" / "options_vurn.gkv");
        for (const auto& [key, value] : std::vector<std::pair<std::string, int>>{{"mainWindowOX", p.mainX},
                                                                                 {"mainWindowOY", p.mainY},
                                                                                 {"mainWindowOW", kMainWidth},
                                                                                 {"mainWindowOH", kMainHeight},
                                                                                 {"gkvBoardWindowOX", p.boardX},
                                                                                 {"gkvBoardWindowOY", p.boardY},
                                                                                 {"gkvBoardWindowOW", p.boardSize},
                                                                                 {"gkvBoardWindowOH", p.boardSize},
                                                                                 {"dontCheckUpgrade", 1}})
            options += key + " " + std::to_string(value) + "\n";
        options += "playerName " + p.name + "\n";
        std::ofstream(p.folder / "user" / "options_vurn.gkv") << options;
        std::vector<std::string> env;
        const char* keys[] = {"KV", "GKV", "OTH", "CHK"};
        for (int i = 0; i < 4; ++i)
            env.push_back(std::string("VURNORVEXI_GAME_PORT_") + keys[i] + "=" + std::to_string(server->port(i)));
        env.push_back("VURNORVEXI_GAME_HOST=127.0.0.1");
        p.program = std::make_unique<ChildProcess>();
        ASSERT_TRUE(p.program->start({VURN_PROGRAM}, p.folder.string(), env, (p.folder / "output.txt").string()));
    }

    // The player picks the style in the selection window and presses
    // "Start!"; its lobby row comes back from the server.
    void start(Player& p, int styleRow) {
        const std::string select = p.window("Select Game and Player");
        ASSERT_FALSE(select.empty()) << p.name << ": no selection window";
        press(select, 126, 40 + 22 * styleRow + 10, 1);
        const std::string geometry = view_test::commandOutput("xdotool getwindowgeometry " + select);
        int w = 0, h = 0;
        std::sscanf(geometry.c_str() + geometry.find("Geometry: ") + 10, "%dx%d", &w, &h);
        press(select, w / 2, 136 + 10, 1);  // four styles in test mode: "Start!" at y 136
        ASSERT_TRUE(waitFor([&] { return p.logged("incmd:LA " + p.name + "\n"); })) << p.name << " not in the lobby";
    }

    // Each player selects the next one's lobby row, the last the first's
    // (two players select each other's); the game starts when the ring
    // closes. With auto-start the server starts it by itself. `notes`:
    // lines the lobby shows above its rows (a lost game's).
    void meet(bool autoStarted, int notes = 0) {
        const int n = static_cast<int>(players.size());
        for (int i = 0; i < n && !autoStarted; ++i) {
            Player& p = players[static_cast<std::size_t>(i)];
            const Player& next = players[static_cast<std::size_t>((i + 1) % n)];
            ASSERT_TRUE(waitFor([&] { return p.logged("incmd:LA " + next.name + "\n"); }));
            const std::vector<std::string> rows = p.lobbyRows();
            int row = 0;
            while (row < static_cast<int>(rows.size()) && rows[static_cast<std::size_t>(row)] != next.name) ++row;
            // The side list: at 200, 0 of the canvas below the menu bar, a
            // 16-pixel header, then rows of 16.
            press(p.window("version 1.01"), 260, kMenuBar + 16 + 16 * (notes + row) + 8, 1);
            if (i < n - 1) {
                ASSERT_TRUE(waitFor([&] { return next.logged("incmd:LU"); })) << "no invitation reached " << next.name;
            }
        }
        for (Player& p : players) ASSERT_TRUE(waitFor([&] { return p.logged("rand "); })) << p.name << ": no game";
    }

    // The engine's game from the style's start board and the server's seeds.
    void startModel(const std::string& style) {
        setStringOption("lastDefaultGame", ("default." + style).c_str());
        model.startGame(1, static_cast<int>(players.size()));
        ASSERT_NE(model.getBoard(), nullptr);
        model.getBoard()->setRandomSeeds(kSeed1, kSeed2);
        sync("the start");
    }

    // Every program still in the game reaches the engine's state.
    void sync(const std::string& after) {
        const std::string want = viewStateLine(model);
        for (Player& p : present())
            ASSERT_TRUE(waitFor([&] { return p.lastState() == want; }))
                << p.name << " after " << after << ": " << p.lastState() << " want " << want;
    }

    void settle() {
        for (int i = 0; i < 10000 && model.getAnimSequence() != 0; ++i) model.getBoard()->advanceAnimations();
    }

    // The players whose programs are still in the game.
    std::vector<std::reference_wrapper<Player>> present() {
        std::vector<std::reference_wrapper<Player>> out;
        for (Player& p : players)
            if (p.present) out.push_back(p);
        return out;
    }

    // One action of a player, on the engine and by the player's hand.
    void act(const Step& s) {
        Player& p = players[static_cast<std::size_t>(s.seat - 1)];
        model.actAs(s.seat);
        if (s.op == Op::Save) {
            saveBoards(s.file);
            return;
        }
        if (s.op == Op::Close) {
            closeProgram(p);
            return;
        }
        const std::string board = p.window("Game Matrix");
        const view_test::ScreenPoint at =
            view_test::squareLayerPoint(model.getBoard()->getWidth(), model.getBoard()->getHeight(),
                                        static_cast<float>(s.x), static_cast<float>(s.y), 0, p.boardSize, p.boardSize);
        const int px = static_cast<int>(at.x), py = static_cast<int>(at.y);
        std::string what;
        switch (s.op) {
        case Op::Left:
            model.clickSquare(s.x, s.y);
            press(board, px, py, 1);
            what = "a click at ";
            break;
        case Op::Right:
        case Op::ShiftRight:
            model.rotateSelectedPiece(s.op == Op::ShiftRight);
            press(board, px, py, 3, s.op == Op::ShiftRight);
            what = s.op == Op::ShiftRight ? "a left turn at " : "a turn at ";
            break;
        case Op::Middle:
            model.fireSelected();
            model.completeFireAndNotify();
            press(board, px, py, 2);  // fires on the press, completes on the release
            what = "a shot at ";
            break;
        case Op::Pass:
            model.passCommand();
            press(p.window("version 1.01"), kMainWidth - 121 + 20, kSayRowY, 1);
            what = "the pass";
            break;
        case Op::Save:
        case Op::Close: return;
        }
        settle();
        sync(p.name + "'s " + what + std::to_string(s.x) + "," + std::to_string(s.y));
    }

    // The player ends his program through the main window's File menu, whose
    // last item, Exit, drops down at 120 below the window's top; the server
    // tells the others that his seat left, and the engine takes the seat
    // out as their programs do.
    void closeProgram(Player& p) {
        const std::string main = p.window("version 1.01");
        press(main, 20, kMenuBar / 2, 1);
        press(main, 25, 120, 1);
        ASSERT_TRUE(waitFor([&] { return !p.program->running(); })) << p.name << "'s program did not end";
        EXPECT_EQ(p.program->stop(), 0) << p.name << "'s program did not end cleanly";
        p.present = false;
        model.seatLeft(p.seat);
        settle();
        sync(p.name + " closing his program");
    }

    // Every player still in the game types "save NAME" into the chat field
    // and presses "Say:"; every board must equal the engine's.
    void saveBoards(const std::string& file) {
        ASSERT_EQ(model.getBoard()->saveFile(file.c_str()), 1);
        const std::string want = self.read("boards/" + file);
        for (Player& p : present()) {
            const std::string main = p.window("version 1.01");
            // The chat field at 240 and "Say:" at 200 of the Say row.
            const int y = kSayRowY;
            press(main, 300, y, 1);
            const std::string type =
                "xdotool key --clearmodifiers End key --repeat 40 BackSpace type '" + ("save " + file) + "'";
            ASSERT_EQ(std::system(type.c_str()), 0);
            press(main, 220, y, 1);
            ASSERT_TRUE(waitFor([&] { return readFile(p.folder / "boards" / file) == want; }))
                << p.name << "'s saved board " << file << ":\n"
                << readFile(p.folder / "boards" / file) << "the engine's:\n"
                << want;
        }
    }

    void play(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            act(s);
            if (HasFatalFailure()) return;
        }
    }

    // Every program started, in the lobby, and in a game of the style:
    // `seats` players who invite each other, or with autoStart the server
    // starts the game once they are all in its lobby.
    void begin(const std::string& style, int styleRow, int seats = 2, bool autoStart = false) {
        seat(seats, autoStart ? seats : 0);
        ASSERT_FALSE(HasFatalFailure());
        for (Player& p : players) {
            launch(p);
            ASSERT_FALSE(HasFatalFailure());
            start(p, styleRow);  // in seat order: the lobby order seats them
            ASSERT_FALSE(HasFatalFailure());
        }
        meet(autoStart);
        ASSERT_FALSE(HasFatalFailure());
        startModel(style);
    }

    // With VURN_SHOT_DIR set, a screenshot of the display for a person to
    // look at.
    static void screenshot(const char* name) { EXPECT_TRUE(testing_support::screenshot(name)); }

    // What every window of the player shows once a game is over or left: the
    // turn line names no seat (its last text in the debug log), no seat name
    // is lit, the board's border is not lit in any seat's tint, and the
    // star of the game's end in `star` shows (at the table) or not at all
    // (in the lobby: `star` null).
    void expectNoSeatToMove(const Player& p, const Rgba* star) {
        SCOPED_TRACE(p.name);
        const std::string log = readFile(p.folder / "note.txt");
        const std::size_t st = log.rfind("st=");
        EXPECT_EQ(st == std::string::npos ? "" : log.substr(st, log.find('\n', st) - st), "st= 00:00");
        const Shown main = shownWindow(p.window("version 1.01"));
        ASSERT_GT(main.w, 0) << "the main window cannot be read";
        // The seat names at 80 of the panel, 115 wide, rows 22 apart; the
        // right end is clear of the names.
        for (int seat = 0; seat < 4; ++seat) {
            const std::array<int, 3> c = main.at(80 + 115 - 4, kMenuBar + 5 + 22 * seat + 9);
            EXPECT_TRUE(near(c, {200, 200, 200}, 3))
                << "seat " << seat + 1 << " name lit: " << c[0] << "," << c[1] << "," << c[2];
        }
        const Shown board = shownWindow(p.window("Game Matrix"));
        ASSERT_GT(board.w, 0) << "the board window cannot be read";
        const int W = model.getBoard()->getWidth(), H = model.getBoard()->getHeight();
        int litBorder = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                if (x != 0 && y != 0 && x != W - 1 && y != H - 1) continue;
                // A border cell lies half outside the view: its inner part.
                const float fx = x == 0 ? 0.4f : x == W - 1 ? x - 0.4f : static_cast<float>(x);
                const float fy = y == 0 ? 0.4f : y == H - 1 ? y - 0.4f : static_cast<float>(y);
                const view_test::ScreenPoint at = view_test::squareLayerPoint(W, H, fx, fy, 0, board.w, board.h);
                for (int seat = 1; seat <= 4; ++seat)
                    litBorder += near(board.at(static_cast<int>(at.x), static_cast<int>(at.y)),
                                      litBytes(scene_colour::kSeatTint[seat]), 8);
            }
        EXPECT_EQ(litBorder, 0) << "border cells lit as on a turn";
        if (star) {
            const std::array<int, 3> c = litBytes(*star);
            int n = 0;
            for (int y = 0; y < board.h; ++y)
                for (int x = 0; x < board.w; ++x) n += near(board.at(x, y), c, 10);
            EXPECT_GT(n, 100) << "no star of the game's end";
        } else {
            // No seat's star colour shows, whoever won (the grey of no
            // winner is that of the holes).
            int n = 0;
            for (int seat = 1; seat <= 4; ++seat) {
                const std::array<int, 3> c = litBytes(scene_colour::kStar[seat]);
                for (int y = 0; y < board.h; ++y)
                    for (int x = 0; x < board.w; ++x) n += near(board.at(x, y), c, 10);
            }
            EXPECT_LT(n, 10) << "the star of the game's end is still shown";
        }
    }

    // The player presses Quit and is back in the lobby of the server.
    void quitToLobby(Player& p) {
        p.markLog();
        press(p.window("version 1.01"), kMainWidth - 41 + 20, kSayRowY, 1);
        ASSERT_TRUE(waitFor([&] { return p.logged("incmd:LA " + p.name + "\n"); })) << p.name << " not in the lobby";
    }

    void expectGameOver(const std::string& line) {
        ASSERT_EQ(model.getBoard()->iGameOver, 1);
        for (Player& p : present())
            EXPECT_TRUE(waitFor([&] { return p.logged("chat " + line); })) << p.name << " has no line " << line;
    }

    testing_support::ProgramFolder self;
    Options store;
    std::unique_ptr<standin::GameServer> server;
    // The most seats of a game in each lobby of the server.
    std::vector<int> lobbySeats = standin::GameServerOptions().lobbySeats;
    std::vector<Player> players;
    TestGame model;
};

// The classic game: Alice brings a firing piece round, Bob fires a shot of
// his own and turns a piece, Alice shoots Bob's king.
TEST_F(EndToEnd, ClassicGameToAKingShot) {
    begin("kv", 1);
    ASSERT_FALSE(HasFatalFailure());
    play({left(1, 7, 8), left(1, 6, 7),  // a diagonal step ends the turn
          left(2, 3, 2), middle(2, 3, 2), save("shot1.kv"), left(2, 8, 2), right(2, 8, 2),
          left(2, 8, 2),  // the turn costs the last move
          left(1, 6, 7), middle(1, 6, 7), save("shot2.kv")});
    ASSERT_FALSE(HasFatalFailure());
    expectGameOver("GAME OVER - Red wins.");
    screenshot("e2e_kv");
}

// The advanced game: Alice's hyper swaps with her own mirror (which
// teleports by the shared random draws), her firing piece steps across;
// Bob fires and passes; Alice turns and shoots Bob's king.
TEST_F(EndToEnd, AdvancedGameToAKingShot) {
    begin("gkv", 0);
    ASSERT_FALSE(HasFatalFailure());
    play({left(1, 4, 9), left(1, 4, 10), left(1, 2, 10), left(1, 3, 11), left(2, 10, 2), middle(2, 10, 2),
          save("shot1.gkv"), pass(2), left(1, 3, 11), right(1, 3, 11), middle(1, 3, 11), save("shot2.gkv")});
    ASSERT_FALSE(HasFatalFailure());
    expectGameOver("GAME OVER - Red wins.");
    screenshot("e2e_gkv");
}

// Three players, who start by inviting round a ring: Alice and Bob pass,
// Carol selects and turns her firing piece and then closes her program
// while it is her turn. Her seat is out on both other boards at once: the
// turn comes to Alice, whose hyper swaps a mirror away and whose firing
// piece, turned, shoots Bob's king; Alice wins.
TEST_F(EndToEnd, ThreePlayersPlayOnWhenOneClosesHisProgramOnHisTurn) {
    begin("gkv", 0, 3);
    ASSERT_FALSE(HasFatalFailure());
    play({pass(1), pass(2), left(3, 1, 7), right(3, 1, 7), close(3), left(1, 4, 9), left(1, 4, 10), left(1, 2, 10),
          right(1, 2, 10), right(1, 2, 10), middle(1, 2, 10), save("shot.gkv")});
    ASSERT_FALSE(HasFatalFailure());
    for (Player& p : present()) EXPECT_TRUE(p.logged("chat Blue player quit the game.")) << p.name;
    expectGameOver("GAME OVER - Red wins.");
    screenshot("e2e_three");
}

// Four players, seated by the server as soon as all four are in its lobby,
// on the advanced board with its four armies: the turn goes round all four
// seats; then Alice's shot takes Bob's king (his seat is out and skipped),
// Carol's takes Alice's, and Dave, turning his firing piece the wrong way,
// shoots his own: Carol wins.
TEST_F(EndToEnd, FourPlayersToTheEndOfABeamGame) {
    begin("gkv", 0, 4, true);
    ASSERT_FALSE(HasFatalFailure());
    play({pass(1), pass(2), pass(3), pass(4), left(1, 4, 9), left(1, 4, 10), left(1, 2, 10), right(1, 2, 10),
          right(1, 2, 10), middle(1, 2, 10), left(3, 1, 7), right(3, 1, 7), middle(3, 1, 7), pass(3), left(4, 11, 5),
          shiftRight(4, 11, 5), shiftRight(4, 11, 5), middle(4, 11, 5), save("over.gkv")});
    ASSERT_FALSE(HasFatalFailure());
    expectGameOver("GAME OVER - Blue wins.");
    // Every window: nobody to move, no "your turn" border (it was Carol's
    // turn when she won), the blue star.
    for (Player& p : players) {
        EXPECT_TRUE(waitFor([&] { return p.logged("st= 00:00\n"); })) << p.name;
        expectNoSeatToMove(p, &scene_colour::kStar[3]);
    }
    screenshot("e2e_four");

    // Back in the lobby, one after the other: the same, and no star. (The
    // server starts a game as soon as four are in its lobby: Alice ends her
    // program before the last one comes back.)
    for (int i : {3, 1, 0}) {
        quitToLobby(players[static_cast<std::size_t>(i)]);
        ASSERT_FALSE(HasFatalFailure());
    }
    for (int i : {3, 1, 0}) expectNoSeatToMove(players[static_cast<std::size_t>(i)], nullptr);
    expectNoSeatToMove(players[2], &scene_colour::kStar[3]);  // still at the table
    screenshot("e2e_four_lobby_three");
    Player& alice = players[0];
    press(alice.window("version 1.01"), 20, kMenuBar / 2, 1);
    press(alice.window("version 1.01"), 25, 120, 1);  // File, Exit
    ASSERT_TRUE(waitFor([&] { return !alice.program->running(); })) << "Alice's program did not end";
    alice.present = false;
    quitToLobby(players[2]);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(server->gamesRunning(), 0);
    for (Player& p : present()) expectNoSeatToMove(p, nullptr);
    screenshot("e2e_four_lobby");
}

// Reversi: six placements, each the first legal one the engine finds for
// the seat on turn; every placement flips chips.
TEST_F(EndToEnd, ReversiTurnsWithFlips) {
    begin("oth", 2);
    ASSERT_FALSE(HasFatalFailure());
    for (int ply = 0; ply < 6; ++ply) {
        const int seat = model.getCurrentPlayer();
        const OrvexBoard& b = *model.getBoard();
        int cx = -1, cy = -1;
        for (int y = 0; y < b.getHeight() && cx < 0; ++y)
            for (int x = 0; x < b.getWidth() && cx < 0; ++x)
                if (b.isLegalChipMove(seat, x, y)) cx = x, cy = y;
        ASSERT_GE(cx, 0) << "no placement for seat " << seat;
        const int before = b.countPieces(seat, piece_class::kChip);
        act(left(seat, cx, cy));
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_GE(b.countPieces(seat, piece_class::kChip), before + 2) << "a placement that flipped nothing";
    }
    act(save("six.oth"));
    screenshot("e2e_oth");
}

// Checkers: steps planned so that a capture comes soon; the capture is a
// jump (and any further jump of the same chip); two plies more after it.
TEST_F(EndToEnd, CheckersTurnsWithAJump) {
    begin("chk", 3);
    ASSERT_FALSE(HasFatalFailure());
    std::vector<Step> history;
    // The engine's game after the plies so far and one more step.
    auto replay = [&](const std::vector<Step>& steps) {
        auto g = std::make_unique<TestGame>();
        g->startGame(1, 2);
        g->getBoard()->setRandomSeeds(kSeed1, kSeed2);
        for (const Step& s : steps) {
            g->actAs(s.seat);
            g->clickSquare(s.x, s.y);
        }
        return g;
    };
    int jumps = 0, after = 0;
    for (int ply = 0; ply < 14 && after < 2; ++ply) {
        const int seat = model.getCurrentPlayer();
        const int other = 3 - seat;
        const OrvexBoard& b = *model.getBoard();
        const int f = OrvexBoard::forwardStep(seat);
        std::vector<Step> plan;
        // A capture must be taken.
        for (int y = 0; y < b.getHeight() && plan.empty(); ++y)
            for (int x = 0; x < b.getWidth() && plan.empty(); ++x) {
                const OrvexPiece* p = b.getPiece(x, y);
                if (!p || !p->isA(piece_class::kChip) || p->getPlayer() != seat || !b.canCapture(x, y, seat)) continue;
                for (int dx : {-2, 2}) {
                    const OrvexPiece* land = b.pieceAt(x + dx, y + 2 * f);
                    const OrvexPiece* mid = b.pieceAt(x + dx / 2, y + f);
                    if (land && land->isBlank() && mid && mid->isA(piece_class::kChip) && mid->getPlayer() == other) {
                        plan = {left(seat, x, y), left(seat, x + dx, y + 2 * f)};
                        break;
                    }
                }
            }
        if (!plan.empty()) ++jumps;
        // Otherwise the first step after which the other seat can capture,
        // else the first step.
        std::vector<Step> first;
        for (int y = 0; y < b.getHeight() && plan.empty(); ++y)
            for (int x = 0; x < b.getWidth() && plan.empty(); ++x) {
                const OrvexPiece* p = b.pieceAt(x, y);
                if (!p || !p->isA(piece_class::kChip) || p->getPlayer() != seat) continue;
                for (int dx : {-1, 1}) {
                    const OrvexPiece* to = b.pieceAt(x + dx, y + f);
                    if (!to || !to->isBlank()) continue;
                    std::vector<Step> candidate = {left(seat, x, y), left(seat, x + dx, y + f)};
                    if (first.empty()) first = candidate;
                    std::vector<Step> trial = history;
                    trial.insert(trial.end(), candidate.begin(), candidate.end());
                    auto g = replay(trial);
                    const OrvexBoard& tb = *g->getBoard();
                    for (int ty = 0; ty < tb.getHeight() && plan.empty(); ++ty)
                        for (int tx = 0; tx < tb.getWidth() && plan.empty(); ++tx)
                            if (const OrvexPiece* q = tb.getPiece(tx, ty); q && q->isA(piece_class::kChip) &&
                                                                           q->getPlayer() == other &&
                                                                           tb.canCapture(tx, ty, other))
                                plan = candidate;
                    if (!plan.empty()) break;
                }
            }
        if (plan.empty()) plan = first;
        ASSERT_FALSE(plan.empty()) << "no move for seat " << seat;
        for (const Step& s : plan) {
            act(s);
            ASSERT_FALSE(HasFatalFailure());
            history.push_back(s);
        }
        // A jump that can go on goes on with the same chip.
        while (model.isMultiJump()) {
            const int sx = b.getSelectedX(), sy = b.getSelectedY();
            bool jumped = false;
            for (int dx : {-2, 2}) {
                const OrvexPiece* land = b.pieceAt(sx + dx, sy + 2 * f);
                const OrvexPiece* mid = b.pieceAt(sx + dx / 2, sy + f);
                if (!jumped && land && land->isBlank() && mid && mid->isA(piece_class::kChip) &&
                    mid->getPlayer() == other) {
                    const Step s = left(seat, sx + dx, sy + 2 * f);
                    act(s);
                    ASSERT_FALSE(HasFatalFailure());
                    history.push_back(s);
                    jumped = true;
                }
            }
            ASSERT_TRUE(jumped) << "a jump that should go on has nowhere to go";
        }
        if (jumps > 0) ++after;
    }
    EXPECT_GT(jumps, 0) << "no jump within the plies";
    act(save("jump.chk"));
    screenshot("e2e_chk");
}

// Checkers is a game of two, but another server may seat three: the third
// player only watches. Alice (Red) and Bob (White) each step a chip; the
// turn then goes back to Red, never to Carol, whose clicks and pass do
// nothing. Every window counts one observer, and Carol's chat names her so.
// Then Bob closes his program: the game is over for everyone, Red wins.
TEST_F(EndToEnd, CheckersSeatedThreeByAServerPlaysTwoAndOneWatches) {
    lobbySeats = {4, 4, 2, 3};
    begin("chk", 3, 3, true);
    ASSERT_FALSE(HasFatalFailure());
    for (Player& p : players) {
        EXPECT_TRUE(waitFor([&] { return p.logged("chat Observer player joined the game."); })) << p.name;
        EXPECT_TRUE(waitFor([&] { return p.logged("observers 1\n"); })) << p.name;
    }
    // The seat's first chip that can step forward, and the step.
    auto firstStep = [&](int seat) -> std::vector<Step> {
        const OrvexBoard& b = *model.getBoard();
        const int f = OrvexBoard::forwardStep(seat);
        for (int y = 0; y < b.getHeight(); ++y)
            for (int x = 0; x < b.getWidth(); ++x) {
                const OrvexPiece* p = b.getPiece(x, y);
                if (!p || !p->isA(piece_class::kChip) || p->getPlayer() != seat) continue;
                for (int dx : {-1, 1})
                    if (const OrvexPiece* to = b.pieceAt(x + dx, y + f); to && to->isBlank())
                        return {left(seat, x, y), left(seat, x + dx, y + f)};
            }
        return {};
    };
    for (int seat : {1, 2}) {
        const std::vector<Step> step = firstStep(seat);
        ASSERT_FALSE(step.empty()) << "no step for seat " << seat;
        play(step);
        ASSERT_FALSE(HasFatalFailure());
    }
    ASSERT_EQ(model.getCurrentPlayer(), 1);
    // Carol presses Pass and clicks one of Red's chips that could step:
    // neither is hers to do. Her program has taken both once her log shows
    // the click; then Red plays on.
    const std::vector<Step> red = firstStep(1);
    ASSERT_FALSE(red.empty());
    const Player& carol = players[2];
    const std::size_t before = carol.log().size();
    play({pass(3), left(3, red[0].x, red[0].y)});
    ASSERT_FALSE(HasFatalFailure());
    const std::string click = "x,y " + std::to_string(red[0].x) + "," + std::to_string(red[0].y) + "\n";
    ASSERT_TRUE(waitFor([&] { return carol.log().find(click, before) != std::string::npos; }))
        << "Carol's click did not reach her board";
    for (Player& p : players) EXPECT_EQ(p.lastState(), viewStateLine(model)) << p.name;
    screenshot("e2e_chk_three_after_white");
    play(red);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(model.getCurrentPlayer(), 2);

    play({close(2)});
    ASSERT_FALSE(HasFatalFailure());
    for (Player& p : present()) EXPECT_TRUE(p.logged("chat White player quit the game.")) << p.name;
    expectGameOver("GAME OVER - Red wins.");
    screenshot("e2e_chk_three_over");
}

// The game server goes away in the middle of a game and comes back on the
// same ports: both programs end the game with a line in the chat, log in
// again by themselves, find each other in the new lobby and play a new
// game.
TEST_F(EndToEnd, AServerRestartEndsTheGameAndBothPlayersMeetAgain) {
    begin("kv", 1);
    ASSERT_FALSE(HasFatalFailure());
    play({left(1, 7, 8), left(1, 6, 7)});
    ASSERT_FALSE(HasFatalFailure());

    std::vector<int> ports;
    for (int i = 0; i < server->lobbyCount(); ++i) ports.push_back(server->port(i));
    server->stop();
    for (Player& p : players) {
        ASSERT_TRUE(waitFor([&] { return p.logged("chat Connection to the game server lost; the game ended.\n"); }))
            << p.name << " still plays";
        p.markLog();
    }
    screenshot("e2e_server_gone");

    standin::GameServerOptions o;
    o.ports = ports;
    o.seed1 = kSeed1;
    o.seed2 = kSeed2;
    server = std::make_unique<standin::GameServer>(o);
    ASSERT_TRUE(server->start());
    for (Player& p : players)
        ASSERT_TRUE(waitFor([&] { return p.logged("incmd:LA " + p.name + "\n"); })) << p.name << " not in the lobby";
    ASSERT_TRUE(waitFor([&] { return server->lobbyNames(0).size() == 2; }));
    // Seats go in lobby order: whoever came back first is seat 1 now.
    if (server->lobbyNames(0)[0] != players[0].name) std::swap(players[0], players[1]);
    players[0].seat = 1;
    players[1].seat = 2;
    // The lobby still tells of the lost game in its first line.
    meet(false, 1);
    ASSERT_FALSE(HasFatalFailure());
    startModel("kv");
    ASSERT_FALSE(HasFatalFailure());
    play({left(1, 7, 8), left(1, 6, 7), left(2, 3, 2), middle(2, 3, 2), save("again.kv")});
    screenshot("e2e_server_back");
}

}  // namespace
