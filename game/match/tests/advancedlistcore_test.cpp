// The list core without a display: rows, columns, selection, clicks,
// sorting and scrolling.
#include <gtest/gtest.h>

#include <memory>

#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

namespace {

// An unshown frame and canvas with an owner core.
struct ListFixture : ::testing::Test {
    ListFixture() {
        folder.write("test.env", "");
        debugLogResetForTests();
        frame = new SuperWindow(SuperWindow::defaultId, {30, 30, 512, 384}, SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame, SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        owner = new testing_support::FakeCore("OwnerCore");
        canvas->setCore(owner);
        frame->setCore(owner);
        owner->setFrameForTests(frame);
        owner->setCanvasForTests(canvas);
    }
    ~ListFixture() override {
        list.reset();
        delete frame;
        platform::ui::runPending();
        debugLogResetForTests();
    }
    testing_support::ProgramFolder folder;
    SuperWindow* frame;
    SuperCanvas* canvas;
    testing_support::FakeCore* owner;
    std::unique_ptr<AdvancedListCore> list;
};

TEST_F(ListFixture, BuildsInItsOwnersCanvas) {
    list = std::make_unique<AdvancedListCore>("list", owner, 10, 0, 200, 160);
    EXPECT_STREQ(list->getCoreClassName(), "AdvancedListCore");
    EXPECT_EQ(list->rowCapacity(), AdvancedListCore::kRowCapacityStep);
}

}  // namespace
