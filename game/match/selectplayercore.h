#pragma once
// SelectPlayerCore: the "Select Game and Player" window the main game core
// opens at start. It shows the player's name, offers the game styles (the
// two beam styles, and reversi and checkers in test mode), and on "Start!"
// stores an edited name, loads the chosen style's default board, sets the
// game server's port and connects. Closing it without "Start!" ends the
// program.
#include "framework/core/supercore.h"

// One style of the selection window, in the order its buttons are shown.
struct OrvexStyleChoice {
    const char* key;  // the radio button's name and the port's style
    const char* label;
    const char* boardFile;  // the style's default board
    bool testModeOnly;
};

// The four styles, in the window's order ("gkv", "kv", "oth", "chk").
const OrvexStyleChoice* orvexStyleChoices(int* count);

// Set once "Start!" has been handled; never cleared.
extern int orvexGameStarted;

class SelectPlayerCore : public SuperCore {
public:
    static constexpr const char* kWindowName = "blankWindow";
    static constexpr const char* kGuestName = "Guest";

    SelectPlayerCore();
    ~SelectPlayerCore() override;

    const char* getCoreClassName() override { return "SelectPlayerCore"; }
    void createVisual() override;
    // "ok" ("Start!") starts the game; every other name is ignored.
    void setValue(const char* name, const char* text) override;
    // Radio buttons are read back on "ok".
    void setIntValue(const char* name, int value) override;
    int onResize(int w, int h) override;

    // The name the window shows (before any edit).
    const std::string& shownName() const { return iShownName; }
    // The y of the "Start!" button.
    int startButtonY() const { return iStartY; }

private:
    void start();
    void storeEditedName();
    // Whether the style's button is in this window.
    static bool offered(const OrvexStyleChoice& style);

    std::string iShownName;
    int iStartY = 0;
};
