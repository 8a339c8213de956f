// The board window on a display (Xvfb with Mesa's software OpenGL): what
// each style's default board shows at chosen cells (read back from the
// drawn frame, with a tolerance), clicks by pointer at each cell's drawn
// centre, animations that finish while the window is hidden, resizing, and
// closing the board window and the main window in either order.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/image/image.h"
#include "framework/image/png.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/board/piece.h"
#include "game/view/boardcore.h"
#include "game/view/colours.h"
#include "game/view/tests/view_support.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using testing_support::waitFor;
using view_test::ScreenPoint;
using view_test::squareLayerPoint;
using view_test::ViewOwnerCore;

namespace {

using Colour = std::array<int, 3>;

Colour toBytes(const Rgba& c) {
    auto b = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return {b(c.r), b(c.g), b(c.b)};
}

// What a flat polygon of that material looks like under the scene's light.
Colour lit(const Rgba& material) { return toBytes(litColour(material)); }

bool near(const Colour& a, const Colour& b, int tolerance) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    return true;
}

std::string text(const Colour& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

// One frame of the view, read back: pixel (x, y) counted from the top left.
struct Frame {
    ViewPixels pixels;
    Colour at(int x, int y) const {
        const int row = pixels.height - 1 - y;
        const uint8_t* p =
            &pixels.bytes[static_cast<std::size_t>(row) * pixels.rowBytes + static_cast<std::size_t>(x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < pixels.width && y < pixels.height; }
    // True when a pixel within `radius` of (x, y) has the colour.
    bool hasNear(int x, int y, const Colour& want, int tolerance, int radius, Colour* seen) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (inside(x + dx, y + dy) && near(at(x + dx, y + dy), want, tolerance)) return true;
        if (seen && inside(x, y)) *seen = at(x, y);
        return false;
    }
    int count(const std::function<bool(const Colour&)>& test) const {
        int n = 0;
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) n += test(at(x, y));
        return n;
    }
    // With VURN_SHOT_DIR set, saves the frame for a person to look at.
    void save(const std::string& name) const {
        const char* dir = std::getenv("VURN_SHOT_DIR");
        if (!dir) return;
        Image image;
        image.iWidth = pixels.width;
        image.iHeight = pixels.height;
        image.iPixels24.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 3);
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                const Colour c = at(x, y);
                for (int i = 0; i < 3; ++i)
                    image.iPixels24[(static_cast<std::size_t>(y) * pixels.width + x) * 3 + i] =
                        static_cast<uint8_t>(c[i]);
            }
        EXPECT_EQ(savePNG((std::string(dir) + "/" + name + ".png").c_str(), image.saveRecord(), 0), "");
    }
};

class BoardViewTest : public ::testing::Test {
protected:
    BoardViewTest() { env.folder.copyFromSource("data/boards", "boards"); }

    // The main core stand-in and its board view on a default board, after
    // the view's first frame.
    void open(const std::string& style) {
        owner = new ViewOwnerCore();
        view_test::startOnDefaultBoard(owner->game, style);
        owner->settings.orbitKZV = 0;  // the tumbling mark could cover any cell
        owner->settings.wiggle = 0;
        view = owner->openView();
        ASSERT_TRUE(waitFor([&] { return view->glWindow()->paintCount() > 0; }));
        resizeTo(view->frame(), 512, 512);
        ASSERT_TRUE(waitFor([&] { return view->glWindow()->width() == 512 && view->glWindow()->height() == 512; }));
    }
    OrvexBoard& board() { return *owner->game.getBoard(); }
    Frame frame() {
        Frame f;
        EXPECT_TRUE(view->readPixels(&f.pixels));
        return f;
    }
    // Where the centre of cell (x, y), or a point of it in cell units, is
    // drawn now.
    ScreenPoint point(float x, float y) {
        return squareLayerPoint(board().getWidth(), board().getHeight(), x, y, owner->camera.angle,
                                view->glWindow()->width(), view->glWindow()->height());
    }
    // A border cell lies half outside the view: its inner part.
    void expectBorderColour(const Frame& f, int x, int y, const Colour& want, int tolerance, const char* what) {
        const int W = board().getWidth(), H = board().getHeight();
        const float fx = x == 0 ? 0.4f : x == W - 1 ? x - 0.4f : static_cast<float>(x);
        const float fy = y == 0 ? 0.4f : y == H - 1 ? y - 0.4f : static_cast<float>(y);
        expectColour(f, fx, fy, want, tolerance, what);
    }
    void expectColour(const Frame& f, float x, float y, const Colour& want, int tolerance, const char* what) {
        const ScreenPoint p = point(x, y);
        Colour seen{-1, -1, -1};
        EXPECT_TRUE(f.hasNear(static_cast<int>(p.x), static_cast<int>(p.y), want, tolerance, 1, &seen))
            << what << " at cell " << x << "," << y << " (pixel " << p.x << "," << p.y << "): want " << text(want)
            << " seen " << text(seen);
    }
    // Clicks the window titled "... Game Matrix" at view points, as a
    // person would, and waits until every click reached the owner.
    void click(const std::vector<ScreenPoint>& points, int button = 1) {
        std::string cmd = "xdotool search --name 'Game Matrix$'";
        std::string windows = view_test::commandOutput(cmd);
        ASSERT_FALSE(windows.empty()) << "no window titled Game Matrix";
        const std::string id = windows.substr(0, windows.find('\n'));
        const std::size_t before = owner->clicks.size();
        // The pointer goes over the window first and the window takes note,
        // as a person's hand would; a press in the same instant as the
        // pointer's entry can be lost on the way.
        ASSERT_EQ(
            std::system(("xdotool mousemove --window " + id + " " + std::to_string(static_cast<int>(points.front().x)) +
                         " " + std::to_string(static_cast<int>(points.front().y)))
                            .c_str()),
            0);
        platform::ui::processEvents(0.2);
        std::string chain = "xdotool";
        for (const ScreenPoint& p : points)
            chain += " mousemove --window " + id + " " + std::to_string(static_cast<int>(p.x)) + " " +
                     std::to_string(static_cast<int>(p.y)) + " click --delay 0 " + std::to_string(button);
        ASSERT_EQ(std::system(chain.c_str()), 0);
        ASSERT_TRUE(waitFor([&] { return owner->clicks.size() >= before + points.size(); }))
            << owner->clicks.size() - before << " of " << points.size() << " clicks arrived";
    }

    testing_support::CoreEnvironment env;
    ViewOwnerCore* owner = nullptr;
    OrvexBoardCore* view = nullptr;
};

const Colour kBlack{0, 0, 0};

TEST_F(BoardViewTest, ClassicBoardGridPiecesBeamAndTurnIndicator) {
    open("kv");
    const Rgba grid = scaled(scene_colour::kGridBlue, 0.49f);
    Frame f = frame();
    f.save("board_kv");
    expectColour(f, 5, 5, kBlack, 4, "an empty cell");
    expectColour(f, 4.5f, 5, lit(grid), 12, "the grid line between two cells");
    expectColour(f, 5, 4.5f, lit(grid), 12, "the grid line between two rows");
    expectColour(f, 5, 9, lit({0.5f, 0.2f, 0.2f, 1}), 8, "seat 1's king, dark red");
    expectColour(f, 5, 1, lit({0.2f, 0.5f, 0.2f, 1}), 8, "seat 2's king, dark green");
    expectColour(f, 2, 8, lit({0.5f, 0.2f, 0.2f, 1}), 8, "seat 1's firing piece");
    expectBorderColour(f, 0, 5, kBlack, 4, "the border, no indicator while out of a game");

    // Seat 1's firing piece at (2, 8) shoots up its column to the wall.
    owner->game.clickSquare(2, 8);
    owner->game.fireSelected();
    ASSERT_NE(board().iBeamPasses[2][4], 0);
    // While in a game and on the local player's turn, the border lights.
    owner->inGame = 1;
    f = frame();
    f.save("board_kv_beam");
    for (int y = 2; y <= 7; ++y) {
        const ScreenPoint p = point(2, static_cast<float>(y));
        const Colour c = f.at(static_cast<int>(p.x), static_cast<int>(p.y));
        // Beam blue times a flicker of 0.7 to 1.0.
        EXPECT_TRUE(c[2] >= 240 && c[0] >= 65 && c[0] <= 118 && std::abs(c[0] - c[1]) <= 4)
            << "the beam at 2," << y << " seen " << text(c);
    }
    expectColour(f, 3, 4, kBlack, 4, "beside the beam");
    const Colour tint = lit(scene_colour::kSeatTint[1]);
    for (auto [x, y] : {std::pair{0, 5}, {10, 0}, {5, 10}, {10, 7}})
        expectBorderColour(f, x, y, tint, 8, "turn indicator");
    owner->game.completeFireAndNotify();
}

TEST_F(BoardViewTest, AdvancedBoardSelectionAndTheEndOfGameStar) {
    open("gkv");
    Frame f = frame();
    f.save("board_gkv");
    expectColour(f, 6, 11, lit({0.5f, 0.2f, 0.2f, 1}), 8, "seat 1's king");
    expectColour(f, 6, 1, lit({0.2f, 0.5f, 0.2f, 1}), 8, "seat 2's king");
    expectColour(f, 6, 6, kBlack, 4, "the hyper hole's middle");

    // The selected square lights in the seat's tint around the piece.
    owner->game.clickSquare(6, 11);
    ASSERT_EQ(board().getSelectedX(), 6);
    f = frame();
    expectColour(f, 6.4f, 11.4f, lit(scene_colour::kSeatTint[1]), 8, "the selected square");
    expectColour(f, 6, 11, lit({0.5f, 0.2f, 0.2f, 1}), 8, "the selected king over it");
    owner->game.clickSquare(6, 11);

    // A shot from seat 1's firing piece at (2, 10) up its column.
    owner->game.clickSquare(2, 10);
    owner->game.fireSelected();
    ASSERT_NE(board().iBeamPasses[2][5], 0);
    f = frame();
    f.save("board_gkv_beam");
    const ScreenPoint beam = point(2, 5);
    const Colour c = f.at(static_cast<int>(beam.x), static_cast<int>(beam.y));
    EXPECT_TRUE(c[2] >= 240 && c[0] >= 65 && c[0] <= 118) << "the beam, seen " << text(c);
    owner->game.completeFireAndNotify();

    // At the game's table, on the local player's turn, the border lights.
    owner->inGame = 1;
    const Colour tint = lit(scene_colour::kSeatTint[1]);
    expectBorderColour(frame(), 0, 6, tint, 8, "turn indicator");

    // Seat 2's king goes: the star of seat 1 bursts from the king left, and
    // although seat 1 is still the current seat, the game is over: the
    // border lights no more.
    board().replaceWithBlank(6, 1);
    owner->game.checkGameOver();
    ASSERT_EQ(board().iGameOver, 1);
    ASSERT_EQ(owner->game.getCurrentPlayer(), owner->game.getMySeat());
    f = frame();
    f.save("board_gkv_game_over");
    const Colour star = lit(scene_colour::kStar[1]);
    auto starPixels = [&](const Frame& fr) { return fr.count([&](const Colour& c) { return near(c, star, 10); }); };
    EXPECT_GT(starPixels(f), 500);
    const int W = board().getWidth(), H = board().getHeight();
    int litBorder = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (x != 0 && y != 0 && x != W - 1 && y != H - 1) continue;
            const ScreenPoint p = point(x == 0       ? 0.4f
                                        : x == W - 1 ? x - 0.4f
                                                     : static_cast<float>(x),
                                        y == 0       ? 0.4f
                                        : y == H - 1 ? y - 0.4f
                                                     : static_cast<float>(y));
            litBorder += f.inside(static_cast<int>(p.x), static_cast<int>(p.y)) &&
                         near(f.at(static_cast<int>(p.x), static_cast<int>(p.y)), tint, 8);
        }
    EXPECT_EQ(litBorder, 0) << "border cells in the turn indicator's tint after the game's end";

    // The player has left the table (Quit): the board shows no star.
    owner->inGame = 0;
    f = frame();
    f.save("board_gkv_left_after_game_over");
    EXPECT_EQ(starPixels(f), 0);
}

// A game ended by leaving: the leaver's king stays on the board, but the
// star is the winner's and bursts from the winner's king.
TEST_F(BoardViewTest, TheEndOfGameStarOfALeftGameBurstsFromTheWinnersKing) {
    open("gkv");
    owner->inGame = 1;        // the player is still at the game's table
    owner->game.seatLeft(1);  // Red leaves; Green wins
    ASSERT_EQ(board().iGameOver, 1);
    ASSERT_EQ(owner->game.getWinner(), 2);
    const Frame f = frame();
    f.save("board_gkv_left_game_over");
    const Colour green = lit(scene_colour::kStar[2]), red = lit(scene_colour::kStar[1]);
    // Star pixels within a cell of a king's centre.
    auto around = [&](int x, int y, const Colour& want) {
        const ScreenPoint c = point(static_cast<float>(x), static_cast<float>(y));
        const int reach = 512 / board().getWidth();
        int n = 0;
        for (int py = static_cast<int>(c.y) - reach; py <= static_cast<int>(c.y) + reach; ++py)
            for (int px = static_cast<int>(c.x) - reach; px <= static_cast<int>(c.x) + reach; ++px)
                n += f.inside(px, py) && near(f.at(px, py), want, 10);
        return n;
    };
    EXPECT_GT(f.count([&](const Colour& c) { return near(c, green, 10); }), 500);
    EXPECT_EQ(f.count([&](const Colour& c) { return near(c, red, 10); }), 0) << "a star in the leaver's colour";
    const int atWinner = around(6, 1, green), atLeaver = around(6, 11, green);
    EXPECT_GT(atWinner, 3 * atLeaver) << "star pixels at Green's king " << atWinner << ", at Red's " << atLeaver;
}

TEST_F(BoardViewTest, ReversiCheckerSquaresChipsAndIndicatorOverTheSquares) {
    open("oth");
    owner->inGame = 1;  // local seat 1 has the turn
    Frame f = frame();
    f.save("board_oth");
    const Colour light = lit(scaled(scene_colour::kCheckerLight, 0.49f));
    const Colour dark = lit(scaled(scene_colour::kCheckerDark, 0.49f));
    expectColour(f, 1, 1, light, 6, "a light checker square");
    expectColour(f, 2, 1, dark, 6, "a dark checker square");
    expectColour(f, 4, 4, lit({0.6f, 0.6f, 0.6f, 1}), 8, "a white chip");
    expectColour(f, 5, 4, lit({0.1f, 0.1f, 0.1f, 1}), 6, "a black chip");
    // The indicator lies in the squares' plane and shows over them.
    const Colour tint = lit(scene_colour::kReversiTint[1]);
    for (auto [x, y] : {std::pair{0, 0}, {0, 3}, {9, 4}, {5, 9}})
        expectBorderColour(f, x, y, tint, 6, "turn indicator");
}

TEST_F(BoardViewTest, CheckersSquaresChipsAndSelection) {
    open("chk");
    owner->inGame = 1;
    Frame f = frame();
    f.save("board_chk");
    expectColour(f, 2, 1, lit({0.5f, 0.2f, 0.2f, 1}), 8, "a red chip");
    expectColour(f, 1, 6, lit({0.6f, 0.6f, 0.6f, 1}), 8, "a white chip");
    expectBorderColour(f, 0, 4, lit(scene_colour::kSeatTint[1]), 8, "turn indicator of seat 1");
    owner->game.clickSquare(2, 3);
    ASSERT_EQ(board().getSelectedX(), 2);
    f = frame();
    expectColour(f, 2.42f, 3.42f, lit(scene_colour::kSeatTint[1]), 8, "the selected square's corner");
    expectColour(f, 2, 3, lit({0.5f, 0.2f, 0.2f, 1}), 8, "the selected chip");
}

// A click at the drawn centre of every cell picks that cell, straight and
// turned, mid-turn, and on a window twice as wide as high.
TEST_F(BoardViewTest, AClickAtEachCellsDrawnCentrePicksThatCell) {
    open("gkv");
    const int W = board().getWidth(), H = board().getHeight();
    auto clickCells = [&](const std::vector<BoardCell>& cells) {
        std::vector<ScreenPoint> points;
        std::vector<BoardCell> wanted;
        for (const BoardCell& c : cells) {
            const ScreenPoint p = point(static_cast<float>(c.x), static_cast<float>(c.y));
            if (p.x < 0 || p.y < 0 || p.x >= view->glWindow()->width() || p.y >= view->glWindow()->height()) continue;
            points.push_back(p);
            wanted.push_back(c);
        }
        owner->clicks.clear();
        click(points);
        ASSERT_EQ(owner->clicks.size(), wanted.size());
        for (std::size_t i = 0; i < wanted.size(); ++i)
            EXPECT_EQ(owner->clicks[i], wanted[i])
                << "angle " << owner->camera.angle << " cell " << wanted[i].x << "," << wanted[i].y << " picked "
                << owner->clicks[i].x << "," << owner->clicks[i].y;
    };
    std::vector<BoardCell> every, some;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            every.push_back({x, y});
            if (x == y || x + y == W - 1 || x == 1 || y == H - 2) some.push_back({x, y});
        }
    clickCells(every);
    for (int angle : {90, 180, 270, 345}) {
        owner->camera = {angle, 0};
        clickCells(some);
    }
    // Mid-turn: the cell under the pointer follows the angle now drawn.
    owner->camera = {0, 40};
    ASSERT_TRUE(waitFor([&] { return owner->camera.angle != 0 && owner->camera.angle <= 350; }));
    owner->camera.pending = 0;
    clickCells(some);

    owner->camera = {0, 0};
    resizeTo(view->frame(), 640, 320);
    ASSERT_TRUE(waitFor([&] { return view->glWindow()->width() == 640 && view->glWindow()->height() == 320; }));
    clickCells(every);
}

TEST_F(BoardViewTest, TheRoutesOfTheOtherButtonsTurnAndFire) {
    open("kv");
    owner->forwardClicks = true;
    const ScreenPoint piece = point(2, 8);
    click({piece});  // selects seat 1's firing piece
    ASSERT_EQ(board().getSelectedX(), 2);
    const int direction = board().getPiece(2, 8)->iDirection;
    // The right button turns it.
    std::string id = view_test::commandOutput("xdotool search --name 'Game Matrix$'");
    id = id.substr(0, id.find('\n'));
    ASSERT_EQ(std::system(("xdotool mousemove --window " + id + " " + std::to_string(int(piece.x)) + " " +
                           std::to_string(int(piece.y)) + " click 3")
                              .c_str()),
              0);
    ASSERT_TRUE(waitFor([&] { return board().getPiece(2, 8)->iDirection != direction; }));
    EXPECT_EQ(board().getPiece(2, 8)->iDirection, (direction + 2) % 8);  // a quarter on the classic board
    // Turned back and fired with the middle button: the beam runs while it
    // is held and the shot is completed when it is let go.
    owner->game.rotateSelectedPiece(true);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + id + " " + std::to_string(int(piece.x)) + " " +
                           std::to_string(int(piece.y)) + " mousedown 2")
                              .c_str()),
              0);
    ASSERT_TRUE(waitFor([&] { return board().iBeamPasses[2][4] != 0; }));
    EXPECT_EQ(owner->game.isFirePending(), 1);
    ASSERT_EQ(std::system("xdotool mouseup 2"), 0);
    ASSERT_TRUE(waitFor([&] { return owner->game.isFirePending() == 0; }));
    EXPECT_EQ(board().iBeamPasses[2][4], 0);
}

// The animations advance on the window's timer whether or not it paints:
// a hidden board window still finishes a teleport, and the game goes on.
TEST_F(BoardViewTest, AHiddenBoardWindowStillFinishesAnAnimation) {
    open("gkv");
    board().putPiece(std::make_unique<OrvexMirror>(&board(), 6, 7, 1));
    owner->game.clickSquare(6, 7);
    owner->game.clickSquare(6, 6);  // onto the hyper hole
    ASSERT_EQ(owner->game.getAnimSequence(), 1);
    view->frame()->platformFrame()->hide();
    ASSERT_TRUE(waitFor([&] { return !view->glWindow()->shown() || !view->frame()->platformFrame()->visible(); }));
    const int paints = view->glWindow()->paintCount();
    const int ticks = view->tickCount();
    EXPECT_TRUE(waitFor([&] { return owner->game.getAnimSequence() == 0; }));
    EXPECT_GE(view->tickCount() - ticks, 30);
    EXPECT_EQ(view->glWindow()->paintCount(), paints);
    EXPECT_EQ(board().getPiece(6, 7)->isA(piece_class::kBlank), 1);  // it went elsewhere
}

TEST_F(BoardViewTest, TheCameraTurnsOnTheTimerAndTheViewFollowsItsWindow) {
    open("kv");
    EXPECT_EQ(view->frame()->title(), "Tarvelon Orvex Chess - Game Matrix");
    owner->camera.pending = 180;  // two "rotate right" choices
    ASSERT_TRUE(waitFor([&] { return owner->camera.pending == 0; }));
    EXPECT_EQ(owner->camera.angle, 180);
    Frame f = frame();
    // Turned half round: seat 1's king is drawn where seat 2's was.
    expectColour(f, 5, 9, lit({0.5f, 0.2f, 0.2f, 1}), 8, "seat 1's king, turned");
    EXPECT_LT(point(5, 9).y, 256.0f);

    resizeTo(view->frame(), 400, 300);
    ASSERT_TRUE(waitFor([&] { return view->glWindow()->width() == 400 && view->glWindow()->height() == 300; }));
    f = frame();
    EXPECT_EQ(f.pixels.width, 400);
    EXPECT_EQ(f.pixels.height, 300);
    EXPECT_EQ(f.pixels.rowBytes, 1200);
    expectColour(f, 5, 9, lit({0.5f, 0.2f, 0.2f, 1}), 8, "seat 1's king after the resize");
}

TEST_F(BoardViewTest, SnapshotRowsArePaddedToFourBytes) {
    open("kv");
    resizeTo(view->frame(), 21, 40);  // frames are at least 20 wide
    ASSERT_TRUE(waitFor([&] { return view->glWindow()->width() == 21; }));
    Frame f = frame();
    EXPECT_EQ(f.pixels.width, 21);
    EXPECT_EQ(f.pixels.height, 40);
    EXPECT_EQ(f.pixels.rowBytes, 64);  // 63 bytes of pixels
    EXPECT_EQ(f.pixels.bytes.size(), 64u * 40u);
}

TEST_F(BoardViewTest, TheOrbitingMarkShowsOnBeamBoards) {
    open("kv");
    Frame without = frame();
    owner->settings.orbitKZV = 1;
    const int ticks = view->tickCount();
    ASSERT_TRUE(waitFor([&] { return view->tickCount() > ticks + 10; }));
    Frame with = frame();
    int differ = 0;
    for (int y = 0; y < with.pixels.height; ++y)
        for (int x = 0; x < with.pixels.width; ++x) differ += with.at(x, y) != without.at(x, y);
    EXPECT_GT(differ, 200);
    with.save("board_kv_mark");
}

TEST_F(BoardViewTest, ClosingTheBoardWindowClosesTheMainWindowOnce) {
    open("kv");
    const int before = ViewOwnerCore::destructorRuns;
    view->frame()->platformFrame()->requestClose();
    ASSERT_TRUE(waitFor([&] { return platform::ui::Frame::liveCount() == 0; }));
    EXPECT_EQ(ViewOwnerCore::destructorRuns, before + 1);
    EXPECT_EQ(coreLibrary->count(), 0);
}

TEST_F(BoardViewTest, DestroyingTheMainCoreFirstClosesEverythingOnce) {
    open("kv");
    const int before = ViewOwnerCore::destructorRuns;
    delete owner;  // as at shut-down: the main core deletes every other core
    owner = nullptr;
    ASSERT_TRUE(waitFor([&] { return platform::ui::Frame::liveCount() == 0; }));
    EXPECT_EQ(ViewOwnerCore::destructorRuns, before + 1);
    EXPECT_EQ(coreLibrary->count(), 0);
}

}  // namespace
