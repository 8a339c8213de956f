#include "game/view/scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "game/board/board.h"
#include "game/board/game.h"
#include "game/board/piece.h"
#include "game/view/geometry.h"
#include "game/view/meshes.h"

namespace {

constexpr float kPi = 3.1415926f;
constexpr float kSquareZ = 0.001f;
constexpr float kOverlayZ = 0.015f;  // turn indicator, selected square
constexpr float kStarZ = 0.005f;
constexpr float kParticleZ = 0.0025f;
constexpr float kBeamZ = 0.015f;
constexpr float kFloorZ = -0.01f;
constexpr float kBeamHalfWidth = 0.05f;

void square(const SceneGeometry& g, int x, int y, float z) {
    const float x0 = g.squareLeft(x), y0 = g.squareBottom(y), s = g.square();
    beginShape(Shape::Polygon);
    texVertex(x0, y0, z);
    texVertex(x0 + s, y0, z);
    texVertex(x0 + s, y0 + s, z);
    texVertex(x0, y0 + s, z);
    endShape();
}

void quad(float ax, float ay, float bx, float by, float cx, float cy, float dx, float dy, float z) {
    beginShape(Shape::Polygon);
    texVertex(ax, ay, z);
    texVertex(bx, by, z);
    texVertex(cx, cy, z);
    texVertex(dx, dy, z);
    endShape();
}

// A beam from cell point (x0, y0) to (x1, y1) (cell units), as a quad of
// half-width 0.05 across its axis on the second layer (narrower with the
// emblems on boards wider than the advanced one).
void beam(const SceneGeometry& g, float x0, float y0, float x1, float y1) {
    const float ax = g.layerX(x0), ay = g.layerY(y0), bx = g.layerX(x1), by = g.layerY(y1);
    float nx = -(by - ay), ny = bx - ax;
    const float len = std::sqrt(nx * nx + ny * ny);
    if (len <= 0) return;
    const float half = kBeamHalfWidth * g.emblemScale();
    nx *= half / len;
    ny *= half / len;
    quad(ax - nx, ay - ny, bx - nx, by - ny, bx + nx, by + ny, ax + nx, ay + ny, kBeamZ);
}

void drawGrid(const SceneGeometry& g, const Rgba& colour) {
    setMaterial(colour);
    const int m = g.playWidth();
    float cx = static_cast<float>(m / 2 + 1);
    if (m % 2 == 0) cx -= 0.5f;
    const float s = g.square();
    for (float t = -(cx + 1.5f); t <= cx + 1.5f; t += 1.0f) {
        quad(-10, t * s, 10, t * s, 10, t * s + 0.015f, -10, t * s + 0.015f, 0);
        quad(t * s, -10, t * s + 0.015f, -10, t * s + 0.015f, 10, t * s, 10, 0);
    }
}

void drawSquares(const OrvexBoard& board, const SceneGeometry& g, float brightness) {
    const bool twoGreens = board.isOthStyle() || board.isChkStyle();
    const Rgba light = scaled(scene_colour::kCheckerLight, brightness);
    const Rgba dark = scaled(scene_colour::kCheckerDark, brightness);
    const Rgba blue = scaled(scene_colour::kGridBlue, brightness);
    for (int y = 0; y < board.getHeight(); ++y)
        for (int x = 0; x < board.getWidth(); ++x) {
            if (x == board.getSelectedX() && y == board.getSelectedY()) continue;
            const bool odd = (x + y + 1) % 2 != 0;
            if (twoGreens) {
                setMaterial(odd ? light : dark);
            } else {
                if (odd) continue;
                setMaterial(blue);
            }
            square(g, x, y, kSquareZ);
        }
}

// The turn indicator and the selected square lie in the squares' plane:
// drawn after them without the depth test, so no square hides them.
void drawOverlays(const SceneInput& in, const OrvexBoard& board, const SceneGeometry& g) {
    const OrvexGame& game = *in.game;
    glDisable(GL_DEPTH_TEST);
    // The local player's turn, in a game that is not over.
    if (in.settings.indicatePlayer && in.inGame && !board.iGameOver && game.getCurrentPlayer() == game.getMySeat()) {
        setMaterial(turnIndicatorTint(board, game.getCurrentPlayer()));
        const int W = board.getWidth(), H = board.getHeight();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (x == 0 || y == 0 || x == W - 1 || y == H - 1) square(g, x, y, kOverlayZ);
    }
    const int sx = board.getSelectedX(), sy = board.getSelectedY();
    if ((board.isOrvexStyle() || board.isChkStyle()) && board.isOnBoard(sx, sy)) {
        setMaterial(seatTint(board.getSelectingPlayer()));
        square(g, sx, sy, kOverlayZ);
    }
    glEnable(GL_DEPTH_TEST);
}

Rgba starColour(const OrvexBoard& board, int winner) {
    using namespace scene_colour;
    if (board.isOrvexStyle()) return (winner >= 1 && winner <= 4) ? kStar[winner] : kStar[0];
    switch (winner) {
    case 1: return board.isOthStyle() ? kStarBlack : kStar[1];
    case 2: return kStarWhite;
    case 3: return kStar[3];
    case 4: return kStar[4];
    default: return kStar[0];
    }
}

void drawStar(const SceneInput& in, const OrvexBoard& board, const SceneGeometry& g, SceneJitter& jitter) {
    const int W = board.getWidth(), H = board.getHeight();
    const int winner = in.game->getWinner();
    int cx = 0, cy = 0;
    float theta0 = 0;
    if (board.isOrvexStyle()) {
        const BoardCell centre = endOfGameStarCell(board, winner);
        cx = centre.x;
        cy = centre.y;
        theta0 = std::atan2(static_cast<float>(H - 1 - cy), static_cast<float>(W - 1 - cx));
    } else {
        cx = jitter.below(W);
        cy = jitter.below(H);
    }
    setMaterial(starColour(board, winner));
    for (float a = 0; a <= 2 * kPi - 0.01f; a += kPi / 8) {
        float sx = g.layerX(static_cast<float>(cx)), sy = g.layerY(static_cast<float>(cy));
        for (int i = 0; i < 100; ++i) {
            const float h = theta0 + kPi / 2 + a + static_cast<float>(jitter.below(1000) - 500) / 1000.0f;
            const float wx = 0.04f * std::sin(h - kPi / 2), wy = 0.04f * std::cos(h - kPi / 2);
            const float ex = sx + 0.2f * std::cos(h), ey = sy + 0.2f * std::sin(h);
            quad(ex - wx, ey - wy, ex + wx, ey + wy, sx + wx, sy + wy, sx - wx, sy - wy, kStarZ);
            sx = ex;
            sy = ey;
        }
    }
}

void drawParticles(const OrvexBoard& board, const SceneGeometry& g, SceneJitter& jitter) {
    const int n = std::min<int>(board.iNumParticles,
                                static_cast<int>(std::min({board.iParticleX.size(), board.iParticleY.size()})));
    const float fade = static_cast<float>(100 - board.iParticleStep) / 100.0f;
    const float r = 0.03f * g.emblemScale();
    for (int i = 0; i < n; ++i) {
        const float flicker = 0.5f + static_cast<float>(jitter.below(500)) / 1000.0f;
        setMaterial(scaled(scene_colour::kParticleBlue, flicker * fade));
        const float px = g.layerX(board.iParticleX[i]), py = g.layerY(board.iParticleY[i]);
        quad(px - r, py, px, py + r, px + r, py, px, py - r, kParticleZ);
    }
}

void drawBeams(const OrvexBoard& board, const SceneGeometry& g, int x, int y, SceneJitter& jitter) {
    const uint8_t passes = board.iBeamPasses[x][y], ends = board.iBeamEnds[x][y];
    if (!passes && !ends) return;
    setMaterial(scaled(scene_colour::kBeamBlue, 0.7f + static_cast<float>(jitter.below(300)) / 1000.0f));
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    // Whole crossings, from one neighbour to the opposite one.
    if (passes & 1) beam(g, fx, fy - 1, fx, fy + 1);
    if (passes & 2) beam(g, fx + 1, fy - 1, fx - 1, fy + 1);
    if (passes & 4) beam(g, fx + 1, fy, fx - 1, fy);
    if (passes & 8) beam(g, fx + 1, fy + 1, fx - 1, fy - 1);
    // Half beams from the centre toward direction d.
    for (int d = 0; d < 8; ++d)
        if (ends & (1 << d))
            beam(g, fx, fy, fx + 0.5f * static_cast<float>(directionDx(d)),
                 fy + 0.5f * static_cast<float>(directionDy(d)));
}

// Places the emblem and draws it; the placement stays set until the caller
// resets it once the whole layer is drawn.
void drawOnePiece(const OrvexPiece& piece, int wiggle, float scale, float x, float y, float z) {
    EmblemPlacement at;
    at.scale = scale;
    at.degrees = static_cast<float>(piece.iDirection) * -45.0f;
    if (wiggle) at.degrees += static_cast<float>(piece.iWigglePhase) / 10.0f;
    at.x = x;
    at.y = y;
    at.z = z;
    setEmblemPlacement(at);
    drawPieceShape(piece, 1.0f);
}

void compileMark() {
    glNewList(SceneState::kMarkList, GL_COMPILE);
    glPushMatrix();
    glTranslatef(-4.36f, -0.39f, 0);
    setMaterial(scene_colour::kMarkBlue);
    drawMarkGlyphK();
    glTranslatef(1.25f, 0, 0);
    drawMarkGlyphZ();
    glTranslatef(0.85f, 0, 0);
    drawMarkGlyphPlus();
    glTranslatef(0.82f, 0, 0);
    drawMarkGlyphV();
    glPopMatrix();
    glEndList();
}

float wrapDegrees(float a) { return a >= 360.0f ? a - 360.0f : a; }

void wiggleStep(OrvexPiece* p) {
    if (!p) return;
    p->iWigglePhase += p->iWiggleStep;
    if (p->iWigglePhase <= -20) p->iWiggleStep = 1;
    if (p->iWigglePhase >= 20) p->iWiggleStep = -1;
}

}  // namespace

BoardCell endOfGameStarCell(const OrvexBoard& board, int winner) {
    BoardCell centre{board.getWidth() / 2, board.getHeight() / 2};
    if (winner == 0) return centre;
    // Kings of seats that left stay on the board: only the winner's counts.
    for (int y = 0; y < board.getHeight(); ++y)
        for (int x = 0; x < board.getWidth(); ++x)
            if (const OrvexPiece* p = board.getPiece(x, y); p && p->isA(piece_class::kKing) && p->iPlayer == winner)
                centre = {x, y};
    return centre;
}

void CameraTurn::step() {
    // At most 5 degrees, and never past the target.
    if (pending < 0) {
        const int d = std::min(5, -pending);
        pending += d;
        angle += d;
        if (angle > 359) angle -= 360;
    }
    if (pending > 0) {
        const int d = std::min(5, pending);
        pending -= d;
        angle -= d;
        if (angle < 0) angle += 360;
    }
}

void initGLLighting() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearDepth(1.0);
    glClearColor(0, 0, 0, 0);
    const GLfloat ambient[] = {0.51f, 0.51f, 0.51f, 1.0f};
    const GLfloat diffuse[] = {0.7f, 0.7f, 0.7f, 1.0f};
    const GLfloat specular[] = {0, 0, 0, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

void setupProjection(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(scene_geometry::kFieldOfView, 1.0, scene_geometry::kNearPlane, scene_geometry::kFarPlane);
    glViewport(0, 0, w, h);
}

float fadeFactor(int c) { return c < 21 ? 1.0f - static_cast<float>(c) / 21.0f : static_cast<float>(c - 20) / 21.0f; }

void drawPieceShape(const OrvexPiece& piece, float factor) {
    const OrvexBoard& board = *piece.iBoard;
    ColourPair c = pieceColours(board, piece);
    Rgba dark = scaled(c.dark, factor), light = scaled(c.light, factor);
    if (board.game().getAnimSequence() != 0) {
        if (piece.iTeleportStep != 0) {
            dark = scaled(dark, fadeFactor(piece.iTeleportStep));
            light = scaled(light, fadeFactor(piece.iTeleportStep));
        }
        if (piece.iDisappearStep != 0) {
            dark = scaled(dark, fadeFactor(piece.iDisappearStep));
            light = scaled(light, fadeFactor(piece.iDisappearStep));
        }
    }
    namespace pc = piece_class;
    const bool classic = board.isKvStyle() != 0;
    if (piece.isA(pc::kChip)) {
        drawChipMesh(dark, light, 1.0f - static_cast<float>(piece.iFlipProgress) / 100.0f);
    } else if (piece.isA(pc::kKing)) {
        drawDiamondFrame(dark);
    } else if (piece.isA(pc::kMirror)) {
        drawMirrorMesh(light);
    } else if (piece.isA(pc::kStomper)) {
        if (classic)
            drawStomperMeshB(dark, light);
        else
            drawStomperMeshA(dark, light);
    } else if (piece.isA(pc::kDiagonal)) {
        drawDiagonalShape(dark, light);
    } else if (piece.isA(pc::kSplitter)) {
        drawSplitterMark(dark, light);
    } else if (piece.isA(pc::kBomb)) {
        drawBombMark(dark);
    } else if (piece.isA(pc::kMirrorStomper)) {
        drawFixedShape(dark, light);
    } else if (piece.isA(pc::kOnewayMirror)) {
        drawFlatFigure(dark, light);
    } else if (piece.isA(pc::kOrvex)) {
        drawOrvexMesh(dark);
    } else if (piece.isA(pc::kHyper)) {
        if (classic)
            drawHyperMesh(dark);
        else
            drawHyperShape(dark);
    } else if (piece.isA(pc::kHole)) {
        drawCrossMark(scene_colour::kNeutralGrey);
    } else if (piece.isA(pc::kHyperHole)) {
        if (classic)
            drawHyperMesh(dark);
        else
            drawShapeNoMaterial();
    }
}

void drawScene(const SceneInput& in, SceneState& state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const OrvexBoard* boardPtr = in.game ? in.game->getBoard() : nullptr;
    if (!boardPtr) return;
    const OrvexBoard& board = *boardPtr;
    const SceneGeometry g(board.getWidth(), board.getHeight());
    const float brightness = static_cast<float>(in.settings.gridBrightness) / 100.0f;
    const bool beamStyle = board.isOrvexStyle() != 0;

    // The board's flat polygons are lit by hand; the mark below by OpenGL.
    glDisable(GL_LIGHTING);
    setLitByHand(true);
    glTranslatef(0, 0, -scene_geometry::kEyeDistance);
    glRotatef(static_cast<float>(in.camera.angle), 0, 0, 1);
    if (const float e = g.evenShift(); e != 0) glTranslatef(-e, -e, 0);

    // The square layer, then over it the turn indicator and the selection.
    beginShapeBatch();
    if (beamStyle && !in.settings.checkerBoard) drawGrid(g, scaled(scene_colour::kGridBlue, brightness));
    if (board.isOthStyle() || board.isChkStyle() || in.settings.checkerBoard) drawSquares(board, g, brightness);
    drawShapeBatch();
    drawOverlays(in, board, g);

    // The second layer: pieces, particles, star and beams, in one batch.
    // Nearer things lose the depth test to further ones here (the pieces
    // hide the beams under them), so the pieces go first and what they
    // hide is never shaded.
    glTranslatef(0, 0, -scene_geometry::kPieceDepth + g.lift());
    beginShapeBatch();
    for (int y = 0; y < board.getHeight(); ++y)
        for (int x = 0; x < board.getWidth(); ++x) {
            const OrvexPiece* piece = board.getPiece(x, y);
            const OrvexPiece* floor = board.getOverlay(x, y);
            if (!piece && !floor) continue;
            const float px = g.layerX(static_cast<float>(x)), py = g.layerY(static_cast<float>(y));
            if (piece) drawOnePiece(*piece, in.settings.wiggle, g.emblemScale(), px, py, 0);
            if (floor) {
                setMaterial(scene_colour::kNeutralGrey);
                drawOnePiece(*floor, in.settings.wiggle, g.emblemScale(), px, py, kFloorZ);
            }
        }
    setEmblemPlacement({});  // what follows is placed as given
    if (board.iNumParticles > 0) drawParticles(board, g, state.jitter);
    // The end of a game shows until the player leaves its table.
    if (board.iGameOver && in.inGame) drawStar(in, board, g, state.jitter);
    if (beamStyle)
        for (int y = 0; y < board.getHeight(); ++y)
            for (int x = 0; x < board.getWidth(); ++x) drawBeams(board, g, x, y, state.jitter);
    drawShapeBatch();

    setLitByHand(false);
    glEnable(GL_LIGHTING);

    // The orbiting mark, about the board's middle, whatever the camera.
    if (in.settings.orbitKZV && beamStyle) {
        glPushMatrix();
        glRotatef(-static_cast<float>(in.camera.angle), 0, 0, 1);
        glRotatef(state.orbitA, 1, 0, 0);
        glRotatef(state.orbitB, 0, 1, 0);
        glRotatef(state.orbitC, 0, 0, 1);
        glRotatef(90, 0, 1, 0);
        if (!state.markCompiled) {
            // Compiled once; the frame that compiles it does not show it.
            compileMark();
            state.markCompiled = true;
        } else {
            glCallList(SceneState::kMarkList);
        }
        glPopMatrix();
    }
}

void advanceScene(OrvexGame* game, CameraTurn& camera, SceneState& state) {
    camera.step();
    if (OrvexBoard* board = game ? game->getBoard() : nullptr) {
        for (int y = 0; y < board->getHeight(); ++y)
            for (int x = 0; x < board->getWidth(); ++x) {
                wiggleStep(board->getPiece(x, y));
                wiggleStep(board->getOverlay(x, y));
            }
        board->advanceAnimations();
    }
    state.orbitA = wrapDegrees(state.orbitA + 5.0f);
    state.orbitB = wrapDegrees(state.orbitB + 3.0f);
    state.orbitC = wrapDegrees(state.orbitC + 1.0f);
}
