#pragma once
// The geometry of the board scene, shared by the drawing and the picking:
// the projection (a 1-degree field of view, aspect 1, the squares 250 units
// from the eye and the pieces 550 units behind them), the size of a square
// by the play-area width, where each cell's square and piece lie, and the
// inverse: which board cell lies under a point of the window at the
// camera's current angle.
//
// Every layer is placed from one grid, so the square, the piece and the
// beams of a cell are drawn over one another at every board size, and the
// cell drawn under the pointer is the cell picked, at any angle (also
// while the camera turns).

// A board cell (x, y), or a screen cell (column, row).
struct BoardCell {
    int x = 0;
    int y = 0;
    bool operator==(const BoardCell& o) const { return x == o.x && y == o.y; }
};

namespace scene_geometry {
constexpr float kFieldOfView = 1.0f;   // degrees, vertical
constexpr float kNearPlane = -100.0f;  // as the scene's depth order needs
constexpr float kFarPlane = 100.0f;
constexpr float kEyeDistance = 250.0f;   // the squares
constexpr float kPieceDepth = 550.0f;    // further, for pieces and beams
constexpr float kLiftEightWide = 20.0f;  // pieces of an 8-wide board come nearer
// The scale of gluPerspective: cot(field of view / 2).
float perspectiveScale();
}  // namespace scene_geometry

// Square size by play-area width m: 0.52 for 8, 0.46 for 9, 0.42 for 10,
// 0.383 for 11; any other width gets the size at which its squares match
// the piece pitch 0.488 x 30 / (m + 1) on the second layer, so that a
// board of any width is drawn with its pieces on their squares.
float squareSize(int playWidth);

class SceneGeometry {
public:
    // W and H: the board's width and height with the border.
    SceneGeometry(int width, int height);

    int width() const { return iW; }
    int height() const { return iH; }
    int playWidth() const { return iW - 2; }
    float square() const { return iS; }
    // The shift of an even-width board (half a square down and left), drawn
    // in the turned frame before both layers.
    float evenShift() const { return (playWidth() % 2 == 0) ? iS / 2 : 0.0f; }
    // The lift of the second layer toward the eye (20 on an 8-wide board).
    float lift() const { return playWidth() == 8 ? scene_geometry::kLiftEightWide : 0.0f; }

    // The square of a cell in the square layer (after the even shift):
    // left and bottom edge; the square is square() wide.
    float squareLeft(int x) const;
    float squareBottom(int y) const;
    // The centre of a cell, or of any point (x, y) in cell units, on the
    // second layer (after the even shift and the lift).
    float layerX(float x) const;
    float layerY(float y) const;
    // The size of the pieces' emblems: 1 up to the advanced board's width;
    // on wider boards the emblems shrink with the cells, so that they stay
    // inside their own cells as on that board.
    float emblemScale() const { return iEmblemScale; }

private:
    int iW;
    int iH;
    float iS;
    float iLayerScale;   // second-layer units per square-layer unit
    float iEmblemScale;  // read for every piece and beam of a frame: worked out once
};

// The camera quarter of an angle, as the picking's log line states it:
// ((angle / 90) x 2 + 8000) mod 8, so 0, 2, 4 or 6.
int cameraQuarter(int angle);
// The board cell of a screen cell (a, b) for a quarter q: the turn of the
// whole board by q x 45 degrees.
BoardCell screenCellToBoard(int a, int b, int q, int width, int height);

// Window points to board cells for a board of W x H cells shown in a view
// of viewW x viewH pixels. The picture stretches with the window (aspect 1).
class BoardPicker {
public:
    BoardPicker(int width, int height, int viewW, int viewH);

    // The cells across the whole view width at angle 0 divided by W, halved:
    // what a click zoom constant stood for, here derived from the scene.
    float clickZoom() const;
    // The screen column of a window x, and the screen row of a window y, at
    // angle 0, held on the board.
    int screenToBoardColumn(int x) const;
    int screenToCell(int y) const;
    // The board cell drawn under the window point (x, y) when the board is
    // turned by `angle` degrees, held on the board.
    BoardCell cellAt(int x, int y, int angle) const;

private:
    // The point on the square layer, in the turned board's frame.
    void boardPoint(int x, int y, int angle, float* bx, float* by) const;
    int column(float bx) const;
    int row(float by) const;

    SceneGeometry iGeometry;
    int iViewW;
    int iViewH;
};
