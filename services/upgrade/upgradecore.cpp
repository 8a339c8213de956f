#include "services/upgrade/upgradecore.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "framework/app/config.h"
#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/canvas/supercanvas.h"
#include "framework/net/communicator.h"
#include "framework/util/ticker.h"
#include "framework/util/vector.h"
#include "framework/window/superwindow.h"
#include "platform/os/files.h"
#include "services/upgrade/upgradelist.h"

namespace {

constexpr const char* kGzList = "system/gzlist";

bool customTimeout = false;
int timeoutSeconds = 20;
int timeoutMicroseconds = 0;

bool appendGzList(const std::string& storedName) {
    FILE* list = platform::openFile(kGzList, "a+");
    if (!list) return false;
    bool ok = std::fprintf(list, "%s\n", storedName.c_str()) > 0;
    ok = std::fclose(list) == 0 && ok;
    return ok;
}

}  // namespace

void UpgradeCore::setDownloadTimeout(int seconds, int microseconds) {
    customTimeout = true;
    timeoutSeconds = seconds;
    timeoutMicroseconds = microseconds;
}

UpgradeCore::UpgradeCore(Vector* downloadList)
    : SuperCore("upgradeWindow", 0, 0, 0), iDownloadList(downloadList), iFirstHost(config::upgradeFileHost1()),
      iSecondHost(config::upgradeFileHost2()) {
    createVisual();
    if (mainTicker) mainTicker->add(this);
}

UpgradeCore::~UpgradeCore() {
    // A fetch still under way is stopped and its worker waited for (see
    // Communicator).
    iCurrentDownload.reset();
}

void UpgradeCore::createVisual() {
    if (!iCanvas) return;
    if (iFrame) iFrame->setTitle("Auto-upgrade Feature");
    SuperCanvas* c = iCanvas;
    const int W = c->width(), H = c->height();
    std::string offer = std::string("Upgrade from ") + config::kVersion + " to " +
                        (upgradeNewVersion ? upgradeNewVersion : "unknown") + "?";
    c->addLabelAt("label1", "A newer version is available.", 4, 4, W - 8, 14, "r");
    c->addLabelAt("label2", offer.c_str(), 4, 19, W - 8, 14, "r");
    c->addPushButton("step1", "Info", 4, 40, 60, -1);
    c->addPushButton("step2", "Update", W / 2 - 30, 40, 60, -1);
    c->addPushButton("step3", "Exit", W - 64, 40, 60, -1);
    c->addLabelAt("1to2", "->", static_cast<int>(W * 0.3333 - 15), 40, 30, -1, "m");
    c->addLabelAt("2to3", "->", static_cast<int>(W * 0.6667 - 15), 40, 30, -1, "m");
    c->addList("list", 0, 2, 70, W - 4, H - 74);
    c->realize();
    c->disableWidget("step2");
    c->disableWidget("step3");
}

void UpgradeCore::addLine(const std::string& text) {
    if (iCanvas) iCanvas->addListItem("list", text.c_str());
}

void UpgradeCore::setValue(const char* name, const char* text) {
    if (!name || !iCanvas) return;
    SuperCanvas* c = iCanvas;
    if (std::strcmp(name, "step1") == 0) {
        if (iQueue) return;  // listed once
        c->disableWidget("step1");
        c->enableWidget("step2");
        addLine("Update will add/replace following files:");
        iQueue = std::make_unique<Vector>(0);
        const int count = iDownloadList ? iDownloadList->size() : 0;
        for (int i = 0; i < count; ++i) {
            auto* listed = static_cast<const char*>(iDownloadList->elementAt(i));
            iQueue->addElement(const_cast<char*>(listed));
            addLine(std::string("  ") + listed);
        }
        saveWindowMetrics();
    } else if (std::strcmp(name, "step2") == 0) {
        if (!iQueue || iCurrentDownload || c->getWidgetState("step2") == 0) return;
        c->clearList("list", 1);
        c->disableWidget("step2");
        addLine("Starting downloads.");
        iCurrentDownload = std::make_unique<Communicator>(nullptr, 1);
        if (customTimeout) iCurrentDownload->setSocketTimeout(timeoutSeconds, timeoutMicroseconds);
        if (iQueue->size() == 0)
            endRun(false);
        else if (!fetchNext())
            endRun(true);
        saveWindowMetrics();
    } else if (std::strcmp(name, "step2b") == 0) {
        c->enableWidget("step3");
        addLine(iFailed ? "Please retry upgrade later." : "Restart program to use newer version!");
    } else if (std::strcmp(name, "step3") == 0) {
        saveWindowMetrics();
        if (iFrame) iFrame->close();
    }
}

void UpgradeCore::setIntValue(const char*, int) {}

bool UpgradeCore::fetchNext() {
    iCurrentName = static_cast<const char*>(iQueue->firstElement());
    iQueue->removeElementAt(0);
    addLine("  " + iCurrentName);
    std::string requested = iCurrentName + ".gz";
    // The previous fetch's worker has set its done flag; let it end first.
    iCurrentDownload->join();
    setRequestPath(iCurrentDownload.get(), requested.c_str(), iFirstHost.c_str(), iSecondHost.c_str());
    if (iCurrentDownload->start()) return true;
    addLine("Download failed.");  // no worker: the fetch would never be done
    return false;
}

void UpgradeCore::onIntuitick() {
    Communicator* download = iCurrentDownload.get();
    if (!download || !download->isDone()) return;
    const int n = download->getResultLength();
    const char* bytes = download->getResult();
    debugPrintfSII("GOTXXX2 name=%s res=%d len=%d ", iCurrentName.c_str(), addressOf(bytes), n);
    bool stored = n > 0 && bytes && storeUpgradeFile(iCurrentName + ".gz", bytes, n);
    if (stored) {
        char line[64];
        std::snprintf(line, sizeof line, "Download OK (%d bytes).", n);
        addLine(line);
    } else {
        addLine("Download failed.");
    }
    if (stored && iQueue->size() > 0) {
        if (fetchNext()) return;
        stored = false;
    }
    endRun(!stored);
}

void UpgradeCore::endRun(bool failedRun) {
    if (failedRun) iFailed = 1;
    addLine(failedRun ? "Downloads terminated." : "Downloads completed.");
    setValue("step2b", nullptr);
    iCurrentDownload.reset();
}

UpgradeCore* openUpgradeWindow(Vector* downloadList) {
    if (coreLibrary) {
        if (SuperCore* open = coreLibrary->findCoreByClassName("UpgradeCore")) {
            if (open->frame()) open->frame()->enable();
            return static_cast<UpgradeCore*>(open);
        }
    }
    return new UpgradeCore(downloadList);
}

bool storeUpgradeFile(const std::string& storedName, const char* bytes, int length) {
    if (!isSafeUpgradeName(storedName) || !bytes || length < 0) {
        debugPrintfS("ERROR: upgrade file %s not stored\n", storedName.c_str());
        return false;
    }
    makeFoldersFor(storedName);
    if (!writeWholeFile(storedName.c_str(), bytes, static_cast<std::size_t>(length))) return false;
    if (!appendGzList(storedName)) {
        debugPrintfS("ERROR: cannot record %s in system/gzlist\n", storedName.c_str());
        return false;
    }
    return true;
}
