// The upgrade list: its word sum, its file and pop-up lines, the names it
// may give, and the check of each listed file against the program folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "services/upgrade/upgradelist.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

std::uint32_t foldedSumOf(const std::string& data) {
    WordSum sum;
    sum.add(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    return sum.folded();
}

std::vector<std::string> strings(const Vector* v) {
    std::vector<std::string> out;
    for (int i = 0; v && i < v->size(); ++i) out.emplace_back(static_cast<const char*>(v->elementAt(i)));
    return out;
}

TEST(WordSum, FoldsLittleEndianWords) {
    const struct {
        const char* what;
        std::string data;
        std::uint32_t folded;
    } cases[] = {
        {"an empty file", "", 0},
        // 0x04030201 + 0x00000005 = 0x04030206; 0x0403 + 0x0206 = 0x0609.
        {"five bytes, the last one padded", bytes({1, 2, 3, 4, 5}), 0x0609},
        {"one short group", bytes({0x34, 0x12}), 0x1234},
        // 0xFFFFFFFF + 2 wraps to 1.
        {"a sum past 2^32 wraps", bytes({0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}), 0x0001},
        // The fold's own carry is dropped: 0xFFFF + 0xFFFFFFFF.
        {"the fold drops its carry", bytes({0xFF, 0xFF, 0xFF, 0xFF}), 0xFFFE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(foldedSumOf(c.data), c.folded);
    }
}

TEST(WordSum, PiecesOfAnyLengthGiveTheWholeSum) {
    std::string data;
    for (int i = 0; i < 203; ++i) data.push_back(static_cast<char>(i * 37 + 11));
    const std::uint32_t whole = foldedSumOf(data);
    for (std::size_t piece : {1u, 2u, 3u, 5u, 7u, 64u}) {
        SCOPED_TRACE(piece);
        WordSum sum;
        for (std::size_t at = 0; at < data.size(); at += piece)
            sum.add(reinterpret_cast<const unsigned char*>(data.data()) + at, std::min(piece, data.size() - at));
        EXPECT_EQ(sum.folded(), whole);
    }
}

TEST(WordSum, FourGibibytesWrapByArithmetic) {
    // 4 GiB of 0xFF bytes are 2^30 words of 0xFFFFFFFF: their sum modulo
    // 2^32 is -2^30 = 0xC0000000, folded 0xC000 + 0xC0000000 -> 0xC000.
    // Fed as one 1 MiB block 4096 times would be slow; 2^30 words sum the
    // same as 2^18 blocks of 2^12 words, and each block adds -2^12.
    std::string block(4 * 4096, '\xFF');
    WordSum sum;
    const auto* data = reinterpret_cast<const unsigned char*>(block.data());
    sum.add(data, block.size());
    EXPECT_EQ(sum.sum(), 0u - 4096u);
    std::uint32_t expected = 0;
    for (int i = 0; i < (1 << 18); ++i) expected += sum.sum();
    EXPECT_EQ(expected, 0xC0000000u);
    EXPECT_EQ(WordSum::fold(expected), 0xC000u);
}

TEST(UpgradeList, FileLineFields) {
    const struct {
        const char* line;
        bool taken;
        const char* name;
        long long size;
        std::uint32_t sum;
        const char* flags;
    } cases[] = {
        {"system/docs/x.html 5 609 e", true, "system/docs/x.html", 5, 0x609, "e"},
        {"system/x 5 609 ", true, "system/x", 5, 0x609, ""},
        {"system/x 5 609", true, "system/x", 5, 0, ""},  // no blank behind the sum
        {"system/x 5 ", true, "system/x", 5, 0, ""},
        {"system/x 5", true, "system/x", 0, 0, ""},  // no blank behind the size
        {"system/x ", true, "system/x", 0, 0, ""},
        {"system/x", false, "", 0, 0, ""},  // no blank behind the name
        {"", false, "", 0, 0, ""},
        {"system/x 12abc ff9z sec", true, "system/x", 12, 0xFF9, "sec"},
        {"system/x -3 -1 e", true, "system/x", -3, 0xFFFFFFFF, "e"},
        {"system/x  5 609 e", true, "system/x", 0, 5, "609 e"},  // single blanks cut the fields
        {"system/x 99999999999999999999 1 e", true, "system/x", 9223372036854775807LL, 1, "e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        UpgradeFileLine file;
        ASSERT_EQ(parseUpgradeFileLine(c.line, &file), c.taken);
        if (!c.taken) continue;
        EXPECT_EQ(file.name, c.name);
        EXPECT_EQ(file.size, c.size);
        EXPECT_EQ(file.sum, c.sum);
        EXPECT_EQ(file.flags, c.flags);
    }
}

TEST(UpgradeList, PlatformFilesAndNamesOutsideTheFolder) {
    const struct {
        const char* line;
        const char* local;  // null: a platform file without its marker
        bool safe;
    } cases[] = {
        {"system/docs/x.html 1 2 e", "system/docs/x.html", true},
        {"os_windows_plakard.dll 1 2 s", "plakard.dll", true},
        {"lib/os_windows_sub/x.dll 1 2 es", "sub/x.dll", true},  // what comes before the marker goes too
        {"os_windows_a/os_windows_b 1 2 s", "a/os_windows_b", true},
        {"os_linux_x.so 1 2 s", nullptr, false},
        {"os_windows_x.dll 1 2 e", "os_windows_x.dll", true},  // not a platform file
        {"system/a..b/c 1 2 e", "system/a..b/c", true},
        {"/etc/passwd 1 2 e", "/etc/passwd", false},
        {"../outside 1 2 e", "../outside", false},
        {"system/../../outside 1 2 e", "system/../../outside", false},
        {"system/.. 1 2 e", "system/..", false},
        {"os_windows_../x 1 2 s", "../x", false},
        {"C:\\note.txt 1 2 e", "C:\\note.txt", false},
        {"C:note.txt 1 2 e", "C:note.txt", false},
        {"system\\x 1 2 e", "system\\x", false},
        {"os_windows_ 1 2 s", "", false},
        {"system/a\x01b 1 2 e", "system/a\x01b", false},
        {"system/a\tb 1 2 e", "system/a\tb", false},
        {"system/a\x7f 1 2 e", "system/a\x7f", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        UpgradeFileLine file;
        ASSERT_TRUE(parseUpgradeFileLine(c.line, &file));
        std::string local;
        ASSERT_EQ(upgradeLocalName(file, &local), c.local != nullptr);
        if (!c.local) continue;
        EXPECT_EQ(local, c.local);
        EXPECT_EQ(isSafeUpgradeName(local), c.safe);
    }
}

TEST(UpgradeList, PopupLines) {
    const struct {
        const char* line;
        bool taken;
        bool error;
        const char* marker;
        const char* text;
    } cases[] = {
        {"*POPINFO system/seen1 New boards^are here", true, false, "system/seen1", "New boards\nare here"},
        {"*POPERROR seen2   Server  moved", true, true, "seen2", "Server  moved"},
        {"*POPINFO   seen3 text", true, false, "seen3", "text"},
        {"*POPINFO seen4", false, false, "", ""},  // no text
        {"*POPINFO seen4   ", false, false, "", ""},
        {"*POPINFO", false, false, "", ""},  // no marker
        {"*POPINFO ", false, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        UpgradePopup popup;
        ASSERT_EQ(parseUpgradePopup(c.line, &popup), c.taken);
        if (!c.taken) continue;
        EXPECT_EQ(popup.error, c.error);
        EXPECT_EQ(popup.marker, c.marker);
        EXPECT_EQ(popup.text, c.text);
    }
}

// The pop-up rules, with a recorded message box.
struct PopupFixture : ::testing::Test {
    PopupFixture() {
        upgradePopupShown = 0;
        setMessageBoxHandler([this](const char* title, const char* text, MessageBoxKind kind) {
            shown.push_back(std::string(title) + "|" + text + "|" + (kind == MessageBoxKind::Error ? "E" : "I"));
        });
    }
    ~PopupFixture() override {
        setMessageBoxHandler(nullptr);
        upgradePopupShown = 0;
    }
    ProgramFolder folder;
    std::vector<std::string> shown;
};

TEST_F(PopupFixture, OnceARunUnlessTheMarkerExists) {
    folder.write("system/seen", "");
    const struct {
        const char* what;
        bool mainWindow;
        const char* line;
        bool shownNow;
        const char* box;
        int flagAfter;
    } steps[] = {
        {"no main window: not considered", false, "*POPINFO system/new a^b", false, "", 0},
        {"the marker exists: considered, nothing shown", true, "*POPERROR system/seen x", false, "", 1},
        {"a second line in the run: nothing", true, "*POPINFO system/new a^b", false, "", 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        UpgradePopup popup;
        ASSERT_TRUE(parseUpgradePopup(s.line, &popup));
        EXPECT_EQ(considerUpgradePopup(popup, s.mainWindow), s.shownNow);
        EXPECT_EQ(upgradePopupShown, s.flagAfter);
    }
    EXPECT_TRUE(shown.empty());

    upgradePopupShown = 0;  // the next run
    for (const char* line : {"*POPINFO system/new Two^lines", "*POPERROR system/new2 again"}) {
        UpgradePopup popup;
        ASSERT_TRUE(parseUpgradePopup(line, &popup));
        considerUpgradePopup(popup, true);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Information|Two\nlines|I");

    upgradePopupShown = 0;
    UpgradePopup error;
    ASSERT_TRUE(parseUpgradePopup("*POPERROR system/new Server moved", &error));
    EXPECT_TRUE(considerUpgradePopup(error, true));
    EXPECT_EQ(shown.back(), "Error|Server moved|E");
}

// processUpgradeList against a program folder, with the debug log on.
struct ListFixture : ::testing::Test {
    ListFixture() {
        folder.write("test.env", "");
        debugLogResetForTests();
        folder.write("system/same.txt", "hello");  // 5 bytes
        folder.write("system/other.txt", "other");
    }
    ~ListFixture() override {
        delete holder.downloadList();  // the holder only lends it
        debugLogResetForTests();
    }
    std::string log() const { return folder.read("note.txt"); }
    static std::string hex(std::uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "%X", value);
        return text;
    }
    std::string sameLine() const { return "system/same.txt 5 " + hex(foldedSumOf("hello")) + " e"; }

    ProgramFolder folder;
    Communicator holder{nullptr, 1};
};

TEST_F(ListFixture, VersionAndDownloadList) {
    const std::string same = sameLine();
    const struct {
        const char* what;
        std::string text;
        const char* version;  // null: nothing to download
        std::vector<std::string> downloads;
    } cases[] = {
        {"all files match", "*VER: 1.02\n*START\n" + same + "\n*END\n", nullptr, {}},
        {"one file differs",
         "*VER: 1.02\r\n*START\r\n" + same + "\r\nsystem/new.txt 3 1 e\r\n*END\r\n",
         "1.02",
         {"system/new.txt"}},
        {"no version line", "*START\nsystem/new.txt 3 1 e\n*END\n", "unknown", {"system/new.txt"}},
        {"a version line too short", "*VER:\n*START\nsystem/new.txt 3 1 e\n*END\n", "unknown", {"system/new.txt"}},
        {"another size", "*START\nsystem/same.txt 6 0 e\n*END\n", "unknown", {"system/same.txt"}},
        {"another sum", "*START\nsystem/same.txt 5 1234 e\n*END\n", "unknown", {"system/same.txt"}},
        {"the sum without a blank behind it reads 0",
         "*START\nsystem/same.txt 5 1234\n*END\n",
         "unknown",
         {"system/same.txt"}},
        {"lines outside START and END", "system/new.txt 3 1 e\n*START\n*END\nsystem/new2.txt 3 1 e\n", nullptr, {}},
        {"header lines and a starred line in the files",
         "HTTP/1.0 200 OK\nContent-Type: text/html\n\n*VER: 2.0\n*START\n*NONE*\nsystem/new.txt 3 1 e\n*END\n",
         "2.0",
         {"system/new.txt"}},
        {"a platform file",
         "*START\nos_windows_plakard.dll 3 1 s\nos_linux_x.so 3 1 s\n*END\n",
         "unknown",
         {"plakard.dll"}},
        {"names outside the folder are never queued",
         "*START\n../outside 1 1 e\n/etc/hostname 1 1 e\nC:\\note.txt 1 1 e\nsystem\\x 1 1 e\n*END\n",
         nullptr,
         {}},
        {"an empty text", "", nullptr, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const char* version = processUpgradeList(&holder, c.text.c_str());
        if (c.version) {
            ASSERT_NE(version, nullptr);
            EXPECT_STREQ(version, c.version);
        } else {
            EXPECT_EQ(version, nullptr);
        }
        EXPECT_EQ(strings(holder.downloadList()), c.downloads);
    }
}

TEST_F(ListFixture, OverlongLinesAreIgnoredNotCut) {
    // 127 characters are taken; 128 would be cut into the first name by a
    // fixed buffer, so the line is ignored as a whole.
    std::string fits = "system/" + std::string(110, 'a') + " 3 1 e";
    ASSERT_EQ(fits.size(), 123u);
    fits.insert(7, 4, 'b');
    ASSERT_EQ(fits.size(), kMaxUpgradeLineChars);
    std::string tooLong = "system/same.txt" + std::string(113, 'x') + " 3 1 e";
    ASSERT_GT(tooLong.size(), kMaxUpgradeLineChars);
    std::string text = "*VER: " + std::string(130, '9') + "\n*START\n" + fits + "\n" + tooLong + "\n*END\n";
    const char* version = processUpgradeList(&holder, text.c_str());
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, "unknown");  // the long version line was ignored too
    EXPECT_EQ(strings(holder.downloadList()), std::vector<std::string>{fits.substr(0, fits.find(' '))});
    EXPECT_NE(log().find("ERROR: upgrade list line over 127 characters ignored"), std::string::npos);
}

TEST_F(ListFixture, LogLinesMarkEachOutcome) {
    std::string text = "*START\n" + sameLine() + "\nsystem/other.txt 9 1 e\nsystem/other.txt 5 1 e\n" +
                       "system/missing 1 2 e\nos_linux_x 3 4 s\n../up 1 1 e\n*END\n";
    (void)processUpgradeList(&holder, text.c_str());  // only the log lines are looked at here
    const std::string l = log();
    const std::vector<std::string> lines = {
        "UPGRADE LINE " + sameLine() + "\n",
        "UPGRADE system/same.txt 5 " + hex(foldedSumOf("hello")) + "\n",
        "UPGRADE-sizes 9,5\n",
        "UPGRADE-crcs 1," + hex(foldedSumOf("other")) + "\n",
        "UPGRADE system/missing 1 2\n",
        "UPGRADE-notexist\n",
        "UPGRADE *NONE* 3 4\n",
        "ERROR: upgrade list names a file outside the program folder: ../up\n",
        "UPGRADE size=3\n",
    };
    for (const std::string& expected : lines) {
        EXPECT_NE(l.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(folder.read("error.txt"), "ERROR: upgrade list names a file outside the program folder: ../up\n");
}

TEST_F(ListFixture, UserCopyIsTheInstalledFile) {
    folder.write("user/same.txt", "hello");
    folder.write("system/same.txt", "stale");
    std::string text = "*START\n" + sameLine() + "\n*END\n";
    EXPECT_EQ(processUpgradeList(&holder, text.c_str()), nullptr);
}

TEST_F(ListFixture, AFileOverFourGibibytesIsNotTakenForAShortOne) {
    // A sparse file of 2^32 + 5 bytes: a 32-bit length would read as 5.
    int fd = ::open((folder.path() + "/system/huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (1LL << 32) + 5), 0);
    ::close(fd);
    const char* version = processUpgradeList(&holder, "*START\nsystem/huge.bin 5 0 e\n*END\n");
    EXPECT_NE(version, nullptr);
    EXPECT_NE(log().find("UPGRADE-sizes 5,2147483647\n"), std::string::npos);
    EXPECT_EQ(log().find("UPGRADE-crcs"), std::string::npos);  // never summed
}

}  // namespace
