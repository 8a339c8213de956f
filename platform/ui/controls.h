#pragma once
// Controls of the user-interface layer: push buttons, check boxes, radio
// buttons, entry fields (plain or hiding what is typed), static texts,
// group-box frames, drop-down combo boxes, list boxes (one or several
// selected entries) and scroll bars, each a child of a Canvas with
// canvas-relative coordinates. Their events reach the program through a
// ControlListener; every listener call runs as an event handler (see defer
// in ui.h). Programmatic changes raise no events.
//
// Every text a control shows is a copy and is drawn literally: no '@'
// symbols, no '&' shortcuts, whatever the text holds.
//
// A control works without a display: its state (text, check mark, entries,
// selection, scroll position) lives in the control and can be read back.
// Every operation is harmless once the toolkit widget is gone (destroyed
// with its canvas), and operations that do not fit the control's type do
// nothing (queries answer 0, -1 or empty).
//
// Text widths are measured through a TextMeasurer that tests replace.
#include <memory>
#include <string>

#include "platform/ui/ui.h"

namespace platform::ui {

class Canvas;

// A font by face name and size in points. "Arial" and "Helvetica" (and any
// face not known) give the toolkit's sans-serif face, "Courier" its
// fixed-width one, "Times" its serif one.
struct Font {
    std::string face = "Helvetica";
    int points = 8;
    // The size in pixels on a 96-dpi screen.
    int pixelSize() const;
};

// Measures texts in pixels; tests install a measurer of their own.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int textWidth(const char* text, const Font& font) = 0;
};

// The measurer in use: the one installed, else the toolkit's (which, with
// no display, estimates half the font's pixel size per character).
TextMeasurer& textMeasurer();
// Installs a measurer (not owned); null restores the toolkit's.
void setTextMeasurer(TextMeasurer* measurer);

enum class ControlType {
    PushButton,
    CheckBox,
    RadioButton,  // the radio buttons of one canvas form one group
    Entry,
    SecretEntry,  // shows a mark for each character typed
    Label,
    GroupBox,   // a frame with its title at the top left
    Choice,     // a drop-down combo box
    List,       // one entry selected at a time
    MultiList,  // any number of entries selected
    VerticalScrollBar,
    HorizontalScrollBar,
};

// Where a label's text sits: vertically centred flush left or right,
// at the bottom flush left or right, or centred both ways.
enum class TextAlign { Left, Right, BottomLeft, BottomRight, Center };

enum class ControlEventKind {
    Command,  // a push button was pressed
    Edit,     // the text of an entry field changed
    Select,   // a check box, radio button, combo box or list changed
    Enter,    // a list entry was double-clicked, or Enter pressed on a list
    Scroll,   // a scroll bar moved
};

class Control;

class ControlListener {
public:
    virtual ~ControlListener() = default;
    // The control may be deleted inside this call.
    virtual void onControlEvent(Control& control, ControlEventKind kind) = 0;
};

// The toolkit widget behind a Control; defined inside platform/ui only.
struct NativeControl;
class ItemHolder;

class Control {
public:
    // A control on `parent` (null: a control on no window, for tests).
    Control(Canvas* parent, ControlType type, const Rect& rect, int id);
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlType type() const;
    int id() const;
    // The toolkit widget exists.
    bool exists() const;

    void setListener(ControlListener* listener);

    Rect rect() const;
    // Moves and sizes in one step; negative sizes are taken as 0.
    void place(int x, int y, int w, int h);

    // The caption (buttons, labels, group boxes), the contents (entry
    // fields) or the selected entry's text (combo boxes, read only).
    void setText(const char* text);
    std::string text() const;
    void setAlignment(TextAlign align);
    void setFont(const Font& font);
    // Entry fields: the most characters the user can type (<= 0: no limit),
    // counted as bytes of the UTF-8 text: the system's characters were one
    // byte each, and its texts go to byte-bound files and messages.
    void setMaxLength(int characters);
    int maxLength() const;

    // Check boxes and radio buttons.
    void setChecked(bool checked);
    bool checked() const;

    void setForeground(const Rgb& colour);
    void setBackground(const Rgb& colour);
    Rgb foreground() const;
    Rgb background() const;

    void setEnabled(bool enabled);
    bool enabled() const;
    // A deferred repaint; `immediate` paints at once when shown.
    void repaint(bool immediate = false);

    // Entries of lists and combo boxes. Indices are 0-based; an index out
    // of range changes nothing and reads as empty / not selected.
    int itemCount() const;
    std::string itemText(int index) const;
    // Appends, or with `sorted` inserts before the first entry that
    // compares greater (byte order); returns the new entry's index.
    int addItem(const char* text, bool sorted = false);
    void setItemText(int index, const char* text);
    void removeItem(int index);
    void clearItems();
    // The first entry whose text equals `text` exactly, or -1.
    int findItem(const char* text) const;
    // A list with one selection deselects the others when one is selected.
    void setItemSelected(int index, bool selected);
    bool itemSelected(int index) const;
    void selectAll(bool selected);
    // The first selected entry, or -1.
    int selectedIndex() const;
    int selectedCount() const;

    // Scroll bars: the range low..high, of which `visible` units show at a
    // time; the position runs from low to high - visible + 1.
    void setScrollRange(int low, int high, int visible);
    void setScrollPosition(int position);
    int scrollPosition() const;
    int scrollLow() const;
    int scrollHigh() const;
    int scrollVisible() const;

    // Tests: raises an event as the toolkit does when the user acts.
    void raiseForTests(ControlEventKind kind);

    NativeControl* native() const { return native_.get(); }

    struct Impl;

private:
    ItemHolder* items() const;

    std::unique_ptr<NativeControl> native_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::ui
