#pragma once
// SuperCanvas: the client window of a core. For a windowed core it fills
// its frame below the menu bar; for an embedded core it is a child window
// of its parent core's canvas.
//
// A core never creates controls itself: from its createVisual it calls the
// canvas's builders, each of which appends a widget record (at most 128),
// and one realize call turns the records into controls, either at the
// positions the core gave (realize) or packed as a form (realizeForm). From
// then on every event of a control reaches the core by the widget's name:
// entry fields and combo boxes with their text through setValue, push and
// command buttons with a null text, lists with an empty text, check boxes,
// radio buttons and scroll bars with a number through setIntValue. Mouse,
// paint and resize events reach the core's own slots. While a value is
// being delivered, further select, edit, command and scroll events are
// ignored, so a core's changes to its own widgets do not come back to it;
// before the table is realised they are ignored too.
//
// The canvas also offers values, list operations, enabling and colours by
// widget name, keeps remembered widgets and embedded cores anchored to its
// edges when it is resized, and forwards the core's menu building to its
// frame (a menu command arrives as setCoreIntValue(item name, 1)).
//
// A canvas is destroyed with its parent window (the frame deletes its
// client, a canvas its child canvases); the core never deletes it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/canvas/canvashandlers.h"
#include "framework/canvas/widgetrecord.h"
#include "framework/window/handlers.h"
#include "platform/ui/controls.h"
#include "platform/ui/window.h"

class SuperCore;
class SuperWindow;
class SuperCanvas;

// One remembered widget or embedded core that follows its parent's size.
struct AnchorRecord {
    SuperCanvas* parent = nullptr;  // the window whose size it follows
    platform::ui::Control* control = nullptr;
    SuperCore* core = nullptr;  // the embedded core whose canvas moves
    std::string code;           // at most 7 characters; "XX" when none
    float rx = 0.0f;            // x / parent width when remembered
    float rw = 0.0f;            // width / parent width when remembered
    std::int32_t parentW = 0;   // the parent's size at the last pass
    std::int32_t parentH = 0;
    // What shrinking took beyond a size of zero, given back first when the
    // parent grows again.
    std::int32_t owedW = 0;
    std::int32_t owedH = 0;
};

// Creates the advertising core of an "ad" record inside the owner core's
// canvas at (x, y, width, height). Set by the advertising code; while it is
// null the record gets no core.
using AdCoreFactory = SuperCore* (*)(SuperCore* owner, int x, int y, int width, int height);
extern AdCoreFactory adCoreFactory;

// Creates an image button inside the owner core's canvas at (x, y, width,
// height), configured with its kind, item name, picture file (null: from
// the name) and number of states. Set by the image-button code, which lies
// above the cores that place buttons; while it is null no button is made.
using ImageButtonFactory = SuperCore* (*)(SuperCore* owner, int x, int y, int width, int height, const char* kind,
                                          const char* name, const char* picturePath, int states);
extern ImageButtonFactory imageButtonFactory;

class SuperCanvas : private platform::ui::CanvasListener, private platform::ui::ControlListener {
public:
    static constexpr unsigned defaultId = 15000;
    static constexpr int kStyleDefault = 1;
    static constexpr int kStyleSyncPaint = 2;
    static constexpr int kMaxWidgets = 128;
    static constexpr std::size_t kMaxAnchorCode = 7;
    static constexpr std::size_t kMaxParentClass = 31;
    // 512 x 384 at (31, 32).
    static platform::ui::Rect defaultFramingSpec();
    static int defaultStyle() { return kStyleDefault; }

    // The client canvas of a frame (the frame makes it its client).
    SuperCanvas(unsigned id, SuperWindow* parent, const platform::ui::Rect& rect, int style);
    // A canvas inside another canvas (an embedded core's).
    SuperCanvas(unsigned id, SuperCanvas* parent, const platform::ui::Rect& rect, int style);
    virtual ~SuperCanvas();
    SuperCanvas(const SuperCanvas&) = delete;
    SuperCanvas& operator=(const SuperCanvas&) = delete;

    SuperCore* getCore() const { return iCore; }
    void setCore(SuperCore* core) { iCore = core; }
    SuperCore* getSecondaryCore() const { return iSecondaryCore; }
    void setSecondaryCore(SuperCore* core) { iSecondaryCore = core; }

    // ---- The canvas's own operations, in their published order. Names
    // match records exactly; setters act on every matching record of a
    // fitting kind, queries answer from the first one.
    virtual void init();
    virtual void uninit();
    virtual void setCoreValue(const char* name, const char* text);
    virtual void setCoreIntValue(const char* name, int value);
    virtual void setValue(const char* name, const char* text);
    virtual void setValueAt(const char* name, const char* text, int index);
    virtual void setIntValue(const char* name, int value);
    virtual void setScrollBarRange(const char* name, int low, int high, int visible);
    // Text results stay valid until the canvas's next value query.
    virtual const char* getValue(const char* name);  // "unknown" when none
    virtual const char* getValueAt(const char* name, int index);
    virtual int getIntValue(const char* name);
    virtual int getIntValueAt(const char* name, int index);
    // List: 1 removes every entry, 0 deselects all, -1 selects all;
    // combo box: 1 removes every entry.
    virtual void clearList(const char* name, int mode);
    virtual void addListItem(const char* name, const char* text);
    virtual void addListItemSorted(const char* name, const char* text);
    virtual void setListItemText(const char* name, const char* text, int index);
    virtual void addListItems(const char* name, const char* const* texts);  // ended by null
    virtual void removeListItem(const char* name, int index);
    virtual void removeListString(const char* name, const char* text);
    virtual void removeListStrings(const char* name, const char* const* texts);
    virtual void deselectListString(const char* name, const char* text);
    virtual void deselectListIndex(const char* name, int index);
    virtual void deselectListStrings(const char* name, const char* const* texts);
    virtual void deselectListIndices(const char* name, const int* indices);  // ended by -1
    virtual void selectListString(const char* name, const char* text);
    virtual void selectListIndex(const char* name, int index);
    virtual void selectListStrings(const char* name, const char* const* texts);
    virtual void selectListIndices(const char* name, const int* indices);
    virtual int getListCount(const char* name);
    virtual int getListSelectionCount(const char* name);
    virtual int getListSelection(const char* name);
    virtual const char* getListSelectedText(const char* name);
    // New heap blocks (malloc and strdup) that the caller frees with free:
    // the texts and the array, which has count + 1 places and ends with
    // null (-1 for the indices); null when there is no such list.
    virtual char** getListStrings(const char* name);
    virtual char** getListSelectedStrings(const char* name);
    virtual int* getListSelections(const char* name);
    // A null name: the whole canvas.
    virtual void setWidgetEnabled(const char* name, int flag);
    virtual void enableWidget(const char* name);
    virtual void disableWidget(const char* name);
    // As setWidgetEnabled, and embedded cores of that name too.
    virtual void setItemEnabled(const char* name, int flag);
    virtual void enableItem(const char* name);
    virtual void disableItem(const char* name);
    // 1 when the first matching control is enabled.
    virtual int getWidgetState(const char* name);
    virtual void setForegroundColorF(const char* name, float red, float green, float blue, float unused);
    virtual void setForegroundColorRGB(const char* name, int red, int green, int blue);
    // "red", "green", "blue", "white" or "black".
    virtual void setForegroundColor(const char* name, const char* colour);
    virtual void setBackgroundColorRGB(const char* name, int red, int green, int blue);
    virtual void setBackgroundColor(const char* name, const char* colour);

    // ---- Positioned builders (pixels; a height of -1 takes the default).
    void addCheckBox(const char* name, const char* text, int value, int x, int y, int width, int height);
    void addRadioButton(const char* name, const char* text, int value, int x, int y, int width, int height);
    // code: "r"/"e" left, "l"/"w" right, "br"/"se" bottom left, "bl"/"sw"
    // bottom right, "m" centred.
    void addLabelAt(const char* name, const char* text, int x, int y, int width, int height, const char* code);
    void addEntryField(const char* name, const char* text, int x, int y, int width, int height, int limit);
    void addPushButton(const char* name, const char* text, int x, int y, int width, int height);
    void addList(const char* name, int value, int x, int y, int width, int height);
    void addVerticalScrollBar(const char* name, int x, int y, int width, int height);
    void addHorizontalScrollBar(const char* name, int x, int y, int width, int height);
    void addAd(const char* name, SuperCore* owner, int x, int y, int width, int height);
    void realize();

    // ---- Form builders (columns 0, 1 or 2 and a row cursor).
    void addGroupBox(const char* name, const char* text);
    void addCheckBoxRow(const char* name, const char* text, int value);
    void addCheckBoxEntry(const char* name, const char* text, int value, int column);
    void addLabel(const char* name, const char* text, int column);
    // entries: ended by null, kept alive by the caller until realised.
    void addComboBox(const char* name, const char* const* entries, const char* selected);
    void addCommandButton(const char* name, const char* text);
    void packColumns(int columns);
    void exitGroupBox();
    void equalizeGroupBoxWidths();
    void realizeForm();

    // ---- The table.
    void createWidgets();
    void createFormWidgets();
    static void fitControlHeight(platform::ui::Control* control);
    // Releases every record's text; with kill also its control and all
    // else it owns, and empties the table.
    void cleanUp(int kill);
    void clearVisual();
    // Removes the first record of that name, with its control, handlers,
    // core and anchors; later records move down and keep their ids.
    void deleteWidget(const char* name);
    platform::ui::Control* getControl(const char* name);
    void repaintAll();
    // Width of a text in the measuring font (the font of the newest canvas).
    static int measureText(const char* text);
    // The characters of a text other than '.'.
    static int countNonDots(const char* text);

    int widgetCount() const { return iNumWidgets; }
    const WidgetRecord& widget(int index) const { return iWidgets[static_cast<std::size_t>(index)]; }
    const WidgetRecord* findWidget(const char* name) const;
    int groupCounter() const { return iGroup; }
    float rowCursor() const { return iRow; }
    int formOffsetY() const { return iFormOffsetY; }
    const platform::ui::Font& font() const { return iFont; }
    static const platform::ui::Font& measuringFont();

    // ---- Layout.
    void rememberWidget(SuperCanvas* parent, platform::ui::Control* control, SuperCore* core, const char* code);
    void rememberWidgetByName(const char* name, const char* code);
    void rememberCore(SuperCore* core, const char* code);
    void repositionWidgets(SuperCanvas* window, SuperWindow* frame, int newWidth, int newHeight);
    int onResize(int newWidth, int newHeight);
    const std::vector<AnchorRecord>& anchors() const { return iAnchors; }  // oldest first

    // ---- Event entry points (called by the handlers); 1 when handled.
    int onSelect(KZVEvent& event);
    int onEdit(KZVEvent& event);
    int onCommand(KZVEvent& event);
    int envokeItemForControl(const void* control);
    int onMouseClick(SuperCanvas* window, KZVEvent& event);
    int onMouseMove(SuperCanvas* window, KZVEvent& event);
    int onPaint(SuperCanvas* window, KZVEvent& event);
    // Delivers one widget's value to the core.
    void envokeVisualItem(WidgetRecord& record);

    int eventBlock() const { return iEventBlock; }
    // The modifier keys at the last mouse click delivered to the core.
    int lastAlt() const { return iLastAlt; }
    int lastCtrl() const { return iLastCtrl; }
    int lastShift() const { return iLastShift; }

    // Stops the canvas's event handlers; a second call changes nothing.
    void deleteHandlers();
    bool handlersLive() const { return iScrollHandler != nullptr; }

    // ---- Embedded cores living inside this canvas.
    void addEmbeddedCore(SuperCore* core);
    // The core leaves the list, and its anchors and any record's hold on
    // it go; the core itself is not deleted.
    void removeEmbeddedCore(SuperCore* core);
    const std::vector<SuperCore*>& embeddedCores() const { return iEmbeddedCores; }

    void setParentClass(const char* text);
    const std::string& parentClass() const { return iParentClass; }

    // Menu building, forwarded to the frame that holds this canvas.
    void initMenu();
    void addMenuItem(const char* name, unsigned menuId, const char* text);
    unsigned addSubMenu(const char* name, const char* text);
    void addSeparator(unsigned menuId);
    void endSubMenu();
    void endMenu();

    int shown() const { return iShown; }
    void markShown() { iShown = 1; }
    int style() const { return iStyle; }
    unsigned id() const { return iId; }
    // The native window id (0 until shown).
    unsigned long nativeHandle() const;

    SuperWindow* parentFrame() const { return iParentFrame; }
    SuperCanvas* parentCanvas() const { return iParentCanvas; }
    platform::ui::Canvas* platformCanvas() const { return iWindow.get(); }
    KZVHandlerHost& handlerHost() { return iHandlers; }
    int x() const { return iWindow->x(); }
    int y() const { return iWindow->y(); }
    int width() const { return iWindow->width(); }
    int height() const { return iWindow->height(); }

private:
    void initHandlers();
    SuperWindow* menuFrame() const;

    // Toolkit events, turned into handler events.
    void onCanvasPaint(int x0, int y0, int x1, int y1) override;
    bool onCanvasMouse(const platform::ui::MouseEvent& event) override;
    void onCanvasResize(int w, int h) override;
    void onControlEvent(platform::ui::Control& control, platform::ui::ControlEventKind kind) override;

    WidgetRecord* appendRecord(const char* kind, const char* name);
    int nextIndex() const;
    WidgetRecord* recordById(int id);
    // Frees what a record owns (control, handlers, core) and drops the
    // anchors of its control and core.
    void releaseRecord(WidgetRecord& record);
    void dropAnchors(const platform::ui::Control* control, const SuperCore* core);
    void createControl(WidgetRecord& r, platform::ui::ControlType type, const platform::ui::Rect& rect);
    void addImmediateScrollBar(const char* name, int x, int y, int width, int height, bool vertical);
    // Lets events through once the delivery now running (if any) is over.
    void unblockEvents();
    void applyColour(const char* name, const platform::ui::Rgb& colour, bool foreground);
    const char* keepText(std::string text);
    void moveCoreCanvas(AnchorRecord& a, int dX, int dY);

    template <class F>
    void forEachNamed(const char* name, unsigned kinds, F&& f);
    WidgetRecord* firstNamed(const char* name, unsigned kinds);

    unsigned iId;
    int iStyle;
    SuperCore* iCore = nullptr;
    SuperCore* iSecondaryCore = nullptr;
    SuperWindow* iParentFrame = nullptr;
    SuperCanvas* iParentCanvas = nullptr;
    std::vector<SuperCanvas*> iChildren;
    KZVHandlerHost iHandlers;
    std::unique_ptr<platform::ui::Canvas> iWindow;

    std::unique_ptr<KZVCommandHandler<SuperCanvas>> iCommandHandler;
    std::unique_ptr<KZVEditHandler<SuperCanvas>> iEditHandler;
    std::unique_ptr<KZVSelectHandler<SuperCanvas>> iSelectHandler;
    std::unique_ptr<KZVMouseHandler<SuperCanvas>> iMouseHandler;
    std::unique_ptr<KZVPaintHandler<SuperCanvas>> iPaintHandler;
    std::unique_ptr<KZVResizeHandler<SuperCanvas>> iResizeHandler;
    std::unique_ptr<KZVScrollHandler<SuperCanvas>> iScrollHandler;

    std::array<WidgetRecord, kMaxWidgets> iWidgets;
    int iNumWidgets = 0;
    int iGroup = 0;
    float iRow = 0.0f;
    int iFormOffsetY = 0;
    platform::ui::Font iFont;

    int iEventBlock = 1;
    int iDeliveries = 0;             // deliveries now running
    bool iUnblockRequested = false;  // a realize ran during a delivery

    std::vector<AnchorRecord> iAnchors;
    std::vector<SuperCore*> iEmbeddedCores;
    std::string iParentClass;
    int iShown = 0;
    int iLastAlt = 0, iLastCtrl = 0, iLastShift = 0;
    std::string iQueryText;
};
