// The shipped default boards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/board/board.h"
#include "game/board/tests/board_support.h"

using namespace board_test;

namespace {

struct DefaultBoard {
    const char* name;
    int style;  // as OrvexBoard::setStyle
    int playArea;
    bool beams;  // a board of kings, firing pieces and mirrors
};

const DefaultBoard kDefaults[] = {
    {"default.kv", 0, 9, true},   {"default.gkv", 1, 11, true}, {"default.oth", 2, 8, false},
    {"default.chk", 3, 8, false}, {"default.d2d", 4, 11, true},
};

class DefaultBoardTest : public BoardTest {
protected:
    void loadDefault(const DefaultBoard& d) {
        folder.copyFromSource(std::string("data/boards/") + d.name, std::string("boards/") + d.name);
        ASSERT_EQ(1, board().loadFile(d.name));
    }
};

}  // namespace

TEST_F(DefaultBoardTest, LoadWithTheirStyleAndSize) {
    for (const DefaultBoard& d : kDefaults) {
        SCOPED_TRACE(d.name);
        loadDefault(d);
        EXPECT_EQ(d.playArea + 2, board().getWidth());
        EXPECT_EQ(d.playArea + 2, board().getHeight());
        const int flags[5] = {board().isKvStyle(), board().isGkvStyle(), board().isOthStyle(), board().isChkStyle(),
                              board().isD2dStyle()};
        for (int s = 0; s < 5; ++s) EXPECT_EQ(s == d.style ? 1 : 0, flags[s]);
        // The header is the one the style writes.
        const std::string text = folder.read(std::string("boards/") + d.name);
        ASSERT_EQ(1, board().saveFile("resaved.brd"));
        EXPECT_EQ(text, folder.read("boards/resaved.brd"));
    }
}

TEST_F(DefaultBoardTest, SaveAndLoadBackIdentically) {
    for (const DefaultBoard& d : kDefaults) {
        SCOPED_TRACE(d.name);
        loadDefault(d);
        const std::string loaded = picture(board());
        ASSERT_EQ(1, board().saveFile("copy.brd"));
        ASSERT_EQ(1, board().loadFile("copy.brd"));
        EXPECT_EQ(loaded, picture(board()));
    }
}

TEST_F(DefaultBoardTest, BeamBoardsArePointSymmetricAndPlayable) {
    for (const DefaultBoard& d : kDefaults) {
        if (!d.beams) continue;
        SCOPED_TRACE(d.name);
        loadDefault(d);
        const int w = board().getWidth();
        const int h = board().getHeight();
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y) {
                const OrvexPiece* p = board().getPiece(x, y);
                const OrvexPiece* q = board().getPiece(w - 1 - x, h - 1 - y);
                ASSERT_EQ(letterOf(p), letterOf(q)) << x << "," << y;
                const OrvexPiece* pf = board().getOverlay(x, y);
                const OrvexPiece* qf = board().getOverlay(w - 1 - x, h - 1 - y);
                EXPECT_EQ(pf ? letterOf(pf) : '-', qf ? letterOf(qf) : '-');
                if (p->getPlayer() == 0) {
                    EXPECT_EQ(0, q->getPlayer());
                    continue;
                }
                // Seats 1 and 2 face each other, and so do seats 3 and 4.
                const int opposite[] = {0, 2, 1, 4, 3};
                ASSERT_LE(p->getPlayer(), 4);
                EXPECT_EQ(opposite[p->getPlayer()], q->getPlayer()) << x << "," << y;
                EXPECT_EQ((p->iDirection + 4) % 8, q->iDirection) << x << "," << y;
            }
        // The beam boards hold pieces for four seats; the fifth style's two.
        const int seats = d.style == 4 ? 2 : 4;
        for (int seat = 1; seat <= seats; ++seat) {
            EXPECT_GE(board().countPieces(seat, piece_class::kKing), 1);
            EXPECT_GE(board().countPieces(seat, piece_class::kOrvex), 1);
            EXPECT_GE(board().countPieces(seat, piece_class::kMirror), 1);
        }
        // A fair opening: no shot fired from the board as it stands
        // destroys anything.
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y) {
                OrvexPiece* p = board().getPiece(x, y);
                if (!p->canFire()) continue;
                p->fire();
                for (int i = 0; i < w; ++i)
                    for (int j = 0; j < h; ++j)
                        EXPECT_EQ(0, board().getPiece(i, j)->iHit) << "shot from " << x << "," << y;
                board().clearBeams();
            }
    }
}

TEST_F(DefaultBoardTest, NoFiringPieceTurnedAtTheStartHitsAKing) {
    // Whatever a seat's first turn turns a firing piece to, its shot takes
    // no king of another seat.
    for (const DefaultBoard& d : {kDefaults[0], kDefaults[1]}) {
        const int w = d.playArea + 2;
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < w; ++y)
                for (int turns = -2; turns <= 2; ++turns) {
                    SCOPED_TRACE(std::string(d.name) + " firing piece at " + std::to_string(x) + "," +
                                 std::to_string(y) + " turned " + std::to_string(turns));
                    loadDefault(d);
                    OrvexPiece* p = board().getPiece(x, y);
                    if (!p->canFire()) break;
                    for (int i = 0; i < std::abs(turns); ++i) turns > 0 ? p->rotateRight() : p->rotateLeft();
                    const int seat = p->getPlayer();
                    p->fire();
                    for (int i = 0; i < w; ++i)
                        for (int j = 0; j < w; ++j) {
                            const OrvexPiece* k = board().getPiece(i, j);
                            if (k->isA(piece_class::kKing) && k->getPlayer() != seat) {
                                EXPECT_EQ(0, k->iHit) << "the king at " << i << "," << j;
                            }
                        }
                }
    }
}

TEST_F(DefaultBoardTest, TheAdvancedBoardUsesEveryPiece) {
    loadDefault(kDefaults[1]);
    for (const char* cls : {piece_class::kKing, piece_class::kOrvex, piece_class::kMirror, piece_class::kDiagonal,
                            piece_class::kOnewayMirror, piece_class::kSplitter, piece_class::kBomb,
                            piece_class::kStomper, piece_class::kMirrorStomper, piece_class::kHyper})
        EXPECT_GE(board().countPieces(1, cls), 1) << cls;
    int holes = 0, hyperHoles = 0;
    for (int x = 0; x < board().getWidth(); ++x)
        for (int y = 0; y < board().getHeight(); ++y)
            if (const OrvexPiece* f = board().getOverlay(x, y)) (f->isHole() ? holes : hyperHoles)++;
    EXPECT_GE(holes, 1);
    EXPECT_GE(hyperHoles, 1);
}

TEST_F(DefaultBoardTest, ReversiStartsWithTheFourCentreChips) {
    loadDefault(kDefaults[2]);
    std::string chips;
    for (int y = 1; y <= 8; ++y)
        for (int x = 1; x <= 8; ++x) {
            const OrvexPiece* p = board().getPiece(x, y);
            if (!p->isA(piece_class::kBlank))
                chips +=
                    std::to_string(x) + std::to_string(y) + ":" + letterOf(p) + std::to_string(p->getPlayer()) + " ";
        }
    EXPECT_EQ("44:C2 54:C1 45:C1 55:C2 ", chips);
}

TEST_F(DefaultBoardTest, CheckersHasTwelveChipsASideOnOneColour) {
    loadDefault(kDefaults[3]);
    int count[3] = {0, 0, 0};
    for (int y = 1; y <= 8; ++y)
        for (int x = 1; x <= 8; ++x) {
            const OrvexPiece* p = board().getPiece(x, y);
            if (p->isA(piece_class::kBlank)) continue;
            ASSERT_TRUE(p->isA(piece_class::kChip));
            EXPECT_EQ(1, (x + y) % 2) << x << "," << y;
            EXPECT_EQ(0, p->iCrowned);
            // Seat 1 starts at the top and moves toward larger y.
            EXPECT_EQ(p->getPlayer() == 1, y <= 3) << x << "," << y;
            ++count[p->getPlayer()];
        }
    EXPECT_EQ(12, count[1]);
    EXPECT_EQ(12, count[2]);
}
