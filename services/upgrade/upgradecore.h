#pragma once
// The upgrade window, "Auto-upgrade Feature": a three-step dialog over the
// download list of the upgrade check. Info lists the files, Update fetches
// them one after the other from the upgrade file service and stores each
// as "<name>.gz" in the program folder (recorded in "system/gzlist"), Exit
// closes the window. A failed fetch or store ends the run.
//
// Every fetch runs on the worker thread of the current download's
// Communicator and is polled on the main tick, so the window never waits
// on a socket. Closing the window mid-fetch (or the program, which closes
// it) deletes the Communicator, which stops the fetch at once and waits for
// its worker; what had arrived of the file is dropped, and nothing of it is
// stored: a file is stored whole, on the GUI thread, once its fetch is done.
#include <memory>
#include <string>

#include "framework/core/supercore.h"

class Communicator;
class Vector;

class UpgradeCore : public SuperCore {
public:
    // `downloadList` is lent by the upgrade list holder and outlives the
    // window; null reads as an empty list.
    explicit UpgradeCore(Vector* downloadList);
    ~UpgradeCore() override;

    const char* getCoreClassName() override { return "UpgradeCore"; }
    void createVisual() override;
    // "step1" (Info), "step2" (Update), "step3" (Exit); "step2b" ends a run.
    void setValue(const char* name, const char* text) override;
    void setIntValue(const char* name, int value) override;
    void onIntuitick() override;

    int failed() const { return iFailed; }
    bool downloading() const { return iCurrentDownload != nullptr; }

    // The socket time-out of each fetch (20 s unless set); tests shorten it.
    static void setDownloadTimeout(int seconds, int microseconds);

private:
    void addLine(const std::string& text);
    // Records the next file of the queue in the current download and
    // starts its worker; false ("Download failed.") when no worker could
    // be started.
    bool fetchNext();
    void endRun(bool failedRun);

    int iFailed = 0;
    Vector* iDownloadList;
    std::unique_ptr<Vector> iQueue;
    std::unique_ptr<Communicator> iCurrentDownload;
    std::string iCurrentName;
    std::string iFirstHost;
    std::string iSecondHost;
};

// Opens the upgrade window on a download list, or shows the one already
// open: at most one exists at a time.
UpgradeCore* openUpgradeWindow(Vector* downloadList);

// Stores downloaded bytes under `storedName` (a relative path of the
// program folder, directories made as needed), written whole
// (writeWholeFile), and appends the name to "system/gzlist".
// False, with nothing half-written left behind, when any step fails.
bool storeUpgradeFile(const std::string& storedName, const char* bytes, int length);
