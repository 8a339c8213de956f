#pragma once
// OrvexGameDispatch: the handler of server messages for one game: the other
// players' board actions, the pass, the seeds and the start go to the rules
// of play (OrvexGame, which checks cells and seats against its board), the
// lobby, player-list and chat messages to a side panel.
#include "game/board/game.h"
#include "game/protocol/handler.h"

class OrvexGameDispatch : public OrvexMessageHandler {
public:
    OrvexGameDispatch(OrvexGame& game, OrvexSidePanel& panel) : game_(game), panel_(panel) {}

    void onRemoteSelect(int x, int y) override { game_.onRemoteSelect(x, y); }
    void handleRemoteMove(int x, int y) override { game_.handleRemoteMove(x, y); }
    void unselectPiece() override { game_.unselectPiece(); }
    void onRemoteRotate(bool left) override { game_.onRemoteRotate(left); }
    void onRemoteFire() override { game_.onRemoteFire(); }
    void onRemoteFireEnd() override { game_.onRemoteFireEnd(); }
    void onRemotePass(int seat) override { game_.onRemotePass(seat); }
    void setRandomSeeds(uint32_t s, uint32_t t) override;
    void startGame(int seat, int count) override { game_.startGame(seat, count); }
    int animationsRunning() override { return game_.getAnimSequence(); }

    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) override {
        panel_.addNewPlayer(id1, id2, text, history);
    }
    void markListRow(uint32_t id1, uint32_t id2) override { panel_.markListRow(id1, id2); }
    void unmarkListRow(uint32_t id1, uint32_t id2) override { panel_.unmarkListRow(id1, id2); }
    void removeListRow(uint32_t id1, uint32_t id2) override { panel_.removeListRow(id1, id2); }
    void clearPlayers() override { panel_.clearPlayers(); }
    void initChatList() override { panel_.initChatList(); }
    void playerJoined(const char* name) override { panel_.playerJoined(name); }
    // The panel announces the leaver first, then the rules take its seat
    // out (which may end the game).
    void onPlayerQuit(int seat) override {
        panel_.onPlayerQuit(seat);
        game_.seatLeft(seat);
    }
    void addChatLine(const char* text) override { panel_.addChatLine(text); }
    void connectionChanged(const OrvexLinkChange& change) override { panel_.connectionChanged(change); }

private:
    OrvexGame& game_;
    OrvexSidePanel& panel_;
};
