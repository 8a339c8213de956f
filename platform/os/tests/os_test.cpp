#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/files.h"
#include "platform/os/process.h"
#include "platform/os/thread.h"

namespace {

TEST(PlatformFiles, NativePath) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"system\\nls\\EN", "system/nls/EN"},
        {"system/nls/EN", "system/nls/EN"},
        {"C:\\note.txt", "note.txt"},
        {"C:note.txt", "note.txt"},
        {"c:/error.txt", "error.txt"},
        {"", ""},
        {"a:", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::nativePath(c.in), c.out) << c.in;
    EXPECT_EQ(platform::nativePath(nullptr), "");
    EXPECT_EQ(platform::openFile(nullptr, "r"), nullptr);
    EXPECT_EQ(platform::openFile("", "r"), nullptr);
}

TEST(PlatformProcess, SplitCommandLine) {
    struct {
        const char* line;
        std::vector<std::string> words;
    } cases[] = {
        {"xdg-open", {"xdg-open"}},
        {"  firefox   --new-window ", {"firefox", "--new-window"}},
        {"\"/opt/My Browser/run\" -x", {"/opt/My Browser/run", "-x"}},
        {"a;b $(c)", {"a;b", "$(c)"}},
        {"\"\"", {""}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::splitCommandLine(c.line), c.words) << c.line;
}

TEST(PlatformProcess, SpawnRefusesEmptyAndReportsStart) {
    EXPECT_FALSE(platform::spawnDetached({}));
    EXPECT_FALSE(platform::spawnDetached({""}));
    EXPECT_TRUE(platform::spawnDetached({"true"}));
}

TEST(PlatformThread, JoinWaitsAndStackIsOneMebibyte) {
    platform::Thread t;
    std::size_t stack = 0;
    bool ran = false;
    ASSERT_TRUE(t.start([&] {
        platform::sleepMs(20);
        stack = platform::currentThreadStackSize();
        ran = true;
    }));
    EXPECT_TRUE(t.joinable());
    t.join();
    EXPECT_TRUE(ran);
    EXPECT_GE(stack, platform::kWorkerStackBytes);
    EXPECT_FALSE(t.joinable());
}

}  // namespace
