#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "framework/util/runnable.h"
#include "platform/os/thread.h"

namespace {

class Probe : public Runnable {
public:
    explicit Probe(int lockFlag = 0) : Runnable(lockFlag) {}
    ~Probe() override { join(); }
    void run() override {
        ranOn = std::this_thread::get_id();
        stack = platform::currentThreadStackSize();
        // Uses a good part of the stack: a small default stack would crash here
        // (kept well below 1 MiB: a ThreadSanitizer build keeps its own large
        // thread state on the same stack).
        volatile char big[192 * 1024];
        big[0] = 1;
        big[sizeof big - 1] = 2;
        done = big[0] + big[sizeof big - 1];
    }
    std::thread::id ranOn;
    std::size_t stack = 0;
    std::atomic<int> done{0};
};

TEST(Runnable, RunsOnItsOwnThreadWithAOneMebibyteStack) {
    Probe p;
    ASSERT_TRUE(p.start());
    p.join();
    EXPECT_NE(p.ranOn, std::this_thread::get_id());
    EXPECT_GE(p.stack, 1024u * 1024u);
    EXPECT_EQ(p.done, 3);
    EXPECT_FALSE(p.started());
}

TEST(Runnable, SecondStartIsRefused) {
    Probe p;
    ASSERT_TRUE(p.start());
    EXPECT_FALSE(p.start());
    p.join();
    p.join();  // harmless
}

TEST(Runnable, LockNamesComeFromACounter) {
    Probe none(0);
    EXPECT_STREQ(none.lockNameA(), "");
    Probe a(1), b(1);
    std::string na = a.lockNameA(), nb = b.lockNameA();
    EXPECT_EQ(na.rfind("system/locks/orvex.", 0), 0u);
    EXPECT_EQ(na.back(), 'a');
    EXPECT_EQ(std::string(a.lockNameB()).back(), 'b');
    EXPECT_NE(na, nb);
    EXPECT_EQ(na.substr(0, na.size() - 1), std::string(a.lockNameB()).substr(0, na.size() - 1));
}

}  // namespace
