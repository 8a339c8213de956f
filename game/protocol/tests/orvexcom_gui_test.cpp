// With an application loop, the protocol core's own GUI-thread timer runs
// the handlers of the messages that arrive.
#include <gtest/gtest.h>

#include <memory>

#include "framework/util/ticker.h"
#include "game/protocol/codec.h"
#include "game/protocol/orvexcom.h"
#include "game/protocol/tests/protocol_support.h"
#include "platform/os/thread.h"
#include "platform/ui/ui.h"
#include "standin/game-server/game_server.h"

namespace {

TEST(OrvexComLoop, TheGuiTimerDeliversMessagesAndWaitsForAnimations) {
    standin::GameServerOptions o;
    o.ports = {0};
    standin::GameServer server(o);
    ASSERT_TRUE(server.start());
    setOrvexServerPort(server.port(0));
    Ticker ticker(nullptr, true);
    protocol_testing::RecordingHandler handler;
    handler.animations = 1;
    auto com = std::make_unique<OrvexCom>(&handler, OrvexCom::Pump::GuiTimer);
    MessageBytes ll = loginMessage("Ann");
    com->queueMessage(ll.data(), ll.size());

    auto runLoop = [&](int ms, const std::function<bool()>& done) {
        long long end = platform::monotonicMs() + ms;
        while (!done() && platform::monotonicMs() < end) {
            ticker.tickClients();
            platform::ui::processEvents(0.05);
        }
        return done();
    };
    // While an animation runs, the login goes out, but the row is neither
    // read nor handled.
    EXPECT_TRUE(runLoop(60000, [&] { return server.lobbyNames(0).size() == 1; }));
    runLoop(300, [] { return false; });
    EXPECT_TRUE(handler.calls.empty());
    handler.animations = 0;
    EXPECT_TRUE(runLoop(60000, [&] { return handler.calls.size() == 1; }));
    com.reset();
    setOrvexServerPort(0);
}

}  // namespace
