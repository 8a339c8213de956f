#include "game/board/tests/game_support.h"

#include <cstdio>
#include <sstream>

#include "game/protocol/catalogue.h"

namespace board_test {

std::string gameState(const OrvexGame& game) {
    const OrvexBoard& b = *game.getBoard();
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "current %d moves %d anim %d in %d%d%d%d over %d winner %d selected %d,%d by %d "
                  "rotation %d saved %d fire %d jump %d random %08x %08x\n",
                  game.getCurrentPlayer(), game.getTurnsLeft(), game.getAnimSequence(), game.isPlayerIn(1),
                  game.isPlayerIn(2), game.isPlayerIn(3), game.isPlayerIn(4), b.iGameOver, game.getWinner(),
                  b.getSelectedX(), b.getSelectedY(), b.getSelectingPlayer(), game.isRotationPending(),
                  game.isRotationPending() ? game.getSavedDirection() : -1, game.isFirePending(), game.isMultiJump(),
                  b.random().s(), b.random().t());
    std::string out = buf;
    out += picture(b);
    for (int y = 0; y < b.getHeight(); ++y)
        for (int x = 0; x < b.getWidth(); ++x)
            if (b.iBeamEnds[x][y] || b.iBeamPasses[x][y]) {
                std::snprintf(buf, sizeof buf, "beam %d,%d %02x %x\n", x, y, b.iBeamEnds[x][y], b.iBeamPasses[x][y]);
                out += buf;
            }
    return out;
}

bool Receiver::operator()(const MessageBytes& m) {
    return dispatchMessage(m.data(), static_cast<int>(m.size()), dispatch_);
}

bool Receiver::head(const MessageBytes& bytes) {
    const OrvexSplitResult r = splitMessage(bytes.data(), static_cast<int>(bytes.size()), kFromServer);
    return r.status == OrvexSplit::Whole && dispatchMessage(bytes.data(), r.length, dispatch_);
}

void perform(RecordingGame& game, const std::string& action) {
    std::istringstream in(action);
    std::string op;
    in >> op;
    if (op == "c") {
        int x = 0, y = 0;
        in >> x >> y;
        game.clickSquare(x, y);
    } else if (op == "r" || op == "l") {
        game.rotateSelectedPiece(op == "l");
    } else if (op == "f") {
        game.fireSelected();
    } else if (op == "e") {
        game.completeFireAndNotify();
    } else if (op == "p") {
        game.passCommand();
    } else {
        ADD_FAILURE() << "unknown action " << action;
    }
}

std::string messageText(const MessageBytes& m) {
    std::string out;
    std::size_t i = 0;
    while (i < m.size() && m[i] >= 'A' && m[i] <= 'Z' && i < 3) out += static_cast<char>(m[i++]);
    for (; i < m.size(); ++i) out += " " + std::to_string(m[i]);
    return out;
}

void GameTest::start(const std::string& style, int width, int height, const std::vector<std::string>& rows, int seat,
                     int count) {
    const std::string name = "default." + style;
    folder.write("boards/" + name, boardFile(style, width, height, rows));
    setStringOption("lastDefaultGame", name.c_str());
    game.setOutbox(&outbox);
    game.startGame(seat, count);
    ASSERT_NE(nullptr, game.getBoard());
    outbox.take();
}

std::vector<std::string> GameTest::sent() {
    std::vector<std::string> out;
    for (const MessageBytes& m : outbox.take()) out.push_back(messageText(m));
    return out;
}

LockstepPair::LockstepPair(uint32_t seedS, uint32_t seedT) {
    for (int i = 0; i < 2; ++i) {
        clients_[i] = std::make_unique<RecordingGame>();
        clients_[i]->setOutbox(&outboxes_[i]);
        clients_[i]->startGame(i + 1, 2);
        clients_[i]->getBoard()->setRandomSeeds(seedS, seedT);
        receivers_[i] = std::make_unique<Receiver>(*clients_[i]);
    }
}

RecordingGame& LockstepPair::acting() {
    return client(clients_[0]->getCurrentPlayer() == 2 ? 1 : 0);
}

int LockstepPair::deliver() {
    int delivered = 0;
    for (int i = 0; i < 2; ++i) {
        RecordingGame& sender = *clients_[i];
        RecordingGame& receiver = *clients_[1 - i];
        Receiver& receive = *receivers_[1 - i];
        sender.settle();
        for (const MessageBytes& m : outboxes_[i].take()) {
            receiver.settle();
            log_.push_back(std::to_string(i + 1) + ": " + messageText(m));
            EXPECT_TRUE(receive(m)) << messageText(m);
            EXPECT_TRUE(outboxes_[1 - i].messages.empty()) << "a replayed action queued a message";
            ++delivered;
        }
        receiver.settle();
    }
    EXPECT_EQ(gameState(*clients_[0]), gameState(*clients_[1]));
    return delivered;
}

}  // namespace board_test
