// The engine's beam tracing against an independent model of the rules.
//
// The model below is written straight from the rule table, as the nested
// calls the rules describe (each piece handing the beam to its neighbour),
// on a plain grid of letters. On thousands of seeded random boards and
// shots, the engine must leave the same beam map, hit flags, hop counts and
// random-generator state as the model, and trace the beam in the same order.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "game/board/board.h"
#include "game/board/tests/board_support.h"

using namespace board_test;

namespace {

// One cell of the model: the board-file letter ('#' for the border wall),
// the facing, and what a shot did to it.
struct ModelCell {
    char letter = '.';
    char floor = 0;  // 'X' or 'Z' under the cell, else 0
    int facing = 0;
    int hops = 0;
    int floorHops = 0;  // the floor piece's own count
    bool hit = false;
    uint8_t ends = 0;
    uint8_t passes = 0;
};

const char* modelClassName(char letter) {
    switch (letter) {
    case '.': return "OrvexBlank";
    case '#': return "OrvexWall";
    case 'C': return "OrvexChip";
    case 'X': return "OrvexHole";
    case 'Z': return "OrvexHyperHole";
    case 'H': return "OrvexHyper";
    case 'M': return "OrvexMirror";
    case 'O': return "OrvexMirrorStomper";
    case 'W': return "OrvexOnewayMirror";
    case 'D': return "OrvexDiagonal";
    case 'L': return "OrvexOrvex";
    case 'K': return "OrvexKing";
    case 'T': return "OrvexSplitter";
    case 'B': return "OrvexBomb";
    case 'S': return "OrvexStomper";
    }
    return "?";
}

class RulesModel {
public:
    RulesModel(int width, int height, bool classic)
        : iWidth(width), iHeight(height), iClassic(classic), iCells(width * height) {}

    ModelCell& at(int x, int y) { return iCells[static_cast<std::size_t>(y * iWidth + x)]; }
    bool onBoard(int x, int y) const { return x >= 0 && y >= 0 && x < iWidth && y < iHeight; }
    // Clearing the beams resets the layer-0 pieces' hops only.
    void clearShot() {
        for (ModelCell& c : iCells) c.hops = 0, c.ends = 0, c.passes = 0;
    }

    // A beam of direction `dir` reaches the piece at (x, y); `floor` picks
    // the floor piece of the cell instead of its piece.
    void beam(int x, int y, int dir, int hitNow, bool floor = false) {
        ModelCell& c = at(x, y);
        const char letter = floor ? c.floor : c.letter;
        const int o = c.facing;
        if (letter != 'B') log.push_back(line(letter, x, y, dir));
        if ((floor ? c.floorHops : c.hops)++ > 10) return;
        const int back = (dir + 4) % 8;
        const int r = ((dir - o) % 8 + 8) % 8;
        const int k = o - dir;
        switch (letter) {
        case '.':
        case 'C':
        case 'X':
            if (dir < 0 || dir > 7) return;
            c.passes |= static_cast<uint8_t>(1 << (dir % 4));
            send(x, y, dir, 0);
            return;
        case '#': c.ends |= static_cast<uint8_t>(1 << back); return;
        case 'K':
            c.ends |= static_cast<uint8_t>(1 << back);
            hit(x, y);
            return;
        case 'L':
            if (dir == 9) {
                if (neighbour(x, y, o)) out(x, y, o);
                return;
            }
            c.ends |= static_cast<uint8_t>(1 << back);
            hit(x, y);
            return;
        case 'Z':
            c.ends |= static_cast<uint8_t>(1 << back);
            out(x, y, hyperDirection());
            return;
        default: break;
        }
        // Every other rule starts alike: the end mark back, and a blast
        // destroys the piece.
        c.ends |= static_cast<uint8_t>(1 << back);
        if (hitNow) {
            hit(x, y);
            return;
        }
        switch (letter) {
        case 'M':
            if (k == 0 || k == 4 || k == -4)
                out(x, y, dir + 4);
            else if (r == 1 || r == 5)
                out(x, y, dir + 2);
            else if (r == 3 || r == 7)
                out(x, y, dir + 6);
            else
                out(x, y, dir);
            break;
        case 'D':
            if (r == 4)
                out(x, y, dir + 4);
            else if (r == 2 || r == 6)
                out(x, y, dir);
            else if (r == 5)
                out(x, y, dir + 2);
            else if (r == 3)
                out(x, y, dir + 6);
            else
                hit(x, y);
            break;
        case 'W':
            if (k == 0)
                out(x, y, dir + 4);
            else
                hit(x, y);
            break;
        case 'T':
            if (k == 0) {
                out(x, y, o + 6);
                out(x, y, o + 2);
            } else if (k == 2 || k == -2 || k == 6 || k == -6) {
                out(x, y, o + 4);
            } else if (k == 4 || k == -4) {
                hit(x, y);
            } else {
                out(x, y, dir);
            }
            break;
        case 'S': {
            const int j = o - back;
            if (j == -1 || j == 0 || j == 1 || j == -7 || j == 7)
                out(x, y, back);
            else
                hit(x, y);
            break;
        }
        case 'O': out(x, y, dir + 4); break;
        case 'H': out(x, y, hyperDirection()); break;
        case 'B':
            if ((o + dir) % 2 == 0) {
                for (int d = 0; d < 8; ++d) {
                    const ModelCell* n = neighbour(x, y, d);
                    if (n && n->letter != '#' && n->letter != '.') {
                        c.ends |= static_cast<uint8_t>(1 << d);
                        beam(x + dx(d), y + dy(d), d, 1);
                    }
                }
            }
            hit(x, y);
            break;
        }
    }

    std::vector<std::string> log;  // "beam ..." and "lp::bv" lines in call order
    BoardRandom random;

private:
    static int dx(int d) { return (d >= 1 && d <= 3) ? 1 : (d >= 5 && d <= 7) ? -1 : 0; }
    static int dy(int d) { return (d == 7 || d == 0 || d == 1) ? -1 : (d >= 3 && d <= 5) ? 1 : 0; }

    static std::string line(char letter, int x, int y, int dir) {
        return std::string("beam ") + modelClassName(letter) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
               std::to_string(dir);
    }
    ModelCell* neighbour(int x, int y, int d) {
        d %= 8;
        return onBoard(x + dx(d), y + dy(d)) ? &at(x + dx(d), y + dy(d)) : nullptr;
    }
    void send(int x, int y, int d, int hitNow) {
        d %= 8;
        if (neighbour(x, y, d)) beam(x + dx(d), y + dy(d), d, hitNow);
    }
    void out(int x, int y, int d) {
        d %= 8;
        at(x, y).ends |= static_cast<uint8_t>(1 << d);
        send(x, y, d, 0);
    }
    void hit(int x, int y) {
        log.push_back("lp::bv");
        at(x, y).hit = true;
    }
    int hyperDirection() {
        int n = 0;
        if (iClassic) n = static_cast<int>(random.next() & 3) * 2;
        if (!iClassic) n = static_cast<int>(random.next() & 7);
        return n;
    }

    int iWidth, iHeight;
    bool iClassic;
    std::vector<ModelCell> iCells;
};

// A random board: its file text and the matching model.
struct RandomBoard {
    std::string file;
    RulesModel model;
};

RandomBoard randomBoard(std::mt19937& rng, int maxSide) {
    const int w = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxSide));
    const int h = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxSide));
    const bool classic = rng() % 3 == 0;
    const int density = 20 + static_cast<int>(rng() % 75);  // percent of cells with a piece
    // Beam pieces weigh more than the rest, so that beams travel far.
    static const char kLetters[] = "MMMMDDDTTTWWSSOBBKLHHCXZ";
    RandomBoard b{"", RulesModel(w + 2, h + 2, classic)};
    std::vector<std::string> rows;
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w + 2; ++x)
            if (x == 0 || y == 0 || x == w + 1 || y == h + 1) b.model.at(x, y).letter = '#';
    for (int y = 1; y <= h; ++y) {
        std::string row;
        for (int x = 1; x <= w; ++x) {
            ModelCell& c = b.model.at(x, y);
            char letter = '.';
            if (static_cast<int>(rng() % 100) < density) letter = kLetters[rng() % (sizeof kLetters - 1)];
            const int facing = static_cast<int>(rng() % 8);
            const int owner = 1 + static_cast<int>(rng() % 2);
            if (letter == 'X' || letter == 'Z') {
                c.floor = letter;  // a floor piece under a blank
                c.letter = '.';
            } else {
                c.letter = letter;
                c.facing = letter == '.' ? 0 : facing;
            }
            row += letter == '.' ? std::string("....")
                                 : std::string(1, letter) + std::to_string(facing) + std::to_string(owner) + "0";
        }
        rows.push_back(row);
    }
    b.file = boardFile(classic ? "kv" : "gkv", w, h, rows);
    return b;
}

class BeamModelTest : public BoardTest {
protected:
    // Runs one beam on the engine and the model: a shot of a random firing
    // piece when there is one and `shoot`, else a beam of random direction
    // (and sometimes a blast) at a random piece or floor piece.
    void traceBoth(RulesModel& model, std::mt19937& rng, bool shoot) {
        const int w = board().getWidth(), h = board().getHeight();
        std::vector<OrvexPiece*> shooters;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (board().getPiece(x, y)->isA(piece_class::kOrvex)) shooters.push_back(board().getPiece(x, y));
        model.random = board().random();
        if (shoot && !shooters.empty()) {
            OrvexPiece* shooter = shooters[rng() % shooters.size()];
            shooter->iShotsUsed = 0;
            shooter->fire();
            model.beam(shooter->iX, shooter->iY, 9, 0);
            return;
        }
        const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
        const int y = static_cast<int>(rng() % static_cast<unsigned>(h));
        const int dir = static_cast<int>(rng() % 8);
        const int hitNow = rng() % 4 == 0 ? 1 : 0;
        OrvexPiece* floor = board().getOverlay(x, y);
        const bool onFloor = floor && rng() % 2 == 0;
        (onFloor ? floor : board().getPiece(x, y))->onBeam(dir, hitNow);
        model.beam(x, y, dir, hitNow, onFloor);
    }

    // The engine's board against the model, cell by cell; the first
    // difference only, as a readable message.
    std::string difference(RulesModel& model) {
        std::ostringstream out;
        for (int y = 0; y < board().getHeight(); ++y)
            for (int x = 0; x < board().getWidth(); ++x) {
                const OrvexPiece* p = board().getPiece(x, y);
                const OrvexPiece* f = board().getOverlay(x, y);
                ModelCell& c = model.at(x, y);
                const int floorHops = f ? f->iHops : 0;
                if (board().iBeamEnds[x][y] != c.ends || board().iBeamPasses[x][y] != c.passes ||
                    (p->iHit != 0) != c.hit || p->iHops != c.hops || floorHops != c.floorHops) {
                    out << "cell " << x << "," << y << ": ends " << int(board().iBeamEnds[x][y]) << "/" << int(c.ends)
                        << " passes " << int(board().iBeamPasses[x][y]) << "/" << int(c.passes) << " hit " << p->iHit
                        << "/" << c.hit << " hops " << p->iHops << "/" << c.hops << " floor hops " << floorHops << "/"
                        << c.floorHops;
                    return out.str();
                }
            }
        if (board().random().s() != model.random.s() || board().random().t() != model.random.t())
            return "random generator state differs";
        return "";
    }

    // Loads a random board into the engine; the model to go with it.
    RulesModel loadRandom(std::mt19937& rng, int maxSide) {
        RandomBoard b = randomBoard(rng, maxSide);
        EXPECT_EQ(1, load(b.file));
        board().setRandomSeeds(rng(), rng());
        return b.model;
    }

    // The lines of the debug log that show the order of the trace.
    std::vector<std::string> traceLines() {
        std::vector<std::string> out;
        std::istringstream log(folder.read("note.txt"));
        for (std::string line; std::getline(log, line);)
            if (line.rfind("beam ", 0) == 0 || line == "lp::bv") out.push_back(line);
        return out;
    }
};

}  // namespace

TEST_F(BeamModelTest, EngineAgreesWithTheModelOnRandomBoards) {
    std::mt19937 rng(1902);
    int beams = 0, hits = 0;
    for (int round = 0; round < 2500 && !HasFailure(); ++round) {
        RulesModel model = loadRandom(rng, round % 10 == 0 ? 40 : 12);
        // A few beams per board; hops and marks carry over unless cleared.
        const int count = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < count && !HasFailure(); ++i) {
            if (rng() % 2 == 0) {
                board().clearBeams();
                model.clearShot();
            }
            traceBoth(model, rng, rng() % 4 != 0);
            ASSERT_EQ("", difference(model)) << "round " << round << " beam " << i << "\n"
                                             << folder.read("boards/test.brd");
            ++beams;
        }
        for (int y = 0; y < board().getHeight(); ++y)
            for (int x = 0; x < board().getWidth(); ++x) hits += board().getPiece(x, y)->iHit;
    }
    // The boards must really exercise the rules.
    EXPECT_GT(beams, 4000);
    EXPECT_GT(hits, 1500);
}

TEST_F(BeamModelTest, EngineTracesInTheModelsOrder) {
    folder.write("test.env", "");
    std::mt19937 rng(77);
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        RulesModel model = loadRandom(rng, 10);
        debugLogResetForTests();  // a fresh log for this beam alone
        traceBoth(model, rng, rng() % 4 != 0);
        debugLogResetForTests();
        ASSERT_EQ("", difference(model)) << "round " << round;
        ASSERT_EQ(model.log, traceLines()) << "round " << round << "\n" << folder.read("boards/test.brd");
    }
}
