#include "game/view/tests/view_support.h"

#include <cmath>
#include <cstdio>

#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/window/superwindow.h"
#include "testing/window_support.h"

namespace view_test {

namespace {

constexpr double kPi = 3.14159265358979323846;

// From the drawing's formulas: the square size by play-area width...
double squareOf(int m) {
    switch (m) {
    case 8: return 0.52;
    case 9: return 0.46;
    case 10: return 0.42;
    case 11: return 0.383;
    default: return 0.488 * 30.0 / (m + 1) * 250.0 / 800.0;
    }
}

// ...a point of the layer at distance `depth`, given in that layer's own
// frame after the even shift, seen through gluPerspective(1, 1, ...).
ScreenPoint project(double px, double py, double depth, double shift, int angle, int viewW, int viewH) {
    const double f = 1.0 / std::tan(0.5 * kPi / 180.0);
    const double x = px - shift, y = py - shift;  // the shift is drawn before both layers
    const double a = angle * kPi / 180.0;
    const double ex = x * std::cos(a) - y * std::sin(a), ey = x * std::sin(a) + y * std::cos(a);
    const double u = f * ex / depth, v = f * ey / depth;
    return {static_cast<float>((u + 1) / 2 * viewW), static_cast<float>((1 - v) / 2 * viewH)};
}

}  // namespace

ScreenPoint squareLayerPoint(int W, int H, float cx, float cy, int angle, int viewW, int viewH) {
    const int m = W - 2;
    const double s = squareOf(m);
    const int ox = (W - 1) - W / 2, oy = (H - 1) - H / 2;
    // The square of cell (x, y) spans (x - 0.5 - ox) s .. + s across and
    // ((H - 1 - y) - 0.5 - oy) s .. + s up; its centre lies half a square in.
    const double px = (cx - ox) * s, py = ((H - 1 - cy) - oy) * s;
    return project(px, py, 250.0, m % 2 == 0 ? s / 2 : 0.0, angle, viewW, viewH);
}

ScreenPoint secondLayerPoint(int W, float px, float py, int angle, int viewW, int viewH) {
    // 550 units behind the squares, lifted 20 toward the eye on an 8-wide board.
    const int m = W - 2;
    const double s = squareOf(m);
    return project(px, py, m == 8 ? 780.0 : 800.0, m % 2 == 0 ? s / 2 : 0.0, angle, viewW, viewH);
}

std::string commandOutput(const std::string& command) { return testing_support::commandOutput(command); }

void startOnDefaultBoard(TestGame& game, const std::string& style, int seat) {
    const std::string name = "default." + style;
    setStringOption("lastDefaultGame", name.c_str());
    game.startGame(seat, 2);
}

ViewOwnerCore::ViewOwnerCore() : GenericMainCore("mainWindow", 0, 0, 0) {
    settings.gridBrightness = 49;  // as the shipped options have it
    SuperWindow::setTitlePrefix("Tarvelon Orvex Chess");
    iFrame->setTitle("version 1.01");
}

ViewOwnerCore::~ViewOwnerCore() {
    // As the main core's destructor: every other core goes with it.
    destroying = true;
    if (view) view->forgetOwner();
    view = nullptr;
    if (coreLibrary) {
        coreLibrary->removeSuperCore(this);
        coreLibrary->deleteSuperCores();
    }
    ++destructorRuns;
}

OrvexBoardCore* ViewOwnerCore::openView() {
    view = new OrvexBoardCore(*this);
    return view;
}

void ViewOwnerCore::viewClickSquare(int x, int y) {
    clicks.push_back({x, y});
    if (forwardClicks) OrvexViewOwner::viewClickSquare(x, y);
}

void ViewOwnerCore::boardViewClosed(OrvexBoardCore* closed) {
    ++viewClosedCalls;
    if (closed == view) view = nullptr;
    if (!destroying && iFrame) iFrame->close();
}

}  // namespace view_test
