// Seeded damage to the options file and the language file: whatever a file
// holds, loading keeps the stores whole, what is written back loads back
// the same, and the window placements derived from the options stay within
// 32 bits. Run under the sanitizers, this is where bad reads and overflows
// show.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/app/messagebox.h"
#include "framework/app/nls.h"
#include "framework/app/options.h"
#include "framework/app/placement.h"
#include "testing/mutation.h"
#include "testing/program_folder.h"

using testing_support::mutateText;
using testing_support::ProgramFolder;

namespace {

// A text without the trailing control bytes that the loaders take as part
// of a line's end (a damaged file may end a value or a key in several).
std::string withoutLineEnd(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 13) text.pop_back();
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Every line of a written options file is "key value": a key of 1 to 63
// bytes without white space, a value of 1 to 255 bytes without blanks.
void expectWrittenOptions(const std::string& written, Options& o) {
    std::map<std::string, int> seen;
    for (const std::string& line : lines(written)) {
        const std::size_t blank = line.find(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        const std::string key = line.substr(0, blank), value = line.substr(blank + 1);
        ASSERT_GE(key.size(), 1u);
        ASSERT_LE(key.size(), 63u);
        ASSERT_GE(value.size(), 1u) << key;
        ASSERT_LE(value.size(), 255u) << key;
        for (char c : key) ASSERT_FALSE(c == '\t' || c == '\r' || c == '\v' || c == '\f') << key;
        ASSERT_EQ(value.find(' '), std::string::npos) << key;
        ASSERT_EQ(++seen[key], 1) << "key twice: " << key;
        ASSERT_EQ(o.getInt(key.c_str()), optionNumber(o.getString(key.c_str()))) << key;
    }
    ASSERT_EQ(seen.size(), o.size());
}

}  // namespace

TEST(OptionsMutation, DamagedFilesLoadWholeAndWriteBackWhatTheyLoad) {
    ProgramFolder folder;
    folder.copyFromSource("data/system/options_vurn.gkv", "system/options_vurn.gkv");
    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    const std::vector<std::string> seeds = {
        folder.read("system/options_vurn.gkv"),
        "mainWindowX -2147483648\nmainWindowY 0\nmainWindowW 0\nmainWindowH 0\n"
        "mainWindowOX 0\nmainWindowOY 2147483647\nmainWindowOW 0\nmainWindowOH 2147483647\n",
        "playerName Mr`Blue`Sky\r\nwiggle 1\r\n\r\nlonely\nkey\tvalue 12abc\n",
    };
    std::mt19937 rng(20240611);
    for (int round = 0; round < 1500 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        folder.write("user/options_vurn.gkv", mutateText(seeds[round % seeds.size()], rng, " `\r\n\t-+0123456789X"));
        Options o;
        options = &o;
        o.load("options_vurn.gkv");
        // The derivations that read the placements (overflows show under
        // the sanitizers).
        deriveWelcomeWindowKeys();
        for (const char* name : {"mainWindow", "welcomeWindow", "blankWindow"}) {
            const std::string n = name;
            keepOnDesktop(getIntOption((n + "OX").c_str()), getIntOption((n + "OY").c_str()),
                          getIntOption((n + "OW").c_str()), getIntOption((n + "OH").c_str()), 1920, 1080,
                          {30, 30, 512, 384});
        }
        // Every eighth file also goes through a save (each one flushed to
        // the disk) and a reload.
        if (round % 8 != 0) {
            options = nullptr;
            continue;
        }
        ASSERT_TRUE(o.save());
        const std::string written = folder.read("user/options_vurn.gkv");
        expectWrittenOptions(written, o);
        // What was written loads back: the same keys in the same order,
        // the same values up to the line-end bytes the loader takes off (a
        // value of nothing else is gone).
        Options back;
        back.load("options_vurn.gkv");
        ASSERT_TRUE(back.save());
        std::vector<std::string> before;
        for (const std::string& line : lines(written))
            if (!withoutLineEnd(line.substr(line.find(' ') + 1)).empty()) before.push_back(withoutLineEnd(line));
        std::vector<std::string> after;
        for (const std::string& line : lines(folder.read("user/options_vurn.gkv")))
            after.push_back(withoutLineEnd(line));
        ASSERT_EQ(before, after);
        options = nullptr;
    }
    options = nullptr;
    setMessageBoxHandler(nullptr);
}

TEST(LanguageMutation, DamagedFilesLoadWholeAndWriteBackWhatTheyLoad) {
    ProgramFolder folder;
    folder.copyFromSource("data/system/nls/EN", "system/nls/EN");
    const std::vector<std::string> seeds = {
        folder.read("system/nls/EN"),
        "Key\r\nTranslation\r\n===\r\n-\n-\n===\n\n-\n===\n blank\nx\n===\nlast\nno separator\n",
    };
    struct Record {
        std::string key, text;
        bool translated;
        bool operator==(const Record&) const = default;
    };
    auto records = [](const NlsTable& t) {
        std::vector<Record> out;
        for (int i = 0; i < t.size(); ++i) {
            const NlsEntry* e = t.entryAt(i);
            out.push_back({e->getKey(), e->getText(), e->isTranslated()});
        }
        return out;
    };
    std::mt19937 rng(20240612);
    // Each round writes the file back (flushed to the disk): fewer rounds.
    for (int round = 0; round < 400 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        folder.write("system/nls/EN", mutateText(seeds[round % seeds.size()], rng, "\r\n=-  abc"));
        std::remove((folder.path() + "/user/nls/EN").c_str());
        std::vector<Record> kept;
        {
            NlsTable t("EN");
            for (const Record& r : records(t))
                if (!r.key.empty() && r.key[0] != ' ') kept.push_back(r);
        }  // written back to the user folder
        const std::string written = folder.read("user/nls/EN");
        const std::vector<std::string> ls = lines(written);
        ASSERT_EQ(ls.size() % 3, 0u);
        for (std::size_t i = 0; i < ls.size(); i += 3) {
            ASSERT_FALSE(ls[i].empty());
            ASSERT_NE(ls[i][0], ' ');
            ASSERT_LE(ls[i].size(), 255u);
            ASSERT_LE(ls[i + 1].size(), 255u);
            ASSERT_EQ(ls[i + 2], "===");
        }
        // What was written loads back the same, up to the line-end bytes
        // the reader takes off.
        auto plain = [&](std::vector<Record> rs) {
            for (Record& r : rs) r = {withoutLineEnd(r.key), withoutLineEnd(r.text), r.translated};
            return rs;
        };
        {
            NlsTable back("EN");
            ASSERT_EQ(plain(records(back)), plain(kept));
        }
    }
}
