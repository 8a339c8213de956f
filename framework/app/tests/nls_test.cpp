#include <gtest/gtest.h>

#include "framework/app/nls.h"
#include "testing/program_folder.h"

using testing_support::ProgramFolder;

namespace {

TEST(Nls, LoadsAndRewritesToUserFolder) {
    ProgramFolder folder;
    folder.write("system/nls/EN",
                 "File\n-\n===\n"
                 "Help\nHilfe\n===\n"
                 "Empty\n\n===\n"
                 " blank key\n-\n===\n"
                 "\n-\n===\n"
                 "Crlf\r\nTranslated\r\n===\r\n");
    {
        NlsTable t("EN");
        ASSERT_EQ(t.size(), 6);
        EXPECT_STREQ(t.entryAt(0)->getKey(), "File");
        EXPECT_FALSE(t.entryAt(0)->isTranslated());
        EXPECT_STREQ(t.entryAt(0)->getText(), "File");
        EXPECT_STREQ(t.entryAt(1)->getText(), "Hilfe");
        EXPECT_TRUE(t.entryAt(2)->isTranslated());
        EXPECT_STREQ(t.entryAt(2)->getText(), "");
        EXPECT_STREQ(t.entryAt(5)->getKey(), "Crlf");
        EXPECT_STREQ(t.entryAt(5)->getText(), "Translated");
    }
    // The file order is kept; empty keys and keys starting with a blank go.
    EXPECT_EQ(folder.read("user/nls/EN"), "File\n-\n===\nHelp\nHilfe\n===\nEmpty\n\n===\nCrlf\nTranslated\n===\n");
    EXPECT_EQ(folder.read("system/nls/EN").substr(0, 4), "File");
}

TEST(Nls, LastRecordWithoutSeparatorIsKept) {
    struct {
        const char* file;
        int entries;
    } cases[] = {
        {"A\n-\n===\nB\nbee\n", 2}, {"A\n-\n===\nB\nbee", 2},  // no line feed either
        {"A\n-\n===\nB\n", 1},                                 // a key without its translation line
        {"A\n-\n===\nB", 1},        {"", 0},
    };
    for (const auto& c : cases) {
        ProgramFolder folder;
        folder.write("system/nls/EN", c.file);
        NlsTable t("EN");
        EXPECT_EQ(t.size(), c.entries) << c.file;
        if (c.entries == 2) {
            EXPECT_STREQ(t.entryAt(1)->getText(), "bee");
        }
    }
}

TEST(Nls, LanguageCodeIsCheckedBeforeItNamesAFile) {
    struct {
        const char* code;
        const char* used;
    } cases[] = {{"EN", "EN"}, {"DE", "DE"},    {"x1", "x1"},   {"ABC", "ABC"}, {"ABCD", "EN"},
                 {"", "EN"},   {nullptr, "EN"}, {"../x", "EN"}, {"a/b", "EN"},  {"E N", "EN"}};
    for (const auto& c : cases) {
        ProgramFolder folder;
        NlsTable t(c.code);
        EXPECT_STREQ(t.language(), c.used) << (c.code ? c.code : "null");
    }
}

TEST(Nls, NoFileGivesEmptyTableAndNoUserFolderWritesNothing) {
    ProgramFolder folder(false);
    {
        NlsTable t("EN");
        EXPECT_EQ(t.size(), 0);
    }
    EXPECT_FALSE(folder.exists("user"));
}

TEST(Nls, TranslateDropsOnlyTheMarker) {
    EXPECT_STREQ(translate("x", "notrans,Keep"), "notrans,Keep");  // no table yet
    ProgramFolder folder;
    folder.write("system/nls/EN", "Hello\nHallo\n===\n");
    nlsTable = new NlsTable("EN");
    EXPECT_STREQ(translate("x", "notrans,Keep"), "Keep");
    EXPECT_STREQ(translate("notrans,x", "Hello"), "Hello");
    EXPECT_STREQ(translate("x", "Hello"), "Hello");  // lookups give the text itself
    EXPECT_STREQ(translate(nullptr, "Other"), "Other");
    EXPECT_EQ(translate("x", nullptr), nullptr);
    delete nlsTable;
    nlsTable = nullptr;
}

}  // namespace
