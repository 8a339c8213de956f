// Board files and board-action messages with seeded random damage: the
// reader and the handlers must keep the board whole, whatever they get.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

// Every cell inside the board holds a piece that knows its cell; floors
// lie only under blanks (or a piece on its way into a hole).
void expectWhole(const OrvexBoard& b) {
    ASSERT_GE(b.getWidth(), 3);
    ASSERT_LE(b.getWidth(), OrvexBoard::kCells);
    ASSERT_LE(b.getHeight(), OrvexBoard::kCells);
    for (int x = 0; x < b.getWidth(); ++x)
        for (int y = 0; y < b.getHeight(); ++y) {
            const OrvexPiece* p = b.getPiece(x, y);
            ASSERT_NE(nullptr, p) << x << "," << y;
            ASSERT_EQ(x, p->iX);
            ASSERT_EQ(y, p->iY);
            ASSERT_GE(p->getPlayer(), 0);
            ASSERT_LE(p->getPlayer(), 4);
            ASSERT_GE(p->iDirection, 0);
            ASSERT_LE(p->iDirection, 7);
            const bool border = x == 0 || y == 0 || x == b.getWidth() - 1 || y == b.getHeight() - 1;
            ASSERT_EQ(border, p->isA(piece_class::kWall) != 0) << x << "," << y;
        }
}

std::string mutate(std::string text, std::mt19937& rng) {
    const int edits = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < edits && !text.empty(); ++i) {
        const std::size_t at = rng() % text.size();
        switch (rng() % 4) {
        case 0: text[at] = static_cast<char>(rng() % 256); break;
        case 1: text.erase(at, 1 + rng() % 8); break;
        case 2: text.insert(at, std::string(1 + rng() % 4, "\r\n.9KXZ:"[rng() % 8])); break;
        case 3: text.resize(at); break;
        }
    }
    return text;
}

}  // namespace

TEST_F(GameTest, DamagedBoardFilesLoadWholeOrNotAtAll) {
    std::mt19937 rng(20240607);
    const char* names[] = {"default.kv", "default.gkv", "default.oth", "default.chk", "default.d2d"};
    std::string originals[5];
    for (int i = 0; i < 5; ++i) {
        folder.copyFromSource(std::string("data/boards/") + names[i], std::string("boards/") + names[i]);
        originals[i] = folder.read(std::string("boards/") + names[i]);
    }
    game.startGame(1, 2);
    for (int round = 0; round < 400 && !HasFailure(); ++round) {
        folder.write("boards/damaged", mutate(originals[round % 5], rng));
        SCOPED_TRACE(folder.read("boards/damaged"));
        (void)board().loadFile("damaged");  // refused or not, the board stays whole
        expectWhole(board());
        // The rules still run on whatever was loaded.
        game.checkGameOver();
        for (int x = 0; x < board().getWidth(); ++x)
            if (OrvexPiece* p = board().getPiece(x, 1); p->canFire()) {
                p->fire();
                break;
            }
        board().clearBeams();
        expectWhole(board());
    }
}

TEST_F(GameTest, RandomMessagesKeepTheBoardWhole) {
    std::mt19937 rng(99);
    game.setOutbox(&outbox);
    for (const char* name : {"default.gkv", "default.chk", "default.oth"}) {
        folder.copyFromSource(std::string("data/boards/") + name, std::string("boards/") + name);
        setStringOption("lastDefaultGame", name);
        game.startGame(2, 2);
        const char* codes[] = {"PM", "PS", "PU", "PRR", "PRL", "PFS", "PFE", "PQS", "PX", "Q"};
        for (int i = 0; i < 3000 && !HasFailure(); ++i) {
            MessageBytes m = boardMessage(codes[rng() % 10]);
            const int extra = static_cast<int>(rng() % 4);
            for (int k = 0; k < extra; ++k)
                m.push_back(static_cast<uint8_t>(rng() % 3 == 0 ? rng() % 256 : rng() % 14));
            receive.head(m);
            game.settle();
            if (rng() % 20 == 0) game.completeFire(0);
        }
        expectWhole(board());
        EXPECT_TRUE(outbox.messages.empty());
    }
}
