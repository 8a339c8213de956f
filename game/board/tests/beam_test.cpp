// The beam rules of every piece class, and whole shots on small boards.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/util/runnable.h"
#include "game/board/board.h"
#include "game/board/tests/board_support.h"

using namespace board_test;

namespace {

// The piece under test stands at (2, 2) of a 3 x 3 play area with a king in
// every neighbouring cell; a king hit in direction d shows a beam sent in d.
constexpr int kCx = 2;
constexpr int kCy = 2;

struct RuleCase {
    const char* code;     // the piece's code without its direction digit, e.g. "M.1."
    const char* facing0;  // the result for incoming directions 0..7 at facing 0
    const char* facing3;  // the same at facing 3
    const char* blast;    // the result of a blast (hitNow 1) for directions 0..7
};

// Result tokens, one per incoming direction, blank-separated:
//   H       destroyed, nothing sent on
//   digits  beams sent, in those directions
//   pD      passed straight on in direction D (pass mark, no end marks)
//   -       absorbed: nothing sent, not destroyed
//   X       exploded: every neighbour blasted, then destroyed
//   R       sent on in the direction the random generator gives
const RuleCase kRules[] = {
    {"B.1.", "X H X H X H X H", "H X H X H X H X", "H H H H H H H H"},
    {"C.1.", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7"},
    {"D.1.", "H H 2 1 0 7 6 H", "2 1 H H H 5 4 3", "H H H H H H H H"},
    {"H.1.", "R R R R R R R R", "R R R R R R R R", "H H H H H H H H"},
    {"K.1.", "H H H H H H H H", "H H H H H H H H", "H H H H H H H H"},
    {"L.1.", "H H H H H H H H", "H H H H H H H H", "H H H H H H H H"},
    {"M.1.", "4 3 2 1 0 7 6 5", "2 1 0 7 6 5 4 3", "H H H H H H H H"},
    {"O.1.", "4 5 6 7 0 1 2 3", "4 5 6 7 0 1 2 3", "H H H H H H H H"},
    {"S.1.", "H H H 7 0 1 H H", "4 H H H H H 2 3", "H H H H H H H H"},
    {"T.1.", "62 1 4 3 H 5 4 7", "0 7 2 15 4 7 6 H", "H H H H H H H H"},
    {"W.1.", "4 H H H H H H H", "H H H 7 H H H H", "H H H H H H H H"},
    {"....", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7"},
    // Floor pieces and the wall are set up by hand (see pieceUnderTest).
    {"X...", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7", "p0 p1 p2 p3 p4 p5 p6 p7"},
    {"Z...", "R R R R R R R R", "R R R R R R R R", "R R R R R R R R"},
    {"wall", "- - - - - - - -", "- - - - - - - -", "- - - - - - - -"},
};

std::vector<std::string> tokens(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

class BeamRuleTest : public BoardTest {
protected:
    // Loads the detector board with the piece of `code` facing `facing`
    // and returns the piece whose rule runs.
    OrvexPiece* pieceUnderTest(const std::string& code, int facing) {
        std::string centre = code == "wall" ? "...." : code;
        if (centre[1] == '.') centre[1] = static_cast<char>('0' + facing);
        EXPECT_EQ(1, load(boardFile("gkv", 3, 3, {"K020 K020 K020", "K020 " + centre + " K020", "K020 K020 K020"})));
        if (code == "wall") return board().putPiece(std::make_unique<OrvexWall>(&board(), kCx, kCy));
        if (OrvexPiece* floor = board().getOverlay(kCx, kCy)) return floor;
        return board().getPiece(kCx, kCy);
    }

    void check(const std::string& code, int facing, int direction, int hitNow, const std::string& expect) {
        SCOPED_TRACE(code + " facing " + std::to_string(facing) + " beam " + std::to_string(direction) +
                     (hitNow ? " blast" : "") + " expects " + expect);
        OrvexPiece* piece = pieceUnderTest(code, facing);
        BoardRandom next = board().random();
        piece->onBeam(direction, hitNow);

        std::set<int> sent;
        int ends = 1 << ((direction + 4) % 8);
        int passes = 0;
        bool destroyed = false;
        if (expect == "H") {
            destroyed = true;
        } else if (expect == "X") {
            destroyed = true;
            for (int d = 0; d < 8; ++d) sent.insert(d);
        } else if (expect == "R") {
            sent.insert(static_cast<int>(next.next() & 7));
        } else if (expect[0] == 'p') {
            sent.insert(expect[1] - '0');
            ends = 0;
            passes = 1 << ((expect[1] - '0') % 4);
        } else if (expect != "-") {
            for (char c : expect) sent.insert(c - '0');
        }
        if (passes == 0)
            for (int d : sent) ends |= 1 << d;

        EXPECT_EQ(destroyed ? 1 : 0, piece->iHit);
        EXPECT_EQ(ends, board().iBeamEnds[kCx][kCy]);
        EXPECT_EQ(passes, board().iBeamPasses[kCx][kCy]);
        for (int d = 0; d < 8; ++d) {
            const OrvexPiece* detector = board().getPiece(kCx + directionDx(d), kCy + directionDy(d));
            EXPECT_EQ(sent.count(d) ? 1 : 0, detector->iHit) << "toward " << d;
        }
    }
};

}  // namespace

TEST_F(BeamRuleTest, EveryClassByEveryDirection) {
    for (const RuleCase& rule : kRules) {
        const char* tables[3] = {rule.facing0, rule.facing3, rule.blast};
        for (int t = 0; t < 3; ++t) {
            const std::vector<std::string> expected = tokens(tables[t]);
            ASSERT_EQ(8u, expected.size()) << rule.code;
            for (int d = 0; d < 8; ++d) check(rule.code, t == 1 ? 3 : 0, d, t == 2 ? 1 : 0, expected[d]);
        }
    }
}

TEST_F(BeamRuleTest, HyperRedirectByStyle) {
    struct Case {
        const char* style;
        int seedS, seedT;
        int direction;
        int draws;
    };
    const Case cases[] = {
        {"gkv", 12345, 67890, 7, 1},
        {"kv", 12345, 67890, 6, 1},
        {"gkv", 768468, 242142, 2, 1},
        {"oth", 12345, 67890, 0, 0},  // no beam style: straight to 0, nothing drawn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        ASSERT_EQ(1, load(boardFile(c.style, 3, 3, {"K020 K020 K020", "K020 H010 K020", "K020 K020 K020"})));
        board().setRandomSeeds(static_cast<uint32_t>(c.seedS), static_cast<uint32_t>(c.seedT));
        BoardRandom expected = board().random();
        for (int i = 0; i < c.draws; ++i) expected.next();
        board().getPiece(kCx, kCy)->onBeam(4, 0);
        for (int d = 0; d < 8; ++d)
            EXPECT_EQ(d == c.direction ? 1 : 0, board().getPiece(kCx + directionDx(d), kCy + directionDy(d))->iHit)
                << d;
        EXPECT_EQ(expected.s(), board().random().s());
    }
}

namespace {

// The non-empty cells of the beam map, "x,y:ends/passes" in hex.
std::string beamMap(const OrvexBoard& b) {
    std::string out;
    char buf[32];
    for (int y = 0; y < b.getHeight(); ++y)
        for (int x = 0; x < b.getWidth(); ++x)
            if (b.iBeamEnds[x][y] || b.iBeamPasses[x][y]) {
                std::snprintf(buf, sizeof buf, "%d,%d:%02x/%x ", x, y, b.iBeamEnds[x][y], b.iBeamPasses[x][y]);
                out += buf;
            }
    return out;
}

std::string hits(const OrvexBoard& b) {
    std::string out;
    for (int y = 0; y < b.getHeight(); ++y)
        for (int x = 0; x < b.getWidth(); ++x)
            if (b.getPiece(x, y)->iHit) out += std::to_string(x) + "," + std::to_string(y) + " ";
    return out;
}

}  // namespace

TEST_F(BoardTest, MirrorChain) {
    ASSERT_EQ(1, load(boardFile("gkv", 5, 5,
                                {"M310 .... .... .... M110",  //
                                 ".... .... .... .... ....",  //
                                 ".... .... .... .... ....",  //
                                 ".... .... .... .... ....",  //
                                 "L010 .... K020 .... M310"})));
    OrvexPiece* shooter = board().getPiece(1, 5);
    ASSERT_TRUE(shooter->canFire());
    shooter->fire();
    EXPECT_EQ("3,5 ", hits(board()));
    EXPECT_EQ(
        "1,1:14/0 2,1:00/4 3,1:00/4 4,1:00/4 5,1:50/0 1,2:00/1 5,2:00/1 1,3:00/1 5,3:00/1 1,4:00/1 5,4:00/1 "
        "1,5:01/0 3,5:04/0 4,5:00/4 5,5:41/0 ",
        beamMap(board()));
    EXPECT_EQ(1, shooter->iShotsUsed);
    EXPECT_FALSE(shooter->canFire());

    // A second shot in the same turn does nothing.
    board().clearBeams();
    shooter->fire();
    EXPECT_EQ("", beamMap(board()));
    // Once the turn passes it may fire again.
    board().clearPieceEffects();
    EXPECT_TRUE(shooter->canFire());
}

TEST_F(BoardTest, SplitterForkIsTracedDepthFirst) {
    folder.write("test.env", "");
    debugLogResetForTests();
    ASSERT_EQ(1, load(boardFile("gkv", 5, 5,
                                {"K020 .... .... .... ....",  //
                                 ".... .... .... .... ....",  //
                                 "M110 .... T010 .... K020",  //
                                 ".... .... .... .... ....",  //
                                 ".... .... L010 .... ...."})));
    board().getPiece(3, 5)->fire();
    debugLogResetForTests();
    EXPECT_EQ("1,1 5,3 ", hits(board()));

    std::istringstream log(folder.read("note.txt"));
    std::string trace;
    for (std::string line; std::getline(log, line);)
        if (line.rfind("beam ", 0) == 0) trace += line + "\n";
    EXPECT_EQ(
        "beam OrvexOrvex 3,5 9\n"
        "beam OrvexBlank 3,4 0\n"
        "beam OrvexSplitter 3,3 0\n"
        "beam OrvexBlank 2,3 6\n"
        "beam OrvexMirror 1,3 6\n"
        "beam OrvexBlank 1,2 0\n"
        "beam OrvexKing 1,1 0\n"
        "beam OrvexBlank 4,3 2\n"
        "beam OrvexKing 5,3 2\n",
        trace);
}

TEST_F(BoardTest, BombNextToBomb) {
    ASSERT_EQ(1, load(boardFile("gkv", 5, 5,
                                {".... .... K020 .... ....",  //
                                 ".... K020 C010 .... ....",  //
                                 ".... .... B010 B020 K020",  //
                                 ".... M010 .... .... ....",  //
                                 ".... .... L010 .... ...."})));
    board().getPiece(3, 5)->fire();
    // The first bomb blasts its neighbours: the second bomb is destroyed
    // without exploding (so the king beside it stays), the chip lets the
    // blast through to the king behind it, the mirror falls to the blast.
    EXPECT_EQ("3,1 2,2 3,3 4,3 2,4 ", hits(board()));
    EXPECT_EQ(0, board().getPiece(3, 2)->iHit);
    EXPECT_EQ(0, board().getPiece(5, 3)->iHit);
    EXPECT_EQ(1, board().iBeamPasses[3][2]);
}

TEST_F(BoardTest, FacingMirrorsStopAtTheHopLimit) {
    ASSERT_EQ(1, load(boardFile("gkv", 4, 1, {".... M210 M210 ...."})));
    OrvexPiece* a = board().getPiece(2, 1);
    OrvexPiece* b = board().getPiece(3, 1);
    a->onBeam(6, 0);          // arrives heading away from b: turned back toward it
    EXPECT_EQ(12, a->iHops);  // 11 handled, the 12th turned away
    EXPECT_EQ(11, b->iHops);
    EXPECT_EQ(0, a->iHit);
    EXPECT_EQ(0, b->iHit);
    EXPECT_EQ(0x04, board().iBeamEnds[2][1]);
    EXPECT_EQ(0x40, board().iBeamEnds[3][1]);
    board().clearBeams();
    EXPECT_EQ(0, a->iHops);
}

TEST_F(BoardTest, FiringPieceHitByItsOwnReflection) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 1, {"L210 .... M210"})));
    board().getPiece(1, 1)->fire();
    EXPECT_EQ("1,1 ", hits(board()));
}

TEST_F(BoardTest, SeededHyperShot) {
    ASSERT_EQ(1, load(boardFile("gkv", 3, 4,
                                {"K020 K020 K020",  //
                                 "K020 H010 K020",  //
                                 "K020 .... K020",  //
                                 ".... L010 ...."})));
    board().setRandomSeeds(12345, 67890);
    board().getPiece(2, 4)->fire();
    EXPECT_EQ("1,1 ", hits(board()));  // the first draw sends the beam toward 7
}

TEST_F(BoardTest, WrongPieceCannotFire) {
    ASSERT_EQ(1, load(boardFile("gkv", 2, 1, {"M010 K020"})));
    board().getPiece(1, 1)->fire();
    EXPECT_EQ("", beamMap(board()));
    EXPECT_EQ(0, board().getPiece(1, 1)->canFire());
}

namespace {

// A shot traced on a worker thread with the program's 1 MiB stack.
class ShotThread : public Runnable {
public:
    explicit ShotThread(OrvexPiece* shooter) : iShooter(shooter) {}
    void run() override { iShooter->fire(); }

private:
    OrvexPiece* iShooter;
};

// A serpentine of mirrors through every cell of an n by n play area: the
// firing piece in the bottom-left corner shoots right, each row's end turns
// the beam into the next row up, and the last mirror sends it all the way
// back to the shooter.
std::string serpentine(int n) {
    std::vector<std::string> rows(n);
    for (int y = 1; y <= n; ++y) {
        const bool rightward = (n - y) % 2 == 0;
        std::string row;
        for (int x = 1; x <= n; ++x) {
            int facing = 0;  // lets a beam along the row pass
            if (rightward && x == 1) facing = 3;
            if (rightward && x == n) facing = 3;
            if (!rightward && x == n) facing = 1;
            if (!rightward && x == 1) facing = y == 1 ? 2 : 1;
            row += (y == n && x == 1) ? std::string("L210") : "M" + std::to_string(facing) + "10";
        }
        rows[y - 1] = row;
    }
    return boardFile("gkv", n, n, rows);
}

}  // namespace

TEST_F(BoardTest, ShotAcrossTheLargestBoardOfMirrors) {
    const int n = OrvexBoard::kMaxPlayArea;
    ASSERT_EQ(1, load(serpentine(n)));
    ShotThread shot(board().getPiece(1, n));
    ASSERT_TRUE(shot.start());
    shot.join();
    long visited = 0;
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y) visited += board().getPiece(x, y)->iHops;
    EXPECT_EQ(2L * n * n - 1, visited);  // there and back through every cell, turned at the last
    EXPECT_EQ(std::to_string(1) + "," + std::to_string(n) + " ", hits(board()));

    // Traced again from the same start, the shot is the same.
    const std::string first = beamMap(board());
    board().clearBeams();
    board().getPiece(1, OrvexBoard::kMaxPlayArea)->iShotsUsed = 0;
    board().getPiece(1, OrvexBoard::kMaxPlayArea)->fire();
    EXPECT_EQ(first, beamMap(board()));
}
