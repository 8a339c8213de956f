// Moves counted against each turn, and the turn passing from seat to seat,
// on the beam styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

// One scripted action (see perform) by the seat whose turn it is, and the
// turn state expected after it.
struct Step {
    const char* action;
    int current;
    int moves;
};

class TurnTest : public GameTest {
protected:
    void run(const std::vector<Step>& script) {
        for (std::size_t i = 0; i < script.size(); ++i) {
            const Step& s = script[i];
            SCOPED_TRACE("step " + std::to_string(i + 1) + " \"" + s.action + "\"");
            game.actAs(game.getCurrentPlayer());
            perform(game, s.action);
            game.settle();
            EXPECT_EQ(s.current, game.getCurrentPlayer());
            EXPECT_EQ(s.moves, game.getTurnsLeft());
        }
    }
};

// Seat 1: firing pieces at (1,4) facing right and (2,5) facing up (both
// shots end in the wall), a mirror at (3,3), a king at (5,5). Seat 2: a king
// at (1,1).
const std::vector<std::string> kBoard = {
    "K020 .... .... .... ....",  //
    ".... .... .... .... ....",  //
    ".... .... M010 .... ....",  //
    "L210 .... .... .... ....",  //
    ".... L010 .... .... K010",
};

}  // namespace

TEST_F(TurnTest, AdvancedStepsAndDiagonals) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 3 3", 1, 3},  // select
        {"c 4 3", 1, 2},  // a step
        {"c 4 3", 1, 2},
        {"c 5 2", 2, 3},  // a diagonal costs two: the turn passes to seat 2
    });
    run({
        {"c 1 1", 2, 3},
        {"c 1 1", 2, 3},  // selecting and dropping costs nothing
        {"c 1 1", 2, 3},
        {"c 1 3", 2, 3},  // two cells straight on: refused, nothing spent
        {"c 1 1", 2, 3},
        {"c 2 2", 2, 1},  // a diagonal
        {"c 2 2", 2, 1},
        {"c 3 2", 1, 3},  // the last move hands the turn back
    });
}

TEST_F(TurnTest, TurningAPiece) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 3 3", 1, 3},
        {"r", 1, 3},
        {"l", 1, 3},      // turned back: nothing pending
        {"c 3 3", 1, 3},  // costs nothing
        {"c 3 3", 1, 3},
        {"r", 1, 3},
        {"c 3 3", 1, 2},  // a turn is booked when the selection ends
        {"c 3 3", 1, 2},
        {"r", 1, 2},
        {"c 3 2", 2, 3},  // the turn and the step use up the turn
    });
    EXPECT_EQ(2, at(3, 2)->iDirection);  // turned twice to the right, one eighth each
}

TEST_F(TurnTest, TurnThenFireCostsTwo) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 1 4", 1, 3},
        {"r", 1, 3},
        {"f", 1, 2},  // the turn is booked before the shot
        {"e", 1, 1},  // the shot itself
    });
    EXPECT_EQ(3, at(1, 4)->iDirection);
    EXPECT_EQ(0, game.isFirePending());
}

TEST_F(TurnTest, OneShotAtATime) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 1 4", 1, 3},
        {"f", 1, 3},
        // Until the shot is complete the shooter does nothing else.
        {"c 2 5", 1, 3},
        {"p", 1, 3},
    });
    EXPECT_EQ(-1, board().getSelectedX());
    run({
        {"e", 1, 2},
        {"c 2 5", 1, 2},
        {"f", 1, 2},  // now the second piece fires
        {"e", 1, 1},
        {"c 1 4", 1, 1},
        {"f", 1, 1},  // a piece that fired this turn fires no more
        {"e", 1, 1},
    });
    EXPECT_EQ(1, board().getSelectedX());
}

TEST_F(TurnTest, Passing) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 3 3", 1, 3},
        {"c 4 3", 1, 2},
        {"p", 2, 3},
        {"p", 1, 3},
    });
    // A pass when it is not the local player's turn does nothing.
    game.actAs(2);
    game.passCommand();
    EXPECT_EQ(1, game.getCurrentPlayer());
}

TEST_F(TurnTest, PassingWithATurnPendingSpendsOnlyItsOwnTurn) {
    start("gkv", 5, 5, kBoard);
    run({
        {"c 3 3", 1, 3},
        {"c 3 2", 1, 2},
        {"c 3 2", 1, 2},
        {"c 3 1", 1, 1},
        {"c 3 1", 1, 1},
        {"r", 1, 1},
        // Dropping the selection books the turn, which ends seat 1's turn;
        // seat 2's moves are left alone.
        {"p", 2, 3},
    });
}

TEST_F(TurnTest, ClassicTurnsHaveTwoMovesAndQuarterTurns) {
    start("kv", 5, 5, kBoard);
    EXPECT_EQ(2, game.getTurnsLeft());
    run({
        {"c 3 3", 1, 2},
        {"r", 1, 2},
        {"c 3 3", 1, 1},
        {"c 5 5", 1, 1},
        {"r", 1, 1},  // a king does not turn
        {"c 5 4", 2, 2},
        {"c 1 1", 2, 2},
        {"c 2 2", 1, 2},  // a diagonal uses both moves
    });
    EXPECT_EQ(2, at(3, 3)->iDirection);
}

TEST_F(TurnTest, ASeatWithoutKingsIsSkipped) {
    start("gkv", 3, 1, {"K010 .... K030"}, 1, 3);
    EXPECT_TRUE(game.isOut(2));
    run({
        {"p", 3, 3},
        {"p", 1, 3},
    });
}

TEST_F(TurnTest, TheOnlySeatInKeepsTheTurn) {
    start("gkv", 3, 1, {"K010 .... ...."}, 1, 2);
    run({
        {"p", 1, 3},
        {"p", 1, 3},
    });
}

TEST_F(TurnTest, SeatLabelsFollowTheTurn) {
    start("gkv", 5, 5, kBoard);
    game.events.clear();
    game.actAs(1);
    game.passCommand();
    EXPECT_EQ((std::vector<std::string>{"label 1 200", "label 2 242"}), game.events);
    EXPECT_GT(game.turnLines, 0);
}

TEST_F(TurnTest, NothingWhileAPieceIsAnimated) {
    start("gkv", 5, 1, {"M010 X... L010 K010 K020"}, 1, 2);
    game.actAs(1);
    game.clickSquare(1, 1);
    game.clickSquare(2, 1);  // into the hole
    ASSERT_EQ(1, game.getAnimSequence());
    sent();
    game.passCommand();
    game.clickSquare(3, 1);
    game.rotateSelectedPiece(false);
    game.fireSelected();
    EXPECT_EQ(std::vector<std::string>{}, sent());
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_EQ(2, game.getTurnsLeft());
    game.settle();
    game.passCommand();
    EXPECT_EQ(2, game.getCurrentPlayer());
}
