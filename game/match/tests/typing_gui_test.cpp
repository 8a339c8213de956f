// Typing into the program's windows as a person does, with xdotool into the
// real windows: after every key the field shows the change at once, also
// after its window has repainted a part of itself (a game starting, a board
// loaded from the chat line), and what it shows is what a full repaint of
// the window shows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "game/board/board.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "platform/ui/controls.h"
#include "testing/window_support.h"

using match_testing::clickControl;
using match_testing::MainWindowFixture;
using match_testing::shownPixels;
using match_testing::xdotool;

namespace {

// One key (an xdotool key name) and what the control holds after it.
struct Key {
    std::string key;
    std::string after;
};

// The keys that type `text` after `before`, one character each.
std::vector<Key> typing(const std::string& before, const std::string& text) {
    std::vector<Key> keys;
    std::string now = before;
    for (char c : text) {
        now += c;
        std::string name(1, c);
        if (c == ' ') name = "space";
        if (c == '.') name = "period";
        keys.push_back({name, now});
    }
    return keys;
}

struct Typing : MainWindowFixture {
    // Presses each key in turn; after each, once the control holds what the
    // key makes of it, its pixels on the screen must have changed. At the
    // end they must be those a full repaint of the window draws. With a
    // name, a screenshot of the display after the last key (before that
    // repaint).
    void expectEveryKeyShown(SuperCore* window, const char* widget, const std::vector<Key>& keys,
                             const std::function<std::string()>& state, const char* shot = nullptr) {
        pump(0.1);
        std::vector<uint8_t> shown = shownPixels(window, widget);
        ASSERT_FALSE(shown.empty()) << widget;
        for (const Key& k : keys) {
            SCOPED_TRACE("key " + k.key + " (" + widget + ")");
            xdotool("key --clearmodifiers " + k.key);
            ASSERT_TRUE(testing_support::waitFor([&] { return state() == k.after; }, 10)) << state();
            pump(0.05);
            std::vector<uint8_t> now = shownPixels(window, widget);
            EXPECT_TRUE(now != shown) << "the screen did not follow the key";
            shown = now;
        }
        if (shot) match_testing::screenshot(shot);
        window->canvas()->platformCanvas()->repaint();
        pump(0.1);
        EXPECT_TRUE(shownPixels(window, widget) == shown) << widget << " differs from a full repaint";
    }
    std::function<std::string()> entryText(SuperCore* window, const char* widget) {
        return [window, widget] { return window->canvas()->getControl(widget)->text(); };
    }
    SuperCore* registered(const char* className) {
        return coreLibrary ? coreLibrary->findCoreByClassName(className) : nullptr;
    }
};

// The chat entry of the main window, from the start of a game on (which
// repaints the seat labels), through "load NAME" and "Say:" (refused in the
// game, which repaints the status line; then in the lobby, which loads the
// board and repaints the seat labels again), to the next line typed.
TEST_F(Typing, TheSayFieldShowsEveryKeyFromTheGameStartOn) {
    open();
    receive(playerAddMessage("Guest"));
    receive(playerAddMessage("Ann"));
    receive(codeMessage("LPB", {1, 2}));
    ASSERT_TRUE(core->getBoard()->isOrvexStyle());

    clickControl(core, "talkText");
    expectEveryKeyShown(core, "talkText", typing("", "load default.kv"), entryText(core, "talkText"),
                        "say_field_typing");
    ASSERT_FALSE(HasFatalFailure());

    clickControl(core, "talk");
    ASSERT_TRUE(testing_support::waitFor([&] { return text("info").find("during a game") != std::string::npos; }, 10));
    EXPECT_TRUE(core->getBoard()->isGkvStyle());
    core->setValue("quit", nullptr);
    clickControl(core, "talk");
    ASSERT_TRUE(testing_support::waitFor([&] { return core->getBoard()->isKvStyle(); }, 10));
    clickControl(core, "talkText");
    xdotool("key --clearmodifiers End");
    pump(0.1);
    std::vector<Key> keys = {{"BackSpace", "load default.k"}, {"BackSpace", "load default."}};
    for (const Key& k : typing("load default.", "gkv")) keys.push_back(k);
    expectEveryKeyShown(core, "talkText", keys, entryText(core, "talkText"), "say_field_after_load");
}

TEST_F(Typing, TheSelectionWindowsNameFieldShowsEveryKey) {
    open();
    SuperCore* selection = registered("SelectPlayerCore");
    ASSERT_NE(selection, nullptr);
    clickControl(selection, "server");
    xdotool("key --clearmodifiers End");
    pump(0.1);
    ASSERT_EQ(entryText(selection, "server")(), "Guest");
    std::vector<Key> keys = {{"BackSpace", "Gues"}, {"BackSpace", "Gue"}};
    for (const Key& k : typing("Gue", "rin Vo")) keys.push_back(k);
    expectEveryKeyShown(selection, "server", keys, entryText(selection, "server"), "name_field_typing");
}

// The settings window's check boxes take the space bar.
TEST_F(Typing, TheSettingsWindowsCheckBoxShowsEveryKey) {
    open();
    core->onMenuItem("settingsMI");
    SuperCore* settings = registered("SettingsOrvexCore");
    ASSERT_NE(settings, nullptr);
    pump(0.2);
    auto checked = [settings] { return std::to_string(settings->canvas()->getIntValue("wiggle")); };
    const std::string first = checked();
    clickControl(settings, "wiggle");  // the click toggles it and gives it the keys
    const std::string other = first == "1" ? "0" : "1";
    ASSERT_TRUE(testing_support::waitFor([&] { return checked() == other; }, 10));
    expectEveryKeyShown(settings, "wiggle", {{"space", first}, {"space", other}, {"space", first}}, checked,
                        "settings_check_box_keys");
}

}  // namespace
