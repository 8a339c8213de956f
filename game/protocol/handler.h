#pragma once
// Where recognised server messages go: the other players' board actions
// (the rules of play), the seeds and the game start, and the lobby,
// player-list and chat operations of the side panel. The main game core
// implements them (OrvexGameDispatch joins the rules and a side panel);
// tests record the calls. Every call runs on the GUI thread, one message at
// a time, and only while animationsRunning() is 0. Texts passed in live
// only for the call.
#include <cstdint>
#include <string>

// A change of the connection to the game server, as the protocol core saw
// it; it reaches the handler in stream order with the messages (after every
// message of the connection that went, before any of the one that came).
struct OrvexLinkChange {
    // A connection was just made (or, with `answered`, has lasted); false:
    // there is none (an established one was lost, or the first attempt to
    // make one failed). Attempts that fail while there is none already are
    // not reported again.
    bool up = false;
    // Connections this protocol core has made so far, the new one included.
    int connections = 0;
    // The server, "host:port".
    std::string server;
    // With `up`: the server has sent its first whole message on this
    // connection, so it did not close at once. Told once per connection,
    // just before that message.
    bool answered = false;
    // Established connections lost so far (a failed first attempt is none).
    int losses = 0;
};

// The side panel's operations that server messages reach: lobby rows (LA,
// LU, LR), the players of a game (LPC, LPA, LPD) and chat (PT).
class OrvexSidePanel {
public:
    virtual ~OrvexSidePanel() = default;
    virtual void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) = 0;
    virtual void markListRow(uint32_t id1, uint32_t id2) = 0;
    virtual void unmarkListRow(uint32_t id1, uint32_t id2) = 0;
    virtual void removeListRow(uint32_t id1, uint32_t id2) = 0;
    virtual void clearPlayers() = 0;
    virtual void initChatList() = 0;
    virtual void playerJoined(const char* name) = 0;
    virtual void onPlayerQuit(int seat) = 0;
    virtual void addChatLine(const char* text) = 0;
    // The connection came or went; a panel that shows it, or has to log in
    // again on a new connection, acts on it.
    virtual void connectionChanged(const OrvexLinkChange&) {}
};

class OrvexMessageHandler : public OrvexSidePanel {
public:
    // Board actions of the other players (PS, PM, PU, PRR, PRL, PFS, PFE).
    virtual void onRemoteSelect(int x, int y) = 0;
    virtual void handleRemoteMove(int x, int y) = 0;
    virtual void unselectPiece() = 0;
    // PRR turns the selected piece right, PRL left.
    virtual void onRemoteRotate(bool left) = 0;
    virtual void onRemoteFire() = 0;
    virtual void onRemoteFireEnd() = 0;
    // PQS: the seat (1 to 4) that passes; the rules pass the turn only when
    // it is that seat's turn.
    virtual void onRemotePass(int seat) = 0;

    // PZ and LPB.
    virtual void setRandomSeeds(uint32_t s, uint32_t t) = 0;
    virtual void startGame(int seat, int count) = 0;

    // The number of piece animations running; messages wait while it is
    // not 0, so every client replays them in the same state.
    virtual int animationsRunning() { return 0; }
};
