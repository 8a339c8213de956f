#pragma once
// Dragging files out of a canvas and dropping files onto it, within the
// program and between the program and other programs. The files travel as
// a "text/uri-list": one "file://" URL a line, percent-encoded. A canvas
// takes part once a DragDropListener is set on it (Canvas::setDragDropListener):
// a left-button drag that starts on the canvas (not on one of its controls)
// asks the listener for the files to drag; a drag over the canvas reports
// its entry, leave and drop.
//
// The uri-list rules are plain functions, usable without a display.
#include <string>
#include <vector>

namespace platform::ui {

// The program's side of a canvas that takes part in drag and drop. Every
// call runs on the GUI thread as an event handler.
class DragDropListener {
public:
    virtual ~DragDropListener() = default;
    // A drag begins on the canvas: the full paths of the files it carries;
    // none and no drag starts.
    virtual std::vector<std::string> onDragStart() = 0;
    // A drag enters the canvas at (x, y), canvas coordinates. True accepts
    // a drop.
    virtual bool onDragEnter(int x, int y) = 0;
    virtual void onDragLeave() = 0;
    // Files dropped: the paths and the point of the release in canvas
    // coordinates.
    virtual void onDrop(const std::vector<std::string>& paths, int x, int y) = 0;
};

// A pointer travel in pixels (either way) from the press beyond which a
// drag begins.
constexpr int kDragStartDistance = 4;

// True once the pointer has travelled from the press far enough to start
// a drag.
bool dragDistanceReached(int pressX, int pressY, int x, int y);

// A local path as a "file://" URL: '\' taken as '/', a path not starting
// with '/' gets one (so "C:/x" is "file:///C:/x"), every byte outside the
// unreserved characters and '/' percent-encoded.
std::string fileUrlFromPath(const std::string& path);
// The paths as a uri-list: one URL a line, each line ended by CR LF.
std::string buildUriList(const std::vector<std::string>& paths);
// The local paths of a uri-list, in order: "file:" URLs with an empty host
// or "localhost" (percent escapes decoded); comment lines ("#") and blank
// lines are skipped, other schemes and remote hosts dropped. A line that
// is no URL at all but an absolute path (as some programs send decoded
// text) is taken as it stands.
[[nodiscard]] std::vector<std::string> parseUriList(const std::string& text);

}  // namespace platform::ui
