#pragma once
// What the board view reads and calls of the core that owns the game it
// shows (the main game core): the game with its board and turn state, the
// camera, the in-game flag and the drawing settings, and the board actions
// of the view's mouse routes. The view never owns any of it.
#include "game/match/drawsettings.h"

class OrvexGame;
class OrvexBoardCore;

// The turn of the board view: the angle the board is drawn at (whole
// degrees, 0..359, counter-clockwise) and the turn still to make. "Rotate
// right" adds 90 to the turn, "rotate left" subtracts 90; the view works it
// off by at most 5 degrees a step, so a quarter turn takes 18 steps and ends
// exactly on its target.
struct CameraTurn {
    int angle = 0;
    int pending = 0;

    // One step of the turn.
    void step();
    bool turning() const { return pending != 0; }
};

class OrvexViewOwner {
public:
    virtual ~OrvexViewOwner() = default;

    // The game shown; null while there is no board.
    virtual OrvexGame* viewGame() = 0;
    virtual CameraTurn& viewCamera() = 0;
    // 1 while the side list shows a game's chat: only then does the turn
    // indicator light (on the local player's turn, until the game is over)
    // and the end-of-game star show.
    virtual int isInGame() const = 0;
    virtual const OrvexDrawSettings& drawingSettings() const = 0;

    // The mouse routes' game operations (the middle button fires); the
    // owner may add to what the game does.
    virtual void viewClickSquare(int x, int y);
    virtual void viewRotateSelected(bool shift);
    virtual void viewFireSelected();
    virtual void viewCompleteFire();

    // The board view is being destroyed. Unless the owner is itself being
    // destroyed it forgets the view and closes its own frame (after the
    // handler now running), so that closing the board window ends the
    // program.
    virtual void boardViewClosed(OrvexBoardCore* view) = 0;
};
