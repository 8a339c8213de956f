#include "game/match/selectplayercore.h"

#include <cstring>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"
#include "game/match/orvexmaincore.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"

int orvexGameStarted = 0;

namespace {

const OrvexStyleChoice kStyles[] = {
    {"gkv", "Advanced Orvex Chess", "default.gkv", false},
    {"kv", "Orvex Chess (Classic)", "default.kv", false},
    {"oth", "Othello (aka Reversi)", "default.oth", true},
    {"chk", "Checkers", "default.chk", true},
};

// The order in which "Start!" reads the buttons.
const char* const kStartOrder[] = {"kv", "gkv", "oth", "chk"};

// The name field takes as many characters as the game-name field.
constexpr int kNameFieldLimit = 16;

std::string trimmed(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t from = s.find_first_not_of(blanks);
    if (from == std::string::npos) return "";
    std::size_t to = s.find_last_not_of(blanks);
    return s.substr(from, to - from + 1);
}

}  // namespace

const OrvexStyleChoice* orvexStyleChoices(int* count) {
    if (count) *count = static_cast<int>(sizeof kStyles / sizeof kStyles[0]);
    return kStyles;
}

bool SelectPlayerCore::offered(const OrvexStyleChoice& style) { return !style.testModeOnly || testMode; }

SelectPlayerCore::SelectPlayerCore() : SuperCore(kWindowName, 0, 0, 0) { createVisual(); }

SelectPlayerCore::~SelectPlayerCore() {
    // Closed without "Start!": the program ends with it. The close of the
    // main frame runs once the handler now running has returned.
    if (!orvexGameStarted && orvexMainCore && !orvexMainCore->isDestroying() && orvexMainCore->frame())
        orvexMainCore->frame()->close();
}

void SelectPlayerCore::createVisual() {
    iFrame->setTitle("Select Game and Player");
    const int W = iCanvas->width();
    iCanvas->addLabelAt("label", "Player Name:", 10, 10, 90, 20, "r");
    const char* name = getStringOption("playerName");
    iShownName = name ? name : kGuestName;
    if (!testMode && iShownName == "Vantrel") iShownName = "Vantrel (Guest)";
    iCanvas->addEntryField("server", iShownName.c_str(), 116, 10, 200, 20, kNameFieldLimit);

    const char* last = getStringOption("lastDefaultGame");
    const std::string current = last ? last : "default.gkv";
    int y = 40;
    int lastY = y;
    for (const OrvexStyleChoice& s : kStyles) {
        if (!offered(s)) continue;
        iCanvas->addRadioButton(s.key, s.label, current == s.boardFile ? 1 : 0, 116, y, 200, 20);
        lastY = y;
        y += 22;
    }
    iStartY = lastY + 30;
    iCanvas->addPushButton("ok", "Start!", W / 2 - 35, iStartY, 70, 20);
    iCanvas->realize();
    const int H = iStartY + 30;
    if (W != 0 && H != 0) resizeTo(iFrame, W, H);
}

void SelectPlayerCore::setValue(const char* name, const char* text) {
    if (name && std::strcmp(name, "ok") == 0) start();
}

void SelectPlayerCore::setIntValue(const char*, int) {}

int SelectPlayerCore::onResize(int, int) {
    saveWindowMetrics();
    return 0;
}

// A changed, non-empty name becomes the login name before the connect, so
// two players on one machine can play under their own names.
void SelectPlayerCore::storeEditedName() {
    const std::string typed = trimmed(iCanvas->getValue("server"));
    if (typed.empty() || typed == iShownName) return;
    const int fits = fittedTextLength(typed.c_str(), 2, kMaxLoginBody);
    setStringOption("playerName", typed.substr(0, static_cast<std::size_t>(fits)).c_str());
}

void SelectPlayerCore::start() {
    // Set first: nothing that follows may end the program through this
    // window's close.
    orvexGameStarted = 1;
    storeEditedName();
    for (const char* key : kStartOrder) {
        for (const OrvexStyleChoice& s : kStyles) {
            if (std::strcmp(s.key, key) != 0 || !offered(s) || !iCanvas->getIntValue(s.key)) continue;
            setStringOption("lastDefaultGame", s.boardFile);
            // A board that cannot be read is told on the main window's
            // status line; the board stays as it was.
            if (orvexMainCore) (void)orvexMainCore->loadBoardFile(s.boardFile);
            chooseOrvexServerStyle(s.key);
        }
    }
    if (orvexMainCore) orvexMainCore->connectToServer();
    saveWindowMetrics();
    if (iFrame) iFrame->close();
}
