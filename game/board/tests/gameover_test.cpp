// The end of a game, by style.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

class GameOverTest : public GameTest {
protected:
    // Seat `seat` fires the piece at (x, y) and the shot is completed.
    void shoot(int seat, int x, int y) {
        game.actAs(seat);
        ASSERT_EQ(seat, game.getCurrentPlayer());
        game.clickSquare(x, y);
        game.fireSelected();
        ASSERT_EQ(1, game.isFirePending());
        game.completeFireAndNotify();
        game.settle();
    }
    int count(const std::string& event) const {
        int n = 0;
        for (const std::string& e : game.events) n += e == event;
        return n;
    }
};

}  // namespace

TEST_F(GameOverTest, LosingTheLastKingPassesTheTurnAtOnce) {
    // Seat 1 shoots its own king; seats 2 and 3 play on.
    start("gkv", 3, 3, {"L210 .... K010", "K020 .... ....", ".... .... K030"}, 1, 3);
    shoot(1, 1, 1);
    EXPECT_EQ('.', letterOf(at(3, 1)));
    EXPECT_TRUE(game.isOut(1));
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ(3, game.getTurnsLeft());
    EXPECT_EQ(0, board().iGameOver);
    game.actAs(2);
    game.passCommand();
    EXPECT_EQ(3, game.getCurrentPlayer());
    game.actAs(3);
    game.passCommand();
    EXPECT_EQ(2, game.getCurrentPlayer());  // seat 1 is skipped from now on
}

TEST_F(GameOverTest, TheLastSeatInWins) {
    start("gkv", 3, 2, {"L210 .... K020", "K010 .... ...."});
    EXPECT_EQ(0, board().iGameOver);
    shoot(1, 1, 1);
    EXPECT_EQ(1, board().iGameOver);
    EXPECT_EQ(1, game.getWinner());
    EXPECT_EQ(1, count("game over 1"));
    // Play after the end does not announce it again.
    game.actAs(game.getCurrentPlayer());
    game.passCommand();
    game.checkGameOver();
    EXPECT_EQ(1, count("game over 1"));
    EXPECT_EQ(1, game.getWinner());
}

TEST_F(GameOverTest, BothKingsInOneShotIsADraw) {
    // A splitter sends one beam to each king.
    start("gkv", 5, 3, {"K010 .... T010 .... K020", ".... .... .... .... ....", ".... .... L010 .... ...."});
    shoot(1, 3, 3);
    EXPECT_TRUE(game.isOut(1));
    EXPECT_TRUE(game.isOut(2));
    EXPECT_EQ(1, board().iGameOver);
    EXPECT_EQ(0, game.getWinner());
    EXPECT_EQ(1, count("game over 0"));
}

TEST_F(GameOverTest, ManyKingsStillCountAsIn) {
    // 256 kings for seat 1: a count taken as a byte would read 0.
    std::vector<std::string> rows;
    for (int y = 0; y < 16; ++y) {
        std::string row;
        for (int x = 0; x < 17; ++x) row += x < 16 ? "K010" : (y == 0 ? "K020" : "....");
        rows.push_back(row);
    }
    start("gkv", 17, 16, rows);
    EXPECT_EQ(256, board().countPieces(1, piece_class::kKing));
    EXPECT_FALSE(game.isOut(1));
    EXPECT_FALSE(game.isOut(2));
    EXPECT_EQ(0, board().iGameOver);
}

TEST_F(GameOverTest, AKingThatFallsIntoAHoleIsOut) {
    start("gkv", 3, 2, {"K010 X... ....", ".... .... K020"});
    game.actAs(1);
    game.clickSquare(1, 1);
    game.clickSquare(2, 1);
    EXPECT_EQ(1, game.getAnimSequence());
    EXPECT_EQ(0, board().iGameOver);
    game.settle();
    EXPECT_EQ(1, board().iGameOver);
    EXPECT_EQ(2, game.getWinner());
    EXPECT_EQ(2, game.getCurrentPlayer());
}

TEST_F(GameOverTest, TakingYourOwnLastKingCostsTheNextSeatNothing) {
    start("gkv", 3, 2, {"S010 K010 ....", ".... .... K020"});
    game.actAs(1);
    game.clickSquare(1, 1);
    game.clickSquare(2, 1);  // the stomper takes its own king
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ(3, game.getTurnsLeft());
    EXPECT_EQ(2, game.getWinner());
}

TEST_F(GameOverTest, ReversiEndsWhenNoSeatCanPlace) {
    // Seat 1 closes the row over three chips: the board is full and, with
    // the flips still running, seat 1 holds all five.
    start("oth", 5, 1, {"C010 C020 C020 C020 ...."});
    game.actAs(1);
    game.clickSquare(5, 1);
    EXPECT_EQ(1, board().iGameOver);
    EXPECT_EQ(1, game.getWinner());
    EXPECT_EQ(1, game.getAnimSequence());  // flips still running when it was judged
    game.settle();
    for (int x = 1; x <= 5; ++x) EXPECT_EQ(1, at(x, 1)->getPlayer());
}

TEST_F(GameOverTest, ReversiNamesTheSeatWithMoreChips) {
    struct Case {
        std::vector<std::string> rows;
        int winner;
    };
    const Case cases[] = {
        {{"C010 C020 C020"}, 2},
        {{"C010 C010 C020"}, 1},
        {{"C010 .... C020"}, 1},  // a tie goes to the lower seat
        {{".... .... ...."}, 0},  // no chips at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.winner);
        game.events.clear();
        start("oth", 3, 1, c.rows);
        EXPECT_EQ(1, board().iGameOver);
        EXPECT_EQ(c.winner, game.getWinner());
        // The load lights seat 1's label; the game is over before any move.
        EXPECT_EQ((std::vector<std::string>{"labels reset", "label 1 242", "label 2 200", "label 3 200", "label 4 200",
                                            "game over " + std::to_string(c.winner)}),
                  game.events);
    }
}

TEST_F(GameOverTest, ReversiSkipsASeatWithoutAPlacement) {
    // Seat 2 has nothing to close; seat 1 plays again.
    start("oth", 4, 1, {"C010 C020 .... ...."});
    EXPECT_FALSE(game.isOut(1));
    EXPECT_TRUE(game.isOut(2));
    EXPECT_EQ(0, board().iGameOver);
}

TEST_F(GameOverTest, CheckersAndTheFifthStyleHaveNoEndAndEverySeatPlays) {
    for (const char* style : {"chk", "d2d"}) {
        SCOPED_TRACE(style);
        start(style, 3, 1, {"C010 .... ...."});
        EXPECT_EQ(0, board().iGameOver);
        EXPECT_FALSE(game.isOut(2));  // seat 2 has no chip, yet it is still in
        game.actAs(1);
        game.passCommand();
        EXPECT_EQ(2, game.getCurrentPlayer());
    }
}

TEST_F(GameOverTest, DefaultBoardsAreNotOverAtTheStart) {
    for (const char* name : {"default.kv", "default.gkv", "default.oth", "default.chk", "default.d2d"}) {
        SCOPED_TRACE(name);
        folder.copyFromSource(std::string("data/boards/") + name, std::string("boards/") + name);
        setStringOption("lastDefaultGame", name);
        game.startGame(1, 2);
        EXPECT_EQ(0, board().iGameOver);
        EXPECT_FALSE(game.isOut(1));
        EXPECT_FALSE(game.isOut(2));
    }
}

TEST_F(GameOverTest, TheBeamBoardsPlayWithTwoThreeAndFourSeats) {
    for (const char* name : {"default.kv", "default.gkv"}) {
        folder.copyFromSource(std::string("data/boards/") + name, std::string("boards/") + name);
        setStringOption("lastDefaultGame", name);
        for (int count = 2; count <= 4; ++count) {
            SCOPED_TRACE(std::string(name) + " with " + std::to_string(count) + " seats");
            game.startGame(1, count);
            EXPECT_EQ(0, board().iGameOver);
            for (int seat = 1; seat <= 4; ++seat) {
                EXPECT_EQ(seat <= count, !game.isOut(seat)) << "seat " << seat;
                // A seat nobody plays has no pieces at all.
                int pieces = 0;
                for (int x = 0; x < board().getWidth(); ++x)
                    for (int y = 0; y < board().getHeight(); ++y) pieces += board().getPiece(x, y)->getPlayer() == seat;
                EXPECT_EQ(seat <= count, pieces > 0) << "seat " << seat;
            }
            // The turn goes round every seat.
            for (int seat = 1; seat <= count; ++seat) {
                EXPECT_EQ(seat, game.getCurrentPlayer());
                game.actAs(seat);
                game.passCommand();
            }
            EXPECT_EQ(1, game.getCurrentPlayer());
        }
    }
}
