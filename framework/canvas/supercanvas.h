#pragma once
// SuperCanvas: the client window of a core. For a windowed core it fills
// its frame below the menu bar; for an embedded core it is a child window
// of its parent core's canvas. It holds the core that receives its events
// (and a secondary core that receives paints when there is none), forwards
// the core's menu building to its frame, and hands values to the core by
// name: a menu command arrives as setCoreIntValue(item name, 1).
//
// A canvas is destroyed with its parent window (the frame deletes its
// client, a canvas its child canvases); the core never deletes it.
#include <memory>
#include <vector>

#include "framework/window/handlers.h"
#include "platform/ui/window.h"

class SuperCore;
class SuperWindow;

class SuperCanvas {
public:
    static constexpr unsigned defaultId = 15000;
    static constexpr int kStyleDefault = 1;
    static constexpr int kStyleSyncPaint = 2;
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

    // The canvas's own operations, in their published order.
    virtual void init();
    virtual void uninit();
    virtual void setCoreValue(const char* name, const char* text);
    virtual void setCoreIntValue(const char* name, int value);
    // Sets the text of the widgets of that name (none yet: widgets come with
    // the widget-record table).
    virtual void setValue(const char* name, const char* text);

    // Stops the canvas's event handlers; a second call changes nothing.
    void deleteHandlers();

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

    unsigned iId;
    int iStyle;
    SuperCore* iCore = nullptr;
    SuperCore* iSecondaryCore = nullptr;
    SuperWindow* iParentFrame = nullptr;
    SuperCanvas* iParentCanvas = nullptr;
    std::vector<SuperCanvas*> iChildren;
    KZVHandlerHost iHandlers;
    std::unique_ptr<platform::ui::Canvas> iWindow;
    int iShown = 0;
    bool iHandlersLive = false;
};
