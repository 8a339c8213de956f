#pragma once
// Every host and port the program talks to, in one place. The defaults are
// the system's own values, with the hosts on this machine so the local
// stand-ins serve a fresh checkout; each can be overridden by an environment
// variable (listed in the README), which the tests use to run their own
// stand-ins on free ports. Values are read at each call, so a test may set
// the variable before it starts the code under test.
#include <string>

namespace config {

// The product, platform and version that the upgrade service knows us by.
inline constexpr const char* kProductId = "vurnorvex";
inline constexpr const char* kPlatform = "windows";
inline constexpr const char* kVersion = "1.01";

// Game server: VURNORVEXI_GAME_HOST (127.0.0.1) and one port per style,
// VURNORVEXI_GAME_PORT_KV (2004), _GKV (2005), _OTH (2006), _CHK (2007).
std::string gameServerHost();
// The port of a style key ("kv", "gkv", "oth", "chk"); an unknown key
// gives the `kv` port.
int gameServerPort(const char* styleKey);

// Upgrade service. The version page: VURNORVEXI_UPGRADE_HOST (127.0.0.1) on
// VURNORVEXI_UPGRADE_HTTP_PORT (80). The file service:
// VURNORVEXI_UPGRADE_FILE_HOST1 and _HOST2 (127.0.0.1) on
// VURNORVEXI_UPGRADE_FILE_PORT (2000).
std::string upgradeHost();
int upgradeHttpPort();
std::string upgradeFileHost1();
std::string upgradeFileHost2();
int upgradeFilePort();
// The version page "http://%s/upgrades/%s_%s_%s.html" with the upgrade host
// (followed by ":port" when the page's port is not 80), the product id, the
// platform and the version.
std::string upgradeVersionPageUrl();

// The host of the help menu's web pages: VURNORVEXI_WEB_HOST (127.0.0.1) on
// VURNORVEXI_WEB_PORT (80).
std::string webHost();
int webPort();
// The address of a page on that host: "http://%s/%s" with the host
// (followed by ":port" when the port is not 80) and the path.
std::string webPageUrl(const std::string& path);
// The developer's home page on that host, "/quillmark/": the Help menu's
// "Quillmark Home Page" and the about window's link.
std::string developerHomePageUrl();

// The command that opens a URL in the user's web browser:
// VURNORVEXI_BROWSER ("xdg-open"). It is split into words; the URL is added
// as one further argument.
std::string browserCommand();

// Reads an integer variable; `fallback` when unset or not a number in 1..65535.
int portFromEnv(const char* name, int fallback);
// Reads a text variable; `fallback` when unset or empty.
std::string textFromEnv(const char* name, const char* fallback);

}  // namespace config
