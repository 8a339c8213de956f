#include "game/match/settingsorvexcore.h"

#include <algorithm>
#include <cstring>

#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "game/match/drawsettings.h"

namespace {

// Kept alive until the form is realised (the canvas borrows them).
const char* const kBrightnessChoices[] = {"low", "medium", "high", nullptr};

bool named(const char* name, const char* wanted) { return name && std::strcmp(name, wanted) == 0; }

}  // namespace

SettingsOrvexCore::SettingsOrvexCore() : SuperCore(kWindowName, 0, 0, 0) { createVisual(); }

SettingsOrvexCore::~SettingsOrvexCore() = default;

int SettingsOrvexCore::brightnessChoice(int gridBrightness) { return std::clamp((gridBrightness - 33) / 16, 0, 2); }

void SettingsOrvexCore::createVisual() {
    iFrame->setTitle("Settings");
    iCanvas->addGroupBox("effectGroup", "Drawing Effects");
    iCanvas->addCheckBoxRow("wiggle", "Wiggle pieces", getIntOption("wiggle"));
    iCanvas->addCheckBoxRow("orbitKZV", "Show orbiting KZ+V", getIntOption("orbitKZV"));
    iCanvas->addLabel("gridBrightnessLabel", "Grid Brightness:", 0);
    iCanvas->addComboBox("gridBrightness", kBrightnessChoices,
                         kBrightnessChoices[brightnessChoice(getIntOption("gridBrightness"))]);
    iCanvas->addCheckBoxRow("checkerBoard", "Checker Board", getIntOption("checkerBoard"));
    iCanvas->addCheckBoxRow("indicatePlayer", "Indicate Player", getIntOption("indicatePlayer"));
    iCanvas->packColumns(3);
    iCanvas->exitGroupBox();
    iCanvas->equalizeGroupBoxWidths();
    iCanvas->addCommandButton("ok", "Done");
    iCanvas->packColumns(3);
    iCanvas->realizeForm();
}

void SettingsOrvexCore::setValue(const char* name, const char*) {
    if (named(name, "ok") || named(name, "cancel")) {
        saveWindowMetrics();
        if (iFrame) iFrame->close();  // after this handler has returned
    } else if (named(name, "gridBrightness")) {
        // By the choice's place in the list: its text may be translated.
        const int choice = iCanvas ? iCanvas->getIntValue("gridBrightness") : -1;
        if (choice >= 0 && choice < 3) drawSettings.gridBrightness = kGridBrightnessSteps[choice];
        setIntOption("gridBrightness", drawSettings.gridBrightness);
    }
}

void SettingsOrvexCore::setIntValue(const char* name, int value) {
    if (named(name, "gridBrightness")) return;  // a combo box, not a switch
    if (int* setting = drawSetting(name)) {
        *setting = value;
        setIntOption(name, value);
    }
}

int SettingsOrvexCore::onResize(int, int) {
    saveWindowMetrics();
    return 0;
}
