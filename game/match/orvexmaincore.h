#pragma once
// OrvexMainCore: the program's main window and the owner of one game at a
// time. It builds the main frame with its menu bar, the side panel (seat
// labels, observer and game-time labels, the game-name field and check
// boxes, the "Say:" field, Pass, Fire and Quit) and the embedded side list
// that shows first the lobby of the game server and then the chat of a
// game; it owns the window-free rules of play (OrvexGame, with the turn
// state and the board), the protocol core of the current connection and
// the list of the game's players. Menu choices and panel commands become
// game actions and protocol messages; the main 500 ms tick polls the
// start-up upgrade check, tells a web browser's failure on the status line
// and finishes a pending shot.
//
// Server messages reach the side-panel and turn operations on the GUI
// thread only, one at a time, through the protocol core's inbox.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/supercore.h"
#include "framework/net/communicator.h"
#include "game/board/game.h"
#include "game/board/outbox.h"
#include "game/protocol/handler.h"
#include "game/view/viewowner.h"

class AdvancedListCore;
class OrvexBoard;
class OrvexCom;
class OrvexGameDispatch;
class Vector;
struct Image;

class OrvexMainCore : public GenericMainCore, public CommunicatorClient, public OrvexSidePanel, public OrvexViewOwner {
public:
    static constexpr const char* kTitle = "Tarvelon Orvex Chess";
    static constexpr const char* kVersion = "1.01";
    static constexpr const char* kProductId = "vurnorvex";
    static constexpr int kMinWidth = 550;
    static constexpr int kMinHeight = 310;
    // Ticks (of 500 ms) between the local player's shot and its end.
    static constexpr int kPostFireTicks = 5;
    // Where the upgrade button sits in the panel: left of the side list,
    // centred beside the observers row, between the last seat row and the
    // turn line, so that it covers neither.
    static constexpr int kUpgradeButtonX = 166;
    static constexpr int kUpgradeButtonY = 90;

    // Builds everything, in the order of the main window's construction
    // steps, and becomes the process-wide main core.
    OrvexMainCore();
    ~OrvexMainCore() override;

    const char* getCoreClassName() override { return "OrvexMainCore"; }

    // The panel commands "pass", "fire", "quit" and "talk".
    void setValue(const char* name, const char* text) override;
    // Menu items (names containing "MI"), "kzv40", "internal-upgrade".
    void setIntValue(const char* name, int value) override;
    // A command whose value is a core: "internal-browser" with the image
    // button that was pressed; every other command as setIntValue(name, 1).
    void setCommandCore(const char* command, SuperCore* sender) override;
    void onMenuItem(const char* name);
    // The Help menu's items; 1 when the name was one of them.
    int onHelpMenuItem(const char* name, const char* productId, const char* title, const char* version);
    // Row events of the side list: select and deselect send LC and LD in
    // the lobby.
    int onListSelect(const char* eventName, SuperCore* sender, int row) override;
    void onIntuitick() override;
    int paint(int x0, int y0, int x1, int y1) override;
    int onResize(int w, int h) override;

    // Replaces the protocol core by a new connection to the server of the
    // chosen style and logs in (the selection window's "Start!").
    void connectToServer();
    // Loads the board file of that name into the board (the selection
    // window's "Start!", the chat's "load"). A board that cannot be loaded
    // is told on the status line, and the news of the connection goes on
    // telling it until a board loads; the board stays as it was.
    [[nodiscard]] bool loadBoardFile(const char* name);
    // The protocol core's news of its connection: the status line names the
    // server and says whether it is reached (once the server has spoken on
    // a connection); a lost connection ends the game on this client, which
    // the chat and then the lobby keep in view, or empties the lobby; every
    // later connection shows the lobby afresh (its login is the protocol
    // core's).
    void connectionChanged(const OrvexLinkChange& change) override;
    // The chat line, and lobby row, of a game the lost connection ended.
    static constexpr const char* kGameLostLine = "Connection to the game server lost; the game ended.\n";

    // ---- Turns (the rules of play keep them; see OrvexGame).
    OrvexGame& game() { return *iGame; }
    const OrvexGame& game() const { return *iGame; }
    OrvexBoard* getBoard() const { return iGame->getBoard(); }
    void passTurn(int seat) { iGame->passTurn(seat); }
    int getMySeat() const { return iGame->getMySeat(); }
    int isMyTurn() const { return iGame->isMyTurn(); }
    int getCurrentPlayer() const { return iGame->getCurrentPlayer(); }
    int getTurnsLeft() const { return iGame->getTurnsLeft(); }
    void useTurns(int n) { iGame->useTurns(n); }
    void checkGameOver() { iGame->checkGameOver(); }
    void startGame(int seat, int count) { iGame->startGame(seat, count); }
    void fireSelected() { iGame->fireSelected(); }

    // ---- The side panel: seat labels, turn line, lobby, chat, game over.
    void resetPlayerLabels();
    // The turn line: the seat to move and its moves left while a game runs
    // (turnShown), else no seat.
    void showTurnStatus();
    // A seat is to move: this client sits at a game that is not over. From
    // its end on, after Quit and a lost connection, and in the lobby, the
    // turn line names no seat and no seat name is lit.
    bool turnShown() const;
    void initPlayerList();
    void initChatList() override;
    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) override;
    void markListRow(uint32_t id1, uint32_t id2) override;
    void unmarkListRow(uint32_t id1, uint32_t id2) override;
    void removeListRow(uint32_t id1, uint32_t id2) override;
    void addChatLine(const char* text) override;
    void clearPlayers() override;
    void playerJoined(const char* name) override;
    void onPlayerQuit(int seat) override;
    void gameOver(int winner);

    // ---- State.
    int isDestroying() const { return iDestroying; }
    int isLobbyMode() const { return iLobbyMode; }
    int isInGame() const override { return iInGame; }
    int isGameOverAnnounced() const { return iGameOverAnnounced; }
    int getWinner() const { return iGame->getWinner(); }
    // The board view's camera: its angle (0-359 degrees) and the turn it
    // still has to make (the rotate items add or take 90).
    int getCameraAngle() const { return iCamera.angle; }
    void setCameraAngle(int degrees) { iCamera.angle = degrees; }
    int getCameraTurnPending() const { return iCamera.pending; }
    void setCameraTurnPending(int degrees) { iCamera.pending = degrees; }
    int postFireCountdown() const { return iPostFireCountdown; }
    AdvancedListCore* listCore() const { return iList; }
    // The logo button (an image button), or null without its factory.
    SuperCore* logoButton() const { return iLogo; }
    OrvexCom* protocolCore() const { return iCom.get(); }
    // The names of the current game's players, in the order they joined.
    Vector* players() const { return iPlayers.get(); }
    // The board view (the registered core of class "OrvexBoardCore"), or
    // null.
    SuperCore* boardView() const;

    // ---- What the board view reads and calls.
    OrvexGame* viewGame() override { return iGame->getBoard() ? iGame.get() : nullptr; }
    CameraTurn& viewCamera() override { return iCamera; }
    const OrvexDrawSettings& drawingSettings() const override { return drawSettings; }
    // Closing the board window ends the program: the main window closes
    // too, after the handler now running, unless it is itself going.
    void boardViewClosed(OrvexBoardCore* view) override;

    // Where server messages are handed (the protocol core's handler).
    OrvexMessageHandler& messageHandler();
    // Messages of this client go here instead of to the protocol core
    // (tests); null restores the protocol core.
    void setOutbox(OrvexOutbox* outbox);

private:
    class MainGame;

    // The panel's seat widgets of seats 1 to 4: the labels and the names.
    static constexpr const char* kSeatLabelWidgets[4] = {"redLabel", "greenLabel", "blueLabel", "purpleLabel"};
    static constexpr const char* kSeatNameWidgets[4] = {"red", "green", "blue", "purple"};

    void buildMenu();
    void buildPanel(int W, int H);
    // Queues one message on the current outbox; false when there is none
    // (no connection yet).
    bool queue(const MessageBytes& message);
    // LL with the player's name (option playerName, "Guest" without one).
    static MessageBytes loginOfPlayer();
    void queueLogin();
    // Back to the lobby: no seat, the lobby's columns and no rows (they come
    // from the server once it has the player's LL) but the line of a lost
    // game.
    void rejoinLobby();
    // The lobby without rows, but for the line of a lost game.
    void showEmptyLobby();
    void clearSeatNames();
    // The players of seats beyond those the style plays watch: the
    // "Observers:" line counts those still in the game.
    bool isObserverSeat(int seat) const;
    void setObservers(int count);
    void talk();
    // The chat's "load NAME": refused from a game's start until the game is
    // left, since the other boards would not follow; in the lobby it shows
    // the board until the next game starts. "save NAME": at any time; the
    // status line says where the board was written, or why not.
    void loadCommand(const char* name);
    void saveCommand(const char* name);
    // The status line, with a board that could not be loaded still told.
    void showStatus(const std::string& text);
    void onSeatLabelBackground(int seat, int r, int g, int b);
    void takeSnapshot();
    // A list row of the lobby or the chat, with its four cells.
    void appendListRow(const char* cell0, const char* history, const char* key);
    void removeAllRows();
    void repaintList();
    void resizeBoardView(int w, int h);
    // Starts the web browser on a page of the web host; a browser that
    // cannot start or fails is told on the status line (here or at a
    // later tick), naming the address.
    void openInWebBrowser(const std::string& url);
    void tellBrowserFailures();

    int iDestroying = 0;
    std::unique_ptr<OrvexGame> iGame;  // a MainGame
    std::unique_ptr<OrvexGameDispatch> iDispatch;
    AdvancedListCore* iList = nullptr;  // embedded: lives in this canvas
    SuperCore* iLogo = nullptr;         // the logo button, embedded in this canvas
    std::unique_ptr<OrvexCom> iCom;
    OrvexOutbox* iTestOutbox = nullptr;
    std::unique_ptr<Vector> iPlayers;
    CameraTurn iCamera;
    int iLobbyMode = 1;
    int iInGame = 0;
    int iGameOverAnnounced = 0;
    int iObservers = 0;
    // The connection was lost during a game, and the lobby shows it.
    int iGameLost = 0;
    int iPostFireCountdown = 0;
    std::string iBoardNote;  // "cannot load the board NAME" until a board loads
};

// The one main game core (null before it is built and once it is gone).
extern OrvexMainCore* orvexMainCore;

// The name of a seat by the board's style: "Red", "Green", "Blue",
// "Purple" on the beam styles (and before there is a board), "Black" and
// "White" in reversi, "Red" and "White" in checkers, "System" for seat 0,
// "Observer" otherwise.
const char* playerColourName(int seat);

// The main-core factory the program installs in its application object.
SuperCore* createOrvexMainCore();
