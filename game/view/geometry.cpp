#include "game/view/geometry.h"

#include <algorithm>
#include <cmath>

namespace scene_geometry {
float perspectiveScale() {
    static const float scale = static_cast<float>(1.0 / std::tan(kFieldOfView / 2.0 * 3.14159265358979323846 / 180.0));
    return scale;
}
}  // namespace scene_geometry

namespace {

// The piece pitch of the second layer for a play-area width (or height).
float piecePitch(int play) { return 0.488f * 30.0f / static_cast<float>(play + 1); }

int clampTo(int v, int limit) { return std::clamp(v, 0, std::max(limit - 1, 0)); }

}  // namespace

float squareSize(int playWidth) {
    switch (playWidth) {
    case 8: return 0.52f;
    case 9: return 0.46f;
    case 10: return 0.42f;
    case 11: return 0.383f;
    default:
        // The square that covers one piece pitch seen from the squares' depth.
        return piecePitch(std::max(playWidth, 1)) * scene_geometry::kEyeDistance /
               (scene_geometry::kEyeDistance + scene_geometry::kPieceDepth);
    }
}

SceneGeometry::SceneGeometry(int width, int height)
    : iW(std::max(width, 1)), iH(std::max(height, 1)), iS(squareSize(iW - 2)) {
    // A length on the second layer that looks as long as one on the square
    // layer: the ratio of their distances from the eye.
    iLayerScale = (scene_geometry::kEyeDistance + scene_geometry::kPieceDepth - lift()) / scene_geometry::kEyeDistance;
    // One cell on the second layer, against that of an 11-wide play area.
    const float advanced =
        squareSize(11) * (scene_geometry::kEyeDistance + scene_geometry::kPieceDepth) / scene_geometry::kEyeDistance;
    iEmblemScale = std::min(1.0f, iS * iLayerScale / advanced);
}

float SceneGeometry::squareLeft(int x) const {
    const int ox = (iW - 1) - iW / 2;
    return (static_cast<float>(x - ox) - 0.5f) * iS;
}

float SceneGeometry::squareBottom(int y) const {
    const int oy = (iH - 1) - iH / 2;
    return (static_cast<float>(iH - 1 - y - oy) - 0.5f) * iS;
}

float SceneGeometry::layerX(float x) const {
    const float ox = static_cast<float>((iW - 1) - iW / 2);
    const float e = evenShift();
    return ((x - ox) * iS - e) * iLayerScale + e;
}

float SceneGeometry::layerY(float y) const {
    const float oy = static_cast<float>((iH - 1) - iH / 2);
    const float e = evenShift();
    return ((static_cast<float>(iH - 1) - y - oy) * iS - e) * iLayerScale + e;
}

int cameraQuarter(int angle) { return ((angle / 90) * 2 + 8000) % 8; }

BoardCell screenCellToBoard(int a, int b, int q, int width, int height) {
    BoardCell c{a, b};
    switch (q) {
    case 2: c = {width - 1 - b, a}; break;
    case 4: c = {width - 1 - a, height - 1 - b}; break;
    case 6: c = {b, height - 1 - a}; break;
    default: break;
    }
    return {clampTo(c.x, width), clampTo(c.y, height)};
}

BoardPicker::BoardPicker(int width, int height, int viewW, int viewH)
    : iGeometry(width, height), iViewW(std::max(viewW, 1)), iViewH(std::max(viewH, 1)) {}

float BoardPicker::clickZoom() const {
    return scene_geometry::kEyeDistance /
           (scene_geometry::perspectiveScale() * iGeometry.square() * static_cast<float>(iGeometry.width()));
}

void BoardPicker::boardPoint(int x, int y, int angle, float* bx, float* by) const {
    // The pixel's centre in normalised device coordinates (y upward), then
    // on the square layer in the eye's frame: the aspect is 1, so each axis
    // spans the same width of the scene whatever the window's shape.
    const float u = 2.0f * (static_cast<float>(x) + 0.5f) / static_cast<float>(iViewW) - 1.0f;
    const float v = 1.0f - 2.0f * (static_cast<float>(y) + 0.5f) / static_cast<float>(iViewH);
    const float toScene = scene_geometry::kEyeDistance / scene_geometry::perspectiveScale();
    const float ex = u * toScene, ey = v * toScene;
    // Undo the camera's counter-clockwise turn, then the even shift.
    const double a = angle * 3.14159265358979323846 / 180.0;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    *bx = ex * c + ey * s + iGeometry.evenShift();
    *by = -ex * s + ey * c + iGeometry.evenShift();
}

int BoardPicker::column(float bx) const {
    // squareLeft(x) <= bx < squareLeft(x) + s
    const float left0 = iGeometry.squareLeft(0);
    return clampTo(static_cast<int>(std::floor((bx - left0) / iGeometry.square())), iGeometry.width());
}

int BoardPicker::row(float by) const {
    // squareBottom(y) <= by < squareBottom(y) + s, the rows counted downward
    const float bottomLast = iGeometry.squareBottom(iGeometry.height() - 1);
    const int fromBottom = static_cast<int>(std::floor((by - bottomLast) / iGeometry.square()));
    return clampTo(iGeometry.height() - 1 - fromBottom, iGeometry.height());
}

int BoardPicker::screenToBoardColumn(int x) const {
    float bx = 0, by = 0;
    boardPoint(x, 0, 0, &bx, &by);
    return column(bx);
}

int BoardPicker::screenToCell(int y) const {
    float bx = 0, by = 0;
    boardPoint(0, y, 0, &bx, &by);
    return row(by);
}

BoardCell BoardPicker::cellAt(int x, int y, int angle) const {
    float bx = 0, by = 0;
    boardPoint(x, y, angle, &bx, &by);
    return {column(bx), row(by)};
}
