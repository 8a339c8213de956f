// Values, lists, enabling and colours by widget name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/canvas/tests/canvas_support.h"

using namespace canvas_testing;

namespace {

struct ValuesFixture : CanvasFixture {
    ValuesFixture() {
        canvas->addEntryField("name", "Guest", 10, 10, 100, -1, 20);
        canvas->addLabelAt("info", "Ready", 10, 40, 100, -1, "r");
        canvas->addLabelAt("seat", "-", 10, 70, 100, -1, "br");
        canvas->addLabelAt("sync,clock", "0:00", 10, 100, 100, -1, "m");
        canvas->addPushButton("start", "Start!", 10, 130, 80, -1);
        canvas->addCheckBox("wiggle", "Wiggle", 0, 10, 160, 100, -1);
        canvas->addRadioButton("styleKV", "Classic", 1, 10, 190, 100, -1);
        canvas->addList("players", 0, 200, 10, 120, 100);
        canvas->addList("many", 1, 200, 120, 120, 100);
        canvas->realize();
        canvas->addVerticalScrollBar("vb", 330, 0, 16, 200);
    }
    static std::vector<std::string> take(char** texts) {
        std::vector<std::string> out;
        if (!texts) return out;
        for (char** t = texts; *t; ++t) {
            out.emplace_back(*t);
            std::free(*t);
        }
        std::free(texts);
        return out;
    }
    static std::vector<int> take(int* indices) {
        std::vector<int> out;
        if (!indices) return out;
        for (int* i = indices;; ++i) {
            out.push_back(*i);
            if (*i == -1) break;
        }
        std::free(indices);
        return out;
    }
};

TEST_F(ValuesFixture, SetAndGetByName) {
    struct Case {
        const char* what;
        const char* name;
        int setInt;  // applied with setIntValue unless INT32_MIN
        const char* setText;
        const char* shown;  // the control's text afterwards
    };
    const Case cases[] = {
        {"a number on an entry field", "name", 7, nullptr, "7"},
        {"a number on a label", "info", 7, nullptr, "7"},
        {"a number on a bottom label", "seat", -12, nullptr, "-12"},
        {"a text on an entry field", "name", INT32_MIN, "Vantrel", "Vantrel"},
        {"a text on a push button", "start", INT32_MIN, "Go", "Go"},
        {"a text on a check box", "wiggle", INT32_MIN, "Wobble", "Wobble"},
        {"a text is not translated", "info", INT32_MIN, "notrans,as it is", "notrans,as it is"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.setText)
            canvas->setValue(c.name, c.setText);
        else
            canvas->setIntValue(c.name, c.setInt);
        EXPECT_EQ(control(c.name)->text(), c.shown);
    }
    EXPECT_STREQ(canvas->getValue("name"), "Vantrel");
    EXPECT_STREQ(canvas->getValue("start"), "Go");
    EXPECT_STREQ(canvas->getValue("players"), "unknown");  // a list has no text value
    EXPECT_STREQ(canvas->getValue("nothing"), "unknown");
    EXPECT_STREQ(canvas->getValue(nullptr), "unknown");

    canvas->setIntValue("wiggle", 5);
    canvas->setIntValue("styleKV", 0);
    EXPECT_EQ(canvas->getIntValue("wiggle"), 1);
    EXPECT_EQ(canvas->getIntValue("styleKV"), 0);
    canvas->setScrollBarRange("vb", 0, 199, 20);
    canvas->setIntValue("vb", 55);
    EXPECT_EQ(canvas->getIntValue("vb"), 55);
    EXPECT_EQ(count("scrollBar set to 55\n"), 1);

    EXPECT_EQ(count("ERROR - getIntValue for"), 0);
    EXPECT_EQ(canvas->getIntValue("missing"), 0);
    EXPECT_EQ(count("ERROR - getIntValue for missing not found\n"), 1);
    EXPECT_EQ(canvas->getIntValue("name"), 0);  // an entry field has no number
    EXPECT_EQ(count("ERROR - getIntValue for name not found\n"), 1);
    EXPECT_EQ(canvas->getIntValueAt("missing", 0), 0);
    EXPECT_EQ(count("ERROR 34898 - getIntValue.i for missing not found\n"), 1);
}

TEST_F(ValuesFixture, TextResultsStayValidUntilTheNextQuery) {
    const char* first = canvas->getValue("name");
    std::string copy = first;
    canvas->setValue("name", "changed");  // a setter is no query
    EXPECT_EQ(std::string(first), copy);
    canvas->addListItem("players", "a");
    EXPECT_STREQ(canvas->getValueAt("players", 0), "a");
    EXPECT_EQ(canvas->getValueAt("players", 1), nullptr);
    EXPECT_EQ(canvas->getValueAt("players", -1), nullptr);
    EXPECT_EQ(canvas->getValueAt("name", 0), nullptr);
}

TEST_F(ValuesFixture, ListEntriesAndSelections) {
    const char* names[] = {"Ana", "Bo", "Cid", "Dee", nullptr};
    canvas->addListItems("many", names);
    EXPECT_EQ(canvas->getListCount("many"), 4);
    EXPECT_EQ(canvas->getListSelection("many"), -1);
    EXPECT_EQ(canvas->getListSelectedText("many"), nullptr);
    canvas->selectListIndex("many", 0);
    canvas->selectListString("many", "Cid");
    EXPECT_EQ(take(canvas->getListSelections("many")), (std::vector<int>{0, 2, -1}));
    EXPECT_EQ(take(canvas->getListSelectedStrings("many")), (std::vector<std::string>{"Ana", "Cid"}));
    EXPECT_EQ(canvas->getListSelectionCount("many"), 2);
    EXPECT_EQ(canvas->getIntValue("many"), 0);
    EXPECT_EQ(canvas->getIntValueAt("many", 2), 1);
    EXPECT_EQ(canvas->getIntValueAt("many", 1), 0);
    EXPECT_STREQ(canvas->getListSelectedText("many"), "Ana");

    const int none[] = {0, 2, -1};
    canvas->deselectListIndices("many", none);
    EXPECT_EQ(canvas->getListSelectionCount("many"), 0);
    const char* pick[] = {"Bo", "Dee", "Zed", nullptr};
    canvas->selectListStrings("many", pick);
    EXPECT_EQ(take(canvas->getListSelections("many")), (std::vector<int>{1, 3, -1}));
    canvas->clearList("many", 0);
    EXPECT_EQ(canvas->getListSelectionCount("many"), 0);
    canvas->clearList("many", -1);
    EXPECT_EQ(canvas->getListSelectionCount("many"), 4);

    canvas->removeListItem("many", -1);  // taken as unsigned: far out of range
    canvas->removeListItem("many", 4);
    EXPECT_EQ(canvas->getListCount("many"), 4);
    canvas->removeListString("many", "bo");  // case-sensitive: nothing
    canvas->removeListString("many", "Bo");
    const char* gone[] = {"Ana", "Zed", nullptr};
    canvas->removeListStrings("many", gone);
    EXPECT_EQ(take(canvas->getListStrings("many")), (std::vector<std::string>{"Cid", "Dee"}));
    canvas->setListItemText("many", "Cyd", 0);
    canvas->setValueAt("many", "Di", 1);
    canvas->setValueAt("many", "nowhere", 9);
    EXPECT_EQ(take(canvas->getListStrings("many")), (std::vector<std::string>{"Cyd", "Di"}));
    canvas->clearList("many", 1);
    EXPECT_EQ(canvas->getListCount("many"), 0);
    EXPECT_EQ(take(canvas->getListStrings("many")), (std::vector<std::string>{}));

    // A list of one selection, sorted inserts.
    for (const char* t : {"kv 2004", "chk 2007", "gkv 2005"}) canvas->addListItemSorted("players", t);
    EXPECT_EQ(take(canvas->getListStrings("players")), (std::vector<std::string>{"chk 2007", "gkv 2005", "kv 2004"}));
    canvas->selectListIndex("players", 0);
    canvas->selectListIndex("players", 2);
    EXPECT_EQ(take(canvas->getListSelections("players")), (std::vector<int>{2, -1}));
    canvas->deselectListString("players", "kv 2004");
    EXPECT_EQ(canvas->getListSelection("players"), -1);

    // No such list.
    EXPECT_EQ(canvas->getListStrings("name"), nullptr);
    EXPECT_EQ(canvas->getListSelectedStrings("nothing"), nullptr);
    EXPECT_EQ(canvas->getListSelections("nothing"), nullptr);
    EXPECT_EQ(canvas->getListCount("nothing"), 0);
    EXPECT_EQ(canvas->getListSelectionCount("nothing"), 0);
    EXPECT_EQ(canvas->getListSelection("nothing"), -1);
}

TEST_F(ValuesFixture, SettersReachEveryRecordOfTheNameQueriesTheFirst) {
    canvas->addHorizontalScrollBar("twin", 0, 300, 100, 16);
    canvas->addVerticalScrollBar("twin", 0, 320, 16, 100);
    canvas->setScrollBarRange("twin", 0, 99, 10);
    canvas->setIntValue("twin", 30);
    const WidgetRecord* first = canvas->findWidget("twin");
    ASSERT_NE(first, nullptr);
    int seen = 0;
    for (int i = 0; i < canvas->widgetCount(); ++i)
        if (canvas->widget(i).named("twin")) {
            EXPECT_EQ(canvas->widget(i).control->scrollPosition(), 30);
            ++seen;
        }
    EXPECT_EQ(seen, 2);
    canvas->widget(canvas->widgetCount() - 1).control->setScrollPosition(5);
    EXPECT_EQ(canvas->getIntValue("twin"), 30);
    EXPECT_EQ(canvas->getControl("Twin"), nullptr);  // names match exactly
}

TEST_F(ValuesFixture, ColoursByNameAndByWord) {
    using platform::ui::Rgb;
    struct Case {
        const char* word;
        Rgb rgb;
    };
    const Case cases[] = {
        {"red", {255, 0, 0}},       {"green", {0, 255, 0}}, {"blue", {0, 0, 255}},
        {"white", {255, 255, 255}}, {"black", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        canvas->setForegroundColor("info", c.word);
        canvas->setBackgroundColor("start", c.word);
        EXPECT_EQ(control("info")->foreground(), c.rgb);
        EXPECT_EQ(control("start")->background(), c.rgb);
    }
    canvas->setForegroundColorF("info", 1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_EQ(control("info")->foreground(), (Rgb{255, 127, 0}));
    canvas->setForegroundColor("info", "Red");  // the words are case-sensitive
    EXPECT_EQ(control("info")->foreground(), (Rgb{255, 127, 0}));
    EXPECT_EQ(count("ERROR SuperCanvas::setForegroundColor unknown info=Red\n"), 1);
    canvas->setBackgroundColor("start", "purple");
    EXPECT_EQ(count("ERROR SuperCanvas::setBackgroundColor unknown start=purple\n"), 1);
    EXPECT_EQ(control("start")->background(), (Rgb{0, 0, 0}));
    canvas->setBackgroundColorRGB("wiggle", 10, 20, 30);
    EXPECT_EQ(control("wiggle")->background(), (Rgb{10, 20, 30}));
}

TEST_F(ValuesFixture, EnablingWidgetsTheCanvasAndEmbeddedCores) {
    canvas->disableWidget("start");
    EXPECT_FALSE(control("start")->enabled());
    EXPECT_EQ(canvas->getWidgetState("start"), 0);
    canvas->enableWidget("start");
    EXPECT_EQ(canvas->getWidgetState("start"), 1);
    EXPECT_EQ(canvas->getWidgetState("nothing"), 0);
    canvas->setWidgetEnabled(nullptr, 0);
    EXPECT_FALSE(canvas->platformCanvas()->enabled());
    canvas->setWidgetEnabled(nullptr, 1);
    EXPECT_TRUE(canvas->platformCanvas()->enabled());

    ValueCore list;
    list.name = "list";
    ValueCore other;
    other.name = "other";
    canvas->addEmbeddedCore(&list);
    canvas->addEmbeddedCore(&list);  // once only
    canvas->addEmbeddedCore(&other);
    canvas->disableItem("list");
    canvas->setWidgetEnabled("list", 1);  // widgets only
    canvas->enableItem("list");
    EXPECT_EQ(list.enabledCalls, (std::vector<int>{0, 1}));
    EXPECT_TRUE(other.enabledCalls.empty());
    canvas->disableItem("wiggle");
    EXPECT_FALSE(control("wiggle")->enabled());
    canvas->removeEmbeddedCore(&list);
    canvas->disableItem("list");
    EXPECT_EQ(list.enabledCalls.size(), 2u);
    canvas->removeEmbeddedCore(&other);
}

}  // namespace
