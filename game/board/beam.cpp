// The beam rules of the piece classes and the work list that runs a shot.
//
// The rules are written as if each piece handed the beam to its neighbour
// by a nested call. A shot across a large board of mirrors would nest
// hundreds of thousands of calls, and shots of other players are traced on
// a worker-sized stack, so the trace keeps the beams still to run on a
// stack of its own, in the order of the nested calls exactly (it matters:
// the hop limit and the hyper redirects depend on the order of arrivals).
#include <algorithm>
#include <cstdint>

#include "framework/app/debuglog.h"
#include "game/board/beamtrace.h"
#include "game/board/board.h"
#include "game/board/piece.h"
#include "platform/os/contract.h"

namespace {

constexpr int kHopLimit = 10;  // a piece handles at most kHopLimit + 1 arrivals per shot

// The direction a hyper piece or hyper hole sends a beam in.
int hyperDirection(OrvexBoard& board) {
    int n = 0;
    if (board.isKvStyle()) n = static_cast<int>(board.boardRandom() & 3) * 2;
    if (board.isGkvStyle()) n = static_cast<int>(board.boardRandom() & 7);
    return n;
}

// The start shared by most rules: the half-beam back toward where the beam
// came from; a bomb's blast (hitNow) destroys the piece and ends the rule.
bool blastEnds(BeamTrace& trace, OrvexPiece* piece, int direction, int hitNow) {
    trace.markEnd(piece, oppositeDirection(direction));
    if (hitNow) {
        trace.hit(piece);
        return true;
    }
    return false;
}

}  // namespace

void BeamTrace::run(OrvexPiece* target, int direction, int hitNow) {
    if (!target) return;
    VURN_ASSERT((direction >= 0 && direction < 8) || direction == 9);
    iStack.clear();
    iStack.push_back({target, static_cast<int8_t>(direction), static_cast<int8_t>(hitNow), false});
    while (!iStack.empty()) {
        const Step step = iStack.back();
        iStack.pop_back();
        if (step.hitOnly)
            hit(step.piece);
        else
            arrive(step.piece, step.direction, step.hitNow);
    }
}

void BeamTrace::arrive(OrvexPiece* target, int direction, int hitNow) {
    if (target->logsBeam())
        debugPrintfSIII("beam %s %d,%d %d\n", target->iClassName.c_str(), target->iX, target->iY, direction);
    if (target->iHops++ > kHopLimit) return;
    const std::size_t first = iStack.size();
    target->beamRule(*this, direction, hitNow);
    // What the rule sent runs first, in the order it was sent.
    if (iStack.size() - first > 1) std::reverse(iStack.begin() + static_cast<std::ptrdiff_t>(first), iStack.end());
}

// Blanks, chips and holes: the beam passes straight through.
void OrvexPiece::beamRule(BeamTrace& trace, int direction, int hitNow) {
    // Only a firing piece is sent its own shot (direction 9).
    VURN_ASSERT(direction >= 0 && direction < 8);
    trace.markPass(this, direction);
    trace.send(this, direction, 0);
}

void OrvexWall::beamRule(BeamTrace& trace, int direction, int hitNow) {
    trace.markEnd(this, oppositeDirection(direction));
}

void OrvexKing::beamRule(BeamTrace& trace, int direction, int hitNow) {
    trace.markEnd(this, oppositeDirection(direction));
    trace.hit(this);
}

void OrvexOrvex::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (direction == 9) {  // its own shot leaves in its facing
        if (getNeighbour(iDirection)) trace.out(this, iDirection);
        return;
    }
    trace.markEnd(this, oppositeDirection(direction));
    trace.hit(this);
}

void OrvexMirror::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    const int r = (direction - iDirection) & 7;
    if (r == 0 || r == 4)
        trace.out(this, direction + 4);
    else if (r == 1 || r == 5)
        trace.out(this, direction + 2);
    else if (r == 3 || r == 7)
        trace.out(this, direction + 6);
    else
        trace.out(this, direction);
}

void OrvexDiagonal::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    const int r = (direction - iDirection) & 7;
    if (r == 4)
        trace.out(this, direction + 4);
    else if (r == 2 || r == 6)
        trace.out(this, direction);
    else if (r == 5)
        trace.out(this, direction + 2);
    else if (r == 3)
        trace.out(this, direction + 6);
    else
        trace.hit(this);
}

void OrvexOnewayMirror::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    if (iDirection == direction)
        trace.out(this, direction + 4);
    else
        trace.hit(this);
}

void OrvexSplitter::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    const int k = iDirection - direction;
    if (k == 0) {
        trace.out(this, iDirection + 6);
        trace.out(this, iDirection + 2);
    } else if (k == 2 || k == -2 || k == 6 || k == -6) {
        trace.out(this, iDirection + 4);
    } else if (k == 4 || k == -4) {
        trace.hit(this);
    } else {
        trace.out(this, direction);
    }
}

void OrvexStomper::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    const int back = oppositeDirection(direction);
    const int j = iDirection - back;
    // Its front armour turns back every beam within 45 degrees of the facing.
    if (j == -1 || j == 0 || j == 1 || j == -7 || j == 7)
        trace.out(this, back);
    else
        trace.hit(this);
}

void OrvexMirrorStomper::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    trace.out(this, direction + 4);
}

void OrvexHyper::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    trace.out(this, hyperDirection(*iBoard));
}

void OrvexHyperHole::beamRule(BeamTrace& trace, int direction, int hitNow) {
    trace.markEnd(this, oppositeDirection(direction));
    trace.out(this, hyperDirection(*iBoard));
}

void OrvexBomb::beamRule(BeamTrace& trace, int direction, int hitNow) {
    if (blastEnds(trace, this, direction, hitNow)) return;
    if ((iDirection + direction) % 2 == 0) {
        for (int d = 0; d < 8; ++d) {
            const OrvexPiece* next = getNeighbour(d);
            if (next && !next->isA(piece_class::kWall) && !next->isA(piece_class::kBlank)) {
                trace.markEnd(this, d);
                trace.send(this, d, 1);
            }
        }
        trace.hitAfterBeams(this);  // the blast first
        return;
    }
    trace.hit(this);
}
