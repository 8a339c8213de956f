#pragma once
// The user-interface layer the framework's windows rest on: the application
// loop, deferred work, the desktop, the message box and the pointers. Frame
// windows and canvases are in window.h, timers in timer.h. The layer is
// built on FLTK 1.3, but no toolkit type appears in these headers: only the
// sources of platform/ui include the toolkit.
//
// Everything here runs on the GUI thread.
#include <functional>

namespace platform::ui {

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

struct Size {
    int w = 0;
    int h = 0;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// The program's arguments, as handed to the application object.
void setApplicationArguments(int argc, char** argv);

class Frame;

// Runs the application loop until `mainFrame` has been closed (its window
// destroyed or the Frame deleted), even while other frames stay open, then
// carries out the work still deferred (the closes of the other frames).
// Returns at once for a null frame. Returns 0.
int runLoop(Frame* mainFrame);

// Runs `task` once the event handler now running has returned: never under
// the handler that asked for it (a core closing its own window from a menu
// command). Outside any handler it runs at the next turn of the loop, or at
// the next runPending.
void defer(std::function<void()> task);
// Runs the deferred work now, when no handler is running (tests and the end
// of the loop). Returns the number of tasks run.
int runPending();
// Pumps events for about `seconds` (tests).
void processEvents(double seconds);
// True while an event handler of this layer is running.
bool inHandler();

// True when an X display can be used.
bool displayAvailable();
// The desktop size (the screen); 1024 x 768 without a display.
Size desktopSize();
// Tests: a fixed desktop size; 0, 0 restores the real one.
void setDesktopSizeForTests(int w, int h);

enum class MessageKind { Information, Error };
// A modal message box with a title and an information or error icon. The
// text is shown as it stands. False (nothing shown) without a display.
bool messageBox(const char* title, const char* text, MessageKind kind);

enum class Pointer { Default, Wait };

// Mouse buttons in the system's numbering: left 1, right 2, middle 3
// (-1 for any other button).
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 3;
// The toolkit's button number (left 1, middle 2, right 3) in the system's
// numbering.
int systemButtonFromToolkit(int toolkitButton);

}  // namespace platform::ui
