// Canvases on a display: a core that describes a window of every widget
// kind as positioned records and another as a packed form; clicks, typing,
// selecting and scrolling driven through the toolkit's event handling reach
// the cores by name; resizing keeps the anchors, and a minimised frame is
// left alone; pixels read back show the colours set by name.
#include <gtest/gtest.h>

#include <string>

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <memory>
#include <string>
#include <vector>

#include "framework/canvas/tests/canvas_support.h"
#include "platform/ui/fltk_detail.h"
#include "platform/ui/ui.h"
#include "testing/window_support.h"

using namespace canvas_testing;
using platform::ui::Rect;

namespace {

// A small embedded core standing in for the advertising panel.
class PanelCore : public testing_support::FakeCore {
public:
    PanelCore(SuperCore* owner, int x, int y, int w, int h) : FakeCore("AdCore") {
        createCanvas(owner->canvas(), x, y, w, h);
        owner->canvas()->addEmbeddedCore(this);
        iCanvas->addLabelAt("adText", "advertising panel", 2, 2, w - 4, h - 4, "m");
        iCanvas->realize();
    }
    const char* getName() override { return "ad"; }
};

// A windowed core that records what reaches it.
class RecordingWindowCore : public SuperCore {
public:
    explicit RecordingWindowCore(const char* name, int w, int h) : SuperCore(name, w, h, 0) {}
    const char* getCoreClassName() override { return "RecordingWindowCore"; }
    void setValue(const char* name, const char* text) override { got.push_back(textValue(name, text)); }
    void setIntValue(const char* name, int value) override { got.push_back(intValue(name, value)); }
    int onMouse(int x, int y, int button, int action) override {
        mouse.push_back({x, y, button, action});
        return 1;
    }
    int onResize(int w, int h) override {
        sizes.push_back({w, h});
        return 0;
    }
    std::vector<Delivered> got;
    std::vector<std::vector<int>> mouse;
    std::vector<std::pair<int, int>> sizes;
};

// Every kind, at pixel positions, anchored to the edges.
class EveryKindCore : public RecordingWindowCore {
public:
    EveryKindCore() : RecordingWindowCore("everyKind", 560, 400) { createVisual(); }
    void createVisual() override {
        SuperCanvas* c = iCanvas;
        const int W = c->width(), H = c->height();
        c->addLabelAt("title", "Left @label & text", 10, 8, 200, 20, "r");
        c->addLabelAt("rightText", "right", 10, 30, 200, 20, "l");
        c->addLabelAt("bottomText", "bottom", 220, 8, 100, 40, "br");
        c->addLabelAt("bottomRightText", "bottom right", 220, 52, 100, 40, "bl");
        c->addLabelAt("midText", "middle", 330, 8, 100, 40, "m");
        c->addCheckBox("wiggle", "Wiggle", 0, 10, 60, 150, -1);
        c->addRadioButton("styleKV", "Classic", 1, 10, 90, 150, -1);
        c->addRadioButton("styleGKV", "Advanced", 0, 10, 114, 150, -1);
        c->addEntryField("talkText", "", 10, 150, 200, -1, 40);
        c->addEntryField("unreadable,password", "secret", 10, 180, 200, -1, 16);
        c->addList("list", 0, 230, 100, 200, H - 180);
        c->addPushButton("pass", "Pass", W - 90, H - 34, 80, -1);
        c->addLabelAt("sync,info", " Ready", 10, H - 30, W - 110, -1, "r");
        c->realize();
        c->addVerticalScrollBar("vb", 440, 100, 16, H - 180);
        c->addHorizontalScrollBar("hb", 230, H - 76, 226, 16);
        c->addAd("ad", this, 10, 215, 200, 50);
        c->setScrollBarRange("vb", 0, 99, 10);
        c->setScrollBarRange("hb", 0, 499, 100);
        for (const char* p : {"Vantrel", "Orsolya", "Kettu", "@Brin&"}) c->addListItem("list", p);
        c->rememberWidgetByName("pass", "SE");
        c->rememberWidgetByName("info", "SWW");
        c->rememberWidgetByName("list", "WWH");
        c->rememberWidgetByName("vb", "EH");
        c->rememberWidgetByName("hb", "SWW");
        c->rememberWidgetByName("ad", "SW");
    }
};

// The same kinds of the form route: a group box of check boxes, a label
// and a combo box, a column of command buttons.
class FormCore : public RecordingWindowCore {
public:
    FormCore() : RecordingWindowCore("formWindow", 420, 220) { createVisual(); }
    void createVisual() override {
        SuperCanvas* c = iCanvas;
        c->addGroupBox("drawing", "Drawing");
        c->addCheckBoxRow("wiggle", "Wiggle", 1);
        c->addCheckBoxRow("orbit", "Orbit camera", 0);
        c->addLabel("gridLabel", "Grid:", 0);
        c->addComboBox("grid", levels, "50%");
        c->packColumns(3);
        c->exitGroupBox();
        c->equalizeGroupBoxWidths();
        c->addCommandButton("ok", "OK");
        c->addCommandButton("cancel", "Cancel");
        c->realizeForm();
    }
    static inline const char* levels[] = {"10%", "50%", "100%", nullptr};
};

struct GuiFixture : ::testing::Test {
    GuiFixture() {
        adCoreFactory = [](SuperCore* owner, int x, int y, int w, int h) -> SuperCore* {
            return new PanelCore(owner, x, y, w, h);
        };
    }
    ~GuiFixture() override { adCoreFactory = nullptr; }
    static void settle() { platform::ui::processEvents(0.3); }
    // With VURN_SHOT_DIR set, a screenshot of the display for a person to
    // look at.
    static void screenshot(const char* name) {
        if (!testing_support::screenshot(name)) ADD_FAILURE() << "screenshot " << name << " failed";
    }

    // Takes the core's windows once they are on the display.
    void use(SuperCore* core) {
        top = platform::ui::toolkitWindow(core->frame()->platformFrame());
        inner = platform::ui::toolkitWindow(core->canvas()->platformCanvas());
        ASSERT_NE(top, nullptr);
        ASSERT_NE(inner, nullptr);
        ASSERT_TRUE(testing_support::waitUntil([&] { return top->visible() && inner->visible(); }));
    }
    // A mouse event at (x, y) of the canvas, through the toolkit.
    void mouse(int event, int x, int y, int clicks = 0) {
        Fl::e_x = inner->x() + x;
        Fl::e_y = inner->y() + y;
        Fl::e_x_root = top->x() + Fl::e_x;
        Fl::e_y_root = top->y() + Fl::e_y;
        Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
        Fl::e_clicks = clicks;
        Fl::e_is_click = event == FL_RELEASE ? 1 : 0;
        Fl::e_state = event == FL_PUSH ? FL_BUTTON1 : 0;
        Fl::handle(event, top);
    }
    void click(int x, int y, int clicks = 0) {
        mouse(FL_PUSH, x, y, clicks);
        mouse(FL_RELEASE, x, y, clicks);
        settle();
    }
    void clickOn(SuperCanvas* canvas, const char* name, int dx = -1, int dy = -1) {
        Rect r = canvas->getControl(name)->rect();
        click(r.x + (dx < 0 ? r.w / 2 : dx), r.y + (dy < 0 ? r.h / 2 : dy));
    }
    void type(const char* text) {
        for (const char* p = text; *p; ++p) {
            char one[2] = {*p, 0};
            Fl::e_text = one;
            Fl::e_length = 1;
            Fl::e_keysym = static_cast<unsigned char>(*p);
            Fl::e_state = 0;
            Fl::handle(FL_KEYBOARD, top);
        }
        Fl::e_text = const_cast<char*>("");
        Fl::e_length = 0;
        settle();
    }
    // The colour at (x, y) of the canvas as drawn.
    platform::ui::Rgb pixel(int x, int y) {
        inner->make_current();
        uchar rgb[3] = {0, 0, 0};
        fl_read_image(rgb, x, y, 1, 1);
        return {rgb[0], rgb[1], rgb[2]};
    }

    testing_support::CoreEnvironment env;
    Fl_Window* top = nullptr;
    Fl_Window* inner = nullptr;
};

TEST_F(GuiFixture, EveryKindReachesTheCoreByName) {
    auto* core = new EveryKindCore();
    SuperCanvas* c = core->canvas();
    settle();
    use(core);
    ASSERT_TRUE(core->frame()->platformFrame()->visible());
    screenshot("every_kind");

    clickOn(c, "pass");
    clickOn(c, "wiggle", 8);
    clickOn(c, "styleGKV", 8);
    ASSERT_EQ(core->got.size(), 3u);
    EXPECT_EQ(core->got[0], textValue("pass", nullptr));
    EXPECT_EQ(core->got[1], intValue("wiggle", 1));
    EXPECT_EQ(core->got[2], intValue("styleGKV", 1));
    EXPECT_EQ(c->getIntValue("styleKV"), 0);  // one group of radio buttons

    core->got.clear();
    clickOn(c, "talkText");
    type("gg");
    ASSERT_EQ(core->got.size(), 2u);
    EXPECT_EQ(core->got[0], textValue("talkText", "g"));
    EXPECT_EQ(core->got[1], textValue("talkText", "gg"));
    EXPECT_STREQ(c->getValue("talkText"), "gg");

    core->got.clear();
    const Rect list = c->getControl("list")->rect();
    click(list.x + 20, list.y + 2 + 15 + 7);  // the second row
    ASSERT_EQ(core->got.size(), 1u);
    EXPECT_EQ(core->got[0], textValue("list", ""));
    EXPECT_EQ(c->getListSelection("list"), 1);
    EXPECT_STREQ(c->getListSelectedText("list"), "Orsolya");
    core->got.clear();
    mouse(FL_PUSH, list.x + 20, list.y + 2 + 15 * 3 + 7);
    mouse(FL_RELEASE, list.x + 20, list.y + 2 + 15 * 3 + 7);
    mouse(FL_PUSH, list.x + 20, list.y + 2 + 15 * 3 + 7, 1);  // the second click of a double-click
    mouse(FL_RELEASE, list.x + 20, list.y + 2 + 15 * 3 + 7, 1);
    settle();
    ASSERT_EQ(core->got.size(), 2u);  // selected, then entered
    EXPECT_EQ(c->getListSelection("list"), 3);
    EXPECT_STREQ(c->getListSelectedText("list"), "@Brin&");

    core->got.clear();
    const Rect vb = c->getControl("vb")->rect();
    click(vb.x + 8, vb.y + vb.h - 6);  // the arrow at the bottom
    const Rect hb = c->getControl("hb")->rect();
    click(hb.x + hb.w - 6, hb.y + 8);  // the arrow at the right
    ASSERT_EQ(core->got.size(), 2u);
    EXPECT_EQ(core->got[0].name, "vb");
    EXPECT_TRUE(core->got[0].numeric);
    EXPECT_GT(core->got[0].number, 0);
    EXPECT_EQ(core->got[0].number, c->getIntValue("vb"));
    EXPECT_EQ(core->got[1].name, "hb");
    EXPECT_EQ(core->got[1].number, c->getIntValue("hb"));

    // A click on the canvas itself: press, release, click.
    core->got.clear();
    click(500, 40);
    ASSERT_EQ(core->mouse.size(), 3u);
    EXPECT_EQ(core->mouse[0], (std::vector<int>{500, 40, 1, 1}));
    EXPECT_EQ(core->mouse[1], (std::vector<int>{500, 40, 1, -1}));
    EXPECT_EQ(core->mouse[2], (std::vector<int>{500, 40, 1, 0}));
    EXPECT_TRUE(core->got.empty());

    // The advertising panel lives in the canvas as an embedded core.
    ASSERT_EQ(c->embeddedCores().size(), 1u);
    EXPECT_EQ(c->embeddedCores()[0]->canvas()->y(), 215);
}

TEST_F(GuiFixture, ResizingKeepsTheAnchorsAndAMinimisedFrameIsLeftAlone) {
    auto* core = new EveryKindCore();
    SuperCanvas* c = core->canvas();
    settle();
    use(core);
    const Rect pass = c->getControl("pass")->rect();
    const Rect info = c->getControl("info")->rect();
    const Rect list = c->getControl("list")->rect();
    const Rect vb = c->getControl("vb")->rect();
    SuperCanvas* ad = c->embeddedCores()[0]->canvas();
    const int adY = ad->y();

    resizeTo(core->frame(), 660, 460);
    settle();
    screenshot("every_kind_resized");
    EXPECT_EQ(c->width(), 660);
    EXPECT_EQ(c->getControl("pass")->rect().x, pass.x + 100);
    EXPECT_EQ(c->getControl("pass")->rect().y, pass.y + 60);
    EXPECT_EQ(c->getControl("info")->rect().y, info.y + 60);
    EXPECT_EQ(c->getControl("info")->rect().w, info.w + 100);
    EXPECT_EQ(c->getControl("list")->rect().w, list.w + 100);
    EXPECT_EQ(c->getControl("list")->rect().h, list.h + 60);
    EXPECT_EQ(c->getControl("vb")->rect().x, vb.x + 100);
    EXPECT_EQ(c->getControl("vb")->rect().h, vb.h + 60);
    EXPECT_EQ(ad->y(), adY + 60);
    ASSERT_FALSE(core->sizes.empty());
    EXPECT_EQ(core->sizes.back(), std::make_pair(660, 460));

    // Minimised (unmapped, still shown): nothing moves.
    XUnmapWindow(fl_display, fl_xid(top));
    XSync(fl_display, False);
    settle();
    ASSERT_TRUE(core->frame()->platformFrame()->minimized());
    resizeTo(core->frame(), 600, 420);
    settle();
    EXPECT_EQ(c->getControl("pass")->rect().x, pass.x + 100);
    // Restored, the next resize lays out from the last laid-out size.
    XMapWindow(fl_display, fl_xid(top));
    XSync(fl_display, False);
    settle();
    resizeTo(core->frame(), 580, 410);
    settle();
    EXPECT_EQ(c->getControl("pass")->rect().x, pass.x + 20);
    EXPECT_EQ(c->getControl("pass")->rect().y, pass.y + 10);
}

TEST_F(GuiFixture, AFormWindowReachesTheCoreByName) {
    auto* core = new FormCore();
    SuperCanvas* c = core->canvas();
    settle();
    use(core);
    screenshot("form");
    clickOn(c, "orbit", 8);
    clickOn(c, "cancel");
    // The combo box's pick, through the widget's callback.
    Fl_Widget* grid = platform::ui::toolkitWidget(c->getControl("grid"));
    ASSERT_NE(grid, nullptr);
    c->getControl("grid")->setItemSelected(2, true);
    grid->do_callback();
    settle();
    ASSERT_EQ(core->got.size(), 3u);
    EXPECT_EQ(core->got[0], intValue("orbit", 1));
    EXPECT_EQ(core->got[1], textValue("cancel", nullptr));
    EXPECT_EQ(core->got[2], textValue("grid", "100%"));
    // The command buttons form a column right of the group box.
    const Rect box = c->getControl("drawing")->rect();
    const Rect ok = c->getControl("ok")->rect();
    EXPECT_EQ(ok.x, box.x + box.w + 10);
    EXPECT_EQ(c->getControl("cancel")->rect().y, ok.y + 26);
}

// A text set on a "sync," label is on the screen at once: it is read back
// before the toolkit's loop runs again.
TEST_F(GuiFixture, ASyncLabelIsDrawnAsSoonAsItsTextIsSet) {
    auto* core = new EveryKindCore();
    SuperCanvas* c = core->canvas();
    settle();
    use(core);
    const Rect info = c->getControl("info")->rect();
    auto inked = [&] {
        inner->make_current();
        std::vector<uchar> rgb(static_cast<std::size_t>(info.w) * static_cast<std::size_t>(info.h) * 3);
        fl_read_image(rgb.data(), info.x, info.y, info.w, info.h);
        int dark = 0;
        for (std::size_t i = 0; i < rgb.size(); i += 3) dark += rgb[i] < 80 && rgb[i + 1] < 80 && rgb[i + 2] < 80;
        return dark;
    };
    ASSERT_TRUE(testing_support::waitUntil([&] { return inked() > 0; }));  // " Ready"
    c->setValue("info", "");
    EXPECT_EQ(inked(), 0);
    c->setValue("info", " Busy");
    EXPECT_GT(inked(), 0);
}

TEST_F(GuiFixture, ColoursSetByNameAreWhatIsDrawn) {
    auto* core = new EveryKindCore();
    SuperCanvas* c = core->canvas();
    c->setBackgroundColor("midText", "red");
    c->setBackgroundColorRGB("bottomText", 0, 0, 255);
    settle();
    use(core);
    const Rect mid = c->getControl("midText")->rect();
    const Rect bottom = c->getControl("bottomText")->rect();
    // Read once the canvas has been drawn.
    platform::ui::Rgb red, blue;
    EXPECT_TRUE(testing_support::waitUntil([&] {
        red = pixel(mid.x + 2, mid.y + 2);
        blue = pixel(bottom.x + 2, bottom.y + 2);
        return red.r > 200 && red.g < 60 && blue.b > 200 && blue.r < 60;
    }));
    EXPECT_GT(red.r, 200);
    EXPECT_LT(red.g, 60);
    EXPECT_GT(blue.b, 200);
    EXPECT_LT(blue.r, 60);
    // The canvas background elsewhere stays the toolkit's grey.
    platform::ui::Rgb plain = pixel(500, 60);
    EXPECT_NEAR(plain.r, plain.b, 8);
    EXPECT_GT(plain.r, 120);
}

}  // namespace
