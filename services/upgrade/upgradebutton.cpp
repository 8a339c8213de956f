#include "services/upgrade/upgradebutton.h"

#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/exec.h"
#include "framework/canvas/supercanvas.h"
#include "game/match/orvexmaincore.h"
#include "services/ads/imagebuttoncore.h"
#include "services/upgrade/upgradecore.h"
#include "services/upgrade/upgradelist.h"

namespace {
constexpr const char* kButtonPicture = "upgrade.gkv";
}

void createUpgradeButtons(SuperCore* core) {
    if (!upgradeNewVersion || !core || !core->canvas()) return;
    SuperCanvas* canvas = core->canvas();
    const char* itemName = core->getName();
    for (SuperCore* embedded : canvas->embeddedCores())
        if (std::strcmp(embedded->getCoreClassName(), "ImageButtonCore") == 0 &&
            std::strcmp(embedded->getName(), itemName) == 0)
            return;  // one upgrade button a window
    auto* button = new ImageButtonCore(core, OrvexMainCore::kUpgradeButtonX, OrvexMainCore::kUpgradeButtonY,
                                       kUpgradeButtonSize, kUpgradeButtonSize);
    button->loadIcon("button", itemName, joinStrings("system/sactions/", kButtonPicture), 1);
    canvas->rememberCore(button, "NW");
    core->adoptEmbeddedCore(button);
}

void installUpgradeService() {
    Exec::setUpgradeHandlers(processUpgradeList, createUpgradeButtons,
                             [](Vector* downloadList) { openUpgradeWindow(downloadList); });
}
