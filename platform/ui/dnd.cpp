// Drag and drop of files on the toolkit, and the uri-list they travel in.
#include "platform/ui/dnd.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cstdlib>

#include "platform/ui/dnd_detail.h"
#include "platform/ui/fltk_detail.h"

namespace platform::ui {

bool dragDistanceReached(int pressX, int pressY, int x, int y) {
    return std::abs(x - pressX) > kDragStartDistance || std::abs(y - pressY) > kDragStartDistance;
}

// ---------------------------------------------------------------- uri-list

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; a '%' not followed by two hex digits stays as it is.
std::string percentDecoded(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size()) return false;
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

}  // namespace

std::string fileUrlFromPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) url += '/';
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch == '\\' ? '/' : ch);
        if (unreserved(c) || c == '/') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

std::string buildUriList(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& p : paths) list += fileUrlFromPath(p) + "\r\n";
    return list;
}

std::vector<std::string> parseUriList(const std::string& text) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (startsWithNoCase(line, "file:")) {
            std::string rest = line.substr(5);
            if (rest.compare(0, 2, "//") == 0) {
                // file://host/path: only this machine's files are ours.
                std::size_t slash = rest.find('/', 2);
                std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
                if (!host.empty() && host != "localhost") continue;
                rest = slash == std::string::npos ? std::string() : rest.substr(slash);
            }
            if (rest.empty()) continue;
            paths.push_back(percentDecoded(rest));
        } else if (line[0] == '/') {
            paths.push_back(line);
        }
    }
    return paths;
}

// ---------------------------------------------------------------- toolkit

void DragTracker::setListener(DragDropListener* listener) {
    listener_ = listener;
    if (!listener) pressed_ = dropPending_ = false;
}

void DragTracker::notePointer(Fl_Window* canvas) {
    pointerX_ = Fl::event_x_root() - canvas->x_root();
    pointerY_ = Fl::event_y_root() - canvas->y_root();
}

int DragTracker::handle(Fl_Window* canvas, int event) {
    if (!listener_) return 0;
    switch (event) {
    case FL_PUSH:
        // Only a left press on the canvas itself (not one of its controls)
        // can begin a drag; the caller still delivers the press.
        pressed_ = Fl::event_button() == FL_LEFT_MOUSE && !dragging_;
        pressX_ = Fl::event_x();
        pressY_ = Fl::event_y();
        return 0;
    case FL_RELEASE: pressed_ = false; return dragging_ ? 1 : 0;
    case FL_DRAG: {
        if (dragging_) return 1;  // the drag loop's own motion
        if (!pressed_ || !dragDistanceReached(pressX_, pressY_, Fl::event_x(), Fl::event_y())) return 0;
        pressed_ = false;
        std::vector<std::string> files;
        {
            HandlerScope scope;
            files = listener_->onDragStart();
        }
        if (files.empty()) return 0;
        const std::string list = buildUriList(files);
        Fl::copy(list.c_str(), static_cast<int>(list.size()), 0);
        dragging_ = true;
        {
            // The drag runs a loop of its own inside this handler: deferred
            // work (a close that deletes this canvas) waits until it is over.
            HandlerScope scope;
            Fl::dnd();  // returns once the button is released
        }
        dragging_ = false;
        return 1;
    }
    case FL_DND_ENTER: {
        notePointer(canvas);
        HandlerScope scope;
        return listener_->onDragEnter(Fl::event_x(), Fl::event_y()) ? 1 : 0;
    }
    case FL_DND_DRAG: notePointer(canvas); return 1;
    case FL_DND_LEAVE: {
        dropPending_ = false;
        HandlerScope scope;
        listener_->onDragLeave();
        return 1;
    }
    case FL_DND_RELEASE:
        notePointer(canvas);
        dropPending_ = true;
        return 1;
    case FL_PASTE: {
        if (!dropPending_) return 0;  // a paste that is no drop is not ours
        dropPending_ = false;
        const std::string text(Fl::event_text() ? Fl::event_text() : "",
                               static_cast<std::size_t>(std::max(0, Fl::event_length())));
        std::vector<std::string> paths = parseUriList(text);
        HandlerScope scope;
        listener_->onDragLeave();
        if (!paths.empty()) listener_->onDrop(paths, pointerX_, pointerY_);
        return 1;
    }
    default: return 0;
    }
}

}  // namespace platform::ui
