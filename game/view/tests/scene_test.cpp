// The view's animation steps and colours, without a display: the camera
// turn, the wiggle, the fades, the mark's orbit, the board's animations
// driven by the view's step, and the colour pairs of the pieces.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/app/options.h"
#include "game/board/board.h"
#include "game/board/piece.h"
#include "game/view/colours.h"
#include "game/view/scene.h"
#include "game/view/tests/view_support.h"
#include "testing/program_folder.h"

using view_test::TestGame;

namespace {

struct TurnCase {
    int angle, pending;
    std::vector<int> first;  // the angles after the first steps
    int steps, finalAngle;   // after this many steps the turn is done
};

TEST(CameraTurn, StepsFiveDegreesAndEndsOnItsTarget) {
    const TurnCase cases[] = {
        {0, 90, {355, 350, 345}, 18, 270},                                      // rotate right: clockwise on screen
        {0, -90, {5, 10, 15}, 18, 90},                                          // rotate left
        {0, 180, {355, 350}, 36, 180},                                          // two rotate-rights in a row
        {270, 90, {265}, 18, 180},         {350, -20, {355, 0, 5, 10}, 4, 10},  // across 359 -> 0
        {3, 7, {358, 356}, 2, 356},                               // not a multiple of 5: the last step is 2
        {0, -12, {5, 10, 12}, 3, 12},      {45, 0, {45}, 0, 45},  // nothing pending: nothing moves
    };
    for (const TurnCase& c : cases) {
        CameraTurn cam{c.angle, c.pending};
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            cam.step();
            EXPECT_EQ(cam.angle, c.first[i]) << c.angle << " " << c.pending << " step " << i + 1;
        }
        cam = {c.angle, c.pending};
        for (int i = 0; i < c.steps; ++i) {
            EXPECT_TRUE(cam.turning());
            cam.step();
        }
        EXPECT_EQ(cam.angle, c.finalAngle) << c.angle << " " << c.pending;
        EXPECT_EQ(cam.pending, 0);
        cam.step();  // and it stays there
        EXPECT_EQ(cam.angle, c.finalAngle);
    }
}

TEST(FadeFactor, DarkensThenBrightens) {
    EXPECT_FLOAT_EQ(fadeFactor(1), 20.0f / 21.0f);
    EXPECT_FLOAT_EQ(fadeFactor(10), 11.0f / 21.0f);
    EXPECT_FLOAT_EQ(fadeFactor(20), 1.0f / 21.0f);
    EXPECT_FLOAT_EQ(fadeFactor(21), 1.0f / 21.0f);
    EXPECT_FLOAT_EQ(fadeFactor(39), 19.0f / 21.0f);
}

TEST(ScaleColour, AllFourComponents) {
    Rgba out;
    scaleColour({0.2f, 0.4f, 1.0f, 1.0f}, &out, 0.5f);
    EXPECT_EQ(out, (Rgba{0.1f, 0.2f, 0.5f, 0.5f}));
}

// A program folder with the shipped default boards and an options store.
class ViewGameTest : public ::testing::Test {
protected:
    ViewGameTest() {
        folder.copyFromSource("data/boards", "boards");
        options = &store;
    }
    ~ViewGameTest() override { options = nullptr; }
    OrvexBoard& board() { return *game.getBoard(); }

    testing_support::ProgramFolder folder;
    Options store;
    TestGame game;
    CameraTurn camera;
    SceneState scene;
};

struct ColourCase {
    const char* style;
    int seat;
    int hit;
    Rgba dark, light;
};

TEST_F(ViewGameTest, ColourPairsByStyleSeatAndHit) {
    const Rgba red{0.5f, 0.2f, 0.2f, 1}, redL{1.0f, 0.5f, 0.5f, 1};
    const Rgba green{0.2f, 0.5f, 0.2f, 1}, greenL{0.5f, 1.0f, 0.5f, 1};
    const Rgba blue{0.2f, 0.2f, 0.5f, 1}, blueL{0.5f, 0.5f, 1.0f, 1};
    const Rgba purple{0.5f, 0.2f, 0.5f, 1}, purpleL{1.0f, 0.5f, 1.0f, 1};
    const Rgba white{1, 1, 1, 1};
    const Rgba black{0.1f, 0.1f, 0.1f, 1}, blackL{0.5f, 0.5f, 0.5f, 1};
    const Rgba grey{0.6f, 0.6f, 0.6f, 1};
    const ColourCase cases[] = {
        {"gkv", 1, 0, red, redL},       {"gkv", 2, 0, green, greenL}, {"gkv", 3, 0, blue, blueL},
        {"gkv", 4, 0, purple, purpleL}, {"gkv", 0, 0, blue, blueL},   {"kv", 1, 1, white, white},
        {"kv", 4, 1, white, white},     {"oth", 1, 0, black, blackL}, {"oth", 1, 1, black, blackL},
        {"oth", 2, 0, grey, white},     {"oth", 2, 1, grey, white},   {"oth", 3, 1, white, white},
        {"chk", 1, 0, red, redL},       {"chk", 1, 1, red, redL},     {"chk", 2, 0, grey, white},
        {"chk", 3, 0, blue, blueL},
    };
    for (const ColourCase& c : cases) {
        view_test::startOnDefaultBoard(game, c.style);
        OrvexChip chip(&board(), 1, 1, c.seat);
        chip.iHit = c.hit;
        const ColourPair got = pieceColours(board(), chip);
        EXPECT_EQ(got.dark, c.dark) << c.style << " seat " << c.seat << " hit " << c.hit;
        EXPECT_EQ(got.light, c.light) << c.style << " seat " << c.seat << " hit " << c.hit;
    }
}

TEST_F(ViewGameTest, TurnIndicatorTints) {
    struct Case {
        const char* style;
        int seat;
        Rgba tint;
    } cases[] = {
        {"gkv", 1, {0.3f, 0.1f, 0.1f, 0.3f}}, {"gkv", 4, {0.3f, 0.1f, 0.3f, 0.3f}},
        {"oth", 1, {0.1f, 0.1f, 0.1f, 1.0f}}, {"oth", 2, {0.5f, 0.5f, 0.5f, 1.0f}},
        {"oth", 3, {0.1f, 0.1f, 0.3f, 0.3f}}, {"chk", 1, {0.3f, 0.1f, 0.1f, 0.3f}},
        {"chk", 2, {0.5f, 0.5f, 0.5f, 1.0f}}, {"chk", 4, {0.3f, 0.1f, 0.3f, 0.3f}},
    };
    for (const Case& c : cases) {
        view_test::startOnDefaultBoard(game, c.style);
        EXPECT_EQ(turnIndicatorTint(board(), c.seat), c.tint) << c.style << " " << c.seat;
    }
}

TEST_F(ViewGameTest, WiggleSwingsBetweenMinusAndPlusTwenty) {
    view_test::startOnDefaultBoard(game, "gkv");
    OrvexPiece* king = board().getPiece(6, 11);
    ASSERT_TRUE(king && king->isA(piece_class::kKing));
    king->iWigglePhase = 18;
    king->iWiggleStep = 1;
    std::vector<int> phases;
    for (int i = 0; i < 5; ++i) {
        advanceScene(&game, camera, scene);
        phases.push_back(king->iWigglePhase);
    }
    EXPECT_EQ(phases, (std::vector<int>{19, 20, 19, 18, 17}));
    int low = 0, high = 0;
    for (int i = 0; i < 200; ++i) {
        advanceScene(&game, camera, scene);
        low = std::min(low, king->iWigglePhase);
        high = std::max(high, king->iWigglePhase);
    }
    EXPECT_EQ(low, -20);
    EXPECT_EQ(high, 20);
}

TEST_F(ViewGameTest, EachStepTurnsTheCameraAndOrbitsTheMark) {
    view_test::startOnDefaultBoard(game, "kv");
    camera.pending = 90;
    for (int i = 0; i < 18; ++i) advanceScene(&game, camera, scene);
    EXPECT_EQ(camera.angle, 270);
    EXPECT_FLOAT_EQ(scene.orbitA, 90.0f);
    EXPECT_FLOAT_EQ(scene.orbitB, 324.0f);
    EXPECT_FLOAT_EQ(scene.orbitC, 198.0f);
    for (int i = 0; i < 72; ++i) advanceScene(&game, camera, scene);  // 90 steps in all
    EXPECT_FLOAT_EQ(scene.orbitA, 90.0f);                             // 450 -> 90
    EXPECT_FLOAT_EQ(scene.orbitB, 180.0f);
    EXPECT_FLOAT_EQ(scene.orbitC, 270.0f);
    // Without a game, only the camera and the mark move.
    camera.pending = -10;
    advanceScene(nullptr, camera, scene);
    EXPECT_EQ(camera.angle, 275);
}

// A piece moved onto a hyper hole teleports: the view's steps alone run the
// whole animation, about 40 steps, to its end, and the game takes actions again.
TEST_F(ViewGameTest, TheViewsStepsFinishATeleport) {
    view_test::startOnDefaultBoard(game, "gkv");
    game.actAs(1);
    // The advanced board's hyper holes lie in its sixth row.
    int hx = -1, hy = -1;
    for (int y = 0; y < board().getHeight() && hx < 0; ++y)
        for (int x = 0; x < board().getWidth(); ++x)
            if (board().getOverlay(x, y) && board().getOverlay(x, y)->isA(piece_class::kHyperHole)) {
                hx = x;
                hy = y;
                break;
            }
    ASSERT_GE(hx, 0);
    // A seat-1 mirror placed next to it steps onto it.
    board().putPiece(std::make_unique<OrvexMirror>(&board(), hx, hy + 1, 1));
    game.clickSquare(hx, hy + 1);
    game.clickSquare(hx, hy);
    ASSERT_EQ(game.getAnimSequence(), 1);
    OrvexPiece* mirror = board().getPiece(hx, hy + 1);
    ASSERT_TRUE(mirror && mirror->isA(piece_class::kMirror));
    ASSERT_GT(mirror->iTeleportStep, 0);
    int steps = 0;
    while (game.getAnimSequence() != 0 && steps < 100) {
        advanceScene(&game, camera, scene);
        ++steps;
    }
    EXPECT_EQ(game.getAnimSequence(), 0);
    EXPECT_GE(steps, 30);  // about 40 frames: two seconds at 20 a second
    EXPECT_LE(steps, 40);
    EXPECT_EQ(mirror->iTeleportStep, 0);
    EXPECT_NE(board().getPiece(mirror->iX, mirror->iY), nullptr);
}

// A chip flip narrows the chip to nothing, changes its owner half-way and
// widens it again; then the game takes actions again.
TEST_F(ViewGameTest, TheViewsStepsRunAChipFlip) {
    view_test::startOnDefaultBoard(game, "oth");
    game.actAs(1);
    // Seat 1 (black) places above the white chip at (4, 4), which lies on
    // a black one at (4, 5).
    ASSERT_TRUE(board().isLegalChipMove(1, 4, 3));
    game.clickSquare(4, 3);
    OrvexPiece* turned = board().getPiece(4, 4);
    ASSERT_TRUE(turned && turned->isA(piece_class::kChip));
    ASSERT_NE(turned->iFlipSpeed, 0);
    ASSERT_NE(game.getAnimSequence(), 0);
    const int before = turned->iPlayer;
    bool changed = false;
    for (int i = 0; i < 400 && game.getAnimSequence() != 0; ++i) {
        advanceScene(&game, camera, scene);
        changed = changed || turned->iPlayer != before;
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(game.getAnimSequence(), 0);
    EXPECT_EQ(turned->iFlipProgress, 0);
    EXPECT_EQ(turned->iPlayer, 1);
}

// The cell of the seat's king (the last in reading order); -1, -1 when it
// has none.
BoardCell kingOf(const OrvexBoard& b, int seat) {
    BoardCell at{-1, -1};
    for (int y = 0; y < b.getHeight(); ++y)
        for (int x = 0; x < b.getWidth(); ++x)
            if (const OrvexPiece* p = b.getPiece(x, y); p && p->isA(piece_class::kKing) && p->iPlayer == seat)
                at = {x, y};
    return at;
}

// The end-of-game star of a beam game stands on the winner's king, for
// every seat that can win, whether the others left (their kings stay on the
// board) or a shot took the last king of the other seat still in. With no
// winner it stands in the middle of the board.
TEST_F(ViewGameTest, TheEndOfGameStarStandsOnTheWinnersKing) {
    for (int winner = 1; winner <= 4; ++winner) {
        SCOPED_TRACE("seat " + std::to_string(winner) + " wins when the others leave");
        setStringOption("lastDefaultGame", "default.gkv");
        game.startGame(1, 4);
        for (int seat = 1; seat <= 4; ++seat)
            if (seat != winner) game.seatLeft(seat);
        ASSERT_EQ(board().iGameOver, 1);
        ASSERT_EQ(game.getWinner(), winner);
        const BoardCell king = kingOf(board(), winner);
        ASSERT_NE(king.x, -1);
        EXPECT_EQ(endOfGameStarCell(board(), winner), king);
    }

    // The winner fires right along row 1 at the loser's king; the kings of
    // two seats that left lie after the winner's in reading order.
    for (int winner = 1; winner <= 4; ++winner) {
        const int loser = winner % 4 + 1;
        std::vector<int> leavers;
        for (int seat = 1; seat <= 4; ++seat)
            if (seat != winner && seat != loser) leavers.push_back(seat);
        SCOPED_TRACE("seat " + std::to_string(winner) + " shoots seat " + std::to_string(loser) + "'s king");
        auto piece = [](char letter, int direction, int seat) {
            return std::string{letter, static_cast<char>('0' + direction), static_cast<char>('0' + seat), '0'};
        };
        const std::string file = "KZ+V Orvex Chess\nversion: 1.0 size: 5 3 style: gkv players: 4 colors: RGBY\n" +
                                 piece('L', 2, winner) + "........" + piece('K', 0, loser) + "....\n" +
                                 "....................\n" + piece('K', 0, winner) + "...." + piece('K', 0, leavers[0]) +
                                 "...." + piece('K', 0, leavers[1]) + "\n";
        // Games start on the style's default board: this one, from now on.
        folder.write("boards/default.gkv", file);
        setStringOption("lastDefaultGame", "default.gkv");
        game.startGame(1, 4);
        for (int seat : leavers) game.seatLeft(seat);
        for (int i = 0; i < 4 && game.getCurrentPlayer() != winner; ++i) game.passTurn(game.getCurrentPlayer());
        ASSERT_EQ(game.getCurrentPlayer(), winner);
        game.actAs(winner);
        game.clickSquare(1, 1);
        game.fireSelected();
        ASSERT_EQ(game.completeFire(1), 1);
        ASSERT_EQ(board().iGameOver, 1);
        ASSERT_EQ(game.getWinner(), winner);
        EXPECT_EQ(endOfGameStarCell(board(), winner), (BoardCell{1, 3}));
    }

    view_test::startOnDefaultBoard(game, "gkv");
    EXPECT_EQ(endOfGameStarCell(board(), 0), (BoardCell{board().getWidth() / 2, board().getHeight() / 2}));
}

}  // namespace
