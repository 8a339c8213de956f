#include <gtest/gtest.h>

#include <string>

#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"

using protocol_testing::FakeClient;

namespace {

const std::string kLogin("GKV\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);

void queue(FakeClient& c, const MessageBytes& m) {
    ASSERT_TRUE(c.connection.queueMessage(m.data(), static_cast<int>(m.size())));
}

std::string str(const MessageBytes& m) { return std::string(m.begin(), m.end()); }

TEST(Send, TheFirstFrameOfAConnectionFollowsTheLoginBlockOneMessagePerTick) {
    FakeClient c;
    queue(c, codeMessage("PS", {3, 4}));
    queue(c, codeMessage("PU"));
    c.tick();
    ASSERT_EQ(c.script->sends.size(), 2u);
    EXPECT_EQ(c.script->sends[0], kLogin + std::string("\xaa\x00\x04", 3));
    EXPECT_EQ(c.script->sends[1], "PS\x03\x04");
    EXPECT_EQ(c.connection.getOutQueue()->size(), 1);
    c.tick();
    ASSERT_EQ(c.script->sends.size(), 4u);
    EXPECT_EQ(c.script->sends[2], std::string("\xa5\x00\x02", 3));
    EXPECT_EQ(c.script->sends[3], "PU");
    EXPECT_EQ(c.connection.getOutQueue()->size(), 0);
}

// (Chat lines: the only messages that outlive their connection.)
TEST(Send, AFailedSendRequeuesAtTheHeadResendsTheLoginBlockAndSkipsFiveTicks) {
    FakeClient c;
    queue(c, codeMessage("PU"));
    c.tick();  // logged in
    const MessageBytes first = chatMessage(1, "a"), second = chatMessage(1, "b");
    queue(c, first);
    queue(c, second);
    c.script->breakAtSend = 3;  // the body of the first line
    c.tick();
    EXPECT_EQ(c.script->reconnects, 1);
    EXPECT_EQ(c.connection.loggedIn(), 0);
    EXPECT_EQ(c.connection.delay(), 5);
    Vector* q = c.connection.getOutQueue();
    ASSERT_EQ(q->size(), 2);
    auto* head = static_cast<OrvexMessage*>(q->firstElement());
    EXPECT_EQ(std::string(head->bytes, head->bytes + head->count), str(first));

    std::size_t before = c.script->sends.size();
    c.tick(5);
    EXPECT_EQ(c.script->sends.size(), before);
    c.tick();
    ASSERT_EQ(c.script->sends.size(), before + 2);
    EXPECT_EQ(c.script->sends[before], kLogin + str(frameMessage(first.data(), 6)).substr(0, 3));
    EXPECT_EQ(c.script->sends[before + 1], str(first));
    c.tick();
    EXPECT_EQ(c.script->sends.back(), str(second));
}

TEST(Send, AConnectionClosedOnTheReceiveSideReconnectsAndLogsInAgain) {
    FakeClient c;
    queue(c, codeMessage("PU"));
    c.script->chunks.push_back("LP");  // half a message, dropped with the connection
    c.tick();
    EXPECT_EQ(c.connection.held(), 2);
    c.script->closed = 1;  // the peer closed
    c.tick();
    EXPECT_EQ(c.script->reconnects, 1);
    EXPECT_EQ(c.connection.held(), 0);
    EXPECT_EQ(c.connection.loggedIn(), 0);
    EXPECT_EQ(c.connection.delay(), 5);
    queue(c, codeMessage("PFE"));
    c.tick(6);
    EXPECT_EQ(c.script->sends[c.script->sends.size() - 2].substr(0, 20), kLogin);
    EXPECT_EQ(c.script->sends.back(), "PFE");
}

TEST(Send, MessagesThatCannotBeFramedAreRefused) {
    FakeClient c;
    uint8_t chat[300] = {'P', 'T'};
    uint8_t login[300] = {'L', 'L'};
    EXPECT_FALSE(c.connection.queueMessage(chat, 1));
    EXPECT_FALSE(c.connection.queueMessage(chat, 259));
    EXPECT_FALSE(c.connection.queueMessage(login, 257));
    EXPECT_FALSE(c.connection.queueMessage(nullptr, 4));
    EXPECT_TRUE(c.connection.queueMessage(chat, 258));
    EXPECT_TRUE(c.connection.queueMessage(login, 256));
    EXPECT_EQ(c.connection.getOutQueue()->size(), 2);
}

TEST(Send, NothingHappensBeforeTheSocketExists) {
    OrvexConnection c([] { return std::unique_ptr<OrvexSocket>(); }, [](const uint8_t*, int) {});
    MessageBytes m = codeMessage("PU");
    c.queueMessage(m.data(), 2);
    c.onIntuitick();  // no socket: the message waits
    EXPECT_EQ(c.getOutQueue()->size(), 1);
}

}  // namespace
