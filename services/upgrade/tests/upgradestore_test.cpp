// Storing a downloaded file: inside the program folder only, whole or not
// at all, recorded in "system/gzlist".
#include <gtest/gtest.h>

#include <string>

#include "services/upgrade/upgradecore.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

TEST(UpgradeStore, StoresWholeFilesAndRecordsThem) {
    ProgramFolder folder;
    const std::string binary("\x1f\x8b\0\x01\xff", 5);
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"system/docs/x.html.gz", "page"},
        {"new/deeper/still/file.bin.gz", binary},  // directories made on the way
        {"top.gz", ""},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(storeUpgradeFile(f.name, f.bytes.data(), static_cast<int>(f.bytes.size())));
        EXPECT_EQ(folder.read(f.name), f.bytes);
        EXPECT_FALSE(folder.exists(std::string(f.name) + ".part"));
    }
    EXPECT_EQ(folder.read("system/gzlist"), "system/docs/x.html.gz\nnew/deeper/still/file.bin.gz\ntop.gz\n");
    // A second store replaces the file and adds a line.
    ASSERT_TRUE(storeUpgradeFile("top.gz", "again", 5));
    EXPECT_EQ(folder.read("top.gz"), "again");
    EXPECT_EQ(folder.read("system/gzlist"), "system/docs/x.html.gz\nnew/deeper/still/file.bin.gz\ntop.gz\ntop.gz\n");
}

TEST(UpgradeStore, FailuresLeaveNothingBehind) {
    ProgramFolder folder;
    folder.write("blocked", "a file where a folder is needed");
    folder.write("system/keep.gz", "old");
    const char* refused[] = {"blocked/x.gz", "../outside.gz", "/tmp/outside.gz", "system\\x.gz", "C:x.gz", ""};
    for (const char* name : refused) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(storeUpgradeFile(name, "data", 4));
    }
    EXPECT_FALSE(folder.exists("blocked/x.gz.part"));
    EXPECT_FALSE(folder.exists("../outside.gz"));
    EXPECT_FALSE(folder.exists("system/gzlist"));
    EXPECT_EQ(folder.read("blocked"), "a file where a folder is needed");

    // A stored file whose gzlist line cannot be written is not reported
    // as stored.
    folder.write("system/gzlist/in-the-way", "");
    EXPECT_FALSE(storeUpgradeFile("system/keep.gz", "new", 3));
}

}  // namespace
