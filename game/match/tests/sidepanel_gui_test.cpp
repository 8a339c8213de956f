// The side panel of the main window, driven through the protocol's message
// catalogue as the server's messages reach it: lobby rows, the switch to
// the chat, players joining and quitting, the seat widgets and the turn line.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "platform/ui/controls.h"
#include "platform/ui/pixels.h"
#include "testing/window_support.h"

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
    // clang-format off
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
    // clang-format on
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
        // clang-format off
    } cases[] = {
        {"default.chk", {"Red: ", "White: ", "Observer: ", "Observer: "},
         {"System", "Red", "White", "Observer", "Observer", "Observer"}},
        {"default.oth", {"Black: ", "White: ", "Observer: ", "Observer: "},
         {"System", "Black", "White", "Observer", "Observer", "Observer"}},
        {"default.d2d", {"Observer: ", "Observer: ", "Observer: ", "Observer: "},
         {"Observer", "Observer", "Observer", "Observer", "Observer", "Observer"}},
        {"default.kv", {"Red: ", "Green: ", "Blue: ", "Purple: "},
         {"System", "Red", "Green", "Blue", "Purple", "Observer"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.board);
        ASSERT_EQ(core->getBoard()->loadFile(c.board), 1);
        EXPECT_EQ((Texts{text("redLabel"), text("greenLabel"), text("blueLabel"), text("purpleLabel")}), c.labels);
        Texts names;
        for (int seat = 0; seat <= 5; ++seat) names.push_back(playerColourName(seat));
        EXPECT_EQ(names, c.names);
    }
}

// Reversi and checkers are games of two. Seats a server tells beyond two
// are observers: named so in the seat labels and the chat, counted under
// "Observers:" while they stay, never on turn; when one of the two players
// leaves, the other wins.
TEST_F(SidePanel, SeatsBeyondTwoInReversiAndCheckersAreObservers) {
    struct Case {
        const char* board;
        const char* first;
        const char* second;
    } cases[] = {{"default.chk", "Red", "White"}, {"default.oth", "Black", "White"}};
    const char* const names[] = {"Ann", "Ben", "Cid", "Dan"};
    for (const Case& c : cases)
        for (int seats : {3, 4}) {
            SCOPED_TRACE(std::string(c.board) + ", " + std::to_string(seats) + " seats");
            open();
            moveSelectionAside();
            // The selection window loaded the style's board; the game starts on it.
            setStringOption("lastDefaultGame", c.board);
            ASSERT_EQ(core->getBoard()->loadFile(c.board), 1);
            receive(codeMessage("LPC"));
            for (int i = 0; i < seats; ++i) receive(LPA(names[i]));
            receive(LPB(1, seats));
            Texts chat = {joined(c.first), joined(c.second)};
            for (int i = 2; i < seats; ++i) chat.push_back(joined("Observer"));
            EXPECT_EQ(column(0), chat);
            EXPECT_EQ(text("blueLabel"), "Observer: ");
            EXPECT_EQ(text("blue"), "Cid");
            EXPECT_EQ(text("observers"), " " + std::to_string(seats - 2));
            pump();
            match_testing::screenshot(("observers_" + std::string(c.board + 8) + std::to_string(seats)).c_str());

            // The turn goes between the two players only.
            const std::string firstTurn = std::string(" 00:00 ") + c.first + " 1";
            const std::string secondTurn = std::string(" 00:00 ") + c.second + " 1";
            core->setValue("pass", nullptr);
            EXPECT_EQ(text("gameTime"), secondTurn);
            receive(codeMessage("PQS", {2}));
            EXPECT_EQ(text("gameTime"), firstTurn);
            receive(codeMessage("PQS", {3}));  // not an observer's to pass
            EXPECT_EQ(text("gameTime"), firstTurn);

            // An observer leaves: the game goes on.
            receive(LPD(3));
            chat.push_back("Observer player quit the game.\n");
            EXPECT_EQ(column(0), chat);
            EXPECT_EQ(text("observers"), " " + std::to_string(seats - 3));
            EXPECT_EQ(core->getBoard()->iGameOver, 0);

            // The second player leaves: the first wins.
            receive(LPD(2));
            chat.push_back(std::string(c.second) + " player quit the game.\n");
            chat.push_back(std::string("GAME OVER - ") + c.first + " wins.\n");
            EXPECT_EQ(column(0), chat);
            EXPECT_EQ(core->getWinner(), 1);

            core->setValue("quit", nullptr);
            EXPECT_EQ(text("observers"), " 0");
            close();
        }
}

// The rightmost pixel column, counted from the area's left edge, in which
// the area holds text (dark pixels); -1 when none.
int rightmostInk(const std::vector<uint8_t>& rgb, int width, int height) {
    for (int x = width - 1; x >= 0; --x)
        for (int y = 0; y < height; ++y) {
            const uint8_t* p = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
            if (p[0] < 110 && p[1] < 110 && p[2] < 110) return x;
        }
    return -1;
}

// Every seat name of every style, with the moves of a turn, is drawn whole
// in the turn line: the text fits its label, and the ink on the screen ends
// where the whole text ends (a cut-off text ends short of it).
TEST_F(SidePanel, TheTurnLineShowsEverySeatNameOfEveryStyleWhole) {
    open();
    moveSelectionAside();
    receive(LPA("Guest"));
    receive(LPB(1, 2));
    const platform::ui::Rect r = core->canvas()->getControl("gameTime")->rect();
    const int room = r.w + 2;  // the label and the margin its repaint covers
    for (const char* board : {"default.kv", "default.gkv", "default.oth", "default.chk", "default.d2d"}) {
        ASSERT_EQ(core->getBoard()->loadFile(board), 1);
        for (int seat = 1; seat <= 4; ++seat) {
            core->game().setCurrentPlayer(seat);
            core->showTurnStatus();
            const std::string line = text("gameTime");
            SCOPED_TRACE(std::string(board) + ": \"" + line + "\"");
            const int width = platform::ui::textMeasurer().textWidth(line.c_str(), {"Arial", 8});
            EXPECT_LE(width + 6, r.w) << "the text and the label's margins of 3 pixels";
            const std::vector<uint8_t> shown =
                platform::ui::readWindowPixels(core->canvas()->platformCanvas(), r.x, r.y, room, r.h);
            ASSERT_EQ(shown.size(), static_cast<std::size_t>(room * r.h * 3));
            EXPECT_NEAR(rightmostInk(shown, room, r.h), 3 + width - 1, 2);
            match_testing::screenshot(("turn_line_" + std::string(board + 8) + "_seat" + std::to_string(seat)).c_str());
        }
    }
}

// The grey of a seat name label as shown (at its right end, clear of the
// text): 242 for the seat whose turn it is, 200 for the others.
int shownGrey(OrvexMainCore* core, const char* widget) {
    const platform::ui::Rect r = core->canvas()->getControl(widget)->rect();
    const std::vector<uint8_t> px =
        platform::ui::readWindowPixels(core->canvas()->platformCanvas(), r.x + r.w - 4, r.y + r.h / 2, 1, 1);
    return px.size() == 3 ? px[0] : -1;
}

// The seat name of `seat` is the lit one, the others dimmed (seat 0: none
// lit), as set and as shown.
void expectLit(OrvexMainCore* core, int seat) {
    const char* const names[] = {"red", "green", "blue", "purple"};
    for (int s = 1; s <= 4; ++s) {
        const int grey = s == seat ? 242 : 200;
        EXPECT_EQ(core->canvas()->getControl(names[s - 1])->background(), (platform::ui::Rgb{grey, grey, grey}))
            << names[s - 1];
        EXPECT_NEAR(shownGrey(core, names[s - 1]), grey, 3) << names[s - 1] << " on the screen";
    }
}

// From the start of every game, in every style and in each game after a
// first that ended on another seat's turn, the turn line names seat 1 with
// a whole turn's moves and seat 1's name is the lit one.
TEST_F(SidePanel, TheTurnIsShownFromTheStartOfEveryGame) {
    open();
    moveSelectionAside();
    auto expectLit = [&](int seat) { ::expectLit(core, seat); };
    struct Case {
        const char* board;
        const char* atStart;
        const char* afterPass;
    } cases[] = {
        {"default.kv", " 00:00 Red 2", " 00:00 Green 2"},
        {"default.gkv", " 00:00 Red 3", " 00:00 Green 3"},
        {"default.oth", " 00:00 Black 1", " 00:00 White 1"},
        {"default.chk", " 00:00 Red 1", " 00:00 White 1"},
    };
    for (const Case& c : cases) {  // one game after the other
        SCOPED_TRACE(c.board);
        setStringOption("lastDefaultGame", c.board);
        receive(codeMessage("LPC"));  // a game starts as the server starts it
        receive(LPA("Guest"));
        receive(LPA("Ann"));
        receive(codeMessage("LPB", {1, 2}));
        pump();
        EXPECT_EQ(text("gameTime"), c.atStart);
        expectLit(1);
        match_testing::screenshot(("game_start_" + std::string(c.board + 8)).c_str());
        // Seat 1 passes; the game ends on seat 2's turn.
        core->setValue("pass", nullptr);
        pump();
        EXPECT_EQ(text("gameTime"), c.afterPass);
        expectLit(2);
        core->setValue("quit", nullptr);
        ASSERT_EQ(core->isLobbyMode(), 1);
    }
}

// Once a game is over or left, no seat is to move: the turn line names no
// seat and no seat name is lit, before any game, at the table after the
// game's end, after Quit and after a lost connection, and so it stays
// whatever comes after (a pass, a late message of the old game, the lobby).
TEST_F(SidePanel, NoSeatIsToMoveOnceTheGameIsOverOrLeft) {
    const OrvexLinkChange up1{true, 1, "127.0.0.1:2005"}, down{false, 1, "127.0.0.1:2005"},
        up2{true, 2, "127.0.0.1:2005"};
    struct Case {
        const char* what;
        bool inGame;  // a game of two first, seat 1 to move
        std::function<void(SidePanel&)> end;
        const char* lobbyOrChat;  // the side list's first column afterwards
    };
    auto quit = [](SidePanel& f) { f.core->setValue("quit", nullptr); };
    auto over = [](SidePanel& f) { f.receive(LPD(2)); };  // Ann wins
    // clang-format off
    const Case cases[] = {
        {"before any game", false, nullptr, "Player"},
        {"over, on the winner's turn", true, over, "Chat/Information"},
        {"over, and the winner passes", true,
         [&](SidePanel& f) { over(f); f.core->setValue("pass", nullptr); }, "Chat/Information"},
        {"over, then Quit", true, [&](SidePanel& f) { over(f); quit(f); }, "Player"},
        {"Quit", true, quit, "Player"},
        {"Quit, and a late pass of the old game", true,
         [&](SidePanel& f) { quit(f); f.receive(codeMessage("PQS", {1})); }, "Player"},
        {"a lost connection", true,
         [&](SidePanel& f) {
             f.core->messageHandler().connectionChanged(up1);
             f.core->messageHandler().connectionChanged(down);
         }, "Chat/Information"},
        {"a lost connection and a new one", true,
         [&](SidePanel& f) {
             for (const OrvexLinkChange& c : {up1, down, up2}) f.core->messageHandler().connectionChanged(c);
         }, "Player"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        moveSelectionAside();
        if (c.inGame) {
            receive(LPA("Ann"));
            receive(LPA("Ben"));
            receive(LPB(1, 2));
            pump();
            ASSERT_EQ(text("gameTime"), " 00:00 Red 3");
            expectLit(core, 1);
        }
        if (c.end) c.end(*this);
        pump();
        EXPECT_EQ(text("gameTime"), " 00:00");
        expectLit(core, 0);
        EXPECT_STREQ(core->listCore()->columnTitle(0), c.lobbyOrChat);
        if (std::string(c.what) == "over, then Quit") match_testing::screenshot("side_panel_lobby_after_game");
        close();
    }
}

// The dark pixels of the text of side-list row r, counted from the first
// row in view, as shown.
int rowInk(AdvancedListCore* list, int r) {
    const int w = list->listWidth() - AdvancedListCore::kScrollBarWidth - 2;
    const std::vector<uint8_t> px = platform::ui::readWindowPixels(list->canvas()->platformCanvas(), 1,
                                                                   AdvancedListCore::kRowHeight * (r + 1) + 1, w, 14);
    int n = 0;
    for (std::size_t i = 0; i + 2 < px.size(); i += 3) n += px[i] < 110 && px[i + 1] < 110 && px[i + 2] < 110;
    return n;
}

// Forty chat lines: each line is in view when it arrives, the newest the
// lowest row shown; a view the player scrolled up with the scroll bar
// comes back down when the next line arrives. The lobby still goes back
// to its first row whenever a row arrives.
TEST_F(SidePanel, TheNewestChatLineStaysInView) {
    open();
    moveSelectionAside();
    AdvancedListCore* list = core->listCore();
    const int inView = list->listHeight() / AdvancedListCore::kRowHeight - 1;

    for (uint32_t n = 1; n <= 40; ++n) receive(LA(n, n, ("player " + std::to_string(n)).c_str()));
    list->setIntValue("scrollBar", 5);
    receive(LA(41, 41, "player 41"));
    EXPECT_EQ(list->firstVisibleRow(), 0);

    receive(LPA("Ann"));
    for (int n = 1; n <= 40; ++n) {
        // The last line is one a screen tells apart: a row full of ink.
        const std::string line = n == 40 ? std::string(60, 'W') : "line " + std::to_string(n);
        receive(PT(line.c_str()));
        const int newest = list->rowCount() - 1;
        EXPECT_LE(list->firstVisibleRow(), newest) << "line " << n;
        EXPECT_GE(list->firstVisibleRow() + inView - 1, newest) << "line " << n << " is out of view";
    }
    ASSERT_GT(list->rowCount(), inView) << "the chat must outgrow the list";
    EXPECT_EQ(list->firstVisibleRow(), list->rowCount() - inView);
    pump(0.1);
    EXPECT_GT(rowInk(list, inView - 1), 2 * rowInk(list, inView - 2)) << "the newest line is not the lowest shown";
    match_testing::screenshot("chat_after_40_lines");

    // Three clicks on the scroll bar's upper arrow, then a line arrives.
    const std::string window = match_testing::windowByTitle(core->frame()->title());
    const int arrowX = core->canvas()->x() + list->canvas()->x() + list->listWidth() - 8;
    const int arrowY = core->canvas()->y() + list->canvas()->y() + 6;
    for (int i = 0; i < 3; ++i) match_testing::clickAt(window, arrowX, arrowY);
    const int end = list->rowCount() - inView;
    ASSERT_TRUE(testing_support::waitFor([&] { return list->firstVisibleRow() < end; }, 10)) << "no scrolling up";
    pump(0.2);
    EXPECT_LT(list->firstVisibleRow(), end);
    receive(PT("line 41"));
    EXPECT_EQ(list->firstVisibleRow(), list->rowCount() - inView);
    pump(0.1);
    EXPECT_GT(rowInk(list, inView - 1), 0);
}

TEST_F(SidePanel, TheTurnLineNamesTheCurrentSeatAndItsMovesLeft) {
    open();
    receive(LPA("Guest"));
    receive(LPB(1, 2));
    ASSERT_EQ(core->getBoard()->loadFile("default.gkv"), 1);
    core->game().setCurrentPlayer(2);
    core->game().setTurnsLeft(3);
    core->showTurnStatus();
    EXPECT_EQ(text("gameTime"), " 00:00 Green 3");
}

}  // namespace
