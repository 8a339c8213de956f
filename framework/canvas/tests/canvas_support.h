#pragma once
// Support of the canvas tests: a text measurer of a fixed width per
// character, a core that records everything a canvas hands it, and a
// fixture with an unshown frame, its canvas and such a core, with the
// debug log on.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "platform/ui/controls.h"
#include "platform/ui/ui.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

namespace canvas_testing {

// Every character (code point) is `perCharacter` pixels wide.
struct FixedMeasurer : platform::ui::TextMeasurer {
    explicit FixedMeasurer(int perCharacter = 6) : perCharacter(perCharacter) {}
    int textWidth(const char* text, const platform::ui::Font&) override {
        int n = 0;
        for (const char* p = text; p && *p; ++p)
            if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++n;
        return n * perCharacter;
    }
    int perCharacter;
};

// One value that reached the core: the text (absent for a null text) or
// the number.
struct Delivered {
    std::string name;
    bool numeric = false;
    std::optional<std::string> text;
    int number = 0;
    bool operator==(const Delivered& o) const {
        return name == o.name && numeric == o.numeric && text == o.text && number == o.number;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Delivered& d) {
    os << d.name << (d.numeric ? " #" : " \"");
    if (d.numeric)
        os << d.number;
    else
        os << (d.text ? *d.text : std::string("(null)")) << '"';
    return os;
}

inline Delivered textValue(const char* name, const char* text) {
    return {name, false, text ? std::optional<std::string>(text) : std::nullopt, 0};
}
inline Delivered intValue(const char* name, int v) { return {name, true, std::nullopt, v}; }

class ValueCore : public testing_support::FakeCore {
public:
    ValueCore() : FakeCore("ValueCore") {}
    void setValue(const char* name, const char* text) override {
        got.push_back(textValue(name ? name : "", text));
        if (onValue) onValue(name ? name : "");
    }
    void setIntValue(const char* name, int value) override {
        got.push_back(intValue(name ? name : "", value));
        if (onValue) onValue(name ? name : "");
    }
    int onMouse(int x, int y, int button, int action) override {
        mouse.push_back({x, y, button, action});
        return 1;
    }
    int onMouseMove(int x, int y) override {
        moves.push_back({x, y});
        return 0;
    }
    int paint(int x0, int y0, int x1, int y1) override {
        calls.push_back("paint " + std::to_string(x0) + "," + std::to_string(y0) + " " + std::to_string(x1) + "," +
                        std::to_string(y1));
        return 0;
    }
    int paintOverlay(SuperCanvas* window, int x0, int y0, int x1, int y1) override {
        calls.push_back("overlay " + std::to_string(x0) + "," + std::to_string(y0) + " " + std::to_string(x1) + "," +
                        std::to_string(y1));
        overlayWindow = window;
        return overlayResult;
    }
    int setSize(int w, int h) override {
        calls.push_back("setSize " + std::to_string(w) + "," + std::to_string(h));
        return SuperCore::setSize(w, h);
    }
    int onResize(int w, int h) override {
        calls.push_back("onResize " + std::to_string(w) + "," + std::to_string(h));
        if (onResized) onResized(w, h);
        return 7;
    }
    void setEnabled(int flag) override { enabledCalls.push_back(flag); }
    const char* getName() override { return name.c_str(); }

    std::vector<Delivered> got;
    std::vector<std::vector<int>> mouse;
    std::vector<std::vector<int>> moves;
    std::vector<std::string> calls;
    std::vector<int> enabledCalls;
    SuperCanvas* overlayWindow = nullptr;
    int overlayResult = 0;
    std::string name = "anonymous";
    std::function<void(const std::string&)> onValue;
    std::function<void(int, int)> onResized;
};

// An unshown frame with its canvas and a ValueCore, the fixed measurer and
// the debug log.
struct CanvasFixture : ::testing::Test {
    CanvasFixture() {
        folder.write("test.env", "");
        debugLogResetForTests();
        platform::ui::setTextMeasurer(&measurer);
        frame = new SuperWindow(SuperWindow::defaultId, {30, 30, 512, 384}, SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame, SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        core = new ValueCore();
        canvas->setCore(core);
        frame->setCore(core);
        core->setFrameForTests(frame);
        core->setCanvasForTests(canvas);
    }
    ~CanvasFixture() override {
        delete frame;                // releases (deletes) the core, then the canvas
        platform::ui::runPending();  // widgets whose deletion waited for a handler
        platform::ui::setTextMeasurer(nullptr);
        debugLogResetForTests();
    }
    std::string log() { return folder.read("note.txt"); }
    std::string errors() { return folder.read("error.txt"); }
    int count(const std::string& text) {
        std::string all = log();
        int n = 0;
        for (auto p = all.find(text); p != std::string::npos; p = all.find(text, p + 1)) ++n;
        return n;
    }
    platform::ui::Control* control(const char* name) { return canvas->getControl(name); }
    const WidgetRecord& record(const char* name) {
        const WidgetRecord* r = canvas->findWidget(name);
        EXPECT_NE(r, nullptr) << name;
        static WidgetRecord none;
        return r ? *r : none;
    }
    platform::ui::Rect rectOf(const char* name) {
        platform::ui::Control* c = control(name);
        return c ? c->rect() : platform::ui::Rect{-1, -1, -1, -1};
    }

    testing_support::ProgramFolder folder;
    FixedMeasurer measurer;
    SuperWindow* frame;
    SuperCanvas* canvas;
    ValueCore* core;
};

inline bool sameRect(const platform::ui::Rect& a, const platform::ui::Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

}  // namespace canvas_testing
