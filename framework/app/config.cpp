#include "framework/app/config.h"

#include <cstdlib>
#include <cstring>

namespace config {

int portFromEnv(const char* name, int fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    if (*end != '\0' || n < 1 || n > 65535) return fallback;
    return static_cast<int>(n);
}

std::string textFromEnv(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

std::string gameServerHost() { return textFromEnv("VURNORVEXI_GAME_HOST", "127.0.0.1"); }

int gameServerPort(const char* styleKey) {
    struct StylePort {
        const char* key;
        const char* var;
        int port;
    };
    static const StylePort ports[] = {
        {"kv", "VURNORVEXI_GAME_PORT_KV", 2004},
        {"gkv", "VURNORVEXI_GAME_PORT_GKV", 2005},
        {"oth", "VURNORVEXI_GAME_PORT_OTH", 2006},
        {"chk", "VURNORVEXI_GAME_PORT_CHK", 2007},
    };
    for (const StylePort& p : ports)
        if (styleKey && std::strcmp(styleKey, p.key) == 0) return portFromEnv(p.var, p.port);
    return portFromEnv(ports[0].var, ports[0].port);
}

std::string upgradeHost() { return textFromEnv("VURNORVEXI_UPGRADE_HOST", "127.0.0.1"); }
int upgradeHttpPort() { return portFromEnv("VURNORVEXI_UPGRADE_HTTP_PORT", 80); }
std::string upgradeFileHost1() { return textFromEnv("VURNORVEXI_UPGRADE_FILE_HOST1", "127.0.0.1"); }
std::string upgradeFileHost2() { return textFromEnv("VURNORVEXI_UPGRADE_FILE_HOST2", "127.0.0.1"); }
int upgradeFilePort() { return portFromEnv("VURNORVEXI_UPGRADE_FILE_PORT", 2000); }

namespace {
// "http://" and the host, with ":port" unless the port is HTTP's own.
std::string httpAddress(std::string host, int port) {
    if (port != 80) host += ":" + std::to_string(port);
    return "http://" + host;
}
}  // namespace

std::string upgradeVersionPageUrl() {
    return httpAddress(upgradeHost(), upgradeHttpPort()) + "/upgrades/" + kProductId + "_" + kPlatform + "_" +
           kVersion + ".html";
}
std::string webHost() { return textFromEnv("VURNORVEXI_WEB_HOST", "127.0.0.1"); }
int webPort() { return portFromEnv("VURNORVEXI_WEB_PORT", 80); }
std::string webPageUrl(const std::string& path) { return httpAddress(webHost(), webPort()) + "/" + path; }
std::string developerHomePageUrl() { return webPageUrl("quillmark/"); }
std::string browserCommand() { return textFromEnv("VURNORVEXI_BROWSER", "xdg-open"); }

}  // namespace config
