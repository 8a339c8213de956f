#include "services/upgrade/tests/upgrade_support.h"

#include <zlib.h>

#include <cstdlib>

#include "platform/os/thread.h"
#include "testing/window_support.h"

namespace upgrade_testing {

namespace {
const char* const kVariables[] = {"VURNORVEXI_UPGRADE_HOST", "VURNORVEXI_UPGRADE_HTTP_PORT",
                                  "VURNORVEXI_UPGRADE_FILE_HOST1", "VURNORVEXI_UPGRADE_FILE_HOST2",
                                  "VURNORVEXI_UPGRADE_FILE_PORT"};
}

OfferedUpgrade::OfferedUpgrade(const std::string& offerDir, standin::UpgradeFault fault,
                               std::vector<std::string> extraListLines) {
    standin::UpgradeServerOptions o;
    o.root = offerDir;
    o.offerDir = offerDir;
    o.fault = fault;
    o.extraListLines = std::move(extraListLines);
    iServer = std::make_unique<standin::UpgradeServer>(o);
    iStarted = iServer->start();
    setenv("VURNORVEXI_UPGRADE_HOST", "127.0.0.1", 1);
    setenv("VURNORVEXI_UPGRADE_HTTP_PORT", std::to_string(iServer->httpPort()).c_str(), 1);
    setenv("VURNORVEXI_UPGRADE_FILE_HOST1", "127.0.0.1", 1);
    setenv("VURNORVEXI_UPGRADE_FILE_HOST2", "127.0.0.1", 1);
    setenv("VURNORVEXI_UPGRADE_FILE_PORT", std::to_string(iServer->filePort()).c_str(), 1);
}

OfferedUpgrade::~OfferedUpgrade() {
    iServer->stop();
    for (const char* v : kVariables) unsetenv(v);
}

bool waitFor(const std::function<bool()>& condition, bool events, int timeoutMs) {
    if (events) return testing_support::waitFor(condition, timeoutMs / 1000.0);
    const long long end = platform::monotonicMs() + timeoutMs;
    while (!condition()) {
        if (platform::monotonicMs() > end) return false;
        platform::sleepMs(2);
    }
    return true;
}

std::string gunzip(const std::string& packed) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    std::string out;
    char piece[4096];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(piece);
        z.avail_out = sizeof piece;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(piece, sizeof piece - z.avail_out);
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::string();
}

}  // namespace upgrade_testing
