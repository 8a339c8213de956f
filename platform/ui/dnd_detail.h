#pragma once
// Inside platform/ui only: the toolkit side of drag and drop for one
// canvas. The canvas's toolkit window hands its events to its DragTracker
// first; what the tracker uses goes no further.
#include <FL/Fl_Window.H>

#include "platform/ui/dnd.h"

namespace platform::ui {

class DragTracker {
public:
    void setListener(DragDropListener* listener);
    DragDropListener* listener() const { return listener_; }

    // Drag starts (on FL_PUSH and FL_DRAG), the FL_DND_* events and the
    // FL_PASTE of a drop; 1 when the event is used up here.
    int handle(Fl_Window* canvas, int event);

private:
    // The release point in canvas coordinates.
    void notePointer(Fl_Window* canvas);

    DragDropListener* listener_ = nullptr;
    bool pressed_ = false;      // a left press on the canvas itself
    bool dragging_ = false;     // the drag loop runs
    bool dropPending_ = false;  // a release accepted, its paste to come
    int pressX_ = 0, pressY_ = 0;
    int pointerX_ = 0, pointerY_ = 0;
};

}  // namespace platform::ui
