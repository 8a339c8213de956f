// Reconnects: every connection begins with exactly one login, and what was
// queued for a connection that is gone does not reach the next one, except
// the player's chat lines, which follow the new login.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"

using protocol_testing::FakeClient;
using protocol_testing::framesByConnection;
using Frames = std::vector<std::string>;

namespace {

std::string str(const MessageBytes& m) { return std::string(m.begin(), m.end()); }

void queue(FakeClient& c, const MessageBytes& m, int lossesKnown = -1) {
    ASSERT_TRUE(c.connection.queueMessage(m.data(), static_cast<int>(m.size()), lossesKnown));
}

const MessageBytes kLogin = loginMessage("Ann");

// Ticks from one connect attempt to the next after a failure.
constexpr int kRetry = OrvexConnection::kRetryDelayTicks + 1;

TEST(Reconnect, AStormOfConnectionsClosedAtOnceGivesEachOneLoginAndTheChatFollowsTheOneThatLasts) {
    FakeClient c;
    ASSERT_TRUE(c.connection.setLogin(kLogin.data(), static_cast<int>(kLogin.size())));
    c.script->hangUps = 20;
    const MessageBytes chat = chatMessage(1, "typed in the storm");
    bool typed = false;
    for (int ticks = 0; c.script->hangUps > 0; ++ticks) {
        ASSERT_LT(ticks, 20 * kRetry + 10);
        c.tick();
        // The player types once the loss is known.
        if (!typed && c.handler.links.size() >= 2) {
            queue(c, chat);
            typed = true;
        }
    }
    c.tick(kRetry + 2);

    std::vector<Frames> sent = framesByConnection(*c.script);
    ASSERT_EQ(sent.size(), 21u);
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(sent[i], (Frames{"login", str(kLogin)})) << "connection " << i;
    EXPECT_EQ(sent[20], (Frames{"login", str(kLogin), str(chat)}));
    EXPECT_EQ(c.connection.losses(), 20);
    // Made and lost, never answered: 21 made, 20 lost.
    ASSERT_EQ(c.handler.links.size(), 41u);
    EXPECT_EQ(c.handler.links.back(), "up 21 fake");
}

TEST(Reconnect, WhatWasQueuedForALostConnectionIsDroppedButChatLinesFollowTheNewLogin) {
    struct Case {
        const char* what;
        // Runs on a logged-in connection 0; makes the loss happen.
        std::function<void(FakeClient&)> drive;
        Frames first;  // what connection 0 carried
        Frames next;   // and the connection after
    };
    const MessageBytes pm = codeMessage("PM", {1, 2}), ps = codeMessage("PS", {3, 4});
    const MessageBytes lc = rowMessage("LC", 7, 300), pqu = codeMessage("PQU"), ll = loginMessage("Old");
    const MessageBytes a = chatMessage(1, "a"), b = chatMessage(1, "b");
    // clang-format off
    const Case cases[] = {
        {"queued before the peer closed: the first goes on the old connection, the game and lobby actions and "
         "the old login are dropped, the chat lines follow the new login in order",
         [&](FakeClient& c) {
             for (const MessageBytes* m : {&ps, &pm, &a, &lc, &pqu, &ll, &b}) queue(c, *m);
             c.script->hangUps = 1;
             c.tick(1 + kRetry + 3);
         },
         {"login", str(kLogin), str(ps)}, {"login", str(kLogin), str(a), str(b)}},
        {"the send of a chat line fails: it is the first after the new login; the move behind it is dropped",
         [&](FakeClient& c) {
             queue(c, a);
             queue(c, pm);
             c.script->breakAtSend = static_cast<int>(c.script->sends.size()) + 1;  // the body of the chat line
             c.tick(1 + kRetry + 2);
         },
         {"login", str(kLogin), str(a)}, {"login", str(kLogin), str(a)}},
        {"the send of a move fails: it is not sent again",
         [&](FakeClient& c) {
             queue(c, pm);
             c.script->breakAtSend = static_cast<int>(c.script->sends.size()) + 1;
             c.tick(1 + kRetry + 2);
         },
         {"login", str(kLogin), str(pm)}, {"login", str(kLogin)}},
        {"after the loss: a move its sender made before it heard of the loss is dropped, one made after is sent",
         [&](FakeClient& c) {
             c.script->hangUps = 1;
             c.tick();
             queue(c, pm, 0);
             queue(c, ps, 1);
             c.tick(kRetry + 3);
         },
         {"login", str(kLogin)}, {"login", str(kLogin), str(ps)}},
        {"the connection lasts: a login queued (the quit's) goes on it after the first one",
         [&](FakeClient& c) {
             queue(c, pqu);
             queue(c, ll);
             c.tick(3);
         },
         {"login", str(kLogin), str(pqu), str(ll)}, {}},
    };
    // clang-format on
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        FakeClient c;
        ASSERT_TRUE(c.connection.setLogin(kLogin.data(), static_cast<int>(kLogin.size())));
        c.tick();  // the login
        k.drive(c);
        std::vector<Frames> sent = framesByConnection(*c.script);
        ASSERT_EQ(sent.size(), k.next.empty() ? 1u : 2u);
        EXPECT_EQ(sent[0], k.first);
        if (!k.next.empty()) {
            EXPECT_EQ(sent[1], k.next);
        }
        EXPECT_EQ(c.connection.queuedMessages(), 0);
    }
}

TEST(Reconnect, ALoginThatCannotBeSentIsGivenOnceOnTheNextConnection) {
    // No server for two attempts: each attempt's send of the login fails,
    // and the connection that comes carries it once.
    FakeClient c(3);
    ASSERT_TRUE(c.connection.setLogin(kLogin.data(), static_cast<int>(kLogin.size())));
    c.tick(1 + 3 * kRetry + 2);
    std::vector<Frames> sent = framesByConnection(*c.script);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent.back(), (Frames{"login", str(kLogin)}));
    EXPECT_EQ(c.connection.losses(), 0);  // none was made, so none was lost
}

TEST(Reconnect, OnlyAnLlOfAFrameableLengthIsTakenAsTheLogin) {
    FakeClient c;
    uint8_t name[300] = {'L', 'L'};
    const MessageBytes chat = chatMessage(1, "x");
    EXPECT_FALSE(c.connection.setLogin(chat.data(), static_cast<int>(chat.size())));
    EXPECT_FALSE(c.connection.setLogin(name, 257));
    EXPECT_FALSE(c.connection.setLogin(name, 1));
    EXPECT_TRUE(c.connection.login().empty());
    EXPECT_TRUE(c.connection.setLogin(name, 256));
    EXPECT_EQ(c.connection.login().size(), 256u);
    // An empty one: none; the first queued message carries the login block.
    EXPECT_TRUE(c.connection.setLogin(nullptr, 0));
    queue(c, chat);
    c.tick();
    EXPECT_EQ(framesByConnection(*c.script)[0], (Frames{"login", str(chat)}));
}

}  // namespace
