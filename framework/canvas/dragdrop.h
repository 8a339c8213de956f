#pragma once
// The process-wide drag-and-drop registry: the canvases that take part in
// dragging files out and dropping files in. Created by Exec::init and
// deleted by Exec::uninit.
#include <vector>

class SuperCanvas;

class DragDropRegistry {
public:
    void add(SuperCanvas* canvas);
    void remove(SuperCanvas* canvas);
    int size() const { return static_cast<int>(canvases_.size()); }

private:
    std::vector<SuperCanvas*> canvases_;
};

extern DragDropRegistry* dragDropRegistry;
