// Drag and drop between a canvas and its core, without a display: the path
// rules, the items of a drag, the delivery of a drop and the registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/canvas/dragdrop.h"
#include "framework/canvas/tests/canvas_support.h"

using namespace canvas_testing;

namespace {

TEST(DragDropRules, ContainerNameEndsInASeparator) {
    struct Case {
        const char* directory;
        const char* container;
    } cases[] = {
        {"C:\\data", "C:\\data\\"},
        {"C:\\data\\", "C:\\data\\"},
        {"/home/anna/boards/", "/home/anna/boards/"},
        {"/home/anna/boards", "/home/anna/boards\\"},
        {"", "\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(dragContainerName(c.directory), c.container) << c.directory;
}

TEST(DragDropRules, DrivePathsLoseTheLeadingSeparator) {
    struct Case {
        const char* arrived;
        const char* delivered;
        bool deliverable;
    } cases[] = {
        {"\\C:\\data\\x.png", "C:\\data\\x.png", true},
        {"\\D:x", "D:x", true},
        {"\\data\\odd:name", "data\\odd:name", true},                    // any ':' counts after a backslash
        {"\\\\server\\share\\x.png", "\\\\server\\share\\x.png", true},  // a network path
        {"/C:/data/x.png", "C:/data/x.png", true},                       // the same drive path back from a file URL
        {"/home/anna/a:b.png", "/home/anna/a:b.png", true},              // a POSIX path keeps its slash
        {"C:\\data\\a.png", "C:\\data\\a.png", true},
        {"ab", "ab", true},
        {"a", "a", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dropDeliveryPath(c.arrived), c.delivered) << c.arrived;
        EXPECT_EQ(dropPathDeliverable(c.arrived), c.deliverable) << c.arrived;
    }
}

// A core that offers the files it is given and records the drops.
class FileCore : public testing_support::FakeCore {
public:
    FileCore() : FakeCore("FileCore") {}
    int getDragFile(int* cursor, std::string* directory, std::string* fileName) override {
        if (*cursor >= static_cast<int>(offered.size())) return 0;
        *directory = offered[static_cast<std::size_t>(*cursor)].first;
        *fileName = offered[static_cast<std::size_t>(*cursor)].second;
        ++*cursor;
        return 1;
    }
    void dropFiles(char** list, int x, int y) override {
        int n = 0;
        while (list[n]) ++n;
        EXPECT_EQ(n, 1) << "a drop delivers exactly one path";
        drops.push_back({list[0], x, y});
        if (onDrop) onDrop();
    }
    struct Drop {
        std::string path;
        int x, y;
        bool operator==(const Drop& o) const { return path == o.path && x == o.x && y == o.y; }
    };
    std::vector<std::pair<std::string, std::string>> offered;
    std::vector<Drop> drops;
    std::function<void()> onDrop;
};

struct DragDropFixture : CanvasFixture {
    DragDropFixture() {
        dragDropRegistry = new DragDropRegistry();
        second = new SuperCanvas(SuperCanvas::defaultId, canvas, {10, 10, 100, 80}, SuperCanvas::defaultStyle());
        second->setCore(&files);
    }
    ~DragDropFixture() override {
        if (second) second->setCore(nullptr);  // its core goes before the frame
        delete dragDropRegistry;
        dragDropRegistry = nullptr;
    }
    FileCore files;
    SuperCanvas* second;  // a child of the fixture's canvas
};

TEST_F(DragDropFixture, EnablingMakesTheProviderTheCanvassListener) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    dragDropRegistry->enableDragDrop(core, canvas, 0x1);
    ASSERT_EQ(dragDropRegistry->size(), 2);
    SuperIDMProvider* provider = dragDropRegistry->providerOf(second);
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->flags(), 0x750003u);
    EXPECT_EQ(second->platformCanvas()->dragDropListener(), provider);
    EXPECT_EQ(dragDropRegistry->coreOf(second), &files);

    // Removing one pair leaves the other's node and provider as they were.
    SuperIDMProvider* other = dragDropRegistry->providerOf(canvas);
    dragDropRegistry->removeDragDrop(&files, second);
    EXPECT_EQ(dragDropRegistry->size(), 1);
    EXPECT_EQ(second->platformCanvas()->dragDropListener(), nullptr);
    EXPECT_EQ(dragDropRegistry->coreOf(second), nullptr);
    EXPECT_EQ(dragDropRegistry->providerOf(canvas), other);
    EXPECT_EQ(canvas->platformCanvas()->dragDropListener(), other);
    EXPECT_EQ(other->flags(), 0x1u);

    // A pair that is not registered: nothing happens.
    dragDropRegistry->removeDragDrop(&files, canvas);
    dragDropRegistry->removeDragDrop(core, second);
    EXPECT_EQ(dragDropRegistry->size(), 1);
}

TEST_F(DragDropFixture, ACanvasThatGoesTakesItsEntriesAlong) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    dragDropRegistry->enableDragDrop(core, canvas, 0x1);
    delete second;
    EXPECT_EQ(dragDropRegistry->size(), 1);
    EXPECT_EQ(dragDropRegistry->coreOf(canvas), core);
    second = nullptr;
}

TEST_F(DragDropFixture, DeletingTheRegistryDetachesTheProviders) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    delete dragDropRegistry;
    dragDropRegistry = nullptr;
    EXPECT_EQ(second->platformCanvas()->dragDropListener(), nullptr);
}

TEST_F(DragDropFixture, ADragCarriesOneItemForEachOfferedFile) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    files.offered = {{"C:\\data", "a.png"}, {"C:\\data\\", "b.png"}, {"/home/anna/boards", "x y.gkv"}};
    std::vector<SuperIDMItem> items;
    ASSERT_TRUE(SuperIDMItem::generateSourceItems(second, items));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].containerName(), "C:\\data\\");
    EXPECT_EQ(items[0].sourceName(), "a.png");
    EXPECT_EQ(items[1].containerName(), "C:\\data\\");
    EXPECT_EQ(items[2].fullPath(), "/home/anna/boards\\x y.gkv");
    for (const SuperIDMItem& item : items) EXPECT_EQ(item.flags(), 0x750003u);

    // The toolkit gets the full paths.
    EXPECT_EQ(dragDropRegistry->providerOf(second)->onDragStart(),
              (std::vector<std::string>{"C:\\data\\a.png", "C:\\data\\b.png", "/home/anna/boards\\x y.gkv"}));

    // Nothing offered: no drag.
    files.offered.clear();
    items.clear();
    EXPECT_FALSE(SuperIDMItem::generateSourceItems(second, items));
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(dragDropRegistry->providerOf(second)->onDragStart().empty());
    // A canvas that does not take part has no core to ask.
    files.offered = {{"C:\\data", "a.png"}};
    EXPECT_FALSE(SuperIDMItem::generateSourceItems(canvas, items));
}

TEST_F(DragDropFixture, ADropDeliversEachPathAtTheReleasePoint) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    SuperIDMProvider* provider = dragDropRegistry->providerOf(second);

    EXPECT_TRUE(provider->onDragEnter(500, 400));
    EXPECT_EQ(provider->dropFlag(), 1);
    EXPECT_EQ(lastDragPosition().x, 500);
    EXPECT_EQ(lastDragPosition().y, 400);
    provider->onDragLeave();
    EXPECT_EQ(provider->dropFlag(), 0);

    // Each path is one item and one delivery; the point is where the
    // release happened, in canvas coordinates.
    provider->onDrop({"/C:/data/a.png", "/home/anna/b c.png", "x"}, 37, 12);
    EXPECT_EQ(files.drops, (std::vector<FileCore::Drop>{{"C:/data/a.png", 37, 12}, {"/home/anna/b c.png", 37, 12}}));
    EXPECT_EQ(count("DROP0: /C:/data/a.png\n"), 1);
    EXPECT_EQ(count("DROP0: x\n"), 1);
    // The position of the canvas's parent window is logged.
    EXPECT_EQ(count("DROP2: " + std::to_string(canvas->x()) + ", " + std::to_string(canvas->y()) + "\n"), 2);

    // A source item's path comes through whole.
    SuperIDMItem item("C:\\data", "a.png", dragflags::kListCore);
    EXPECT_TRUE(item.targetDrop(second, 1, 2));
    EXPECT_EQ(files.drops.back().path, "C:\\data\\a.png");
    EXPECT_TRUE(SuperIDMItem("\\C:\\data\\x.png").targetDrop(second, 1, 2));
    EXPECT_EQ(files.drops.back().path, "C:\\data\\x.png");

    // No core, or too short a path: not delivered.
    const std::size_t before = files.drops.size();
    EXPECT_FALSE(SuperIDMItem("/tmp/a.png").targetDrop(canvas, 1, 2));
    EXPECT_FALSE(SuperIDMItem("a").targetDrop(second, 1, 2));
    EXPECT_EQ(files.drops.size(), before);
}

TEST_F(DragDropFixture, PathsOfAnyLengthTravelWhole) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    std::string directory = "/home";
    while (directory.size() < 3000) directory += "/a folder with a long name";
    const std::string name(700, 'n');
    files.offered = {{directory, name}};
    const std::vector<std::string> dragged = dragDropRegistry->providerOf(second)->onDragStart();
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(dragged[0], directory + "\\" + name);

    // Through the uri-list and back, as a drop delivers it.
    const std::string path = directory + "/" + name;
    dragDropRegistry->providerOf(second)->onDrop(platform::ui::parseUriList(platform::ui::buildUriList({path})), 3, 4);
    ASSERT_EQ(files.drops.size(), 1u);
    EXPECT_EQ(files.drops[0].path, path);
}

TEST_F(DragDropFixture, ACoreThatLeavesDuringADropGetsNoMore) {
    dragDropRegistry->enableDragDrop(&files, second, dragflags::kListCore);
    files.onDrop = [&] { dragDropRegistry->removeDragDrop(&files, second); };
    dragDropRegistry->providerOf(second)->onDrop({"/a/one", "/a/two"}, 5, 5);
    ASSERT_EQ(files.drops.size(), 1u);
    EXPECT_EQ(files.drops[0].path, "/a/one");
}

}  // namespace
