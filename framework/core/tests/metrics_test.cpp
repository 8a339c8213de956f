// Window metrics of a core, on frames that are never shown.
#include <gtest/gtest.h>

#include <memory>

#include "framework/app/messagebox.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::FakeCore;
using testing_support::ProgramFolder;

namespace {

struct MetricsFixture : ::testing::Test {
    MetricsFixture() {
        setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
        options = new Options();
        options->load("options_vurn.gkv");
    }
    ~MetricsFixture() override {
        delete options;
        options = nullptr;
        setMessageBoxHandler(nullptr);
    }
    ProgramFolder folder;
};

// A frame at `r` with its client canvas, and a core that uses both.
struct Framed {
    Framed(const platform::ui::Rect& r, bool menu) {
        frame = std::make_unique<SuperWindow>(SuperWindow::defaultId, r, SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame.get(), SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        if (menu) frame->initMenu();
        core.setFrameForTests(frame.get());
        core.setCanvasForTests(canvas);
    }
    ~Framed() {
        core.setFrameForTests(nullptr);
        core.setCanvasForTests(nullptr);
    }
    std::unique_ptr<SuperWindow> frame;
    SuperCanvas* canvas;  // the frame's
    FakeCore core;        // named "unnamed"
};

TEST_F(MetricsFixture, StoresTheClientAndFrameSets) {
    struct Case {
        const char* what;
        platform::ui::Rect frame;
        bool menu;
        bool stored;
        int X, Y, W, H, OX, OY, OW, OH;
    };
    const Case cases[] = {
        {"near the corner: raised to 10, 15", {3, 5, 512, 384}, false, true, 10, 15, 512, 384, 10, 15, 512, 384},
        {"below a menu bar", {100, 200, 600, 400}, true, true, 100, 209, 600, 375, 100, 200, 600, 400},
        {"frame x of 6000", {6000, 50, 512, 384}, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"frame y of 6000", {50, 6000, 512, 384}, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"canvas 6000 wide", {50, 50, 6000, 384}, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"canvas 30 high: not even the frame set", {50, 50, 512, 55}, true, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"frame 39 wide", {50, 50, 39, 384}, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    const char* suffixes[] = {"X", "Y", "W", "H", "OX", "OY", "OW", "OH"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("user/options_vurn.gkv", "");
        delete options;
        options = new Options();
        options->load("options_vurn.gkv");
        Framed f(c.frame, c.menu);
        f.core.saveWindowMetrics();
        const int expected[] = {c.X, c.Y, c.W, c.H, c.OX, c.OY, c.OW, c.OH};
        for (int i = 0; i < 8; ++i) {
            std::string key = std::string("unnamed") + suffixes[i];
            if (!c.stored) {
                EXPECT_EQ(getStringOption(key.c_str()), nullptr) << key;
                continue;
            }
            EXPECT_EQ(getIntOption(key.c_str()), expected[i]) << key;
        }
        // Stored values reach the options file at once.
        EXPECT_EQ(folder.read("user/options_vurn.gkv").find("unnamedOX") != std::string::npos, c.stored);
    }
}

TEST_F(MetricsFixture, ACoreWithoutFrameStoresNothing) {
    FakeCore core;
    core.saveWindowMetrics();
    EXPECT_EQ(options->size(), 0u);
}

}  // namespace

namespace {

// A canvas that records the values set on it.
class RecordingCanvas : public SuperCanvas {
public:
    RecordingCanvas()
        : SuperCanvas(SuperCanvas::defaultId, static_cast<SuperWindow*>(nullptr), SuperCanvas::defaultFramingSpec(),
                      SuperCanvas::defaultStyle()) {}
    void setValue(const char* name, const char* text) override { set.emplace_back(name, text); }
    std::vector<std::pair<std::string, std::string>> set;
};

class PaintCore : public FakeCore {
public:
    int paint(int x0, int y0, int x1, int y1) override {
        area = {x0, y0, x1, y1};
        return 1;
    }
    std::vector<int> area;
};

TEST(CoreInfo, ShowsABlankAndTheTextWithinItsLimits) {
    RecordingCanvas canvas;
    FakeCore core;
    core.setCanvasForTests(&canvas);
    struct Case {
        const char* what;
        std::string text1, text2;
        bool two;
        std::string shown;
    };
    const Case cases[] = {
        {"one text", "Connected", "", false, " Connected"},
        {"two texts", "Player ", "Vantrel", true, " Player Vantrel"},
        {"a text past 510", std::string(600, 'a'), "", false, " " + std::string(510, 'a')},
        {"two texts past 255", std::string(200, 'b'), std::string(200, 'c'), true,
         " " + std::string(200, 'b') + std::string(55, 'c')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canvas.set.clear();
        if (c.two)
            core.showInfo2(c.text1.c_str(), c.text2.c_str());
        else
            core.showInfo(c.text1.c_str());
        ASSERT_EQ(canvas.set.size(), 1u);
        EXPECT_EQ(canvas.set[0].first, "info");
        EXPECT_EQ(canvas.set[0].second, c.shown);
    }
    core.setCanvasForTests(nullptr);
}

TEST(CoreInfo, RedrawPaintsTheWholeArea) {
    PaintCore core;
    EXPECT_EQ(core.redraw(), &core);
    EXPECT_EQ(core.area, (std::vector<int>{0, 0, 9999, 9999}));
}

}  // namespace
