// The shipped help pages: each is written in the viewer's subset (no part
// is shown as broken-off plain text), its pictures load, its links lead to
// pages that exist, and every page can be reached from the entry page.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "services/browser/tests/browser_support.h"

using namespace browser_testing;

namespace {

constexpr const char* kFolder = "system/docs/vurnorvex/";

std::vector<std::string> attributeValues(const std::string& text, const char* name) {
    std::vector<std::string> values;
    const std::regex pattern(std::string(name) + "=\"?([^\" >\t\r\n]*)", std::regex::icase);
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) values.push_back((*it)[1]);
    return values;
}

TEST(HelpPages, EveryPageParsesWholeAndItsPicturesAndLinksExist) {
    BrowserFolder env;
    env.folder.copyFromSource("data/system/docs", "system/docs");
    std::set<std::string> pages;
    for (const auto& entry : std::filesystem::directory_iterator(kFolder))
        if (entry.path().extension() == ".html") pages.insert(entry.path().filename().string());
    ASSERT_TRUE(pages.count("index.html"));

    std::set<std::string> reached = {"index.html"};
    for (const std::string& page : pages) {
        SCOPED_TRACE(page);
        const std::string text = env.folder.read(kFolder + page);
        PageLayout layout;
        layOut(layout, text, 620 - 16, 460);
        EXPECT_FALSE(layout.brokeOff());
        EXPECT_TRUE(layout.hasTitle());
        for (const std::string& picture : attributeValues(text, "SRC")) {
            Image image;
            EXPECT_EQ(image.loadFile((kFolder + picture).c_str()), 1) << picture;
        }
        const std::vector<std::string> targets = attributeValues(text, "HREF");
        EXPECT_EQ(layout.links().size(), targets.size());
        for (const std::string& target : targets) {
            EXPECT_TRUE(pages.count(target)) << target;
            if (page == "index.html") reached.insert(target);
        }
    }
    EXPECT_EQ(reached, pages);
}

}  // namespace
