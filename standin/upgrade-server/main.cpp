// The stand-in upgrade service as a program, for a local run:
//   vurnorvexi-upgrade-server [--root DIR] [--offer DIR [--version V]]
//                             [--bind ADDR] [--http-port N] [--file-port N]
//                             [--fault MODE]
// The ports default to the configuration's (VURNORVEXI_UPGRADE_HTTP_PORT,
// 80; VURNORVEXI_UPGRADE_FILE_PORT, 2000). The version page is looked up as
// DIR/upgrades/<product>_<platform>_<version>.html, files as DIR/<path>.
// With --offer, the folder's files are published as version V (1.02): the
// page lists them and each is served packed.
// Runs until SIGINT or SIGTERM.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/app/config.h"
#include "standin/stop_signal.h"
#include "standin/upgrade-server/upgrade_server.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vurnorvexi-upgrade-server [--root DIR] [--offer DIR [--version V]] [--bind ADDR]\n"
                 "       [--http-port N] [--file-port N]\n"
                 "       [--fault none|refused|silent|no-greeting|short-body|wrong-size|stall-body|slow-body]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    standin::UpgradeServerOptions options;
    options.httpPort = config::upgradeHttpPort();
    options.filePort = config::upgradeFilePort();
    options.offerClient = std::string(config::kProductId) + "_" + config::kPlatform + "_" + config::kVersion;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (arg == "--root")
            options.root = value;
        else if (arg == "--offer")
            options.offerDir = value;
        else if (arg == "--version")
            options.offerVersion = value;
        else if (arg == "--bind")
            options.bindAddress = value;
        else if (arg == "--http-port") {
            if (!standin::portArgument(value, &options.httpPort)) return usage();
        } else if (arg == "--file-port") {
            if (!standin::portArgument(value, &options.filePort)) return usage();
        } else if (arg == "--fault") {
            if (!standin::parseUpgradeFault(value, &options.fault)) return usage();
        } else {
            return usage();
        }
    }

    standin::StopSignals stopSignals;

    standin::UpgradeServer server(options);
    if (!server.start()) {
        if (!options.offerDir.empty() && server.offerPage().empty())
            std::fprintf(stderr, "vurnorvexi-upgrade-server: cannot read the offered folder %s\n",
                         options.offerDir.c_str());
        else
            std::fprintf(stderr, "vurnorvexi-upgrade-server: cannot listen on %s ports %d and %d\n",
                         options.bindAddress.c_str(), options.httpPort, options.filePort);
        return 1;
    }
    std::string source = options.offerDir.empty() ? options.root : options.offerDir + " as " + options.offerVersion;
    std::printf("upgrade service from %s: version page on %s:%d, files on %s:%d\n", source.c_str(),
                options.bindAddress.c_str(), server.httpPort(), options.bindAddress.c_str(), server.filePort());
    std::fflush(stdout);
    stopSignals.wait();
    server.stop();
    return 0;
}
