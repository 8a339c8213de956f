#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "framework/app/debuglog.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

TEST(DebugLog, WithoutMarkerNothingIsCreatedOrDeleted) {
    ProgramFolder folder;
    folder.write("error.txt", "old");
    debugLogResetForTests();
    debugLog("init _options\n");
    debugLog("ERROR: something\n");
    debugPrintfI("n=%d\n", 3);
    EXPECT_EQ(testMode, 0);
    EXPECT_FALSE(folder.exists("note.txt"));
    EXPECT_EQ(folder.read("error.txt"), "old");
    // The decision sticks for the run: a marker that appears later is ignored.
    folder.write("test.env", "");
    debugLog("late\n");
    EXPECT_FALSE(folder.exists("note.txt"));
}

TEST(DebugLog, MarkerWritesNoteInOrderAndErrorsAtFirstError) {
    ProgramFolder folder;
    folder.write("test.env", "");
    folder.write("error.txt", "old errors");
    debugLogResetForTests();
    debugLog("init _options\n");
    EXPECT_EQ(testMode, 1);
    EXPECT_FALSE(folder.exists("error.txt"));  // removed at the first call
    debugPrintfSI("%s=%d\n", "a", 1);
    debugPrintfIIIS("%d %d %d %s\n", 1, 2, 3, "x");
    EXPECT_FALSE(folder.exists("error.txt"));
    debugLog("ERROR: first\n");
    debugLog("ERRORS are errors\n");
    debugLog("no ERROR here\n");
    EXPECT_EQ(folder.read("note.txt"), "init _options\na=1\n1 2 3 x\nERROR: first\nERRORS are errors\nno ERROR here\n");
    EXPECT_EQ(folder.read("error.txt"), "ERROR: first\nERRORS are errors\n");
}

// The worker threads and the GUI thread log at once: every line arrives
// whole, each thread's lines in its own order, the errors in both files.
TEST(DebugLog, LinesFromSeveralThreadsArriveWhole) {
    ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    debugLog("start\n");
    constexpr int kThreads = 6, kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 50 == 0)
                    debugPrintfII("ERROR: thread %d line %d\n", t, i);
                else
                    debugPrintfII("thread %d line %d\n", t, i);
            }
        });
    for (std::thread& t : threads) t.join();
    std::istringstream note(folder.read("note.txt"));
    std::string line;
    std::map<int, int> next;
    int lines = 0;
    std::getline(note, line);
    EXPECT_EQ(line, "start");
    while (std::getline(note, line)) {
        int t = -1, i = -1;
        const char* text = line.c_str();
        if (line.rfind("ERROR: ", 0) == 0) text += 7;
        ASSERT_EQ(std::sscanf(text, "thread %d line %d", &t, &i), 2) << line;
        EXPECT_EQ(i, next[t]) << line;
        next[t] = i + 1;
        ++lines;
    }
    EXPECT_EQ(lines, kThreads * kLines);
    std::string errors = folder.read("error.txt");
    EXPECT_EQ(static_cast<int>(std::count(errors.begin(), errors.end(), '\n')), kThreads * kLines / 50);
}

TEST(DebugLog, BlockedNoteFileUsesSecondName) {
    ProgramFolder folder;
    folder.write("test.env", "");
    // A directory where the note file should be: it cannot be opened.
    ASSERT_EQ(mkdir((folder.path() + "/note.txt").c_str(), 0755), 0);
    debugLogResetForTests();
    debugLog("hello\n");
    EXPECT_EQ(folder.read("note2.txt"), "hello\n");
}

TEST(DebugLog, BothFilesBlockedStillCollectsTheError) {
    ProgramFolder folder;
    folder.write("test.env", "");
    ASSERT_EQ(mkdir((folder.path() + "/note.txt").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((folder.path() + "/note2.txt").c_str(), 0755), 0);
    debugLogResetForTests();
    debugLog("ERROR: lost log\n");
    debugLog("ERROR: after disable\n");
    EXPECT_EQ(testMode, 1);
    EXPECT_EQ(folder.read("error.txt"), "ERROR: lost log\n");
}

TEST(DebugLog, WrappersAreBounded) {
    ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    std::string big(5000, 'x');
    debugPrintfS("%s", big.c_str());
    debugPrintfSSI("%s %s %d", nullptr, "b", 1);
    debugPrintfSIIII("%s%d%d%d%d", "s", 1, 2, 3, 4);
    debugPrintfIIIII("%d%d%d%d%d", 1, 2, 3, 4, 5);
    std::string note = folder.read("note.txt");
    EXPECT_EQ(note, std::string(1023, 'x') + "(null) b 1" + "s1234" + "12345");
}

TEST(DebugLog, OffLogFormatsNothing) {
    // Once the log is off, no wrapper may format its text: an argument that
    // cannot be read (address 1 is never mapped) would crash it.
    ProgramFolder folder;
    debugLogResetForTests();
    debugLog("decides: off\n");
    const char* unreadable = reinterpret_cast<const char*>(uintptr_t{1});
    debugPrintfS("%s", unreadable);
    debugPrintfSS("%s%s", unreadable, unreadable);
    debugPrintfSI("%s%d", unreadable, 1);
    debugPrintfSII("%s%d%d", unreadable, 1, 2);
    debugPrintfSSI("%s%s%d", unreadable, unreadable, 1);
    debugPrintfSIII("%s%d%d%d", unreadable, 1, 2, 3);
    debugPrintfIIIS("%d%d%d%s", 1, 2, 3, unreadable);
    debugPrintfSIIII("%s%d%d%d%d", unreadable, 1, 2, 3, 4);
    // The integer wrappers with a format that would read a string.
    debugPrintfI("%s", 1);
    debugPrintfII("%s%s", 1, 1);
    debugPrintfIII("%s%s%s", 1, 1, 1);
    debugPrintfIIII("%s%s%s%s", 1, 1, 1, 1);
    debugPrintfIIIII("%s%s%s%s%s", 1, 1, 1, 1, 1);
    EXPECT_EQ(testMode, 0);
    EXPECT_FALSE(folder.exists("note.txt"));
}

}  // namespace
