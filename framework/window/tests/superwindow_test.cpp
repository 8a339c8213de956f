// The frame window on frames that are never shown: menu ids and structure,
// menu commands reaching the core, the menu table's bounds, size limits,
// titles and releasing the core.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/nls.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::FakeCore;
using testing_support::ProgramFolder;

namespace {

// Records the values that reach it, like a core's setIntValue.
class MenuCore : public FakeCore {
public:
    MenuCore() : FakeCore("MenuCore") {}
    ~MenuCore() override {
        if (onDelete) onDelete();
    }
    void setIntValue(const char* name, int value) override { got.emplace_back(name, value); }
    std::vector<std::pair<std::string, int>> got;
    std::function<void()> onDelete;
};

// An unshown frame with its canvas and a core, with the debug log on.
struct FrameFixture : ::testing::Test {
    FrameFixture() {
        folder.write("test.env", "");
        debugLogResetForTests();
        frame =
            new SuperWindow(SuperWindow::defaultId, SuperWindow::defaultFramingSpec(), SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame, SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        core = new MenuCore();
        canvas->setCore(core);
        frame->setCore(core);
        core->setFrameForTests(frame);
        core->setCanvasForTests(canvas);
    }
    ~FrameFixture() override {
        delete frame;  // releases (deletes) the core, then the canvas
        debugLogResetForTests();
    }
    std::string log() { return folder.read("note.txt"); }
    unsigned idOf(const char* name) {
        for (int i = 0; i < frame->numVisualMenuItems(); ++i)
            if (frame->visualMenuItem(i).name == name) return frame->visualMenuItem(i).commandId;
        return 0;
    }

    ProgramFolder folder;
    SuperWindow* frame;
    SuperCanvas* canvas;
    MenuCore* core;
};

TEST_F(FrameFixture, MenuIdsFollowTheEntryIndex) {
    testing_support::buildTestMenu(canvas);  // File: New, a separator, Quit; ...

    struct Row {
        const char* kind;
        const char* name;
        const char* text;
        unsigned id;
    };
    const Row rows[] = {
        {"subMenu", "fileCMI", "File", 15500},
        {"menuItem", "newMI", "New", 15501},
        {"seperator", "", "", 16002},
        {"menuItem", "quitMI", "Quit", 15503},
    };
    ASSERT_GE(frame->numVisualMenuItems(), 4);
    for (int i = 0; i < 4; ++i) {
        const VisualMenuItem& e = frame->visualMenuItem(i);
        SCOPED_TRACE(i);
        EXPECT_STREQ(e.kind, rows[i].kind);
        EXPECT_EQ(e.name, rows[i].name);
        EXPECT_EQ(e.text, rows[i].text);
        EXPECT_EQ(e.commandId, rows[i].id);
        EXPECT_EQ(e.owner, std::string(rows[i].kind) == "menuItem" ? frame : nullptr);
    }
    EXPECT_EQ(frame->submenuNesting(), 0);
}

TEST_F(FrameFixture, LabelsKeepTheirStructure) {
    folder.copyFromSource("data/system/nls", "system/nls");
    nlsTable = new NlsTable("EN");
    testing_support::buildTestMenu(canvas);
    canvas->addMenuItem("plainMI", 0, "notrans,Top&Level");
    struct Row {
        int depth;
        const char* label;
        bool submenu;
        bool divider;
    };
    const Row rows[] = {
        {0, "File", true, false},          {1, "New", false, true},  // the separator hangs below New
        {1, "Quit", false, false},         {0, "View", true, false},
        {1, "Size", true, false},          {2, "Small", false, false},
        {2, "Large", false, false},        {1, "Low Bandwidth/Disable Ads", false, false},
        {1, "Save & Quit_", false, false}, {0, "Top&Level", false, false},
    };
    auto view = frame->platformFrame()->menuView();
    ASSERT_EQ(view.size(), std::size(rows));
    for (std::size_t i = 0; i < view.size(); ++i) {
        SCOPED_TRACE(rows[i].label);
        EXPECT_EQ(view[i].depth, rows[i].depth);
        EXPECT_EQ(view[i].label, rows[i].label);
        EXPECT_EQ(view[i].submenu, rows[i].submenu);
        EXPECT_EQ(view[i].dividerAfter, rows[i].divider);
    }
    delete nlsTable;
    nlsTable = nullptr;
}

TEST_F(FrameFixture, ChoosingAnItemDeliversItsNameWithOne) {
    testing_support::buildTestMenu(canvas);
    ASSERT_TRUE(frame->platformFrame()->chooseMenuItem(idOf("adsMI")));
    ASSERT_TRUE(frame->platformFrame()->chooseMenuItem(idOf("smallMI")));
    ASSERT_TRUE(frame->platformFrame()->chooseMenuItem(idOf("smallMI")));  // the same item again
    std::vector<std::pair<std::string, int>> expected = {{"adsMI", 1}, {"smallMI", 1}, {"smallMI", 1}};
    EXPECT_EQ(core->got, expected);
    EXPECT_NE(log().find("vmi name is adsMI\nenvoke menu item adsMI\nCIV adsMI 1\n"), std::string::npos);
}

TEST_F(FrameFixture, OnCommandTakesOnlyMenuCommandsItKnows) {
    testing_support::buildTestMenu(canvas);
    struct Case {
        const char* what;
        unsigned message;
        std::uintptr_t param;
        int handled;
        std::size_t delivered;
    };
    const Case cases[] = {
        {"a known item", kCommandMessage, idOf("newMI"), 1, 1},
        {"high bits are not part of the id", kCommandMessage, (7u << 16) | idOf("newMI"), 1, 1},
        {"a submenu: handled, nothing delivered", kCommandMessage, idOf("fileCMI"), 1, 0},
        {"an unknown id", kCommandMessage, 15499, 0, 0},
        {"another message", kTimerMessage, idOf("newMI"), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        core->got.clear();
        KZVEvent e;
        e.kind = KZVEventKind::Command;
        e.message = c.message;
        e.param1 = c.param;
        EXPECT_EQ(frame->onCommand(e), c.handled);
        EXPECT_EQ(core->got.size(), c.delivered);
    }
}

TEST_F(FrameFixture, DisablingASharedNameDisablesEveryItemOfIt) {
    canvas->initMenu();
    unsigned file = canvas->addSubMenu("fileCMI", "File");
    canvas->addMenuItem("twinMI", file, "One");
    canvas->addMenuItem("twinMI", file, "Two");
    canvas->addMenuItem("otherMI", file, "Other");
    canvas->endSubMenu();
    frame->disableMenuItem("twinMI");
    auto view = frame->platformFrame()->menuView();
    ASSERT_EQ(view.size(), 4u);
    EXPECT_FALSE(view[1].enabled);
    EXPECT_FALSE(view[2].enabled);
    EXPECT_TRUE(view[3].enabled);
    EXPECT_FALSE(frame->platformFrame()->chooseMenuItem(idOf("twinMI")));
    frame->enableMenuItem("twinMI", 1);
    EXPECT_TRUE(frame->platformFrame()->menuView()[2].enabled);
}

TEST_F(FrameFixture, TheMenuTableIsBounded) {
    canvas->initMenu();
    unsigned top = canvas->addSubMenu("topCMI", "Top");
    for (int i = 1; i < SuperWindow::kMaxMenuItems; ++i) canvas->addMenuItem("fillMI", top, "Fill");
    EXPECT_EQ(frame->numVisualMenuItems(), 200);
    canvas->addMenuItem("extraMI", top, "Extra");
    canvas->addSeparator(top);
    EXPECT_EQ(canvas->addSubMenu("lateCMI", "Late"), 0u);
    canvas->endSubMenu();  // the refused submenu's end
    EXPECT_EQ(frame->numVisualMenuItems(), 200);
    EXPECT_EQ(frame->submenuNesting(), 1);
    EXPECT_EQ(frame->platformFrame()->menuView().size(), 200u);
    std::string errors = folder.read("error.txt");
    EXPECT_NE(errors.find("ERROR: menu entry extraMI refused"), std::string::npos);
    EXPECT_NE(errors.find("ERROR: menu entry lateCMI refused"), std::string::npos);

    // Releasing the core frees the table and its count with it.
    frame->releaseCore();
    EXPECT_EQ(frame->numVisualMenuItems(), 0);
    core = nullptr;
}

TEST_F(FrameFixture, TheSubmenuStackIsBounded) {
    canvas->initMenu();
    unsigned ids[7] = {};
    for (int depth = 0; depth < 7; ++depth) ids[depth] = canvas->addSubMenu("deepCMI", "Deep");
    // Five levels nest; the sixth and seventh are refused, and their ends
    // do not close the levels that were made.
    for (int depth = 0; depth < 5; ++depth) EXPECT_NE(ids[depth], 0u);
    EXPECT_EQ(ids[5], 0u);
    EXPECT_EQ(ids[6], 0u);
    EXPECT_EQ(frame->submenuNesting(), 5);
    canvas->endSubMenu();
    canvas->endSubMenu();
    EXPECT_EQ(frame->submenuNesting(), 5);
    for (int depth = 0; depth < 5; ++depth) canvas->endSubMenu();
    EXPECT_EQ(frame->submenuNesting(), 0);
    canvas->endSubMenu();  // an end without a start
    EXPECT_EQ(frame->submenuNesting(), 0);
    // The next submenu is on the menu bar again.
    canvas->addSubMenu("nextCMI", "Next");
    EXPECT_EQ(frame->platformFrame()->menuView().back().depth, 0);
    std::string errors = folder.read("error.txt");
    EXPECT_NE(errors.find("ERROR: submenu deepCMI refused"), std::string::npos);
    EXPECT_NE(errors.find("ERROR: endSubMenu without a submenu"), std::string::npos);
}

TEST_F(FrameFixture, EntriesNeedAMenuAndAKnownSubmenu) {
    canvas->addMenuItem("earlyMI", 0, "Early");  // before initMenu
    EXPECT_EQ(frame->numVisualMenuItems(), 0);
    canvas->initMenu();
    canvas->addMenuItem("strayMI", 15777, "Stray");
    canvas->addSeparator(15777);
    EXPECT_EQ(frame->numVisualMenuItems(), 0);
    std::string errors = folder.read("error.txt");
    EXPECT_NE(errors.find("earlyMI before initMenu"), std::string::npos);
    EXPECT_NE(errors.find("strayMI names no submenu"), std::string::npos);
}

TEST_F(FrameFixture, SizeLimits) {
    struct Case {
        const char* what;
        platform::ui::Size start;
        int minW, minH, maxW, maxH;
        platform::ui::Size min, max, after;
    };
    const Case cases[] = {
        {"minimum only keeps the maximum and a frame that fits",
         {1600, 1200},
         550,
         310,
         -1,
         -1,
         {550, 310},
         {1600, 1200},
         {1600, 1200}},
        {"a smaller maximum shrinks the frame", {512, 384}, -1, -1, 400, 300, {20, 20}, {400, 300}, {400, 300}},
        {"one maximum side", {512, 384}, -1, -1, 450, -1, {20, 20}, {450, 1200}, {450, 384}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frame->setSizeLimits(20, 20, 1600, 1200);
        resizeTo(frame, c.start.w, c.start.h);
        frame->setSizeLimits(c.minW, c.minH, c.maxW, c.maxH);
        EXPECT_EQ(frame->calcMinimumSize().w, c.min.w);
        EXPECT_EQ(frame->calcMinimumSize().h, c.min.h);
        EXPECT_EQ(frame->calcMaximumSize().w, c.max.w);
        EXPECT_EQ(frame->calcMaximumSize().h, c.max.h);
        EXPECT_EQ(frame->width(), c.after.w);
        EXPECT_EQ(frame->height(), c.after.h);
    }
    // Later resizes are held within the limits.
    frame->setSizeLimits(550, 310, 800, 600);
    resizeTo(frame, 100, 100);
    EXPECT_EQ(frame->width(), 550);
    EXPECT_EQ(frame->height(), 310);
    placeWindow(frame, 10, 20, 5000, 5000);
    EXPECT_EQ(frame->width(), 800);
    EXPECT_EQ(frame->height(), 600);
    EXPECT_EQ(frame->x(), 10);
}

TEST_F(FrameFixture, TitlesStartWithTheBoundedPrefix) {
    frame->setTitle("alone");
    EXPECT_EQ(frame->title(), "alone");
    SuperWindow::setTitlePrefix("Tarvelon Orvex Chess");
    frame->setTitle("version 1.01");
    EXPECT_EQ(frame->title(), "Tarvelon Orvex Chess - version 1.01");
    SuperWindow::setTitlePrefix(std::string(40, 'n').c_str());
    EXPECT_EQ(SuperWindow::titlePrefix(), std::string(28, 'n') + " - ");
    frame->setTitle(std::string(400, 't').c_str());
    EXPECT_EQ(frame->title().size(), 275u);
}

TEST_F(FrameFixture, ReleasingTheCoreStopsItsEvents) {
    testing_support::buildTestMenu(canvas);
    unsigned newId = idOf("newMI");
    bool deleted = false;
    core->onDelete = [&] { deleted = true; };
    frame->releaseCore();
    core = nullptr;
    EXPECT_TRUE(deleted);
    EXPECT_EQ(frame->getCore(), nullptr);
    EXPECT_EQ(canvas->getCore(), nullptr);
    EXPECT_EQ(frame->handlerHost().handlerCount(), 0);
    // No handler is left: a command goes nowhere, a close goes ahead.
    EXPECT_TRUE(frame->platformFrame()->chooseMenuItem(newId));
    EXPECT_EQ(frame->onClose(), 0);
    std::string l = log();
    EXPECT_NE(l.find("sa0sa0n[unnamed]sa0a"), std::string::npos);
    EXPECT_NE(l.find("sa0bsa0z"), std::string::npos);
    EXPECT_EQ(l.find("envoke menu item newMI"), std::string::npos);
}

}  // namespace
