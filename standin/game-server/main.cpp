// The stand-in game server as a program, for a local run:
//   vurnorvexi-game-server [--bind ADDR] [--port-kv N] [--port-gkv N]
//                          [--port-oth N] [--port-chk N] [--auto-start N]
//                          [--seeds S,T]
// One lobby per style port; the ports default to the configuration's
// (VURNORVEXI_GAME_PORT_KV 2004, _GKV 2005, _OTH 2006, _CHK 2007).
// Runs until SIGINT or SIGTERM.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/app/config.h"
#include "platform/os/files.h"
#include "standin/game-server/game_server.h"
#include "standin/stop_signal.h"

namespace {

const char* const kStyles[] = {"kv", "gkv", "oth", "chk"};

int usage() {
    std::fprintf(stderr,
                 "usage: vurnorvexi-game-server [--bind ADDR] [--port-kv N] [--port-gkv N] [--port-oth N]\n"
                 "       [--port-chk N] [--auto-start N] [--seeds S,T]\n");
    return 2;
}

bool number(const char* text, long low, long high, long* out) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < low || n > high) return false;
    *out = n;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    standin::GameServerOptions options;
    for (int i = 0; i < 4; ++i) options.ports[static_cast<std::size_t>(i)] = config::gameServerPort(kStyles[i]);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        long n = 0;
        bool styleArg = false;
        for (int s = 0; s < 4; ++s)
            if (arg == std::string("--port-") + kStyles[s]) {
                if (!number(value, 1, 65535, &n)) return usage();
                options.ports[static_cast<std::size_t>(s)] = static_cast<int>(n);
                styleArg = true;
            }
        if (styleArg) continue;
        if (arg == "--bind") {
            options.bindAddress = value;
        } else if (arg == "--auto-start") {
            if (!number(value, 0, 4, &n)) return usage();
            options.autoStartPlayers = static_cast<int>(n);
        } else if (arg == "--seeds") {
            unsigned long s = 0, t = 0;
            char extra = 0;
            if (std::sscanf(value, "%lu,%lu%c", &s, &t, &extra) != 2 || s > 0xffffffffUL || t > 0xffffffffUL)
                return usage();
            options.seed1 = static_cast<uint32_t>(s);
            options.seed2 = static_cast<uint32_t>(t);
        } else {
            return usage();
        }
    }

    standin::StopSignals stopSignals;
    // A connection a player: more than the usual 1024 descriptors.
    platform::raiseOpenFileLimit();

    standin::GameServer server(options);
    if (!server.start()) {
        std::fprintf(stderr, "vurnorvexi-game-server: cannot listen on %s ports %d, %d, %d and %d\n",
                     options.bindAddress.c_str(), options.ports[0], options.ports[1], options.ports[2],
                     options.ports[3]);
        return 1;
    }
    std::printf("game server on %s:", options.bindAddress.c_str());
    for (int s = 0; s < 4; ++s) std::printf(" %s %d", kStyles[s], server.port(s));
    std::printf("\n");
    std::fflush(stdout);
    stopSignals.wait();
    server.stop();
    return 0;
}
