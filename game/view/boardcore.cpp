#include "game/view/boardcore.h"

#include <GL/gl.h>

#include <cstdio>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/draw/render.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/board/game.h"
#include "game/board/piece.h"

namespace {
// Window ids in the log, as the numbers they were.
int logId(unsigned long id) { return static_cast<int>(id & 0x7fffffffUL); }

// FNV-1a over the bytes given.
void mix(uint32_t& h, const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
}
void mix(uint32_t& h, int v) { mix(h, &v, sizeof v); }
}  // namespace

std::string viewStateLine(const OrvexGame& game) {
    const OrvexBoard* board = game.getBoard();
    if (!board) return "view state none\n";
    uint32_t h = 2166136261u;
    for (int y = 0; y < board->getHeight(); ++y)
        for (int x = 0; x < board->getWidth(); ++x) {
            if (const OrvexPiece* p = board->getPiece(x, y)) {
                mix(h, p->iClassName.data(), p->iClassName.size());
                mix(h, p->iDirection);
                mix(h, p->iPlayer);
                mix(h, p->iCrowned);
            }
            if (const OrvexPiece* f = board->getOverlay(x, y)) mix(h, f->iClassName.data(), f->iClassName.size());
        }
    char line[160];
    std::snprintf(line, sizeof line, "view state %08x turn %d moves %d anim %d sel %d,%d over %d\n", h,
                  game.getCurrentPlayer(), game.getTurnsLeft(), game.getAnimSequence() != 0 ? 1 : 0,
                  board->getSelectedX(), board->getSelectedY(), board->iGameOver);
    return line;
}

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
    if (testMode) traceState();
    if (iGl) iGl->repaint();
}

void OrvexBoardCore::traceState() {
    const OrvexGame* game = iOwner ? iOwner->viewGame() : nullptr;
    if (!game) return;
    std::string line = viewStateLine(*game);
    if (line == iTracedState) return;
    iTracedState = std::move(line);
    debugLog(iTracedState.c_str());
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
        case platform::ui::kLeftButton: onLeftClickCell(c.x, c.y); break;
        case platform::ui::kRightButton:
            debugPrintfII("rbutton %d,%d\n", e.x, e.y);
            onRightClickCell(c.x, c.y, e.shift);
            break;
        case platform::ui::kMiddleButton: onMiddlePressCell(c.x, c.y); break;
        default: break;
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
