#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"

using protocol_testing::FakeClient;
using Calls = std::vector<std::string>;

namespace {

std::string str(const MessageBytes& m) { return std::string(m.begin(), m.end()); }

struct Incoming {
    const char* what;
    std::string bytes;
    Calls calls;
};

// Every code the client receives, with the calls it makes. Whose turn it is
// the rules decide: a pass goes to them with its seat, whatever the seat.
std::vector<Incoming> everyCode() {
    return {
        {"LA", str(lobbyRowMessage(7, 300, "Bob")), {"LA 7 300 Bob ---/---"}},
        {"LU mark", str(rowMarkMessage(7, 300, 1)), {"mark 7 300"}},
        {"LU unmark", str(rowMarkMessage(7, 300, 0)), {"unmark 7 300"}},
        {"LR", str(rowRemoveMessage(7, 300)), {"LR 7 300"}},
        {"PM", str(codeMessage("PM", {5, 6})), {"PM 5 6"}},
        {"PS", str(codeMessage("PS", {3, 4})), {"PS 3 4"}},
        {"PU", str(codeMessage("PU")), {"PU"}},
        {"PRR", str(codeMessage("PRR")), {"PRR"}},
        {"PRL", str(codeMessage("PRL")), {"PRL"}},
        {"PFS", str(codeMessage("PFS")), {"PFS"}},
        {"PFE", str(codeMessage("PFE")), {"PFE"}},
        {"PQS seat 1", str(codeMessage("PQS", {1})), {"PQS 1"}},
        {"PQS seat 2", str(codeMessage("PQS", {2})), {"PQS 2"}},
        {"PT", str(chatMessage(3, "hello")), {"PT hello"}},
        {"LPC", str(codeMessage("LPC")), {"LPC"}},
        {"LPA", str(playerAddMessage("Al")), {"initChatList", "LPA Al"}},
        {"LPD", str(codeMessage("LPD", {2})), {"LPD 2"}},
        // The side panel judges every seat byte.
        {"LPD seat 0", str(codeMessage("LPD", {0})), {"LPD 0"}},
        {"LPD seat 200", str(codeMessage("LPD", {200})), {"LPD 200"}},
        {"LPB", str(codeMessage("LPB", {2, 3})), {"LPB 2 3"}},
        {"PZ", str(seedsMessage(0x12345678, 0x9abcdef0)), {"PZ 305419896 2596069104"}},
    };
}

TEST(Splitter, EveryCodeWholeInOneRead) {
    for (const Incoming& in : everyCode()) {
        SCOPED_TRACE(in.what);
        FakeClient c;
        c.script->chunks.push_back(in.bytes);
        c.tick();
        EXPECT_EQ(c.handler.calls, in.calls);
        EXPECT_EQ(c.messages.size(), 1u);
        EXPECT_EQ(c.connection.held(), 0);
    }
}

TEST(Splitter, EveryCodeSplitAcrossTwoReadsAtEveryPoint) {
    for (const Incoming& in : everyCode()) {
        for (std::size_t cut = 1; cut < in.bytes.size(); ++cut) {
            SCOPED_TRACE(std::string(in.what) + " cut at " + std::to_string(cut));
            FakeClient c;
            c.script->chunks.push_back(in.bytes.substr(0, cut));
            c.tick();
            ASSERT_TRUE(c.messages.empty());
            EXPECT_EQ(c.connection.held(), static_cast<int>(cut));
            c.script->chunks.push_back(in.bytes.substr(cut));
            c.tick();
            EXPECT_EQ(c.handler.calls, in.calls);
            EXPECT_EQ(c.connection.held(), 0);
        }
    }
}

TEST(Splitter, TwoMessagesInOneReadAreBothHandledInStreamOrder) {
    for (const Incoming& in : everyCode()) {
        SCOPED_TRACE(in.what);
        FakeClient c;
        c.script->chunks.push_back(in.bytes + str(codeMessage("PM", {1, 2})));
        c.tick();
        Calls expected = in.calls;
        expected.push_back("PM 1 2");
        EXPECT_EQ(c.handler.calls, expected);
    }
}

TEST(Splitter, ABurstOfLobbyRowsLargerThanTheBufferIsHandledInOneTick) {
    FakeClient c;
    std::string burst;
    Calls expected;
    for (uint32_t i = 0; i < 150; ++i) {
        std::string name = "player-" + std::to_string(i);
        burst += str(lobbyRowMessage(i, 1000 + i, name.c_str()));
        expected.push_back("LA " + std::to_string(i) + " " + std::to_string(1000 + i) + " " + name + " ---/---");
    }
    ASSERT_GT(burst.size(), 3000u);
    c.script->chunks.push_back(burst);
    c.tick();
    EXPECT_EQ(c.handler.calls, expected);
    EXPECT_EQ(c.connection.held(), 0);
    EXPECT_EQ(c.script->disconnects, 0);
}

TEST(Splitter, MessagesWithBadFieldsAreDroppedAndTheStreamGoesOn) {
    MessageBytes noNul = lobbyRowMessage(1, 2, "abc");
    noNul.back() = 'd';
    MessageBytes chatNoNul = chatMessage(1, "hi");
    chatNoNul.back() = '!';
    MessageBytes emptyRow = rowMessage("LA", 1, 2, {}, 9);  // length byte 0
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"LA with a length byte of 0", str(emptyRow)},
        {"LA text without its NUL", str(noNul)},
        {"LPA with a length byte of 0", std::string("LPA\0", 4)},
        {"PT text without its NUL", str(chatNoNul)},
        {"PT with a length byte of 0", std::string("PT\x01\0", 4)},
        {"LPB seat 0", str(codeMessage("LPB", {0, 2}))},
        {"LPB count 5", str(codeMessage("LPB", {1, 5}))},
        {"PQS seat 9", str(codeMessage("PQS", {9}))},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        FakeClient c;
        c.script->chunks.push_back(k.bytes + str(codeMessage("PU")));
        c.tick();
        EXPECT_EQ(c.handler.calls, Calls{"PU"});
        EXPECT_EQ(c.connection.held(), 0);
        EXPECT_EQ(c.script->disconnects, 0);
    }
}

TEST(Splitter, AnUnknownHeadDropsTheBufferAndConnectsAnewAfterTheDelay) {
    FakeClient c;
    c.script->chunks.push_back(str(codeMessage("PU")) + "XYZ" + str(codeMessage("PFS")));
    c.tick();
    // What came before the bad head was handled; the rest is gone.
    EXPECT_EQ(c.handler.calls, Calls{"PU"});
    EXPECT_EQ(c.connection.held(), 0);
    EXPECT_EQ(c.script->disconnects, 1);
    EXPECT_EQ(c.connection.delay(), OrvexConnection::kRetryDelayTicks);

    MessageBytes ll = loginMessage("Guest");
    c.connection.queueMessage(ll.data(), static_cast<int>(ll.size()));
    c.tick(OrvexConnection::kRetryDelayTicks);
    EXPECT_EQ(c.script->reconnects, 0);
    EXPECT_TRUE(c.script->sends.empty());
    c.tick();
    EXPECT_EQ(c.script->reconnects, 1);
    ASSERT_EQ(c.script->sends.size(), 2u);
    EXPECT_EQ(c.script->sends[0].substr(0, 4), "GKV\x01");
    EXPECT_EQ(c.script->sends[0].size(), 23u);
}

TEST(Splitter, DispatchRunsOnlyOneWholeMessage) {
    const MessageBytes pm = codeMessage("PM", {1, 2});
    struct Case {
        const char* what;
        MessageBytes bytes;
        bool run;
        Calls calls;
    } cases[] = {
        {"nothing", {}, false, {}},
        {"PM without its last byte", MessageBytes(pm.begin(), pm.end() - 1), false, {}},
        {"the head of PRR", codeMessage("PR"), false, {}},
        {"one letter", codeMessage("P"), false, {}},
        {"two messages", codeMessage("PUPU"), false, {}},
        {"a code only the server receives", codeMessage("PQU"), false, {}},
        {"PU", codeMessage("PU"), true, {"PU"}},
        {"PM", pm, true, {"PM 1 2"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        protocol_testing::RecordingHandler handler;
        EXPECT_EQ(k.run, dispatchMessage(k.bytes.data(), static_cast<int>(k.bytes.size()), handler));
        EXPECT_EQ(k.calls, handler.calls);
    }
}

TEST(Splitter, AHeadThatBeginsACodeWaitsForTheRest) {
    // "L" and "LP" begin several codes; "LPX" begins none.
    FakeClient c;
    c.script->chunks.push_back("L");
    c.tick();
    c.script->chunks.push_back("P");
    c.tick();
    EXPECT_EQ(c.connection.held(), 2);
    EXPECT_EQ(c.script->disconnects, 0);
    c.script->chunks.push_back("X");
    c.tick();
    EXPECT_EQ(c.script->disconnects, 1);
}

TEST(Splitter, NothingIsReadWhileAnimationsRun) {
    FakeClient c;
    c.script->chunks.push_back(str(codeMessage("PU")));
    c.connection.setReceivePaused(true);
    c.tick(3);
    EXPECT_EQ(c.script->recvCalls, 0);
    EXPECT_TRUE(c.handler.calls.empty());
    c.connection.setReceivePaused(false);
    c.tick();
    EXPECT_EQ(c.handler.calls, Calls{"PU"});
}

TEST(Splitter, ReadsNeverAskForMoreThan256Bytes) {
    FakeClient c;
    std::string burst;
    for (int i = 0; i < 40; ++i) burst += str(chatMessage(1, std::string(200, 'x').c_str()));
    c.script->chunks.push_back(burst);
    c.tick();
    EXPECT_EQ(c.handler.calls.size(), 40u);
    EXPECT_EQ(c.script->maxAsked, 256);
}

}  // namespace
