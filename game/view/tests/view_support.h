#pragma once
// Test helpers for the board view: where the scene draws a cell, worked out
// from the drawing's own formulas (the projection, the square of a cell,
// the even shift, the camera's turn) independently of the picking that
// inverts them; a game whose seat a test may play; and a windowed owner
// core that shows a game in an OrvexBoardCore and records what the view
// asks of it.
#include <string>
#include <vector>

#include "framework/core/supercore.h"
#include "game/board/game.h"
#include "game/view/boardcore.h"
#include "game/view/colours.h"
#include "game/view/geometry.h"
#include "game/view/viewowner.h"

namespace view_test {

struct ScreenPoint {
    float x = 0;
    float y = 0;
};

// The window point where a point of the square layer given in cell units
// (cx, cy; the centre of cell (x, y) is (x, y)) is drawn, for a board of
// W x H cells turned by `angle` degrees in a view of viewW x viewH pixels.
ScreenPoint squareLayerPoint(int W, int H, float cx, float cy, int angle, int viewW, int viewH);
// The window point of a point (px, py) of the second layer (pieces, beams),
// given in that layer's own units.
ScreenPoint secondLayerPoint(int W, float px, float py, int angle, int viewW, int viewH);

// What a shell command (xdotool, mostly) writes to its standard output.
std::string commandOutput(const std::string& command);

// A game in which the test plays any seat.
class TestGame : public OrvexGame {
public:
    void actAs(int seat) { iLocalSeat = seat; }
    void setPlayerCount(int count) { iPlayerCount = count; }
    void gameOver() override { ++gameOvers; }
    int gameOvers = 0;
};

// Loads one of the shipped default boards (kv, gkv, oth, chk, d2d) into the
// game, as the program does at the start of a game; the program folder must
// be the working directory.
void startOnDefaultBoard(TestGame& game, const std::string& style, int seat = 1);

// A windowed core that owns a game and shows it in a board view, as the main
// game core does; its destructor deletes every other core, as the main
// core's does at shut-down.
class ViewOwnerCore : public GenericMainCore, public OrvexViewOwner {
public:
    ViewOwnerCore();
    ~ViewOwnerCore() override;
    const char* getCoreClassName() override { return "ViewOwnerCore"; }

    // Creates the board view (the main core's construction step).
    OrvexBoardCore* openView();

    OrvexGame* viewGame() override { return game.getBoard() ? &game : nullptr; }
    CameraTurn& viewCamera() override { return camera; }
    int isInGame() const override { return inGame; }
    const OrvexDrawSettings& drawingSettings() const override { return settings; }
    void viewClickSquare(int x, int y) override;
    void boardViewClosed(OrvexBoardCore* view) override;

    TestGame game;
    CameraTurn camera;
    int inGame = 0;
    OrvexDrawSettings settings;
    OrvexBoardCore* view = nullptr;
    bool destroying = false;
    bool forwardClicks = false;  // also play the clicked cells
    std::vector<BoardCell> clicks;
    int viewClosedCalls = 0;
    static inline int destructorRuns = 0;
};

}  // namespace view_test
