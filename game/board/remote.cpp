// The other players' board actions, applied by the rules of the local ones
// to the same selection and turn state. Nothing here queues a message.
// Cells and seats come from the network: anything outside the board or
// outside seats 1..4 is refused with an "ERROR" line.
#include "framework/app/debuglog.h"
#include "game/board/game.h"

void OrvexGame::onRemoteSelect(int x, int y) {
    if (!onBoardOrLog(x, y, "select")) return;
    OrvexBoard& b = *iBoard;
    if (b.isOrvexStyle()) {
        const OrvexPiece* p = b.getPiece(x, y);
        iSavedX = x;
        iSavedY = y;
        iSavedDirection = p->iDirection;
        b.select(x, y, iCurrentPlayer);
    } else if (b.isOthStyle()) {
        // The sender placed only where it was legal; anything else is not
        // from a client that plays by these rules.
        if (!b.isLegalChipMove(iCurrentPlayer, x, y)) {
            debugPrintfII("ERROR: placement at %d,%d is not legal, ignored\n", x, y);
            return;
        }
        b.placeChip(x, y);
        useTurns(1);
    } else if (b.isChkStyle()) {
        b.select(x, y, iCurrentPlayer);
    }
}

void OrvexGame::handleRemoteMove(int x, int y) {
    if (!onBoardOrLog(x, y, "move")) return;
    OrvexBoard& b = *iBoard;
    if (b.isOrvexStyle()) {
        if (iRotationPending) {
            useTurns(1);
            iRotationPending = 0;
        }
        OrvexPiece* p = b.pieceAt(b.getSelectedX(), b.getSelectedY());
        if (!p) debugLog("ERROR: move without a selection ignored\n");
        if (p && p->getPlayer() == iCurrentPlayer && iMovesLeft > 0) {
            moveSelectedPiece(p, x, y);
        }
        endSelection();
    } else if (b.isChkStyle()) {
        clickSquare(x, y, iCurrentPlayer == 1 ? 2 : 1, -1);
    }
}

void OrvexGame::unselectPiece() {
    if (!iBoard) return;
    if (iBoard->isOrvexStyle()) {
        if (iRotationPending) useTurns(1);
        endSelection();
    } else {
        iBoard->clearSelection();
        iMultiJump = 0;  // passing ends a jump sequence too
    }
}

void OrvexGame::onRemoteRotate(bool left) {
    if (!iBoard) return;
    OrvexPiece* p = iBoard->pieceAt(iBoard->getSelectedX(), iBoard->getSelectedY());
    if (!p || !p->canRotate()) return;
    if (left)
        p->rotateLeft();
    else
        p->rotateRight();
    iRotationPending = p->iDirection != iSavedDirection ? 1 : 0;
}

void OrvexGame::onRemoteFire() {
    if (!iBoard) return;
    OrvexPiece* p = iBoard->pieceAt(iBoard->getSelectedX(), iBoard->getSelectedY());
    if (!p) return;
    const int can = p->canFire();
    debugPrintfI("canFire=%d\n", can);
    if (!can) return;
    iFirePending = 1;
    iFireLocal = 0;
    p->fire();
    endSelection();
}

void OrvexGame::onRemoteFireEnd() { completeFire(0); }

void OrvexGame::onRemotePass(int seat) {
    if (!validSeat(seat)) {
        debugPrintfI("ERROR: pass of seat %d ignored\n", seat);
        return;
    }
    debugPrintfII("PQS %d %d\n", seat, iCurrentPlayer);
    if (seat == iCurrentPlayer) passTurn(seat);
}
