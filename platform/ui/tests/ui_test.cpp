// The user-interface layer without a display: deferred work, the button
// numbering, menus and sizes of frames that are never shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/fltk_detail.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

using namespace platform::ui;

namespace {

TEST(Deferred, RunsAfterTheHandlerThatAskedForIt) {
    std::vector<std::string> order;
    {
        HandlerScope handler;
        defer([&] {
            order.push_back("first");
            // Deferred from a deferred task: after this task.
            defer([&] { order.push_back("third"); });
            order.push_back("first done");
        });
        defer([&] { order.push_back("second"); });
        EXPECT_EQ(runPending(), 0);  // a handler is running
        order.push_back("handler done");
    }
    EXPECT_EQ(runPending(), 3);
    std::vector<std::string> expected = {"handler done", "first", "first done", "second", "third"};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(inHandler());
}

TEST(Buttons, MapToTheSystemNumbering) {
    struct Case {
        int toolkit, system;
    };
    const Case cases[] = {{FL_LEFT_MOUSE, 1}, {FL_MIDDLE_MOUSE, 3}, {FL_RIGHT_MOUSE, 2}, {0, -1}, {4, -1}};
    for (const Case& c : cases) EXPECT_EQ(systemButtonFromToolkit(c.toolkit), c.system) << c.toolkit;
}

TEST(FrameMenu, RefusesUnknownParentsAndReusedIds) {
    Frame frame(10, 10, 300, 200, "menus");
    EXPECT_FALSE(frame.addMenuItem(0, 1, "before the bar"));
    frame.createMenuBar();
    EXPECT_TRUE(frame.addSubmenu(0, 10, "File"));
    EXPECT_TRUE(frame.addMenuItem(10, 11, "Open"));
    struct Case {
        const char* what;
        bool added;
    };
    const Case cases[] = {
        {"an item in an unknown submenu", frame.addMenuItem(99, 12, "Lost")},
        {"an item inside an item", frame.addMenuItem(11, 13, "Nested")},
        {"a reused id", frame.addMenuItem(10, 11, "Again")},
        {"id 0", frame.addMenuItem(10, 0, "Zero")},
        {"a separator in an unknown submenu", frame.addSeparator(99, 14)},
    };
    for (const Case& c : cases) EXPECT_FALSE(c.added) << c.what;
    ASSERT_EQ(frame.menuView().size(), 2u);
    EXPECT_FALSE(frame.chooseMenuItem(12));
    frame.clearMenu();
    EXPECT_TRUE(frame.menuView().empty());
    EXPECT_TRUE(frame.addSubmenu(0, 10, "File"));  // ids are free again
}

TEST(FrameMenu, ALeadingSeparatorHasNothingToHangOn) {
    Frame frame(10, 10, 300, 200, "menus");
    frame.createMenuBar();
    frame.addSubmenu(0, 1, "File");
    frame.addSeparator(1, 2);
    frame.addMenuItem(1, 3, "Open");
    frame.addSeparator(1, 4);
    frame.addMenuItem(1, 5, "Close");
    auto view = frame.menuView();
    ASSERT_EQ(view.size(), 3u);
    EXPECT_FALSE(view[0].dividerAfter);
    EXPECT_TRUE(view[1].dividerAfter);
    EXPECT_FALSE(view[2].dividerAfter);
}

TEST(FrameSize, TheClientFillsTheFrameBelowTheMenuBar) {
    Frame frame(10, 20, 400, 300, "client");
    Canvas canvas(&frame, {31, 32, 512, 384});
    frame.setClient(&canvas);
    EXPECT_EQ(canvas.rect().x, 0);
    EXPECT_EQ(canvas.rect().y, 0);
    EXPECT_EQ(canvas.width(), 400);
    EXPECT_EQ(canvas.height(), 300);
    frame.createMenuBar();
    EXPECT_EQ(canvas.rect().y, Frame::kMenuBarHeight);
    EXPECT_EQ(canvas.height(), 300 - Frame::kMenuBarHeight);
    Rect c = frame.clientRectFor({50, 50, 20, 20});
    EXPECT_EQ(c.x, 50);
    EXPECT_EQ(c.y, 50 + Frame::kMenuBarHeight);
    frame.resize(500, 350);
    EXPECT_EQ(canvas.width(), 500);
    EXPECT_EQ(canvas.height(), 350 - Frame::kMenuBarHeight);
}

TEST(FrameSize, ResizesStayWithinTheLimits) {
    Frame frame(0, 0, 400, 300, "limits");
    frame.setSizeLimits(200, 100, 600, 0);  // no maximum height
    struct Case {
        int w, h, expectW, expectH;
    };
    const Case cases[] = {{100, 50, 200, 100}, {900, 5000, 600, 5000}, {300, 200, 300, 200}};
    for (const Case& c : cases) {
        frame.resize(c.w, c.h);
        EXPECT_EQ(frame.width(), c.expectW) << c.w;
        EXPECT_EQ(frame.height(), c.expectH) << c.h;
    }
}

TEST(Windows, OutliveTheirToolkitWindowHarmlessly) {
    auto* frame = new Frame(0, 0, 300, 200, "gone");
    Canvas canvas(frame, {0, 0, 100, 100});
    Canvas inner(&canvas, {5, 5, 10, 10});
    delete frame;  // takes the toolkit windows of both canvases with it
    EXPECT_FALSE(canvas.exists());
    EXPECT_FALSE(inner.exists());
    canvas.place(1, 2, 3, 4);
    canvas.show();
    canvas.repaint(true);
    EXPECT_EQ(canvas.width(), 0);
    EXPECT_EQ(canvas.nativeId(), 0UL);
}

}  // namespace
