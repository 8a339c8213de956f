// The other players' actions as they arrive from the network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "game/board/tests/game_support.h"
#include "game/protocol/codec.h"

using namespace board_test;

namespace {

const std::vector<std::string> kBoard = {
    "K020 .... .... .... ....",  //
    ".... .... .... .... ....",  //
    ".... .... M010 .... ....",  //
    "L210 .... .... .... X...",  //
    ".... .... .... .... K010",
};

class RemoteTest : public GameTest {
protected:
    // This client plays seat 2; seat 1 acts through messages.
    void SetUp() override { start("gkv", 5, 5, kBoard, 2); }
    void TearDown() override { debugLogResetForTests(); }

    void logErrors() {
        folder.write("test.env", "");
        debugLogResetForTests();
        debugLog("start\n");
    }
    std::string errors() {
        debugLogResetForTests();
        return folder.read("error.txt");
    }
};

}  // namespace

TEST_F(RemoteTest, SelectMoveUnselect) {
    EXPECT_TRUE(receive(boardMessage("PS", {3, 3})));
    EXPECT_EQ(3, board().getSelectedX());
    EXPECT_EQ(1, board().getSelectingPlayer());
    EXPECT_TRUE(receive(boardMessage("PM", {4, 4})));
    EXPECT_EQ(piece_class::kMirror, at(4, 4)->iClassName);
    EXPECT_EQ(1, game.getTurnsLeft());
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_TRUE(receive(boardMessage("PU")));
    EXPECT_TRUE(outbox.messages.empty());
}

TEST_F(RemoteTest, TurnsAreBookedLikeLocalOnes) {
    receive(boardMessage("PS", {3, 3}));
    EXPECT_TRUE(receive(boardMessage("PRR")));
    EXPECT_EQ(1, at(3, 3)->iDirection);
    EXPECT_EQ(1, game.isRotationPending());
    EXPECT_TRUE(receive(boardMessage("PRL")));
    EXPECT_EQ(0, at(3, 3)->iDirection);
    EXPECT_EQ(0, game.isRotationPending());  // turned back
    receive(boardMessage("PRL"));
    receive(boardMessage("PU"));
    EXPECT_EQ(2, game.getTurnsLeft());
    EXPECT_EQ(7, at(3, 3)->iDirection);
}

TEST_F(RemoteTest, AShotIsCompletedOnlyByItsShootersEnd) {
    receive(boardMessage("PS", {1, 4}));
    EXPECT_TRUE(receive(boardMessage("PFS")));
    EXPECT_EQ(1, game.isFirePending());
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_NE(0, board().iBeamEnds[1][4]);
    // This client's own shot timer or button must not end the other's shot.
    game.completeFireAndNotify();
    EXPECT_EQ(1, game.isFirePending());
    EXPECT_TRUE(outbox.messages.empty());
    EXPECT_TRUE(receive(boardMessage("PFE")));
    EXPECT_EQ(0, game.isFirePending());
    EXPECT_EQ(2, game.getTurnsLeft());
    EXPECT_EQ(0, board().iBeamEnds[1][4]);
    EXPECT_TRUE(outbox.messages.empty());
}

TEST_F(RemoteTest, AnEndFromElsewhereDoesNotCompleteOurShot) {
    receive(boardMessage("PQS", {1}));  // seat 1 passes: our turn
    ASSERT_EQ(2, game.getCurrentPlayer());
    game.clickSquare(1, 1);
    ASSERT_EQ(1, board().getSelectedX());
    // Seat 2's king cannot fire; give seat 2 a firing piece of its own.
    board().putPiece(std::make_unique<OrvexOrvex>(&board(), 2, 2, 2))->iDirection = 2;
    game.clickSquare(1, 1);
    game.clickSquare(2, 2);
    game.fireSelected();
    ASSERT_EQ(1, game.isFirePending());
    receive(boardMessage("PFE"));
    EXPECT_EQ(1, game.isFirePending());
    game.completeFireAndNotify();
    EXPECT_EQ(0, game.isFirePending());
    EXPECT_EQ((std::vector<std::string>{"PS 1 1", "PU", "PS 2 2", "PFS", "PFE"}), sent());
}

TEST_F(RemoteTest, PassOfTheCurrentSeatOnly) {
    EXPECT_TRUE(receive(boardMessage("PQS", {2})));  // not seat 2's turn
    EXPECT_EQ(1, game.getCurrentPlayer());
    EXPECT_EQ(3, game.getTurnsLeft());
    EXPECT_TRUE(receive(boardMessage("PQS", {1})));
    EXPECT_EQ(2, game.getCurrentPlayer());
    EXPECT_EQ(3, game.getTurnsLeft());
}

TEST_F(RemoteTest, InputOutsideTheBoardOrTheSeatsIsRefused) {
    logErrors();
    const std::string before = gameState(game);
    const MessageBytes cells[] = {boardMessage("PS", {200, 3}), boardMessage("PS", {3, 7}),
                                  boardMessage("PM", {255, 255})};
    for (const MessageBytes& m : cells) {
        EXPECT_TRUE(receive(m)) << messageText(m);
        EXPECT_EQ(before, gameState(game)) << messageText(m);
    }
    // The catalogue drops a pass of a seat outside 1..4 before the rules see
    // it; the rules refuse one that reaches them directly, too.
    for (int seat : {0, 5, 255}) {
        EXPECT_FALSE(receive(boardMessage("PQS", {seat}))) << seat;
        game.onRemotePass(seat);
        EXPECT_EQ(before, gameState(game)) << seat;
    }
    game.startGame(0, 2);
    game.startGame(1, 5);
    game.startGame(-1, 0);
    EXPECT_EQ(2, game.getMySeat());
    EXPECT_EQ(2, game.getPlayerCount());
    const std::string log = errors();
    EXPECT_NE(std::string::npos, log.find("ERROR: select for cell 200,3 off the board ignored"));
    EXPECT_NE(std::string::npos, log.find("ERROR: move for cell 255,255 off the board ignored"));
    EXPECT_NE(std::string::npos, log.find("ERROR: pass of seat 5 ignored"));
    EXPECT_NE(std::string::npos, log.find("ERROR: start of game with seat 1 of 5 ignored"));
}

TEST_F(RemoteTest, AMoveWithoutASelectionChangesNothing) {
    const std::string before = gameState(game);
    receive(boardMessage("PM", {3, 4}));
    receive(boardMessage("PRR"));
    receive(boardMessage("PFS"));
    EXPECT_EQ(before, gameState(game));
}

TEST_F(RemoteTest, AnIllegalReversiPlacementIsRefused) {
    start("oth", 4, 4, {".... .... .... ....", ".... C020 C010 ....", ".... C010 C020 ....", ".... .... .... ...."}, 2);
    const std::string before = gameState(game);
    receive(boardMessage("PS", {2, 2}));  // taken
    receive(boardMessage("PS", {1, 1}));  // closes nothing
    receive(boardMessage("PS", {0, 0}));  // the wall
    EXPECT_EQ(before, gameState(game));
    receive(boardMessage("PS", {2, 1}));
    game.settle();
    EXPECT_EQ(1, at(2, 2)->getPlayer());
    EXPECT_EQ(2, game.getCurrentPlayer());
}

TEST_F(RemoteTest, LobbyAndChatMessagesLeaveTheRulesAlone) {
    receive(boardMessage("PS", {3, 3}));
    const std::string before = gameState(game);
    EXPECT_TRUE(receive(chatMessage(2, "hi")));
    EXPECT_TRUE(receive(lobbyRowMessage(7, 300, "Al")));
    EXPECT_EQ(2, receive.panelCalls);
    EXPECT_EQ(before, gameState(game));
}

TEST_F(RemoteTest, LoadingDuringAnAnimationStartsClean) {
    receive(boardMessage("PS", {5, 5}));
    receive(boardMessage("PM", {5, 4}));  // into the hole
    ASSERT_EQ(1, game.getAnimSequence());
    receive(boardMessage("PS", {1, 4}));
    receive(boardMessage("PFS"));
    ASSERT_EQ(1, game.isFirePending());
    ASSERT_EQ(1, board().loadFile("default.gkv"));
    EXPECT_EQ(0, game.getAnimSequence());
    EXPECT_EQ(0, game.isFirePending());
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_EQ(0, game.isRotationPending());
    game.settle();
    EXPECT_EQ(piece_class::kKing, at(5, 5)->iClassName);

    // A jump sequence on a checkers board is void after a load, too.
    start("chk", 6, 6,
          {"C010 .... .... .... .... ....", ".... C020 .... .... .... ....", ".... .... .... .... .... ....",
           ".... .... .... C020 .... ....", ".... .... .... .... .... ....", ".... .... .... .... .... ...."},
          2);
    receive(boardMessage("PS", {1, 1}));
    receive(boardMessage("PM", {3, 3}));
    ASSERT_EQ(1, game.isMultiJump());
    ASSERT_EQ(1, board().loadFile("default.chk"));
    EXPECT_EQ(0, game.isMultiJump());
    EXPECT_EQ(-1, board().getSelectedX());
}
