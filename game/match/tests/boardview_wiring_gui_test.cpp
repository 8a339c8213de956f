// The main game core with its real board view: the view shows the main
// core's board, the rotate items turn it, the snapshot saves the frame it
// shows, upright, and closing the board window ends the program.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "framework/canvas/supercanvas.h"
#include "framework/image/image.h"
#include "framework/window/superwindow.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/view/boardcore.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "testing/window_support.h"

namespace {

using testing_support::waitFor;

class MainBoardView : public match_testing::MainWindowFixture {
protected:
    OrvexBoardCore* openWithView() {
        open();
        auto* view = dynamic_cast<OrvexBoardCore*>(core->boardView());
        EXPECT_NE(view, nullptr);
        if (view) {
            EXPECT_TRUE(waitFor([&] { return view->glWindow()->paintCount() > 0; }));
        }
        return view;
    }
};

// Pixels of seat 1's dark red above and below the middle of a picture of
// top-down RGB rows.
struct RedHalves {
    int top = 0, bottom = 0;
};

RedHalves redHalves(const uint8_t* rgb, int w, int h, bool bottomUp, int rowBytes) {
    RedHalves r;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = rgb + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) * 3;
            // Seat 1's dark red (0.5, 0.2, 0.2) under the scene's light.
            if (std::abs(p[0] - 180) > 10 || std::abs(p[1] - 72) > 10 || std::abs(p[2] - 72) > 10) continue;
            const bool upper = bottomUp ? y >= h / 2 : y < h / 2;
            (upper ? r.top : r.bottom)++;
        }
    return r;
}

TEST_F(MainBoardView, TheRotateItemsTurnTheViewAndTheSnapshotIsUpright) {
    OrvexBoardCore* view = openWithView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame()->title(), "Tarvelon Orvex Chess - Game Matrix");
    ViewPixels px;
    ASSERT_TRUE(view->readPixels(&px));
    RedHalves start = redHalves(px.bytes.data(), px.width, px.height, true, px.rowBytes);
    EXPECT_GT(start.bottom, 100);  // seat 1 starts at the bottom
    EXPECT_EQ(start.top, 0);

    core->setIntValue("rotateRightMI", 1);
    core->setIntValue("rotateRightMI", 1);
    ASSERT_TRUE(waitFor([&] { return core->getCameraTurnPending() == 0; }));
    EXPECT_EQ(core->getCameraAngle(), 180);
    ASSERT_TRUE(view->readPixels(&px));
    RedHalves turned = redHalves(px.bytes.data(), px.width, px.height, true, px.rowBytes);
    EXPECT_GT(turned.top, 100);
    EXPECT_EQ(turned.bottom, 0);

    core->setIntValue("snapshotMI", 1);
    Image png;
    ASSERT_EQ(png.loadFile("snapshot.png"), 1);
    ASSERT_EQ(png.iWidth, view->canvas()->width());
    ASSERT_EQ(png.iHeight, view->canvas()->height());
    png.assure24();
    RedHalves shot = redHalves(png.iPixels24.data(), png.iWidth, png.iHeight, false, png.iWidth * 3);
    EXPECT_GT(shot.top, 100);  // as on the screen: turned, and upright
    EXPECT_EQ(shot.bottom, 0);
    EXPECT_TRUE(folder.exists("snapshot.gif"));  // test mode
}

TEST_F(MainBoardView, ClosingTheBoardWindowEndsTheProgram) {
    OrvexBoardCore* view = openWithView();
    ASSERT_NE(view, nullptr);
    view->frame()->platformFrame()->requestClose();
    ASSERT_TRUE(waitFor([&] { return orvexMainCore == nullptr; }));
    core = nullptr;  // gone by its own frame's close
    EXPECT_TRUE(waitFor([&] { return platform::ui::Frame::liveCount() == 0; }));
}

TEST_F(MainBoardView, ClosingTheMainWindowTakesTheBoardWindowAlong) {
    OrvexBoardCore* view = openWithView();
    ASSERT_NE(view, nullptr);
    core->frame()->platformFrame()->requestClose();
    ASSERT_TRUE(waitFor([&] { return orvexMainCore == nullptr; }));
    core = nullptr;
    EXPECT_TRUE(waitFor([&] { return platform::ui::Frame::liveCount() == 0; }));
}

}  // namespace
