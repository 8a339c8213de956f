#pragma once
// Shared by the upgrade tests: the stand-in upgrade service on free
// loopback ports, offering a folder of newer files, with the configuration
// pointed at it; waiting on a condition with or without the toolkit's
// events; unpacking what was stored.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standin/upgrade-server/upgrade_server.h"

namespace upgrade_testing {

class OfferedUpgrade {
public:
    // Offers the files below `offerDir` as version 1.02.
    explicit OfferedUpgrade(const std::string& offerDir, standin::UpgradeFault fault = standin::UpgradeFault::None,
                            std::vector<std::string> extraListLines = {});
    ~OfferedUpgrade();
    OfferedUpgrade(const OfferedUpgrade&) = delete;
    OfferedUpgrade& operator=(const OfferedUpgrade&) = delete;

    bool started() const { return iStarted; }
    standin::UpgradeServer& server() { return *iServer; }

private:
    std::unique_ptr<standin::UpgradeServer> iServer;
    bool iStarted = false;
};

// Waits until the condition holds, up to a generous deadline; with
// `events` the toolkit's events are processed meanwhile (window tests, as
// testing_support::waitFor does), without them the test thread sleeps.
bool waitFor(const std::function<bool()>& condition, bool events, int timeoutMs = 20000);

// The bytes of a gzip stream unpacked; empty when they are not one.
std::string gunzip(const std::string& packed);

}  // namespace upgrade_testing
