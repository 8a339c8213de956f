// The canvas as a class: construction and teardown, the routing of toolkit
// events to the core, values, lists, enabling and colours by widget name.
// The builders are in builders.cpp, the anchored layout in layout.cpp.
#include "framework/canvas/supercanvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "framework/app/debuglog.h"
#include "framework/canvas/dragdrop.h"
#include "framework/core/supercore.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"

AdCoreFactory adCoreFactory = nullptr;
ImageButtonFactory imageButtonFactory = nullptr;

namespace {

platform::ui::Font& measuringFontStorage() {
    static platform::ui::Font font;
    return font;
}

// The five colour words.
bool colourByWord(const char* word, platform::ui::Rgb& out) {
    static const struct {
        const char* word;
        platform::ui::Rgb rgb;
    } table[] = {
        {"red", {255, 0, 0}},       {"green", {0, 255, 0}}, {"blue", {0, 0, 255}},
        {"white", {255, 255, 255}}, {"black", {0, 0, 0}},
    };
    if (!word) return false;
    for (const auto& e : table)
        if (std::strcmp(word, e.word) == 0) {
            out = e.rgb;
            return true;
        }
    return false;
}

}  // namespace

platform::ui::Rect SuperCanvas::defaultFramingSpec() { return {31, 32, 512, 384}; }

const platform::ui::Font& SuperCanvas::measuringFont() { return measuringFontStorage(); }

SuperCanvas::SuperCanvas(unsigned id, SuperWindow* parent, const platform::ui::Rect& rect, int style)
    : iId(id), iStyle(style), iParentFrame(parent),
      iWindow(std::make_unique<platform::ui::Canvas>(parent ? parent->platformFrame() : nullptr, rect)) {
    initHandlers();
}

SuperCanvas::SuperCanvas(unsigned id, SuperCanvas* parent, const platform::ui::Rect& rect, int style)
    : iId(id), iStyle(style), iParentCanvas(parent),
      iWindow(std::make_unique<platform::ui::Canvas>(parent ? parent->platformCanvas() : nullptr, rect)) {
    if (parent) parent->iChildren.push_back(this);
    initHandlers();
}

SuperCanvas::~SuperCanvas() {
    if (dragDropRegistry) dragDropRegistry->forgetWindow(this);
    deleteHandlers();
    iWindow->setListener(nullptr);
    // What the records own goes first: an advertising core's canvas is a
    // child of this one.
    for (WidgetRecord& r : iWidgets) releaseRecord(r);
    iAnchors.clear();
    // Child canvases are destroyed with their parent window.
    std::vector<SuperCanvas*> children;
    children.swap(iChildren);
    for (SuperCanvas* c : children) {
        c->iParentCanvas = nullptr;
        delete c;
    }
    if (iParentCanvas) {
        auto& siblings = iParentCanvas->iChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (iParentFrame && iParentFrame->client() == this) iParentFrame->setClient(nullptr);
    // A core that outlives its canvas must not reach it any more.
    if (iCore && iCore->canvas() == this) iCore->clearCanvas();
    iWindow.reset();
}

void SuperCanvas::initHandlers() {
    iEmbeddedCores.clear();
    measuringFontStorage() = iFont;
    iEventBlock = 1;
    iShown = 1;
    iNumWidgets = 0;
    iParentClass.clear();
    debugLog("sc.e1 ");
    debugLog("sc.e2\n");
    debugLog("sc.e3\n");
    debugPrintfI("sc.e4 parent=%d\n", iParentFrame ? addressOf(iParentFrame) : addressOf(iParentCanvas));
    debugLog("new Handlers\n");
    iCommandHandler = std::make_unique<KZVCommandHandler<SuperCanvas>>(this);
    iEditHandler = std::make_unique<KZVEditHandler<SuperCanvas>>(this);
    iSelectHandler = std::make_unique<KZVSelectHandler<SuperCanvas>>(this);
    iMouseHandler = std::make_unique<KZVMouseHandler<SuperCanvas>>(this);
    iPaintHandler = std::make_unique<KZVPaintHandler<SuperCanvas>>(this);
    iResizeHandler = std::make_unique<KZVResizeHandler<SuperCanvas>>(this);
    iScrollHandler = std::make_unique<KZVScrollHandler<SuperCanvas>>(this);
    iWindow->setListener(this);
    debugLog("sc.e5 ");
    clearVisual();
    debugLog("sc.e6 ");
}

void SuperCanvas::deleteHandlers() {
    iEmbeddedCores.clear();
    cleanUp(0);
    if (!iScrollHandler) return;
    debugLog("delete Handlers\n");
    iScrollHandler.reset();
    iResizeHandler.reset();
    iPaintHandler.reset();
    iMouseHandler.reset();
    iSelectHandler.reset();
    iEditHandler.reset();
    iCommandHandler.reset();
}

unsigned long SuperCanvas::nativeHandle() const { return iWindow->nativeId(); }

void SuperCanvas::setParentClass(const char* text) { iParentClass = boundedText(text, kMaxParentClass); }

// ---------------------------------------------------------------- embedded cores

void SuperCanvas::addEmbeddedCore(SuperCore* core) {
    if (core && std::find(iEmbeddedCores.begin(), iEmbeddedCores.end(), core) == iEmbeddedCores.end())
        iEmbeddedCores.push_back(core);
}

void SuperCanvas::removeEmbeddedCore(SuperCore* core) {
    if (!core) return;
    iEmbeddedCores.erase(std::remove(iEmbeddedCores.begin(), iEmbeddedCores.end(), core), iEmbeddedCores.end());
    dropAnchors(nullptr, core);
    for (WidgetRecord& r : iWidgets)
        if (r.attachedCore.get() == core) (void)r.attachedCore.release();  // it is being deleted elsewhere
}

// ---------------------------------------------------------------- toolkit events

void SuperCanvas::onCanvasPaint(int x0, int y0, int x1, int y1) {
    KZVEvent e;
    e.kind = KZVEventKind::Paint;
    e.window = this;
    e.x = x0;
    e.y = y0;
    e.w = x1 - x0;
    e.h = y1 - y0;
    iHandlers.dispatch(e);
}

bool SuperCanvas::onCanvasMouse(const platform::ui::MouseEvent& m) {
    using platform::ui::MouseEvent;
    KZVEvent e;
    e.kind = m.kind == MouseEvent::Move ? KZVEventKind::MouseMove : KZVEventKind::MouseClick;
    e.window = this;
    e.x = m.x;
    e.y = m.y;
    e.button = m.button;
    switch (m.kind) {
    case MouseEvent::Press: e.mouseAction = KZVEvent::ButtonDown; break;
    case MouseEvent::Release: e.mouseAction = KZVEvent::ButtonUp; break;
    case MouseEvent::Click: e.mouseAction = KZVEvent::ButtonClick; break;
    case MouseEvent::DoubleClick: e.mouseAction = KZVEvent::ButtonDoubleClick; break;
    case MouseEvent::Move: e.mouseAction = KZVEvent::NoAction; break;
    }
    e.alt = m.alt;
    e.ctrl = m.ctrl;
    e.shift = m.shift;
    return iHandlers.dispatch(e);
}

void SuperCanvas::onCanvasResize(int w, int h) {
    KZVEvent e;
    e.kind = KZVEventKind::Resize;
    e.window = this;
    e.w = w;
    e.h = h;
    iHandlers.dispatch(e);
}

// A control's event goes to the control's own handlers first (an entry
// field's edit handler), then to the canvas's.
void SuperCanvas::onControlEvent(platform::ui::Control& control, platform::ui::ControlEventKind kind) {
    using platform::ui::ControlEventKind;
    KZVEvent e;
    switch (kind) {
    case ControlEventKind::Command:
        e.kind = KZVEventKind::Command;
        e.message = kCommandMessage;
        break;
    case ControlEventKind::Edit: e.kind = KZVEventKind::Edit; break;
    case ControlEventKind::Select: e.kind = KZVEventKind::Select; break;
    case ControlEventKind::Enter: e.kind = KZVEventKind::Enter; break;
    case ControlEventKind::Scroll: e.kind = KZVEventKind::Scroll; break;
    }
    e.param1 = static_cast<std::uintptr_t>(control.id());
    e.control = &control;
    e.window = this;
    KZVHandlerHost* own = nullptr;
    for (int i = 0; i < iNumWidgets; ++i)
        if (iWidgets[static_cast<std::size_t>(i)].control.get() == &control) {
            own = iWidgets[static_cast<std::size_t>(i)].controlHandlers.get();
            break;
        }
    if (own && own->dispatch(e)) return;
    iHandlers.dispatch(e);
}

// ---------------------------------------------------------------- event entry points

WidgetRecord* SuperCanvas::recordById(int id) {
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (r.id == id) return &r;
    }
    return nullptr;
}

int SuperCanvas::onSelect(KZVEvent& event) {
    if (iEventBlock != 0) return 0;
    WidgetRecord* r = recordById(static_cast<int>(event.param1 & 0xFFFF));
    if (!r) return 0;
    debugLog("evi by onS.\n");
    envokeVisualItem(*r);
    return 1;
}

int SuperCanvas::onEdit(KZVEvent& event) {
    if (iEventBlock != 0) return 0;
    WidgetRecord* r = recordById(static_cast<int>(event.param1 & 0xFFFF));
    if (!r) return 0;
    envokeVisualItem(*r);
    return 1;
}

int SuperCanvas::onCommand(KZVEvent& event) {
    if (iEventBlock != 0) return 0;
    const int cid = static_cast<int>(event.param1 & 0xFFFF);
    debugPrintfIIIS("sc cid=%d iNumVisualMenuItems=%d,%d,%s\n", cid, 0, addressOf(this),
                    iCore ? orEmpty(iCore->getName()) : "");
    if (event.message != kCommandMessage) return 0;
    WidgetRecord* r = recordById(cid);
    if (!r) return 0;
    envokeVisualItem(*r);
    return 1;
}

int SuperCanvas::envokeItemForControl(const void* control) {
    if (iEventBlock != 0 || !control) return 0;
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (r.control.get() == control) {
            envokeVisualItem(r);
            return 1;
        }
    }
    return 0;
}

void SuperCanvas::envokeVisualItem(WidgetRecord& record) {
    debugPrintfI("evi this=%d ", addressOf(this));
    debugLog(orEmpty(record.kind));
    const int saved = iEventBlock;
    ++iEventBlock;
    ++iDeliveries;
    // Copies: the core may change the table while it handles the value.
    const std::string name = record.nameText();
    const unsigned kind = record.kindBit();
    platform::ui::Control* control = record.control.get();
    const std::optional<std::string> text = record.text;
    try {
        if (kind == kindMask::scrollBar) {
            const int position = control ? control->scrollPosition() : 0;
            debugPrintfS("setcore for %s scroll\n", name.c_str());
            debugPrintfI(" v=%d\n", position);
            setCoreIntValue(name.c_str(), position);
        } else if (kind == kindMask::entryField || kind == kindMask::comboBox) {
            const std::string current = control ? control->text() : "";
            setCoreValue(name.c_str(), current.c_str());
        } else if (kind == kindMask::pushButton || kind == kindMask::commandButton) {
            // The text was released when the table was realised: the core
            // goes by the name alone.
            debugLog("evi4");
            setCoreValue(name.c_str(), text ? text->c_str() : nullptr);
            debugLog("evi4");
        } else if (kind == kindMask::radioButton || kind == kindMask::checkBox) {
            setCoreIntValue(name.c_str(), control && control->checked() ? 1 : 0);
        } else if (kind == kindMask::list) {
            setCoreValue(name.c_str(), "");
        }
    } catch (const std::exception&) {
        debugLog("ERROR: IException occured in SuperCanvas::envokeVisualItem(vi)\n");
    }
    debugLog("evi; ");
    // Restored, not lowered: a realize inside the delivery asked for the
    // events to flow once it is over.
    --iDeliveries;
    if (iDeliveries == 0 && iUnblockRequested) {
        iUnblockRequested = false;
        iEventBlock = 0;
    } else {
        iEventBlock = saved;
    }
    debugLog("evi. ");
}

void SuperCanvas::unblockEvents() {
    if (iDeliveries > 0)
        iUnblockRequested = true;
    else
        iEventBlock = 0;
}

int SuperCanvas::onMouseClick(SuperCanvas* window, KZVEvent& event) {
    (void)window;
    SuperCore* core = iCore;
    if (!core) return 0;
    const int button = (event.button >= 1 && event.button <= 3) ? event.button : -1;
    int action = -1;
    switch (event.mouseAction) {
    case KZVEvent::ButtonClick: action = 0; break;
    case KZVEvent::ButtonDoubleClick: action = 2; break;
    case KZVEvent::ButtonDown: action = 1; break;
    case KZVEvent::ButtonUp: action = -1; break;
    case KZVEvent::NoAction: action = -1; break;
    }
    iLastAlt = event.alt ? 1 : 0;
    iLastCtrl = event.ctrl ? 1 : 0;
    iLastShift = event.shift ? 1 : 0;
    return core->onMouse(event.x, event.y, button, action) != 0 ? 1 : 0;
}

int SuperCanvas::onMouseMove(SuperCanvas* window, KZVEvent& event) {
    (void)window;
    SuperCore* core = iCore;
    if (!core) return 0;
    return core->onMouseMove(event.x, event.y) != 0 ? 1 : 0;
}

int SuperCanvas::onPaint(SuperCanvas* window, KZVEvent& event) {
    SuperCore* core = iCore ? iCore : iSecondaryCore;
    if (!core) return 0;
    const int x0 = event.x, y0 = event.y, x1 = event.x + event.w, y1 = event.y + event.h;
    int r = core->paint(x0, y0, x1, y1);
    r += core->paintOverlay(window, x0, y0, x1, y1);
    return r != 0 ? 1 : 0;
}

// ---------------------------------------------------------------- values

template <class F>
void SuperCanvas::forEachNamed(const char* name, unsigned kinds, F&& f) {
    if (!name) return;
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (r.control && r.named(name) && (r.kindBit() & kinds) != 0) f(r);
    }
}

WidgetRecord* SuperCanvas::firstNamed(const char* name, unsigned kinds) {
    if (!name) return nullptr;
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (r.control && r.named(name) && (r.kindBit() & kinds) != 0) return &r;
    }
    return nullptr;
}

const char* SuperCanvas::keepText(std::string text) {
    iQueryText = std::move(text);
    return iQueryText.c_str();
}

void SuperCanvas::init() { debugLog("virtual SuperCanvas::init called."); }
void SuperCanvas::uninit() { debugLog("virtual SuperCanvas::uninit called."); }

void SuperCanvas::setCoreValue(const char* name, const char* text) {
    if (!iCore) {
        debugPrintfSS("virtual SuperCanvas::setCoreValue called for %s %s has no Core.\n", orEmpty(name),
                      orEmpty(text));
        return;
    }
    iCore->setValue(name, text);
}

void SuperCanvas::setCoreIntValue(const char* name, int value) {
    debugPrintfSI("CIV %s %d\n", orEmpty(name), value);
    debugPrintfI("core=%d\n", addressOf(iCore));
    if (iCore)
        iCore->setIntValue(name, value);
    else
        debugPrintfSI("virtual SuperCanvas::setCoreIntValue called for %s %d has no Core.\n", orEmpty(name), value);
    debugLog("CIV. \n");
}

namespace {
// Texts set on labels made with the "sync," prefix are painted at once.
void showText(WidgetRecord& r, const char* text) {
    r.control->setText(text);
    if (r.syncPaint && r.isLabel()) r.control->repaint(true);
}
}  // namespace

void SuperCanvas::setValue(const char* name, const char* text) {
    debugPrintfS("sv %s\n", orEmpty(name));
    constexpr unsigned kinds = kindMask::entryField | kindMask::labels | kindMask::pushButton |
                               kindMask::commandButton | kindMask::radioButton | kindMask::checkBox;
    forEachNamed(name, kinds, [&](WidgetRecord& r) { showText(r, text); });
}

void SuperCanvas::setValueAt(const char* name, const char* text, int index) {
    debugPrintfS("svi %s\n", orEmpty(name));
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) { r.control->setItemText(index, text); });
}

void SuperCanvas::setIntValue(const char* name, int value) {
    debugPrintfS("sii %s\n", orEmpty(name));
    char number[16];
    std::snprintf(number, sizeof number, "%d", value);
    forEachNamed(name, kindMask::any, [&](WidgetRecord& r) {
        const unsigned k = r.kindBit();
        if (k & (kindMask::entryField | kindMask::labels)) {
            showText(r, number);
        } else if (k & (kindMask::radioButton | kindMask::checkBox)) {
            r.control->setChecked(value != 0);
        } else if (k & kindMask::scrollBar) {
            debugPrintfI("scrollBar set to %d\n", value);
            r.control->setScrollPosition(value);
        }
    });
}

void SuperCanvas::setScrollBarRange(const char* name, int low, int high, int visible) {
    forEachNamed(name, kindMask::scrollBar, [&](WidgetRecord& r) { r.control->setScrollRange(low, high, visible); });
}

const char* SuperCanvas::getValue(const char* name) {
    debugPrintfS("gv %s", orEmpty(name));
    WidgetRecord* r = firstNamed(name, kindMask::entryField | kindMask::comboBox | kindMask::pushButton |
                                           kindMask::commandButton | kindMask::radioButton | kindMask::checkBox);
    if (!r) return "unknown";
    return keepText(r->control->text());
}

const char* SuperCanvas::getValueAt(const char* name, int index) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    if (!r || index < 0 || index >= r->control->itemCount()) return nullptr;
    return keepText(r->control->itemText(index));
}

int SuperCanvas::getIntValue(const char* name) {
    debugPrintfS("name=%s \n", orEmpty(name));
    WidgetRecord* r = firstNamed(
        name, kindMask::list | kindMask::radioButton | kindMask::checkBox | kindMask::scrollBar | kindMask::comboBox);
    if (!r) {
        debugPrintfS("ERROR - getIntValue for %s not found\n", orEmpty(name));
        return 0;
    }
    const unsigned k = r->kindBit();
    if (k & (kindMask::list | kindMask::comboBox)) return r->control->selectedIndex();
    if (k & kindMask::scrollBar) return r->control->scrollPosition();
    return r->control->checked() ? 1 : 0;
}

int SuperCanvas::getIntValueAt(const char* name, int index) {
    debugLog("giv.i");
    WidgetRecord* r = firstNamed(name, kindMask::list);
    if (!r) {
        debugPrintfS("ERROR 34898 - getIntValue.i for %s not found\n", orEmpty(name));
        return 0;
    }
    return r->control->itemSelected(index) ? 1 : 0;
}

void SuperCanvas::clearList(const char* name, int mode) {
    forEachNamed(name, kindMask::list | kindMask::comboBox, [&](WidgetRecord& r) {
        if (r.kindBit() == kindMask::comboBox) {
            debugLog("clearCombo");
            if (mode == 1) r.control->clearItems();
            return;
        }
        if (mode == 1)
            r.control->clearItems();
        else if (mode == 0)
            r.control->selectAll(false);
        else if (mode == -1)
            r.control->selectAll(true);
    });
}

void SuperCanvas::addListItem(const char* name, const char* text) {
    forEachNamed(name, kindMask::list | kindMask::comboBox, [&](WidgetRecord& r) {
        if (r.kindBit() == kindMask::comboBox) debugLog("addCombo");
        r.control->addItem(text, false);
    });
}

void SuperCanvas::addListItemSorted(const char* name, const char* text) {
    forEachNamed(name, kindMask::list | kindMask::comboBox, [&](WidgetRecord& r) {
        if (r.kindBit() == kindMask::comboBox) debugLog("addCombo");
        r.control->addItem(text, true);
    });
}

void SuperCanvas::setListItemText(const char* name, const char* text, int index) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) { r.control->setItemText(index, text); });
}

void SuperCanvas::addListItems(const char* name, const char* const* texts) {
    if (!texts) return;
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) {
        for (const char* const* t = texts; *t; ++t) r.control->addItem(*t, false);
    });
}

void SuperCanvas::removeListItem(const char* name, int index) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) {
        if (static_cast<unsigned>(index) < static_cast<unsigned>(r.control->itemCount())) r.control->removeItem(index);
    });
}

void SuperCanvas::removeListString(const char* name, const char* text) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) {
        const int i = r.control->findItem(text);
        if (i >= 0) r.control->removeItem(i);
    });
}

void SuperCanvas::removeListStrings(const char* name, const char* const* texts) {
    for (const char* const* t = texts; t && *t; ++t) removeListString(name, *t);
}

void SuperCanvas::deselectListString(const char* name, const char* text) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) {
        const int i = r.control->findItem(text);
        if (i >= 0) r.control->setItemSelected(i, false);
    });
}

void SuperCanvas::deselectListIndex(const char* name, int index) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) { r.control->setItemSelected(index, false); });
}

void SuperCanvas::deselectListStrings(const char* name, const char* const* texts) {
    for (const char* const* t = texts; t && *t; ++t) deselectListString(name, *t);
}

void SuperCanvas::deselectListIndices(const char* name, const int* indices) {
    for (const int* i = indices; i && *i != -1; ++i) deselectListIndex(name, *i);
}

void SuperCanvas::selectListString(const char* name, const char* text) {
    forEachNamed(name, kindMask::list, [&](WidgetRecord& r) {
        const int i = r.control->findItem(text);
        if (i >= 0) r.control->setItemSelected(i, true);
    });
}

void SuperCanvas::selectListIndex(const char* name, int index) {
    forEachNamed(name, kindMask::list | kindMask::comboBox,
                 [&](WidgetRecord& r) { r.control->setItemSelected(index, true); });
}

void SuperCanvas::selectListStrings(const char* name, const char* const* texts) {
    for (const char* const* t = texts; t && *t; ++t) selectListString(name, *t);
}

void SuperCanvas::selectListIndices(const char* name, const int* indices) {
    for (const int* i = indices; i && *i != -1; ++i) selectListIndex(name, *i);
}

int SuperCanvas::getListCount(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    return r ? r->control->itemCount() : 0;
}

int SuperCanvas::getListSelectionCount(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    return r ? r->control->selectedCount() : 0;
}

int SuperCanvas::getListSelection(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    return r ? r->control->selectedIndex() : -1;
}

const char* SuperCanvas::getListSelectedText(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    if (!r) return nullptr;
    const int i = r->control->selectedIndex();
    if (i < 0) return nullptr;
    return keepText(r->control->itemText(i));
}

namespace {
// A malloc'd array of count + 1 text copies, the chosen entries first.
char** copyEntries(platform::ui::Control& c, bool selectedOnly) {
    const int n = c.itemCount();
    auto** out = static_cast<char**>(std::calloc(static_cast<std::size_t>(n) + 1, sizeof(char*)));
    if (!out) return nullptr;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        if (selectedOnly && !c.itemSelected(i)) continue;
        out[k++] = strdup(c.itemText(i).c_str());
    }
    out[k] = nullptr;
    return out;
}
}  // namespace

char** SuperCanvas::getListStrings(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    return r ? copyEntries(*r->control, false) : nullptr;
}

char** SuperCanvas::getListSelectedStrings(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    return r ? copyEntries(*r->control, true) : nullptr;
}

int* SuperCanvas::getListSelections(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::list);
    if (!r) return nullptr;
    const int n = r->control->itemCount();
    auto* out = static_cast<int*>(std::malloc((static_cast<std::size_t>(n) + 1) * sizeof(int)));
    if (!out) return nullptr;
    int k = 0;
    for (int i = 0; i < n; ++i)
        if (r->control->itemSelected(i)) out[k++] = i;
    out[k] = -1;
    return out;
}

void SuperCanvas::setWidgetEnabled(const char* name, int flag) {
    if (!name) {
        iWindow->setEnabled(flag != 0);
        return;
    }
    forEachNamed(name, kindMask::any, [&](WidgetRecord& r) { r.control->setEnabled(flag != 0); });
}

void SuperCanvas::enableWidget(const char* name) { setWidgetEnabled(name, 1); }
void SuperCanvas::disableWidget(const char* name) { setWidgetEnabled(name, 0); }

void SuperCanvas::setItemEnabled(const char* name, int flag) {
    forEachNamed(name, kindMask::any, [&](WidgetRecord& r) { r.control->setEnabled(flag != 0); });
    if (!name) return;
    const std::vector<SuperCore*> cores = iEmbeddedCores;  // a core may leave while it is told
    for (SuperCore* c : cores) {
        if (std::find(iEmbeddedCores.begin(), iEmbeddedCores.end(), c) == iEmbeddedCores.end()) continue;
        const char* coreName = c->getName();
        if (coreName && std::strcmp(coreName, name) == 0) c->setEnabled(flag);
    }
}

void SuperCanvas::enableItem(const char* name) { setItemEnabled(name, 1); }
void SuperCanvas::disableItem(const char* name) { setItemEnabled(name, 0); }

int SuperCanvas::getWidgetState(const char* name) {
    WidgetRecord* r = firstNamed(name, kindMask::any);
    return (r && r->control->enabled()) ? 1 : 0;
}

void SuperCanvas::applyColour(const char* name, const platform::ui::Rgb& colour, bool foreground) {
    forEachNamed(name, kindMask::any, [&](WidgetRecord& r) {
        if (foreground)
            r.control->setForeground(colour);
        else
            r.control->setBackground(colour);
    });
}

void SuperCanvas::setForegroundColorF(const char* name, float red, float green, float blue, float) {
    setForegroundColorRGB(name, static_cast<int>(red * 255.0), static_cast<int>(green * 255.0),
                          static_cast<int>(blue * 255.0));
}

void SuperCanvas::setForegroundColorRGB(const char* name, int red, int green, int blue) {
    applyColour(name, {red, green, blue}, true);
}

void SuperCanvas::setForegroundColor(const char* name, const char* colour) {
    platform::ui::Rgb rgb;
    if (colourByWord(colour, rgb))
        setForegroundColorRGB(name, rgb.r, rgb.g, rgb.b);
    else
        debugPrintfSS("ERROR SuperCanvas::setForegroundColor unknown %s=%s\n", orEmpty(name), orEmpty(colour));
}

void SuperCanvas::setBackgroundColorRGB(const char* name, int red, int green, int blue) {
    applyColour(name, {red, green, blue}, false);
}

void SuperCanvas::setBackgroundColor(const char* name, const char* colour) {
    platform::ui::Rgb rgb;
    if (colourByWord(colour, rgb))
        setBackgroundColorRGB(name, rgb.r, rgb.g, rgb.b);
    else
        debugPrintfSS("ERROR SuperCanvas::setBackgroundColor unknown %s=%s\n", orEmpty(name), orEmpty(colour));
}

// ---------------------------------------------------------------- menus

SuperWindow* SuperCanvas::menuFrame() const {
    for (const SuperCanvas* c = this; c; c = c->iParentCanvas)
        if (c->iParentFrame) return c->iParentFrame;
    return nullptr;
}

void SuperCanvas::initMenu() {
    if (SuperWindow* f = menuFrame()) f->initMenu();
}

void SuperCanvas::addMenuItem(const char* name, unsigned menuId, const char* text) {
    if (SuperWindow* f = menuFrame()) f->addMenuItem(name, menuId, text);
}

unsigned SuperCanvas::addSubMenu(const char* name, const char* text) {
    debugLog("scasm ");
    SuperWindow* f = menuFrame();
    return f ? f->addSubMenu(name, text) : 0;
}

void SuperCanvas::addSeparator(unsigned menuId) {
    if (SuperWindow* f = menuFrame()) f->addSeparator(menuId);
}

void SuperCanvas::endSubMenu() {
    if (SuperWindow* f = menuFrame()) f->endSubMenu();
}

void SuperCanvas::endMenu() {
    if (SuperWindow* f = menuFrame()) f->endMenu();
}
