#pragma once
// Test helpers for the rules of play: a game that records its window hooks
// and lets a test act as any seat, a fixture that starts a game on a board
// of the test's own, a receiver that delivers messages to a game as the
// program does (through the message catalogue and the game's dispatch), and
// the lockstep pair: two clients on the same board and seeds, each one's
// messages delivered to the other.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/board/game.h"
#include "game/board/tests/board_support.h"
#include "game/protocol/gamedispatch.h"
#include "testing/program_folder.h"

namespace board_test {

class RecordingGame : public OrvexGame {
public:
    void setSeatLabelBackground(int seat, int r, int g, int b) override {
        events.push_back("label " + std::to_string(seat) + " " + std::to_string(r));
    }
    void resetPlayerLabels() override { events.push_back("labels reset"); }
    void showTurnStatus() override { ++turnLines; }
    void gameOver() override { events.push_back("game over " + std::to_string(getWinner())); }

    // Lets a test play the seat whose turn it is.
    void actAs(int seat) { iLocalSeat = seat; }
    void setPlayerCount(int count) { iPlayerCount = count; }
    // Runs the animation step until every animation has ended (bounded).
    void settle() {
        for (int i = 0; i < 10000 && getAnimSequence() != 0; ++i) getBoard()->advanceAnimations();
    }

    std::vector<std::string> events;
    int turnLines = 0;
};

// Delivers messages from the server to one game as the protocol core does:
// the message catalogue recognises each and runs its handler on the game's
// dispatch. Lobby, player-list and chat messages reach a side panel that
// only counts them.
class Receiver : private OrvexSidePanel {
public:
    explicit Receiver(OrvexGame& game) : iDispatch(game, *this) {}
    // Runs one whole message; false when the catalogue refuses it (not one
    // whole message it knows, or fields outside their range).
    bool operator()(const MessageBytes& m);
    // Runs the message that heads the bytes, as the splitter cuts it off the
    // stream; false when no sound whole message heads them.
    bool head(const MessageBytes& bytes);

    int panelCalls = 0;

private:
    void addNewPlayer(uint32_t, uint32_t, const char*, const char*) override { ++panelCalls; }
    void markListRow(uint32_t, uint32_t) override { ++panelCalls; }
    void unmarkListRow(uint32_t, uint32_t) override { ++panelCalls; }
    void removeListRow(uint32_t, uint32_t) override { ++panelCalls; }
    void clearPlayers() override { ++panelCalls; }
    void initChatList() override { ++panelCalls; }
    void playerJoined(const char*) override { ++panelCalls; }
    void onPlayerQuit(int) override { ++panelCalls; }
    void addChatLine(const char*) override { ++panelCalls; }

    OrvexGameDispatch iDispatch;
};

// One scripted action of the local player:
//   c X Y   click cell (X, Y)      r  turn right      l  turn left (Shift)
//   f       fire                   e  the shot's end  p  the pass command
void perform(RecordingGame& game, const std::string& action);

// The state two clients must agree on: the board and the turn and engine
// state, as text.
std::string gameState(const OrvexGame& game);

// A program folder and an options store, where a test puts the board its
// games start on: the style's default board, named by the option
// lastDefaultGame.
class StartBoardTest : public ::testing::Test {
protected:
    // A board of the test's own.
    void useBoard(const std::string& style, const std::string& content);
    // The shipped default board of the style.
    void useDefaultBoard(const std::string& style);

    testing_support::ProgramFolder folder;
    OptionsStore store;
};

// One game, started on a board of the test's own.
class GameTest : public StartBoardTest {
protected:
    // Starts a game of `count` seats with the local player on `seat`.
    void start(const std::string& style, int width, int height, const std::vector<std::string>& rows, int seat = 1,
               int count = 2);
    OrvexBoard& board() { return *game.getBoard(); }
    OrvexPiece* at(int x, int y) { return board().getPiece(x, y); }
    // The messages queued since the last call, as readable text ("PM 2 3").
    std::vector<std::string> sent();

    RecordingGame game;
    OrvexMessageList outbox;
    Receiver receive{game};
};

// A message as text: its code letters, then each further byte in decimal.
std::string messageText(const MessageBytes& m);

// The clients of one game, one per seat; client i plays seat i + 1. Every
// message a client queues goes to each other client still in the game, as
// the server relays it.
class LockstepGroup {
public:
    // The board must already be in the program folder as the style's
    // default board, named by the option lastDefaultGame.
    LockstepGroup(uint32_t seedS, uint32_t seedT, int seats = 2);
    RecordingGame& client(int i) { return *iClients[static_cast<std::size_t>(i)]; }
    int seats() const { return static_cast<int>(iClients.size()); }
    // The client whose seat has the turn.
    RecordingGame& acting();
    // Delivers every message the clients queued to the others, one at a
    // time and only while the receiver runs no animation, then checks that
    // all clients still in the game agree on the board and the turn.
    // Returns the number delivered.
    int deliver();
    // The player of the seat leaves: what its client queued still goes out,
    // then the client is gone and every other client gets the server's LPD
    // for the seat; then all must agree again.
    void leave(int seat);
    bool present(int seat) const { return iPresent[static_cast<std::size_t>(seat - 1)]; }
    // A client still in the game (the first one).
    RecordingGame& anyPresent();
    const std::vector<std::string>& log() const { return iLog; }

private:
    void expectAgreement();

    std::vector<std::unique_ptr<RecordingGame>> iClients;
    std::vector<std::unique_ptr<Receiver>> iReceivers;
    std::vector<std::unique_ptr<OrvexMessageList>> iOutboxes;
    std::vector<bool> iPresent;
    std::vector<std::string> iLog;
};

}  // namespace board_test
