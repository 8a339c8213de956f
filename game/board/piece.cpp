#include "game/board/piece.h"

#include <cstdint>
#include <cstdlib>

#include "framework/app/debuglog.h"
#include "game/board/beamtrace.h"
#include "game/board/board.h"

namespace {
constexpr int kUnlimited = 1000;
constexpr int kTeleportTries = 200;
}  // namespace

OrvexPiece::OrvexPiece(OrvexBoard* board, int x, int y, int owner, const char* className)
    : iClassName(className), iX(x), iY(y), iBoard(board), iPlayer(owner) {
    // The idle wiggle is drawing only, so it uses the C library's generator.
    iWigglePhase = std::rand() % 20 - 10;
    iWiggleStep = (std::rand() & 1) ? 1 : -1;
}

OrvexPiece::~OrvexPiece() = default;

void OrvexPiece::onBeam(int direction, int hitNow) {
    BeamTrace trace(*iBoard);
    trace.run(this, direction, hitNow);
}

void OrvexPiece::rotateRight() {
    int d = iDirection;
    if (iBoard->isKvStyle()) d += 2;
    if (iBoard->isGkvStyle()) d += 1;
    iDirection = d % 8;
}

void OrvexPiece::rotateLeft() {
    int d = iDirection;
    if (iBoard->isKvStyle()) d -= 2;
    if (iBoard->isGkvStyle()) d -= 1;
    iDirection = (d + 8) % 8;
}

void OrvexPiece::setBeamHit() {
    debugLog("lp::bv\n");
    iHit = 1;
}

void OrvexPiece::startTeleport() {
    iBoard->game().addAnimSequence(1);
    debugLog("enter iInAnimSequence by tele\n");
    iTeleportStep = 1;
}

void OrvexPiece::startDisappear() {
    iBoard->game().addAnimSequence(1);
    debugLog("enter iInAnimSequence by disa\n");
    iDisappearStep = 1;
}

int OrvexPiece::teleport() {
    OrvexBoard& board = *iBoard;
    const uint32_t w = static_cast<uint32_t>(board.getWidth());
    const uint32_t h = static_cast<uint32_t>(board.getHeight());
    int x = -1;
    int y = -1;
    for (int i = 0; i < kTeleportTries; ++i) {
        const uint32_t tx = board.boardRandom() % w;
        const uint32_t ty = board.boardRandom() % h;
        const OrvexPiece* cell = board.getPiece(static_cast<int>(tx), static_cast<int>(ty));
        if (cell && cell->isA(piece_class::kBlank) && !board.getOverlay(static_cast<int>(tx), static_cast<int>(ty))) {
            x = static_cast<int>(tx);
            y = static_cast<int>(ty);
            break;
        }
    }
    if (x < 0) {
        debugLog("teleport failed\n");
        return 0;
    }
    if (canRotate()) {
        iDirection = 0;
        if (board.isKvStyle()) iDirection = (0 + static_cast<int>(board.boardRandom() & 3) * 2) % 8;
        if (board.isGkvStyle()) iDirection = static_cast<int>(board.boardRandom() & 7);
    }
    iTeleportStep = 21;
    const int moved = moveTo(x, y, kUnlimited);
    debugPrintfI("teleportNS = %d\n", moved);
    return 1;
}

void OrvexPiece::disappearNow() {
    debugLog("disappear now\n");
    OrvexBoard* board = iBoard;
    if (board->getPiece(iX, iY) != this) {
        debugLog("ERROR: disappearing piece is not on its cell\n");
        return;
    }
    board->replaceWithBlank(iX, iY);  // deletes this piece
    board->game().checkGameOver();
}

void OrvexPiece::fire() { debugLog("ERROR: Wrong piece, can not fire!\n"); }

int OrvexPiece::moveInDirection(int direction) {
    return moveTo(iX + directionDx(direction), iY + directionDy(direction), 2);
}

int OrvexPiece::moveTo(int x, int y, int maxSteps) {
    OrvexBoard& board = *iBoard;
    if (!board.isOnBoard(x, y)) return 0;
    const int distance = std::abs(iX - x) + std::abs(iY - y);
    if (distance == 0) return 0;
    const int limit = maxSteps == kUnlimited ? kUnlimited : (maxSteps < 2 ? maxSteps : 2);
    if (distance > limit) return 0;
    if (maxSteps != kUnlimited && distance == 2) {
        if (x == iX || y == iY) return 0;  // two cells straight on
        const OrvexPiece* corner1 = board.getPiece(x, iY);
        const OrvexPiece* corner2 = board.getPiece(iX, y);
        const bool open =
            (corner1 && corner1->isA(piece_class::kBlank)) || (corner2 && corner2->isA(piece_class::kBlank));
        if (!open) return 0;
    }
    OrvexPiece* target = board.getPiece(x, y);
    OrvexPiece* floor = board.getOverlay(x, y);
    debugPrintfI("m1 (%d)\n", static_cast<int>(reinterpret_cast<uintptr_t>(target) & 0x7fffffff));
    if (target && target->canBeStompedBy(this)) {
        ++iStompsUsed;
        target->onStomped();
        iX = x;
        iY = y;
        board.movePiece(this);  // deletes the captured piece
        board.game().checkGameOver();
        return distance;
    }
    debugLog("m2\n");
    if (floor && floor->isHyper()) {
        startTeleport();  // the piece stays; its animation sends it on
        return distance;
    }
    if ((target && target->isHole()) || (floor && floor->isHole())) {
        iX = x;
        iY = y;
        board.movePiece(this);
        startDisappear();
        return distance;
    }
    if (target && target->canBeSwappedBy(this)) {
        target->startTeleport();
        target->iTeleportStep = 20;
        if (!target->teleport()) {
            // No free cell for the target: the swap is refused, both pieces
            // stay and the target's animation ends at once.
            target->iTeleportStep = 0;
            board.game().addAnimSequence(-1);
            debugLog("swap refused\n");
            return 0;
        }
        ++iSwapsUsed;
        iX = x;
        iY = y;
        board.movePiece(this);
        return distance;
    }
    debugLog("m3\n");
    if (target && target->isBlank()) {
        iX = x;
        iY = y;
        board.movePiece(this);
        return distance;
    }
    debugLog("m4\n");
    return 0;
}

int OrvexPiece::setPosition(int x, int y) {
    OrvexBoard& board = *iBoard;
    if (!board.isOnBoard(x, y)) return 0;
    iX = x;
    iY = y;
    board.movePiece(this);
    board.game().checkGameOver();
    return 1;
}

int OrvexPiece::canBeStompedBy(const OrvexPiece* mover) const {
    if (!mover) return 0;
    const bool stomper =
        mover->isA(piece_class::kKing) || mover->isA(piece_class::kStomper) || mover->isA(piece_class::kMirrorStomper);
    return stomper && mover->iStompsUsed < 1;
}

int OrvexPiece::canBeSwappedBy(const OrvexPiece* mover) const {
    return mover && mover->isA(piece_class::kHyper) && mover->iSwapsUsed < 1;
}

OrvexPiece* OrvexPiece::getNeighbour(int direction) const {
    return iBoard->pieceAt(iX + directionDx(direction), iY + directionDy(direction));
}

void OrvexOrvex::fire() {
    if (iShotsUsed > 0) return;
    ++iShotsUsed;
    onBeam(9, 0);
}
