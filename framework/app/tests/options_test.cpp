#include <gtest/gtest.h>

#include <string>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"
#include "framework/app/nls.h"
#include "framework/app/options.h"
#include "platform/os/files.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

struct LoaderCase {
    const char* name;
    const char* file;
    // key -> expected text (nullptr: absent)
    std::vector<std::pair<const char*, const char*>> expect;
};

class OptionsLoader : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(OptionsLoader, ReadsFixture) {
    ProgramFolder folder;
    const LoaderCase& c = GetParam();
    folder.write("system/options_vurn.gkv", c.file);
    Options o;
    o.load("options_vurn.gkv");
    for (const auto& [key, text] : c.expect) {
        if (!text) {
            EXPECT_EQ(o.getString(key), nullptr) << key;
        } else {
            ASSERT_NE(o.getString(key), nullptr) << key;
            EXPECT_STREQ(o.getString(key), text) << key;
        }
    }
}

const std::string longKey(60, 'k');
const std::string longValue(300, 'v');
const std::string overlong = "a 1\n" + longKey + " x\nb " + longValue + "\nc 3\n";
const std::string cutValue(255, 'v');

INSTANTIATE_TEST_SUITE_P(
    Fixtures, OptionsLoader,
    ::testing::Values(LoaderCase{"lf", "a 1\nb two`words\n", {{"a", "1"}, {"b", "two words"}}},
                      LoaderCase{"crlf", "a 1\r\nb x`y\r\n", {{"a", "1"}, {"b", "x y"}}},
                      // A key alone on its line takes the next line as its value.
                      LoaderCase{"keyOnly", "lonely\nb 2\nc 3\n", {{"lonely", "b 2"}, {"b", nullptr}, {"c", "3"}}},
                      // An empty value stores nothing.
                      LoaderCase{"emptyValue", "a \nb 2\n", {{"a", "b 2"}}},
                      LoaderCase{"lastLineWithoutLf", "a 1\nb 2", {{"a", "1"}, {"b", "2"}}},
                      LoaderCase{"lastLineCrOnly", "a 1\nb 2\r", {{"b", "2"}}},
                      LoaderCase{"overlong",
                                 overlong.c_str(),
                                 {{"a", "1"}, {"c", "3"}, {"b", cutValue.c_str()}, {longKey.c_str(), "x"}}},
                      LoaderCase{"empty", "", {{"a", nullptr}}}),
    [](const ::testing::TestParamInfo<LoaderCase>& i) { return std::string(i.param.name); });

TEST(Options, OverlongKeyIsCutAndItsLineDropped) {
    ProgramFolder folder;
    folder.write("system/options_vurn.gkv", std::string(400, 'k') + " x\nnext 5\n");
    Options o;
    o.load("options_vurn.gkv");
    EXPECT_EQ(o.getInt("next"), 5);
    EXPECT_EQ(o.size(), 2u);
}

TEST(Options, RoundTripKeepsOrderBlanksAndNumbers) {
    ProgramFolder folder;
    {
        Options o;
        o.load("options_vurn.gkv");
        o.set("playerName", "Mr Blue Sky");
        o.setInt("gridBrightness", 49);
        o.setInt("negative", -17);
        o.set("nlsLanguage", "EN");
        EXPECT_TRUE(o.save());
    }
    EXPECT_EQ(folder.read("user/options_vurn.gkv"),
              "playerName Mr`Blue`Sky\ngridBrightness 49\nnegative -17\nnlsLanguage EN\n");
    EXPECT_FALSE(folder.exists("user/options_vurn.gkv.tmp"));
    EXPECT_FALSE(folder.exists("system/options_vurn.gkv"));
    Options back;
    back.load("options_vurn.gkv");
    EXPECT_STREQ(back.getString("playerName"), "Mr Blue Sky");
    EXPECT_EQ(back.getInt("gridBrightness"), 49);
    EXPECT_EQ(back.getInt("negative"), -17);
}

TEST(Options, SetKeepsPlaceAndNumberFollowsText) {
    Options o;
    o.setInt("gridBrightness", 1);
    o.set("other", "x");
    o.setInt("gridBrightness", 49);
    EXPECT_EQ(o.getInt("gridBrightness"), 49);
    o.setInt("gridBrightness", 5);
    EXPECT_EQ(o.getInt("gridBrightness"), 5);
    EXPECT_STREQ(o.getString("gridBrightness"), "5");
    o.set("gridBrightness", "");
    o.set("gridBrightness", nullptr);
    EXPECT_STREQ(o.getString("gridBrightness"), "5");
    // Setting a key to its own current text.
    o.set("other", o.getString("other"));
    EXPECT_STREQ(o.getString("other"), "x");
}

TEST(Options, NumbersAreThirtyTwoBitReadings) {
    struct {
        const char* text;
        int32_t number;
    } cases[] = {{"12abc", 12},
                 {"abc", 0},
                 {"  -7", -7},
                 {"99999999999", INT32_MAX},
                 {"-99999999999", INT32_MIN},
                 {"2147483647", INT32_MAX},
                 {"+3", 3}};
    Options o;
    for (const auto& c : cases) {
        o.set("k", c.text);
        EXPECT_EQ(o.getInt("k"), c.number) << c.text;
    }
    EXPECT_EQ(o.getInt("absent"), 0);
}

TEST(Options, MissingFileShowsBoxAndStartsEmpty) {
    ProgramFolder folder;
    std::string title, text;
    setMessageBoxHandler([&](const char* t, const char* x, MessageBoxKind) {
        title = t;
        text = x;
    });
    Options o;
    o.load("options_vurn.gkv");
    setMessageBoxHandler({});
    EXPECT_EQ(text, "Options file created from scratch.");
    EXPECT_NE(title.find("options_vurn.gkv"), std::string::npos);
    EXPECT_EQ(o.size(), 0u);
}

TEST(Options, UserCopyWinsAndNoUserFolderMeansNoWrite) {
    {
        ProgramFolder folder;
        folder.write("system/options_vurn.gkv", "a 1\n");
        folder.write("user/options_vurn.gkv", "a 2\n");
        Options o;
        o.load("options_vurn.gkv");
        EXPECT_EQ(o.getInt("a"), 2);
    }
    {
        ProgramFolder folder(/*withUser=*/false);
        folder.write("system/options_vurn.gkv", "a 1\n");
        Options o;
        o.load("options_vurn.gkv");
        EXPECT_EQ(o.getInt("a"), 1);
        o.setInt("a", 3);
        EXPECT_FALSE(o.save());  // nothing written: not reported as saved
        EXPECT_EQ(folder.read("system/options_vurn.gkv"), "a 1\n");
        EXPECT_FALSE(folder.exists("user"));
    }
}

// The options file and the language file are written whole or not at all:
// on a full disk the old files stay, the failure is reported and logged.
TEST(Options, FullDiskKeepsTheOldOptionsAndLanguageFiles) {
    ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    folder.write("user/options_vurn.gkv", "a 1\nb 2\n");
    folder.write("user/nls/EN", "File\n-\n===\n");
    platform::redirectReplaceWritesForTests("/dev/full");
    {
        Options o;
        o.load("options_vurn.gkv");
        o.set("c", "3");
        EXPECT_FALSE(o.save());
        NlsTable t("EN");
    }
    platform::redirectReplaceWritesForTests(nullptr);
    EXPECT_EQ(folder.read("user/options_vurn.gkv"), "a 1\nb 2\n");
    EXPECT_EQ(folder.read("user/nls/EN"), "File\n-\n===\n");
    debugLogResetForTests();
    std::string errors = folder.read("error.txt");
    EXPECT_NE(errors.find("ERROR: could not write user/options_vurn.gkv"), std::string::npos) << errors;
    EXPECT_NE(errors.find("ERROR: could not write user/nls/EN"), std::string::npos) << errors;
}

TEST(Options, FreeFunctionsWithoutStoreAreHarmless) {
    options = nullptr;
    EXPECT_EQ(getIntOption("x"), 0);
    EXPECT_EQ(getStringOption("x"), nullptr);
    setIntOption("x", 1);
    EXPECT_FALSE(saveOptions());
    Options o;
    options = &o;
    setIntOptionFor("mainWindow", "OX", 12);
    EXPECT_EQ(getIntOption("mainWindowOX"), 12);
    EXPECT_EQ(getIntOptionFor("mainWindow", "OX"), 12);
    options = nullptr;
}

}  // namespace
