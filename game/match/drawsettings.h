#pragma once
// The five drawing settings of the board view, mirrored from the options of
// the same names: pieces wiggle, the orbiting mark, checker squares instead
// of grid lines, the turn indicator on the board border, and the brightness
// (a percentage) of the grid and squares. The main game core loads them at
// start-up, the settings window changes them, the scene reads them every
// frame. GUI thread only.

struct OrvexDrawSettings {
    int wiggle = 1;
    int orbitKZV = 1;
    int checkerBoard = 0;
    int indicatePlayer = 1;
    int gridBrightness = 1;
};

// The process-wide settings.
extern OrvexDrawSettings drawSettings;

// The three brightness steps the settings window offers (low, medium,
// high).
inline constexpr int kGridBrightnessSteps[3] = {33, 49, 65};

// Writes the default of each drawing option that is missing (wiggle 1,
// orbitKZV 1, gridBrightness 1, checkerBoard 0, indicatePlayer 1), then
// reads all five into drawSettings.
void loadDrawSettings();

// The setting behind an option name ("wiggle", "orbitKZV", "checkerBoard",
// "indicatePlayer", "gridBrightness"), or null for any other name.
int* drawSetting(const char* optionName);
