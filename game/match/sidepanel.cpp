// The main window's side panel: the seat labels and names, the turn line,
// and the side list, which is either the lobby of the game server (rows
// keyed by the server's two numbers) or the chat of one game (one row per
// line, with the program's own announcements). Lobby messages act only in
// the lobby, chat lines only in a game.
#include <cstdio>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/util/bounded.h"
#include "framework/util/vector.h"
#include "game/board/board.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "platform/os/contract.h"

namespace {

// The hidden fourth cell of a lobby row.
constexpr int kKeyColumn = 3;

std::string rowKey(uint32_t id1, uint32_t id2) {
    char key[32];
    std::snprintf(key, sizeof key, "%u %u", id1, id2);
    return key;
}

std::string seatLine(const char* format, int seat) {
    char line[96];
    std::snprintf(line, sizeof line, format, playerColourName(seat));
    return line;
}

}  // namespace

const char* playerColourName(int seat) {
    static const char* const beam[] = {"System", "Red", "Green", "Blue", "Purple"};
    // Reversi and checkers are games of two: a further seat only watches.
    static const char* const reversi[] = {"System", "Black", "White", "Observer", "Observer"};
    static const char* const checkers[] = {"System", "Red", "White", "Observer", "Observer"};
    if (seat < 0 || seat > 4) return "Observer";
    const OrvexBoard* board = orvexMainCore ? orvexMainCore->getBoard() : nullptr;
    if (!board || board->isOrvexStyle()) return beam[seat];
    if (board->isOthStyle()) return reversi[seat];
    if (board->isChkStyle()) return checkers[seat];
    return "Observer";
}

// ---------------------------------------------------------------- seats and turn

void OrvexMainCore::resetPlayerLabels() {
    if (!iCanvas) return;
    for (int seat = 1; seat <= 4; ++seat)
        iCanvas->setValue(kSeatLabelWidgets[seat - 1], seatLine("%s: ", seat).c_str());
}

bool OrvexMainCore::turnShown() const {
    const OrvexBoard* board = getBoard();
    return iInGame && getMySeat() != -1 && board && !board->iGameOver;
}

void OrvexMainCore::showTurnStatus() {
    char text[96] = " 00:00";
    if (turnShown())
        std::snprintf(text, sizeof text, " 00:00 %s %d", playerColourName(getCurrentPlayer()), getTurnsLeft());
    debugPrintfS("st=%s\n", text);
    if (iCanvas) iCanvas->setValue("gameTime", text);
}

void OrvexMainCore::onSeatLabelBackground(int seat, int r, int g, int b) {
    // The turn passes only between the validated seats of the game.
    VURN_ASSERT(seat >= 1 && seat <= 4);
    if (!turnShown()) r = g = b = 200;  // no seat is lit
    if (iCanvas) iCanvas->setBackgroundColorRGB(kSeatNameWidgets[seat - 1], r, g, b);
}

// ---------------------------------------------------------------- the list

void OrvexMainCore::repaintList() {
    if (iList && iList->canvas()) iList->canvas()->platformCanvas()->repaint(false);
}

void OrvexMainCore::removeAllRows() {
    while (iList->getActiveList() > 0) iList->removeRow(iList->getActiveList() - 1);
}

void OrvexMainCore::appendListRow(const char* text, const char* history, const char* key) {
    const int row = iList->rowCount();
    iList->setCell(row, 0, text);
    iList->setCell(row, 1, "");
    iList->setCell(row, 2, history);
    iList->setCell(row, kKeyColumn, key);
    iList->setRowCount(row + 1);
    iList->setItemCount(iList->itemCount() + 1);
}

void OrvexMainCore::initPlayerList() {
    if (iLobbyMode || !iList) return;
    removeAllRows();
    iList->clearColumns();
    iList->setDefaultColors();
    iList->addColumn("Player", 0, 1.0);
    iList->addColumn("path", 0, 0.0);
    iList->addColumn("History", 100, 0.0);
    iList->addColumn("ids", 0, 0.0);
    iList->computeColumnWidths();
    iLobbyMode = 1;
    iInGame = 0;
}

void OrvexMainCore::initChatList() {
    if (iInGame || !iList) return;
    removeAllRows();
    iList->clearColumns();
    iList->setColor(255, 255, 255);
    iList->setColorTriple(255, 255, 255);
    iList->addColumn("Chat/Information", 0, 1.0);
    iList->computeColumnWidths();
    iLobbyMode = 0;
    iInGame = 1;
    iGameOverAnnounced = 0;
    // A board loaded in the lobby was one to look at: the game is played on
    // the start board of its style, whose seat names announce the players.
    if (OrvexBoard* board = getBoard()) board->loadStartBoard();
    iGame->setCurrentPlayer(1);
    iGame->showTurn();
    checkGameOver();
}

void OrvexMainCore::addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) {
    if (!iLobbyMode || !iList) return;
    const std::string key = rowKey(id1, id2);
    debugPrintfS("lmc::anp %s\n", key.c_str());
    for (int i = 0; i < iList->rowCount(); ++i)
        if (key == orEmpty(iList->cellText(i, kKeyColumn))) return;  // keys stay unique
    appendListRow(text, history, key.c_str());
    repaintList();
    iList->updateScrollBar(1);
}

void OrvexMainCore::markListRow(uint32_t id1, uint32_t id2) {
    if (!iLobbyMode || !iList) return;
    const std::string key = rowKey(id1, id2);
    for (int i = 0; i < iList->rowCount(); ++i) {
        const char* k = orEmpty(iList->cellText(i, kKeyColumn));
        debugPrintfSS("cmd %s %s\n", k, key.c_str());
        RowItem* r = iList->row(i);
        if (key == k && r && !(r->flags & 2)) {
            r->flags = 2;
            break;
        }
    }
    repaintList();
}

void OrvexMainCore::unmarkListRow(uint32_t id1, uint32_t id2) {
    if (!iLobbyMode || !iList) return;
    const std::string key = rowKey(id1, id2);
    for (int i = 0; i < iList->rowCount(); ++i) {
        RowItem* r = iList->row(i);
        if (key == orEmpty(iList->cellText(i, kKeyColumn)) && r && (r->flags & 2)) {
            r->flags = 0;
            break;
        }
    }
    repaintList();
}

void OrvexMainCore::removeListRow(uint32_t id1, uint32_t id2) {
    if (!iLobbyMode || !iList) return;
    const std::string key = rowKey(id1, id2);
    for (int i = 0; i < iList->rowCount(); ++i) {
        const char* k = orEmpty(iList->cellText(i, kKeyColumn));
        debugPrintfSS("cmd remove %s %s\n", k, key.c_str());
        if (key == k) {
            iList->removeRow(i);
            break;
        }
    }
    repaintList();
}

void OrvexMainCore::addChatLine(const char* text) {
    if (!iInGame || !iList) return;  // no chat outside a game
    const std::string line = text ? text : "";
    debugPrintfS(line.empty() || line.back() != '\n' ? "chat %s\n" : "chat %s", line.c_str());
    appendListRow(text, "", "");
    // The newest line stays in view (the lobby goes back to its first row).
    iList->scrollToLastRow();
    repaintList();
}

// ---------------------------------------------------------------- players of a game

void OrvexMainCore::clearPlayers() {
    iPlayers = std::make_unique<Vector>();
    setObservers(0);
}

bool OrvexMainCore::isObserverSeat(int seat) const {
    // The seats join before the game starts: the style of the board the
    // player chose tells how many of them play.
    const OrvexBoard* board = getBoard();
    return seat > (board ? board->playingSeats() : 4);
}

void OrvexMainCore::setObservers(int count) {
    iObservers = count;
    debugPrintfI("observers %d\n", count);
    char text[16];
    std::snprintf(text, sizeof text, " %d", count);
    if (iCanvas) iCanvas->setValue("observers", text);
}

void OrvexMainCore::playerJoined(const char* name) {
    iPlayers->addCopy(name);
    const int n = iPlayers->size();
    if (n >= 1 && n <= 4 && iCanvas) iCanvas->setValue(kSeatNameWidgets[n - 1], orEmpty(name));
    if (isObserverSeat(n)) setObservers(iObservers + 1);
    addChatLine(seatLine("%s player joined the game.\n", n).c_str());
}

void OrvexMainCore::onPlayerQuit(int seat) {
    if (seat < 0 || seat > iPlayers->size()) return;
    if (seat >= 1 && seat <= 4 && iCanvas) iCanvas->setValue(kSeatNameWidgets[seat - 1], "quit");
    // A second word of the same leave changes nothing.
    if (seat >= 1 && isObserverSeat(seat) && !iGame->hasLeft(seat) && iObservers > 0) setObservers(iObservers - 1);
    addChatLine(seatLine("%s player quit the game.\n", seat).c_str());
}

void OrvexMainCore::gameOver(int winner) {
    if (iGameOverAnnounced) return;
    iGameOverAnnounced = 1;
    addChatLine(winner == 0 ? "GAME OVER - There were no winners.\n"
                            : seatLine("GAME OVER - %s wins.\n", winner).c_str());
}
