// The stand-in web host as a program, for a local run:
//   vurnorvexi-web-server [--root DIR] [--bind ADDR] [--port N]
// DIR is the help folder (its index.html is the entry page); the port
// defaults to the configuration's (VURNORVEXI_WEB_PORT, 80).
// Runs until SIGINT or SIGTERM.
#include <cstdio>
#include <string>

#include "framework/app/config.h"
#include "standin/stop_signal.h"
#include "standin/web-server/web_server.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: vurnorvexi-web-server [--root DIR] [--bind ADDR] [--port N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    standin::WebServerOptions options;
    options.port = config::webPort();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (arg == "--root")
            options.root = value;
        else if (arg == "--bind")
            options.bindAddress = value;
        else if (arg == "--port") {
            if (!standin::portArgument(value, &options.port)) return usage();
        } else {
            return usage();
        }
    }

    standin::StopSignals stopSignals;
    standin::WebServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "vurnorvexi-web-server: cannot listen on %s port %d\n", options.bindAddress.c_str(),
                     options.port);
        return 1;
    }
    std::printf("web host with the help pages of %s on http://%s:%d/\n", options.root.c_str(),
                options.bindAddress.c_str(), server.port());
    std::fflush(stdout);
    stopSignals.wait();
    server.stop();
    return 0;
}
