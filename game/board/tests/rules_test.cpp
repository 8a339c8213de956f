// Reversi placements and checkers steps and jumps through the click engine,
// and the bytes every local action queues.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

class RulesTest : public GameTest {
protected:
    // Runs the actions as the seat whose turn it is; returns the messages.
    std::vector<std::string> play(const std::vector<std::string>& actions) {
        for (const std::string& a : actions) {
            game.actAs(game.getCurrentPlayer());
            perform(game, a);
            game.settle();
        }
        return sent();
    }
    std::string row(int y) {
        std::string out;
        for (int x = 1; x < board().getWidth() - 1; ++x) {
            const OrvexPiece* p = at(x, y);
            out += p->isA(piece_class::kChip) ? static_cast<char>((p->iCrowned ? 'A' : 'a') + p->getPlayer() - 1) : '.';
        }
        return out;
    }
};

using Messages = std::vector<std::string>;

}  // namespace

TEST_F(RulesTest, ReversiPlacements) {
    start("oth", 4, 4, {".... .... .... ....", ".... C020 C010 ....", ".... C010 C020 ....", ".... .... .... ...."});
    EXPECT_EQ(Messages{}, play({"c 1 1"}));  // closes nothing
    EXPECT_EQ(1, game.getCurrentPlayer());
    EXPECT_EQ(Messages{"PS 2 1"}, play({"c 2 1"}));
    EXPECT_EQ(".a..", row(1));
    EXPECT_EQ(".aa.", row(2));
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ(Messages{"PS 1 1"}, play({"c 1 1"}));  // seat 2 closes the diagonal over (2,2)
    EXPECT_EQ("ba..", row(1));
    EXPECT_EQ(".ba.", row(2));
    EXPECT_EQ(1, game.getCurrentPlayer());
}

TEST_F(RulesTest, CheckersStepsBothWays) {
    start("chk", 4, 4, {".... C010 .... ....", ".... .... .... ....", ".... .... .... ....", ".... .... C020 ...."});
    EXPECT_EQ(Messages{}, play({"c 1 1"}));  // an empty cell selects nothing
    EXPECT_EQ((Messages{"PS 2 1", "PU"}), play({"c 2 1", "c 2 1"}));
    EXPECT_EQ(Messages{"PS 2 1"}, play({"c 2 1", "c 2 3", "c 4 3", "c 2 2", "c 3 1"}));  // not a step: ignored
    EXPECT_EQ(1, game.getCurrentPlayer());
    EXPECT_EQ(Messages{"PM 3 2"}, play({"c 3 2"}));  // seat 1 steps toward larger y
    EXPECT_EQ("..a.", row(2));
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ((Messages{"PS 3 4", "PM 4 3"}), play({"c 3 4", "c 4 3"}));  // seat 2 toward smaller y
    EXPECT_EQ("...b", row(3));
    // Backward steps need a crown.
    EXPECT_EQ((Messages{"PS 3 2"}), play({"c 3 2", "c 2 1", "c 4 1"}));
    EXPECT_EQ(1, game.getCurrentPlayer());
}

TEST_F(RulesTest, CheckersCaptureIsForced) {
    start("chk", 4, 4, {".... C010 .... ....", ".... .... C020 ....", ".... .... .... ....", ".... .... .... ...."});
    EXPECT_EQ(Messages{"PS 2 1"}, play({"c 2 1", "c 1 2"}));  // a step while a jump is open: refused
    EXPECT_EQ("..b.", row(2));
    EXPECT_EQ(Messages{"PM 4 3"}, play({"c 4 3"}));
    EXPECT_EQ("....", row(2));
    EXPECT_EQ("...a", row(3));
    EXPECT_EQ(2, game.getCurrentPlayer());
}

TEST_F(RulesTest, CheckersMultiJumpEndsTheTurnOnlyAtTheEnd) {
    start("chk", 6, 6,
          {"C010 .... .... .... .... ....", ".... C020 .... .... .... ....", ".... .... .... .... .... ....",
           ".... .... .... C020 .... ....", ".... .... .... .... .... ....", ".... .... .... .... .... C020"});
    EXPECT_EQ((Messages{"PS 1 1", "PM 3 3"}), play({"c 1 1", "c 3 3"}));
    EXPECT_EQ(1, game.isMultiJump());
    EXPECT_EQ(1, game.getCurrentPlayer());  // the jump goes on within the turn
    EXPECT_EQ(1, game.getTurnsLeft());
    EXPECT_EQ(3, board().getSelectedX());
    EXPECT_EQ(3, board().getSelectedY());
    // Neither dropping the chip nor a step is allowed now.
    EXPECT_EQ(Messages{}, play({"c 3 3", "c 2 4"}));
    EXPECT_EQ(3, board().getSelectedX());
    EXPECT_EQ(Messages{"PM 5 5"}, play({"c 5 5"}));
    EXPECT_EQ(0, game.isMultiJump());
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ("....a.", row(5));
    EXPECT_EQ("......", row(4));
    EXPECT_EQ("......", row(2));
}

TEST_F(RulesTest, PassingEndsAJumpSequence) {
    start("chk", 6, 6,
          {"C010 .... .... .... .... ....", ".... C020 .... .... .... ....", ".... .... .... .... .... ....",
           ".... .... .... C020 .... ....", ".... .... .... .... .... ....", ".... .... .... .... .... ...."});
    play({"c 1 1", "c 3 3"});
    ASSERT_EQ(1, game.isMultiJump());
    EXPECT_EQ(Messages{"PQS 1"}, play({"p"}));
    EXPECT_EQ(0, game.isMultiJump());
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_EQ(2, game.getCurrentPlayer());
}

TEST_F(RulesTest, CheckersCrownsOnTheFarRow) {
    start("chk", 4, 4, {".... .... .... ....", ".... .... C020 ....", "C010 .... .... ....", ".... .... .... ...."});
    EXPECT_EQ((Messages{"PS 1 3", "PM 2 4"}), play({"c 1 3", "c 2 4"}));
    EXPECT_EQ(".A..", row(4));  // seat 1 crowned at the bottom row
    EXPECT_EQ((Messages{"PS 3 2", "PM 4 1"}), play({"c 3 2", "c 4 1"}));
    EXPECT_EQ("...B", row(1));  // seat 2 crowned at the top row
    // A crowned chip steps back.
    EXPECT_EQ((Messages{"PS 2 4", "PM 1 3"}), play({"c 2 4", "c 1 3"}));
    EXPECT_EQ("A...", row(3));
}

TEST_F(RulesTest, CheckersMovesOnlyTheCurrentPlayersChip) {
    start("chk", 4, 4, {".... C010 .... ....", ".... .... .... ....", ".... .... .... ....", ".... .... C020 ...."});
    // Another client selected seat 2's chip while it is seat 1's turn.
    EXPECT_TRUE(receive(boardMessage("PS", {3, 4})));
    EXPECT_TRUE(receive(boardMessage("PM", {4, 3})));
    EXPECT_EQ("..b.", row(4));
    EXPECT_EQ("....", row(3));
    EXPECT_EQ(1, game.getCurrentPlayer());
    EXPECT_EQ(Messages{}, sent());
}

TEST_F(RulesTest, BytesOfEveryBeamAction) {
    const std::vector<std::string> board = {
        "K020 .... .... .... ....", ".... .... .... .... ....", ".... .... M010 .... ....",
        "L210 .... .... .... ....", ".... .... .... .... K010",
    };
    struct Case {
        std::vector<std::string> actions;
        Messages expected;
    };
    const Case cases[] = {
        {{"c 3 3"}, {"PS 3 3"}},
        {{"c 1 1"}, {}},                             // another seat's piece
        {{"c 2 2"}, {}},                             // a blank
        {{"c 3 3", "c 4 3"}, {"PS 3 3", "PM 4 3"}},  // the move ends the selection everywhere
        {{"c 3 3", "c 5 3"}, {"PS 3 3", "PM 5 3"}},  // refused, yet told
        {{"c 3 3", "c 3 3"}, {"PS 3 3", "PU"}},
        {{"c 3 3", "r", "l"}, {"PS 3 3", "PRR", "PRL"}},
        {{"c 1 4", "f", "e"}, {"PS 1 4", "PFS", "PFE"}},
        {{"c 1 4", "r", "f"}, {"PS 1 4", "PRR", "PU", "PS 1 4", "PFS"}},
        {{"f"}, {}},
        {{"p"}, {"PQS 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.actions.back());
        start("gkv", 5, 5, board);
        EXPECT_EQ(c.expected, play(c.actions));
    }
    // Nothing is queued out of turn.
    start("gkv", 5, 5, board, 2);
    game.clickSquare(1, 1);
    game.passCommand();
    EXPECT_EQ(Messages{}, sent());
}

TEST(BoardMessage, ExactBytes) {
    EXPECT_EQ((MessageBytes{'P', 'M', 7, 254}), boardMessage("PM", {7, 254}));
    EXPECT_EQ((MessageBytes{'P', 'U'}), boardMessage("PU"));
    EXPECT_EQ((MessageBytes{'P', 'R', 'L'}), boardMessage("PRL"));
    EXPECT_EQ((MessageBytes{'P', 'Q', 'S', 3}), boardMessage("PQS", {3}));
    OrvexMessageList list;
    list.queueMessage(reinterpret_cast<const uint8_t*>("PFE"), 3);
    EXPECT_EQ((std::vector<MessageBytes>{{'P', 'F', 'E'}}), list.take());
    EXPECT_TRUE(list.messages.empty());
}
