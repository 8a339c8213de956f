// The reversi and checkers operations of the board.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/board.h"
#include "game/board/tests/board_support.h"

using namespace board_test;

namespace {

// The reversi opening on a 4 x 4 play area: seat 2 on the main diagonal of
// the centre, seat 1 on the other.
const std::vector<std::string> kOpening = {
    ".... .... .... ....",
    ".... C020 C010 ....",
    ".... C010 C020 ....",
    ".... .... .... ....",
};

std::string owners(const OrvexBoard& b) {
    std::string out;
    for (int y = 1; y < b.getHeight() - 1; ++y) {
        if (y > 1) out += ' ';
        for (int x = 1; x < b.getWidth() - 1; ++x) {
            const OrvexPiece* p = b.getPiece(x, y);
            out += p->isA(piece_class::kChip) ? static_cast<char>('0' + p->getPlayer()) : '.';
        }
    }
    return out;
}

}  // namespace

TEST_F(BoardTest, ReversiLegality) {
    ASSERT_EQ(1, load(boardFile("oth", 4, 4, kOpening)));
    std::string legal1, legal2;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            if (board().isLegalChipMove(1, x, y)) legal1 += std::to_string(x) + std::to_string(y) + " ";
            if (board().isLegalChipMove(2, x, y)) legal2 += std::to_string(x) + std::to_string(y) + " ";
        }
    EXPECT_EQ("21 12 43 34 ", legal1);
    EXPECT_EQ("31 42 13 24 ", legal2);
    EXPECT_EQ(0, board().isLegalChipMove(1, 2, 2));   // taken
    EXPECT_EQ(0, board().isLegalChipMove(1, -1, 9));  // off the board
}

TEST_F(BoardTest, ReversiPlacementFlipsAfterTheAnimation) {
    ASSERT_EQ(1, load(boardFile("oth", 4, 4,
                                {"C010 C020 .... ....",  //
                                 "C020 C020 .... ....",  //
                                 ".... .... .... ....",  //
                                 "C010 .... C010 ...."})));
    EXPECT_EQ(0, board().isLegalChipMove(2, 3, 2));
    game.current = 1;
    board().placeChip(3, 3);                            // closes only the line up-left, over (2,2)
    EXPECT_EQ("12.. 22.. ..1. 1.1.", owners(board()));  // owners change only as the flip runs
    EXPECT_EQ(10, board().getPiece(2, 2)->iFlipSpeed);
    EXPECT_EQ(0, board().getPiece(2, 1)->iFlipSpeed);
    EXPECT_EQ(1, game.anim);
    EXPECT_EQ(1, game.gameOverChecks);
    // While the flip runs, legality already counts (2,2) for seat 1: seat 2
    // may now close the row (3,2) - (2,2) - (1,2).
    EXPECT_EQ(1, board().isLegalChipMove(2, 3, 2));
    while (game.anim) board().advanceAnimations();
    EXPECT_EQ("12.. 21.. ..1. 1.1.", owners(board()));
    EXPECT_EQ(1, board().isLegalChipMove(2, 3, 2));
}

TEST_F(BoardTest, ReversiPlacementInEveryDirection) {
    ASSERT_EQ(1, load(boardFile("oth", 5, 5,
                                {"C010 .... C010 .... C010",  //
                                 ".... C020 C020 C020 ....",  //
                                 "C010 C020 .... C020 C010",  //
                                 ".... C020 C020 C020 ....",  //
                                 "C010 .... C010 .... C020"})));
    game.current = 1;
    board().placeChip(3, 3);
    while (game.anim) board().advanceAnimations();
    // Seven lines close on a chip of seat 1; the one toward (5,5) ends on
    // seat 2's own chip and stays.
    EXPECT_EQ("1.1.1 .111. 11111 .112. 1.1.2", owners(board()));
}

TEST_F(BoardTest, CheckersMovesAndCaptures) {
    ASSERT_EQ(1, load(boardFile("chk", 6, 6,
                                {"C010 .... .... .... .... C010",  //
                                 ".... C020 .... .... .... ....",  //
                                 ".... .... .... .... C020 ....",  //
                                 ".... .... .... C011 .... ....",  //
                                 ".... .... C010 .... C010 ....",  //
                                 ".... .... .... .... .... C021"})));
    struct Case {
        const char* what;
        int x, y, player;
        int move, capture;
    };
    const Case cases[] = {
        {"blocked step, jump over seat 2", 1, 1, 1, 0, 1},
        {"at the right edge", 6, 1, 1, 1, 0},
        {"seat 2 moves toward smaller y", 2, 2, 2, 1, 0},
        {"seat 2, nothing to take ahead", 5, 3, 2, 1, 0},
        {"crowned: steps and jumps backward", 4, 4, 1, 1, 1},
        {"step toward the far row", 3, 5, 1, 1, 0},
        {"a chip before the wall cannot be jumped", 5, 5, 1, 1, 0},
        {"crowned but boxed in", 6, 6, 2, 0, 0},
        {"another seat's chip", 1, 1, 2, 0, 0},
        {"an empty cell", 3, 3, 1, 0, 0},
        {"the wall", 0, 0, 1, 0, 0},
        {"off the board", -1, 9, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.move, board().canChipMove(c.x, c.y, c.player));
        EXPECT_EQ(c.capture, board().canCapture(c.x, c.y, c.player));
    }
    board().getPiece(4, 4)->iCrowned = 0;
    EXPECT_EQ(0, board().canChipMove(4, 4, 1));
    EXPECT_EQ(0, board().canCapture(4, 4, 1));

    EXPECT_TRUE(board().isFarRow(1, 6));
    EXPECT_FALSE(board().isFarRow(1, 1));
    EXPECT_TRUE(board().isFarRow(2, 1));
    EXPECT_FALSE(board().isFarRow(2, 6));
}
