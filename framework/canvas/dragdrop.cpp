#include "framework/canvas/dragdrop.h"

#include <algorithm>
#include <cctype>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"

DragDropRegistry* dragDropRegistry = nullptr;

namespace {

DragPosition dragPosition;  // GUI thread only

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

DragPosition lastDragPosition() { return dragPosition; }

// ---------------------------------------------------------------- rules

std::string dragContainerName(const std::string& directory) {
    if (!directory.empty() && isSeparator(directory.back())) return directory;
    return directory + '\\';
}

std::string dropDeliveryPath(const std::string& path) {
    if (path.size() > 1 && path[0] == '\\' && path.find(':') != std::string::npos) return path.substr(1);
    // The same drive path as it comes back from a file URL: "/C:/data/x.png".
    if (path.size() > 2 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) && path[2] == ':')
        return path.substr(1);
    return path;
}

bool dropPathDeliverable(const std::string& path) { return path.size() > 1; }

// ---------------------------------------------------------------- items

SuperIDMItem::SuperIDMItem(const std::string& directory, const std::string& fileName, uint32_t flags)
    : iContainerName(dragContainerName(directory)), iSourceName(fileName), iFlags(flags) {}

SuperIDMItem::SuperIDMItem(const std::string& arrivingPath) {
    // Split after the last separator, so that container + source is the path.
    const std::size_t cut = arrivingPath.find_last_of("\\/");
    const std::size_t at = cut == std::string::npos ? 0 : cut + 1;
    iContainerName = arrivingPath.substr(0, at);
    iSourceName = arrivingPath.substr(at);
}

bool SuperIDMItem::generateSourceItems(SuperCanvas* window, std::vector<SuperIDMItem>& items) {
    SuperCore* core = dragDropRegistry ? dragDropRegistry->coreOf(window) : nullptr;
    if (!core) return false;
    const SuperIDMProvider* provider = dragDropRegistry->providerOf(window);
    const uint32_t flags = provider ? provider->flags() : 0;
    bool added = false;
    int cursor = 0;
    std::string directory, fileName;
    while (core->getDragFile(&cursor, &directory, &fileName)) {
        items.emplace_back(directory, fileName, flags);
        added = true;
        directory.clear();
        fileName.clear();
    }
    return added;
}

bool SuperIDMItem::targetDrop(SuperCanvas* window, int x, int y) const {
    SuperCore* core = dragDropRegistry ? dragDropRegistry->coreOf(window) : nullptr;
    if (!core) return false;
    const std::string path = fullPath();
    debugPrintfS("DROP0: %s\n", path.c_str());
    if (!dropPathDeliverable(path)) return false;
    int px = 0, py = 0;
    if (SuperCanvas* parent = window->parentCanvas()) {
        px = parent->x(), py = parent->y();
    } else if (SuperWindow* frame = window->parentFrame()) {
        px = frame->x(), py = frame->y();
    }
    debugPrintfII("DROP2: %d, %d\n", px, py);
    std::string delivered = dropDeliveryPath(path);
    char* list[2] = {delivered.data(), nullptr};
    core->dropFiles(list, x, y);
    return true;
}

// ---------------------------------------------------------------- provider

SuperIDMProvider::SuperIDMProvider(SuperCanvas* window, uint32_t flags) : iWindow(window), iFlags(flags) {}

bool SuperIDMProvider::provideEnterSupport(int x, int y) {
    dragPosition = {x, y};
    setDropFlag(iWindow, 1);
    return true;
}

bool SuperIDMProvider::provideLeaveSupport() {
    setDropFlag(iWindow, 0);
    return true;
}

void SuperIDMProvider::setDropFlag(SuperCanvas*, int flag) { iDropFlag = flag != 0 ? 1 : 0; }

std::vector<std::string> SuperIDMProvider::onDragStart() {
    std::vector<SuperIDMItem> items;
    std::vector<std::string> paths;
    if (!SuperIDMItem::generateSourceItems(iWindow, items)) return paths;
    for (const SuperIDMItem& item : items) paths.push_back(item.fullPath());
    return paths;
}

bool SuperIDMProvider::onDragEnter(int x, int y) { return provideEnterSupport(x, y); }

void SuperIDMProvider::onDragLeave() { provideLeaveSupport(); }

void SuperIDMProvider::onDrop(const std::vector<std::string>& paths, int x, int y) {
    // Each file arrives as its own item: one delivery per path. The window
    // may lose its entry (and this provider) during a delivery.
    SuperCanvas* window = iWindow;
    for (const std::string& path : paths) {
        if (!dragDropRegistry || !dragDropRegistry->coreOf(window)) return;
        SuperIDMItem(path).targetDrop(window, x, y);
    }
}

// ---------------------------------------------------------------- registry

DragDropRegistry::~DragDropRegistry() {
    std::vector<SuperCanvas*> windows;
    for (const Node& n : iNodes) windows.push_back(n.window);
    iNodes.clear();
    for (SuperCanvas* w : windows)
        if (w && w->platformCanvas()) w->platformCanvas()->setDragDropListener(nullptr);
}

void DragDropRegistry::enableDragDrop(SuperCore* core, SuperCanvas* window, uint32_t flags) {
    Node node;
    node.core = core;
    node.window = window;
    node.provider = std::make_unique<SuperIDMProvider>(window, flags);
    iNodes.insert(iNodes.begin(), std::move(node));
    attachNewest(window);
}

void DragDropRegistry::removeDragDrop(SuperCore* core, SuperCanvas* window) {
    auto it =
        std::find_if(iNodes.begin(), iNodes.end(), [&](const Node& n) { return n.core == core && n.window == window; });
    if (it == iNodes.end()) return;
    // The provider may be running the drop that removes it: its onDrop
    // touches nothing of its own after a delivery.
    iNodes.erase(it);
    attachNewest(window);
}

void DragDropRegistry::forgetWindow(SuperCanvas* window) {
    iNodes.erase(std::remove_if(iNodes.begin(), iNodes.end(), [&](const Node& n) { return n.window == window; }),
                 iNodes.end());
    if (window && window->platformCanvas()) window->platformCanvas()->setDragDropListener(nullptr);
}

SuperCore* DragDropRegistry::coreOf(const SuperCanvas* window) const {
    for (const Node& n : iNodes)
        if (n.window == window) return n.core;
    return nullptr;
}

SuperIDMProvider* DragDropRegistry::providerOf(const SuperCanvas* window) const {
    for (const Node& n : iNodes)
        if (n.window == window) return n.provider.get();
    return nullptr;
}

void DragDropRegistry::attachNewest(SuperCanvas* window) {
    if (!window || !window->platformCanvas()) return;
    window->platformCanvas()->setDragDropListener(providerOf(window));
}
