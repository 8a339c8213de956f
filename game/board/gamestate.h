#pragma once
// What the board and its pieces need of the game that owns them: the turn
// state (current player, moves left), the count of running piece
// animations, the game-over check and the seat labels. The owner of a board
// implements it (the rules of play, and through them the main game core),
// so several independent games can live in one process.

class OrvexGameState {
public:
    virtual ~OrvexGameState() = default;

    virtual int getCurrentPlayer() const = 0;
    virtual void setCurrentPlayer(int seat) = 0;
    virtual int getTurnsLeft() const = 0;
    virtual void setTurnsLeft(int moves) = 0;

    // iInAnimSequence: piece animations still running; every action waits
    // while it is not 0.
    virtual int getAnimSequence() const = 0;
    virtual void setAnimSequence(int count) = 0;

    // Runs the style's game-over rule after a piece left the board.
    virtual void checkGameOver() = 0;
    // The four seat labels go back to their start texts (after a load).
    virtual void resetPlayerLabels() = 0;
    // A board file was loaded: any selection, shot or jump in progress on
    // the old board is void.
    virtual void boardLoaded() = 0;

    void addAnimSequence(int delta) { setAnimSequence(getAnimSequence() + delta); }
};
