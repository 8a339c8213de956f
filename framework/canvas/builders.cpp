// The canvas's widget table: the positioned and form builders, the two
// realize routes that turn records into controls, and table maintenance.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/app/nls.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/util/bounded.h"

namespace {

bool startsWith(const char* s, const char* prefix) { return s && std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// The text to show for a widget: through the language table, the widget
// name as key.
std::string translated(const char* name, const char* text) { return orEmpty(translate(name, orEmpty(text))); }

// The label kind of a placement code, or null for a code outside the table.
const char* labelKindFor(const char* code) {
    static const struct {
        const char* code;
        const char* kind;
    } table[] = {
        {"r", widgetKind::label},
        {"e", widgetKind::label},
        {"l", widgetKind::rightLabel},
        {"w", widgetKind::rightLabel},
        {"br", widgetKind::bottomLabel},
        {"se", widgetKind::bottomLabel},
        {"bl", widgetKind::bottomRightLabel},
        {"sw", widgetKind::bottomRightLabel},
        {"m", widgetKind::midLabel},
    };
    if (!code) return nullptr;
    for (const auto& e : table)
        if (std::strcmp(code, e.code) == 0) return e.kind;
    return nullptr;
}

platform::ui::TextAlign alignmentOf(const WidgetRecord& r) {
    using platform::ui::TextAlign;
    switch (r.kindBit()) {
    case kindMask::rightLabel: return TextAlign::Right;
    case kindMask::bottomLabel: return TextAlign::BottomLeft;
    case kindMask::bottomRightLabel: return TextAlign::BottomRight;
    case kindMask::midLabel: return TextAlign::Center;
    default: return TextAlign::Left;
    }
}

const char* textOf(const WidgetRecord& r) { return r.text ? r.text->c_str() : ""; }

int toPixels(float v) { return static_cast<int>(v); }  // truncated toward zero

}  // namespace

// ---------------------------------------------------------------- records

int SuperCanvas::nextIndex() const {
    // The position in the table; past every index still in use, so ids
    // stay unique after a record in the middle was deleted.
    int index = iNumWidgets;
    for (int i = 0; i < iNumWidgets; ++i) index = std::max(index, iWidgets[static_cast<std::size_t>(i)].index + 1);
    return index;
}

WidgetRecord* SuperCanvas::appendRecord(const char* kind, const char* name) {
    if (iNumWidgets >= kMaxWidgets) {
        debugPrintfSI("ERROR: SuperCanvas widget %s refused, the table holds %d records\n", orEmpty(name), kMaxWidgets);
        return nullptr;
    }
    WidgetRecord& r = iWidgets[static_cast<std::size_t>(iNumWidgets)];
    r = WidgetRecord();
    r.index = nextIndex();
    r.group = iGroup;
    r.kind = kind;
    if (name) r.name = name;
    ++iNumWidgets;
    return &r;
}

void SuperCanvas::createControl(WidgetRecord& r, platform::ui::ControlType type, const platform::ui::Rect& rect) {
    r.control = std::make_unique<platform::ui::Control>(iWindow.get(), type, rect, r.id);
    r.control->setListener(this);
}

void SuperCanvas::dropAnchors(const platform::ui::Control* control, const SuperCore* core) {
    iAnchors.erase(std::remove_if(iAnchors.begin(), iAnchors.end(),
                                  [&](const AnchorRecord& a) {
                                      return (control && a.control == control) || (core && a.core == core);
                                  }),
                   iAnchors.end());
}

void SuperCanvas::releaseRecord(WidgetRecord& r) {
    dropAnchors(r.control.get(), r.attachedCore.get());
    r.editHandler.reset();
    r.controlHandlers.reset();
    r.control.reset();
    if (std::unique_ptr<SuperCore> core = std::move(r.attachedCore)) {
        iEmbeddedCores.erase(std::remove(iEmbeddedCores.begin(), iEmbeddedCores.end(), core.get()),
                             iEmbeddedCores.end());
        core.reset();
    }
}

// ---------------------------------------------------------------- positioned builders

namespace {
// A positioned record's place; a height of -1 takes the default.
void place(WidgetRecord* r, int x, int y, int width, int height, int defaultHeight) {
    r->x = static_cast<float>(x);
    r->y = static_cast<float>(y);
    r->width = width;
    r->height = height == -1 ? defaultHeight : height;
}
}  // namespace

void SuperCanvas::addCheckBox(const char* name, const char* text, int value, int x, int y, int width, int height) {
    if (WidgetRecord* r = appendRecord(widgetKind::checkBox, name)) {
        r->text = translated(name, text);
        r->value = value;
        place(r, x, y, width, height, 24);
    }
}

void SuperCanvas::addRadioButton(const char* name, const char* text, int value, int x, int y, int width, int height) {
    if (WidgetRecord* r = appendRecord(widgetKind::radioButton, name)) {
        r->text = translated(name, text);
        r->value = value;
        place(r, x, y, width, height, 24);
    }
}

void SuperCanvas::addLabelAt(const char* name, const char* text, int x, int y, int width, int height,
                             const char* code) {
    const char* kind = labelKindFor(code);
    if (!kind) {
        debugPrintfSS("ERROR: SuperCanvas::addLabelAt %s has the unknown placement code %s\n", orEmpty(name),
                      orEmpty(code));
        return;
    }
    const bool sync = startsWith(name, "sync,");
    const char* key = sync ? name + 5 : name;
    if (WidgetRecord* r = appendRecord(kind, key)) {
        r->syncPaint = sync;
        r->text = translated(key, text);
        place(r, x, y, width, height, 24);
    }
}

void SuperCanvas::addEntryField(const char* name, const char* text, int x, int y, int width, int height, int limit) {
    if (WidgetRecord* r = appendRecord(widgetKind::entryField, name)) {
        r->text = orEmpty(text);
        r->limit = limit;
        place(r, x, y, width, height, 24);
    }
}

void SuperCanvas::addPushButton(const char* name, const char* text, int x, int y, int width, int height) {
    const char* key = startsWith(name, "nofocus,") ? name + 8 : name;
    if (WidgetRecord* r = appendRecord(widgetKind::pushButton, key)) {
        r->text = translated(key, text);
        place(r, x, height == -1 ? y + 1 : y, width, height, 22);  // the default one pixel lower
    }
}

void SuperCanvas::addList(const char* name, int value, int x, int y, int width, int height) {
    if (WidgetRecord* r = appendRecord(widgetKind::list, name)) {
        r->value = value;
        place(r, x, y, width, height, height);
    }
}

void SuperCanvas::addImmediateScrollBar(const char* name, int x, int y, int width, int height, bool vertical) {
    WidgetRecord* r = appendRecord(widgetKind::scrollBar, name);
    if (!r) return;
    r->id = 1000 + r->index + 1;
    r->owner = this;
    createControl(
        *r, vertical ? platform::ui::ControlType::VerticalScrollBar : platform::ui::ControlType::HorizontalScrollBar,
        {x, y, width, height});
    unblockEvents();
}

void SuperCanvas::addVerticalScrollBar(const char* name, int x, int y, int width, int height) {
    addImmediateScrollBar(name, x, y, width, height, true);
}

void SuperCanvas::addHorizontalScrollBar(const char* name, int x, int y, int width, int height) {
    addImmediateScrollBar(name, x, y, width, height, false);
}

void SuperCanvas::addAd(const char* name, SuperCore* owner, int x, int y, int width, int height) {
    WidgetRecord* r = appendRecord(widgetKind::ad, name);
    if (!r) return;
    r->id = 1000 + r->index + 1;
    r->owner = this;
    if (!owner)
        debugPrintfS("ERROR: SuperCanvas::addAd %s without an owner core\n", orEmpty(name));
    else if (adCoreFactory)
        r->attachedCore.reset(adCoreFactory(owner, x, y, width, height));
    unblockEvents();
}

void SuperCanvas::realize() {
    createWidgets();
    int extentX = 0, extentY = 0;
    for (int i = 0; i < iNumWidgets; ++i) {
        const WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        const int ex = toPixels(r.x + static_cast<float>(r.width));
        const int ey = toPixels(r.y + static_cast<float>(r.height));
        extentX = i == 0 ? ex : std::max(extentX, ex);
        extentY = i == 0 ? ey : std::max(extentY, ey);
    }
    debugPrintfII("nonVP %d, %d ", extentX, extentY);
    unblockEvents();
    cleanUp(0);
}

void SuperCanvas::fitControlHeight(platform::ui::Control* control) {
    if (!control) return;
    const platform::ui::Rect r = control->rect();
    const int d = r.h - 22;
    if (d == 0) return;
    control->place(r.x + 2, r.y + d / 2, r.w - 4, 22);
}

void SuperCanvas::createWidgets() {
    using platform::ui::ControlType;
    iFont = {"Arial", 8};
    for (int i = 0; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        r.id = 1000 + r.index + 1;
        r.owner = this;
        if (r.control) continue;  // made when added, or by an earlier realize
        const platform::ui::Rect rect{toPixels(r.x), toPixels(r.y), r.width, r.height};
        const unsigned k = r.kindBit();
        if (k == kindMask::list) {
            createControl(r, r.value != 0 ? ControlType::MultiList : ControlType::List, rect);
        } else if (k == kindMask::pushButton) {
            createControl(r, ControlType::PushButton, rect);
            r.control->setText(textOf(r));
        } else if (k == kindMask::checkBox || k == kindMask::radioButton) {
            createControl(r, k == kindMask::checkBox ? ControlType::CheckBox : ControlType::RadioButton, rect);
            r.control->setText(textOf(r));
            r.control->setChecked(r.value != 0);
        } else if (k == kindMask::entryField) {
            bool hidden = false;
            if (r.name && startsWith(r.name->c_str(), "unreadable,")) {
                r.name = r.name->substr(11);
                hidden = true;
                debugLog("SuperCore visual is in unreadable mode\n");
            }
            createControl(r, hidden ? ControlType::SecretEntry : ControlType::Entry, rect);
            r.control->setMaxLength(r.limit);
            r.control->setText(textOf(r));
            r.controlHandlers = std::make_unique<KZVHandlerHost>();
            r.editHandler = std::make_unique<KZVEditHandler<SuperCanvas>>(this, r.controlHandlers.get());
            fitControlHeight(r.control.get());
            continue;  // entry fields keep the toolkit's font
        } else if (k & kindMask::labels) {
            createControl(r, ControlType::Label, rect);
            r.control->setAlignment(alignmentOf(r));
            r.control->setText(textOf(r));
        } else if (k == kindMask::scrollBar || k == kindMask::ad) {
            continue;
        } else {
            debugPrintfSS("ERROR: SuperCanvas::realize does not create %s widgets (%s)\n", orEmpty(r.kind),
                          r.nameText());
            continue;
        }
        r.control->setFont(iFont);
    }
}

// ---------------------------------------------------------------- form builders

void SuperCanvas::addGroupBox(const char* name, const char* text) {
    WidgetRecord* r = appendRecord(widgetKind::groupBox, name);
    if (!r) return;
    r->x = 0.0f;
    r->y = iRow + 0.5f;
    r->text = translated(name, text);
    ++iGroup;
    iRow += 2.5f;
    iFormOffsetY = -28;
}

void SuperCanvas::addCheckBoxRow(const char* name, const char* text, int value) {
    addCheckBoxEntry(name, text, value, 1);
    iRow += 0.777f;
}

void SuperCanvas::addCheckBoxEntry(const char* name, const char* text, int value, int column) {
    WidgetRecord* r = appendRecord(widgetKind::checkBox, name);
    if (!r) return;
    r->x = static_cast<float>(column);
    r->y = iRow;
    r->text = translated(name, text);
    r->value = value;
    r->width = measureText(text) + 30;
    r->height = 22;
    r->rowOffset = 1;
}

void SuperCanvas::addLabel(const char* name, const char* text, int column) {
    WidgetRecord* r = appendRecord(widgetKind::label, name);
    if (!r) return;
    r->x = static_cast<float>(column);
    r->y = iRow;
    r->text = translated(name, text);
    r->width = measureText(r->text->c_str());
    r->height = 24;
    r->rowOffset = 0;
}

void SuperCanvas::addComboBox(const char* name, const char* const* entries, const char* selected) {
    WidgetRecord* r = appendRecord(widgetKind::comboBox, name);
    if (!r) return;
    r->x = 1.0f;
    r->y = iRow;
    r->entries = entries;
    if (selected) r->text = selected;
    int widest = 0;
    for (const char* const* e = entries; e && *e; ++e) widest = std::max(widest, measureText(*e));
    r->width = widest + 25;
    r->height = 22;
    r->rowOffset = 2;
    iRow += 1.0f;
}

void SuperCanvas::addCommandButton(const char* name, const char* text) {
    WidgetRecord* r = appendRecord(widgetKind::commandButton, name);
    if (!r) return;
    r->x = 0.0f;
    r->y = 0.0f;
    r->text = translated(name, text);
    r->width = 8 * countNonDots(text) + 35;
    r->height = 22;
    r->rowOffset = 1;
}

void SuperCanvas::packColumns(int columns) {
    if (iNumWidgets == 0) {
        debugLog("ERROR: SuperCanvas::packColumns on an empty table\n");
        return;
    }
    auto at = [this](int i) -> WidgetRecord& { return iWidgets[static_cast<std::size_t>(i)]; };
    const int last = iNumWidgets - 1;
    const int group = at(last).group;
    int first = last;
    while (first > 0 && at(first - 1).group == group) --first;

    debugLog("widest");
    int widest0 = 0, widest1 = 0, widest2 = 0;
    for (int i = first; i <= last; ++i) {
        const WidgetRecord& r = at(i);
        if (r.x == 0.0f) widest0 = std::max(widest0, r.width);
        if (r.x == 1.0f) widest1 = std::max(widest1, r.width);
        if (r.x == 2.0f) widest2 = std::max(widest2, r.width);
    }

    debugLog("adjust");
    for (int i = first; i <= last; ++i) {
        WidgetRecord& r = at(i);
        if (r.x == 0.0f) {
            r.px = 17;
            if (columns > 0) r.width = widest0;
        } else if (r.x == 1.0f) {
            if (columns > 0) r.px = widest0 + 19;
            if (columns >= 2) r.width = widest1;
        } else if (r.x == 2.0f) {
            if (columns >= 2) r.px = widest0 + 19 + widest1 + 2;
            if (columns >= 3) r.width = widest2;
        }
        r.py = toPixels(r.y * 26.0f + static_cast<float>(r.rowOffset + iFormOffsetY));
    }

    debugLog("adjust2");
    for (int i = last; i >= first; --i) {
        if (i == 0) continue;
        WidgetRecord& r = at(i);
        const WidgetRecord& before = at(i - 1);
        if (before.x + 1.0f == r.x && r.px <= before.px + before.width) r.px = before.px + before.width + 2;
    }
    ++iGroup;
    debugLog("packdone ");
}

void SuperCanvas::exitGroupBox() {
    iRow -= 0.75f;
    int box = -1;
    for (int i = iNumWidgets - 1; i >= 0; --i)
        if (iWidgets[static_cast<std::size_t>(i)].is(widgetKind::groupBox)) {
            box = i;
            break;
        }
    if (box < 0) {
        debugLog("Could not find groupBox in exitGroupBox\n");
        return;
    }
    int right = 0, bottom = 0;
    for (int i = box + 1; i < iNumWidgets; ++i) {
        const WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        right = std::max(right, r.px + r.width);
        bottom = std::max(bottom, r.py + r.height);
    }
    WidgetRecord& g = iWidgets[static_cast<std::size_t>(box)];
    g.px = 10;
    iFormOffsetY -= 4;
    g.py = toPixels(g.y * 26.0f + static_cast<float>(26 + 8 + iFormOffsetY));
    g.width = right + 10 - g.px;
    g.height = bottom + 10 - g.py;
    iFormOffsetY = -12;
}

void SuperCanvas::equalizeGroupBoxWidths() {
    std::vector<int> boxes;
    int column = 0;
    int widest = 0;
    for (int i = iNumWidgets - 1; i >= 0; --i) {
        const WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        if (!r.is(widgetKind::groupBox)) continue;
        if (boxes.empty())
            column = r.px;
        else if (r.px != column)
            break;
        boxes.push_back(i);
        widest = std::max(widest, r.width);
    }
    for (int i : boxes) iWidgets[static_cast<std::size_t>(i)].width = widest;
}

void SuperCanvas::realizeForm() {
    createFormWidgets();
    unblockEvents();
    cleanUp(0);
}

void SuperCanvas::createFormWidgets() {
    using platform::ui::ControlType;
    iFont = {"Arial", 8};
    int k = iNumWidgets;
    for (int i = 0; i < iNumWidgets; ++i)
        if (iWidgets[static_cast<std::size_t>(i)].is(widgetKind::commandButton)) {
            k = i;
            break;
        }

    for (int i = 0; i < k; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        r.id = 1000 + r.index + 1;
        r.owner = this;
        debugPrintfII("cl=%d cid=%d ", r.group, r.id);
        debugPrintfSIIII("%s minX=%d minY=%d minW=%d minH=%d\n", orEmpty(r.kind), r.px, r.py, r.width, r.height);
        if (r.control) continue;
        const platform::ui::Rect rect{r.px, r.py, r.width, r.height};
        const unsigned kind = r.kindBit();
        if (kind == kindMask::label) {
            createControl(r, ControlType::Label, rect);
            r.control->setAlignment(platform::ui::TextAlign::Left);
            r.control->setText(textOf(r));
        } else if (kind == kindMask::checkBox) {
            createControl(r, ControlType::CheckBox, rect);
            r.control->setText(textOf(r));
            r.control->setChecked(r.value != 0);
        } else if (kind == kindMask::comboBox) {
            createControl(r, ControlType::Choice, rect);
            int chosen = 0;
            int n = 0;
            for (const char* const* e = r.entries; e && *e; ++e, ++n) {
                r.control->addItem(*e);
                if (r.text && *r.text == *e) chosen = n;  // the last equal entry
            }
            if (n > 0) r.control->setItemSelected(chosen, true);
        } else if (kind == kindMask::groupBox) {
            createControl(r, ControlType::GroupBox, rect);
            r.control->setText(textOf(r));
        } else if (kind == kindMask::scrollBar || kind == kindMask::ad) {
            continue;
        } else {
            debugPrintfSS("ERROR: SuperCanvas::realizeForm does not create %s widgets (%s)\n", orEmpty(r.kind),
                          r.nameText());
            continue;
        }
        r.control->setFont(iFont);
    }

    if (k >= iNumWidgets) return;
    // The command buttons: one column, 26 pixels apart, right of the form.
    int right = 0;
    for (int i = 0; i < k; ++i) {
        const WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        right = std::max(right, r.px + r.width);
    }
    int widest = 0;
    for (int i = k; i < iNumWidgets; ++i) widest = std::max(widest, iWidgets[static_cast<std::size_t>(i)].width);
    for (int i = k; i < iNumWidgets; ++i) {
        WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
        r.id = 1000 + r.index + 1;
        r.owner = this;
        r.px = right + 10;
        r.py = (i - k) * 26 + 10;
        r.width = widest;
        r.height = 22;
        if (r.control) continue;
        r.kind = widgetKind::commandButton;
        createControl(r, ControlType::PushButton, {r.px, r.py, r.width, r.height});
        r.control->setText(textOf(r));
        r.control->setFont(iFont);
    }
}

// ---------------------------------------------------------------- table maintenance

void SuperCanvas::cleanUp(int kill) {
    debugPrintfII("cleanUp %d c %d\n", iNumWidgets, kill);
    for (int i = 0; i < iNumWidgets; ++i) iWidgets[static_cast<std::size_t>(i)].text.reset();
    if (kill) {
        for (int i = 0; i < iNumWidgets; ++i) {
            WidgetRecord& r = iWidgets[static_cast<std::size_t>(i)];
            if (r.control) debugLog("killWidget");
            releaseRecord(r);
            r = WidgetRecord();
        }
        iNumWidgets = 0;
    }
    debugLog("cleanUp done.\n");
}

void SuperCanvas::clearVisual() {
    debugLog("ec.s1 ");
    cleanUp(1);
    debugLog("ec.s2 ");
    iGroup = 0;
    iNumWidgets = 0;
    iRow = 0.0f;
    iFormOffsetY = 5;
}

void SuperCanvas::deleteWidget(const char* name) {
    if (!name) return;
    const std::string key = name;  // the name may live in the record itself
    for (int i = 0; i < iNumWidgets; ++i) {
        if (!iWidgets[static_cast<std::size_t>(i)].named(key.c_str())) continue;
        debugPrintfS("deleting SuperCanvas widget %s\n", key.c_str());
        releaseRecord(iWidgets[static_cast<std::size_t>(i)]);
        for (int j = i; j + 1 < iNumWidgets; ++j)
            iWidgets[static_cast<std::size_t>(j)] = std::move(iWidgets[static_cast<std::size_t>(j + 1)]);
        iWidgets[static_cast<std::size_t>(iNumWidgets - 1)] = WidgetRecord();
        --iNumWidgets;
        debugLog("delete of SuperCanvas widget complete\n");
        return;
    }
}

const WidgetRecord* SuperCanvas::findWidget(const char* name) const {
    for (int i = 0; i < iNumWidgets; ++i)
        if (iWidgets[static_cast<std::size_t>(i)].named(name)) return &iWidgets[static_cast<std::size_t>(i)];
    return nullptr;
}

platform::ui::Control* SuperCanvas::getControl(const char* name) {
    const WidgetRecord* r = findWidget(name);
    return r ? r->control.get() : nullptr;
}

void SuperCanvas::repaintAll() {
    for (int i = 0; i < iNumWidgets; ++i)
        if (platform::ui::Control* c = iWidgets[static_cast<std::size_t>(i)].control.get()) c->repaint(false);
    for (SuperCore* core : iEmbeddedCores)
        if (SuperCanvas* c = core->canvas()) c->platformCanvas()->repaint(false);
}

int SuperCanvas::measureText(const char* text) {
    return platform::ui::textMeasurer().textWidth(orEmpty(text), measuringFont());
}

int SuperCanvas::countNonDots(const char* text) {
    int n = 0;
    for (const char* p = text; p && *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if ((c & 0xC0) != 0x80 && c != '.') ++n;  // one per character, not per byte
    }
    return n;
}
