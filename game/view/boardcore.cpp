#include "game/view/boardcore.h"

#include <GL/gl.h>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/draw/render.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/board/game.h"

namespace {
// Window ids in the log, as the numbers they were.
int logId(unsigned long id) { return static_cast<int>(id & 0x7fffffffUL); }
}  // namespace

OrvexBoardCore::OrvexBoardCore(OrvexViewOwner& owner) : SuperCore("gkvBoardWindow", 0, 0, 0), iOwner(&owner) {
    OrvexBoardCore::createVisual();
}

OrvexBoardCore::~OrvexBoardCore() {
    iTimer.stop();
    if (iGl) iGl->setListener(nullptr);
    if (OrvexViewOwner* owner = iOwner) {
        iOwner = nullptr;
        owner->boardViewClosed(this);
    }
    iGl.reset();
}

void OrvexBoardCore::createVisual() {
    if (iGl || !iFrame || !iCanvas) return;
    iFrame->setTitle("Game Matrix");
    const int w = iCanvas->width(), h = iCanvas->height();
    iGl = std::make_unique<platform::ui::GlWindow>(iCanvas->platformCanvas(), platform::ui::Rect{0, 0, w, h},
                                                   setupPixelFormat());
    iGl->setListener(this);
    debugPrintfIIII("cx, cy %d,%d %d,%d\n", iCanvas->x(), iCanvas->y(), w, h);
    debugPrintfIII("parentHwnd=%d, hwnd=%d %d\n", logId(iCanvas->nativeHandle()), logId(iGl->nativeId()), 0);
    iGl->show();
    iTimer.start(kFramePeriodMs, [this] { tick(); });
    debugLog("start timer");
}

int OrvexBoardCore::onResize(int, int) {
    saveWindowMetrics();
    onCanvasResize(iCanvas);
    return 0;
}

void OrvexBoardCore::onCanvasResize(SuperCanvas* canvas) {
    if (!canvas || !iGl) return;
    // The projection follows at the window's next paint.
    iGl->place(0, 0, canvas->width(), canvas->height());
    debugLog("onCanvasResize\n");
}

void OrvexBoardCore::tick() {
    ++iTicks;
    if (iOwner) advanceScene(iOwner->viewGame(), iOwner->viewCamera(), iScene);
    if (iGl) iGl->repaint();
}

SceneInput OrvexBoardCore::sceneInput() const {
    SceneInput in;
    if (!iOwner) return in;
    in.game = iOwner->viewGame();
    in.camera = iOwner->viewCamera();
    in.inGame = iOwner->isInGame();
    in.settings = iOwner->drawingSettings();
    return in;
}

void OrvexBoardCore::onGlContextCreated() {
    initGLLighting();
    // A new context has no display lists yet.
    iScene.markCompiled = false;
}

void OrvexBoardCore::onGlResize(int w, int h) { setupProjection(w, h); }

void OrvexBoardCore::onGlPaint() { drawScene(sceneInput(), iScene); }

BoardCell OrvexBoardCore::cellAtPoint(int x, int y) const {
    OrvexGame* game = iOwner ? iOwner->viewGame() : nullptr;
    const OrvexBoard* board = game ? game->getBoard() : nullptr;
    if (!board || !iGl) return {};
    BoardPicker picker(board->getWidth(), board->getHeight(), iGl->width(), iGl->height());
    return picker.cellAt(x, y, iOwner->viewCamera().angle);
}

void OrvexBoardCore::onGlMouse(const platform::ui::MouseEvent& e) {
    if (!iOwner || !iOwner->viewGame() || !iOwner->viewGame()->getBoard()) return;
    const BoardCell c = cellAtPoint(e.x, e.y);
    if (e.kind == platform::ui::MouseEvent::Press) {
        switch (e.button) {
        case platform::ui::kLeftButton:
            onLeftClickCell(c.x, c.y);
            break;
        case platform::ui::kRightButton:
            debugPrintfII("rbutton %d,%d\n", e.x, e.y);
            onRightClickCell(c.x, c.y, e.shift);
            break;
        case platform::ui::kMiddleButton:
            onMiddlePressCell(c.x, c.y);
            break;
        default:
            break;
        }
    } else if (e.kind == platform::ui::MouseEvent::Release && e.button == platform::ui::kMiddleButton) {
        onMiddleReleaseCell(c.x, c.y);
    }
}

void OrvexBoardCore::onLeftClickCell(int x, int y) {
    if (!iOwner) return;
    const int q = cameraQuarter(iOwner->viewCamera().angle);
    debugPrintfI("rot %d\n", q);
    debugPrintfIII("rot %d x,y %d,%d\n", q, x, y);
    iOwner->viewClickSquare(x, y);
}

void OrvexBoardCore::onRightClickCell(int, int, bool shift) {
    if (iOwner) iOwner->viewRotateSelected(shift);
}

void OrvexBoardCore::onMiddlePressCell(int, int) {
    if (iOwner) iOwner->viewFireSelected();
}

void OrvexBoardCore::onMiddleReleaseCell(int, int) {
    if (iOwner) iOwner->viewCompleteFire();
}

bool OrvexBoardCore::readPixels(ViewPixels* out) {
    if (!out || !iGl) return false;
    return iGl->withContext([&] {
        drawScene(sceneInput(), iScene);
        const int w = iGl->width(), h = iGl->height();
        out->width = w;
        out->height = h;
        out->rowBytes = (3 * w + 3) / 4 * 4;
        out->bytes.assign(static_cast<std::size_t>(out->rowBytes) * static_cast<std::size_t>(h), 0);
        // The frame just drawn, before it is shown.
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, out->bytes.data());
        iGl->swapBuffers();
    });
}
