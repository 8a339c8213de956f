// Applying downloaded upgrades in a program folder: every listed file
// unpacked and put in place through a temporary file, a copy kept for the
// layout; broken, missing and unsafe entries reported with the installed
// file left as it was; the list emptied. Hostile folders: control bytes in
// the list, symbolic links on the way, files too large, names in several
// spellings, the unfinished files of a killed run.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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
using namespace std::string_literals;

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

// Lines that are refused remove nothing: a control byte (a NUL cuts the
// name short for the system, "system/keep.txt\0x.gz" would name the
// installed "system/keep.txt"), and the list of upgrades itself.
TEST(ApplyUpgrades, ARefusedLineRemovesNothing) {
    ProgramFolder folder;
    struct Case {
        std::string line;
        std::string installed;  // a file that must stay as it was
        std::string told;
    };
    const Case cases[] = {
        {"system/keep.txt\0x.gz"s, "system/keep.txt",
         "system/keep.txt\\x00x.gz has a control character in its name; skipped"},
        {"user/mine.txt\0.gz"s, "user/mine.txt", "user/mine.txt\\x00.gz has a control character in its name; skipped"},
        {"system/tab.txt\t.gz", "system/tab.txt",
         "system/tab.txt\\x09.gz has a control character in its name; skipped"},
        {"system/del.txt\x7f.gz", "system/del.txt",
         "system/del.txt\\x7f.gz has a control character in its name; skipped"},
        {"system/cr.txt\r.gz", "system/cr.txt", "system/cr.txt\\x0d.gz has a control character in its name; skipped"},
        {"system/gzlist.gz", "", "system/gzlist.gz would replace the list of upgrades; skipped"},
    };
    std::string list;
    Texts told;
    for (const Case& c : cases) {
        if (!c.installed.empty()) folder.write(c.installed, "installed " + c.installed);
        list += c.line + "\n";
        told.push_back(c.told);
    }
    // What a cut-short name would find beside it.
    folder.write("system/keep.txt.gz", standin::gzipBytes("replaced"));
    folder.write("system/tab.txt.gz", standin::gzipBytes("replaced"));
    folder.write("system/gzlist.gz", standin::gzipBytes("system/keep.txt.gz\n"));
    folder.write("system/gzlist", list);

    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, told);
    EXPECT_EQ(report.applied, Texts{});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed);
        if (!c.installed.empty()) {
            EXPECT_EQ(folder.read(c.installed), "installed " + c.installed);
        }
    }
    for (const char* stored : {"system/keep.txt.gz", "system/tab.txt.gz", "system/gzlist.gz"})
        EXPECT_TRUE(folder.exists(stored)) << stored;
    EXPECT_FALSE(folder.exists(std::string(kKeptUpgrades) + "/system/gzlist"));
    EXPECT_EQ(folder.read("system/gzlist"), "");
}

// "./user/o.txt", "system//d.txt" and "./system/d.txt" name the files
// "user/o.txt" and "system/d.txt": each is applied once, and a player's
// file gets no kept copy whatever its spelling.
TEST(ApplyUpgrades, NamesAreTakenInOneSpelling) {
    ProgramFolder folder;
    folder.write("user/o.txt", "mine");
    folder.write("system/d.txt", "shipped");
    folder.write("user/o.txt.gz", standin::gzipBytes("new o"));
    folder.write("system/d.txt.gz", standin::gzipBytes("new d"));
    folder.write("system/gzlist", "./user/o.txt.gz\nsystem//d.txt.gz\n./system/d.txt.gz\nsystem/./d.txt.gz\n");
    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, Texts{});
    EXPECT_EQ(report.applied, (Texts{"user/o.txt", "system/d.txt"}));
    EXPECT_EQ(folder.read("user/o.txt"), "new o");
    EXPECT_EQ(folder.read("system/d.txt"), "new d");
    EXPECT_EQ(filesIn(folder), (std::set<std::string>{"system/gzlist", "user/o.txt", "system/d.txt",
                                                      std::string(kKeptUpgrades) + "/system/d.txt"}));
}

// Symbolic links on the way are refused: the installed file, a folder on
// its path, the stored file, the list; the folder of the kept copies costs
// only the copy. Nothing outside the program folder changes.
TEST(ApplyUpgrades, SymbolicLinksOnTheWayAreRefused) {
    ProgramFolder outside;
    outside.write("target.txt", "outside");
    outside.write("docs/page.html.gz", standin::gzipBytes("through the link"));
    outside.write("evil.gz", standin::gzipBytes("from outside"));
    ProgramFolder folder;
    const fs::path top(folder.path()), out(outside.path());
    folder.write("system/s.txt", "installed s");
    fs::create_symlink(out / "target.txt", top / "system/link.txt");
    folder.write("system/link.txt.gz", standin::gzipBytes("new link"));
    fs::create_symlink(out / "docs", top / "system/docs");
    fs::create_symlink(out / "evil.gz", top / "system/s.txt.gz");
    folder.write("system/gzlist", "system/link.txt.gz\nsystem/docs/page.html.gz\nsystem/s.txt.gz\n");

    UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, (Texts{"system/link.txt is a symbolic link; it stays as it was",
                                      "system/docs is a symbolic link; system/docs/page.html stays as it was",
                                      "system/s.txt.gz is a symbolic link; system/s.txt stays as it was"}));
    EXPECT_EQ(report.applied, Texts{});
    EXPECT_EQ(outside.read("target.txt"), "outside");
    EXPECT_TRUE(fs::is_symlink(top / "system/link.txt"));
    EXPECT_FALSE(outside.exists("docs/page.html"));
    EXPECT_EQ(folder.read("system/s.txt"), "installed s");
    EXPECT_TRUE(outside.exists("evil.gz"));

    // The kept copies' folder leads outside: the upgrade is applied, its
    // copy is not kept there.
    fs::create_directories(out / "kept");
    fs::remove_all(top / kKeptUpgrades);
    fs::create_symlink(out / "kept", top / kKeptUpgrades);
    folder.write("system/k.txt.gz", standin::gzipBytes("new k"));
    folder.write("system/gzlist", "system/k.txt.gz\n");
    report = applyUpgrades(folder.path());
    EXPECT_EQ(report.applied, Texts{"system/k.txt"});
    EXPECT_EQ(report.problems, (Texts{"system/k.txt is upgraded, but no copy could be kept (upgrades is a symbolic "
                                      "link); the next start lays out the shipped file again"}));
    EXPECT_EQ(folder.read("system/k.txt"), "new k");
    EXPECT_TRUE(fs::is_empty(out / "kept"));

    // The list itself leads outside: nothing is applied, and the file it
    // names is not emptied.
    outside.write("list", "system/k.txt.gz\n");
    folder.write("system/k.txt.gz", standin::gzipBytes("newer k"));
    fs::remove(top / "system/gzlist");
    fs::create_symlink(out / "list", top / "system/gzlist");
    report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, Texts{"system/gzlist is a symbolic link; no upgrade is applied"});
    EXPECT_EQ(outside.read("list"), "system/k.txt.gz\n");
    EXPECT_EQ(folder.read("system/k.txt"), "new k");
}

// A process number no process can have.
long deadProcess() {
    std::ifstream in("/proc/sys/kernel/pid_max");
    long most = 4194304;
    in >> most;
    return most + 1;
}

// A run killed half-way leaves its temporary files; the next run removes
// them, but not those of a run still going nor other files.
TEST(ApplyUpgrades, RemovesTheTemporaryFilesOfEndedRuns) {
    ProgramFolder folder;
    const std::string dead = std::to_string(deadProcess()), alive = std::to_string(::getpid());
    const Texts stale = {"system/a.txt.tmp-" + dead + "-1",
                         std::string(kKeptUpgrades) + "/system/a.txt.tmp-" + dead + "-2",
                         "newdir/deep/c.bin.tmp-" + dead + "-17", "user/options_vurn.gkv.tmp-" + dead + "-3"};
    const std::set<std::string> kept = {"user/options_vurn.gkv.tmp-" + alive + "-1", "system/notes.tmp-1-x",
                                        "system/tmp-" + dead + "-1", "boards/a.tmp-" + dead};
    for (const std::string& name : stale) folder.write(name, "unfinished");
    for (const std::string& name : kept) folder.write(name, "other");
    // Without a list of upgrades as well.
    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, Texts{});
    Texts removed = report.removed;
    std::sort(removed.begin(), removed.end());
    Texts expected = stale;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    EXPECT_EQ(filesIn(folder), kept);
}

// A name long enough that ".tmp-PID-N" does not fit behind it.
TEST(ApplyUpgrades, ALongNameGetsATemporaryNameThatFits) {
    ProgramFolder folder;
    const std::string name = "system/" + std::string(248, 'n');
    folder.write(name + ".gz", standin::gzipBytes("long"));
    folder.write("system/gzlist", name + ".gz\n");
    const UpgradeReport report = applyUpgrades(folder.path());
    EXPECT_EQ(report.problems, Texts{});
    EXPECT_EQ(report.applied, Texts{name});
    EXPECT_EQ(folder.read(name), "long");
    EXPECT_EQ(folder.read(std::string(kKeptUpgrades) + "/" + name), "long");
}

// The unpacked size has a ceiling (here a small one); so has the stored
// file's. A file over it is dropped like a broken download.
TEST(ApplyUpgrades, AFileLargerThanTheCeilingIsRefused) {
    ProgramFolder folder;
    constexpr std::size_t kCeiling = 64 * 1024;
    std::string random(kCeiling + 1, '\0');
    std::mt19937 rng(7);
    for (char& c : random) c = static_cast<char>(rng());
    folder.write("system/fits.bin.gz", standin::gzipBytes(std::string(kCeiling, 'f')));
    folder.write("system/over.bin.gz", standin::gzipBytes(std::string(kCeiling / 2, 'o')) +
                                           standin::gzipBytes(std::string(kCeiling / 2 + 1, 'o')));
    folder.write("system/stored.bin.gz", standin::gzipBytes(random));  // random bytes do not pack
    for (const char* name : {"system/fits.bin", "system/over.bin", "system/stored.bin"})
        folder.write(name, "installed");
    folder.write("system/gzlist", "system/fits.bin.gz\nsystem/over.bin.gz\nsystem/stored.bin.gz\n");
    const UpgradeReport report = applyUpgrades(folder.path(), kCeiling);
    EXPECT_EQ(report.applied, Texts{"system/fits.bin"});
    EXPECT_EQ(report.problems,
              (Texts{"system/over.bin.gz unpacks to more than 64 KiB; system/over.bin stays as it was",
                     "system/stored.bin.gz is larger than 64 KiB; system/stored.bin stays as it was"}));
    EXPECT_TRUE(folder.read("system/fits.bin") == std::string(kCeiling, 'f'));
    EXPECT_TRUE(folder.read("system/over.bin") == "installed");
    EXPECT_TRUE(folder.read("system/stored.bin") == "installed");
    EXPECT_EQ(filesIn(folder),
              (std::set<std::string>{"system/gzlist", "system/fits.bin", "system/over.bin", "system/stored.bin",
                                     std::string(kKeptUpgrades) + "/system/fits.bin"}));
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A large file is unpacked a piece at a time, never held whole in memory.
TEST(ApplyUpgrades, UnpacksALargeFileWithoutHoldingItInMemory) {
    ProgramFolder folder;
    constexpr int kMiB = 64;
    const std::string member = standin::gzipBytes(std::string(1024 * 1024, 'z'));
    {
        std::ofstream stored(fs::path(folder.path()) / "system/large.bin.gz", std::ios::binary);
        for (int i = 0; i < kMiB; ++i) stored << member;
    }
    folder.write("system/gzlist", "system/large.bin.gz\n");
    const long before = peakResidentKiB();
    const UpgradeReport report = applyUpgrades(folder.path());
    const long grown = peakResidentKiB() - before;
    EXPECT_EQ(report.applied, Texts{"system/large.bin"});
    EXPECT_EQ(fs::file_size(fs::path(folder.path()) / "system/large.bin"), kMiB * 1024ULL * 1024);
    EXPECT_LT(grown, 16 * 1024) << "KiB";
}

}  // namespace
