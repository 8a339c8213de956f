// A player who leaves a game: his seat is out on every client alike. On
// its turn the turn passes to the next seat still in; with fewer than two
// seats left in, the game is over. The clients run in lockstep and get the
// server's LPD at the same point of their message streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

class LeavingTest : public StartBoardTest {
protected:
    // The seat on turn passes, and every client learns of it.
    static void pass(LockstepGroup& group) {
        perform(group.acting(), "p");
        group.deliver();
    }
};

// A king for each of four seats; on the beam styles the seats beyond the
// count lose theirs at the start.
const std::vector<std::string> kFourKings = {"K010 .... K020 .... K030 .... K040"};

struct Case {
    const char* style;
    int seats;
    int leaver;
    int currentAtLeave;  // the seat on turn when the leaver goes
    // After the leave, the seat on turn and then after each pass; empty
    // when the game is over.
    std::vector<int> turns;
    int winner;  // when over
};

}  // namespace

TEST_F(LeavingTest, TheLeaversSeatIsOutOnEveryClient) {
    const Case cases[] = {
        // Beam styles: two seats end the game, on turn and off it.
        {"gkv", 2, 2, 2, {}, 1},
        {"gkv", 2, 2, 1, {}, 1},
        {"kv", 2, 1, 1, {}, 2},
        {"kv", 2, 1, 2, {}, 2},
        // Three seats: the turn skips the leaver from now on.
        {"gkv", 3, 2, 2, {3, 1, 3}, 0},
        {"gkv", 3, 2, 1, {1, 3, 1}, 0},
        {"kv", 3, 3, 3, {1, 2, 1}, 0},
        {"kv", 3, 1, 3, {3, 2, 3}, 0},
        // Four seats.
        {"gkv", 4, 4, 4, {1, 2, 3, 1}, 0},
        {"gkv", 4, 1, 3, {3, 4, 2, 3}, 0},
        {"kv", 4, 2, 2, {3, 4, 1, 3}, 0},
        {"kv", 4, 3, 1, {1, 2, 4, 1}, 0},
        // Reversi and checkers: whoever stays wins.
        {"oth", 2, 1, 1, {}, 2},
        {"oth", 2, 2, 1, {}, 1},
        {"chk", 2, 2, 2, {}, 1},
        {"chk", 2, 1, 2, {}, 2},
        // Games of two that a server seated three or four in: the seats
        // beyond two only watch. A leaver of the two, on turn or off it,
        // ends the game as in a game of two...
        {"oth", 3, 1, 1, {}, 2},
        {"oth", 3, 2, 1, {}, 1},
        {"oth", 4, 2, 2, {}, 1},
        {"oth", 4, 1, 2, {}, 2},
        {"chk", 3, 2, 2, {}, 1},
        {"chk", 3, 1, 2, {}, 2},
        {"chk", 4, 1, 1, {}, 2},
        {"chk", 4, 2, 1, {}, 1},
        // ...and an observer who leaves changes nothing.
        {"oth", 3, 3, 2, {2, 1, 2}, 0},
        {"oth", 4, 4, 1, {1, 2, 1}, 0},
        {"chk", 3, 3, 1, {1, 2, 1}, 0},
        {"chk", 4, 3, 2, {2, 1, 2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.style) + ", " + std::to_string(c.seats) + " seats, seat " +
                     std::to_string(c.leaver) + " leaves while seat " + std::to_string(c.currentAtLeave) +
                     " has the turn");
        if (std::string(c.style) == "gkv" || std::string(c.style) == "kv")
            useBoard(c.style, boardFile(c.style, 7, 1, kFourKings));
        else
            useDefaultBoard(c.style);
        LockstepGroup group(11, 22, c.seats);
        while (group.acting().getCurrentPlayer() != c.currentAtLeave && !HasFailure()) pass(group);
        // One move spent, so it shows whether the turn is kept or handed on.
        RecordingGame& before = group.acting();
        const int full = before.getTurnsLeft();
        if (c.leaver != c.currentAtLeave && before.getBoard()->isOrvexStyle()) {
            const OrvexBoard& b = *before.getBoard();
            const int x = 2 * c.currentAtLeave - 1;
            ASSERT_EQ('K', letterOf(b.getPiece(x, 1)));
            perform(before, "c " + std::to_string(x) + " 1");
            perform(before, "c " + std::to_string(x + 1) + " 1");
            group.deliver();
        }
        const int movesAtLeave = group.acting().getTurnsLeft();
        group.leave(c.leaver);
        RecordingGame& g = group.anyPresent();
        EXPECT_TRUE(g.hasLeft(c.leaver));
        EXPECT_TRUE(g.isOut(c.leaver));
        if (c.turns.empty()) {
            EXPECT_EQ(1, g.getBoard()->iGameOver);
            EXPECT_EQ(c.winner, g.getWinner());
            for (int seat = 1; seat <= c.seats; ++seat)
                if (group.present(seat)) {
                    const std::vector<std::string>& e = group.client(seat - 1).events;
                    EXPECT_EQ(1, std::count(e.begin(), e.end(), "game over " + std::to_string(c.winner)));
                }
            continue;
        }
        EXPECT_EQ(0, g.getBoard()->iGameOver);
        EXPECT_EQ(c.turns[0], g.getCurrentPlayer());
        // Off turn the seat on turn keeps what it has left; on turn the
        // next seat gets a whole turn.
        EXPECT_EQ(c.leaver == c.currentAtLeave ? full : movesAtLeave, g.getTurnsLeft());
        for (std::size_t i = 1; i < c.turns.size(); ++i) {
            pass(group);
            EXPECT_EQ(c.turns[i], group.anyPresent().getCurrentPlayer()) << "after pass " << i;
        }
    }
}

TEST_F(LeavingTest, ALeaversShotEndsAsItsOwnClientWouldHaveEndedIt) {
    // Seat 2 fires at seat 3's king and leaves before the shot's end reaches
    // anyone: the shot ends on every client, seat 3 is out with its king,
    // and with seat 2 gone seat 1 is the only seat left in.
    useBoard("gkv", boardFile("gkv", 5, 3,
                              {"K010 .... .... .... K020",  //
                               ".... .... .... .... ....",  //
                               "L220 .... .... .... K030"}));
    LockstepGroup group(11, 22, 3);
    pass(group);
    RecordingGame& shooter = group.acting();
    ASSERT_EQ(2, shooter.getCurrentPlayer());
    perform(shooter, "c 1 3");
    perform(shooter, "f");
    group.deliver();
    ASSERT_EQ(1, group.client(0).isFirePending());
    group.leave(2);
    for (int i : {0, 2}) {
        RecordingGame& g = group.client(i);
        EXPECT_EQ(0, g.isFirePending());
        EXPECT_EQ('.', letterOf(g.getBoard()->getPiece(5, 3)));
        EXPECT_EQ(1, g.getBoard()->iGameOver);
        EXPECT_EQ(1, g.getWinner());
    }
}

TEST_F(LeavingTest, ALeaversSelectionAndTurnOfAPieceAreDropped) {
    useBoard("gkv", boardFile("gkv", 7, 1, {"K010 L020 K020 .... K030 .... ...."}));
    LockstepGroup group(11, 22, 3);
    pass(group);
    perform(group.acting(), "c 2 1");
    perform(group.acting(), "r");
    group.deliver();
    group.leave(2);
    RecordingGame& g = group.client(0);
    EXPECT_EQ(-1, g.getBoard()->getSelectedX());
    EXPECT_EQ(0, g.isRotationPending());
    EXPECT_EQ(3, g.getCurrentPlayer());
    EXPECT_EQ(3, g.getTurnsLeft());
}

TEST_F(LeavingTest, OnlySeatsOfTheGameCanLeaveItAndOnlyOnce) {
    useBoard("gkv", boardFile("gkv", 7, 1, kFourKings));
    LockstepGroup group(11, 22, 3);
    RecordingGame& g = group.client(0);
    for (int seat : {0, 4, 5, 255}) g.seatLeft(seat);
    EXPECT_EQ(1, g.getCurrentPlayer());
    for (int seat = 1; seat <= 3; ++seat) EXPECT_FALSE(g.hasLeft(seat));
    group.leave(3);
    g.seatLeft(3);  // a second word of the same leave changes nothing
    group.deliver();
    pass(group);
    EXPECT_EQ(2, g.getCurrentPlayer());
    EXPECT_EQ(0, g.getBoard()->iGameOver);
    // A new game brings every seat back.
    g.startGame(1, 3);
    EXPECT_FALSE(g.hasLeft(3));
    EXPECT_FALSE(g.isOut(3));
}

// Reversi and checkers are games of two: seats a server tells beyond two
// are observers on every client. The turn goes between the two players
// only, an observer's own pass and clicks do nothing, and the game goes on
// with the two until one of them leaves.
TEST_F(LeavingTest, SeatsBeyondTwoInReversiAndCheckersOnlyWatch) {
    for (const char* style : {"oth", "chk"})
        for (int seats : {3, 4}) {
            SCOPED_TRACE(std::string(style) + ", " + std::to_string(seats) + " seats");
            useDefaultBoard(style);
            LockstepGroup group(11, 22, seats);
            for (int seat = 1; seat <= 4; ++seat) {
                EXPECT_EQ(seat > 2 && seat <= seats, group.client(0).isObserver(seat)) << "seat " << seat;
                EXPECT_EQ(seat <= 2, group.client(0).isPlayerIn(seat) != 0) << "seat " << seat;
            }
            const int expected[] = {2, 1, 2, 1, 2};
            for (int turn : expected) {
                // Every observer tries to act first: nothing reaches anyone.
                for (int observer = 3; observer <= seats; ++observer) {
                    RecordingGame& o = group.client(observer - 1);
                    EXPECT_FALSE(o.isMyTurn());
                    perform(o, "p");
                    perform(o, "c 2 3");
                }
                EXPECT_EQ(0, group.deliver());
                pass(group);
                EXPECT_EQ(turn, group.anyPresent().getCurrentPlayer());
                EXPECT_EQ(1, group.anyPresent().getTurnsLeft());
            }
            EXPECT_EQ(0, group.anyPresent().getBoard()->iGameOver);
        }
}
