// The list core on a display: what a person sees of a painted list (pixel
// probes with a tolerance), a long list driven with the mouse (sorted,
// scrolled, selected) and rows dragged onto another list of the program.
// The mouse is driven with xdotool, the window found by its title.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/canvas/dragdrop.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "game/match/tests/list_support.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using list_testing::Event;
using testing_support::waitFor;

namespace {

// A windowed core that embeds lists and records their row events.
class ListWindow : public SuperCore {
public:
    ListWindow(const char* title, int w, int h) : SuperCore("listWindow", w, h, 0) { iFrame->setTitle(title); }
    const char* getCoreClassName() override { return "ListWindow"; }
    int onListSelect(const char* eventName, SuperCore* sender, int row) override {
        std::string name = eventName;
        events.push_back({name.substr(name.find("::") + 2), row, sender});
        return 1;
    }
    std::vector<Event> events;
};

// A list that records the files dropped on it.
class DropList : public AdvancedListCore {
public:
    using AdvancedListCore::AdvancedListCore;
    void dropFiles(char** list, int x, int y) override {
        for (char** p = list; *p; ++p) drops.push_back({*p, x, y});
    }
    struct Drop {
        std::string path;
        int x, y;
    };
    std::vector<Drop> drops;
};

struct ListGuiFixture : ::testing::Test {
    ListGuiFixture() { dragDropRegistry = new DragDropRegistry(); }
    ~ListGuiFixture() override {
        // The lists go before their window.
        lists.clear();
        if (window) delete window;
        platform::ui::processEvents(0.1);
        delete dragDropRegistry;
        dragDropRegistry = nullptr;
    }

    static void settle() { platform::ui::processEvents(0.3); }

    static std::string windowId(const char* title) {
        std::string cmd = std::string("xdotool search --sync --name '") + title + "' 2>/dev/null | head -n1";
        std::string id;
        if (FILE* f = popen(cmd.c_str(), "r")) {
            char buf[64] = {};
            if (fgets(buf, sizeof buf, f)) id = buf;
            pclose(f);
        }
        while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
        return id;
    }
    // Runs xdotool; the caller waits for what the events it caused do.
    static void xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }
    // A point of a canvas in its frame window's coordinates.
    static std::pair<int, int> framePoint(SuperCanvas* canvas, int x, int y) {
        for (SuperCanvas* c = canvas; c; c = c->parentCanvas()) x += c->x(), y += c->y();
        return {x, y};
    }
    std::string moveTo(SuperCanvas* canvas, int x, int y) {
        auto [fx, fy] = framePoint(canvas, x, y);
        return "mousemove --sync --window " + wid + " " + std::to_string(fx) + " " + std::to_string(fy) + " ";
    }
    void clickAt(SuperCanvas* canvas, int x, int y, const char* extra = "") {
        xdo(moveTo(canvas, x, y) + extra + "click 1");
    }

    static void screenshot(const char* name) {
        if (!testing_support::screenshot(name)) ADD_FAILURE() << "screenshot " << name << " failed";
    }

    // The colour on the display at (x, y) of a canvas.
    static platform::ui::Rgb seen(SuperCanvas* canvas, int x, int y) {
        std::vector<uint8_t> p = platform::ui::readWindowPixels(canvas->platformCanvas(), x, y, 1, 1);
        if (p.size() < 3) return {-1, -1, -1};
        return {p[0], p[1], p[2]};
    }
    // A colour slot's bytes as the display shows them: the first byte is blue.
    static platform::ui::Rgb shown(const std::array<int, 3>& bytes) { return {bytes[2], bytes[1], bytes[0]}; }
    static bool near(const platform::ui::Rgb& a, const platform::ui::Rgb& b, int tolerance = 12) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
    }

    template <class L = AdvancedListCore>
    L* addList(int x, int y, int w, int h) {
        auto list = std::make_unique<L>("list", window, x, y, w, h);
        L* raw = list.get();
        lists.push_back(std::move(list));
        return raw;
    }

    testing_support::CoreEnvironment env;
    ListWindow* window = nullptr;
    std::vector<std::unique_ptr<AdvancedListCore>> lists;
    std::string wid;
};

#define EXPECT_SEEN(canvas, x, y, colour, what)                                                        \
    do {                                                                                               \
        const platform::ui::Rgb got_ = seen(canvas, x, y);                                             \
        EXPECT_TRUE(near(got_, colour)) << (what) << ": " << got_.r << "," << got_.g << "," << got_.b; \
    } while (0)

TEST_F(ListGuiFixture, PaintedListAsAPersonSeesIt) {
    window = new ListWindow("List pixels", 360, 260);
    AdvancedListCore* list = addList(10, 10, 316, 208);  // 300 drawn, header and 12 rows
    list->addColumn("Player", 0, 1.0);
    list->addColumn("History", 100, 0.0);
    list->computeColumnWidths();
    for (int r = 0; r < 6; ++r) list_testing::addRow(*list, r);
    list->row(0)->flags = 4;  // folder at indent 0
    list->row(1)->flags = 2;  // X mark
    list->selectRow(2);
    list->redraw();
    SuperCanvas* c = list->canvas();
    ASSERT_TRUE(waitFor([&] { return seen(c, 0, 100).b > 200; })) << "the list never showed";
    screenshot("list_pixels");

    EXPECT_SEEN(c, 0, 100, (platform::ui::Rgb{0, 0, 255}), "border left");
    EXPECT_SEEN(c, 150, 207, (platform::ui::Rgb{0, 0, 255}), "border bottom");
    EXPECT_SEEN(c, 299, 60, (platform::ui::Rgb{0, 0, 255}), "border right");
    EXPECT_SEEN(c, 150, 8, (platform::ui::Rgb{200, 200, 200}), "header");
    EXPECT_SEEN(c, 290, 16 + 9, shown(list->colour(1)), "row 0 stripe");
    EXPECT_SEEN(c, 290, 32 + 9, shown(list->colour(0)), "row 1 stripe: pale yellow");
    EXPECT_SEEN(c, 290, 32 + 9, (platform::ui::Rgb{255, 255, 235}), "pale yellow");
    EXPECT_SEEN(c, 290, 48 + 9, shown(list->colour(3)), "selected row 2");
    EXPECT_SEEN(c, 290, 165, shown(list->colour(0)), "stripes below the rows");
    EXPECT_SEEN(c, 1, 16 + 6, (platform::ui::Rgb{255, 255, 0x74}), "folder fill at indent 0");
    EXPECT_SEEN(c, 3, 16 + 6, (platform::ui::Rgb{0, 0, 0}), "folder edge at indent 0");
    const int cx = static_cast<int>(list->columnWidth(0)) - 6;
    EXPECT_SEEN(c, cx, 32 + 8, (platform::ui::Rgb{0, 25, 0}), "X mark centre");
    EXPECT_SEEN(c, cx + 2, 32 + 10, (platform::ui::Rgb{0, 25, 0}), "X mark arm");

    // The texts are drawn: dark pixels inside row 0's first cell.
    std::vector<uint8_t> cell = platform::ui::readWindowPixels(c->platformCanvas(), 5, 17, 60, 14);
    int dark = 0;
    for (std::size_t i = 0; i + 2 < cell.size(); i += 3)
        if (cell[i] < 100 && cell[i + 1] < 100 && cell[i + 2] < 100) ++dark;
    EXPECT_GT(dark, 10) << "no text in the first cell";

    // Disabled: every other pixel grey 195.
    list->disable();
    ASSERT_TRUE(waitFor([&] { return near(seen(c, 291, 24), {195, 195, 195}); }));
    EXPECT_SEEN(c, 290, 24, shown(list->colour(1)), "disabled, even x + y");
    EXPECT_SEEN(c, 1, 100, (platform::ui::Rgb{195, 195, 195}), "disabled, odd x + y over the border");
    screenshot("list_disabled");
}

// Player names and cities for a long list.
const char* const kNames[] = {"Vantrel", "orsolya", "Kettu", "Brin", "amos",  "Idrun", "Sefa",   "tolvar",
                              "Maelis",  "Quen",    "ravik", "Ulla", "Dorno", "Pell",  "Yarrow", "essa"};
const char* const kPlaces[] = {"Harth", "Lowmere", "Suvi", "Calden", "Trask", "Olm", "Fenwick"};

TEST_F(ListGuiFixture, LongListSortedScrolledAndSelectedWithTheMouse) {
    window = new ListWindow("List of players", 640, 460);
    AdvancedListCore* list = addList(10, 10, 420, 400);  // header and 24 rows shown
    list->addColumn("Player", 0, 0.6);
    list->addColumn("Place", 0, 0.4);
    list->addColumn("History", 90, 0.0);
    list->addColumn("ids", 0, 0.0);
    list->computeColumnWidths();
    const int rows = 300;
    for (int r = 0; r < rows; ++r) {
        const std::string name = std::string(kNames[(r * 7) % 16]) + " " + std::to_string(r);
        list->setCell(r, 0, name.c_str());
        list->setCell(r, 1, kPlaces[r % 7]);
        list->setCell(r, 2, std::to_string((r * 37) % 1000).c_str());
        list->setCell(r, 3, ("k " + std::to_string(r)).c_str());
        list->setRowCount(r + 1);
        if (r % 11 == 0) list->row(r)->flags = 4 | (r % 22 == 0 ? 16 : 0);
        if (r % 13 == 5) list->row(r)->flags = 2;
        list->row(r)->indent = (r % 11 == 0) ? 12 : 0;
    }
    list->setItemCount(rows);
    list->updateScrollBar(1);
    list->redraw();
    SuperCanvas* c = list->canvas();
    ASSERT_TRUE(waitFor([&] { return seen(c, 0, 100).b > 200; })) << "the list never showed";
    wid = windowId("List of players");
    ASSERT_FALSE(wid.empty()) << "no window with that title";

    // Sort by history (shortest first), then by player.
    auto sortedBy = [&](int column, const std::function<bool(const char*, const char*)>& inOrder) {
        for (int r = 1; r < rows; ++r)
            if (!inOrder(list->cellText(r - 1, column), list->cellText(r, column))) return false;
        return true;
    };
    auto shorterOrSame = [](const char* a, const char* b) { return std::strlen(a) <= std::strlen(b); };
    auto alphabetical = [](const char* a, const char* b) { return strcasecmp(a, b) <= 0; };
    clickAt(c, 350, 8);
    EXPECT_TRUE(waitFor([&] { return sortedBy(2, shorterOrSame); })) << "not sorted by history";
    clickAt(c, 20, 8);
    EXPECT_TRUE(waitFor([&] { return sortedBy(0, alphabetical); })) << "not sorted by player";

    // Scroll down a page with a click in the scroll bar's trough.
    clickAt(c, 412, 380);
    ASSERT_TRUE(waitFor([&] { return list->firstVisibleRow() > 0; })) << "the list did not scroll";
    const int first = list->firstVisibleRow();

    // Click the third visible row, shift-click the seventh: five rows.
    window->events.clear();
    clickAt(c, 150, 16 * 3 + 8);
    clickAt(c, 150, 16 * 7 + 8, "keydown shift ");
    xdo("keyup shift");
    EXPECT_TRUE(waitFor([&] { return window->events.size() >= 5; }));
    const int a = first + 2, b = first + 6;
    std::set<int> chosen;
    for (int r = 0; r < rows; ++r)
        if (list->isRowSelected(r)) chosen.insert(r);
    EXPECT_EQ(chosen, (std::set<int>{a, a + 1, a + 2, a + 3, b}));
    EXPECT_EQ(window->events,
              (std::vector<Event>{{"select", a}, {"select", b}, {"select", b}, {"select", b}, {"select", b}}));
    EXPECT_EQ(list->anchorRow(), b);

    // A double-click on an unselected row: selected by the first click,
    // unselected again and reported by the second.
    window->events.clear();
    xdo(moveTo(c, 150, 16 * 10 + 8) + "click --repeat 2 --delay 80 1");
    EXPECT_TRUE(waitFor([&] { return window->events.size() >= 3; }));
    EXPECT_EQ(window->events,
              (std::vector<Event>{{"select", first + 9}, {"deselect", first + 9}, {"doubleClick", first + 9}}));

    EXPECT_TRUE(waitFor([&] { return near(seen(c, 395, 16 * 4 + 9), shown(list->colour(3))); }));
    EXPECT_SEEN(c, 395, 16 * 4 + 9, shown(list->colour(3)), "a selected row");
    EXPECT_SEEN(c, 395, 16 * 10 + 9, shown(list->colour((10 + first) % 2)), "the double-clicked row");
    screenshot("list_scrolled_sorted_selected");
}

TEST_F(ListGuiFixture, SelectedRowsDragOntoAnotherList) {
    window = new ListWindow("List drag", 560, 300);
    AdvancedListCore* from = addList(10, 10, 256, 240);
    DropList* to = addList<DropList>(290, 10, 256, 240);
    for (AdvancedListCore* l : {from, static_cast<AdvancedListCore*>(to)}) {
        l->addColumn("File", 0, 1.0);
        l->addColumn("Folder", 0, 0.0);
        l->computeColumnWidths();
    }
    for (int r = 0; r < 6; ++r) {
        from->setCell(r, 0, ("board " + std::to_string(r) + ".gkv").c_str());
        from->setCell(r, 1, ("/boards/set " + std::to_string(r)).c_str());
        from->setRowCount(r + 1);
    }
    from->redraw();
    SuperCanvas* src = from->canvas();
    SuperCanvas* dst = to->canvas();
    ASSERT_TRUE(waitFor([&] { return seen(src, 0, 100).b > 200 && seen(dst, 0, 100).b > 200; }))
        << "the lists never showed";
    wid = windowId("List drag");
    ASSERT_FALSE(wid.empty());

    clickAt(src, 100, 16 * 2 + 8);  // row 1
    ASSERT_TRUE(waitFor([&] { return from->isRowSelected(1) == 1; }));
    // Press on row 3, drag it out and drop it on the other list. The drag
    // runs its own loop, so the moves come from a driver in the background.
    auto [sx, sy] = framePoint(src, 100, 16 * 4 + 8);
    auto [dx, dy] = framePoint(dst, 120, 100);
    std::string chain = "xdotool mousemove --window " + wid + " " + std::to_string(sx) + " " + std::to_string(sy) +
                        " mousedown 1 sleep 0.2";
    for (int step = 1; step <= 6; ++step)
        chain += " mousemove --window " + wid + " " + std::to_string(sx + (dx - sx) * step / 6) + " " +
                 std::to_string(sy + (dy - sy) * step / 6) + " sleep 0.15";
    chain += " mouseup 1 &";
    ASSERT_EQ(std::system(chain.c_str()), 0);
    ASSERT_TRUE(waitFor([&] { return to->drops.size() >= 2; })) << "nothing was dropped";
    settle();  // a third drop, if one were to come

    ASSERT_EQ(to->drops.size(), 2u);
    EXPECT_EQ(to->drops[0].path, "/boards/set 1/board 1.gkv");
    EXPECT_EQ(to->drops[1].path, "/boards/set 3/board 3.gkv");
    // The release point, in the target canvas's coordinates.
    EXPECT_NEAR(to->drops[0].x, 120, 2);
    EXPECT_NEAR(to->drops[0].y, 100, 2);
    // The pressed row joined the selection as the drag began.
    EXPECT_EQ(from->isRowSelected(3), 1);
    EXPECT_EQ(window->events, (std::vector<Event>{{"select", 1}, {"select", 3}}));
    screenshot("list_drag");
}

}  // namespace
