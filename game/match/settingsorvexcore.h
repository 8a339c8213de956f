#pragma once
// SettingsOrvexCore: the "Settings" window of the main window's File menu:
// four drawing switches (wiggle, orbiting mark, checker board, turn
// indicator) and the grid brightness, each applied to the board view at
// once and stored as an option.
#include "framework/core/supercore.h"

class SettingsOrvexCore : public SuperCore {
public:
    static constexpr const char* kWindowName = "settingOrvexWindow";

    SettingsOrvexCore();
    ~SettingsOrvexCore() override;

    const char* getCoreClassName() override { return "SettingsOrvexCore"; }
    void createVisual() override;
    // "ok" and "cancel" close the window; "gridBrightness" takes the
    // combo box's choice.
    void setValue(const char* name, const char* text) override;
    // The four check boxes.
    void setIntValue(const char* name, int value) override;
    int onResize(int w, int h) override;

    // The combo box index shown for a stored brightness: (value - 33) / 16
    // truncated toward zero, held to 0..2.
    static int brightnessChoice(int gridBrightness);
};
