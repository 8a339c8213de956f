// The widget table: positioned records and their controls, the form route
// with a fixed text measurer, the table's bounds, deletion and clearing,
// and the advertising record.
#include <gtest/gtest.h>

#include <string>

#include "framework/canvas/tests/canvas_support.h"

using namespace canvas_testing;
using platform::ui::ControlEventKind;
using platform::ui::ControlType;
using platform::ui::Rect;

namespace {

TEST_F(CanvasFixture, PositionedRecordsBecomeControlsWhereAsked) {
    canvas->addPushButton("start", "Start!", 10, 10, 80, -1);
    canvas->addPushButton("nofocus,quit", "Quit", 100, 10, 80, 30);
    canvas->addCheckBox("wiggle", "Wiggle", 1, 10, 40, 100, -1);
    canvas->addRadioButton("styleKV", "Classic", 0, 10, 70, 100, -1);
    canvas->addEntryField("tall", "", 10, 100, 100, 30, 10);
    canvas->addEntryField("plain", "x", 10, 140, 100, -1, 10);
    canvas->addEntryField("exact", "", 10, 170, 100, 22, 10);
    canvas->addEntryField("unreadable,password", "pw", 10, 200, 100, -1, 8);
    canvas->addLabelAt("sync,info", "Ready", 10, 230, 200, -1, "r");
    canvas->addList("players", 0, 200, 10, 120, 100);
    canvas->addList("many", 1, 200, 120, 120, 100);
    canvas->realize();

    struct Case {
        const char* name;
        const char* kind;
        ControlType type;
        Rect rect;
    };
    const Case cases[] = {
        {"start", "pushButton", ControlType::PushButton, {10, 11, 80, 22}},  // one lower, 22 high
        {"quit", "pushButton", ControlType::PushButton, {100, 10, 80, 30}},
        {"wiggle", "checkBox", ControlType::CheckBox, {10, 40, 100, 24}},
        {"styleKV", "radioButton", ControlType::RadioButton, {10, 70, 100, 24}},
        {"tall", "entryField", ControlType::Entry, {12, 104, 96, 22}},  // centred, 2 narrower each side
        {"plain", "entryField", ControlType::Entry, {12, 141, 96, 22}},
        {"exact", "entryField", ControlType::Entry, {10, 170, 100, 22}},
        {"password", "entryField", ControlType::SecretEntry, {12, 201, 96, 22}},
        {"info", "label", ControlType::Label, {10, 230, 200, 24}},
        {"players", "list", ControlType::List, {200, 10, 120, 100}},
        {"many", "list", ControlType::MultiList, {200, 120, 120, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WidgetRecord& r = record(c.name);
        ASSERT_NE(r.control, nullptr);
        EXPECT_STREQ(r.kind, c.kind);
        EXPECT_EQ(r.control->type(), c.type);
        EXPECT_TRUE(sameRect(r.control->rect(), c.rect)) << r.control->rect().x << "," << r.control->rect().y << " "
                                                         << r.control->rect().w << "x" << r.control->rect().h;
        EXPECT_EQ(r.id, 1000 + r.index + 1);
        EXPECT_FALSE(r.text.has_value());  // released once realised
    }
    EXPECT_TRUE(record("info").syncPaint);
    EXPECT_EQ(canvas->findWidget("sync,info"), nullptr);
    EXPECT_EQ(canvas->findWidget("nofocus,quit"), nullptr);
    EXPECT_EQ(count("SuperCore visual is in unreadable mode\n"), 1);
    EXPECT_EQ(control("password")->text(), "pw");
    EXPECT_EQ(control("password")->maxLength(), 8);
    EXPECT_EQ(control("start")->text(), "Start!");
    EXPECT_TRUE(control("wiggle")->checked());
    EXPECT_FALSE(control("styleKV")->checked());
    EXPECT_EQ(count("nonVP 320, 254 "), 1);
    EXPECT_EQ(canvas->eventBlock(), 0);
}

TEST_F(CanvasFixture, PlacementCodesChooseTheLabelKind) {
    struct Case {
        const char* code;
        const char* kind;
    };
    const Case cases[] = {
        {"r", "label"},        {"e", "label"},        {"l", "rightLabel"},        {"w", "rightLabel"},
        {"br", "bottomLabel"}, {"se", "bottomLabel"}, {"bl", "bottomRightLabel"}, {"sw", "bottomRightLabel"},
        {"m", "midLabel"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = std::string("label_") + c.code;
        canvas->addLabelAt(name.c_str(), c.code, 0, 0, 50, -1, c.code);
        ++n;
        ASSERT_EQ(canvas->widgetCount(), n);
        EXPECT_STREQ(canvas->widget(n - 1).kind, c.kind) << c.code;
    }
    for (const char* bad : {"x", "R", "", "rr"}) {
        canvas->addLabelAt("odd", "?", 0, 0, 50, -1, bad);
        EXPECT_EQ(canvas->widgetCount(), n) << bad;
    }
    canvas->addLabelAt("odd", "?", 0, 0, 50, -1, nullptr);
    EXPECT_EQ(canvas->widgetCount(), n);
    EXPECT_EQ(count("ERROR: SuperCanvas::addLabelAt odd has the unknown placement code"), 5);
    canvas->realize();
    for (const Case& c : cases) {
        std::string name = std::string("label_") + c.code;
        EXPECT_EQ(control(name.c_str())->text(), c.code);
    }
}

TEST_F(CanvasFixture, TheTableHoldsAHundredAndTwentyEightRecords) {
    for (int i = 0; i < 128; ++i) {
        std::string name = "b" + std::to_string(i);
        canvas->addPushButton(name.c_str(), "x", i, 0, 10, -1);
    }
    EXPECT_EQ(canvas->widgetCount(), 128);
    EXPECT_EQ(count("ERROR"), 0);
    canvas->addPushButton("b128", "x", 0, 0, 10, -1);
    canvas->addVerticalScrollBar("vb", 0, 0, 16, 100);
    canvas->addAd("ad", core, 0, 0, 10, 10);
    EXPECT_EQ(canvas->widgetCount(), 128);
    EXPECT_EQ(count("ERROR: SuperCanvas widget b128 refused, the table holds 128 records\n"), 1);
    EXPECT_EQ(count("refused, the table holds 128 records"), 3);
    canvas->realize();
    EXPECT_EQ(canvas->widget(127).id, 1128);
}

TEST_F(CanvasFixture, AnEmptyTableRealisesWithNoExtent) {
    canvas->realize();
    EXPECT_EQ(count("nonVP 0, 0 "), 1);
    EXPECT_EQ(canvas->eventBlock(), 0);
}

TEST_F(CanvasFixture, KindsARouteDoesNotCreateAreReported) {
    const char* entries[] = {"a", "b", nullptr};
    canvas->addGroupBox("box", "Box");
    canvas->addComboBox("combo", entries, "a");
    canvas->addPushButton("start", "Start", 0, 0, 50, -1);
    canvas->addCommandButton("ok", "OK");
    canvas->realize();
    EXPECT_EQ(count("ERROR: SuperCanvas::realize does not create groupBox widgets (box)\n"), 1);
    EXPECT_EQ(count("ERROR: SuperCanvas::realize does not create comboBox widgets (combo)\n"), 1);
    EXPECT_EQ(count("ERROR: SuperCanvas::realize does not create commandButton widgets (ok)\n"), 1);
    EXPECT_NE(control("start"), nullptr);
    EXPECT_EQ(control("box"), nullptr);

    canvas->clearVisual();
    canvas->addEntryField("name", "", 0, 0, 50, -1, 8);
    canvas->addCheckBoxRow("wiggle", "Wiggle", 0);
    canvas->packColumns(3);
    canvas->realizeForm();
    EXPECT_EQ(count("ERROR: SuperCanvas::realizeForm does not create entryField widgets (name)\n"), 1);
    EXPECT_NE(control("wiggle"), nullptr);
}

TEST_F(CanvasFixture, AFormGroupBoxWithCheckBoxRows) {
    canvas->addGroupBox("drawing", "Drawing");
    canvas->addCheckBoxRow("wiggle", "Wiggle", 1);
    canvas->addCheckBoxRow("orbit", "Orbit", 0);
    canvas->packColumns(3);
    canvas->exitGroupBox();
    // Rows 2.5 and 3.277: 2.5 x 26 + 1 - 28 and 3.277 x 26 + 1 - 28; column
    // 1 starts at the widest column-0 width (none) + 19.
    EXPECT_EQ(record("wiggle").py, 38);
    EXPECT_EQ(record("orbit").py, 58);
    EXPECT_EQ(record("wiggle").px, 19);
    EXPECT_EQ(record("orbit").px, 19);
    EXPECT_EQ(record("wiggle").width, 66);  // 6 characters of 6 pixels + 30, the widest
    EXPECT_EQ(record("orbit").width, 66);
    const WidgetRecord& box = record("drawing");
    EXPECT_EQ(box.px, 10);
    EXPECT_EQ(box.py, 15);
    EXPECT_EQ(box.width, 19 + 66 + 10 - 10);
    EXPECT_EQ(box.height, 58 + 22 + 10 - 15);
    EXPECT_EQ(canvas->formOffsetY(), -12);
    EXPECT_EQ(canvas->groupCounter(), 2);
    canvas->realizeForm();
    EXPECT_TRUE(sameRect(rectOf("drawing"), {10, 15, 85, 75}));
    EXPECT_TRUE(sameRect(rectOf("orbit"), {19, 58, 66, 22}));
    EXPECT_TRUE(control("wiggle")->checked());
    EXPECT_EQ(control("drawing")->type(), ControlType::GroupBox);
}

TEST_F(CanvasFixture, AFormWithLabelComboBoxAndACommandButtonColumn) {
    const char* levels[] = {"10%", "50%", "100%", nullptr};
    canvas->addGroupBox("drawing", "Drawing");
    canvas->addCheckBoxRow("wiggle", "Wiggle", 1);
    canvas->addCheckBoxRow("orbit", "Orbit camera", 0);
    canvas->addLabel("gridLabel", "Grid:", 0);
    canvas->addComboBox("grid", levels, "50%");
    EXPECT_EQ(record("grid").width, 4 * 6 + 25);  // the widest entry + 25
    EXPECT_EQ(record("gridLabel").width, 5 * 6);
    canvas->packColumns(3);
    canvas->exitGroupBox();
    canvas->addCommandButton("ok", "OK");
    canvas->addCommandButton("cancel", "Cancel...");
    EXPECT_EQ(record("ok").width, 8 * 2 + 35);
    EXPECT_EQ(record("cancel").width, 8 * 6 + 35);  // the dots do not count
    canvas->realizeForm();

    struct Case {
        const char* name;
        Rect rect;
    };
    const Case cases[] = {
        {"drawing", {10, 15, 151, 96}}, {"wiggle", {49, 38, 102, 22}},    // column 1: widest column-0 width 30 + 19
        {"orbit", {49, 58, 102, 22}},   {"gridLabel", {17, 77, 30, 24}},  // row 4.054 x 26 - 28
        {"grid", {49, 79, 102, 22}},    {"ok", {171, 10, 83, 22}},        // right of the form + 10, the widest button
        {"cancel", {171, 36, 83, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rect r = rectOf(c.name);
        EXPECT_TRUE(sameRect(r, c.rect)) << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
    EXPECT_EQ(control("grid")->type(), ControlType::Choice);
    EXPECT_EQ(control("grid")->itemCount(), 3);
    EXPECT_EQ(canvas->getValue("grid"), std::string("50%"));
    EXPECT_EQ(canvas->getIntValue("grid"), 1);
    control("grid")->setItemSelected(2, true);
    control("grid")->raiseForTests(ControlEventKind::Select);
    control("cancel")->raiseForTests(ControlEventKind::Command);
    ASSERT_EQ(core->got.size(), 2u);
    EXPECT_EQ(core->got[0], textValue("grid", "100%"));
    EXPECT_EQ(core->got[1], textValue("cancel", nullptr));
}

TEST_F(CanvasFixture, AFormComboBoxSelectsTheLastEqualEntryElseTheFirst) {
    struct Case {
        const char* selected;
        int index;
    };
    const Case cases[] = {{"b", 1}, {"a", 2}, {"zz", 0}, {nullptr, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected ? c.selected : "(null)");
        const char* entries[] = {"a", "b", "a", nullptr};
        canvas->clearVisual();
        canvas->addComboBox("combo", entries, c.selected);
        canvas->packColumns(3);
        canvas->realizeForm();
        EXPECT_EQ(control("combo")->selectedIndex(), c.index);
    }
    canvas->clearVisual();
    canvas->addComboBox("empty", nullptr, "x");
    canvas->realizeForm();
    EXPECT_EQ(control("empty")->itemCount(), 0);
    EXPECT_EQ(record("empty").width, 25);
}

TEST_F(CanvasFixture, ARecordAfterTheFirstCommandButtonBecomesOneToo) {
    canvas->addCheckBoxRow("wiggle", "Wiggle", 0);
    canvas->packColumns(3);
    canvas->addCommandButton("ok", "OK");
    canvas->addLabel("late", "Late", 0);
    canvas->realizeForm();
    EXPECT_STREQ(record("late").kind, "commandButton");
    EXPECT_EQ(control("late")->type(), ControlType::PushButton);
    EXPECT_EQ(rectOf("late").y, 36);
    control("late")->raiseForTests(ControlEventKind::Command);
    ASSERT_EQ(core->got.size(), 1u);
    EXPECT_EQ(core->got[0], textValue("late", nullptr));
}

TEST_F(CanvasFixture, GroupBoxesOfOneColumnTakeOneWidth) {
    canvas->addGroupBox("first", "First");
    canvas->addCheckBoxRow("a", "A", 0);
    canvas->packColumns(3);
    canvas->exitGroupBox();
    canvas->addGroupBox("second", "Second");
    canvas->addCheckBoxRow("b", "A much longer text", 0);
    canvas->packColumns(3);
    canvas->exitGroupBox();
    const int narrow = record("first").width;
    const int wide = record("second").width;
    ASSERT_LT(narrow, wide);
    canvas->equalizeGroupBoxWidths();
    EXPECT_EQ(record("first").width, wide);  // the first record of the table takes part
    EXPECT_EQ(record("second").width, wide);
    EXPECT_GT(record("second").py, record("first").py + record("first").height);
}

TEST_F(CanvasFixture, ExitingWithoutAGroupBoxOnlyMovesTheRow) {
    canvas->addCheckBoxRow("a", "A", 0);
    const float row = canvas->rowCursor();
    const int offset = canvas->formOffsetY();
    canvas->exitGroupBox();
    EXPECT_EQ(count("Could not find groupBox in exitGroupBox\n"), 1);
    EXPECT_FLOAT_EQ(canvas->rowCursor(), row - 0.75f);
    EXPECT_EQ(canvas->formOffsetY(), offset);
    EXPECT_EQ(SuperCanvas::countNonDots("Zur\xC3\xBC"
                                        "ck..."),
              6);
    EXPECT_EQ(SuperCanvas::countNonDots(nullptr), 0);
}

TEST_F(CanvasFixture, DeletingAWidgetKeepsTheOthersWorkingAndIdsUnique) {
    canvas->addPushButton("a", "A", 0, 0, 50, -1);
    canvas->addPushButton("b", "B", 0, 30, 50, -1);
    canvas->addEntryField("c", "", 0, 60, 50, -1, 8);
    canvas->addPushButton("d", "D", 0, 90, 50, -1);
    canvas->realize();
    canvas->rememberWidgetByName("b", "SE");
    canvas->rememberWidgetByName("c", "SE");
    ASSERT_EQ(canvas->anchors().size(), 2u);
    platform::ui::Control* bControl = control("b");

    canvas->deleteWidget("b");
    canvas->deleteWidget("nothing");
    EXPECT_EQ(canvas->widgetCount(), 3);
    EXPECT_EQ(count("deleting SuperCanvas widget b\n"), 1);
    EXPECT_EQ(count("delete of SuperCanvas widget complete\n"), 1);
    ASSERT_EQ(canvas->anchors().size(), 1u);  // b's anchor went with it
    EXPECT_NE(canvas->anchors()[0].control, bControl);
    EXPECT_EQ(record("c").id, 1003);
    EXPECT_EQ(record("d").id, 1004);

    control("c")->setText("typed");
    control("c")->raiseForTests(ControlEventKind::Edit);
    control("d")->raiseForTests(ControlEventKind::Command);
    ASSERT_EQ(core->got.size(), 2u);
    EXPECT_EQ(core->got[0], textValue("c", "typed"));
    EXPECT_EQ(core->got[1], textValue("d", nullptr));

    // A record added now must not take an id a moved record still has.
    canvas->addVerticalScrollBar("vb", 100, 0, 16, 100);
    EXPECT_EQ(record("vb").id, 1005);
    core->got.clear();
    control("vb")->raiseForTests(ControlEventKind::Scroll);
    control("d")->raiseForTests(ControlEventKind::Command);
    ASSERT_EQ(core->got.size(), 2u);
    EXPECT_EQ(core->got[0].name, "vb");
    EXPECT_EQ(core->got[1].name, "d");

    canvas->repositionWidgets(canvas, frame, 600, 500);  // the remaining anchor still moves
    EXPECT_EQ(rectOf("c").x, 2 + 88);
}

TEST_F(CanvasFixture, ClearingTheVisualEmptiesTableAnchorsAndForm) {
    canvas->addGroupBox("box", "Box");
    canvas->addCheckBoxRow("a", "A", 0);
    canvas->packColumns(3);
    canvas->exitGroupBox();
    canvas->realizeForm();
    canvas->rememberWidgetByName("a", "SE");
    canvas->clearVisual();
    EXPECT_EQ(canvas->widgetCount(), 0);
    EXPECT_TRUE(canvas->anchors().empty());
    EXPECT_EQ(canvas->groupCounter(), 0);
    EXPECT_FLOAT_EQ(canvas->rowCursor(), 0.0f);
    EXPECT_EQ(canvas->formOffsetY(), 5);
    EXPECT_EQ(count("killWidget"), 2);
    canvas->repositionWidgets(canvas, frame, 700, 500);  // nothing left to move
}

// The advertising record: the factory hook makes its core.
struct MadeCore : testing_support::FakeCore {
    MadeCore(SuperCore* owner, int x, int y, int w, int h) : FakeCore("AdCore") {
        createCanvas(owner->canvas(), x, y, w, h);
        owner->canvas()->addEmbeddedCore(this);
        ++made;
    }
    ~MadeCore() override { ++deleted; }
    static inline int made = 0;
    static inline int deleted = 0;
};

TEST_F(CanvasFixture, AnAdRecordGetsItsCoreFromTheHook) {
    adCoreFactory = nullptr;
    canvas->addAd("ad", core, 5, 300, 200, 60);
    ASSERT_NE(canvas->findWidget("ad"), nullptr);
    EXPECT_STREQ(record("ad").kind, "ad");
    EXPECT_EQ(record("ad").attachedCore, nullptr);
    EXPECT_EQ(canvas->eventBlock(), 0);
    canvas->deleteWidget("ad");

    adCoreFactory = [](SuperCore* owner, int x, int y, int w, int h) -> SuperCore* {
        return new MadeCore(owner, x, y, w, h);
    };
    canvas->addAd("ad", core, 5, 300, 200, 60);
    canvas->addAd("orphan", nullptr, 0, 0, 10, 10);
    EXPECT_EQ(count("ERROR: SuperCanvas::addAd orphan without an owner core\n"), 1);
    ASSERT_NE(record("ad").attachedCore, nullptr);
    SuperCanvas* adCanvas = record("ad").attachedCore->canvas();
    ASSERT_NE(adCanvas, nullptr);
    EXPECT_EQ(adCanvas->y(), 300);
    EXPECT_EQ(canvas->embeddedCores().size(), 1u);
    canvas->rememberWidgetByName("ad", "SW");
    ASSERT_EQ(canvas->anchors().size(), 1u);
    canvas->repositionWidgets(canvas, frame, 512, 434);
    EXPECT_EQ(adCanvas->y(), 350);

    canvas->deleteWidget("ad");
    EXPECT_EQ(MadeCore::deleted, 1);
    EXPECT_TRUE(canvas->embeddedCores().empty());
    EXPECT_TRUE(canvas->anchors().empty());

    // An ad core its owner deletes first leaves the record without it.
    canvas->addAd("ad2", core, 5, 300, 200, 60);
    SuperCore* made = record("ad2").attachedCore.get();
    canvas->rememberWidgetByName("ad2", "SW");
    delete made;
    EXPECT_EQ(record("ad2").attachedCore, nullptr);
    EXPECT_TRUE(canvas->anchors().empty());
    EXPECT_TRUE(canvas->embeddedCores().empty());
    adCoreFactory = nullptr;
}

}  // namespace
