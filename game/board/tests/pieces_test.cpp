// Moving pieces, teleports, disappearances, rotation, the animation step
// and the board operations around them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/board.h"
#include "game/board/tests/board_support.h"

using namespace board_test;

namespace {

// Runs the animation step until nothing is animated any more (bounded).
int finishAnimations(StubGame& game) {
    int steps = 0;
    while (game.anim != 0 && steps < 1000) {
        game.board->advanceAnimations();
        ++steps;
    }
    return steps;
}

}  // namespace

TEST_F(BoardTest, MoveRule) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;  // a 4 x 3 play area
        int fromX, fromY, toX, toY, maxSteps;
        int result;
        const char* after;  // the letters of the play area afterwards, row by row
        int stompsUsed;     // of the mover afterwards
    };
    // clang-format off
    const Case cases[] = {
        {"step", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, 2, 2, 3, 1,
         ".... .M.. ....", 0},
        {"diagonal with an open corner", {".... .... .... ....", "M010 .... .... ....", "M010 .... .... ...."}, 1, 2,
         2, 3, 3, 2, ".... .... MM..", 0},
        {"diagonal with both corners taken", {".... .... .... ....", "M010 M010 .... ....", "M010 .... .... ...."}, 1,
         2, 2, 3, 3, 0, ".... MM.. M...", 0},
        {"two straight on", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, 3, 2, 3, 0,
         ".... M... ....", 0},
        {"two with one move left", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, 2, 3,
         1, 0, ".... M... ....", 0},
        {"three cells", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, 4, 2, 3, 0,
         ".... M... ....", 0},
        {"onto the wall", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, 0, 2, 3, 0,
         ".... M... ....", 0},
        {"off the board", {".... .... .... ....", "M010 .... .... ....", ".... .... .... ...."}, 1, 2, -1, 2, 3, 0,
         ".... M... ....", 0},
        {"onto a piece it cannot take", {".... .... .... ....", "M010 T020 .... ....", ".... .... .... ...."}, 1, 2, 2,
         2, 3, 0, ".... MT.. ....", 0},
        {"king takes another seat's piece", {".... .... .... ....", "K010 T020 .... ....", ".... .... .... ...."}, 1,
         2, 2, 2, 3, 1, ".... .K.. ....", 1},
        {"king takes its own seat's piece", {".... .... .... ....", "K010 T010 .... ....", ".... .... .... ...."}, 1,
         2, 2, 2, 3, 1, ".... .K.. ....", 1},
        {"stomper takes a king diagonally", {".... .... .... ....", "S010 .... .... ....", ".... K020 .... ...."}, 1,
         2, 2, 3, 3, 2, ".... .... .S..", 1},
        {"mirror stomper takes", {".... .... .... ....", "O010 H020 .... ....", ".... .... .... ...."}, 1, 2, 2, 2, 3,
         1, ".... .O.. ....", 1},
        {"a second capture in the turn", {".... .... .... ....", "S011 M020 .... ....", ".... .... .... ...."}, 1, 2,
         2, 2, 3, 0, ".... SM.. ....", 1},
        {"a used stomper still steps", {".... .... .... ....", "S011 .... .... ....", ".... .... .... ...."}, 1, 2, 2,
         2, 3, 1, ".... .S.. ....", 1},
        {"a king onto a blank only moves", {".... .... .... ....", "K010 .... .... ....", ".... .... .... ...."}, 1,
         2, 2, 2, 3, 1, ".... .K.. ....", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, load(boardFile("gkv", 4, 3, c.rows)));
        OrvexPiece* mover = board().getPiece(c.fromX, c.fromY);
        EXPECT_EQ(c.result, mover->moveTo(c.toX, c.toY, c.maxSteps));
        std::string after;
        for (int y = 1; y <= 3; ++y) {
            if (y > 1) after += ' ';
            for (int x = 1; x <= 4; ++x) after += letterOf(board().getPiece(x, y));
        }
        EXPECT_EQ(c.after, after);
        EXPECT_EQ(c.stompsUsed, mover->iStompsUsed);
        EXPECT_EQ(std::string::npos, picture(board()).find("misplaced"));
        EXPECT_EQ(0, game.anim);
    }
}

TEST_F(BoardTest, MoveInDirectionTakesOneStep) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 3, {".... .... ....", ".... M010 ....", ".... .... ...."})));
    OrvexPiece* m = board().getPiece(2, 2);
    EXPECT_EQ(2, m->moveInDirection(3));  // a diagonal step counts two
    EXPECT_EQ(m, board().getPiece(3, 3));
    EXPECT_EQ(0, m->moveInDirection(3));  // the wall
}

TEST_F(BoardTest, PieceFallsIntoAHole) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 1, {"K010 X... ...."})));
    OrvexPiece* king = board().getPiece(1, 1);
    ASSERT_EQ(1, king->moveTo(2, 1, 3));
    EXPECT_EQ(king, board().getPiece(2, 1));
    EXPECT_EQ(1, game.anim);
    const int checks = game.gameOverChecks;
    for (int i = 0; i < 18; ++i) board().advanceAnimations();
    EXPECT_EQ(king, board().getPiece(2, 1));
    board().advanceAnimations();  // step 20
    EXPECT_EQ('.', letterOf(board().getPiece(2, 1)));
    EXPECT_EQ('X', letterOf(board().getOverlay(2, 1)));
    EXPECT_EQ(0, game.anim);
    EXPECT_EQ(checks + 1, game.gameOverChecks);
}

TEST_F(BoardTest, PieceOnAHyperHoleTeleportsLater) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 3, {"T010 Z... ....", ".... .... ....", ".... .... ...."})));
    OrvexPiece* t = board().getPiece(1, 1);
    ASSERT_EQ(1, t->moveTo(2, 1, 3));
    EXPECT_EQ(t, board().getPiece(1, 1));  // stays for now
    EXPECT_EQ(1, game.anim);
    for (int i = 0; i < 18; ++i) board().advanceAnimations();
    EXPECT_EQ(t, board().getPiece(1, 1));
    board().advanceAnimations();  // step 20: the jump
    EXPECT_NE(t, board().getPiece(1, 1));
    EXPECT_EQ(t, board().getPiece(t->iX, t->iY));
    EXPECT_EQ('.', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ(nullptr, board().getOverlay(t->iX, t->iY));
    EXPECT_EQ(1, game.anim);
    EXPECT_EQ(19, finishAnimations(game));
    EXPECT_EQ(0, t->iTeleportStep);
}

TEST_F(BoardTest, HyperSwapsWithAPiece) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 3, {"H010 M020 ....", ".... .... ....", ".... .... ...."})));
    OrvexPiece* h = board().getPiece(1, 1);
    OrvexPiece* m = board().getPiece(2, 1);
    ASSERT_EQ(1, h->moveTo(2, 1, 3));
    EXPECT_EQ(h, board().getPiece(2, 1));
    EXPECT_EQ(m, board().getPiece(m->iX, m->iY));
    EXPECT_FALSE(m->iX == 2 && m->iY == 1);
    EXPECT_EQ(1, h->iSwapsUsed);
    EXPECT_EQ(21, m->iTeleportStep);
    EXPECT_EQ(1, game.anim);
    EXPECT_EQ(19, finishAnimations(game));

    // One swap a turn: the same move onto a piece is refused.
    OrvexPiece* k = board().putPiece(std::make_unique<OrvexKing>(&board(), 3, 1, 2));
    EXPECT_EQ(0, h->moveTo(3, 1, 3));
    EXPECT_EQ(k, board().getPiece(3, 1));
}

TEST_F(BoardTest, SwapWithoutAFreeCellIsRefused) {
    // Every cell is taken: the target's teleport fails, so nothing moves and
    // the animation it started is over at once.
    ASSERT_EQ(1, load(boardFile("gkv", 2, 2, {"H010 M020", "K010 K020"})));
    OrvexPiece* h = board().getPiece(1, 1);
    OrvexPiece* m = board().getPiece(2, 1);
    EXPECT_EQ(0, h->moveTo(2, 1, 3));
    EXPECT_EQ(h, board().getPiece(1, 1));
    EXPECT_EQ(m, board().getPiece(2, 1));
    EXPECT_EQ(0, h->iSwapsUsed);
    EXPECT_EQ(0, m->iTeleportStep);
    EXPECT_EQ(0, game.anim);
}

TEST_F(BoardTest, PlacingAPieceOnItsOwnCellKeepsIt) {
    ASSERT_EQ(1, load(boardFile("gkv", 2, 1, {"K010 ...."})));
    OrvexPiece* k = board().getPiece(1, 1);
    EXPECT_EQ(1, k->setPosition(1, 1));
    EXPECT_EQ(k, board().getPiece(1, 1));
    EXPECT_EQ(piece_class::kKing, board().getPiece(1, 1)->iClassName);
    EXPECT_EQ(0, k->setPosition(5, 1));
    EXPECT_EQ(1, k->setPosition(2, 1));
    EXPECT_EQ(k, board().getPiece(2, 1));
    EXPECT_EQ('.', letterOf(board().getPiece(1, 1)));
}

namespace {

// Cells drawn by teleport tries from a given state on a board of side w.
std::vector<std::pair<int, int>> teleportDraws(uint32_t s, uint32_t t, int w, int count) {
    BoardRandom r;
    r.setSeeds(s, t);
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(r.next() % static_cast<uint32_t>(w));
        const int y = static_cast<int>(r.next() % static_cast<uint32_t>(w));
        out.push_back({x, y});
    }
    return out;
}

// A seed whose try `n` is the first to draw a play-area cell that no
// earlier try drew.
uint32_t seedWithFirstNewCellAt(int n, int w, std::pair<int, int>& cell) {
    for (uint32_t seed = 1;; ++seed) {
        const auto draws = teleportDraws(seed, 99, w, n);
        cell = draws.back();
        if (cell.first < 1 || cell.second < 1 || cell.first > w - 2 || cell.second > w - 2) continue;
        bool fresh = true;
        for (int i = 0; i + 1 < n; ++i) fresh = fresh && draws[i] != cell;
        if (fresh) return seed;
    }
}

std::string packedBoard(int side, std::pair<int, int> freeCell) {
    std::vector<std::string> rows;
    for (int y = 1; y <= side; ++y) {
        std::string row;
        for (int x = 1; x <= side; ++x) row += (x == freeCell.first && y == freeCell.second) ? "...." : "M010";
        rows.push_back(row);
    }
    return boardFile("gkv", side, side, rows);
}

}  // namespace

TEST_F(BoardTest, TeleportFindsTheOnlyFreeCellOnItsLastTry) {
    const int side = 40;
    std::pair<int, int> cell;
    const uint32_t seed = seedWithFirstNewCellAt(200, side + 2, cell);
    ASSERT_EQ(1, load(packedBoard(side, cell)));
    board().setRandomSeeds(seed, 99);
    OrvexPiece* m = board().getPiece(cell.first == 1 ? 2 : 1, 1);
    EXPECT_EQ(1, m->teleport());
    EXPECT_EQ(m, board().getPiece(cell.first, cell.second));
    EXPECT_EQ(21, m->iTeleportStep);
    // A turning piece lands with a random facing: the draw after the tries.
    BoardRandom r;
    r.setSeeds(seed, 99);
    for (int i = 0; i < 400; ++i) r.next();
    EXPECT_EQ(static_cast<int>(r.next() & 7), m->iDirection);
}

TEST_F(BoardTest, TeleportGivesUpAfter200Tries) {
    const int side = 40;
    std::pair<int, int> cell;
    const uint32_t seed = seedWithFirstNewCellAt(201, side + 2, cell);
    ASSERT_EQ(1, load(packedBoard(side, cell)));
    board().setRandomSeeds(seed, 99);
    OrvexPiece* m = board().getPiece(cell.first == 1 ? 2 : 1, 1);
    const int x = m->iX;
    EXPECT_EQ(0, m->teleport());
    EXPECT_EQ(m, board().getPiece(x, 1));
    EXPECT_EQ('.', letterOf(board().getPiece(cell.first, cell.second)));
}

TEST_F(BoardTest, RotationByStyle) {
    struct Case {
        const char* style;
        int start, right, left;
    };
    const Case cases[] = {
        {"kv", 0, 2, 6}, {"kv", 6, 0, 4}, {"gkv", 0, 1, 7}, {"gkv", 7, 0, 6}, {"oth", 3, 3, 3}, {"d2d", 5, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.style) + " " + std::to_string(c.start));
        ASSERT_EQ(1, load(boardFile(c.style, 1, 1, {"M" + std::to_string(c.start) + "10"})));
        OrvexPiece* m = board().getPiece(1, 1);
        m->rotateRight();
        EXPECT_EQ(c.right, m->iDirection);
        m->iDirection = c.start;
        m->rotateLeft();
        EXPECT_EQ(c.left, m->iDirection);
    }
}

TEST_F(BoardTest, WhatCanTurnFireAndBeTaken) {
    ASSERT_EQ(1, load(boardFile("gkv", 5, 3,
                                {"C010 L010 S010 O010 M010", "W010 K010 H010 D010 T010", "B010 X... Z... .... ...."})));
    const std::string rotates = "MWDLTBS";
    OrvexPiece* king = board().getPiece(2, 2);
    OrvexPiece* hyper = board().getPiece(3, 2);
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 5; ++x) {
            OrvexPiece* p = board().getPiece(x, y);
            const char l = letterOf(p);
            SCOPED_TRACE(std::string(1, l));
            EXPECT_EQ(rotates.find(l) != std::string::npos ? 1 : 0, p->canRotate());
            EXPECT_EQ(l == 'L' ? 1 : 0, p->canFire());
            EXPECT_EQ(l == 'H' ? 1 : 0, p->isHyper());
            EXPECT_EQ(l == '.' ? 0 : 1, p->canBeStompedBy(king));
            EXPECT_EQ(l == '.' ? 0 : 1, p->canBeSwappedBy(hyper));
            EXPECT_EQ(0, p->canBeStompedBy(hyper));
        }
    OrvexPiece* hole = board().getOverlay(2, 3);
    OrvexPiece* hyperHole = board().getOverlay(3, 3);
    EXPECT_EQ(1, hole->isHole());
    EXPECT_EQ(0, hole->isHyper());
    EXPECT_EQ(0, hyperHole->isHole());
    EXPECT_EQ(1, hyperHole->isHyper());
    for (OrvexPiece* floor : {hole, hyperHole}) {
        EXPECT_EQ(0, floor->canBeStompedBy(king));
        EXPECT_EQ(0, floor->canBeSwappedBy(hyper));
    }
    EXPECT_EQ(0, board().getPiece(0, 0)->canBeStompedBy(king));
    EXPECT_EQ(0, board().getPiece(0, 0)->canBeSwappedBy(hyper));
}

TEST_F(BoardTest, ChipFlipAnimation) {
    ASSERT_EQ(1, load(boardFile("oth", 1, 1, {"C010"})));
    OrvexPiece* chip = board().getPiece(1, 1);
    chip->iFlipSpeed = 10;
    game.anim = 1;
    EXPECT_EQ(2, OrvexBoard::effectiveOwner(chip));  // counts for the seat it turns to
    for (int i = 0; i < 9; ++i) board().advanceAnimations();
    EXPECT_EQ(1, chip->getPlayer());
    board().advanceAnimations();  // the half-way point: the owner changes
    EXPECT_EQ(2, chip->getPlayer());
    EXPECT_EQ(2, OrvexBoard::effectiveOwner(chip));
    EXPECT_EQ(1, game.anim);
    EXPECT_EQ(10, finishAnimations(game));
    EXPECT_EQ(0, chip->iFlipSpeed);
    EXPECT_EQ(0, chip->iFlipProgress);
    EXPECT_EQ(2, chip->getPlayer());
}

TEST_F(BoardTest, ExplosionParticles) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 1, {"K010 .... K020"})));
    board().getPiece(1, 1)->iHit = 1;
    board().getPiece(3, 1)->iHit = 1;
    board().startExplosion();
    ASSERT_EQ(100, board().iNumParticles);
    EXPECT_EQ(1, board().iParticleStep);
    EXPECT_EQ(1.0f, board().iParticleX[0]);
    EXPECT_EQ(3.0f, board().iParticleX[50]);
    const float x = board().iParticleX[7] + board().iParticleDX[7];
    board().advanceAnimations();
    EXPECT_FLOAT_EQ(x, board().iParticleX[7]);
    for (int i = 0; i < 98; ++i) board().advanceAnimations();
    EXPECT_EQ(0, board().iNumParticles);
    EXPECT_TRUE(board().iParticleX.empty());

    // A shot that destroyed nothing leaves no particles.
    board().getPiece(1, 1)->iHit = 0;
    board().getPiece(3, 1)->iHit = 0;
    board().startExplosion();
    EXPECT_EQ(0, board().iNumParticles);
}

TEST_F(BoardTest, RemoveDestroyedPiecesAndCounters) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 2, {"K010 L013 K020", "S012 H021 K010"})));
    EXPECT_EQ(2, board().countPieces(1, piece_class::kKing));
    EXPECT_EQ(1, board().countPieces(2, piece_class::kKing));
    EXPECT_EQ(0, board().countPieces(3, piece_class::kKing));
    board().getPiece(1, 1)->iHit = 1;
    board().getPiece(3, 1)->iHit = 1;
    const int checks = game.gameOverChecks;
    board().removeDestroyedPieces();
    EXPECT_EQ(checks + 1, game.gameOverChecks);  // judged once, after every removal
    EXPECT_EQ('.', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ('.', letterOf(board().getPiece(3, 1)));
    EXPECT_EQ(1, board().countPieces(1, piece_class::kKing));
    board().removeDestroyedPieces();
    EXPECT_EQ(checks + 1, game.gameOverChecks);  // nothing removed, nothing judged

    board().clearPieceEffects();
    EXPECT_EQ(0, board().getPiece(2, 1)->iShotsUsed);
    EXPECT_EQ(0, board().getPiece(1, 2)->iStompsUsed);
    EXPECT_EQ(0, board().getPiece(2, 2)->iSwapsUsed);
}
