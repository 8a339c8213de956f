// Applying downloaded upgrades in a program folder: every listed file
// unpacked and put in place through a temporary file, a copy kept for the
// layout; broken, missing and unsafe entries reported with the installed
// file left as it was; the list emptied.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "standin/upgrade-server/upgrade_server.h"
#include "testing/mutation.h"
#include "testing/program_folder.h"
#include "tools/start/apply_upgrades.h"

namespace fs = std::filesystem;
using testing_support::ProgramFolder;
using Texts = std::vector<std::string>;

namespace {

// Every file below the folder, by relative name.
std::set<std::string> filesIn(const ProgramFolder& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder.path()))
        if (e.is_regular_file()) names.insert(fs::relative(e.path(), folder.path()).generic_string());
    return names;
}

TEST(ApplyUpgrades, PutsEveryListedFileInPlaceAndKeepsACopy) {
    ProgramFolder folder;
    folder.write("system/docs/a.html", "old page");
    folder.write("user/nls/EN", "old words");
    struct Case {
        std::string name;
        std::string stored;   // the ".gz" file's bytes
        std::string content;  // what the installed file holds after
    };
    const std::string binary("\x00\x01\x02\xff", 4);
    const Case cases[] = {
        {"system/docs/a.html", standin::gzipBytes("new page"), "new page"},
        {"newdir/deep/c.bin", standin::gzipBytes(binary), binary},                        // a new file in new folders
        {"system/two.txt", standin::gzipBytes("ab") + standin::gzipBytes("cd"), "abcd"},  // two members
        {"system/empty.txt", standin::gzipBytes(""), ""},
        {"user/nls/EN", standin::gzipBytes("new words"), "new words"},
    };
    std::string list;
    for (const Case& c : cases) {
        folder.write(c.name + ".gz", c.stored);
        list += c.name + ".gz\n";
    }
    // The list as it may come: a CR LF line end, a name twice, a blank line.
    list += "system/docs/a.html.gz\r\n\n";
    folder.write("system/gzlist", list);

    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, Texts{});
    Texts applied;
    std::set<std::string> expected = {"system/gzlist"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        applied.push_back(c.name);
        EXPECT_EQ(folder.read(c.name), c.content);
        expected.insert(c.name);
        if (c.name.rfind("user/", 0) != 0) {
            EXPECT_EQ(folder.read(std::string(kKeptUpgrades) + "/" + c.name), c.content);
            expected.insert(std::string(kKeptUpgrades) + "/" + c.name);
        }
    }
    EXPECT_EQ(report.applied, applied);
    EXPECT_EQ(folder.read("system/gzlist"), "");
    // The stored files are gone and no temporary file is left behind.
    EXPECT_EQ(filesIn(folder), expected);
}

TEST(ApplyUpgrades, AFileThatDoesNotUnpackLeavesTheInstalledOneAndIsReported) {
    ProgramFolder folder;
    const std::string good = standin::gzipBytes("the new text, long enough to be cut in the middle");
    std::string badSum = good;
    badSum[badSum.size() - 8] ^= 0x55;  // the trailer's CRC
    struct Case {
        std::string stored;  // the list's name
        const char* bytes;   // the stored file; null: there is none
        std::string bytesText;
        std::string told;
    };
    const Case cases[] = {
        {"system/cut.txt.gz", "", good.substr(0, good.size() / 2),
         "system/cut.txt.gz does not unpack (cut short); system/cut.txt stays as it was"},
        {"system/junk.txt.gz", "", "not packed at all",
         "system/junk.txt.gz does not unpack (damaged); system/junk.txt stays as it was"},
        {"system/sum.txt.gz", "", badSum,
         "system/sum.txt.gz does not unpack (damaged); system/sum.txt stays as it was"},
        {"system/tail.txt.gz", "", good + "trailing bytes",
         "system/tail.txt.gz does not unpack (damaged); system/tail.txt stays as it was"},
        {"system/zero.txt.gz", "", "", "system/zero.txt.gz does not unpack (empty); system/zero.txt stays as it was"},
        {"system/gone.txt.gz", nullptr, "", "system/gone.txt.gz is missing; system/gone.txt stays as it was"},
        {"../outside.txt.gz", nullptr, "", "../outside.txt.gz is not a packed file of the program folder; skipped"},
        {"/tmp/abs.txt.gz", nullptr, "", "/tmp/abs.txt.gz is not a packed file of the program folder; skipped"},
        {"system/plain.txt", nullptr, "", "system/plain.txt is not a packed file of the program folder; skipped"},
    };
    std::string list;
    Texts told;
    for (const Case& c : cases) {
        const std::string installed = c.stored.substr(0, c.stored.size() - 3);
        if (c.stored.rfind("system/", 0) == 0) folder.write(installed, "installed " + installed);
        if (c.bytes) folder.write(c.stored, c.bytesText);
        list += c.stored + "\n";
        told.push_back(c.told);
    }
    // A good one among them is applied all the same.
    folder.write("system/fine.txt.gz", standin::gzipBytes("fine"));
    list += "system/fine.txt.gz\n";
    folder.write("system/gzlist", list);

    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, told);
    EXPECT_EQ(report.applied, Texts{"system/fine.txt"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string installed = c.stored.substr(0, c.stored.size() - 3);
        if (c.stored.rfind("system/", 0) == 0) {
            EXPECT_EQ(folder.read(installed), "installed " + installed);
        }
        EXPECT_FALSE(folder.exists(std::string(kKeptUpgrades) + "/" + installed));
        if (c.bytes) {
            EXPECT_FALSE(folder.exists(c.stored));  // a broken download is dropped
        }
    }
    EXPECT_EQ(folder.read("system/fine.txt"), "fine");
    EXPECT_FALSE(fs::exists(fs::path(folder.path()).parent_path() / "outside.txt"));
    EXPECT_EQ(folder.read("system/gzlist"), "");
}

// Damaged lists and stored files, seeded: an installed file is either left
// as it was or holds exactly what its stored file unpacks to, and nothing
// is written outside the folder.
TEST(ApplyUpgrades, DamagedListsAndFilesLeaveOnlyWholeFiles) {
    ProgramFolder folder;
    std::mt19937 rng(20250);
    const std::string good = standin::gzipBytes("the newer text of a help page\n");
    const std::string goodList = "system/a.txt.gz\nsystem/b.txt.gz\n";
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::error_code ec;
        fs::remove_all(fs::path(folder.path()) / kKeptUpgrades, ec);
        std::string stored[2];
        for (int i = 0; i < 2; ++i) {
            const std::string name = std::string("system/") + "ab"[i] + ".txt";
            stored[i] = rng() % 4 ? testing_support::mutateText(good, rng, std::string("\x1f\x8b\x08\0\xff", 5)) : good;
            folder.write(name, "installed");
            folder.write(name + ".gz", stored[i]);
        }
        folder.write("system/gzlist", rng() % 2 ? testing_support::mutateText(goodList, rng, "./\n\r.gz") : goodList);
        const UpgradeReport report = applyUpgrades(folder.path());
        for (int i = 0; i < 2; ++i) {
            const std::string name = std::string("system/") + "ab"[i] + ".txt";
            const std::string now = folder.read(name);
            const bool applied = std::find(report.applied.begin(), report.applied.end(), name) != report.applied.end();
            std::string unpacked, why;
            if (applied) {
                ASSERT_TRUE(gunzipAll(stored[i], &unpacked, &why)) << name;
                EXPECT_EQ(now, unpacked) << name;
            } else {
                EXPECT_EQ(now, "installed") << name;
            }
        }
        EXPECT_EQ(folder.read("system/gzlist"), "");
    }
    EXPECT_FALSE(fs::exists(fs::path(folder.path()).parent_path() / "system"));
}

TEST(ApplyUpgrades, WithoutAListNothingChanges) {
    ProgramFolder folder;
    folder.write("system/a.txt.gz", standin::gzipBytes("unlisted"));
    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_TRUE(report.applied.empty());
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(filesIn(folder), (std::set<std::string>{"system/a.txt.gz"}));
}

}  // namespace
