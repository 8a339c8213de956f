#pragma once
// OrvexBoardCore: the core of the 3D board window "Game Matrix". Its frame
// (window name "gkvBoardWindow", so its placement is saved under that name)
// holds a canvas with one OpenGL child window that fills it. A 50 ms timer
// advances every animation of the view by one step and asks for a repaint;
// a paint only draws. Mouse buttons over the board become board cells
// (through the camera's current angle) and then game operations: the left
// button clicks a cell, the right one turns the selected piece (left with
// Shift), the middle one fires on press and completes the shot on release.
//
// The core reads and calls the game through its owner (the main game
// core); when it is destroyed it tells the owner, which then closes the
// main window unless it is itself going.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/supercore.h"
#include "game/view/geometry.h"
#include "game/view/scene.h"
#include "game/view/viewowner.h"
#include "platform/ui/glwindow.h"
#include "platform/ui/timer.h"

// The pixels of one frame of the board view as glReadPixels gives them:
// RGB rows, bottom row first, each padded to a multiple of 4 bytes.
struct ViewPixels {
    int width = 0;
    int height = 0;
    int rowBytes = 0;  // 3 x width rounded up to a multiple of 4
    std::vector<uint8_t> bytes;
};

// One line that sums up the state of a game as the board view sees it: a
// digest of every piece (kind, direction, owner, crowning, floor), the
// current seat and its moves left, whether an animation runs, the
// selection and the game-over flag. In test mode the board view writes it
// to the debug log whenever it changes, so that whoever watches the log
// (the whole-game test) can tell when two clients agree.
std::string viewStateLine(const OrvexGame& game);

class OrvexBoardCore : public SuperCore, private platform::ui::GlWindowListener {
public:
    static constexpr int kFramePeriodMs = 50;

    explicit OrvexBoardCore(OrvexViewOwner& owner);
    ~OrvexBoardCore() override;

    const char* getCoreClassName() override { return "OrvexBoardCore"; }
    void createVisual() override;
    int onResize(int w, int h) override;
    int paint(int, int, int, int) override { return 0; }
    int onMouse(int, int, int, int) override { return 0; }
    void setValue(const char*, const char*) override {}
    void setIntValue(const char*, int) override {}
    void onIntuitick() override {}

    // Fits the OpenGL window (and, at its next paint, the projection) to
    // the canvas.
    void onCanvasResize(SuperCanvas* canvas);

    // One tick of the frame timer: every animation one step on, then a
    // repaint is asked for.
    void tick();

    // The board cell under a point of the OpenGL window, at the camera's
    // current angle; (0, 0) while there is no board.
    BoardCell cellAtPoint(int x, int y) const;
    // The mouse routes, with the board cell.
    void onLeftClickCell(int x, int y);
    void onRightClickCell(int x, int y, bool shift);
    void onMiddlePressCell(int x, int y);
    void onMiddleReleaseCell(int x, int y);

    // Draws a frame and reads it back before it is shown; false when the
    // window is not shown.
    bool readPixels(ViewPixels* out);

    // The owner is going: the view calls it no more.
    void forgetOwner() { iOwner = nullptr; }

    platform::ui::GlWindow* glWindow() const { return iGl.get(); }
    int tickCount() const { return iTicks; }

private:
    void onGlContextCreated() override;
    void onGlResize(int w, int h) override;
    void onGlPaint() override;
    void onGlMouse(const platform::ui::MouseEvent& event) override;
    SceneInput sceneInput() const;
    // Writes viewStateLine to the debug log when it changed (test mode).
    void traceState();

    OrvexViewOwner* iOwner;
    std::unique_ptr<platform::ui::GlWindow> iGl;
    platform::ui::Timer iTimer;
    SceneState iScene;
    int iTicks = 0;
    std::string iTracedState;
};
