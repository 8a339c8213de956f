// The clients of one game in lockstep: every action of the seat whose turn
// it is goes to the others as messages, and after every action all must
// hold the same board and turn state.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "game/board/tests/game_support.h"

using namespace board_test;

namespace {

using LockstepTest = StartBoardTest;

// Counts of what a random game did, so a game that does nothing fails.
struct Tally {
    int moves = 0, selects = 0, shots = 0, passes = 0, turns = 0;
    void count(const std::vector<std::string>& log, std::size_t from) {
        for (std::size_t i = from; i < log.size(); ++i) {
            const std::string& m = log[i].substr(3);
            if (m.rfind("PM", 0) == 0) ++moves;
            if (m.rfind("PS", 0) == 0) ++selects;
            if (m == "PFS") ++shots;
            if (m.rfind("PQS", 0) == 0) ++passes;
        }
    }
};

// Picks actions for the seat whose turn it is: mostly sensible ones
// (its own pieces, nearby cells, legal placements), some at random.
class RandomPlayer {
public:
    explicit RandomPlayer(unsigned seed) : iRng(seed) {}

    void act(RecordingGame& g) {
        OrvexBoard& b = *g.getBoard();
        if (g.isFirePending() && chance(70)) {
            g.completeFireAndNotify();  // the shot timer ran out
            return;
        }
        if (chance(4)) {
            g.passCommand();
            return;
        }
        if (b.isOrvexStyle())
            beamAction(g, b);
        else if (b.isOthStyle())
            reversiAction(g, b);
        else if (b.isChkStyle())
            checkersAction(g, b);
        else
            g.clickSquare(pick(b.getWidth()), pick(b.getHeight()));
    }

private:
    int pick(int n) { return static_cast<int>(iRng() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    struct Cell {
        int x, y;
    };
    std::vector<Cell> cells(const OrvexBoard& b, bool (*keep)(const OrvexBoard&, const OrvexPiece*, int), int seat) {
        std::vector<Cell> out;
        for (int y = 0; y < b.getHeight(); ++y)
            for (int x = 0; x < b.getWidth(); ++x)
                if (keep(b, b.getPiece(x, y), seat)) out.push_back({x, y});
        return out;
    }
    static bool ownPiece(const OrvexBoard&, const OrvexPiece* p, int seat) { return p->getPlayer() == seat; }
    static bool ownShooter(const OrvexBoard&, const OrvexPiece* p, int seat) {
        return p->getPlayer() == seat && p->canFire();
    }

    // One of the cells, `percent` times in a hundred; else any cell.
    void clickOneOf(RecordingGame& g, const OrvexBoard& b, const std::vector<Cell>& choice, int percent) {
        if (!choice.empty() && chance(percent)) {
            const Cell c = choice[static_cast<std::size_t>(pick(static_cast<int>(choice.size())))];
            g.clickSquare(c.x, c.y);
        } else {
            g.clickSquare(pick(b.getWidth()), pick(b.getHeight()));
        }
    }

    void clickNear(RecordingGame& g, const OrvexBoard& b, int reach) {
        g.clickSquare(b.getSelectedX() + pick(2 * reach + 1) - reach, b.getSelectedY() + pick(2 * reach + 1) - reach);
    }

    void beamAction(RecordingGame& g, const OrvexBoard& b) {
        const int seat = g.getCurrentPlayer();
        if (b.getSelectedX() == -1) {
            const bool shooter = chance(35) && !cells(b, ownShooter, seat).empty();
            clickOneOf(g, b, cells(b, shooter ? ownShooter : ownPiece, seat), 85);
            return;
        }
        const OrvexPiece* selected = b.getPiece(b.getSelectedX(), b.getSelectedY());
        if (selected->canFire() && chance(50)) {
            g.fireSelected();
            return;
        }
        const int r = pick(100);
        if (r < 40)
            clickNear(g, b, 2);
        else if (r < 50)
            g.clickSquare(b.getSelectedX(), b.getSelectedY());
        else if (r < 70)
            g.rotateSelectedPiece(chance(50));
        else if (r < 90)
            g.fireSelected();
        else
            g.clickSquare(pick(b.getWidth()), pick(b.getHeight()));
    }

    void reversiAction(RecordingGame& g, const OrvexBoard& b) {
        std::vector<Cell> legal;
        for (int y = 0; y < b.getHeight(); ++y)
            for (int x = 0; x < b.getWidth(); ++x)
                if (b.isLegalChipMove(g.getCurrentPlayer(), x, y)) legal.push_back({x, y});
        clickOneOf(g, b, legal, 85);
    }

    void checkersAction(RecordingGame& g, const OrvexBoard& b) {
        const int seat = g.getCurrentPlayer();
        if (b.getSelectedX() == -1) {
            std::vector<Cell> movable;
            for (const Cell& c : cells(b, ownPiece, seat))
                if (b.canChipMove(c.x, c.y, seat) || b.canCapture(c.x, c.y, seat)) movable.push_back(c);
            clickOneOf(g, b, movable, 90);
            return;
        }
        if (chance(8)) {
            g.clickSquare(b.getSelectedX(), b.getSelectedY());
        } else if (chance(90)) {
            // A diagonal step or jump, either way.
            const int d = 1 + pick(2);
            g.clickSquare(b.getSelectedX() + (chance(50) ? d : -d), b.getSelectedY() + (chance(50) ? d : -d));
        } else {
            clickNear(g, b, 2);
        }
    }

    std::mt19937 iRng;
};

// Plays `actions` random actions; returns what was played.
Tally playRandom(LockstepGroup& group, unsigned seed, int actions) {
    RandomPlayer player(seed);
    Tally tally;
    int lastSeat = group.anyPresent().getCurrentPlayer();
    for (int i = 0; i < actions && !::testing::Test::HasFailure(); ++i) {
        SCOPED_TRACE("action " + std::to_string(i + 1));
        const std::size_t logged = group.log().size();
        player.act(group.acting());
        group.deliver();
        tally.count(group.log(), logged);
        if (group.anyPresent().getCurrentPlayer() != lastSeat) ++tally.turns;
        lastSeat = group.anyPresent().getCurrentPlayer();
    }
    return tally;
}

}  // namespace

TEST_F(LockstepTest, ScriptedBeamGame) {
    useBoard("gkv", boardFile("gkv", 7, 7,
                              {"K020 .... .... .... .... .... ....",  //
                               ".... H020 .... .... .... .... ....",  //
                               ".... .... .... Z... .... .... ....",  //
                               ".... .... X... M020 .... B010 ....",  //
                               ".... .... .... .... .... .... ....",  //
                               ".... H010 M010 .... .... .... ....",  //
                               "L010 .... .... .... .... .... K010"}));
    LockstepGroup group(4242, 777);
    const std::vector<std::string> script = {
        // Seat 1: the hyper swaps with its own mirror, steps, and falls into the hole.
        "c 2 6",
        "c 3 6",
        "c 3 6",
        "c 3 5",
        "c 3 5",
        "c 3 4",
        // Seat 2: the mirror onto the hyper hole; the hyper swaps with the king; pass.
        "c 4 4",
        "c 4 3",
        "c 2 2",
        "c 1 1",
        // Seat 1: a turn and back, then a shot up the first column and its end.
        "c 1 7",
        "r",
        "l",
        "f",
        "e",
        "p",
        // Seat 2 selects and drops a piece, then passes.
        "c 1 1",
        "c 1 1",
        "p",
    };
    for (const std::string& action : script) {
        SCOPED_TRACE(action);
        perform(group.acting(), action);
        group.deliver();
        if (HasFailure()) break;
    }
    const OrvexBoard& b = *group.client(1).getBoard();
    EXPECT_EQ('.', letterOf(b.getPiece(3, 4)));  // the hyper went down the hole
    EXPECT_EQ('.', letterOf(b.getPiece(4, 4)));  // the mirror jumped away from the hyper hole...
    EXPECT_EQ('.', letterOf(b.getPiece(4, 3)));  // ...to a free cell
    EXPECT_EQ(1, b.countPieces(2, piece_class::kMirror));
    EXPECT_EQ(1, b.countPieces(1, piece_class::kMirror));
    EXPECT_GE(group.log().size(), 17u);  // a move is not followed by a PU
    EXPECT_NE(group.log().end(), std::find(group.log().begin(), group.log().end(), "1: PFE"));
}

TEST_F(LockstepTest, RandomGamesOfEveryStyle) {
    struct Case {
        const char* style;
        int minMoves, minShots, minTurns;
    };
    const Case cases[] = {
        {"kv", 20, 5, 10}, {"gkv", 20, 5, 10}, {"oth", 20, 0, 10}, {"chk", 20, 0, 10}, {"d2d", 0, 0, 1},
    };
    for (const Case& c : cases) {
        for (unsigned seed : {1u, 2u}) {
            SCOPED_TRACE(std::string(c.style) + " seed " + std::to_string(seed));
            useDefaultBoard(c.style);
            LockstepGroup group(seed * 7919u, seed * 104729u);
            const Tally t = playRandom(group, seed, 300);
            if (HasFailure()) {
                for (const std::string& line : group.log()) std::fprintf(stderr, "%s\n", line.c_str());
                return;
            }
            EXPECT_GE(t.moves + t.selects, c.minMoves);
            EXPECT_GE(t.shots, c.minShots);
            EXPECT_GE(t.turns, c.minTurns);
        }
    }
}

TEST_F(LockstepTest, RandomGamesWithAPlayerWhoLeaves) {
    struct Case {
        const char* style;
        int seats;
    };
    const Case cases[] = {{"gkv", 3}, {"gkv", 4}, {"kv", 3}, {"kv", 4}, {"oth", 2}, {"chk", 2}};
    for (const Case& c : cases) {
        for (unsigned seed : {3u, 4u}) {
            SCOPED_TRACE(std::string(c.style) + " with " + std::to_string(c.seats) + " seats, seed " +
                         std::to_string(seed));
            useDefaultBoard(c.style);
            LockstepGroup group(seed * 7919u, seed * 104729u, c.seats);
            playRandom(group, seed, 60);
            // Odd seeds: the seat on turn leaves, in the middle of whatever
            // it was doing; even seeds: another seat.
            const int current = group.acting().getCurrentPlayer();
            const int leaver = seed % 2 ? current : current % c.seats + 1;
            group.leave(leaver);
            playRandom(group, seed + 100, 60);
            if (HasFailure()) {
                for (const std::string& line : group.log()) std::fprintf(stderr, "%s\n", line.c_str());
                return;
            }
            const RecordingGame& g = group.anyPresent();
            EXPECT_TRUE(g.isOut(leaver));
            EXPECT_NE(leaver, g.getBoard()->iGameOver ? 0 : g.getCurrentPlayer());
        }
    }
}
