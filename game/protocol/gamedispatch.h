#pragma once
// OrvexGameDispatch: the handler of server messages for one game: the other
// players' board actions, the pass, the seeds and the start go to the rules
// of play (OrvexGame, which checks cells and seats against its board), the
// lobby, player-list and chat messages to a side panel.
#include "game/board/game.h"
#include "game/protocol/handler.h"

class OrvexGameDispatch : public OrvexMessageHandler {
public:
    OrvexGameDispatch(OrvexGame& game, OrvexSidePanel& panel) : iGame(game), iPanel(panel) {}

    void onRemoteSelect(int x, int y) override { iGame.onRemoteSelect(x, y); }
    void handleRemoteMove(int x, int y) override { iGame.handleRemoteMove(x, y); }
    void unselectPiece() override { iGame.unselectPiece(); }
    void onRemoteRotate(bool left) override { iGame.onRemoteRotate(left); }
    void onRemoteFire() override { iGame.onRemoteFire(); }
    void onRemoteFireEnd() override { iGame.onRemoteFireEnd(); }
    void onRemotePass(int seat) override { iGame.onRemotePass(seat); }
    void setRandomSeeds(uint32_t s, uint32_t t) override;
    void startGame(int seat, int count) override { iGame.startGame(seat, count); }
    int animationsRunning() override { return iGame.getAnimSequence(); }

    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) override {
        iPanel.addNewPlayer(id1, id2, text, history);
    }
    void markListRow(uint32_t id1, uint32_t id2) override { iPanel.markListRow(id1, id2); }
    void unmarkListRow(uint32_t id1, uint32_t id2) override { iPanel.unmarkListRow(id1, id2); }
    void removeListRow(uint32_t id1, uint32_t id2) override { iPanel.removeListRow(id1, id2); }
    void clearPlayers() override { iPanel.clearPlayers(); }
    void initChatList() override { iPanel.initChatList(); }
    void playerJoined(const char* name) override { iPanel.playerJoined(name); }
    // The panel announces the leaver first, then the rules take its seat
    // out (which may end the game).
    void onPlayerQuit(int seat) override {
        iPanel.onPlayerQuit(seat);
        iGame.seatLeft(seat);
    }
    void addChatLine(const char* text) override { iPanel.addChatLine(text); }
    void connectionChanged(const OrvexLinkChange& change) override { iPanel.connectionChanged(change); }

private:
    OrvexGame& iGame;
    OrvexSidePanel& iPanel;
};
