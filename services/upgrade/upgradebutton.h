#pragma once
// The upgrade button of the main window and the wiring of the upgrade
// service into the application object: once the start-up check has found
// files that differ, a 29 by 29 image button appears at the place the main
// core reserves for it; its picture file's command, "internal-upgrade",
// makes the main core open the upgrade window.

class SuperCore;

constexpr int kUpgradeButtonSize = 29;

// Creates the upgrade button in the core's canvas at the place the main
// core reserves for it (OrvexMainCore::kUpgradeButtonX, kUpgradeButtonY:
// left of the side list, below the seat rows), anchored "NW"; does
// nothing while no upgrade is offered, or when the core already has one.
void createUpgradeButtons(SuperCore* core);

// Installs the upgrade list's processing, the button maker and the window
// opener in the application object (the framework knows nothing of this
// service).
void installUpgradeService();
