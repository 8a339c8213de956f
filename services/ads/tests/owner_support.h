#pragma once
// Support of the image-button and advertising tests: a windowed owner core
// that records the values its embedded cores send it (and may act on them),
// the process-wide parts a core needs, and a reader of the debug log.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "testing/test_cores.h"

namespace ads_testing {

using Values = std::vector<std::pair<std::string, int>>;

// What the owners of a test's buttons and panels received through
// setIntValue, in order (a command arrives there too, as the base core
// passes it on), and the senders of the commands; onValue may act on each
// value as it comes.
struct ValueRecorder {
    Values got;
    std::vector<std::pair<std::string, SuperCore*>> commands;
    std::function<void(const std::string&, int)> onValue;
    void record(const char* name, int value) {
        got.emplace_back(name ? name : "", value);
        if (onValue) onValue(name ? name : "", value);
    }
};

// The owner core of a test: records values and commands.
template <class Base>
class Recording : public Base, public ValueRecorder {
public:
    using Base::Base;
    void setIntValue(const char* name, int value) override { record(name, value); }
    void setCommandCore(const char* command, SuperCore* sender) override {
        commands.emplace_back(command ? command : "", sender);
        Base::setCommandCore(command, sender);
    }
};

// An owner without a display: a canvas of its own that is never shown.
class HiddenCanvasCore : public SuperCore {
public:
    explicit HiddenCanvasCore(int w = 320, int h = 240) { createCanvas(nullptr, 0, 0, w, h); }
    ~HiddenCanvasCore() override { delete iCanvas; }  // with the canvases inside it
    const char* getCoreClassName() override { return "OwnerCore"; }
};
using OwnerCore = Recording<HiddenCanvasCore>;

// An owner with a window of its own, titled `title`.
class TitledWindowCore : public SuperCore {
public:
    TitledWindowCore(int w, int h, const char* title) : SuperCore("buttonOwner", w, h, 0) {
        SuperWindow::setTitlePrefix("Tarvelon Orvex Chess");
        iFrame->setTitle(title);
    }
    const char* getCoreClassName() override { return "WindowOwnerCore"; }
};
using WindowOwnerCore = Recording<TitledWindowCore>;

// The debug log and folder of one test, with the options and register.
struct AdsEnvironment : testing_support::CoreEnvironment {
    // The debug log so far.
    std::string log() const { return folder.read("note.txt"); }
    // How often a text occurs in the debug log.
    int logCount(const std::string& text) const {
        const std::string all = log();
        int n = 0;
        for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size())) ++n;
        return n;
    }
};

}  // namespace ads_testing
