#include <gtest/gtest.h>

#include <climits>

#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/app/nls.h"
#include "framework/app/options.h"
#include "framework/canvas/dragdrop.h"
#include "framework/core/supercore.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

// Start-up without a main core and the shut-down road that follows it.
void runProgramOnce() {
    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    Main* part = new Main();
    part->initializePart();
    part->run();
    delete part;
    setMessageBoxHandler({});
}

TEST(Exec, StartUpAndShutDownWriteDefaultsBack) {
    ProgramFolder folder;
    folder.write("test.env", "");
    folder.write("system/options_vurn.gkv", "someKey 5\n");
    folder.write("system/nls/EN", "File\n-\n===\n");
    debugLogResetForTests();
    runProgramOnce();
    EXPECT_EQ(currentExec, nullptr);
    EXPECT_EQ(nlsTable, nullptr);
    EXPECT_EQ(dragDropRegistry, nullptr);
    ASSERT_NE(options, nullptr);  // the store outlives the shut-down
    std::string saved = folder.read("user/options_vurn.gkv");
    EXPECT_EQ(saved, "someKey 5\nnlsLanguage EN\ndatVersion 1\ndateVersion 0000.00.00\n");
    EXPECT_EQ(folder.read("user/nls/EN"), "File\n-\n===\n");
    std::string note = folder.read("note.txt");
    EXPECT_EQ(note.rfind("init _options\n", 0), 0u);
    auto at = [&](const char* s) { return note.find(s); };
    EXPECT_LT(at("load options options_vurn.gkv"), at("Exec::uninit():1"));
    EXPECT_LT(at("Exec::uninit():1"), at("Exec::uninit():4"));
}

TEST(Exec, ExistingValuesAreKept) {
    ProgramFolder folder;
    folder.write("user/options_vurn.gkv", "nlsLanguage DE\ndatVersion 7\ndateVersion 2026.01.02\n");
    debugLogResetForTests();
    runProgramOnce();
    EXPECT_EQ(folder.read("user/options_vurn.gkv"), "nlsLanguage DE\ndatVersion 7\ndateVersion 2026.01.02\n");
    EXPECT_TRUE(folder.exists("user/nls/DE"));
}

TEST(Exec, WelcomeWindowKeysCentreOnTheMainWindow) {
    struct Case {
        const char* file;
        std::vector<std::pair<const char*, int>> expect;
        std::vector<const char*> absent;
    } cases[] = {
        {"mainWindowX 100\nmainWindowY 50\nmainWindowW 601\nmainWindowH 301\n",
         {{"welcomeWindowX", 200}, {"welcomeWindowY", 120}, {"welcomeWindowW", 400}, {"welcomeWindowH", 160}},
         {"welcomeWindowOX"}},
        {"mainWindowOX 10\nmainWindowOY 20\nmainWindowOW 800\nmainWindowOH 600\n",
         {{"welcomeWindowOX", 210}, {"welcomeWindowOY", 240}, {"welcomeWindowOW", 400}, {"welcomeWindowOH", 160}},
         {"welcomeWindowX"}},
        // Halves truncate toward zero.
        {"mainWindowX -10\nmainWindowW -3\nmainWindowY 0\nmainWindowH 0\n",
         {{"welcomeWindowX", -211}, {"welcomeWindowY", -80}},
         {}},
        {"other 1\n", {}, {"welcomeWindowX", "welcomeWindowOX", "welcomeWindowW"}},
        // Extreme saved values: derived without overflow.
        {"mainWindowX -2147483648\nmainWindowW 0\nmainWindowY 0\nmainWindowH 0\n",
         {{"welcomeWindowX", INT32_MIN}, {"welcomeWindowY", -80}},
         {}},
        {"mainWindowOX 0\nmainWindowOW 0\nmainWindowOY 2147483647\nmainWindowOH 2147483647\n",
         {{"welcomeWindowOX", -200}, {"welcomeWindowOY", INT32_MAX}},
         {}},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        folder.write("user/options_vurn.gkv", c.file);
        debugLogResetForTests();
        runProgramOnce();
        for (const auto& [key, value] : c.expect) EXPECT_EQ(getIntOption(key), value) << c.file << key;
        for (const char* key : c.absent) EXPECT_EQ(getStringOption(key), nullptr) << c.file << key;
    }
}

TEST(Exec, NoMarkerMeansNoLogFiles) {
    ProgramFolder folder;
    debugLogResetForTests();
    runProgramOnce();
    EXPECT_EQ(testMode, 0);
    EXPECT_FALSE(folder.exists("note.txt"));
    EXPECT_FALSE(folder.exists("error.txt"));
}

}  // namespace
