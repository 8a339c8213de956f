// The side panel of the main window, driven through the protocol's message
// catalogue as the server's messages reach it: lobby rows, the switch to
// the chat, players joining and quitting, the seat widgets and the turn line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "game/board/board.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"

using match_testing::MainWindowFixture;
using Texts = std::vector<std::string>;

namespace {

using SidePanel = MainWindowFixture;

MessageBytes LA(uint32_t a, uint32_t b, const char* name) { return lobbyRowMessage(a, b, name); }
MessageBytes LU(uint32_t a, uint32_t b, int flag) { return rowMarkMessage(a, b, flag); }
MessageBytes LR(uint32_t a, uint32_t b) { return rowRemoveMessage(a, b); }
MessageBytes LPA(const char* name) { return playerAddMessage(name); }
MessageBytes LPD(int seat) { return codeMessage("LPD", {seat}); }
MessageBytes LPB(int seat, int count) { return codeMessage("LPB", {seat, count}); }
MessageBytes PT(const char* text) { return chatMessage(1, text); }

std::string joined(const char* colour) { return std::string(colour) + " player joined the game.\n"; }

TEST_F(SidePanel, ServerMessagesChangeTheListAndTheSeatWidgets) {
    struct Case {
        const char* what;
        std::vector<MessageBytes> messages;
        Texts rows;                                  // column 0, first row first
        Texts keys;                                  // column 3 (lobby cases)
        std::vector<int> flags;                      // each row's flags byte (lobby cases)
        std::map<std::string, std::string> widgets;  // seat widgets and their texts
    };
    const Case cases[] = {
        {"LA adds a keyed row; the same ids again add nothing",
         {LA(7, 300, "Bob"), LA(7, 300, "Bob again")}, {"Bob"}, {"7 300"}, {0}, {}},
        {"LU marks a row", {LA(7, 300, "Bob"), LU(7, 300, 1)}, {"Bob"}, {"7 300"}, {2}, {}},
        {"LU with flag 0 clears the mark", {LA(7, 300, "Bob"), LU(7, 300, 1), LU(7, 300, 0)}, {"Bob"}, {}, {0}, {}},
        {"LU on a marked row leaves it marked", {LA(7, 300, "Bob"), LU(7, 300, 1), LU(7, 300, 5)}, {"Bob"}, {},
         {2}, {}},
        {"LU and LR for an unknown key change nothing",
         {LA(7, 300, "Bob"), LU(300, 7, 1), LR(7, 301)}, {"Bob"}, {}, {0}, {}},
        {"LR removes the row of its key", {LA(1, 2, "Ann"), LA(3, 4, "Ben"), LU(3, 4, 1), LR(1, 2)}, {"Ben"},
         {"3 4"}, {2}, {}},
        {"a chat line in the lobby is dropped", {LA(1, 2, "Ann"), PT("hello")}, {"Ann"}, {}, {}, {}},
        {"the first LPA turns the lobby into the chat",
         {LA(1, 2, "Ann"), LA(3, 4, "Ben"), LPA("Ann")}, {joined("Red")}, {}, {}, {{"red", "Ann"}}},
        {"LA, LU and LR during the chat change nothing",
         {LPA("Ann"), LA(7, 300, "Bob"), LU(7, 300, 1), LR(7, 300)}, {joined("Red")}, {}, {}, {}},
        {"a second LPA appends to the chat",
         {LPA("Ann"), LPA("Ben")}, {joined("Red"), joined("Green")}, {}, {}, {{"red", "Ann"}, {"green", "Ben"}}},
        {"the fifth joiner is an observer and changes no seat widget",
         {LPA("A"), LPA("B"), LPA("C"), LPA("D"), LPA("E")},
         {joined("Red"), joined("Green"), joined("Blue"), joined("Purple"), joined("Observer")}, {}, {},
         {{"red", "A"}, {"green", "B"}, {"blue", "C"}, {"purple", "D"}}},
        {"LPD of a seat that joined", {LPA("Ann"), LPA("Ben"), LPD(2)},
         {joined("Red"), joined("Green"), "Green player quit the game.\n"}, {}, {}, {{"green", "quit"}}},
        {"LPD of a seat beyond those who joined is ignored", {LPA("Ann"), LPA("Ben"), LPD(3), LPD(200)},
         {joined("Red"), joined("Green")}, {}, {}, {{"blue", " --- "}}},
        {"LPD in a game of two ends it: whoever stays wins",
         {LPA("Ann"), LPA("Ben"), LPB(1, 2), LPD(2)},
         {joined("Red"), joined("Green"), "Green player quit the game.\n", "GAME OVER - Red wins.\n"}, {}, {},
         {{"green", "quit"}}},
        {"LPD of the seat on turn in a game of three hands the turn on",
         {LPA("Ann"), LPA("Ben"), LPA("Cid"), LPB(2, 3), LPD(1)},
         {joined("Red"), joined("Green"), joined("Blue"), "Red player quit the game.\n"}, {}, {},
         {{"red", "quit"}, {"gameTime", " 00:00 Green 3"}}},
        {"LPD of seat 0 is announced by its name", {LPA("Ann"), LPD(0)},
         {joined("Red"), "System player quit the game.\n"}, {}, {}, {{"red", "Ann"}}},
        {"a chat text is shown as it came, never as a format",
         {LPA("Ann"), PT("%s%n 100%")}, {joined("Red"), "%s%n 100%"}, {}, {}, {}},
        {"LPC restarts the seat numbers but not the chat", {LPA("Ann"), LPA("Ben"), codeMessage("LPC"), LPA("Cid")},
         {joined("Red"), joined("Green"), joined("Red")}, {}, {}, {{"red", "Cid"}, {"green", "Ben"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        for (const MessageBytes& m : c.messages) receive(m);
        EXPECT_EQ(column(0), c.rows);
        if (!c.keys.empty()) {
            EXPECT_EQ(column(3), c.keys);
        }
        std::vector<int> flags;
        for (int i = 0; i < core->listCore()->rowCount(); ++i) flags.push_back(core->listCore()->getRowFlags(i));
        if (!c.flags.empty()) {
            EXPECT_EQ(flags, c.flags);
        }
        for (const auto& [widget, shown] : c.widgets) EXPECT_EQ(text(widget.c_str()), shown) << widget;
        EXPECT_TRUE(takeSent().empty());
        close();
    }
}

TEST_F(SidePanel, TheLobbyShowsPlayerAndHistoryAndTheChatOneColumnOnWhiteRows) {
    open();
    AdvancedListCore* list = core->listCore();
    ASSERT_EQ(list->columnCount(), 4);
    EXPECT_STREQ(list->columnTitle(0), "Player");
    EXPECT_STREQ(list->columnTitle(2), "History");
    EXPECT_EQ(list->columnWidth(1), 0.0);  // "path" and "ids" are not drawn
    EXPECT_EQ(list->columnWidth(2), 100.0);
    EXPECT_EQ(list->columnWidth(3), 0.0);
    EXPECT_EQ(list->columnWidth(0), list->listWidth() - 16 - 100);
    EXPECT_EQ(core->isLobbyMode(), 1);
    EXPECT_EQ(core->isInGame(), 0);
    receive(LA(7, 300, "Bob"));
    EXPECT_EQ(column(2), Texts{"---/---"});

    core->game().setCurrentPlayer(2);
    receive(LPA("Ann"));
    ASSERT_EQ(list->columnCount(), 1);
    EXPECT_STREQ(list->columnTitle(0), "Chat/Information");
    for (int slot : {0, 1}) EXPECT_EQ(list->colour(slot), (std::array<int, 3>{255, 255, 255})) << slot;
    EXPECT_EQ(list->colour(3), (std::array<int, 3>{204, 204, 204}));
    EXPECT_EQ(core->getCurrentPlayer(), 1);
    EXPECT_EQ(core->isLobbyMode(), 0);
    EXPECT_EQ(core->isInGame(), 1);
}

TEST_F(SidePanel, TheGameOverLineIsWrittenOnceBetweenTwoStartsOfTheChat) {
    open();
    core->gameOver(2);  // before the chat: the line is dropped, the flag is set
    receive(LPA("Ann"));
    core->gameOver(2);
    core->gameOver(2);
    EXPECT_EQ(column(0), (Texts{joined("Red"), "GAME OVER - Green wins.\n"}));
    close();
    open();
    receive(LPA("Ann"));
    core->gameOver(0);
    core->gameOver(1);
    EXPECT_EQ(column(0), (Texts{joined("Red"), "GAME OVER - There were no winners.\n"}));
}

TEST_F(SidePanel, SeatNamesFollowTheBoardStyle) {
    open();
    struct Case {
        const char* board;
        Texts labels;
        Texts names;  // seats 0 to 5
    } cases[] = {
        {"default.chk", {"Red: ", "White: ", "Observer: ", "Observer: "},
         {"System", "Red", "White", "Observer", "Observer", "Observer"}},
        {"default.oth", {"Black: ", "White: ", "Blue: ", "Purple: "},
         {"System", "Black", "White", "Blue", "Purple", "Observer"}},
        {"default.d2d", {"Observer: ", "Observer: ", "Observer: ", "Observer: "},
         {"Observer", "Observer", "Observer", "Observer", "Observer", "Observer"}},
        {"default.kv", {"Red: ", "Green: ", "Blue: ", "Purple: "},
         {"System", "Red", "Green", "Blue", "Purple", "Observer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.board);
        ASSERT_EQ(core->getBoard()->loadFile(c.board), 1);
        EXPECT_EQ((Texts{text("redLabel"), text("greenLabel"), text("blueLabel"), text("purpleLabel")}), c.labels);
        Texts names;
        for (int seat = 0; seat <= 5; ++seat) names.push_back(playerColourName(seat));
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(SidePanel, TheTurnLineNamesTheCurrentSeatAndItsMovesLeft) {
    open();
    ASSERT_EQ(core->getBoard()->loadFile("default.gkv"), 1);
    core->game().setCurrentPlayer(2);
    core->game().setTurnsLeft(3);
    core->showTurnStatus();
    EXPECT_EQ(text("gameTime"), " 00:00 Green 3");
}

}  // namespace
