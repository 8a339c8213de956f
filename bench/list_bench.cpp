// Paint time of the side list holding 10,000 rows, per frame: the pixel
// buffer alone (steps 1 to 8 of its paint), and, on a display, the whole
// paint of its window (buffer, copy and texts), scrolled to a new place
// each frame. The main window redraws 20 times a second, so a frame should
// stay well below 50 ms. Run on a display (tools/with-xvfb.sh) for the
// second figure.
#include <chrono>
#include <cstdio>
#include <string>

#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "platform/ui/ui.h"

namespace {

constexpr int kRows = 10000;
constexpr int kFrames = 200;
constexpr double kFrameBudgetMs = 50.0;

class OwnerCore : public SuperCore {
public:
    const char* getCoreClassName() override { return "OwnerCore"; }
};

double millisSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void fill(AdvancedListCore& list) {
    list.addColumn("Player", 0, 1.0);
    list.addColumn("path", 0, 0.0);
    list.addColumn("History", 100, 0.0);
    list.addColumn("ids", 0, 0.0);
    list.computeColumnWidths();
    for (int r = 0; r < kRows; ++r) {
        const std::string n = std::to_string(r);
        list.setCell(r, 0, ("Player number " + n + " with a longer name than fits the column").c_str());
        list.setCell(r, 1, "");
        list.setCell(r, 2, std::to_string(r * 7919 % 100000).c_str());
        list.setCell(r, 3, (n + " " + n).c_str());
        if (r % 9 == 0) list.row(r)->flags = 4;
        if (r % 7 == 0) list.row(r)->flags = 2;
        if (r % 5 == 0) list.row(r)->selected = 'Y';
    }
    list.setRowCount(kRows);
    list.setItemCount(kRows);
    list.updateScrollBar(1);
}

void report(const char* what, int w, int h, double totalMs) {
    const double perFrame = totalMs / kFrames;
    std::printf("%-26s %4dx%-4d %8.3f ms per frame  (%s the %.0f ms of a 20-frames-a-second redraw)\n", what, w, h,
                perFrame, perFrame < kFrameBudgetMs ? "within" : "OVER", kFrameBudgetMs);
}

void runSize(int w, int h, bool display) {
    SuperWindow frame(SuperWindow::defaultId, {20, 20, w + 40, h + 40}, SuperWindow::defaultStyle(), "List bench");
    auto* canvas = new SuperCanvas(SuperCanvas::defaultId, &frame, {0, 0, w + 40, h + 40}, SuperCanvas::defaultStyle());
    frame.setClient(canvas);
    OwnerCore owner;
    owner.setCanvasForTests(canvas);
    canvas->setCore(&owner);
    AdvancedListCore list("list", &owner, 10, 10, w, h);
    fill(list);

    // The buffer alone, scrolled a page further each frame.
    const int page = h / AdvancedListCore::kRowHeight - 1;
    std::size_t bytes = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < kFrames; ++f) {
        list.setIntValue("scrollBar", (f * page) % (kRows - page));
        bytes += list.renderPixels().size();
    }
    report("pixel buffer", w, h, millisSince(t0));
    if (bytes == 0) std::printf("nothing painted\n");

    if (!display) return;
    frame.platformFrame()->show();
    platform::ui::processEvents(0.3);
    platform::ui::Canvas* window = list.canvas()->platformCanvas();
    t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < kFrames; ++f) {
        list.setIntValue("scrollBar", (f * page + 1) % (kRows - page));
        window->repaint(true);  // paints at once
    }
    report("whole paint with texts", w, h, millisSince(t0));
    list.sortByColumn(2);
    t0 = std::chrono::steady_clock::now();
    for (int f = 0; f < kFrames; ++f) {
        list.setIntValue("scrollBar", (f * page + 2) % (kRows - page));
        window->repaint(true);
    }
    report("sorted by history", w, h, millisSince(t0));
    auto s0 = std::chrono::steady_clock::now();
    list.sortByColumn(0);
    std::printf("%-26s %8.3f ms for %d rows\n", "one sort by player", millisSince(s0), kRows);
}

}  // namespace

int main() {
    const bool display = platform::ui::displayAvailable();
    std::printf("list of %d rows, %d frames each%s\n", kRows, kFrames, display ? "" : " (no display: buffer only)");
    runSize(311, 490, display);   // the side list of a main window of the usual size
    runSize(900, 1000, display);  // a large one
    return 0;
}
