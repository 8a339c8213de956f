#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include <thread>

#include "framework/util/ticker.h"

namespace {

std::vector<std::string> calls;

// A client of the ticker's own interface: the ticker needs no core.
class TickCore : public TickClient {
public:
    explicit TickCore(std::string name, Ticker* t = nullptr) : iName(std::move(name)), iTicker(t) {}
    void onIntuitick() override {
        calls.push_back(iName);
        if (removeSelf && iTicker) iTicker->removeClient(this);
        if (removeOther && iTicker) iTicker->removeClient(removeOther);
    }
    void onPrivIntuitick() override { calls.push_back("priv:" + iName); }
    bool removeSelf = false;
    TickClient* removeOther = nullptr;

private:
    std::string iName;
    Ticker* iTicker;
};

TEST(Ticker, NewestClientFirstAndCountersRaised) {
    calls.clear();
    Ticker t(nullptr, true);
    EXPECT_EQ(mainTicker, &t);
    TickCore a("a"), b("b");
    std::atomic<int> counter{0};
    t.add(&a);
    t.addClient(&b, &counter);
    TickCore c("c");
    t.add(&c);
    t.tickClients();
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "a"}));
    EXPECT_EQ(counter, 1);
    EXPECT_TRUE(t.dispatchHandlerEvent(275, t.timerId()));
    EXPECT_FALSE(t.dispatchHandlerEvent(275, t.timerId() + 1));
    EXPECT_FALSE(t.dispatchHandlerEvent(274, t.timerId()));
    EXPECT_EQ(counter, 2);
    t.removeClient(&a);
    t.removeClient(&a);  // no match: nothing changes
    calls.clear();
    t.tickClients();
    EXPECT_EQ(calls, (std::vector<std::string>{"c"}));
    EXPECT_EQ(t.clientCount(), 2);
}

TEST(Ticker, OtherTickersCallPrivateTick) {
    calls.clear();
    Ticker t(nullptr, false);
    EXPECT_EQ(mainTicker, nullptr);
    TickCore a("a");
    t.add(&a);
    t.tickClients();
    EXPECT_EQ(calls, (std::vector<std::string>{"priv:a"}));
}

TEST(Ticker, ClientMayRemoveItselfOrAnotherDuringTick) {
    calls.clear();
    Ticker t(nullptr, true);
    TickCore a("a", &t), b("b", &t), c("c", &t);
    t.add(&a);
    t.add(&b);
    t.add(&c);  // order: c, b, a
    b.removeSelf = true;
    c.removeOther = &a;
    t.tickClients();
    EXPECT_EQ(calls, (std::vector<std::string>{"c", "b"}));
    calls.clear();
    t.tickClients();
    EXPECT_EQ(calls, (std::vector<std::string>{"c"}));
}

TEST(Ticker, TimerIdsWrapAfterAThousand) {
    // The counter is process-wide: the ids go on from wherever earlier
    // tickers of this process left them, and wrap within 1001 more.
    std::vector<int> ids;
    for (int i = 0; i < 1001; ++i) {
        Ticker t(nullptr, false);
        ids.push_back(t.timerId());
    }
    int wraps = 0;
    for (std::size_t i = 1; i < ids.size(); ++i) {
        if (ids[i] == ids[i - 1] + 1) continue;
        ++wraps;
        EXPECT_EQ(ids[i - 1], 3212);  // the 1000th ticker
        EXPECT_EQ(ids[i], 2244);      // then the counter starts again at 32
    }
    EXPECT_EQ(wraps, 1);
    EXPECT_GE(ids[0], 2213);
}

// The game-protocol thread works off the ticks the GUI thread counts for
// it: every tick raised is taken exactly once, whatever the interleaving.
TEST(Ticker, CountedTicksReachAnotherThreadExactlyOnce) {
    Ticker t(nullptr, true);
    TickCore gui("gui");
    std::atomic<int> pending{0};
    t.addClient(&gui, &pending);
    constexpr int kTicks = 20000;
    std::atomic<bool> ticking{true};
    int taken = 0;
    std::thread worker([&] {
        while (ticking.load() || pending.load() > 0) {
            if (pending.load() > 0) {
                pending.fetch_sub(1);
                ++taken;
            } else {
                std::this_thread::yield();
            }
        }
    });
    for (int i = 0; i < kTicks; ++i) t.tickClients();
    ticking.store(false);
    worker.join();
    EXPECT_EQ(taken, kTicks);
    EXPECT_EQ(pending.load(), 0);
}

TEST(Ticker, DestroyingMainTickerClearsIt) {
    {
        Ticker t(nullptr, true);
        EXPECT_EQ(mainTicker, &t);
    }
    EXPECT_EQ(mainTicker, nullptr);
}

}  // namespace
