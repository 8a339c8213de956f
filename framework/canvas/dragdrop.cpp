#include "framework/canvas/dragdrop.h"

#include <algorithm>

DragDropRegistry* dragDropRegistry = nullptr;

void DragDropRegistry::add(SuperCanvas* canvas) {
    if (std::find(canvases_.begin(), canvases_.end(), canvas) == canvases_.end()) canvases_.push_back(canvas);
}

void DragDropRegistry::remove(SuperCanvas* canvas) {
    canvases_.erase(std::remove(canvases_.begin(), canvases_.end(), canvas), canvases_.end());
}
