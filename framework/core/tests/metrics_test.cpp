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
