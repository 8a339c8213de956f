#include "game/board/game.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "framework/app/debuglog.h"
#include "platform/os/contract.h"

MessageBytes boardMessage(const char* code, std::initializer_list<int> fields) {
    MessageBytes bytes(code, code + std::strlen(code));
    for (int f : fields) bytes.push_back(static_cast<uint8_t>(f));
    return bytes;
}

OrvexGame::OrvexGame() = default;
OrvexGame::~OrvexGame() = default;

void OrvexGame::createBoard() {
    iBoard = std::make_unique<OrvexBoard>(*this);
    iBoard->loadStartBoard();
    checkGameOver();
}

void OrvexGame::queue(const char* code, std::initializer_list<int> fields) {
    if (!iOutbox) return;
    const MessageBytes bytes = boardMessage(code, fields);
    iOutbox->queueMessage(bytes.data(), bytes.size());
}

void OrvexGame::boardLoaded() {
    // Whatever was under way on the old board is void on the new one.
    iRotationPending = 0;
    iSavedX = iSavedY = -1;
    iMultiJump = 0;
    iFirePending = 0;
    iFireLocal = 0;
    // The load starts a turn (seat 1, a full turn's moves): shown from now
    // on, not only once the first move is spent.
    showTurn();
}

void OrvexGame::showTurn() {
    for (int seat = 1; seat <= kMaxSeats; ++seat) {
        const int grey = seat == iCurrentPlayer ? 242 : 200;
        setSeatLabelBackground(seat, grey, grey, grey);
    }
    showTurnStatus();
}

void OrvexGame::endSelection() {
    if (iBoard) iBoard->clearSelection();
    iSavedX = iSavedY = -1;
    iRotationPending = 0;
}

bool OrvexGame::onBoardOrLog(int x, int y, const char* what) const {
    if (iBoard && iBoard->isOnBoard(x, y)) return true;
    debugPrintfSII("ERROR: %s for cell %d,%d off the board ignored\n", what, x, y);
    return false;
}

// ---- turns ----

int OrvexGame::isOut(int seat) const { return validSeat(seat) ? iPlayerIn[seat] == 0 : 1; }

int OrvexGame::seatsInPlay() const { return iBoard ? std::min(iPlayerCount, iBoard->playingSeats()) : iPlayerCount; }

void OrvexGame::useTurns(int n) {
    debugPrintfII("useTurns %d %d\n", n, iMovesLeft);
    iMovesLeft -= n;
    if (iMovesLeft < 0) debugLog("ERROR: used too many turns\n");
    if (iMovesLeft < 1 && iBoard) {
        setSeatLabelBackground(iCurrentPlayer, 200, 200, 200);
        iBoard->setMovesPerTurn();
        // Observers never get the turn.
        const int seats = seatsInPlay();
        if (seats == 0) {
            iCurrentPlayer = 1;
        } else {
            bool found = false;
            for (int tries = 0; tries < seats && !found; ++tries) {
                iCurrentPlayer = iCurrentPlayer % seats + 1;
                const int out = isOut(iCurrentPlayer);
                debugPrintfII("isOut %d = %d\n", iCurrentPlayer, out);
                found = !out;
            }
            if (!found) debugLog("ERROR: ut.maxTry reached 0\n");
        }
        VURN_ASSERT(validSeat(iCurrentPlayer));
        iBoard->clearPieceEffects();
        setSeatLabelBackground(iCurrentPlayer, 242, 242, 242);
    }
    showTurnStatus();
}

void OrvexGame::moveSelectedPiece(OrvexPiece* piece, int x, int y) {
    debugPrintfII("moveTo %d,%d\n", x, y);
    const int seat = iCurrentPlayer;
    const int distance = piece->moveTo(x, y, iMovesLeft);
    // A move that took the mover's own last king has already handed the
    // turn on; its cost is not the next seat's to pay.
    if (iCurrentPlayer == seat) useTurns(distance);
}

void OrvexGame::passTurn(int seat) {
    if (seat != iCurrentPlayer || iMovesLeft <= 0) return;
    unselectPiece();
    // A turn booked by the unselect may already have handed the turn on;
    // then the next seat's moves are not this seat's to spend.
    if (seat == iCurrentPlayer && iMovesLeft > 0) useTurns(iMovesLeft);
}

void OrvexGame::startGame(int seat, int count) {
    if (!validSeat(seat) || !validSeat(count)) {
        debugPrintfII("ERROR: start of game with seat %d of %d ignored\n", seat, count);
        return;
    }
    iLocalSeat = seat;
    iPlayerCount = count;
    for (uint8_t& left : iSeatLeft) left = 0;
    if (!iBoard) iBoard = std::make_unique<OrvexBoard>(*this);
    iBoard->loadStartBoard();
    // The beam boards are laid out for four seats: a seat nobody plays has
    // no pieces. The count is the same on every client.
    if (iBoard->isOrvexStyle()) iBoard->removeSeatsAbove(count);
    checkGameOver();
}

void OrvexGame::seatLeft(int seat) {
    if (!iBoard || iLocalSeat == -1 || !validSeat(seat) || seat > iPlayerCount || iSeatLeft[seat]) {
        debugPrintfI("seat %d left, not a seat of this game\n", seat);
        return;
    }
    debugPrintfI("seat %d left\n", seat);
    iSeatLeft[seat] = 1;
    if (isObserver(seat)) return;  // it had no turn and no say in the end
    // Nothing more comes from the leaver: a shot it fired ends now, as its
    // own client would have ended it.
    if (seat == iCurrentPlayer && iFirePending && !iFireLocal) completeFire(0);
    checkGameOver();
    if (seat == iCurrentPlayer && !iBoard->iGameOver) passTurn(seat);
}

void OrvexGame::declareGameOver(int winner) {
    if (iBoard->iGameOver) return;  // announced once per game
    iWinner = winner;
    iBoard->iGameOver = 1;
    gameOver();
}

bool OrvexGame::checkSeatsRemaining(int seats) {
    int left = 0, staying = 0, winner = 0;
    for (int seat = 1; seat <= seats; ++seat)
        if (iSeatLeft[seat]) {
            ++left;
        } else {
            ++staying;
            winner = seat;
        }
    if (left == 0 || staying >= 2) return false;
    declareGameOver(winner);
    return true;
}

void OrvexGame::checkGameOver() {
    if (!iBoard) return;
    // The count of seats was validated when the game started.
    VURN_ASSERT(validSeat(iPlayerCount));
    // Observers and seats beyond the count play no part.
    const int seats = seatsInPlay();
    for (int seat = seats + 1; seat <= kMaxSeats; ++seat) iPlayerIn[seat] = 0;
    if (iBoard->isOrvexStyle()) {
        debugLog("kk.in\n");
        bool currentWentOut = false;
        for (int seat = 1; seat <= seats; ++seat) {
            const bool had = iPlayerIn[seat] != 0;
            iPlayerIn[seat] = !iSeatLeft[seat] && iBoard->countPieces(seat, piece_class::kKing) > 0 ? 1 : 0;
            debugPrintfII("iPlayerIn[%d]=%d\n", seat, iPlayerIn[seat]);
            if (had && !iPlayerIn[seat] && seat == iCurrentPlayer) currentWentOut = true;
        }
        // Every seat is judged first, so the turn skips all that are out.
        if (currentWentOut) passTurn(iCurrentPlayer);
        int in = 0;
        int winner = 0;
        for (int seat = 1; seat <= seats; ++seat)
            if (iPlayerIn[seat]) {
                ++in;
                winner = seat;
            }
        if (in < 2) declareGameOver(winner);
    } else if (iBoard->isOthStyle()) {
        int chips[kMaxSeats + 1] = {};
        bool anyMove = false;
        for (int seat = 1; seat <= seats; ++seat) {
            iPlayerIn[seat] = 0;
            if (iSeatLeft[seat]) continue;
            for (int x = 0; x < iBoard->getWidth() && !iPlayerIn[seat]; ++x)
                for (int y = 0; y < iBoard->getHeight(); ++y)
                    if (iBoard->isLegalChipMove(seat, x, y)) {
                        iPlayerIn[seat] = 1;
                        break;
                    }
            anyMove = anyMove || iPlayerIn[seat];
        }
        for (int x = 0; x < iBoard->getWidth(); ++x)
            for (int y = 0; y < iBoard->getHeight(); ++y) {
                const OrvexPiece* p = iBoard->getPiece(x, y);
                if (!p || !p->isA(piece_class::kChip)) continue;
                const int owner = OrvexBoard::effectiveOwner(p);  // flips may still run
                if (validSeat(owner)) ++chips[owner];
            }
        int winner = 0;
        for (int seat = 1; seat <= kMaxSeats; ++seat)
            if (chips[seat] > 0 && (winner == 0 || chips[seat] > chips[winner])) winner = seat;
        if (!checkSeatsRemaining(seats) && !anyMove) declareGameOver(winner);
    } else {
        // No rule of play ends these games: every seat whose player stays
        // is in.
        for (int seat = 1; seat <= seats; ++seat) iPlayerIn[seat] = iSeatLeft[seat] ? 0 : 1;
        checkSeatsRemaining(seats);
    }
}

// ---- the local player's actions ----

void OrvexGame::clickSquare(int x, int y, int force, int player) {
    if (!iBoard) return;
    if (player == -1) player = iCurrentPlayer;
    if (iInAnimSequence != 0) return;
    if (force == 0 && (!isMyTurn() || ownShotPending())) return;
    if (!iBoard->isOnBoard(x, y)) return;
    const bool local = force == 0;  // only the local player's own actions are told to the others
    if (iBoard->isOrvexStyle())
        clickBeamStyle(x, y, local);
    else if (iBoard->isOthStyle())
        clickReversi(x, y, player, local);
    else if (iBoard->isChkStyle())
        clickCheckers(x, y, player, local);
}

void OrvexGame::clickBeamStyle(int x, int y, bool local) {
    OrvexBoard& b = *iBoard;
    const int sx = b.getSelectedX();
    const int sy = b.getSelectedY();
    if (sx == x && sy == y) {
        if (iRotationPending) useTurns(1);
        endSelection();
        if (local) queue("PU");
        return;
    }
    if (sx != -1) {
        if (iRotationPending) {
            useTurns(1);
            iRotationPending = 0;
        }
        OrvexPiece* p = b.pieceAt(sx, sy);
        const bool move = p && p->getPlayer() == iCurrentPlayer && iMovesLeft > 0;
        if (move) {
            moveSelectedPiece(p, x, y);
            // Queued even when refused: every client judges it alike.
            if (local) queue("PM", {x, y});
        }
        endSelection();
        // A move ends the selection on every client by itself. A PU after
        // it would reach the others after the turn has passed, and undo the
        // selection the next player may already have made.
        if (local && !move) queue("PU");
        return;
    }
    const OrvexPiece* p = b.getPiece(x, y);
    if (p && iCurrentPlayer != 0 && p->getPlayer() == iCurrentPlayer) {
        b.select(x, y, iCurrentPlayer);
        iSavedDirection = p->iDirection;
        iSavedX = x;
        iSavedY = y;
        if (local) queue("PS", {x, y});
    }
}

void OrvexGame::clickReversi(int x, int y, int player, bool local) {
    if (!iBoard->isLegalChipMove(player, x, y)) return;
    if (local) queue("PS", {x, y});
    iBoard->placeChip(x, y);
    useTurns(1);
}

void OrvexGame::clickCheckers(int x, int y, int player, bool local) {
    OrvexBoard& b = *iBoard;
    const int sx = b.getSelectedX();
    const int sy = b.getSelectedY();
    if (sx == x && sy == y) {
        if (!iMultiJump) {  // a jump sequence must be finished
            b.clearSelection();
            if (local) queue("PU");
        }
        return;
    }
    if (sx == -1) {
        if (b.canChipMove(x, y, player) || b.canCapture(x, y, player)) {
            b.select(x, y, iCurrentPlayer);
            if (local) queue("PS", {x, y});
        }
        return;
    }
    if (x == sx || y == sy) return;
    OrvexPiece* s = b.pieceAt(sx, sy);
    if (!s || !s->isA(piece_class::kChip) || s->getPlayer() != iCurrentPlayer) return;
    const int f = OrvexBoard::forwardStep(s->getPlayer());
    const int dx = std::abs(x - sx);
    const int dy = y - sy;
    const OrvexPiece* target = b.getPiece(x, y);
    const bool targetBlank = target && target->isA(piece_class::kBlank);

    if (dx == 1 && (dy == f || (s->iCrowned && dy == -f))) {
        if (b.canCapture(sx, sy, player) || !targetBlank) return;  // a capture must be taken
        s->setPosition(x, y);
        if (b.isFarRow(s->getPlayer(), y)) s->iCrowned = 1;
        b.clearSelection();
        if (local) queue("PM", {x, y});
        useTurns(1);
        return;
    }
    if (dx == 2 && (dy == 2 * f || (s->iCrowned && dy == -2 * f))) {
        if (!b.canCapture(sx, sy, player) || !targetBlank) return;
        const int mx = (sx + x) / 2;
        const int my = (sy + y) / 2;
        const OrvexPiece* middle = b.getPiece(mx, my);
        if (!middle || !middle->isA(piece_class::kChip) || middle->getPlayer() == iCurrentPlayer) return;
        b.replaceWithBlank(mx, my);
        s->setPosition(x, y);
        if (b.isFarRow(s->getPlayer(), y)) s->iCrowned = 1;
        b.clearSelection();
        if (local) queue("PM", {x, y});
        if (b.canCapture(x, y, player)) {
            iMultiJump = 1;  // the same chip jumps on within this turn
            b.select(x, y, iCurrentPlayer);
        } else {
            iMultiJump = 0;
            useTurns(1);
        }
    }
}

void OrvexGame::rotateSelectedPiece(bool shift) {
    if (!iBoard || iInAnimSequence != 0 || !isMyTurn() || ownShotPending()) return;
    OrvexPiece* p = iBoard->pieceAt(iBoard->getSelectedX(), iBoard->getSelectedY());
    if (!p || !p->canRotate()) return;
    if (shift) {
        p->rotateLeft();
        queue("PRL");
    } else {
        p->rotateRight();
        queue("PRR");
    }
    iRotationPending = p->iDirection != iSavedDirection ? 1 : 0;
}

void OrvexGame::fireSelected() {
    if (!iBoard || iInAnimSequence != 0 || !isMyTurn()) return;
    if (iFirePending) return;  // the last shot is not complete yet
    if (iRotationPending) {
        // Book the turn of the piece: end the selection, then select again.
        const int sx = iBoard->getSelectedX();
        const int sy = iBoard->getSelectedY();
        iBoard->iSelectingPlayer = iCurrentPlayer;
        clickSquare(sx, sy, 0, -1);
        clickSquare(sx, sy, 0, -1);
    }
    if (!isMyTurn() || iMovesLeft == 0) return;
    OrvexPiece* p = iBoard->pieceAt(iBoard->getSelectedX(), iBoard->getSelectedY());
    if (!p || !p->canFire()) return;
    iFirePending = 1;
    iFireLocal = 1;
    p->fire();  // the beam is traced at once
    endSelection();
    queue("PFS");
}

int OrvexGame::completeFire(int sendEnd) {
    debugLog("fire3\n");
    if (!iFirePending || !iBoard) return 0;
    // Each shot is completed once, by the trigger of the client that fired it.
    if ((sendEnd != 0) != (iFireLocal != 0)) return 0;
    debugLog("fire4\n");
    useTurns(1);
    iBoard->startExplosion();
    iFirePending = 0;
    iFireLocal = 0;
    iBoard->clearBeams();
    iBoard->removeDestroyedPieces();
    if (sendEnd) queue("PFE");
    return 1;
}

void OrvexGame::passCommand() {
    if (!isMyTurn() || iInAnimSequence != 0 || ownShotPending()) return;
    passTurn(iCurrentPlayer);
    queue("PQS", {iLocalSeat});
}
