// The board scene's geometry and the picking: square sizes by width, the
// pieces drawn on their squares, and a click anywhere inside a drawn square
// picking that square's cell, at every board width, camera angle and window
// shape.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "game/view/geometry.h"
#include "game/view/tests/view_support.h"

using view_test::ScreenPoint;
using view_test::secondLayerPoint;
using view_test::squareLayerPoint;

namespace {

struct SizeCase {
    int playWidth;
    float square;
};

TEST(SquareSize, ByPlayAreaWidth) {
    // The table for 8 to 11; other widths get the square that matches their
    // piece pitch 0.488 x 30 / (m + 1) seen from 800 units: 4.575 / (m + 1).
    const SizeCase cases[] = {{8, 0.52f},           {9, 0.46f},           {10, 0.42f},          {11, 0.383f},
                              {12, 4.575f / 13.0f}, {13, 4.575f / 14.0f}, {30, 4.575f / 31.0f}, {5, 4.575f / 6.0f}};
    for (const SizeCase& c : cases) EXPECT_NEAR(squareSize(c.playWidth), c.square, 1e-5f) << c.playWidth;
}

TEST(SceneGeometry, TheEightWideBoardIsShiftedAndLifted) {
    const SceneGeometry eight(10, 10), nine(11, 11), ten(12, 12);
    EXPECT_FLOAT_EQ(eight.evenShift(), 0.26f);
    EXPECT_FLOAT_EQ(eight.lift(), 20.0f);
    EXPECT_FLOAT_EQ(nine.evenShift(), 0.0f);
    EXPECT_FLOAT_EQ(nine.lift(), 0.0f);
    EXPECT_FLOAT_EQ(ten.evenShift(), 0.21f);
    EXPECT_FLOAT_EQ(ten.lift(), 0.0f);
}

// Every piece is drawn over the centre of its own square, at every width
// (also those whose square size the table does not list) and angle.
TEST(SceneGeometry, PiecesLieOnTheirSquares) {
    for (int m : {5, 8, 9, 10, 11, 12, 13, 20, 30})
        for (int angle : {0, 90, 215}) {
            const int W = m + 2, H = m + 2;
            const SceneGeometry g(W, H);
            const float square =
                std::abs(squareLayerPoint(W, H, 1, 0, 0, 512, 512).x - squareLayerPoint(W, H, 0, 0, 0, 512, 512).x);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const ScreenPoint sq = squareLayerPoint(W, H, x, y, angle, 512, 512);
                    const ScreenPoint pc = secondLayerPoint(W, g.layerX(x), g.layerY(y), angle, 512, 512);
                    ASSERT_NEAR(pc.x, sq.x, 0.02f * square) << "m " << m << " angle " << angle << " " << x << "," << y;
                    ASSERT_NEAR(pc.y, sq.y, 0.02f * square) << "m " << m << " angle " << angle << " " << x << "," << y;
                }
        }
}

TEST(BoardPicker, ClickZoomOfTheEightWideBoardIsTheOldConstant) {
    // The fixed 0.42 fitted an 8-wide play area only.
    EXPECT_NEAR(BoardPicker(10, 10, 512, 512).clickZoom(), 0.42f, 0.001f);
}

struct View {
    int w, h;
};

// A click at the drawn centre of a square, and near each of its corners,
// picks that square's cell, for play widths 8 to 13 at the four quarters,
// mid-turn angles, and on a window twice as wide as high.
TEST(BoardPicker, TheCellDrawnUnderThePointerIsPicked) {
    const View views[] = {{512, 512}, {1024, 512}, {301, 433}};
    const int angles[] = {0, 90, 180, 270, 355, 45, 135, 300};
    for (int m = 8; m <= 13; ++m)
        for (const View& v : views)
            for (int angle : angles) {
                const int W = m + 2, H = m + 2;
                const BoardPicker picker(W, H, v.w, v.h);
                int checked = 0;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x)
                        // The centre and four points 0.35 of a square off it.
                        for (const auto& d : {std::pair{0.0f, 0.0f},
                                              {0.35f, 0.35f},
                                              {-0.35f, 0.35f},
                                              {0.35f, -0.35f},
                                              {-0.35f, -0.35f}}) {
                            const ScreenPoint p = squareLayerPoint(W, H, x + d.first, y + d.second, angle, v.w, v.h);
                            const int px = static_cast<int>(std::floor(p.x)), py = static_cast<int>(std::floor(p.y));
                            if (px < 0 || py < 0 || px >= v.w || py >= v.h) continue;  // off the window
                            ++checked;
                            const BoardCell c = picker.cellAt(px, py, angle);
                            ASSERT_EQ(c, (BoardCell{x, y}))
                                << "m " << m << " view " << v.w << "x" << v.h << " angle " << angle << " cell " << x
                                << "," << y << " offset " << d.first << "," << d.second << " got " << c.x << "," << c.y;
                        }
                // Square to the window, each board shows at least its whole
                // play area.
                if (angle % 90 == 0) {
                    EXPECT_GE(checked, m * m * 5) << "m " << m << " angle " << angle;
                }
            }
}

struct EdgeCase {
    int W, H, angle;
    int px, py;  // in a 512 x 512 view
    BoardCell expected;
};

TEST(BoardPicker, EdgesAndCentre) {
    const EdgeCase cases[] = {
        // The very left or top pixel is column or row 0; the right or bottom
        // edge, and beyond, the last column or row.
        {11, 11, 0, 0, 0, {0, 0}},
        {11, 11, 0, 511, 511, {10, 10}},
        {11, 11, 0, 600, -40, {10, 0}},
        {10, 10, 0, 0, 511, {0, 9}},
        {13, 13, 0, 511, 0, {12, 0}},
        {15, 15, 0, 0, 0, {0, 0}},
        {15, 15, 0, 511, 511, {14, 14}},
        // The centre of the window is the middle cell of an odd board...
        {11, 11, 0, 256, 256, {5, 5}},
        {13, 13, 90, 256, 256, {6, 6}},
        // ...and on an even board the cell to the lower right of the middle.
        {10, 10, 0, 256, 256, {5, 5}},
        // The screen's top-left corner at each quarter.
        {11, 11, 90, 0, 0, {10, 0}},
        {11, 11, 180, 0, 0, {10, 10}},
        {11, 11, 270, 0, 0, {0, 10}},
        {10, 10, 90, 0, 0, {9, 0}},
        {14, 14, 270, 0, 0, {0, 13}},
    };
    for (const EdgeCase& c : cases) {
        const BoardCell got = BoardPicker(c.W, c.H, 512, 512).cellAt(c.px, c.py, c.angle);
        EXPECT_EQ(got, c.expected) << c.W << " angle " << c.angle << " at " << c.px << "," << c.py << " got " << got.x
                                   << "," << got.y;
    }
}

// At whole quarters the turned picking is the screen cell turned by the
// quarter table; between quarters the table follows the angle's quarter.
TEST(BoardPicker, QuarterTableAgreesAtWholeQuarters) {
    EXPECT_EQ(cameraQuarter(0), 0);
    EXPECT_EQ(cameraQuarter(89), 0);
    EXPECT_EQ(cameraQuarter(90), 2);
    EXPECT_EQ(cameraQuarter(180), 4);
    EXPECT_EQ(cameraQuarter(270), 6);
    EXPECT_EQ(cameraQuarter(355), 6);
    for (int W : {10, 11, 13})
        for (int angle : {0, 90, 180, 270}) {
            const BoardPicker picker(W, W, 400, 400);
            for (int py = 0; py < 400; py += 7)
                for (int px = 0; px < 400; px += 7) {
                    const BoardCell screen{picker.screenToBoardColumn(px), picker.screenToCell(py)};
                    ASSERT_EQ(picker.cellAt(px, py, angle),
                              screenCellToBoard(screen.x, screen.y, cameraQuarter(angle), W, W))
                        << W << " angle " << angle << " at " << px << "," << py;
                }
        }
}

TEST(BoardPicker, QuarterTableHoldsResultsOnTheBoard) {
    // A board wider than high: the table's turned cells are held on it.
    EXPECT_EQ(screenCellToBoard(0, 0, 2, 12, 8), (BoardCell{11, 0}));
    EXPECT_EQ(screenCellToBoard(9, 0, 2, 12, 8), (BoardCell{11, 7}));
    EXPECT_EQ(screenCellToBoard(11, 0, 6, 12, 8), (BoardCell{0, 0}));
    EXPECT_EQ(screenCellToBoard(3, 5, 4, 12, 8), (BoardCell{8, 2}));
    EXPECT_EQ(screenCellToBoard(-2, 20, 0, 12, 8), (BoardCell{0, 7}));
}

}  // namespace
