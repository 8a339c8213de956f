// The news of the connection: which connects, losses and failed attempts
// the socket work reports, and where they stand among the messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"

using protocol_testing::FakeClient;
using Texts = std::vector<std::string>;

namespace {

std::string str(const MessageBytes& m) { return std::string(m.begin(), m.end()); }

void queue(FakeClient& c, const MessageBytes& m) {
    ASSERT_TRUE(c.connection.queueMessage(m.data(), static_cast<int>(m.size())));
}

// Ticks from one connect attempt to the next after a failure.
constexpr int kRetry = OrvexConnection::kRetryDelayTicks + 1;

TEST(Link, EveryConnectionMadeAndEveryLossIsToldOnceInStreamOrder) {
    struct Case {
        const char* what;
        int refusals;  // connects that fail, the first one included
        std::function<void(FakeClient&)> drive;
        Texts timeline;
        int reconnects;
    };
    // clang-format off
    const Case cases[] = {
        {"the first connect succeeds", 0, [](FakeClient& c) { c.tick(3); }, {"[up 1 fake]"}, 0},
        {"no server at first: one failure is told, the retries are not, then the connection", 3,
         [](FakeClient& c) { c.tick(1 + 2 * kRetry); }, {"[down 0 fake]", "[up 1 fake]"}, 3},
        {"the same while a message waits to be sent (the retries come from the send side)", 2,
         [](FakeClient& c) {
             queue(c, codeMessage("PU"));
             c.tick(1 + kRetry);
         },
         {"[down 0 fake]", "[up 1 fake]"}, 2},
        {"the peer closes and the server takes the reconnect", 0,
         [](FakeClient& c) {
             c.tick();
             c.script->closed = 1;
             c.tick();
         },
         {"[up 1 fake]", "[down 1 fake]", "[up 2 fake]"}, 1},
        {"the peer closes and the server stays away for two attempts", 0,
         [](FakeClient& c) {
             c.tick();
             c.script->closed = 1;
             c.script->refusals = 2;
             c.tick(1 + 2 * kRetry);
         },
         {"[up 1 fake]", "[down 1 fake]", "[up 2 fake]"}, 3},
        {"a send breaks the connection", 0,
         [](FakeClient& c) {
             queue(c, codeMessage("PU"));
             c.script->breakAtSend = 1;
             c.tick();
         },
         {"[up 1 fake]", "[down 1 fake]", "[up 2 fake]"}, 1},
        {"a head no code matches drops the connection; the next comes after the delay", 0,
         [](FakeClient& c) {
             c.script->chunks.push_back("XYZ");
             c.tick();
             ASSERT_EQ(c.handler.links.size(), 2u);  // down at once
             c.tick(kRetry);
         },
         {"[up 1 fake]", "[down 1 fake]", "[up 2 fake]"}, 1},
        {"what came before the loss is handled before it, what comes after the new connection after it", 0,
         [](FakeClient& c) {
             c.script->chunks.push_back(str(codeMessage("PU")));
             c.script->closed = 1;
             c.tick();
             c.script->chunks.push_back(str(codeMessage("PFS")));
             c.tick(kRetry);
         },
         {"[up 1 fake]", "[answered 1 fake]", "PU", "[down 1 fake]", "[up 2 fake]", "[answered 2 fake]", "PFS"}, 1},
        {"the server's first whole message on a connection tells that it lasted, once", 0,
         [](FakeClient& c) {
             c.script->chunks.push_back("LP");  // not whole yet
             c.tick();
             c.script->chunks.push_back("C" + str(codeMessage("PU")));
             c.tick();
             c.script->chunks.push_back(str(codeMessage("PFS")));
             c.tick();
         },
         {"[up 1 fake]", "[answered 1 fake]", "LPC", "PU", "PFS"}, 0},
    };
    // clang-format on
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        FakeClient c(k.refusals);
        k.drive(c);
        EXPECT_EQ(c.handler.timeline(), k.timeline);
        EXPECT_EQ(c.script->reconnects, k.reconnects);
    }
}

}  // namespace
