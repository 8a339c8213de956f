#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <filesystem>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "platform/os/files.h"
#include "platform/os/thread.h"
#include "testing/program_folder.h"
#include "testing/read_only_folder.h"

using testing_support::ProgramFolder;
using testing_support::ReadOnlyFolder;

namespace {

std::string slurp(FILE* f) {
    std::string s;
    if (!f) return "<null>";
    int c;
    while ((c = std::fgetc(f)) != EOF) s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

TEST(DataFiles, OpenDataFileMatrix) {
    struct Case {
        bool userCopy;
        bool userFolder;
        const char* mode;
        const char* expectRead;  // what a read gives, or "<null>"
    } cases[] = {
        {true, true, "r", "user"},
        {false, true, "r", "system"},
        {false, false, "r", "system"},
    };
    for (const Case& c : cases) {
        ProgramFolder folder(c.userFolder);
        folder.write("system/fonts/text1i.dat", "system");
        if (c.userCopy) folder.write("user/fonts/text1i.dat", "user");
        EXPECT_EQ(slurp(openDataFile("system/fonts/text1i.dat", c.mode)), c.expectRead);
        EXPECT_EQ(slurp(openDataFile("system\\fonts\\text1i.dat", c.mode)), c.expectRead);
    }
}

TEST(DataFiles, WritesGoToUserOnlyAndSystemNeverChanges) {
    {
        ProgramFolder folder;
        folder.write("system/nls/EN", "shipped");
        FILE* f = openDataFile("system/nls/EN", "w");
        ASSERT_NE(f, nullptr);
        std::fputs("mine", f);
        std::fclose(f);
        EXPECT_EQ(folder.read("user/nls/EN"), "mine");
        EXPECT_EQ(folder.read("system/nls/EN"), "shipped");
    }
    {
        ProgramFolder folder(false);
        folder.write("system/nls/EN", "shipped");
        EXPECT_EQ(openDataFile("system/nls/EN", "w"), nullptr);
        EXPECT_EQ(openDataFile("system/nls/EN", "a"), nullptr);
        EXPECT_EQ(folder.read("system/nls/EN"), "shipped");
    }
    {
        // A path outside "system" is opened as it stands.
        ProgramFolder folder;
        FILE* f = openDataFile("boards/x.kv", "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        EXPECT_TRUE(folder.exists("boards/x.kv"));
    }
}

// Names in a folder besides the given ones: a temporary file left behind.
std::vector<std::string> strayFiles(const std::string& dir, std::initializer_list<std::string> expected) {
    std::vector<std::string> stray;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        bool known = false;
        for (const std::string& x : expected) known = known || x == name;
        if (!known) stray.push_back(name);
    }
    return stray;
}

TEST(UserFiles, WritesReplaceWholeAndSystemPathsGoToUser) {
    ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    folder.write("system/nls/EN", "shipped");
    folder.write("user/nls/EN", std::string(5000, 'o'));
    const std::string bytes("new\0bytes\n", 10);
    EXPECT_TRUE(writeUserFile("system/nls/EN", bytes.data(), bytes.size()));
    EXPECT_EQ(folder.read("user/nls/EN"), bytes);  // the longer old file is gone, not overwritten in part
    EXPECT_EQ(folder.read("system/nls/EN"), "shipped");
    EXPECT_TRUE(writeUserFile("boards/fresh.gkv", std::string("board")));
    EXPECT_EQ(folder.read("boards/fresh.gkv"), "board");
    EXPECT_TRUE(writeUserFile("empty.txt", nullptr, 0));
    EXPECT_TRUE(folder.exists("empty.txt"));
    EXPECT_EQ(strayFiles(folder.path() + "/user/nls", {"EN"}), std::vector<std::string>{});
    // A link stays a link; the file it names gets the bytes.
    folder.write("boards/real.gkv", "old");
    std::filesystem::create_symlink(folder.path() + "/boards/real.gkv", folder.path() + "/boards/link.gkv");
    EXPECT_TRUE(writeUserFile("boards/link.gkv", std::string("through the link")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() + "/boards/link.gkv"));
    EXPECT_EQ(folder.read("boards/real.gkv"), "through the link");
    debugLogResetForTests();
    EXPECT_EQ(folder.read("error.txt"), "");
}

// Every way a write can fail: false, an "ERROR" line naming the file, the
// old file whole and no temporary file left beside it.
TEST(UserFiles, FailuresKeepTheOldFileWhole) {
    struct Case {
        const char* name;
        const char* path;       // what is written
        const char* oldFolder;  // where the old file lies (its folder is checked for strays)
        bool readOnly;          // the folder refuses new files
        bool fullDisk;          // every byte written meets a full device
    } cases[] = {
        {"full device", "user/options_vurn.gkv", "user", false, true},
        {"read-only folder", "user/options_vurn.gkv", "user", true, false},
        {"missing folder", "user/none/options_vurn.gkv", "user", false, false},
        {"a folder in the way", "boards/taken", "boards", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        folder.write("test.env", "");
        debugLogResetForTests();
        const std::string old = "mainWindowX 10\nmainWindowY 20\n";
        folder.write("user/options_vurn.gkv", old);
        std::filesystem::create_directories(folder.path() + "/boards/taken");
        const std::string bytes(100000, 'x');  // more than any buffer between us and the disk
        bool written;
        {
            std::unique_ptr<ReadOnlyFolder> guard;
            if (c.readOnly) {
                guard = std::make_unique<ReadOnlyFolder>(folder.path() + "/" + c.oldFolder);
                if (!guard->active()) GTEST_SKIP() << "the folder cannot be made read-only here";
            }
            if (c.fullDisk) platform::redirectReplaceWritesForTests("/dev/full");
            written = writeUserFile(c.path, bytes.data(), bytes.size());
            platform::redirectReplaceWritesForTests(nullptr);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(folder.read("user/options_vurn.gkv"), old);
        EXPECT_TRUE(std::filesystem::is_directory(folder.path() + "/boards/taken"));
        EXPECT_EQ(strayFiles(folder.path() + "/" + c.oldFolder, {"options_vurn.gkv", "nls", "taken"}),
                  std::vector<std::string>{});
        debugLogResetForTests();
        std::string errors = folder.read("error.txt");
        EXPECT_EQ(errors.rfind("ERROR: could not write ", 0), 0u) << errors;
        EXPECT_NE(errors.find(c.path), std::string::npos) << errors;
    }
}

// A device is written as it stands, never replaced by a file: a full one
// is a failure like any other.
TEST(UserFiles, ADeviceIsWrittenInPlace) {
    ProgramFolder folder;
    if (!platform::fileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(writeUserFile("/dev/full", std::string(70000, 'x')));
    EXPECT_TRUE(writeUserFile("/dev/null", std::string("gone")));
    EXPECT_FALSE(platform::isDirectory("/dev/full"));
    EXPECT_EQ(std::filesystem::status("/dev/full").type(), std::filesystem::file_type::character);
    EXPECT_EQ(std::filesystem::status("/dev/null").type(), std::filesystem::file_type::character);
}

TEST(DataFiles, PathFunctions) {
    char out[64];
    struct {
        const char* dir;
        const char* file;
        const char* make;
        const char* join;
    } cases[] = {
        {"", "a.txt", "./a.txt", "a.txt"},
        {nullptr, "a.txt", "./a.txt", "a.txt"},
        {"docs/", "a.txt", "docs/a.txt", "docs/a.txt"},
        {"docs\\", "a.txt", "docs\\a.txt", "docs/a.txt"},
        {"system/docs", "x.html", "system/docs/x.html", "system/docs/x.html"},
        {"system\\docs", "x.html", "system\\docs/x.html", "system/docs/x.html"},
        {"d", nullptr, "d/", "d/"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(makePath(c.dir, c.file, out), c.make) << (c.dir ? c.dir : "null");
        EXPECT_STREQ(joinPath(c.dir, c.file, out), c.join) << (c.dir ? c.dir : "null");
    }
    // A null directory copies the name into the out buffer.
    const char* name = "plain.txt";
    EXPECT_EQ(joinPath(nullptr, name, out), out);
    // Bounded: a long result is cut, never overflows.
    char small[8];
    EXPECT_STREQ(joinPath("directory", "file", small), "directo");
    EXPECT_STREQ(makePath("directory", "file", small), "directo");

    EXPECT_STREQ(windowsPath("system\\nls\\EN"), "system/nls/EN");
    char same[32] = "a\\b\\c";
    toWindowsPath(same, same, sizeof same);
    EXPECT_STREQ(same, "a/b/c");

    char work[64];
    EXPECT_STREQ(fileNamePart("C:abc", work, sizeof work), "abc");
    EXPECT_STREQ(fileNamePart("abc", work, sizeof work), "abc");
    EXPECT_STREQ(fileNamePart("system/icons\\a.asc", work, sizeof work), "a.asc");
    EXPECT_EQ(fileNamePart(nullptr, work, sizeof work), nullptr);
    EXPECT_STREQ(directoryPart("system/icons/a.asc", work, sizeof work), "system/icons/");
    EXPECT_STREQ(directoryPart("abc", work, sizeof work), "");
    EXPECT_EQ(directoryPart(nullptr, work, sizeof work), nullptr);

    EXPECT_STREQ(joinStrings("mainWindow", "OX"), "mainWindowOX");
    EXPECT_EQ(std::strlen(joinStrings(std::string(100, 'a').c_str(), "b")), 63u);
    EXPECT_STREQ(joinStrings2("x", nullptr), "x");
}

TEST(DataFiles, ReadKeyedLine) {
    ProgramFolder folder;
    folder.write("system/sactions/a.gkv",
                 "1Command: skipped\n"
                 "x2Command: skipped too\n"
                 "Commander: no\n"
                 "Command: first one\r\n"
                 "Command: second\n");
    EXPECT_STREQ(readKeyedLine("system/sactions/a.gkv", "Command"), "first one");
    EXPECT_EQ(readKeyedLine("system/sactions/a.gkv", "Missing"), nullptr);
    EXPECT_EQ(readKeyedLine("system/sactions/none.gkv", "Command"), nullptr);
    folder.write("system/long.txt", "Key: " + std::string(1000, 'z') + "\n");
    const char* v = readKeyedLine("system/long.txt", "Key");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::strlen(v), 250u);  // 255-character lines
    folder.write("system/bare.txt", "Key:");
    EXPECT_STREQ(readKeyedLine("system/bare.txt", "Key"), "");
}

TEST(DataFiles, NamesCompareAsciiCaseInsensitive) {
    EXPECT_EQ(compareNames("Alpha", "alpha"), 0);
    EXPECT_EQ(compareNames("_name", "-name"), 0);
    EXPECT_EQ(compareNames("__a", "--A"), 0);
    EXPECT_GT(compareNames("a_b", "a-b"), 0);
    EXPECT_LT(compareNames("abc", "abd"), 0);
    EXPECT_LT(compareNames("ab", "abc"), 0);
    // Bytes above 127 are not letters: never folded.
    EXPECT_NE(compareNames("\xC4", "\xE4"), 0);
    const char* a = "b";
    const char* b = "A";
    EXPECT_GT(compareNamesAscending(&a, &b), 0);
    EXPECT_LT(compareNamesDescending(&a, &b), 0);
    EXPECT_EQ(compareNone(&a, &b), 0);
    EXPECT_GT(compareNamesQsort(&a, &b), 0);
}

TEST(DataFiles, FindNoCase) {
    const char* text = "Hello World";
    EXPECT_EQ(findNoCase(text, "world"), text + 6);
    EXPECT_EQ(findNoCase(text, "L"), text + 2);
    EXPECT_EQ(findNoCase(text, "xyz"), nullptr);
    EXPECT_EQ(findNoCase(text, ""), text);
    std::string longText(600, 'a');
    longText += "needle";
    EXPECT_EQ(findNoCase(longText.c_str(), "needle"), nullptr);  // beyond 510
}

TEST(DataFiles, BigEndian) {
    unsigned char b[8];
    putTwoLongs(b, 0x01020304u, 0xFFFEFDFCu);
    const unsigned char want[8] = {1, 2, 3, 4, 0xFF, 0xFE, 0xFD, 0xFC};
    EXPECT_EQ(std::memcmp(b, want, 8), 0);
    EXPECT_EQ(readInt32BE(b), 0x01020304u);
    EXPECT_EQ(readInt32BE(b + 4), 0xFFFEFDFCu);
}

TEST(DataFiles, RegistryGivesTheBrowserCommand) {
    char out[260];
    setenv("VURNORVEXI_BROWSER", "my-browser --new-window", 1);
    ASSERT_EQ(readRegistryString(kClassesRoot, ".htm", out), 0);
    std::string key = std::string(out) + "\\shell\\open\\command";
    ASSERT_EQ(readRegistryString(kClassesRoot, key.c_str(), out), 0);
    EXPECT_STREQ(out, "my-browser --new-window \"%1\"");
    std::strcpy(out, "untouched");
    EXPECT_NE(readRegistryString(kClassesRoot, ".nothing", out), 0);
    EXPECT_STREQ(out, "untouched");
}

// The browser gets the URL as one argument, whatever it holds.
TEST(DataFiles, LaunchBrowserHandsUrlAsOneArgument) {
    ProgramFolder folder;
    std::string argsFile = folder.path() + "/args.txt";
    folder.write("fake-browser", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" + argsFile +
                                     ".part\"\n"
                                     "mv \"" +
                                     argsFile + ".part\" \"" + argsFile + "\"\n");
    ASSERT_EQ(chmod((folder.path() + "/fake-browser").c_str(), 0755), 0);
    std::string cmd = "\"" + folder.path() + "/fake-browser\" --flag";
    setenv("VURNORVEXI_BROWSER", cmd.c_str(), 1);
    const char* url = "http://example.invalid/a b;touch pwned;$(touch pwned2)";
    ASSERT_TRUE(launchBrowser(url, 1));
    for (int i = 0; i < 6000 && !folder.exists("args.txt"); ++i) platform::sleepMs(10);
    EXPECT_EQ(folder.read("args.txt"), std::string("[--flag]\n[") + url + "]\n");
    EXPECT_FALSE(folder.exists("pwned"));
    EXPECT_FALSE(folder.exists("pwned2"));
    unsetenv("VURNORVEXI_BROWSER");
}

// A browser that cannot be started, or that ends in failure, leaves one
// failure naming the address; a browser that shows the page leaves none.
TEST(DataFiles, BrowserFailuresNameTheAddress) {
    takeBrowserFailures();  // nothing left from another test
    const char* url = "http://web.test/a.html";
    struct Case {
        const char* browser;
        bool starts;
        const char* told;  // empty: no failure
    };
    const Case cases[] = {
        {"true", true, ""},
        {"/nonexistent/browser-xyz --new-window", false,
         "Cannot start the web browser /nonexistent/browser-xyz to open http://web.test/a.html"},
        {"   ", false, "Cannot start the web browser to open http://web.test/a.html"},
        {"sh -c \"exit 3\"", true, "Could not open http://web.test/a.html: the web browser sh failed (exit status 3)"},
        {"sh -c \"sleep 0.3; exit 4\"", true,
         "Could not open http://web.test/a.html: the web browser sh failed (exit status 4)"},
        {"sh -c \"kill -9 $$\"", true, "Could not open http://web.test/a.html: the web browser sh was stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.browser);
        setenv("VURNORVEXI_BROWSER", c.browser, 1);
        EXPECT_EQ(launchBrowser(url, 1), c.starts);  // returns at once, whatever the browser does
        if (!*c.told) continue;
        std::vector<BrowserFailure> failures;
        for (int i = 0; i < 1000 && failures.empty(); ++i) {
            failures = takeBrowserFailures();
            if (failures.empty()) platform::sleepMs(10);
        }
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].url, url);
        EXPECT_EQ(describeBrowserFailure(failures[0]), c.told);
    }
    unsetenv("VURNORVEXI_BROWSER");
    EXPECT_TRUE(takeBrowserFailures().empty());  // the browser that showed its page told nothing
}

}  // namespace
