// The list core without a display: rows and their texts, columns, colours,
// clicks, sorting, scrolling, dragging and the painted pixels.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/canvas/dragdrop.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "game/match/tests/list_support.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using list_testing::Event;
using list_testing::ListOwner;

namespace {

// An unshown frame and canvas with an owner core that records row events.
struct ListFixture : ::testing::Test {
    ListFixture() {
        folder.write("test.env", "");
        debugLogResetForTests();
        dragDropRegistry = new DragDropRegistry();
        frame = new SuperWindow(SuperWindow::defaultId, {30, 30, 512, 384}, SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame, SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        owner = new ListOwner();
        canvas->setCore(owner);
        frame->setCore(owner);
        owner->setFrameForTests(frame);
        owner->setCanvasForTests(canvas);
    }
    ~ListFixture() override {
        list.reset();
        delete frame;
        platform::ui::runPending();
        delete dragDropRegistry;
        dragDropRegistry = nullptr;
        debugLogResetForTests();
    }

    // A list of `rows` rows ("row N", "path N", "N") in three columns, 216
    // pixels wide (200 drawn) and 11 rows high (the header and 10 rows).
    AdvancedListCore& make(int rows, int width = 216, int height = 176) {
        list = std::make_unique<AdvancedListCore>("list", owner, 0, 0, width, height);
        list->addColumn("Player", 0, 1.0);
        list->addColumn("path", 0, 0.0);
        list->addColumn("History", 60, 0.0);
        list->computeColumnWidths();
        for (int r = 0; r < rows; ++r) list_testing::addRow(*list, r);
        return *list;
    }

    // A mouse event through the list's canvas, as the toolkit delivers it.
    void mouse(int x, int y, int action, bool shift = false) {
        KZVEvent e;
        e.x = x;
        e.y = y;
        e.button = 1;
        e.shift = shift;
        e.mouseAction = action == 1    ? KZVEvent::ButtonDown
                        : action == -1 ? KZVEvent::ButtonUp
                        : action == 2  ? KZVEvent::ButtonDoubleClick
                                       : KZVEvent::ButtonClick;
        list->canvas()->onMouseClick(list->canvas(), e);
    }
    // A single click at x on list row r (counted from the first visible).
    void click(int r, bool shift = false, int x = 100) {
        mouse(x, rowY(r), 1, shift);
        mouse(x, rowY(r), -1, shift);
        mouse(x, rowY(r), 0, shift);
    }
    static int rowY(int r) { return 16 * (r + 1) + 8; }

    std::set<int> selected() const {
        std::set<int> s;
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->isRowSelected(r)) s.insert(r);
        return s;
    }
    std::string log() { return folder.read("note.txt"); }

    testing_support::ProgramFolder folder;
    SuperWindow* frame;
    SuperCanvas* canvas;
    ListOwner* owner;
    std::unique_ptr<AdvancedListCore> list;
};

// ---------------------------------------------------------------- rows

TEST_F(ListFixture, BuildsInItsOwnersCanvas) {
    make(0);
    EXPECT_STREQ(list->getCoreClassName(), "AdvancedListCore");
    EXPECT_EQ(list->canvas()->parentCanvas(), canvas);
    EXPECT_EQ(canvas->embeddedCores(), std::vector<SuperCore*>{list.get()});
    EXPECT_EQ(list->rowCapacity(), 1024);
    EXPECT_EQ(list->colour(0), (std::array<int, 3>{235, 255, 255}));
    platform::ui::Control* bar = list->canvas()->getControl("scrollBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->rect().x, 200);
    EXPECT_EQ(bar->rect().w, 16);
    EXPECT_EQ(bar->rect().h, 176);
    // Its canvas takes part in drag and drop until the list goes.
    EXPECT_EQ(dragDropRegistry->coreOf(list->canvas()), list.get());
    EXPECT_EQ(dragDropRegistry->providerOf(list->canvas())->flags(), dragflags::kListCore);
    SuperCanvas* listCanvas = list->canvas();
    list.reset();
    EXPECT_EQ(dragDropRegistry->coreOf(listCanvas), nullptr);
    EXPECT_TRUE(canvas->embeddedCores().empty());
}

TEST_F(ListFixture, NameKeepsItsLimit) {
    const std::string longName(100, 'n');
    list = std::make_unique<AdvancedListCore>(longName.c_str(), owner, 0, 0, 100, 100);
    EXPECT_EQ(std::string(list->listName()), std::string(31, 'n'));
}

TEST_F(ListFixture, CellsAreTheListsOwnCopies) {
    make(0);
    std::string text = "Vantrel";
    list->setCell(0, 0, text.c_str());
    text[0] = 'X';  // the caller's buffer changes afterwards
    EXPECT_STREQ(list->cellText(0, 0), "Vantrel");
    EXPECT_EQ(list->cellText(0, 1), nullptr);

    RowItem* r = list->row(0);
    r->heading = 1, r->selected = 'Y', r->flags = 2, r->indent = 12;
    list->setCell(0, 0, "Orsolya");  // replaces the text, clears the bytes
    EXPECT_STREQ(list->cellText(0, 0), "Orsolya");
    EXPECT_EQ(r->heading + r->selected + r->flags + r->indent, 0);
    list->setCell(0, 0, nullptr);  // null stays null
    EXPECT_EQ(list->cellText(0, 0), nullptr);
    // Out of range: nothing.
    list->setCell(-1, 0, "x");
    list->setCell(0, 6, "x");
    EXPECT_EQ(list->cellText(0, 6), nullptr);
}

TEST_F(ListFixture, RowArrayGrowsInSteps) {
    make(0);
    struct Case {
        int row;
        int capacity;
    } cases[] = {{1023, 1024}, {1024, 2048}, {5000, 5120}, {100, 5120}};
    for (const Case& c : cases) {
        list->setCell(c.row, 0, "far");
        EXPECT_EQ(list->rowCapacity(), c.capacity) << c.row;
        EXPECT_STREQ(list->cellText(c.row, 0), "far");
    }
    EXPECT_NE(log().find("size is "), std::string::npos);
    list->setRowCount(6000);  // the owner's count makes room too
    EXPECT_EQ(list->rowCapacity(), 6144);
    EXPECT_NE(list->row(6143), nullptr);
    EXPECT_EQ(list->row(6144), nullptr);
}

TEST_F(ListFixture, RemovingARowTakesAllItsCellsAndCounts) {
    make(0);
    list->clearColumns();
    list->addColumn("Chat", 0, 1.0);  // one column now; rows still hold six cells
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) list->setCell(r, c, (std::to_string(r) + "." + std::to_string(c)).c_str());
    list->setRowCount(4);
    list->setItemCount(3);
    list->row(1)->heading = 1;
    list->selectRow(2);
    EXPECT_EQ(list->selectedCount(), 1);

    list->removeRow(2);  // selected, not a heading
    EXPECT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->itemCount(), 2);
    EXPECT_EQ(list->selectedCount(), 0);
    EXPECT_STREQ(list->cellText(2, 5), "3.5");  // the later row moved up, all six cells
    for (int c = 0; c < 6; ++c) EXPECT_EQ(list->cellText(3, c), nullptr) << c;

    list->removeRow(1);  // a heading: the item count stays
    EXPECT_EQ(list->itemCount(), 2);
    list->removeRow(7);  // beyond the rows: nothing
    list->removeRow(-1);
    EXPECT_EQ(list->rowCount(), 2);
    EXPECT_STREQ(list->cellText(0, 4), "0.4");
}

TEST_F(ListFixture, ClearingForgetsRowsAndTheirTexts) {
    make(30);
    list->selectRow(3);
    list->setIntValue("scrollBar", 5);
    list->clearList();
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(list->itemCount(), 0);
    EXPECT_EQ(list->selectedCount(), 0);
    EXPECT_EQ(list->firstVisibleRow(), 0);
    EXPECT_EQ(list->cellText(3, 0), nullptr);
    EXPECT_EQ(list->isRowSelected(3), 0);
    // A new row after clearing starts with no texts but its own.
    list->setCell(0, 0, "new");
    EXPECT_EQ(list->cellText(0, 1), nullptr);
}

TEST_F(ListFixture, SelectionCalls) {
    make(5);
    list->selectRow(1);
    list->selectRow(1);  // once only
    list->selectRow(3);
    list->selectRow(99);
    EXPECT_EQ(list->selectedCount(), 2);
    EXPECT_EQ(list->isRowSelected(1), 1);
    list->deselectRow(1);
    list->deselectRow(1);
    EXPECT_EQ(list->selectedCount(), 1);
    click(2);  // an anchor
    EXPECT_EQ(list->anchorRow(), 2);
    list->deselectAll();
    EXPECT_EQ(list->selectedCount(), 0);
    EXPECT_EQ(list->anchorRow(), -1);
    EXPECT_TRUE(selected().empty());
    list->row(4)->heading = 1;
    list->row(4)->flags = 66;
    EXPECT_EQ(list->isRowMarked(4), 1);
    EXPECT_EQ(list->getRowFlags(4), 66);
    EXPECT_EQ(list->getActiveList(), 5);
}

// ---------------------------------------------------------------- columns and colours

TEST_F(ListFixture, ColumnWidthsShareTheFreeSpace) {
    struct Case {
        int width;
        std::vector<std::pair<int, double>> columns;  // fixed width, share
        std::vector<double> widths;
    } cases[] = {
        // The lobby: "Player" takes all that "History" leaves.
        {316, {{0, 1.0}, {0, 0.0}, {100, 0.0}, {0, 0.0}}, {200, 0, 100, 0}},
        {117, {{0, 0.5}, {0, 0.5}}, {50.5, 50.5}},
        {216, {{50, 0.0}, {0, 0.25}, {0, 0.75}}, {50, 37.5, 112.5}},
        // Fixed widths beyond the list: nothing to share.
        {100, {{90, 0.0}, {0, 1.0}}, {90, 0}},
        {10, {{0, 1.0}}, {0}},
    };
    for (const Case& c : cases) {
        list = std::make_unique<AdvancedListCore>("list", owner, 0, 0, c.width, 100);
        for (auto [fixed, share] : c.columns) list->addColumn("c", fixed, share);
        list->computeColumnWidths();
        ASSERT_EQ(list->columnCount(), static_cast<int>(c.widths.size()));
        for (std::size_t i = 0; i < c.widths.size(); ++i)
            EXPECT_DOUBLE_EQ(list->columnWidth(static_cast<int>(i)), c.widths[i]) << c.width << " column " << i;
    }
    // At most six columns: the row has six cells.
    for (int i = 0; i < 8; ++i) list->addColumn("more", 10, 0);
    EXPECT_EQ(list->columnCount(), 6);
    list->clearColumns();
    EXPECT_EQ(list->columnCount(), 0);
}

TEST_F(ListFixture, ResizingMovesTheScrollBarAndRecomputes) {
    make(40);
    list->canvas()->platformCanvas()->place(0, 0, 316, 240);
    list->canvas()->onResize(316, 240);
    EXPECT_EQ(list->listWidth(), 316);
    EXPECT_EQ(list->canvas()->getControl("scrollBar")->rect().x, 300);
    EXPECT_EQ(list->canvas()->getControl("scrollBar")->rect().h, 240);
    EXPECT_DOUBLE_EQ(list->columnWidth(0), 240.0);
    EXPECT_EQ(list->canvas()->getControl("scrollBar")->scrollVisible(), 14);
}

TEST_F(ListFixture, ColourSetters) {
    make(0);
    list->setColor(255, 255, 255);
    EXPECT_EQ(list->colour(0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(list->colour(1), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(list->colour(3), (std::array<int, 3>{204, 204, 204}));
    EXPECT_EQ(list->colour(2), (std::array<int, 3>{180, 215, 215}));  // the heading colour stays
    list->setColor(100, 50, 7);
    EXPECT_EQ(list->colour(3), (std::array<int, 3>{80, 40, 5}));  // truncated toward zero
    list->setColorTriple(1, 2, 3);
    list->setHeadingColor(4, 5, 6);
    list->setSelectedColor(7, 8, 9);
    EXPECT_EQ(list->colour(0), (std::array<int, 3>{100, 50, 7}));
    EXPECT_EQ(list->colour(1), (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(list->colour(2), (std::array<int, 3>{4, 5, 6}));
    EXPECT_EQ(list->colour(3), (std::array<int, 3>{7, 8, 9}));
    list->setDefaultColors();
    EXPECT_EQ(list->colour(3), (std::array<int, 3>{215, 215, 180}));
}

// ---------------------------------------------------------------- clicks

// One mouse step: at x on list row r (-1: the header), an action, shift.
struct Step {
    int row;
    int action;
    bool shift = false;
    int x = 100;
};

TEST_F(ListFixture, ClickCases) {
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<Event> events;
        std::set<int> selected;
        int anchor;
    } cases[] = {
        {"click selects", {{3, 1}, {3, -1}, {3, 0}}, {{"select", 3}}, {3}, 3},
        {"second click deselects", {{3, 1}, {3, -1}, {3, 1}, {3, -1}}, {{"select", 3}, {"deselect", 3}}, {}, 3},
        {"other rows keep their selection",
         {{1, 1}, {1, -1}, {4, 1}, {4, -1}},
         {{"select", 1}, {"select", 4}},
         {1, 4},
         4},
        {"shift range names the clicked row",
         {{2, 1}, {2, -1}, {5, 1, true}, {5, -1, true}},
         {{"select", 2}, {"select", 5}, {"select", 5}, {"select", 5}},
         {2, 3, 4, 5},
         5},
        {"shift range upward",
         {{6, 1}, {6, -1}, {3, 1, true}, {3, -1, true}},
         {{"select", 6}, {"select", 3}, {"select", 3}, {"select", 3}},
         {3, 4, 5, 6},
         3},
        {"shift with no selection only moves the anchor",
         {{2, 1}, {2, -1}, {2, 1}, {2, -1}, {5, 1, true}, {5, -1, true}},
         {{"select", 2}, {"deselect", 2}},
         {},
         5},
        {"shift without an anchor", {{5, 1, true}, {5, -1, true}}, {}, {}, 5},
        {"release on another row", {{2, 1}, {3, -1}}, {}, {}, -1},
        {"release without press", {{2, -1}}, {}, {}, -1},
        {"double click on a selected row",
         {{4, 1}, {4, -1}, {4, 0}, {4, 1}, {4, 2}, {4, -1}, {4, 0}},
         {{"select", 4}, {"deselect", 4}, {"doubleClick", 4}},
         {},
         4},
        {"double click on an unselected row", {{4, 2}}, {{"doubleClick", 4}}, {}, -1},
        {"double click on the icon", {{4, 1}, {4, -1}, {4, 2, false, 2}}, {{"select", 4}, {"deselect", 4}}, {}, 4},
        {"icon click", {{4, 1, false, 2}, {4, -1, false, 2}}, {{"iconClick", 4}}, {}, 4},
        {"click below the rows", {{8, 1}, {8, -1}, {8, 2}}, {}, {}, -1},
        {"click on the scroll bar", {{2, 1, false, 205}, {2, -1, false, 205}}, {}, {}, -1},
    };
    for (const Case& c : cases) {
        make(8);
        owner->events.clear();
        for (const Step& s : c.steps) mouse(s.x, s.row < 0 ? 8 : rowY(s.row), s.action, s.shift);
        EXPECT_EQ(owner->events, c.events) << c.what;
        EXPECT_EQ(selected(), c.selected) << c.what;
        EXPECT_EQ(list->selectedCount(), static_cast<int>(c.selected.size())) << c.what;
        EXPECT_EQ(list->anchorRow(), c.anchor) << c.what;
        for (const Event& e : owner->events) EXPECT_EQ(e.sender, list.get()) << c.what;
    }
}

TEST_F(ListFixture, OtherButtonsAndHeadingsDoNothing) {
    make(5);
    list->row(2)->heading = 1;
    EXPECT_EQ(list->onRowClick(100, rowY(2), 1, 1, 0), 1);
    EXPECT_EQ(list->onRowClick(100, rowY(2), 1, -1, 0), 0);  // a heading is not selectable
    EXPECT_EQ(list->onRowClick(100, rowY(1), 2, 1, 0), 0);   // right button
    EXPECT_EQ(list->onRowClick(100, rowY(1), 2, -1, 0), 0);
    EXPECT_EQ(list->onRowClick(100, rowY(1), 3, 2, 0), 0);  // middle double-click
    EXPECT_TRUE(owner->events.empty());
    EXPECT_TRUE(selected().empty());
}

TEST_F(ListFixture, APressedRowThatWentIsNotReleased) {
    make(6);
    mouse(100, rowY(5), 1);
    list->removeRow(5);  // the row goes between press and release
    mouse(100, rowY(5), -1);
    EXPECT_TRUE(owner->events.empty());
    EXPECT_TRUE(selected().empty());

    // Nor completed by a drag.
    mouse(100, rowY(4), 1);
    list->removeRow(4);
    list->removeRow(3);
    int cursor = 0;
    std::string dir, name;
    EXPECT_EQ(list->getDragFile(&cursor, &dir, &name), 0);
    EXPECT_TRUE(owner->events.empty());
}

TEST_F(ListFixture, ShiftRangeStopsWhenTheOwnerRemovesRows) {
    make(8);
    click(1);
    owner->onEvent = [&](const Event& e) {
        if (e.name == "select" && list->rowCount() > 3) list->removeRow(list->rowCount() - 1);
    };
    mouse(100, rowY(6), 1, true);
    mouse(100, rowY(6), -1, true);  // rows 6 and 7 go while the range is walked
    EXPECT_LE(list->rowCount(), 6);
    for (int r : selected()) EXPECT_LT(r, list->rowCount());
}

// ---------------------------------------------------------------- sorting

// The rows' texts of columns 0 and 1, in list order ("-" for null).
std::vector<std::string> order(const AdvancedListCore& list, int column) {
    std::vector<std::string> out;
    for (int r = 0; r < list.rowCount(); ++r) {
        const char* t = list.cellText(r, column);
        out.emplace_back(t ? t : "-");
    }
    return out;
}

TEST_F(ListFixture, SortTables) {
    struct Row {
        const char* c0;
        const char* c1;
        const char* c2;
    };
    struct Case {
        const char* what;
        int column;
        std::vector<Row> rows;
        std::vector<std::string> column0After;
    } cases[] = {
        {"column 0: case-insensitive, ties by column 1",
         0,
         {{"beta", "2", ""}, {"Alpha", "z", ""}, {"alpha", "a", ""}, {nullptr, "q", ""}, {"Gamma", nullptr, ""}},
         {"-", "alpha", "Alpha", "beta", "Gamma"}},
        {"column 0: a null column 1 first on a tie", 0, {{"x", "b", ""}, {"X", nullptr, ""}}, {"X", "x"}},
        {"column 1: ties by column 0",
         1,
         {{"d", "same", ""}, {"c", "Same", ""}, {"a", "zeta", ""}, {"b", nullptr, ""}},
         {"b", "c", "d", "a"}},
        {"column 2: shorter first, whatever the letters",
         2,
         {{"ten", "", "10"}, {"nine", "", "9"}, {"hundred", "", "100"}, {"bee", "", "b"}, {"ay", "", "A"}},
         {"nine", "ay", "bee", "ten", "hundred"}},
        {"column 2: nulls first, ties by column 1 then column 0",
         2,
         {{"q", "b", "7"}, {"p", "a", "7"}, {"o", "a", "7"}, {"none", "", nullptr}},
         {"none", "o", "p", "q"}},
        {"column 3 does not sort", 3, {{"b", "", ""}, {"a", "", ""}}, {"b", "a"}},
    };
    for (const Case& c : cases) {
        make(0);
        list->addColumn("ids", 0, 0.0);
        int r = 0;
        for (const Row& row : c.rows) {
            list->setCell(r, 0, row.c0);
            list->setCell(r, 1, row.c1);
            list->setCell(r, 2, row.c2);
            ++r;
        }
        list->setRowCount(r);
        list->sortByColumn(c.column);
        EXPECT_EQ(order(*list, 0), c.column0After) << c.what;
    }
}

TEST_F(ListFixture, AClickOnATitleSortsItsColumn) {
    make(0);
    list->addColumn("ids", 0, 0.0);  // column 3, beyond the sortable ones
    const char* names[] = {"Kettu", "brin", "Orsolya", "amos"};
    for (int r = 0; r < 4; ++r) {
        list->setCell(r, 0, names[r]);
        list->setCell(r, 1, "");
        list->setCell(r, 2, std::to_string(4 - r).c_str());
        list->setCell(r, 3, std::to_string(r).c_str());
    }
    list->setRowCount(4);
    // Columns: Player 0-139, path (no width), History 140-199, ids (no width).
    mouse(150, 8, 1);  // History
    EXPECT_EQ(order(*list, 0), (std::vector<std::string>{"amos", "Orsolya", "brin", "Kettu"}));
    mouse(10, 8, 1);  // Player
    EXPECT_EQ(order(*list, 0), (std::vector<std::string>{"amos", "brin", "Kettu", "Orsolya"}));
    list->sortByColumn(2);
    mouse(205, 8, 1);  // the scroll bar, past every column
    EXPECT_EQ(order(*list, 0), (std::vector<std::string>{"amos", "Orsolya", "brin", "Kettu"}));
    list->sortByColumn(3);
    EXPECT_EQ(order(*list, 0), (std::vector<std::string>{"amos", "Orsolya", "brin", "Kettu"}));
    EXPECT_TRUE(owner->events.empty());
}

// ---------------------------------------------------------------- scrolling

TEST_F(ListFixture, ScrollScaleKeepsTheRangeBelow32768) {
    struct Case {
        int rows;
        int scale;
        int high;
        int page;
    } cases[] = {{0, 1, 0, 10},        {1, 1, 0, 10},        {32768, 1, 32767, 10},
                 {32769, 2, 16384, 5}, {70000, 4, 17499, 2}, {1000000, 32, 31249, 1}};
    for (const Case& c : cases) {
        make(0);
        list->setRowCount(c.rows);
        list->updateScrollBar(1);
        platform::ui::Control* bar = list->canvas()->getControl("scrollBar");
        EXPECT_EQ(list->scrollScale(), c.scale) << c.rows;
        EXPECT_EQ(bar->scrollHigh(), c.high) << c.rows;
        EXPECT_EQ(bar->scrollVisible(), c.page) << c.rows;
    }
    // 70,000 rows: each step moves 4 rows.
    make(0);
    list->setRowCount(70000);
    list->updateScrollBar(1);
    list->setIntValue("scrollBar", 3);
    EXPECT_EQ(list->firstVisibleRow(), 12);
    EXPECT_NE(log().find("siv scrollBar 3 0"), std::string::npos);
    list->setIntValue("scrollBar", 3);  // the same step: nothing
    list->setIntValue("otherBar", 9);
    EXPECT_EQ(list->firstVisibleRow(), 12);
    list->updateScrollBar(0);  // without reset the view stays
    EXPECT_EQ(list->firstVisibleRow(), 12);
    list->updateScrollBar(1);
    EXPECT_EQ(list->firstVisibleRow(), 0);
    EXPECT_EQ(list->canvas()->getControl("scrollBar")->scrollPosition(), 0);
}

TEST_F(ListFixture, ScrollingToTheLastRowShowsItAsTheLowestInView) {
    struct Case {
        int rows;
        int height;
        int first;  // the first visible row afterwards
        int step;   // the scroll bar's position
    } cases[] = {
        {0, 176, 0, 0},   // nothing to show
        {10, 176, 0, 0},  // every row in view (10 under the header)
        {11, 176, 1, 1},
        {40, 176, 30, 30},
        {40, 180, 30, 30},           // a part row at the bottom does not count
        {40, 20, 39, 39},            // no whole row fits: the last row comes first
        {70000, 176, 69992, 17498},  // steps of 4 rows: the step that shows row 69999
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows, " + std::to_string(c.height) + " pixels");
        make(0, 216, c.height);
        list->setRowCount(c.rows);
        list->scrollToLastRow();
        EXPECT_EQ(list->firstVisibleRow(), c.first);
        EXPECT_EQ(list->canvas()->getControl("scrollBar")->scrollPosition(), c.step);
    }
    // A view scrolled up comes back down for the next row.
    make(40);
    list->scrollToLastRow();
    list->setIntValue("scrollBar", 3);
    EXPECT_EQ(list->firstVisibleRow(), 3);
    list_testing::addRow(*list, 40);
    list->scrollToLastRow();
    EXPECT_EQ(list->firstVisibleRow(), 31);
    EXPECT_EQ(list->canvas()->getControl("scrollBar")->scrollPosition(), 31);
}

TEST_F(ListFixture, ClicksFollowTheScrollPosition) {
    make(30);
    list->setIntValue("scrollBar", 10);
    click(2);  // the third visible row is row 12
    EXPECT_EQ(selected(), (std::set<int>{12}));
    EXPECT_EQ(owner->events, (std::vector<Event>{{"select", 12}}));
}

// ---------------------------------------------------------------- hiding, disabling, dropping

TEST_F(ListFixture, HideMovesTheCanvasAwayOnce) {
    make(3);
    const int x = list->canvas()->x();
    list->hide();
    list->hide();
    EXPECT_EQ(list->canvas()->x(), x - 5000);
    EXPECT_EQ(list->isHidden(), 1);
    EXPECT_TRUE(list->renderPixels().empty());
}

TEST_F(ListFixture, DisableDimsAndStopsTheScrollBar) {
    make(3);
    list->disable();
    EXPECT_EQ(list->isEnabled(), 0);
    EXPECT_FALSE(list->canvas()->getControl("scrollBar")->enabled());
}

TEST_F(ListFixture, DroppedFilesChangeNothing) {
    make(3);
    std::string path = "/home/anna/a.png";
    char* files[] = {path.data(), nullptr};
    list->dropFiles(files, 10, 10);
    EXPECT_EQ(list->rowCount(), 3);
    EXPECT_TRUE(owner->events.empty());
}

// ---------------------------------------------------------------- dragging

TEST_F(ListFixture, DragOffersTheSelectedRows) {
    make(0);
    struct Row {
        const char* c0;
        const char* c1;
        int heading;
        bool selected;
    } rows[] = {
        {"loose.gkv", "/boards/loose", 0, true},  // no heading passed: column 1 is the path
        {"Boards", nullptr, 1, false},
        {"a.gkv", "/x", 0, false},
        {"b.gkv", "/x", 0, true},
        {"Other", nullptr, 1, false},
        {"c.gkv", "/y", 0, true},
        {"d.gkv", nullptr, 0, true},
    };
    const int n = static_cast<int>(std::size(rows));
    list->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        list->setCell(i, 0, rows[i].c0);
        list->setCell(i, 1, rows[i].c1);
        list->row(i)->heading = static_cast<uint8_t>(rows[i].heading);
        if (rows[i].selected) list->selectRow(i);
    }

    std::vector<std::pair<std::string, std::string>> got;
    int cursor = 0;
    std::string dir, name;
    while (list->getDragFile(&cursor, &dir, &name)) got.emplace_back(dir, name);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"/boards/loose", "loose.gkv"}, {"Boards", "b.gkv"}, {"Other", "c.gkv"}, {"Other", "d.gkv"}}));
    EXPECT_EQ(cursor, n);
    EXPECT_NE(log().find("DRAG Boards b.gkv"), std::string::npos);

    // A new drag forgets the heading of the last one.
    list->deselectAll();
    list->selectRow(0);
    cursor = 0;
    ASSERT_EQ(list->getDragFile(&cursor, &dir, &name), 1);
    EXPECT_EQ(dir, "/boards/loose");
}

TEST_F(ListFixture, ADragCompletesThePendingPressWithoutUnselecting) {
    make(6);
    list->selectRow(1);
    mouse(100, rowY(1), 1);  // press on a selected row, then drag
    mouse(100, rowY(3), 1);  // the newest press counts
    std::vector<SuperIDMItem> items;
    ASSERT_TRUE(SuperIDMItem::generateSourceItems(list->canvas(), items));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].fullPath(), "path 1\\row 1");
    EXPECT_EQ(items[1].fullPath(), "path 3\\row 3");
    EXPECT_EQ(owner->events, (std::vector<Event>{{"select", 3}}));

    // Pressed on an already selected row: it stays selected.
    owner->events.clear();
    mouse(100, rowY(1), 1);
    items.clear();
    ASSERT_TRUE(SuperIDMItem::generateSourceItems(list->canvas(), items));
    EXPECT_EQ(items.size(), 2u);
    EXPECT_TRUE(owner->events.empty());
    EXPECT_EQ(selected(), (std::set<int>{1, 3}));

    // Three selected rows make three items; none selected, no drag.
    list->selectRow(5);
    items.clear();
    ASSERT_TRUE(SuperIDMItem::generateSourceItems(list->canvas(), items));
    EXPECT_EQ(items.size(), 3u);
    list->deselectAll();
    items.clear();
    EXPECT_FALSE(SuperIDMItem::generateSourceItems(list->canvas(), items));
}

// ---------------------------------------------------------------- pixels

// A pixel of the painted buffer (bottom-up, first byte blue) as its three
// bytes in buffer order.
struct Painted {
    std::vector<uint8_t> bytes;
    int stride = 0;
    int height = 0;
    std::array<int, 3> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(stride) +
                               static_cast<std::size_t>(x)) *
                              3;
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
};

Painted paintOf(AdvancedListCore& list) { return {list.renderPixels(), list.paintStride(), list.listHeight()}; }

constexpr std::array<int, 3> kBlueBorder{0xFF, 0, 0};
constexpr std::array<int, 3> kGrey200{200, 200, 200};
constexpr std::array<int, 3> kBlack{0, 0, 0};
constexpr std::array<int, 3> kFolderFill{0x74, 0xFF, 0xFF};
constexpr std::array<int, 3> kMark{0, 25, 0};

TEST_F(ListFixture, PaintsStripesSelectionHeadingsAndTheFrame) {
    make(4);
    list->selectRow(1);
    list->row(2)->heading = 1;
    list->row(3)->heading = 1;
    list->selectRow(3);  // selected wins over heading
    const Painted p = paintOf(*list);
    ASSERT_EQ(p.stride, 208);  // (216 - 1) / 16 * 16
    ASSERT_EQ(p.bytes.size(), 208u * 176u * 3u);

    struct Probe {
        const char* what;
        int x, y;
        std::array<int, 3> bytes;
    } probes[] = {
        {"row 0: slot 1", 51, 24, list->colour(1)},
        {"row 1 selected: slot 3", 51, 40, list->colour(3)},
        {"row 2 heading: slot 2", 51, 56, list->colour(2)},
        {"row 3 heading and selected: slot 3", 51, 72, list->colour(3)},
        {"below the rows the stripes go on", 51, 88, list->colour(1)},
        {"and on", 51, 104, list->colour(0)},
        {"dotted line, even x", 50, 32, kGrey200},
        {"dotted line, odd x: the row's own colour", 51, 32, list->colour(3)},
        {"header face", 50, 8, kGrey200},
        {"header light top", 50, 1, {250, 250, 250}},
        {"header dark bottom", 50, 15, {150, 150, 150}},
        {"groove at column end 140: dark", 140, 8, {150, 150, 150}},
        {"groove at column end 140: light", 142, 8, {250, 250, 250}},
        {"separator beside a row", 140, 22, kGrey200},
        {"no separator beside a heading", 140, 58, list->colour(2)},
        {"no separator below the rows", 140, 90, list->colour(1)},
        {"border left", 0, 50, kBlueBorder},
        {"border right, last drawn column", 199, 50, kBlueBorder},
        {"border top", 60, 0, kBlueBorder},
        {"border bottom", 60, 175, kBlueBorder},
    };
    for (const Probe& pr : probes) EXPECT_EQ(p.at(pr.x, pr.y), pr.bytes) << pr.what;
    // Default row colours as a person sees them: first byte blue.
    EXPECT_EQ(p.at(51, 104), (std::array<int, 3>{235, 255, 255}));  // RGB 255, 255, 235: pale yellow
}

TEST_F(ListFixture, PaintsFolderIconsAndMarksInsideTheBuffer) {
    make(4);
    list->row(0)->flags = 4;  // plain folder at indent 0: its left part lies outside
    list->row(1)->flags = 8;  // slashed
    list->row(1)->indent = 20;
    list->row(2)->flags = 64 | 16;  // minus wins over plus
    list->row(2)->indent = 20;
    list->row(3)->flags = 2;  // the X mark
    const Painted p = paintOf(*list);
    const int col0 = static_cast<int>(list->columnWidth(0));
    struct Probe {
        const char* what;
        int x, y;
        std::array<int, 3> bytes;
    } probes[] = {
        // Row 0 (top 16): the icon's columns 7 to 10 show at x 0 to 3.
        {"indent 0: fill", 1, 16 + 3 + 3, kFolderFill},
        {"indent 0: ink at the right edge", 3, 16 + 3 + 3, kBlack},
        {"indent 0: tab row is background", 2, 16 + 3, list->colour(1)},
        {"indent 0: bottom edge", 2, 16 + 3 + 10, kBlack},
        // Row 1 (top 32), icon from x 13: the slash of pattern row 4 at column 7.
        {"slashed: slash", 13 + 7, 32 + 3 + 4, kBlack},
        {"slashed: fill beside it", 13 + 6, 32 + 3 + 4, kFolderFill},
        {"slashed: left edge", 13, 32 + 3 + 5, kBlack},
        {"slashed: tab", 13 + 2, 32 + 3, kBlack},
        // Row 2 (top 48): the minus bar of row 6, no plus stroke in row 4.
        {"minus: bar", 13 + 4, 48 + 3 + 6, kBlack},
        {"minus: no plus stroke", 13 + 5, 48 + 3 + 4, kFolderFill},
        // Row 3 (top 64, middle 72): the X centred at column 0's width - 6.
        {"mark centre", col0 - 6, 72, kMark},
        {"mark arm", col0 - 8, 70, kMark},
        {"mark arm", col0 - 4, 74, kMark},
        {"mark arm", col0 - 5, 71, kMark},
        {"between the arms", col0 - 6, 71, list->colour(0)},
    };
    for (const Probe& pr : probes) EXPECT_EQ(p.at(pr.x, pr.y), pr.bytes) << pr.what;
    EXPECT_EQ(p.at(0, 22), kBlueBorder);  // the border covers the icon's column at x 0
}

TEST_F(ListFixture, PaintingStaysInsideOddSizes) {
    struct Case {
        int width, height;
        bool drawn;
    } cases[] = {{10, 100, false}, {16, 100, false}, {17, 100, true}, {18, 100, true},
                 {20, 53, true},   {216, 16, false}, {216, 17, true}, {216, 53, true}};
    for (const Case& c : cases) {
        list = std::make_unique<AdvancedListCore>("list", owner, 0, 0, c.width, c.height);
        list->addColumn("Player", 3, 0.0);  // a column too narrow for its mark
        list->addColumn("Rest", 0, 1.0);
        list->computeColumnWidths();
        for (int r = 0; r < 4; ++r) {
            list_testing::addRow(*list, r);
            list->row(r)->flags = static_cast<uint8_t>(1 | 2 | 4);
            list->row(r)->indent = -20 + 15 * r;
        }
        const Painted p = paintOf(*list);
        EXPECT_EQ(!p.bytes.empty(), c.drawn) << c.width << "x" << c.height;
        if (p.bytes.empty()) continue;
        EXPECT_EQ(p.bytes.size(), static_cast<std::size_t>(p.stride) * c.height * 3) << c.width << "x" << c.height;
        EXPECT_EQ(p.at(0, c.height - 1), kBlueBorder) << c.width << "x" << c.height;
    }
}

TEST_F(ListFixture, NothingIsPaintedWithoutColumns) {
    make(4);
    list->clearColumns();
    EXPECT_TRUE(list->renderPixels().empty());
}

TEST_F(ListFixture, DisabledListIsDimmedEveryOtherPixel) {
    make(4);
    const Painted before = paintOf(*list);
    list->disable();
    const Painted p = paintOf(*list);
    for (int y : {0, 7, 24, 100})
        for (int x : {0, 1, 50, 51, 199}) {
            if ((x + y) % 2)
                EXPECT_EQ(p.at(x, y), (std::array<int, 3>{195, 195, 195})) << x << "," << y;
            else
                EXPECT_EQ(p.at(x, y), before.at(x, y)) << x << "," << y;
        }
}

TEST_F(ListFixture, ScrolledListPaintsFromTheFirstVisibleRow) {
    make(40);
    list->selectRow(12);
    list->setIntValue("scrollBar", 10);
    const Painted p = paintOf(*list);
    EXPECT_EQ(p.at(51, 16 * 3 + 8), list->colour(3));  // row 12 is the third visible
    EXPECT_EQ(p.at(51, 16 * 2 + 8), list->colour(0));  // row 11: pixel row 40 gives slot (2 + 10) mod 2
}

}  // namespace
