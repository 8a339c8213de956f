// Windowed and embedded cores on a display: placement, the close road of a
// window that is not the main one, deletion while the frame still exists,
// ticks, and embedded canvases.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"
#include "framework/app/options.h"
#include "framework/util/ticker.h"
#include "platform/ui/ui.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::ProgramFolder;
using testing_support::RecordingCore;
using testing_support::waitUntil;

namespace {

// The process-wide parts a core needs (options, the register), with the
// debug log on.
struct CoreFixture : ::testing::Test {
    static void settle() { platform::ui::processEvents(0.2); }
    int count(const std::string& text) {
        std::string log = folder.read("note.txt");
        int n = 0;
        for (auto p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
        return n;
    }
    testing_support::CoreEnvironment env;
    ProgramFolder& folder = env.folder;
};

TEST_F(CoreFixture, OpensAtTheSavedPlacementKeptOnTheDesktop) {
    platform::ui::setDesktopSizeForTests(1920, 1080);
    struct Case {
        const char* what;
        const char* saved;  // options of the window "w"
        int w, h;           // constructor arguments
        platform::ui::Rect expected;
    };
    const Case cases[] = {
        {"a first start: the default framing", "", 0, 0, {30, 30, 512, 384}},
        {"saved sizes of zero", "wOX 100\nwOY 120\nwOW 0\nwOH 0\n", 0, 0, {100, 120, 512, 384}},
        {"the saved frame", "wOX 100\nwOY 120\nwOW 600\nwOH 450\n", 0, 0, {100, 120, 600, 450}},
        {"sizes from the caller", "wOX 100\nwOY 120\nwOW 600\nwOH 450\n", 300, 200, {100, 120, 300, 200}},
        {"x too far right", "wOX 1900\nwOY 120\n", 0, 0, {30, 120, 512, 384}},
        {"x just inside", "wOX 1880\nwOY 120\n", 0, 0, {1880, 120, 512, 384}},
        {"y too far down", "wOX 100\nwOY 1050\n", 0, 0, {100, 30, 512, 384}},
        {"far off to the left", "wOX -5000\nwOY 120\n", 0, 0, {30, 120, 512, 384}},
        {"the greatest values",
         "wOX 2147483647\nwOY 2147483647\nwOW 2147483647\nwOH 2147483647\n",
         0,
         0,
         {30, 30, 1920, 1080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("user/options_vurn.gkv", c.saved);
        delete options;
        options = new Options();
        options->load("options_vurn.gkv");
        auto* core = new RecordingCore("w", c.w, c.h);
        platform::ui::Rect r = core->frame()->platformFrame()->rect();
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.w, c.expected.w);
        EXPECT_EQ(r.h, c.expected.h);
        EXPECT_EQ(core->width(), c.w);
        delete core;
        settle();
    }
}

TEST_F(CoreFixture, ShowsItsTitleAndMenuBar) {
    auto* core = new RecordingCore("sync,about", 400, 300);
    EXPECT_STREQ(core->getName(), "about");
    EXPECT_TRUE(core->syncMode());
    SuperWindow::setTitlePrefix("Tarvelon Orvex Chess");
    core->frame()->setTitle("About");
    testing_support::buildTestMenu(core->canvas());
    EXPECT_TRUE(waitUntil([&] { return core->frame()->platformFrame()->visible(); }));
    EXPECT_EQ(core->frame()->title(), "Tarvelon Orvex Chess - About");
    EXPECT_TRUE(core->frame()->platformFrame()->hasMenuBar());
    EXPECT_EQ(core->canvas()->height(), 300 - platform::ui::Frame::kMenuBarHeight);
    EXPECT_NE(core->canvas()->platformCanvas()->nativeId(), 0UL);
    EXPECT_EQ(core->canvas()->shown(), 1);
}

TEST_F(CoreFixture, ClosingAWindowSavesOnceAndDeletesTheCore) {
    auto* core = new RecordingCore("settings", 400, 300);
    bool deleted = false;
    core->onDelete = [&] { deleted = true; };
    settle();
    int framesBefore = platform::ui::Frame::liveCount();

    core->refuseClose = true;
    core->frame()->close();
    EXPECT_TRUE(waitUntil([&] { return core->closeCalls == 1; }));
    settle();
    EXPECT_FALSE(deleted);

    core->refuseClose = false;
    core->frame()->close();
    EXPECT_TRUE(waitUntil([&] { return deleted; }));
    EXPECT_EQ(count("sa4"), 1);
    EXPECT_EQ(getIntOption("settingsOW"), 400);
    EXPECT_EQ(coreLibrary->count(), 0);
    EXPECT_EQ(platform::ui::Frame::liveCount(), framesBefore - 1);
}

TEST_F(CoreFixture, DeletingACoreWithItsFrameOpenClosesTheFrameAfterwards) {
    auto* core = new RecordingCore("lobby", 350, 250);
    core->frame()->addTickClient(core);
    settle();
    int framesBefore = platform::ui::Frame::liveCount();
    coreLibrary->deleteSuperCores();  // as the main core's shut-down does
    EXPECT_EQ(count("sa4"), 1);       // saved by the destructor
    EXPECT_EQ(count("sc::p12sc::p13sc::p14"), 1);
    EXPECT_EQ(getIntOption("lobbyOH"), 250);
    EXPECT_TRUE(waitUntil([&] { return platform::ui::Frame::liveCount() == framesBefore - 1; }));
    EXPECT_EQ(count("sa4"), 1);  // and not again on the close
    EXPECT_EQ(mainTicker, nullptr);
}

TEST_F(CoreFixture, TicksReachTheClientsOfTheFrame) {
    auto* core = new RecordingCore("ticking", 200, 150);
    auto* quiet = new RecordingCore("quiet", 200, 150);
    core->frame()->addTickClient(core);
    ASSERT_NE(mainTicker, nullptr);
    EXPECT_EQ(mainTicker, core->frame()->ticker());
    EXPECT_TRUE(waitUntil([&] { return core->ticks >= 1; }));
    EXPECT_EQ(quiet->ticks, 0);
    // A tick client that goes away is no longer ticked.
    core->frame()->ticker()->add(quiet);
    delete quiet;
    const int ticked = core->ticks;
    EXPECT_TRUE(waitUntil([&] { return core->ticks > ticked; }));
}

// An embedded core whose init is its own.
class EmbeddedCore : public testing_support::FakeCore {
public:
    EmbeddedCore() : FakeCore("EmbeddedCore") {}
    ~EmbeddedCore() override {
        if (onDelete) onDelete(this);
    }
    void init() override { ++inits; }
    int inits = 0;
    std::function<void(EmbeddedCore*)> onDelete;
};

TEST_F(CoreFixture, AnEmbeddedCoreLivesInItsParentsCanvas) {
    auto* parent = new RecordingCore("host", 400, 300);
    EmbeddedCore embedded;
    embedded.createCanvas(parent->canvas(), 10, 20, 100, 50);
    EXPECT_STREQ(embedded.getName(), "anonymous");
    EXPECT_EQ(embedded.inits, 1);
    ASSERT_NE(embedded.canvas(), nullptr);
    EXPECT_EQ(embedded.canvas()->getCore(), &embedded);
    EXPECT_EQ(embedded.canvas()->parentCanvas(), parent->canvas());
    EXPECT_EQ(embedded.canvas()->x(), 10);
    EXPECT_EQ(coreLibrary->count(), 1);  // embedded cores stay out of the register
    EXPECT_TRUE(waitUntil([&] { return embedded.canvas()->platformCanvas()->nativeId() != 0UL; }));
    // The parent's frame closes: its canvases go, and the embedded core
    // forgets its canvas rather than keep a dangling one.
    parent->frame()->close();
    EXPECT_TRUE(waitUntil([&] { return embedded.canvas() == nullptr; }));
}

// An embedded core made by another part and handed to the core it lives
// in goes with that core, once, while its canvas still stands.
TEST_F(CoreFixture, AnAdoptedEmbeddedCoreIsDeletedWithItsOwner) {
    auto* owner = new RecordingCore("host", 400, 300);
    auto* adopted = new EmbeddedCore;
    adopted->createCanvas(owner->canvas(), 10, 20, 100, 50);
    int deletes = 0;
    bool hadCanvas = false;
    adopted->onDelete = [&](EmbeddedCore* core) {
        ++deletes;
        hadCanvas = core->canvas() != nullptr;
    };
    owner->adoptEmbeddedCore(adopted);
    owner->adoptEmbeddedCore(nullptr);  // nothing to take
    settle();
    delete owner;
    EXPECT_EQ(deletes, 1);
    EXPECT_TRUE(hadCanvas);
    settle();
}

}  // namespace
