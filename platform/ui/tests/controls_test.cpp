// Controls without a display: entries and selections of lists and combo
// boxes, scroll-bar ranges, and controls that outlive their toolkit widget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <FL/Fl_Input_.H>

#include <cstring>

#include "platform/ui/controls.h"
#include "platform/ui/fltk_detail.h"
#include "platform/ui/window.h"

using namespace platform::ui;

namespace {

std::vector<std::string> entries(const Control& c) {
    std::vector<std::string> out;
    for (int i = 0; i < c.itemCount(); ++i) out.push_back(c.itemText(i));
    return out;
}

std::vector<int> selected(const Control& c) {
    std::vector<int> out;
    for (int i = 0; i < c.itemCount(); ++i)
        if (c.itemSelected(i)) out.push_back(i);
    return out;
}

TEST(ListControl, KeepsEntriesInOrderAndSortedInsertsInByteOrder) {
    for (ControlType type : {ControlType::List, ControlType::Choice}) {
        SCOPED_TRACE(type == ControlType::List ? "list" : "combo box");
        Control c(nullptr, type, {0, 0, 100, 100}, 1001);
        c.addItem("pear");
        c.addItem("@bold&x");  // texts are kept as they are
        EXPECT_EQ(entries(c), (std::vector<std::string>{"pear", "@bold&x"}));
        c.clearItems();
        for (const char* t : {"m", "b", "Z", "m", "c"}) c.addItem(t, true);
        EXPECT_EQ(entries(c), (std::vector<std::string>{"Z", "b", "c", "m", "m"}));
        EXPECT_EQ(c.findItem("m"), 3);
        EXPECT_EQ(c.findItem("q"), -1);
        EXPECT_EQ(c.findItem("M"), -1);  // exact, case-sensitive
        c.setItemText(1, "B");
        c.setItemText(9, "nowhere");
        c.removeItem(-1);
        c.removeItem(5);
        EXPECT_EQ(entries(c), (std::vector<std::string>{"Z", "B", "c", "m", "m"}));
        EXPECT_EQ(c.itemText(7), "");
    }
}

TEST(ListControl, OneSelectionOrManyByType) {
    struct Case {
        ControlType type;
        std::vector<int> afterSelecting0And2;
        std::vector<int> afterSelectAll;
    };
    const Case cases[] = {
        {ControlType::List, {2}, {3}},
        {ControlType::MultiList, {0, 2}, {0, 1, 2, 3}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type == ControlType::List ? "one" : "many");
        Control c(nullptr, k.type, {0, 0, 100, 100}, 1001);
        for (const char* t : {"a", "b", "c", "d"}) c.addItem(t);
        EXPECT_EQ(c.selectedIndex(), -1);
        c.setItemSelected(0, true);
        c.setItemSelected(2, true);
        c.setItemSelected(9, true);  // out of range: nothing
        EXPECT_EQ(selected(c), k.afterSelecting0And2);
        EXPECT_EQ(c.selectedCount(), static_cast<int>(k.afterSelecting0And2.size()));
        c.selectAll(true);
        EXPECT_EQ(selected(c), k.afterSelectAll);
        c.selectAll(false);
        EXPECT_TRUE(selected(c).empty());
        EXPECT_EQ(c.selectedIndex(), -1);
    }
}

TEST(ListControl, RemovingTheSelectedEntryLeavesNoSelectionBehind) {
    Control c(nullptr, ControlType::List, {0, 0, 100, 100}, 1001);
    for (const char* t : {"a", "b", "c"}) c.addItem(t);
    c.setItemSelected(1, true);
    c.removeItem(1);
    EXPECT_EQ(c.selectedIndex(), -1);
    // Selecting another afterwards must not reach the removed entry.
    c.setItemSelected(0, true);
    c.setItemSelected(1, true);
    EXPECT_EQ(selected(c), (std::vector<int>{1}));
    EXPECT_EQ(c.itemText(1), "c");
    c.clearItems();
    EXPECT_EQ(c.selectedIndex(), -1);
    c.addItem("x");
    c.setItemSelected(0, true);
    EXPECT_EQ(c.selectedIndex(), 0);
}

TEST(ChoiceControl, TheSelectionFollowsInsertsAndRemovals) {
    Control c(nullptr, ControlType::Choice, {0, 0, 100, 22}, 1001);
    EXPECT_EQ(c.text(), "");
    for (const char* t : {"low", "mid", "high"}) c.addItem(t);
    c.setItemSelected(1, true);
    EXPECT_EQ(c.text(), "mid");
    c.addItem("a", true);  // inserted before the selection
    EXPECT_EQ(c.selectedIndex(), 2);
    EXPECT_EQ(c.text(), "mid");
    c.removeItem(0);
    EXPECT_EQ(c.text(), "mid");
    c.removeItem(1);  // the selected one
    EXPECT_EQ(c.selectedIndex(), -1);
    EXPECT_EQ(c.text(), "");
}

TEST(ScrollBarControl, ThePositionStaysWithinTheRange) {
    struct Case {
        int low, high, visible, asked, expected;
    };
    const Case cases[] = {
        {0, 999, 100, 50, 50}, {0, 999, 100, 950, 900}, {0, 999, 100, -5, 0},
        {10, 20, 1, 20, 20},   {0, 50, 400, 30, 0},     {5, 5, 1, 9, 5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.asked);
        Control c(nullptr, ControlType::VerticalScrollBar, {0, 0, 16, 100}, 1001);
        c.setScrollRange(k.low, k.high, k.visible);
        c.setScrollPosition(k.asked);
        EXPECT_EQ(c.scrollPosition(), k.expected);
    }
}

TEST(Controls, StateReadsBackAndOperationsOfOtherTypesDoNothing) {
    Control entry(nullptr, ControlType::SecretEntry, {0, 0, 100, 22}, 1001);
    entry.setText("secret");
    entry.setMaxLength(8);
    EXPECT_EQ(entry.text(), "secret");
    EXPECT_EQ(entry.maxLength(), 8);
    entry.setChecked(true);
    EXPECT_FALSE(entry.checked());
    entry.addItem("x");
    EXPECT_EQ(entry.itemCount(), 0);

    Control box(nullptr, ControlType::CheckBox, {0, 0, 100, 22}, 1002);
    box.setText("Wiggle & jiggle");
    box.setChecked(true);
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(box.text(), "Wiggle & jiggle");
    box.setForeground({255, 0, 0});
    box.setBackground({0, 0, 255});
    EXPECT_EQ(box.foreground(), (Rgb{255, 0, 0}));
    EXPECT_EQ(box.background(), (Rgb{0, 0, 255}));
    box.setEnabled(false);
    EXPECT_FALSE(box.enabled());
    box.place(5, 6, -10, 20);
    EXPECT_EQ(box.rect().w, 0);
    EXPECT_EQ(box.rect().x, 5);
}

// Types or pastes into an entry as the toolkit delivers it.
void deliver(Control& entry, int event, const char* text, int state = 0) {
    Fl::e_text = const_cast<char*>(text);
    Fl::e_length = static_cast<int>(std::strlen(text));
    Fl::e_keysym = static_cast<unsigned char>(text[0]) < 0x80 ? static_cast<unsigned char>(text[0]) : 'x';
    Fl::e_state = state;
    toolkitWidget(&entry)->handle(event);
    Fl::e_text = const_cast<char*>("");
    Fl::e_length = 0;
    Fl::e_state = 0;
}

// The limit counts bytes: a chat line or a name typed in any script fits
// the byte-bound message it goes into; what does not fit is refused, and a
// paste is cut at the start of a character.
TEST(Controls, AnEntryLimitCountsBytesOfWhatIsTyped) {
    for (ControlType type : {ControlType::Entry, ControlType::SecretEntry}) {
        Control entry(nullptr, type, {0, 0, 200, 22}, 1001);
        entry.setMaxLength(5);
        auto* input = static_cast<Fl_Input_*>(toolkitWidget(&entry));
        struct Step {
            int event;
            const char* text;
            int state;
            const char* after;
        } steps[] = {
            {FL_KEYBOARD, "ab", 0, "ab"},
            {FL_KEYBOARD, "\xc3\xa9", 0, "ab\xc3\xa9"},  // two bytes: four in all
            {FL_KEYBOARD, "\xc3\xa9", 0, "ab\xc3\xa9"},  // six would not fit
            {FL_KEYBOARD, "c", 0,
             "ab\xc3\xa9"
             "c"},  // five
            {FL_KEYBOARD, "d", 0,
             "ab\xc3\xa9"
             "c"},                                                    // full
            {FL_KEYBOARD, "\b", 0, "ab\xc3\xa9"},                     // a control key still works
            {FL_PASTE, "\xc3\xa9\xc3\xa9\xc3\xa9", 0, "ab\xc3\xa9"},  // cut to nothing
        };
        for (const Step& st : steps) {
            SCOPED_TRACE(st.after);
            deliver(entry, st.event, st.text, st.state);
            EXPECT_EQ(entry.text(), st.after);
            EXPECT_LE(entry.text().size(), 5u);
        }
        // Over a selection the selected bytes make room: a paste is cut at
        // a character's start.
        input->position(0, input->size());
        deliver(entry, FL_PASTE, "\xc3\xa9\xc3\xa9\xc3\xa9");
        EXPECT_EQ(entry.text(), "\xc3\xa9\xc3\xa9");
        // The program's own texts are not cut.
        entry.setText("a longer text");
        EXPECT_EQ(entry.text(), "a longer text");
    }
}

TEST(Controls, OutliveTheirCanvasHarmlessly) {
    auto* frame = new Frame(0, 0, 200, 100, "gone");
    Canvas canvas(frame, {0, 0, 200, 100});
    frame->setClient(&canvas);
    Control button(&canvas, ControlType::PushButton, {10, 10, 80, 22}, 1001);
    Control list(&canvas, ControlType::List, {10, 40, 80, 50}, 1002);
    list.addItem("a");
    EXPECT_TRUE(button.exists());
    delete frame;  // the toolkit window goes, with its children
    EXPECT_FALSE(button.exists());
    button.setText("after");
    list.addItem("b");
    EXPECT_EQ(button.text(), "");
    EXPECT_EQ(list.itemCount(), 0);
    EXPECT_EQ(button.rect().w, 0);
}

// A measurer of a fixed width per character, as the canvas tests use.
struct Fixed : TextMeasurer {
    int textWidth(const char* text, const Font&) override { return 7 * static_cast<int>(std::string(text).size()); }
};

TEST(TextMeasurement, GoesThroughTheInstalledMeasurer) {
    Fixed fixed;
    setTextMeasurer(&fixed);
    EXPECT_EQ(textMeasurer().textWidth("abc", Font{}), 21);
    setTextMeasurer(nullptr);
    EXPECT_NE(&textMeasurer(), static_cast<TextMeasurer*>(&fixed));
    EXPECT_EQ((Font{"Arial", 8}).pixelSize(), 11);
}

}  // namespace
