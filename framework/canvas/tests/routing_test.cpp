// Events of a canvas reaching its core: which slot, which name, which
// value per widget kind; the event block before realising and during a
// delivery; mouse buttons and actions; paint and its overlay.
#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/canvas/tests/canvas_support.h"

using namespace canvas_testing;
using platform::ui::ControlEventKind;

namespace {

// One widget of every kind that raises events, positioned.
void describeEveryKind(SuperCanvas* c) {
    c->addPushButton("start", "Start!", 10, 10, 80, -1);
    c->addCheckBox("wiggle", "Wiggle", 0, 10, 40, 100, -1);
    c->addRadioButton("styleKV", "Classic", 1, 10, 70, 100, -1);
    c->addEntryField("talkText", "hello", 10, 100, 150, -1, 80);
    c->addList("players", 0, 200, 10, 120, 100);
    c->addLabelAt("info", "Ready", 10, 130, 200, -1, "r");
    c->realize();
    c->addVerticalScrollBar("vb", 330, 0, 16, 200);
}

TEST_F(CanvasFixture, EachKindDeliversItsValueByName) {
    describeEveryKind(canvas);
    control("talkText")->setText("typed");
    control("wiggle")->setChecked(true);
    canvas->setScrollBarRange("vb", 0, 99, 10);
    control("vb")->setScrollPosition(42);
    canvas->addListItem("players", "Vantrel");

    struct Case {
        const char* name;
        ControlEventKind event;
        Delivered expected;
    };
    const Case cases[] = {
        {"start", ControlEventKind::Command, textValue("start", nullptr)},  // the name alone
        {"wiggle", ControlEventKind::Select, intValue("wiggle", 1)},
        {"styleKV", ControlEventKind::Select, intValue("styleKV", 1)},
        {"talkText", ControlEventKind::Edit, textValue("talkText", "typed")},
        {"players", ControlEventKind::Select, textValue("players", "")},
        {"players", ControlEventKind::Enter, textValue("players", "")},
        {"vb", ControlEventKind::Scroll, intValue("vb", 42)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        core->got.clear();
        control(c.name)->raiseForTests(c.event);
        ASSERT_EQ(core->got.size(), 1u);
        EXPECT_EQ(core->got[0], c.expected);
    }
}

TEST_F(CanvasFixture, WidgetEventsWaitForRealizeButMouseAndPaintDoNot) {
    EXPECT_EQ(canvas->eventBlock(), 1);
    canvas->addPushButton("start", "Start!", 10, 10, 80, -1);
    // Before realize there is no control yet; the entry points refuse.
    KZVEvent command;
    command.kind = KZVEventKind::Command;
    command.message = kCommandMessage;
    command.param1 = 1001;
    EXPECT_EQ(canvas->onCommand(command), 0);
    KZVEvent select;
    select.param1 = 1001;
    EXPECT_EQ(canvas->onSelect(select), 0);
    EXPECT_EQ(canvas->onEdit(select), 0);

    KZVEvent press;
    press.kind = KZVEventKind::MouseClick;
    press.button = 1;
    press.mouseAction = KZVEvent::ButtonDown;
    EXPECT_EQ(canvas->onMouseClick(canvas, press), 1);
    EXPECT_EQ(core->mouse.size(), 1u);
    KZVEvent paint;
    paint.w = 100;
    paint.h = 50;
    canvas->onPaint(canvas, paint);
    EXPECT_EQ(core->calls.size(), 2u);

    canvas->realize();
    EXPECT_EQ(canvas->eventBlock(), 0);
    EXPECT_EQ(canvas->onCommand(command), 1);
    EXPECT_EQ(core->got.size(), 1u);
    // Only the command message is a command.
    command.message = 0;
    EXPECT_EQ(canvas->onCommand(command), 0);
    // An id that no record has.
    command.message = kCommandMessage;
    command.param1 = 1077;
    EXPECT_EQ(canvas->onCommand(command), 0);
}

TEST_F(CanvasFixture, ACoresOwnChangesDuringADeliveryDoNotComeBack) {
    describeEveryKind(canvas);
    platform::ui::Control* talk = control("talkText");
    int reentered = 0;
    core->onValue = [&](const std::string& name) {
        if (name != "talkText") return;
        // The core rewrites its field; the toolkit echoes an edit event.
        canvas->setValue("talkText", "");
        ++reentered;
        talk->raiseForTests(ControlEventKind::Edit);
        EXPECT_EQ(canvas->eventBlock(), 1);
    };
    talk->setText("gg");
    talk->raiseForTests(ControlEventKind::Edit);
    EXPECT_EQ(reentered, 1);
    ASSERT_EQ(core->got.size(), 1u);
    EXPECT_EQ(core->got[0], textValue("talkText", "gg"));
    EXPECT_EQ(canvas->eventBlock(), 0);
    EXPECT_EQ(talk->text(), "");
}

TEST_F(CanvasFixture, ARealizeInsideADeliveryLetsLaterEventsThrough) {
    describeEveryKind(canvas);
    // The core rebuilds its whole window from a button's handler.
    core->onValue = [&](const std::string& name) {
        if (name != "start") return;
        canvas->clearVisual();
        canvas->addPushButton("again", "Again", 10, 10, 80, -1);
        canvas->addCheckBox("wiggle", "Wiggle", 0, 10, 40, 100, -1);
        canvas->realize();
        // Still inside the delivery: its own echoes stay blocked.
        EXPECT_NE(canvas->eventBlock(), 0);
        control("wiggle")->raiseForTests(ControlEventKind::Select);
    };
    control("start")->raiseForTests(ControlEventKind::Command);
    ASSERT_EQ(core->got.size(), 1u);
    EXPECT_EQ(canvas->eventBlock(), 0);
    control("again")->raiseForTests(ControlEventKind::Command);
    control("wiggle")->raiseForTests(ControlEventKind::Select);
    ASSERT_EQ(core->got.size(), 3u);
    EXPECT_EQ(core->got[1], textValue("again", nullptr));
    EXPECT_EQ(core->got[2], intValue("wiggle", 0));
}

TEST_F(CanvasFixture, AnExceptionInTheCoresHandlerIsLoggedAndTheBlockLifted) {
    describeEveryKind(canvas);
    core->onValue = [](const std::string&) { throw std::runtime_error("toolkit failure"); };
    control("start")->raiseForTests(ControlEventKind::Command);
    EXPECT_EQ(count("ERROR: IException occured in SuperCanvas::envokeVisualItem(vi)\n"), 1);
    EXPECT_NE(errors().find("envokeVisualItem(vi)"), std::string::npos);
    EXPECT_EQ(canvas->eventBlock(), 0);
    core->onValue = nullptr;
    control("wiggle")->raiseForTests(ControlEventKind::Select);
    EXPECT_EQ(core->got.size(), 2u);
}

TEST_F(CanvasFixture, AWidgetDeletedByItsOwnHandlerIsSafe) {
    describeEveryKind(canvas);
    core->onValue = [&](const std::string& name) {
        if (name == "start") canvas->deleteWidget("start");
        if (name == "talkText") canvas->clearVisual();
    };
    control("start")->raiseForTests(ControlEventKind::Command);
    EXPECT_EQ(canvas->getControl("start"), nullptr);
    control("talkText")->raiseForTests(ControlEventKind::Edit);
    EXPECT_EQ(canvas->widgetCount(), 0);
    EXPECT_EQ(core->got.size(), 2u);
}

TEST_F(CanvasFixture, MouseButtonsActionsAndModifiers) {
    struct Case {
        const char* what;
        int button;
        KZVEvent::MouseAction action;
        bool alt, ctrl, shift;
        int expectedButton, expectedAction;
    };
    const Case cases[] = {
        {"left press", 1, KZVEvent::ButtonDown, false, false, false, 1, 1},
        {"left release", 1, KZVEvent::ButtonUp, false, false, false, 1, -1},
        {"left double-click", 1, KZVEvent::ButtonDoubleClick, false, false, false, 1, 2},
        {"right press with shift", 2, KZVEvent::ButtonDown, false, false, true, 2, 1},
        {"right release", 2, KZVEvent::ButtonUp, false, false, false, 2, -1},
        {"right double-click", 2, KZVEvent::ButtonDoubleClick, false, true, false, 2, 2},
        {"middle press with alt and ctrl", 3, KZVEvent::ButtonDown, true, true, false, 3, 1},
        {"middle release", 3, KZVEvent::ButtonUp, false, false, false, 3, -1},
        {"middle double-click", 3, KZVEvent::ButtonDoubleClick, true, false, true, 3, 2},
        {"a click", 1, KZVEvent::ButtonClick, false, false, false, 1, 0},
        {"a fourth button", 4, KZVEvent::ButtonDown, false, false, false, -1, 1},
        {"no action", 1, KZVEvent::NoAction, false, false, false, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        core->mouse.clear();
        KZVEvent e;
        e.kind = KZVEventKind::MouseClick;
        e.x = 40;
        e.y = 50;
        e.button = c.button;
        e.mouseAction = c.action;
        e.alt = c.alt;
        e.ctrl = c.ctrl;
        e.shift = c.shift;
        EXPECT_TRUE(canvas->handlerHost().dispatch(e));
        ASSERT_EQ(core->mouse.size(), 1u);
        EXPECT_EQ(core->mouse[0], (std::vector<int>{40, 50, c.expectedButton, c.expectedAction}));
        EXPECT_EQ(canvas->lastAlt(), c.alt ? 1 : 0);
        EXPECT_EQ(canvas->lastCtrl(), c.ctrl ? 1 : 0);
        EXPECT_EQ(canvas->lastShift(), c.shift ? 1 : 0);
    }
    KZVEvent move;
    move.kind = KZVEventKind::MouseMove;
    move.x = 7;
    move.y = 8;
    EXPECT_FALSE(canvas->handlerHost().dispatch(move));  // the core did not use it
    EXPECT_EQ(core->moves, (std::vector<std::vector<int>>{{7, 8}}));
}

TEST_F(CanvasFixture, PaintThenOverlayWithTheAreaAndTheSecondaryCoreWithoutACore) {
    KZVEvent e;
    e.kind = KZVEventKind::Paint;
    e.x = 5;
    e.y = 6;
    e.w = 100;
    e.h = 50;
    EXPECT_FALSE(canvas->handlerHost().dispatch(e));  // neither drew
    EXPECT_EQ(core->calls, (std::vector<std::string>{"paint 5,6 105,56", "overlay 5,6 105,56"}));
    EXPECT_EQ(core->overlayWindow, canvas);
    core->overlayResult = 1;
    EXPECT_TRUE(canvas->handlerHost().dispatch(e));

    ValueCore secondary;
    canvas->setSecondaryCore(&secondary);
    canvas->setCore(nullptr);
    canvas->handlerHost().dispatch(e);
    EXPECT_EQ(secondary.calls.size(), 2u);
    canvas->setSecondaryCore(nullptr);
    EXPECT_FALSE(canvas->handlerHost().dispatch(e));
    KZVEvent press;
    press.kind = KZVEventKind::MouseClick;
    press.mouseAction = KZVEvent::ButtonDown;
    EXPECT_FALSE(canvas->handlerHost().dispatch(press));
    canvas->setCoreValue("x", "y");
    canvas->setCoreIntValue("x", 3);
    EXPECT_EQ(count("virtual SuperCanvas::setCoreValue called for x y has no Core.\n"), 1);
    EXPECT_EQ(count("virtual SuperCanvas::setCoreIntValue called for x 3 has no Core.\n"), 1);
    canvas->setCore(core);
}

TEST_F(CanvasFixture, DeletedHandlersStopTheEventsAndASecondDeleteChangesNothing) {
    describeEveryKind(canvas);
    EXPECT_EQ(canvas->handlerHost().handlerCount(), 7);
    canvas->deleteHandlers();
    canvas->deleteHandlers();
    EXPECT_EQ(canvas->handlerHost().handlerCount(), 0);
    EXPECT_EQ(count("delete Handlers\n"), 1);
    control("start")->raiseForTests(ControlEventKind::Command);
    control("vb")->raiseForTests(ControlEventKind::Scroll);
    EXPECT_TRUE(core->got.empty());
    // The entry field's own edit handler stays with its record.
    control("talkText")->raiseForTests(ControlEventKind::Edit);
    EXPECT_EQ(core->got.size(), 1u);
}

TEST_F(CanvasFixture, MenuCommandsReachTheCoreThroughTheFrame) {
    testing_support::buildTestMenu(canvas);
    KZVEvent e;
    e.kind = KZVEventKind::Command;
    e.message = kCommandMessage;
    e.param1 = 15503;  // "quitMI"
    EXPECT_TRUE(frame->handlerHost().dispatch(e));
    ASSERT_EQ(core->got.size(), 1u);
    EXPECT_EQ(core->got[0], intValue("quitMI", 1));
}

}  // namespace
