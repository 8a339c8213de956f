#pragma once
// OrvexGame: the rules of play of one game on its board. It keeps the turn
// state (current player, moves left, the seats still in, the local seat,
// the winner) and the state of the select/move engine (rotation pending,
// the saved direction and cell, the checkers jump sequence, the pending
// shot), turns the local player's clicks and commands into board changes
// and outgoing messages, and applies the other players' actions, as they
// arrive, by the same rules and without queuing anything. Every client
// replays every action, so everything here is deterministic, down to the
// draws of the board's random generator.
//
// The main game core derives from it and fills in the window hooks (seat
// labels, turn line, game-over line); the protocol core plugs in as the
// outbox. Several games can run side by side in one process.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "game/board/board.h"
#include "game/board/gamestate.h"
#include "game/board/outbox.h"

class OrvexGame : public OrvexGameState {
public:
    static constexpr int kMaxSeats = 4;

    OrvexGame();
    ~OrvexGame() override;
    OrvexGame(const OrvexGame&) = delete;
    OrvexGame& operator=(const OrvexGame&) = delete;

    // Creates the board, loads the start board and judges it once. Called
    // by the owner once its window side is ready for the hooks.
    void createBoard();
    OrvexBoard* getBoard() const { return iBoard.get(); }
    // Null (the start) drops the local player's messages: no server yet.
    void setOutbox(OrvexOutbox* outbox) { iOutbox = outbox; }

    // The game state the board and pieces use.
    int getCurrentPlayer() const override { return iCurrentPlayer; }
    void setCurrentPlayer(int seat) override { iCurrentPlayer = seat; }
    int getTurnsLeft() const override { return iMovesLeft; }
    void setTurnsLeft(int moves) override { iMovesLeft = moves; }
    int getAnimSequence() const override { return iInAnimSequence; }
    void setAnimSequence(int count) override { iInAnimSequence = count; }
    void checkGameOver() override;
    void boardLoaded() override;

    // Turns.
    int getMySeat() const { return iLocalSeat; }
    int isMyTurn() const { return iCurrentPlayer == iLocalSeat; }
    // The seats the server told (players and observers alike).
    int getPlayerCount() const { return iPlayerCount; }
    // The seats that play: those told, but at most the style's own (two in
    // reversi and checkers). Only they get the turn and count for the end
    // of the game.
    int seatsInPlay() const;
    // 1 for a seat told beyond those that play: its player only watches.
    int isObserver(int seat) const { return validSeat(seat) && seat <= iPlayerCount && seat > seatsInPlay(); }
    int getWinner() const { return iWinner; }
    // 1 when the seat is no longer in the game (no king, or in reversi no
    // legal placement).
    int isOut(int seat) const;
    // Spends n moves; when none are left the turn passes to the next seat
    // that is still in.
    void useTurns(int n);
    // From the server's start message: the local seat and the number of
    // seats; the start board is loaded, and on the beam styles the pieces of
    // seats beyond the count leave it. Seats outside 1..4 are refused; seats
    // beyond the style's own are observers.
    void startGame(int seat, int count);
    // The player of a seat left the game (the server's LPD): the seat is out
    // of it for good. On its turn the turn passes at once (a shot it fired is
    // completed first, as its own client would have completed it); when
    // fewer than two seats remain in, the game is over. An observer's leave
    // changes nothing in the game. Every client applies it at the same point
    // of the message stream. Ignored outside a game and for seats that are
    // not in it.
    void seatLeft(int seat);
    int hasLeft(int seat) const { return validSeat(seat) ? iSeatLeft[seat] : 0; }
    // Drops the selection and spends the rest of the seat's turn, when it
    // is that seat's turn.
    void passTurn(int seat);
    // Shows the turn as it stands: the current seat's name label lit, the
    // others dimmed, and the turn line with the seat and its moves left.
    void showTurn();

    // The local player's actions (they queue messages).
    // The select/move engine for one clicked cell. A force other than 0
    // replays another player's move (no turn test, no message); player -1
    // means the current player.
    void clickSquare(int x, int y, int force = 0, int player = -1);
    // Turns the selected piece right, or left with Shift held at the click.
    void rotateSelectedPiece(bool shift);
    void fireSelected();
    // Completes the pending shot: sendEnd 1 for a shot this client fired
    // (and then PFE is queued), 0 for another player's (on their PFE).
    // 1 when a shot was completed.
    int completeFire(int sendEnd);
    // completeFire(1).
    void completeFireAndNotify() { completeFire(1); }
    // The "pass" command: passes the local player's turn and tells the others.
    void passCommand();

    // The other players' actions, as the protocol delivers them.
    void onRemoteSelect(int x, int y);
    void handleRemoteMove(int x, int y);
    void unselectPiece();
    void onRemoteRotate(bool left);
    void onRemoteFire();
    void onRemoteFireEnd();
    // Passes the turn only when it is that seat's turn.
    void onRemotePass(int seat);

    // The select/move engine, for the drawing and the tests.
    int isRotationPending() const { return iRotationPending; }
    int isFirePending() const { return iFirePending; }
    int isMultiJump() const { return iMultiJump; }
    int getSavedDirection() const { return iSavedDirection; }
    int isPlayerIn(int seat) const { return validSeat(seat) ? iPlayerIn[seat] : 0; }

    // Window hooks; the main game core draws them.
    // The background of a seat's name label: 242 for the current seat, 200
    // for the others.
    virtual void setSeatLabelBackground(int seat, int r, int g, int b) {}
    void resetPlayerLabels() override {}
    // The turn line: the current seat and its moves left.
    virtual void showTurnStatus() {}
    // The game has just ended; getWinner() names the winner (0: nobody).
    virtual void gameOver() {}

protected:
    static bool validSeat(int seat) { return seat >= 1 && seat <= kMaxSeats; }
    // A shot this client fired is not complete yet: its move is still to be
    // spent, so the shooter does nothing else until then.
    bool ownShotPending() const { return iFirePending && iFireLocal; }
    void queue(const char* code, std::initializer_list<int> fields = {});
    // The selection ends: no selected cell, no saved cell, nothing pending.
    void endSelection();
    void clickBeamStyle(int x, int y, bool local);
    void clickReversi(int x, int y, int player, bool local);
    void clickCheckers(int x, int y, int player, bool local);
    void declareGameOver(int winner);
    // Reversi, checkers and the fifth style: once a player has left, fewer
    // than two seats still played end the game, won by the seat that stays
    // (0: none). True when it ended the game.
    bool checkSeatsRemaining(int seats);
    // Moves the selected piece by the move rule and spends the distance.
    void moveSelectedPiece(OrvexPiece* piece, int x, int y);
    bool onBoardOrLog(int x, int y, const char* what) const;

    std::unique_ptr<OrvexBoard> iBoard;
    OrvexOutbox* iOutbox = nullptr;
    uint8_t iPlayerIn[kMaxSeats + 1] = {};  // [seat], 1..4
    uint8_t iSeatLeft[kMaxSeats + 1] = {};  // [seat]: its player left this game
    int iCurrentPlayer = 1;
    int iLocalSeat = -1;
    int iMovesLeft = 3;
    int iPlayerCount = 2;
    int iInAnimSequence = 0;
    int iWinner = 0;

    int iRotationPending = 0;
    int iSavedDirection = 0;
    int iSavedX = -1;
    int iSavedY = -1;
    int iMultiJump = 0;
    int iFirePending = 0;
    int iFireLocal = 0;  // the pending shot was fired by this client
};
