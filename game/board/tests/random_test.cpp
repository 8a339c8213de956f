// The shared game random generator.
#include <gtest/gtest.h>

#include "game/board/random.h"
#include "game/board/tests/board_support.h"

TEST(BoardRandom, FirstValuesFromTheInitialState) {
    BoardRandom r;
    EXPECT_EQ(0xCB9EDA22u, r.next());
    EXPECT_EQ(0x82C1EED2u, r.next());
    EXPECT_EQ(0x437E9010u, r.next());
}

TEST(BoardRandom, SeedsGiveTheSameSequenceEverywhere) {
    BoardRandom a;
    BoardRandom b;
    for (int i = 0; i < 5; ++i) a.next();  // a different history does not matter
    a.setSeeds(0xDEADBEEFu, 0x80000001u);  // a negative product exercises the arithmetic shift
    b.setSeeds(0xDEADBEEFu, 0x80000001u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(a.next(), b.next()) << i;
    a.setSeeds(768468, 242142);
    EXPECT_EQ(0xCB9EDA22u, a.next());
}

TEST(BoardRandom, EveryBoardHasItsOwn) {
    board_test::StubGame one;
    board_test::StubGame two;
    one.board->boardRandom();
    EXPECT_EQ(0xCB9EDA22u, two.board->boardRandom());
}
