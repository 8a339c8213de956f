#pragma once
// Drag and drop of files between a canvas and its core. A canvas takes
// part once enableDragDrop has been called for it: its core offers the
// files of a drag through SuperCore::getDragFile and receives each dropped
// file through SuperCore::dropFiles (a one-entry list and the drop point in
// canvas coordinates). The toolkit part (the drag loop, the uri-list) is in
// platform/ui/dnd.h; the rules that shape the paths are plain functions
// here. Everything runs on the GUI thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/dnd.h"

class SuperCanvas;
class SuperCore;

// Bits of the flag word given at enabling.
namespace dragflags {
constexpr uint32_t kFileType = 0x1;         // items are files
constexpr uint32_t kOperation1 = 0x400000;  // the three drag operations
constexpr uint32_t kOperation2 = 0x100000;
constexpr uint32_t kOperation3 = 0x200000;
constexpr uint32_t kKindMask = 0x70000;  // kinds accepted (every kind is)
// What the list core passes.
constexpr uint32_t kListCore = 0x750003;
}  // namespace dragflags

// ---- The path rules.

// The container name of a dragged file: the directory as it is when it
// ends in '\' or '/', else with a '\' appended.
std::string dragContainerName(const std::string& directory);
// The path a drop delivers: a path that starts with '\' and holds a ':'
// (a drive path, "\C:\data\x.png") loses the leading backslash, as does
// "/C:/..." (the same path as a file URL gives it back); any other path is
// delivered unchanged.
std::string dropDeliveryPath(const std::string& path);
// A drop of a path of one character or none is not delivered.
bool dropPathDeliverable(const std::string& path);

// One dragged file: on the source side its container name (directory) and
// source name (file name), on the target side the path that arrived.
class SuperIDMItem {
public:
    // Source side: directory and file name of the offered file.
    SuperIDMItem(const std::string& directory, const std::string& fileName, uint32_t flags);
    // Target side: an arriving item's full path.
    explicit SuperIDMItem(const std::string& arrivingPath);

    // The items of a drag that starts on `window`: one for each file its
    // core offers through getDragFile (cursor from 0), carrying the flag
    // word of the window's provider. True when at least one was added.
    static bool generateSourceItems(SuperCanvas* window, std::vector<SuperIDMItem>& items);
    // Delivers this item to the core of `window` at (x, y), canvas
    // coordinates; true when it was delivered.
    bool targetDrop(SuperCanvas* window, int x, int y) const;

    const std::string& containerName() const { return iContainerName; }
    const std::string& sourceName() const { return iSourceName; }
    std::string fullPath() const { return iContainerName + iSourceName; }
    uint32_t flags() const { return iFlags; }

private:
    std::string iContainerName;
    std::string iSourceName;
    uint32_t iFlags = 0;
};

// The drag item provider of an enabled canvas: starts drags from it and
// takes drags over it, on behalf of its core.
class SuperIDMProvider : public platform::ui::DragDropListener {
public:
    SuperIDMProvider(SuperCanvas* window, uint32_t flags);

    // A drag enters at (x, y): noted as the drag position; the canvas
    // becomes a drop target. Every kind of item is accepted.
    virtual bool provideEnterSupport(int x, int y);
    virtual bool provideLeaveSupport();
    // 1 when flag is non-zero, else 0.
    virtual void setDropFlag(SuperCanvas* window, int flag);

    uint32_t flags() const { return iFlags; }
    int dropFlag() const { return iDropFlag; }
    SuperCanvas* window() const { return iWindow; }

    // The toolkit's side.
    std::vector<std::string> onDragStart() override;
    bool onDragEnter(int x, int y) override;
    void onDragLeave() override;
    void onDrop(const std::vector<std::string>& paths, int x, int y) override;

private:
    SuperCanvas* iWindow;
    uint32_t iFlags;
    int iDropFlag = 0;
};

// The canvases that take part: one process-wide registry, created by
// Exec::init and deleted by Exec::uninit. Newest first.
class DragDropRegistry {
public:
    DragDropRegistry() = default;
    // Detaches the providers still in place from their canvases.
    ~DragDropRegistry();
    DragDropRegistry(const DragDropRegistry&) = delete;
    DragDropRegistry& operator=(const DragDropRegistry&) = delete;

    // Enters the pair and makes a new provider with the flag word the
    // canvas's drag-and-drop listener.
    void enableDragDrop(SuperCore* core, SuperCanvas* window, uint32_t flags);
    // Removes the pair (its provider with it); not registered: nothing.
    void removeDragDrop(SuperCore* core, SuperCanvas* window);
    // A canvas that is being destroyed leaves with all its entries.
    void forgetWindow(SuperCanvas* window);

    // The core and the provider of a canvas (its newest entry), or null.
    SuperCore* coreOf(const SuperCanvas* window) const;
    SuperIDMProvider* providerOf(const SuperCanvas* window) const;
    int size() const { return static_cast<int>(iNodes.size()); }

private:
    struct Node {
        SuperCore* core = nullptr;
        SuperCanvas* window = nullptr;
        std::unique_ptr<SuperIDMProvider> provider;  // holds the flag word
    };
    // Gives the canvas the provider of its newest remaining entry (or none).
    void attachNewest(SuperCanvas* window);

    std::vector<Node> iNodes;  // newest first
};

extern DragDropRegistry* dragDropRegistry;

// The pointer position of the most recent drag entry on any enabled
// canvas, as that entry gave it.
struct DragPosition {
    int x = 0;
    int y = 0;
};
DragPosition lastDragPosition();
