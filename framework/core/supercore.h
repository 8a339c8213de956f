#pragma once
// SuperCore: the base class of every window content of the program (a
// "core"). A windowed core owns a frame window (SuperWindow) and its client
// canvas (SuperCanvas) and is entered into the core register; an embedded
// core has only a canvas inside its parent's window and belongs to the core
// that embeds it. The canvas and the frame reach the core only through the
// virtual operations below; their base versions log one line (where noted)
// and do nothing else, so events for a core that does not handle them are
// harmless.
//
// Lifetimes. What has a single owner is held by type (std::unique_ptr,
// containers, std::string). The lifetimes below are fixed by the design
// instead; the raw pointers between these objects do not own, except
// where said here.
// - A windowed core is made with new, enters the register (coreLibrary) in
//   its constructor and leaves it in its destructor. Its frame deletes it
//   when the frame closes (onClose -> SuperWindow::releaseCore, which
//   clears the core's frame pointer first), or the register does at
//   shut-down (library::deleteSuperCores); a core deleted while its frame
//   still exists asks the frame to close without it.
// - An embedded core never enters the register; the core that embeds it
//   deletes it (one made by another part is handed over with
//   adoptEmbeddedCore). Its canvas is a child of the parent's canvas and goes with
//   that window.
// - Frames and canvases are windows: a core never deletes them. A frame
//   deletes itself (`delete this`) once its toolkit window is gone after a
//   close, and its client canvas with it; a canvas deletes its child
//   canvases. Each side clears its pointer to the other when it goes.
// - The register lives from Exec::init to the main core's destructor, which
//   deletes every other core through it and then the register. The Exec,
//   made by the application part's ready event, is deleted at the end of
//   the main core's close, after Exec::uninit (or by Main::run, when the
//   loop ends without that close).
// - A Communicator set to delete itself does so (`delete this`) when its
//   fetch on its own thread ends, unless its owner deleted it first.
#include <memory>
#include <string>
#include <vector>

#include "framework/util/tickclient.h"

class SuperWindow;
class SuperCanvas;

class SuperCore : public TickClient {
public:
    // A windowed core: registers itself, opens its frame at the saved
    // placement of `windowName` (a width or height of 0: the saved size).
    SuperCore(const char* windowName, int width, int height, int extra);
    // An embedded core; the subclass then calls createCanvas.
    SuperCore();

    // The 29 virtual operations, in the system's slot order.
    virtual ~SuperCore();
    virtual const char* getCoreClassName() = 0;
    virtual void init();
    virtual void uninit();
    virtual void createVisual();
    virtual int onMouseMove(int x, int y);
    // button 1 left, 2 right, 3 middle; action 1 press, -1 release,
    // 0 click, 2 double-click.
    virtual int onMouse(int x, int y, int button, int action);
    // (x0, y0)-(x1, y1): the minimum and maximum corners of the area to repaint.
    virtual int paint(int x0, int y0, int x1, int y1);
    virtual int paintOverlay(SuperCanvas* window, int x0, int y0, int x1, int y1);
    virtual int onResize(int w, int h);
    virtual void reResize();
    virtual int setSize(int w, int h);
    virtual int onClose();
    virtual void setValue(const char* name, const char* text);
    virtual void setIntValue(const char* name, int value);
    virtual const char* getBaseClassName();
    virtual const char* describe();
    // A null-terminated array of full paths and the drop point.
    virtual void dropFiles(char** list, int x, int y);
    // cursor starts at 0 for each drag; non-zero while a further file is
    // offered (directory and fileName set).
    virtual int getDragFile(int* cursor, std::string* directory, std::string* fileName);
    void onIntuitick() override;
    void onPrivIntuitick() override;
    virtual int onListSelect(const char* eventName, SuperCore* sender, int row);
    virtual const char* getName();
    virtual void setVisible(int flag);
    virtual void hide();
    virtual void setEnabled(int flag);
    virtual void disable();
    virtual int reservedQuery1();
    virtual int reservedQuery2();

    // A command whose value is a core: an image button hands its command
    // to its owner with the button itself as the value. A pointer does not
    // fit the int of setIntValue, so it travels here; the base delivers
    // the command as setIntValue(command, 1) (0 for a null sender).
    virtual void setCommandCore(const char* command, SuperCore* sender);

    // Stores the window's placement in the options and saves them.
    void saveWindowMetrics();
    // Sets the widget "info" to a blank followed by the text.
    void showInfo(const char* text);
    void showInfo2(const char* text1, const char* text2);
    // Paints the whole area through the core's own paint.
    SuperCore* redraw();
    // For an embedded core: a canvas inside `parent` at (x, y, w, h).
    void createCanvas(SuperCanvas* parent, int x, int y, int w, int h);
    // Takes an embedded core that someone else made in this core's canvas
    // (the upgrade button): it is deleted with this core, while the canvas
    // still stands.
    void adoptEmbeddedCore(SuperCore* core);

    static constexpr std::size_t kMaxName = 63;
    static constexpr std::size_t kMaxInfo = 510;
    static constexpr std::size_t kMaxInfo2 = 255;
    // The frame size of a first start (no saved placement) and its place.
    static constexpr int kDefaultWidth = 512;
    static constexpr int kDefaultHeight = 384;
    static constexpr int kDefaultX = 30;
    static constexpr int kDefaultY = 30;

    SuperWindow* frame() const { return iFrame; }
    SuperCanvas* canvas() const { return iCanvas; }
    int width() const { return iWidth; }
    int height() const { return iHeight; }
    int sizeCallCount() const { return iSizeCalls; }
    bool syncMode() const { return iSync; }

    // Cleared by the frame just before it deletes the core.
    void clearFrame() { iFrame = nullptr; }
    // Cleared by a canvas that is destroyed before its core.
    void clearCanvas() { iCanvas = nullptr; }
    void setCanvasForTests(SuperCanvas* c) { iCanvas = c; }
    void setFrameForTests(SuperWindow* f) { iFrame = f; }

protected:
    int iSizeCalls = 0;
    SuperWindow* iFrame = nullptr;
    SuperCanvas* iCanvas = nullptr;
    std::string iName;  // at most 63 characters
    int iExtra = 0;
    int iWidth = 0;
    int iHeight = 0;
    std::string iDescription;
    bool iSync = false;
    std::vector<std::unique_ptr<SuperCore>> iAdoptedCores;
};

// GenericMainCore: the base of the main game core; one further hook that no
// path of the framework calls.
class GenericMainCore : public SuperCore {
public:
    using SuperCore::SuperCore;
    virtual void drawBackground(unsigned char* pixels);
};

// The register of live windowed cores. One process-wide instance (coreLibrary),
// created by Exec::init and deleted by the main core's destructor.
class library {
public:
    library();
    ~library();
    library(const library&) = delete;
    library& operator=(const library&) = delete;

    void addSuperCore(SuperCore* core);
    // The last entry fills the hole, so order is not creation order.
    void removeSuperCore(SuperCore* core);
    // Deletes every registered core (each is unlinked before it is deleted).
    void deleteSuperCores();
    // The first registered core whose class name equals the text exactly.
    SuperCore* findCoreByClassName(const char* className);

    int count() const { return static_cast<int>(iCores.size()); }
    int capacity() const { return iCapacity; }
    SuperCore* at(int i) const { return iCores[static_cast<std::size_t>(i)]; }

private:
    std::vector<SuperCore*> iCores;
    int iCapacity = 64;
};

extern library* coreLibrary;
