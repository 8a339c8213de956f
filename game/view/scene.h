#pragma once
// One frame of the 3D board: the grid or checker squares, the turn
// indicator, the selected square, the end-of-game star, the explosion
// particles, the beams, every piece as a flat emblem in its owner's colours
// (faded while it teleports or disappears, narrowed while a chip flips) and
// the orbiting "KZ+V" mark. Drawing only draws: the animations (camera turn,
// wiggle, fades, flips, particles, the mark's orbit) advance in
// advanceScene, once per tick of the board window, whether or not a frame
// is painted, so a hidden window never holds the game up.
//
// Everything here runs on the GUI thread with the board window's context
// current and its projection loaded.
#include "game/view/colours.h"
#include "game/view/geometry.h"
#include "game/view/viewowner.h"

class OrvexBoard;
class OrvexGame;
class OrvexPiece;

// What the scene keeps for its window: the mark's orbit angles, whether its
// display list was compiled, and the jitter generator.
struct SceneState {
    static constexpr unsigned kMarkList = 4;  // the mark's display list

    float orbitA = 0.0f;
    float orbitB = 270.0f;
    float orbitC = 180.0f;
    bool markCompiled = false;
    SceneJitter jitter;
};

// Everything one frame reads.
struct SceneInput {
    OrvexGame* game = nullptr;  // null: an empty black frame
    CameraTurn camera;
    int inGame = 0;  // at a game's table: only then the turn indicator and the end-of-game star
    OrvexDrawSettings settings;
};

// The light and depth set-up of a new context.
void initGLLighting();
// The projection of a view of w x h pixels: a 1-degree field of view, aspect
// 1, near -100 and far 100, and the viewport. The matrix mode is left at
// GL_PROJECTION.
void setupProjection(int w, int h);
// Draws one frame into the current buffer (the caller swaps).
void drawScene(const SceneInput& input, SceneState& state);
// The emblem of a piece at the origin, its colours scaled by the factor,
// faded or narrowed by its running animation.
void drawPieceShape(const OrvexPiece& piece, float factor);
// One step of every animation of the board view: the camera turn, the
// pieces' wiggle, the board's teleports, disappearances, flips and
// particles, and the mark's orbit.
void advanceScene(OrvexGame* game, CameraTurn& camera, SceneState& state);

// The cell the end-of-game star of a beam game is centred on: the king of
// the winning seat (the last in reading order when it has several), never
// that of a seat that left and whose pieces stayed; the middle of the board
// when nobody won.
BoardCell endOfGameStarCell(const OrvexBoard& board, int winner);

// The fade of a teleport or disappear counter c (1..39): darker over the
// first 20 steps, brighter again after.
float fadeFactor(int c);
