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
    return dispatchMessage(m.data(), static_cast<int>(m.size()), iDispatch);
}

bool Receiver::head(const MessageBytes& bytes) {
    const OrvexSplitResult r = splitMessage(bytes.data(), static_cast<int>(bytes.size()), kFromServer);
    return r.status == OrvexSplit::Whole && dispatchMessage(bytes.data(), r.length, iDispatch);
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

void StartBoardTest::useBoard(const std::string& style, const std::string& content) {
    const std::string name = "default." + style;
    folder.write("boards/" + name, content);
    setStringOption("lastDefaultGame", name.c_str());
}

void StartBoardTest::useDefaultBoard(const std::string& style) {
    const std::string name = "default." + style;
    folder.copyFromSource("data/boards/" + name, "boards/" + name);
    setStringOption("lastDefaultGame", name.c_str());
}

void GameTest::start(const std::string& style, int width, int height, const std::vector<std::string>& rows, int seat,
                     int count) {
    useBoard(style, boardFile(style, width, height, rows));
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

LockstepGroup::LockstepGroup(uint32_t seedS, uint32_t seedT, int seats) {
    for (int i = 0; i < seats; ++i) {
        iClients.push_back(std::make_unique<RecordingGame>());
        iOutboxes.push_back(std::make_unique<OrvexMessageList>());
        iClients.back()->setOutbox(iOutboxes.back().get());
        iClients.back()->startGame(i + 1, seats);
        iClients.back()->getBoard()->setRandomSeeds(seedS, seedT);
        iReceivers.push_back(std::make_unique<Receiver>(*iClients.back()));
        iPresent.push_back(true);
    }
}

RecordingGame& LockstepGroup::anyPresent() {
    for (int seat = 1; seat <= seats(); ++seat)
        if (present(seat)) return client(seat - 1);
    ADD_FAILURE() << "nobody is left";
    return client(0);
}

RecordingGame& LockstepGroup::acting() {
    const int seat = anyPresent().getCurrentPlayer();
    return seat >= 1 && seat <= seats() && present(seat) ? client(seat - 1) : anyPresent();
}

int LockstepGroup::deliver() {
    int delivered = 0;
    for (int i = 0; i < seats(); ++i) {
        if (!present(i + 1)) continue;
        client(i).settle();
        for (const MessageBytes& m : iOutboxes[static_cast<std::size_t>(i)]->take()) {
            iLog.push_back(std::to_string(i + 1) + ": " + messageText(m));
            for (int j = 0; j < seats(); ++j) {
                if (j == i || !present(j + 1)) continue;
                client(j).settle();
                EXPECT_TRUE((*iReceivers[static_cast<std::size_t>(j)])(m)) << messageText(m);
                EXPECT_TRUE(iOutboxes[static_cast<std::size_t>(j)]->messages.empty())
                    << "a replayed action queued a message";
            }
            ++delivered;
        }
    }
    expectAgreement();
    return delivered;
}

void LockstepGroup::leave(int seat) {
    deliver();
    iPresent[static_cast<std::size_t>(seat - 1)] = false;
    iLog.push_back(std::to_string(seat) + " leaves");
    const MessageBytes quit = {'L', 'P', 'D', static_cast<uint8_t>(seat)};
    for (int j = 0; j < seats(); ++j) {
        if (!present(j + 1)) continue;
        client(j).settle();
        EXPECT_TRUE((*iReceivers[static_cast<std::size_t>(j)])(quit));
        EXPECT_TRUE(iOutboxes[static_cast<std::size_t>(j)]->messages.empty()) << "a leaver's seat queued a message";
    }
    expectAgreement();
}

void LockstepGroup::expectAgreement() {
    std::string first;
    for (int j = 0; j < seats(); ++j) {
        if (!present(j + 1)) continue;
        client(j).settle();
        const std::string state = gameState(client(j));
        if (first.empty())
            first = state;
        else
            EXPECT_EQ(first, state) << "seat " << j + 1 << " disagrees";
    }
}

}  // namespace board_test
