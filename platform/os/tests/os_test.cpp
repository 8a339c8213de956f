#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/files.h"
#include "platform/os/library.h"
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

// A replaced file keeps its permissions, and a pipe that nobody reads
// makes the write fail at once instead of holding the caller for good.
TEST(PlatformFiles, ReplaceFileKeepsTheModeAndNeverWaitsForAReader) {
    namespace fs = std::filesystem;
    const std::string folder = ::testing::TempDir() + "replace-" + std::to_string(::getpid());
    fs::create_directories(folder);
    const std::string kept = folder + "/kept";
    std::ofstream(kept) << "old";
    fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    std::string error;
    ASSERT_TRUE(platform::replaceFile(kept.c_str(), "new", 3, &error)) << error;
    EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    std::ifstream in(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "new");

    const std::string pipe = folder + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    bool opened = true;
    EXPECT_FALSE(platform::replaceFile(pipe.c_str(), "x", 1, &error, &opened));
    EXPECT_FALSE(opened);
    EXPECT_EQ(error.rfind("open: ", 0), 0u) << error;
    EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
    fs::remove_all(folder);
}

// A module named the system's way loads as the shared object beside the
// program, never from the library search path.
TEST(PlatformLibrary, ModuleNamesBecomeSharedObjectsInTheProgramFolder) {
    struct {
        const char* name;
        const char* file;
    } cases[] = {
        {"plakard.dll", "./plakard.so"},
        {"PLAKARD.DLL", "./PLAKARD.so"},
        {"C:\\plakard.dll", "./plakard.so"},
        {"mods\\ad.dll", "mods/ad.so"},
        {"/opt/ad.so", "/opt/ad.so"},
        {"ad.dll.old", "./ad.dll.old"},
        {"dll", "./dll"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::libraryFileName(c.name), c.file) << c.name;
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

// The end of the run ends the waits for started programs at once, while a
// program still runs (as a web browser would), without calling its onExit;
// a program started later is waited for again.
TEST(PlatformProcess, EndingTheWaitsLeavesTheProgramsRunning) {
    const std::string pidFile = ::testing::TempDir() + "waited-" + std::to_string(::getpid());
    std::atomic<int> exits{0}, lastStatus{-5};
    auto onExit = [&](int status) {
        lastStatus.store(status);
        ++exits;
    };
    ASSERT_TRUE(platform::spawnDetached({"sh", "-c", "echo $$ > " + pidFile + "; exec sleep 600"}, onExit));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int pid = 0;
    while (pid == 0 && std::chrono::steady_clock::now() < deadline) {
        std::ifstream(pidFile) >> pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(pid, 0);
    platform::endChildWaits();  // would wait 600 s if it waited for the program
    EXPECT_EQ(::kill(pid, 0), 0) << "the program was ended too";
    EXPECT_EQ(exits.load(), 0);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);  // nobody else reaps it now
    std::remove(pidFile.c_str());

    ASSERT_TRUE(platform::spawnDetached({"sh", "-c", "exit 4"}, onExit));
    while (exits.load() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(exits.load(), 1);
    EXPECT_EQ(lastStatus.load(), 4);
}

// A kept child runs in its own folder with the given variables, reports
// its exit status, and one that ignores SIGTERM is still ended by stop().
TEST(PlatformProcess, ChildRunsInItsFolderWithItsVariablesAndAlwaysStops) {
    const std::string folder = ::testing::TempDir() + "child-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({"sh", "-c", "printf '%s %s' \"$(basename \"$PWD\")\" \"$VURN_CHILD\" > out; exit 3"},
                            folder, {"VURN_CHILD=set", "HOME=/nowhere"}));
    while (child.running()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(child.stop(), 3);
    std::ifstream out(folder + "/out");
    std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, std::filesystem::path(folder).filename().string() + " set");

    platform::ChildProcess stubborn;
    ASSERT_TRUE(stubborn.start({"sh", "-c", "trap '' TERM; : > ready; while :; do sleep 1; done"}, folder));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(folder + "/ready") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(stubborn.running());
    EXPECT_EQ(stubborn.stop(), -1);
    EXPECT_FALSE(stubborn.running());
    EXPECT_FALSE(platform::ChildProcess().start({}));
    std::filesystem::remove_all(folder);
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
