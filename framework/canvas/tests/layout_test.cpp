// Anchored layout: every anchor code on a control and on an embedded core's
// canvas, the same-size and newest-first rules, the re-entry guard, sizes
// that would go negative, and the canvas's resize event.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/canvas/tests/canvas_support.h"

using namespace canvas_testing;
using platform::ui::Rect;

namespace {

std::string show(const Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

Rect canvasRect(SuperCanvas* c) { return {c->x(), c->y(), c->width(), c->height()}; }

// An embedded core with its canvas at (x, y, w, h) in the parent canvas.
std::unique_ptr<ValueCore> embed(SuperCanvas* parent, const Rect& r) {
    auto core = std::make_unique<ValueCore>();
    core->createCanvas(parent, r.x, r.y, r.w, r.h);
    return core;
}

TEST_F(CanvasFixture, EveryAnchorCodeMovesControlsAndCoreCanvases) {
    // The canvas is 512 x 384; it grows by 40 and shrinks by 20 in height.
    // Ratios: x 100/512 and width 80/512 of the new width 552.
    const Rect start{100, 50, 80, 40};
    struct Case {
        const char* code;
        Rect control;
        Rect core;
    };
    const Case cases[] = {
        {"NW", {100, 50, 80, 40}, {100, 50, 80, 40}},     {"NE", {140, 50, 80, 40}, {140, 50, 80, 40}},
        {"SC", {120, 30, 80, 40}, {100, 50, 80, 40}},     {"SE", {140, 30, 80, 40}, {140, 30, 80, 40}},
        {"SW", {100, 30, 80, 40}, {100, 30, 80, 40}},     {"WWH", {100, 50, 120, 20}, {100, 50, 120, 20}},
        {"WH", {100, 50, 80, 20}, {100, 50, 80, 20}},     {"SWW", {100, 30, 120, 40}, {100, 30, 120, 40}},
        {"NWW", {100, 50, 120, 40}, {100, 50, 120, 40}},  {"EWRH", {107, 50, 86, 20}, {100, 50, 80, 40}},
        {"WWRH", {107, 50, 86, 20}, {100, 50, 80, 40}},   {"ER", {107, 50, 80, 40}, {107, 50, 80, 40}},
        {"SWWR", {107, 50, 86, 40}, {100, 50, 80, 40}},   {"NWWR", {107, 50, 86, 40}, {107, 50, 86, 40}},
        {"NWXFWR", {100, 50, 86, 40}, {100, 50, 86, 40}}, {"EH", {140, 50, 80, 20}, {100, 50, 80, 40}},
        {"F.vp", {100, 50, 120, 20}, {100, 50, 80, 40}},  {"F.sc", {100, 50, 80, 40}, {100, 50, 120, 20}},
        {"QQ", {100, 50, 80, 40}, {100, 50, 80, 40}},  // unknown: nothing
        {nullptr, {100, 50, 80, 40}, {100, 50, 80, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code ? c.code : "(no code)");
        canvas->clearVisual();
        canvas->addPushButton("w", "W", start.x, start.y, start.w, start.h);
        canvas->realize();
        canvas->rememberWidgetByName("w", c.code);
        auto inner = embed(canvas, start);
        canvas->rememberCore(inner.get(), c.code);
        ASSERT_EQ(canvas->anchors().size(), 2u);
        EXPECT_EQ(canvas->anchors()[0].code, c.code ? c.code : "XX");
        canvas->repositionWidgets(canvas, frame, 552, 364);
        EXPECT_EQ(show(rectOf("w")), show(c.control));
        EXPECT_EQ(show(canvasRect(inner->canvas())), show(c.core));
        EXPECT_EQ(canvas->anchors()[0].parentW, 552);
        inner.reset();  // leaves the canvas, and its anchor goes
        EXPECT_EQ(canvas->anchors().size(), 1u);
    }
}

TEST_F(CanvasFixture, HalfAShrinkOfThreeMovesOnePixel) {
    canvas->addPushButton("w", "W", 100, 50, 80, 40);
    canvas->realize();
    canvas->rememberWidgetByName("w", "SC");
    canvas->repositionWidgets(canvas, frame, 509, 384);
    EXPECT_EQ(rectOf("w").x, 99);
}

TEST_F(CanvasFixture, TheSameSizeEndsThePassAndRecordsGoNewestFirst) {
    canvas->addPushButton("a", "A", 100, 50, 80, 40);
    canvas->addPushButton("b", "B", 100, 150, 80, 40);
    canvas->realize();
    canvas->rememberWidgetByName("a", "SE");
    canvas->repositionWidgets(canvas, frame, 600, 400);
    EXPECT_EQ(show(rectOf("a")), "188,66 80x40");
    canvas->repositionWidgets(canvas, frame, 600, 400);
    EXPECT_EQ(count("RESIZE.POS same(600,400)"), 1);
    EXPECT_EQ(show(rectOf("a")), "188,66 80x40");

    // b is remembered against the canvas's own size (512 x 384), newer
    // than a: the next pass moves b, then meets a at the size it already
    // has and ends there.
    canvas->rememberWidgetByName("b", "SE");
    canvas->repositionWidgets(canvas, frame, 600, 400);
    EXPECT_EQ(show(rectOf("b")), "188,166 80x40");
    EXPECT_EQ(show(rectOf("a")), "188,66 80x40");
    EXPECT_EQ(count("RESIZE.POS same(600,400)"), 2);

    // A new size moves both by their own deltas.
    canvas->repositionWidgets(canvas, frame, 610, 400);
    EXPECT_EQ(show(rectOf("a")), "198,66 80x40");
    EXPECT_EQ(show(rectOf("b")), "198,166 80x40");
    EXPECT_EQ(count("repositionWidgets done\n"), 2);  // the passes that met no same size
}

TEST_F(CanvasFixture, AResizeCausedByThePassIsIgnored) {
    auto inner = embed(canvas, {10, 10, 100, 100});
    canvas->rememberCore(inner.get(), "WWH");
    int nested = 0;
    inner->onResized = [&](int, int) {
        ++nested;
        canvas->repositionWidgets(canvas, frame, 900, 900);  // comes back here
    };
    canvas->repositionWidgets(canvas, frame, 552, 404);
    EXPECT_EQ(nested, 1);
    // The inner core still heard of its new size.
    EXPECT_EQ(inner->calls, (std::vector<std::string>{"setSize 140,120", "onResize 140,120"}));
    EXPECT_EQ(show(canvasRect(inner->canvas())), "10,10 140x120");
    EXPECT_EQ(count("repositionWidgets "), 1 + 1);  // the pass and its "done"
    // The guard is down again: the next pass runs.
    inner->onResized = nullptr;
    canvas->repositionWidgets(canvas, frame, 562, 404);
    EXPECT_EQ(show(canvasRect(inner->canvas())), "10,10 150x120");
}

TEST_F(CanvasFixture, SizesNeverGoNegativeAndShrinkingIsGivenBack) {
    canvas->addPushButton("w", "W", 100, 50, 80, 40);
    canvas->realize();
    canvas->rememberWidgetByName("w", "WWH");
    auto inner = embed(canvas, {10, 10, 60, 30});
    canvas->rememberCore(inner.get(), "WWH");
    struct Step {
        int w, h;
        int controlW, controlH;
        int coreW, coreH;
    };
    const Step steps[] = {
        {412, 334, 0, 0, 0, 0},      // 80 - 100 and 40 - 50: held at zero
        {442, 334, 10, 0, 0, 0},     // the first 20 of the growth repay the control's debt
        {512, 384, 80, 40, 60, 30},  // back to the start: the sizes they had
        {612, 384, 180, 40, 160, 30},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        canvas->repositionWidgets(canvas, frame, s.w, s.h);
        EXPECT_EQ(rectOf("w").w, s.controlW);
        EXPECT_EQ(rectOf("w").h, s.controlH);
        EXPECT_EQ(inner->canvas()->width(), s.coreW);
        EXPECT_EQ(inner->canvas()->height(), s.coreH);
    }
}

TEST_F(CanvasFixture, RememberingNeedsAControlOrACoreCanvas) {
    canvas->addPushButton("w", "W", 100, 50, 80, 40);
    canvas->realize();
    canvas->rememberWidget(canvas, nullptr, nullptr, "SE");
    ValueCore bare;  // no canvas
    canvas->rememberCore(&bare, "SE");
    EXPECT_EQ(count("ERROR in rememberWidget logic\n"), 2);
    canvas->rememberWidgetByName("nothing", "SE");
    EXPECT_TRUE(canvas->anchors().empty());
    canvas->rememberWidgetByName("w", "ABCDEFGHIJ");
    ASSERT_EQ(canvas->anchors().size(), 1u);
    EXPECT_EQ(canvas->anchors()[0].code, "ABCDEFG");
    EXPECT_FLOAT_EQ(canvas->anchors()[0].rx, 100.0f / 512.0f);
    EXPECT_FLOAT_EQ(canvas->anchors()[0].rw, 80.0f / 512.0f);
}

TEST_F(CanvasFixture, RememberedAtZeroWidthTakesFixedRatios) {
    canvas->addPushButton("w", "W", 100, 50, 80, 40);
    canvas->realize();
    canvas->platformCanvas()->place(0, 0, 0, 300);
    canvas->rememberWidgetByName("w", "SWWR");
    EXPECT_EQ(count("ERROR: parentW == 0, error 425252\n"), 1);
    canvas->repositionWidgets(canvas, frame, 600, 300);
    EXPECT_EQ(show(rectOf("w")), "120,50 300x40");
}

TEST_F(CanvasFixture, ResizingTheFrameLaysOutThenTellsTheCore) {
    canvas->addPushButton("pass", "Pass", 400, 300, 80, 40);
    canvas->realize();
    canvas->rememberWidgetByName("pass", "SE");
    // An embedded core's own anchors get no pass of their own.
    auto inner = embed(canvas, {10, 10, 100, 100});
    inner->canvas()->addPushButton("x", "X", 5, 5, 20, 20);
    inner->canvas()->realize();
    inner->canvas()->rememberWidgetByName("x", "SE");
    canvas->rememberCore(inner.get(), "WWH");

    core->calls.clear();
    resizeTo(frame, 600, 450);
    EXPECT_EQ(canvas->width(), 600);
    EXPECT_EQ(show(rectOf("pass")), "488,366 80x40");
    EXPECT_EQ(core->calls, (std::vector<std::string>{"setSize 600,450", "onResize 600,450"}));
    EXPECT_EQ(inner->calls, (std::vector<std::string>{"setSize 188,166", "onResize 188,166"}));
    EXPECT_EQ(show(inner->canvas()->getControl("x")->rect()), "5,5 20x20");
    EXPECT_EQ(canvas->onResize(600, 450), 7);  // the core's own result

    canvas->setCore(nullptr);
    EXPECT_EQ(canvas->onResize(700, 450), 0);
    EXPECT_EQ(count("No core in resize.\n"), 1);
    canvas->setCore(core);
}

}  // namespace
