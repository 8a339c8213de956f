#pragma once
// The work list that traces one shot through the pieces' beam rules.
#include <cstdint>
#include <vector>

#include "game/board/board.h"

// The explicit work list of one shot. A beam rule marks the beam map and
// hits pieces at once (neither changes what any rule does) and leaves the
// beams it sends on a stack, so a shot across the largest board needs no
// deep call stack. The beams one rule sends are traced in the order it sent
// them, each with everything that follows from it, before anything that was
// waiting: the order of the nested calls the rules stand for, which the hop
// limit and the hyper redirects depend on.
class BeamTrace {
public:
    explicit BeamTrace(OrvexBoard& board) : iBoard(board) {}

    // Runs a beam arriving at `target` and everything that follows from it.
    // Precondition: direction 0..7, or 9 for a firing piece's own shot.
    void run(OrvexPiece* target, int direction, int hitNow);

    // Bit 1 << d of the cell's end plane: a half-beam from its centre to d.
    void markEnd(const OrvexPiece* at, int d) {
        iBoard.iBeamEnds[at->iX][at->iY] |= static_cast<uint8_t>(1u << (d & 7));
    }
    // Bit 1 << (d mod 4) of the cell's pass plane.
    void markPass(const OrvexPiece* at, int d) {
        iBoard.iBeamPasses[at->iX][at->iY] |= static_cast<uint8_t>(1u << (d & 3));
    }
    void hit(OrvexPiece* piece) { piece->setBeamHit(); }
    // The hit that comes once the beams this rule has sent so far have been
    // traced to their ends (a bomb falls after its blast).
    void hitAfterBeams(OrvexPiece* piece) { iStack.push_back({piece, 0, 0, true}); }
    // The neighbour of `from` in direction d gets the beam (nothing when
    // there is none).
    void send(const OrvexPiece* from, int d, int hitNow) {
        d &= 7;
        if (OrvexPiece* next = iBoard.pieceAt(from->iX + directionDx(d), from->iY + directionDy(d)))
            iStack.push_back({next, static_cast<int8_t>(d), static_cast<int8_t>(hitNow), false});
    }
    // Mark end d, then send d: a beam leaving the cell.
    void out(const OrvexPiece* from, int d) {
        markEnd(from, d);
        send(from, d, 0);
    }

private:
    struct Step {
        OrvexPiece* piece;
        int8_t direction;
        int8_t hitNow;
        bool hitOnly;  // a deferred hit, no beam
    };
    void arrive(OrvexPiece* target, int direction, int hitNow);

    OrvexBoard& iBoard;
    std::vector<Step> iStack;  // still to run, the next on top
};
