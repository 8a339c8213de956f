// The canvas's anchored layout: widgets and embedded cores remembered with
// an anchor code follow the canvas's edges when it is resized.
#include <cstdint>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"

namespace {

// Shared by all canvases: non-zero while a layout pass runs.
int layoutGuard = 0;

struct GuardLowering {
    ~GuardLowering() { --layoutGuard; }
};

// What an anchor code does: to the control's x, y, width and height, and
// to an embedded core's canvas.
struct AnchorRule {
    const char* code;
    // The control: added deltas (in units of dX or dY) ...
    int cx, cy, cw, ch;
    bool halfX;  // x += dX / 2 instead of dX
    // ... or values from the remembered ratios.
    bool ratioX, ratioW;
    // The core's canvas.
    int kx, ky, kw, kh;
    bool kRatioX, kRatioW;
};

// cx/cy/cw/ch: 1 adds dX (x, w) or dY (y, h); ratio fields replace.
const AnchorRule kRules[] = {
    {"NW", 0, 0, 0, 0, false, false, false, 0, 0, 0, 0, false, false},
    {"NE", 1, 0, 0, 0, false, false, false, 1, 0, 0, 0, false, false},
    {"SC", 1, 1, 0, 0, true, false, false, 0, 0, 0, 0, false, false},
    {"SE", 1, 1, 0, 0, false, false, false, 1, 1, 0, 0, false, false},
    {"SW", 0, 1, 0, 0, false, false, false, 0, 1, 0, 0, false, false},
    {"WWH", 0, 0, 1, 1, false, false, false, 0, 0, 1, 1, false, false},
    {"WH", 0, 0, 0, 1, false, false, false, 0, 0, 0, 1, false, false},
    {"SWW", 0, 1, 1, 0, false, false, false, 0, 1, 1, 0, false, false},
    {"NWW", 0, 0, 1, 0, false, false, false, 0, 0, 1, 0, false, false},
    {"EWRH", 0, 0, 0, 1, false, true, true, 0, 0, 0, 0, false, false},
    {"WWRH", 0, 0, 0, 1, false, true, true, 0, 0, 0, 0, false, false},
    {"ER", 0, 0, 0, 0, false, true, false, 0, 0, 0, 0, true, false},
    {"SWWR", 0, 0, 0, 0, false, true, true, 0, 0, 0, 0, false, false},
    {"NWWR", 0, 0, 0, 0, false, true, true, 0, 0, 0, 0, true, true},
    {"NWXFWR", 0, 0, 0, 0, false, false, true, 0, 0, 0, 0, false, true},
    {"EH", 1, 0, 0, 1, false, false, false, 0, 0, 0, 0, false, false},
    {"F.vp", 0, 0, 1, 1, false, false, false, 0, 0, 0, 0, false, false},
    {"F.sc", 0, 0, 0, 0, false, false, false, 0, 0, 1, 1, false, false},
};

const AnchorRule* ruleFor(const std::string& code) {
    for (const AnchorRule& r : kRules)
        if (code == r.code) return &r;
    return nullptr;
}

// A size grown by delta; a size that would go below zero stays at zero and
// the shortfall is owed, so growing back restores the size it had.
void grow(int& size, std::int32_t& owed, int delta) {
    int s = size + owed + delta;
    if (s < 0) {
        owed = s;
        s = 0;
    } else {
        owed = 0;
    }
    size = s;
}

int scaled(int newWidth, float ratio) { return static_cast<int>(static_cast<float>(newWidth) * ratio); }

}  // namespace

void SuperCanvas::rememberWidget(SuperCanvas* parent, platform::ui::Control* control, SuperCore* core,
                                 const char* code) {
    if (!parent) return;
    AnchorRecord a;
    a.parent = parent;
    a.control = control;
    a.core = core;
    a.code = code ? boundedText(code, kMaxAnchorCode) : "XX";
    platform::ui::Rect source;
    if (control) {
        source = control->rect();
    } else if (core && core->canvas()) {
        SuperCanvas* c = core->canvas();
        source = {c->x(), c->y(), c->width(), c->height()};
    } else {
        debugLog("ERROR in rememberWidget logic\n");
        return;
    }
    a.parentW = parent->width();
    a.parentH = parent->height();
    if (a.parentW == 0) {
        debugLog("ERROR: parentW == 0, error 425252\n");
        a.rx = 0.2f;
        a.rw = 0.5f;
    } else {
        a.rx = static_cast<float>(source.x) / static_cast<float>(a.parentW);
        a.rw = static_cast<float>(source.w) / static_cast<float>(a.parentW);
    }
    iAnchors.push_back(a);
}

void SuperCanvas::rememberWidgetByName(const char* name, const char* code) {
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (r.named(name) && (r.control || r.attachedCore)) {
            rememberWidget(this, r.control.get(), r.attachedCore.get(), code);
            return;
        }
    }
}

void SuperCanvas::rememberCore(SuperCore* core, const char* code) { rememberWidget(this, nullptr, core, code); }

void SuperCanvas::moveCoreCanvas(AnchorRecord& a, int dX, int dY) {
    SuperCanvas* c = a.core ? a.core->canvas() : nullptr;
    const AnchorRule* rule = ruleFor(a.code);
    if (!c || !rule) return;
    int x = c->x(), y = c->y(), w = c->width(), h = c->height();
    const int x0 = x, y0 = y, w0 = w, h0 = h;
    x += rule->kx * dX;
    y += rule->ky * dY;
    if (rule->kw) grow(w, a.owedW, dX);
    if (rule->kh) grow(h, a.owedH, dY);
    if (rule->kRatioX) x = scaled(a.parentW + dX, a.rx);
    if (rule->kRatioW) w = scaled(a.parentW + dX, a.rw);
    if (a.code == "F.sc") debugPrintfI("FULL core=%d\n", addressOf(a.core));
    if (x != x0 || y != y0 || w != w0 || h != h0) placeWindow(c, x, y, w, h);
}

void SuperCanvas::repositionWidgets(SuperCanvas* window, SuperWindow* frame, int newWidth, int newHeight) {
    if (layoutGuard++ > 0) {  // a resize caused by the pass itself
        --layoutGuard;
        return;
    }
    GuardLowering lowering;
    debugPrintfII("repositionWidgets %d %d\n", addressOf(window), addressOf(frame));
    if (frame && frame->platformFrame()->minimized()) return;
    debugPrintfII("RESIZE.POS 3(%d,%d)", newWidth, newHeight);

    // Newest first. Moving a core's canvas runs that core's resize, which
    // may remember more: the list is read by index, afresh each time.
    for (std::size_t n = iAnchors.size(); n-- > 0;) {
        if (n >= iAnchors.size()) continue;
        AnchorRecord a = iAnchors[n];
        const bool takesPart = a.code == "F.vp" || ((!a.core || frame) && window == a.parent) ||
                               (a.core && window && a.core->canvas() == window);
        if (!takesPart) continue;
        if (newWidth == a.parentW && newHeight == a.parentH) {
            debugPrintfII("RESIZE.POS same(%d,%d)", newWidth, newHeight);
            return;
        }
        const int dX = newWidth - a.parentW;
        const int dY = newHeight - a.parentH;
        const AnchorRule* rule = ruleFor(a.code);

        if (a.control && rule) {
            const platform::ui::Rect c = a.control->rect();
            int x = c.x, y = c.y, w = c.w, h = c.h;
            x += rule->cx * (rule->halfX ? dX / 2 : dX);
            y += rule->cy * dY;
            if (rule->cw) grow(w, a.owedW, dX);
            if (rule->ch) grow(h, a.owedH, dY);
            if (rule->ratioX) x = scaled(newWidth, a.rx);
            if (rule->ratioW) w = scaled(newWidth, a.rw);
            if (x != c.x || y != c.y || w != c.w || h != c.h) {
                debugLog("*****SIZE.WID\n");
                a.control->place(x, y, w, h);
            }
        }
        if (a.core && rule) moveCoreCanvas(a, dX, dY);

        a.parentW = newWidth;
        a.parentH = newHeight;
        // Written back only if the record is still there (a core's resize
        // may have dropped it).
        if (n < iAnchors.size() && iAnchors[n].control == a.control && iAnchors[n].core == a.core &&
            iAnchors[n].code == a.code)
            iAnchors[n] = a;
    }
    debugLog("repositionWidgets done\n");
}

int SuperCanvas::onResize(int newWidth, int newHeight) {
    debugLog("SuperCanvas::onResize\n");
    SuperCore* core = iCore;
    if (core && core->getName() && *core->getName()) debugPrintfS("resize core %s\n", core->getName());
    if (!core) {
        debugLog("No core in resize.\n");
        return 0;
    }
    debugLog("c1");
    debugLog(core->canvas() ? "has visual\n" : "no visual\n");
    debugPrintfIIII("reSize1 %d,%d %d %d  ", newWidth, newHeight, width(), height());
    if (core->frame()) repositionWidgets(core->canvas(), core->frame(), newWidth, newHeight);
    debugPrintfIIII("reSize2 %d,%d %d %d  ", newWidth, newHeight, width(), height());
    debugPrintfS("core is %s\n", core->getName());
    core->setSize(newWidth, newHeight);
    return core->onResize(newWidth, newHeight);
}
