#pragma once
// Support of the main window's tests: a program folder with the shipped
// data and the debug log on, the options and the core register, and a
// main game core whose messages go to a list instead of a server. Server
// messages are fed through the protocol's own catalogue.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/board/outbox.h"
#include "game/protocol/connection.h"
#include "game/protocol/handler.h"
#include "testing/program_folder.h"

class OrvexMainCore;
class SuperCore;

namespace match_testing {

class MainWindowFixture : public ::testing::Test {
public:
    // withMarker: the "test.env" marker (debug log and test mode).
    explicit MainWindowFixture(bool withMarker = true);
    ~MainWindowFixture() override;

    // Builds the main game core (with its selection window); its messages
    // go to `sent`, or with toServer to the protocol core of its connection.
    OrvexMainCore* open(bool toServer = false);
    // Deletes the main core as the shut-down road does.
    void close();

    // One server message through the catalogue to the core's handler.
    void receive(const MessageBytes& message);
    // The code letters of every message sent so far; empties the list.
    std::vector<std::string> takeSent();
    // The caption of a label (or the text of any control) of the main window.
    std::string text(const char* widget);
    // Column `column` of every row of the side list.
    std::vector<std::string> column(int column);
    // Pumps the toolkit's events for a while.
    static void pump(double seconds = 0.05);
    // Moves the selection window, which opens over the main window's
    // panel, out of the way (as a person would), so the panel shows whole.
    static void moveSelectionAside();

    testing_support::ProgramFolder folder;
    OrvexMessageList sent;
    OrvexMainCore* core = nullptr;
};

// The code letters of a message ("LL", "PT", ...).
std::string codeOf(const MessageBytes& message);

// Another player of a test: the real connection over a real socket to the
// game server on 127.0.0.1:port, ticked by the test, recording what the
// server tells it.
class PeerClient : public OrvexMessageHandler {
public:
    struct Row {
        uint32_t id1, id2;
        std::string name;
    };
    // Connects and logs in under `name`.
    PeerClient(int port, const char* name);
    void send(const MessageBytes& message);
    void tick() { iConnection.onIntuitick(); }
    // The lobby row of that name, or null.
    const Row* row(const std::string& name) const;

    std::vector<Row> rows;
    std::vector<std::string> chat;
    std::vector<std::string> joined;
    int seat = 0;

    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char*) override;
    void removeListRow(uint32_t id1, uint32_t id2) override;
    void addChatLine(const char* text) override { chat.push_back(text); }
    void playerJoined(const char* name) override { joined.push_back(name); }
    void startGame(int s, int) override { seat = s; }
    void markListRow(uint32_t, uint32_t) override {}
    void unmarkListRow(uint32_t, uint32_t) override {}
    void clearPlayers() override {}
    void initChatList() override {}
    void onPlayerQuit(int) override {}
    void onRemoteSelect(int, int) override {}
    void handleRemoteMove(int, int) override {}
    void unselectPiece() override {}
    void onRemoteRotate(bool) override {}
    void onRemoteFire() override {}
    void onRemoteFireEnd() override {}
    void onRemotePass(int) override {}
    void setRandomSeeds(uint32_t, uint32_t) override {}

private:
    OrvexConnection iConnection;
};

// With VURN_SHOT_DIR set, a screenshot of the display (NAME.png there) for
// a person to look at.
void screenshot(const char* name);

// ---- A person's hand on the windows (xdotool), and what the windows show.
// The X window id of the window with exactly that title ("" when none).
std::string windowByTitle(const std::string& title);
// Runs xdotool with these arguments; a failure is a test failure.
void xdotool(const std::string& args);
// A left click at (x, y) of the window with that X id.
void clickAt(const std::string& window, int x, int y);
// A left click on the middle of a control of a windowed core's canvas.
void clickControl(SuperCore* core, const char* widget);
// The pixels (top-down RGB) of a control of a core's canvas, as shown.
std::vector<uint8_t> shownPixels(SuperCore* core, const char* widget);

}  // namespace match_testing
