#pragma once
// SuperWindow: the frame window of a windowed core. It holds the core's
// canvas as its client, owns the core's menu bar through a table of visual
// menu items (at most 200 entries, submenus nested at most five deep),
// keeps minimum and maximum sizes, hosts the main Ticker, and turns the
// frame's close and its menu commands into calls of the core: a chosen menu
// item reaches the core as setIntValue(item name, 1).
//
// A frame lives until its window is gone after a close; it then deletes
// itself (and with it its canvas). The core is released (deleted) on the
// close road (SuperCore::onClose) or, at the latest, in the destructor.
#include <memory>
#include <string>
#include <vector>

#include "framework/window/handlers.h"
#include "platform/ui/timer.h"
#include "platform/ui/window.h"

class SuperCore;
class SuperCanvas;
class SuperWindow;
class Ticker;

// One element of a frame's menu bar, in creation order.
struct VisualMenuItem {
    const char* kind = nullptr;  // kMenuItemKind, kSeparatorKind or kSubMenuKind
    std::string name;            // as the core knows it ("saveMI"); empty for a separator
    std::string text;            // the translated label; empty for a separator
    unsigned commandId = 0;
    SuperWindow* owner = nullptr;  // set for menu items
    bool hasName() const { return kind != kSeparatorKind; }

    static constexpr const char* kMenuItemKind = "menuItem";
    static constexpr const char* kSeparatorKind = "seperator";
    static constexpr const char* kSubMenuKind = "subMenu";
};

class SuperWindow : private platform::ui::FrameListener {
public:
    static constexpr unsigned defaultId = 15000;
    static constexpr int kMaxMenuItems = 200;
    static constexpr int kMaxSubMenuDepth = 5;
    static constexpr std::size_t kMaxTitle = 275;
    static constexpr std::size_t kMaxTitlePrefixName = 28;
    // Frame styles: shown on creation; the synchronous-paint style that a
    // "sync," core name asks for (the toolkit paints synchronously anyway).
    static constexpr int kStyleVisible = 1;
    static constexpr int kStyleSyncPaint = 2;

    static const char* defaultTitle();
    static int defaultStyle();
    // 512 x 384 at (30, 30).
    static platform::ui::Rect defaultFramingSpec();

    // A frame on the desktop at `rect`, not yet shown (enable shows it).
    SuperWindow(unsigned id, const platform::ui::Rect& rect, int style, const char* title);
    virtual ~SuperWindow();
    SuperWindow(const SuperWindow&) = delete;
    SuperWindow& operator=(const SuperWindow&) = delete;

    SuperCore* getCore() const { return iCore; }
    void setCore(SuperCore* core) { iCore = core; }

    void initHandlers();
    // -1 keeps a stored value. A frame larger than the maximum shrinks to it.
    void setSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight);
    virtual platform::ui::Size calcMaximumSize();
    virtual platform::ui::Size calcMinimumSize();
    // The title becomes the process-wide prefix followed by the text.
    void setTitle(const char* text);
    // The prefix becomes the name followed by " - ".
    static void setTitlePrefix(const char* name);
    static const std::string& titlePrefix();
    std::string title() const;

    // Creates the frame's Ticker (the main ticker) on first use, driven by a
    // 500 ms timer, and adds the core to it.
    void addTickClient(SuperCore* core);
    Ticker* ticker() const { return iTicker.get(); }
    // Deletes the ticker, the handlers and the menu table, then the core.
    void releaseCore();

    // Menus, built by the core through its canvas.
    void initMenu();
    void addMenuItem(const char* name, unsigned menuId, const char* text);
    // Returns the new submenu's id (0 when refused).
    unsigned addSubMenu(const char* name, const char* text);
    void addSeparator(unsigned menuId);
    void endSubMenu();
    void endMenu();
    void enableMenuItem(const char* name, int flag);
    void disableMenuItem(const char* name) { enableMenuItem(name, 0); }

    // The command event (reached through KZVCommandHandler); 1 when an entry
    // had the command id.
    int onCommand(KZVEvent& event);
    void envokeMenuItem(const VisualMenuItem& entry);
    // The frame's close (reached through KZVFrameHandler); 0 lets it go ahead.
    int onClose();

    // Shows the frame (the class library's enable with true).
    void enable();
    // Asks for the frame's close once the handler now running has returned.
    void close();

    SuperCanvas* client() const { return iClient; }
    void setClient(SuperCanvas* canvas);
    int numVisualMenuItems() const { return iNumVisualMenuItems; }
    const VisualMenuItem& visualMenuItem(int index) const { return iMenuItems[static_cast<std::size_t>(index)]; }
    int submenuNesting() const { return iSubMenuNesting; }
    unsigned menuIdBase() const { return iMenuIdBase; }
    unsigned windowId() const { return iId; }
    int style() const { return iStyle; }

    KZVHandlerHost& handlerHost() { return iHandlers; }
    platform::ui::Frame* platformFrame() { return iFrame.get(); }
    int x() const { return iFrame->x(); }
    int y() const { return iFrame->y(); }
    int width() const { return iFrame->width(); }
    int height() const { return iFrame->height(); }
    platform::ui::Rect clientRectFor(const platform::ui::Rect& frame) const { return iFrame->clientRectFor(frame); }

private:
    int onFrameClose() override;
    bool onMenuCommand(unsigned commandId) override;
    void onFrameDestroyed() override;

    bool appendEntry(const char* kind, const char* name, const char* text, unsigned commandId);
    bool knownParent(unsigned menuId) const;

    unsigned iId;
    int iStyle;
    SuperCore* iCore = nullptr;
    SuperCanvas* iClient = nullptr;
    KZVHandlerHost iHandlers;
    std::unique_ptr<platform::ui::Frame> iFrame;

    int iNumVisualMenuItems = 0;
    std::vector<VisualMenuItem> iMenuItems;
    bool iMenuTable = false;
    std::unique_ptr<KZVCommandHandler<SuperWindow>> iCommandHandler;
    std::unique_ptr<KZVFrameHandler<SuperWindow>> iFrameHandler;
    unsigned iMenuIdBase = 0;
    bool iMenuBar = false;
    int iSubMenuNesting = 0;
    unsigned iLastSubMenuId = 0;
    unsigned iSubMenuStack[kMaxSubMenuDepth + 1] = {};
    int iRefusedSubMenus = 0;  // refused submenus whose ends are still to come
    std::unique_ptr<Ticker> iTicker;
    std::unique_ptr<platform::ui::Timer> iTickTimer;
    int iMinWidth = 0, iMinHeight = 0, iMaxWidth = 0, iMaxHeight = 0;
};

// Size, and move and size, a window.
void resizeTo(SuperWindow* window, int width, int height);
void placeWindow(SuperWindow* window, int x, int y, int width, int height);
void resizeTo(SuperCanvas* window, int width, int height);
void placeWindow(SuperCanvas* window, int x, int y, int width, int height);

// The wait pointer and the default pointer on a frame (null: nothing), and
// on a core's frame or, for a core without one, on the main core's frame.
void setWaitPointer(SuperWindow* window);
void setDefaultPointer(SuperWindow* window);
void showWaitPointer(SuperCore* core);
void showDefaultPointer(SuperCore* core);
