// The main game core: construction, panel commands, values, menus, help
// items, side-list events, the tick, the connection and the shut-down. The
// side panel's operations are in sidepanel.cpp.
#include "game/match/orvexmaincore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/app/config.h"
#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/options.h"
#include "framework/app/pageopeners.h"
#include "framework/canvas/supercanvas.h"
#include "framework/image/image.h"
#include "framework/util/vector.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/match/advancedlistcore.h"
#include "game/match/drawsettings.h"
#include "game/match/selectplayercore.h"
#include "game/match/settingsorvexcore.h"
#include "game/match/snapshot.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamedispatch.h"
#include "game/protocol/orvexcom.h"
#include "game/view/boardcore.h"

OrvexMainCore* orvexMainCore = nullptr;

// The rules of play of the main window: their window hooks draw on the
// main core's panel.
class OrvexMainCore::MainGame : public OrvexGame {
public:
    explicit MainGame(OrvexMainCore& core) : iCore(core) {}
    void setSeatLabelBackground(int seat, int r, int g, int b) override { iCore.onSeatLabelBackground(seat, r, g, b); }
    void resetPlayerLabels() override { iCore.resetPlayerLabels(); }
    void showTurnStatus() override { iCore.showTurnStatus(); }
    void gameOver() override {
        iCore.gameOver(getWinner());
        showTurn();  // nobody is to move any more
    }
    void boardLoaded() override {
        OrvexGame::boardLoaded();
        iCore.iBoardNote.clear();  // a board is there again
    }
    // The game is left (Quit, a lost connection): no seat, so the board
    // takes no clicks of ours, and no seat is shown to move.
    void leaveSeat() {
        iLocalSeat = -1;
        showTurn();
    }

private:
    OrvexMainCore& iCore;
};

namespace {

bool named(const char* name, const char* wanted) { return name && std::strcmp(name, wanted) == 0; }

// One of the two numbers of a lobby row key: decimal digits only, within
// 32 bits; advances `p` past them.
[[nodiscard]] bool readKeyNumber(const char*& p, uint32_t* out) {
    if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(p, &end, 10);
    if (errno != 0 || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    p = end;
    return true;
}

// A lobby row key "%u %u": exactly two numbers and one blank.
[[nodiscard]] bool parseRowKey(const char* key, uint32_t* id1, uint32_t* id2) {
    if (!key) return false;
    const char* p = key;
    if (!readKeyNumber(p, id1) || *p != ' ') return false;
    ++p;
    return readKeyNumber(p, id2) && *p == '\0';
}

}  // namespace

SuperCore* createOrvexMainCore() { return new OrvexMainCore(); }

// ---------------------------------------------------------------- construction

OrvexMainCore::OrvexMainCore() : GenericMainCore("mainWindow", 0, 0, 0) {
    // 1. The game state exists from the start (without a board), so the
    // seat names can be asked for while the panel is built.
    orvexMainCore = this;
    iGame = std::make_unique<MainGame>(*this);
    iDispatch = std::make_unique<OrvexGameDispatch>(*iGame, *this);

    // 2. Title.
    SuperWindow::setTitlePrefix(kTitle);
    iFrame->setTitle((std::string("version ") + kVersion).c_str());

    // 3, 4, 5, 6. Menu bar, panel, controls, seat colours.
    buildMenu();
    const int W = iCanvas->width();
    const int H = iCanvas->height();
    buildPanel(W, H);

    // 7. The side list, with the lobby's columns.
    iList = new AdvancedListCore("list", this, 200, 0, W - 201, H - 110);
    iLobbyMode = 0;
    initPlayerList();

    // 8, 9, 10.
    for (const char* item : {"newMI", "loadMI", "saveMI", "noadsMI"}) iFrame->disableMenuItem(item);
    iCanvas->rememberWidgetByName("info", "SWW");
    for (const char* button : {"pass", "fire", "quit"}) iCanvas->rememberWidgetByName(button, "SE");
    showInfo2("Welcome to ", kTitle);

    // 11. The main ticker.
    iFrame->addTickClient(this);
    // The upgrade button comes at kUpgradeButtonX, kUpgradeButtonY once the
    // tick has handled the start-up check and files differ
    // (Exec::checkUpgradeResult); there is none to make yet.

    // 12, 13. Drawing settings, players, the board and its first judgement.
    loadDrawSettings();
    iPlayers = std::make_unique<Vector>();
    iGame->createBoard();

    // 14. The board view window, then the selection window; the core
    // register holds both.
    new OrvexBoardCore(*this);
    new SelectPlayerCore();
    iGame->useTurns(0);

    // 15.
    iCanvas->rememberWidgetByName("talk", "SW");
    iCanvas->rememberWidgetByName("talkText", "SWW");
    iCanvas->rememberCore(iList, "WWH");

    // 16. The logo button: its art "system/icons/vurn.asc" (with its command
    // and help page) and its face "system/icons/vurn.gif".
    // The button lives in the service cores, above the game: the program
    // installs its factory.
    iLogo =
        imageButtonFactory ? imageButtonFactory(this, 10, H - 70, 38, 38, "button", "vurn.gif", nullptr, 1) : nullptr;
    if (iLogo) iCanvas->rememberCore(iLogo, "SW");

    // 17. The advertising panel (its core exists once the advertising code
    // has installed its factory).
    iCanvas->addAd("ad", this, (W - 60) / 2 - 174, H - 80, 468, 60);
    iCanvas->rememberWidgetByName("ad", "SW");

    // 18.
    iFrame->setSizeLimits(kMinWidth, kMinHeight, -1, -1);
}

void OrvexMainCore::buildMenu() {
    SuperCanvas* c = iCanvas;
    c->initMenu();
    const unsigned file = c->addSubMenu("fileCMI", "File");
    c->addMenuItem("newMI", file, "New");
    c->addSeparator(file);
    c->addMenuItem("loadMI", file, "Load Map");
    c->addMenuItem("saveMI", file, "Save Map As...");
    c->addSeparator(file);
    c->addMenuItem("settingsMI", file, "Settings...");
    c->addSeparator(file);
    c->addMenuItem("exitMI", file, "Exit");
    c->endSubMenu();

    const unsigned board = c->addSubMenu("boardCMI", "Board");
    const unsigned size = c->addSubMenu("viewSizeCMI", "View Size");
    char name[32], text[32];
    for (int i = 1; i <= 5; ++i) {
        std::snprintf(name, sizeof name, "predefined%dMI", i);
        std::snprintf(text, sizeof text, "Predefined %d", i);
        c->addMenuItem(name, size, text);
    }
    c->addMenuItem("userDefined1MI", size, "User Defined");
    c->addSeparator(size);
    c->addMenuItem("setUserDefined1MI", size, "Set User Defined");
    c->addSeparator(size);
    c->addMenuItem("correctAspectMI", size, "Correct Aspect");
    c->endSubMenu();
    c->addSeparator(board);
    c->addMenuItem("rotateLeftMI", board, "Rotate Left");
    c->addMenuItem("rotateRightMI", board, "Rotate Right");
    c->addSeparator(board);
    c->addMenuItem("snapshotMI", board, "Snapshot a picture");
    c->endSubMenu();

    const unsigned help = c->addSubMenu("helpCMI", "Help");
    c->addMenuItem("helpMI", help, "Orvex Chess Help");
    c->addSeparator(help);
    c->addMenuItem("kzvHomeMI", help, "Quillmark Home Page");
    c->addMenuItem("vurnHomeMI", help, "Tarvelon Home Page");
    c->addSeparator(help);
    c->addMenuItem("noadsMI", help, "Low Bandwidth/Disable Ads");
    c->addSeparator(help);
    c->addMenuItem("aboutMI", help, "About...");
    c->endSubMenu();
    c->endMenu();
}

void OrvexMainCore::buildPanel(int W, int H) {
    SuperCanvas* c = iCanvas;
    // Captions stand flush right against the values, which stand flush left
    // ("l" and "r" placement codes).
    c->addLabelAt("sync,info", "", 5, H - 20, W - 10, 20, "r");
    struct SeatRow {
        const char* label;
        const char* labelText;
        const char* value;
        const char* valueText;
        int y;
        int valueWidth;
    };
    const SeatRow rows[] = {
        {"redLabel", " Red: ", "red", " --- ", 5, 115},
        {"greenLabel", " Green: ", "green", " --- ", 27, 115},
        {"blueLabel", " Blue: ", "blue", " --- ", 49, 115},
        {"purpleLabel", " Purple: ", "purple", " --- ", 71, 115},
        {"observersLabel", " Observers: ", "observers", " 0", 95, 84},
        // As wide as the seat names, so that the turn line holds the longest
        // seat name ("Observer") with its moves left.
        {"gameTimeLabel", " Game Time: ", "gameTime", " 00:00", 119, 115},
    };
    for (const SeatRow& r : rows) {
        c->addLabelAt(r.label, r.labelText, 5, r.y, 75, 18, "l");
        c->addLabelAt(r.value, r.valueText, 80, r.y, r.valueWidth, 18, "r");
    }
    c->addLabelAt("gameLabel", "Game Name:", W - 108, 5, 110, 18, "r");
    c->addEntryField("gameName", "", W - 108, 23, 110, 18, 16);
    c->addCheckBox("allowObservers", "Allow Observers", 1, W - 108, 47, 110, 18);
    c->addCheckBox("observersHear", "Observers hear", 0, W - 108, 67, 110, 18);
    c->addCheckBox("observersTalk", "Observers talk", 0, W - 108, 87, 110, 18);
    c->addPushButton("talk", "Say:", 200, H - 106, 40, 18);
    c->addEntryField("talkText", "", 240, H - 106, W - 363, 18, 120);
    c->addPushButton("pass", "Pass", W - 121, H - 106, 40, 18);
    c->addPushButton("fire", "Fire", W - 81, H - 106, 40, 18);
    c->addPushButton("quit", "Quit", W - 41, H - 106, 40, 18);
    c->realize();
    for (const char* w : {"gameLabel", "gameName", "allowObservers", "observersHear", "observersTalk"})
        c->disableWidget(w);

    // The current player's name is the light one.
    c->setBackgroundColorRGB("red", 242, 242, 242);
    for (const char* w : {"green", "blue", "purple"}) c->setBackgroundColorRGB(w, 200, 200, 200);
    c->setForegroundColorF("red", 0.8f, 0.2f, 0.2f, 0.0f);
    c->setForegroundColorF("green", 0.2f, 0.8f, 0.2f, 0.0f);
    c->setForegroundColorF("blue", 0.2f, 0.2f, 0.8f, 0.0f);
    c->setForegroundColorF("purple", 0.8f, 0.2f, 0.8f, 0.0f);
}

// ---------------------------------------------------------------- shut-down

OrvexMainCore::~OrvexMainCore() {
    iDestroying = 1;
    // A failed save is logged by the writer, which keeps the old file;
    // nothing more can be done at shut-down.
    (void)saveOptions();
    // The protocol thread stops before anything it reaches goes.
    iGame->setOutbox(nullptr);
    iCom.reset();
    // The board view goes with the other cores; it calls this core no more.
    if (auto* view = dynamic_cast<OrvexBoardCore*>(boardView())) view->forgetOwner();
    if (coreLibrary) {
        coreLibrary->removeSuperCore(this);
        coreLibrary->deleteSuperCores();
        delete coreLibrary;
    }
    debugLog("~Maincore vanish\n");
    (void)saveOptions();  // as above
    delete iLogo;
    iLogo = nullptr;
    delete iList;
    iList = nullptr;
    debugLog("OrvexMainCore::~OrvexMainCore() done\n");
    if (orvexMainCore == this) orvexMainCore = nullptr;
}

// ---------------------------------------------------------------- messages

OrvexMessageHandler& OrvexMainCore::messageHandler() { return *iDispatch; }

void OrvexMainCore::setOutbox(OrvexOutbox* outbox) {
    iTestOutbox = outbox;
    iGame->setOutbox(outbox ? outbox : iCom.get());
}

bool OrvexMainCore::queue(const MessageBytes& message) {
    OrvexOutbox* outbox = iTestOutbox ? iTestOutbox : iCom.get();
    if (!outbox) return false;  // no connection yet: nothing reaches a server
    outbox->queueMessage(message.data(), message.size());
    return true;
}

MessageBytes OrvexMainCore::loginOfPlayer() {
    const char* name = getStringOption("playerName");
    return loginMessage(name ? name : "Guest");
}

void OrvexMainCore::queueLogin() { queue(loginOfPlayer()); }

void OrvexMainCore::connectToServer() {
    // The old connection's thread is stopped (its network waits cut short)
    // and joined before the object goes.
    iGame->setOutbox(iTestOutbox);
    iCom.reset();
    iGameLost = 0;
    iCom = std::make_unique<OrvexCom>(iDispatch.get());
    if (!iTestOutbox) iGame->setOutbox(iCom.get());
    // Each connection the core makes begins with this login.
    iCom->setLogin(loginOfPlayer());
}

void OrvexMainCore::connectionChanged(const OrvexLinkChange& change) {
    const std::string& server = change.server;
    if (change.answered) {
        // Only a connection on which the server has spoken is one.
        showStatus("Connected to the game server " + server);
        return;
    }
    if (!change.up) {
        showStatus("No connection to the game server " + server + " - trying again");
        if (iInGame) {
            // Nothing of this game reaches the others any more: it ends
            // here, and the chat says so.
            addChatLine(kGameLostLine);
            static_cast<MainGame&>(*iGame).leaveSeat();
            iInGame = 0;
            iGameLost = 1;
        } else if (iLobbyMode && iList) {
            // Nobody in these rows can be reached now.
            showEmptyLobby();
        }
        return;
    }
    // A connection made is not yet one that lasts: the status line waits
    // for the server's first message. The first connection's lobby is the
    // one shown; on any later one the server knows nothing of this player,
    // and the protocol core logs in again by itself.
    if (change.connections <= 1) return;
    rejoinLobby();
    clearSeatNames();
}

void OrvexMainCore::showEmptyLobby() {
    if (!iList) return;
    removeAllRows();
    // A game the lost connection ended stays told at the top of the lobby.
    if (iGameLost) appendListRow(kGameLostLine, "", "");
    repaintList();
    iList->updateScrollBar(1);
}

void OrvexMainCore::rejoinLobby() {
    static_cast<MainGame&>(*iGame).leaveSeat();
    initPlayerList();
    showEmptyLobby();
}

void OrvexMainCore::clearSeatNames() {
    for (const char* w : kSeatNameWidgets) iCanvas->setValue(w, "---");
    setObservers(0);
}

// ---------------------------------------------------------------- panel commands

void OrvexMainCore::setValue(const char* name, const char*) {
    if (named(name, "pass")) {
        iGame->passCommand();
    } else if (named(name, "fire")) {
        debugLog("fire1");
        if (!isMyTurn()) return;
        debugLog("fire2");
        iGame->fireSelected();
        if (iGame->isFirePending()) iPostFireCountdown = kPostFireTicks;
    } else if (named(name, "quit")) {
        if (!iInGame) return;
        debugLog("q1");
        addChatLine("Attempting to quit...");
        debugLog("q2");
        queue(codeMessage("PQU"));
        iGameLost = 0;
        rejoinLobby();
        queueLogin();
        debugLog("q3");
        clearSeatNames();
    } else if (named(name, "talk")) {
        talk();
    }
}

void OrvexMainCore::talk() {
    const std::string text = iCanvas->findWidget("talkText") ? iCanvas->getValue("talkText") : "";
    if (text.empty()) return;
    if (text.size() >= 5 && compareNoCase(text.substr(0, 5).c_str(), "load ") == 0) {
        loadCommand(text.c_str() + 5);
    } else if (text.size() >= 5 && compareNoCase(text.substr(0, 5).c_str(), "save ") == 0) {
        saveCommand(text.c_str() + 5);
    } else {
        queue(chatMessage(getMySeat(), text.c_str()));
    }
}

bool OrvexMainCore::loadBoardFile(const char* name) {
    OrvexBoard* board = getBoard();
    if (!board) return false;
    if (board->loadFile(name)) return true;
    // The board stays as it was. The news of the connection, which follows
    // a start at once, keeps telling it.
    iBoardNote = std::string("cannot load the board ") + name;
    showInfo2("Cannot load the board ", name);
    return false;
}

void OrvexMainCore::loadCommand(const char* name) {
    if (!getBoard()) return;
    if (iInGame) {
        // Nothing of it would reach the other players: their boards would
        // take every later move differently.
        showInfo2(("Cannot load the board " + std::string(name) + " during a game: ").c_str(),
                  "the other players' boards would not change with it");
        return;
    }
    // A board to look at, not a choice of style: the next game starts on
    // the start board of the style chosen at "Start!", as everyone's does.
    const char* style = getStringOption("lastDefaultGame");
    const std::string chosen = style ? style : "";
    const bool loaded = loadBoardFile(name);
    if (style) setStringOption("lastDefaultGame", chosen.c_str());
    if (loaded)
        showInfo2(("Loaded the board " + OrvexBoard::filePath(name)).c_str(),
                  "; a game starts on the start board of your style");
}

void OrvexMainCore::saveCommand(const char* name) {
    OrvexBoard* board = getBoard();
    if (!board) return;
    const std::string path = OrvexBoard::filePath(name);
    if (OrvexBoard::isKeptDefault(name))
        showInfo2(("Cannot save the board as " + std::string(name)).c_str(),
                  ": that default board is never overwritten");
    else if (!board->saveFile(name))
        showInfo2(("Cannot save the board as " + path).c_str(), ": the file cannot be written");
    else
        showInfo2("Saved the board as ", path.c_str());
}

void OrvexMainCore::showStatus(const std::string& text) {
    showInfo((iBoardNote.empty() ? text : text + "; " + iBoardNote).c_str());
}

// ---------------------------------------------------------------- values and menus

void OrvexMainCore::setIntValue(const char* name, int value) {
    debugPrintfSI("siv %s %d\n", name ? name : "", value);
    if (!name) return;
    if (std::strstr(name, "MI")) {
        onMenuItem(name);
    } else if (named(name, "internal-upgrade")) {
        // The upgrade button's command: the upgrade window, on the start-up
        // check's download list.
        if (value != 0 && currentExec) currentExec->openUpgradeWindow();
    }
}

void OrvexMainCore::setCommandCore(const char* command, SuperCore* sender) {
    if (named(command, "internal-browser")) {
        // A page viewer on the address after "HTTP-Help" in the pressed
        // button's picture file.
        openHelpPage(sender);
        return;
    }
    SuperCore::setCommandCore(command, sender);
}

void OrvexMainCore::resizeBoardView(int w, int h) {
    SuperCore* view = boardView();
    if (!view || !view->frame() || !view->canvas() || w == 0 || h == 0) return;
    // The frame grows by what it has around its canvas, so the canvas (the
    // view) takes exactly w by h.
    SuperWindow* f = view->frame();
    const int dw = f->width() - view->canvas()->width();
    const int dh = f->height() - view->canvas()->height();
    placeWindow(f, f->x(), f->y(), w + dw, h + dh);
}

void OrvexMainCore::onMenuItem(const char* name) {
    if (named(name, "newMI")) return;
    if (named(name, "exitMI")) {
        saveWindowMetrics();
        iFrame->close();  // runs once this handler has returned
        return;
    }
    if (named(name, "settingsMI")) {
        if (!coreLibrary || !coreLibrary->findCoreByClassName("SettingsOrvexCore")) new SettingsOrvexCore();
        return;
    }
    onHelpMenuItem(name, kProductId, kTitle, kVersion);

    SuperCore* view = boardView();
    if (std::strncmp(name, "predefined", 10) == 0) {
        if (!view) return;
        const int n = std::atoi(name + 10);
        char key[32];
        std::snprintf(key, sizeof key, "boardSize%dW", n);
        const int w = getIntOption(key);
        std::snprintf(key, sizeof key, "boardSize%dH", n);
        resizeBoardView(w, getIntOption(key));
    } else if (named(name, "userDefined1MI")) {
        resizeBoardView(getIntOption("boardSizeUser1W"), getIntOption("boardSizeUser1H"));
    } else if (named(name, "setUserDefined1MI")) {
        if (view && view->canvas()) {
            setIntOption("boardSizeUser1W", view->canvas()->width());
            setIntOption("boardSizeUser1H", view->canvas()->height());
        }
    } else if (named(name, "correctAspectMI")) {
        if (view && view->canvas()) resizeBoardView(view->canvas()->width(), view->canvas()->width());
    } else if (named(name, "rotateLeftMI")) {
        iCamera.pending -= 90;
    } else if (named(name, "rotateRightMI")) {
        iCamera.pending += 90;
    } else if (named(name, "snapshotMI")) {
        takeSnapshot();
    }
}

void OrvexMainCore::takeSnapshot() {
    auto* view = dynamic_cast<OrvexBoardCore*>(boardView());
    if (!view) return;
    // The view draws a frame and reads it back before it is shown: rows of
    // its canvas's width, bottom row first, padded to 4 bytes.
    ViewPixels pixels;
    if (!view->readPixels(&pixels)) return;
    if (auto image = snapshotImage(pixels.bytes.data(), pixels.bytes.size(), pixels.width, pixels.height))
        (void)saveSnapshot(*image);  // a failure is logged; the old snapshot files stay
}

void OrvexMainCore::boardViewClosed(OrvexBoardCore*) {
    if (iDestroying || !iFrame) return;
    saveWindowMetrics();
    iFrame->close();  // runs once this handler has returned
}

int OrvexMainCore::onHelpMenuItem(const char* name, const char* productId, const char* title, const char* version) {
    if (named(name, "kzvHomeMI")) {
        openInWebBrowser(config::developerHomePageUrl());
    } else if (named(name, "vurnHomeMI")) {
        openInWebBrowser(config::webPageUrl(""));
    } else if (named(name, "helpMI")) {
        openInWebBrowser(config::webPageUrl(std::string(productId) + ".html"));
    } else if (named(name, "aboutMI")) {
        // At most one about window.
        const std::string aboutClass = std::string(productId) + "AboutCore";
        if (!coreLibrary || !coreLibrary->findCoreByClassName(aboutClass.c_str()))
            openAboutWindow(productId, title, version);
    } else {
        return 0;
    }
    return 1;
}

int OrvexMainCore::onListSelect(const char* eventName, SuperCore*, int row) {
    const bool select = named(eventName, AdvancedListCore::kSelectEvent);
    if (!select && !named(eventName, AdvancedListCore::kDeselectEvent)) return 0;
    // Only lobby rows carry a key; chat rows name nobody.
    if (!iLobbyMode || !iList) return 0;
    uint32_t id1 = 0, id2 = 0;
    if (!parseRowKey(iList->cellText(row, 3), &id1, &id2)) return 0;
    queue(rowMessage(select ? "LC" : "LD", id1, id2));
    return 0;
}

// ---------------------------------------------------------------- tick and paint

void OrvexMainCore::openInWebBrowser(const std::string& url) {
    launchBrowser(url.c_str(), 1);
    tellBrowserFailures();  // one that cannot start at all is told at once
}

void OrvexMainCore::tellBrowserFailures() {
    // One status line: the latest failure is the one the player just caused.
    std::vector<BrowserFailure> failures = takeBrowserFailures();
    if (!failures.empty()) showInfo(describeBrowserFailure(failures.back()).c_str());
}

void OrvexMainCore::onIntuitick() {
    // A browser that started may still fail: its end is seen here.
    tellBrowserFailures();
    if (currentExec) currentExec->checkUpgradeResult();
    if (iPostFireCountdown != 0 && --iPostFireCountdown == 0) iGame->completeFireAndNotify();
}

int OrvexMainCore::paint(int, int, int, int) {
    if (iCanvas) iCanvas->repaintAll();
    return 0;
}

int OrvexMainCore::onResize(int, int) { return 0; }

SuperCore* OrvexMainCore::boardView() const {
    return coreLibrary ? coreLibrary->findCoreByClassName("OrvexBoardCore") : nullptr;
}
