#include "game/match/advancedlistcore.h"

#include <algorithm>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/canvas/dragdrop.h"
#include "framework/canvas/supercanvas.h"
#include "framework/draw/render.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"
#include "platform/os/contract.h"
#include "platform/ui/pixels.h"
#include "platform/ui/text.h"

namespace {

constexpr int kHeader = AdvancedListCore::kRowHeight;  // pixel rows of the header
constexpr int kScrollRangeLimit = 32767;
constexpr int kIconSize = 11;

// Grey levels and colours, as the bytes written (first byte blue).
constexpr uint8_t kGridGrey = 200;
constexpr uint8_t kLight = 250;
constexpr uint8_t kDark = 150;
constexpr uint8_t kDimGrey = 195;
constexpr uint8_t kBorder[3] = {0xFF, 0, 0};
constexpr uint8_t kMark[3] = {0, 25, 0};
constexpr uint8_t kFolderInk[3] = {0, 0, 0};
constexpr uint8_t kFolderFill[3] = {0x74, 0xFF, 0xFF};

// The folder icons: 'b' ink, 'y' fill, '.' background.
using IconRows = std::array<const char*, kIconSize>;
constexpr IconRows kFolderPlain = {"..bb.......", ".byyb......", "byyyybbbbbb", "byyyyyyyyyb",
                                   "byyyyyyyyyb", "byyyyyyyyyb", "byyyyyyyyyb", "byyyyyyyyyb",
                                   "byyyyyyyyyb", "byyyyyyyyyb", "bbbbbbbbbbb"};
constexpr IconRows kFolderSlashed = {"..bb.......", ".byyb......", "byyyybbbbbb", "byyyyyyyyyb",
                                     "byyyyyybyyb", "byyyyybyyyb", "byyyybyyyyb", "byyybyyyyyb",
                                     "byybyyybyyb", "byyyyyyyyyb", "bbbbbbbbbbb"};
constexpr IconRows kFolderPlus = {"..bb.......", ".byyb......", "byyyybbbbbb", "byyyyyyyyyb",
                                  "byyyybyyyyb", "byyyybyyyyb", "byybbbbbyyb", "byyyybyyyyb",
                                  "byyyybyyyyb", "byyyyyyyyyb", "bbbbbbbbbbb"};
constexpr IconRows kFolderMinus = {"..bb.......", ".byyb......", "byyyybbbbbb", "byyyyyyyyyb",
                                   "byyyyyyyyyb", "byyyyyyyyyb", "byybbbbbyyb", "byyyyyyyyyb",
                                   "byyyyyyyyyb", "byyyyyyyyyb", "bbbbbbbbbbb"};

// The bits of a row's flags byte. Either mark bit draws the X mark. Any
// folder bit draws a folder: with a minus when kFolderMinusBit is set, else
// with a plus for kFolderPlusBit, else slashed for kFolderSlashedBit, else
// plain.
constexpr uint8_t kMarkBit1 = 1;
constexpr uint8_t kMarkBit2 = 2;
constexpr uint8_t kFolderBit = 4;
constexpr uint8_t kFolderSlashedBit = 8;
constexpr uint8_t kFolderPlusBit = 16;
constexpr uint8_t kFolderBit2 = 32;
constexpr uint8_t kFolderMinusBit = 64;
constexpr uint8_t kFolderFlags = kFolderBit | kFolderSlashedBit | kFolderPlusBit | kFolderBit2 | kFolderMinusBit;
constexpr uint8_t kMarkFlags = kMarkBit1 | kMarkBit2;

// The folder icon of a row's flags (some bit of kFolderFlags set).
const IconRows& folderIcon(uint8_t flags) {
    if (flags & kFolderMinusBit) return kFolderMinus;
    if (flags & kFolderPlusBit) return kFolderPlus;
    if (flags & kFolderSlashedBit) return kFolderSlashed;
    return kFolderPlain;
}

// A null cell sorts before a text; two nulls are equal.
int compareNulls(const char* a, const char* b) {
    if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
    return 0;
}

int compareCells(const char* a, const char* b) {
    if (!a || !b) return compareNulls(a, b);
    return compareNoCase(a, b);
}

const platform::ui::Font& listFont() {
    // Helvetica at 9 points: about 12 pixels.
    static const platform::ui::Font font{"Helvetica", 9};
    return font;
}

}  // namespace

// A view of the list's pixels: a bottom-up 24-bit buffer of `stride`
// pixels a row in which every write is kept inside the drawn area. The
// passes take it by value: a copy of their own, which the byte stores
// cannot change, keeps its fields in registers.
class AdvancedListCore::ListPixels {
public:
    ListPixels(uint8_t* bytes, int width, int height, int stride)
        : iWidth(width), iHeight(height), iStride(stride), iBytes(bytes) {}

    void set(int x, int y, const uint8_t* c) {
        if (x < 0 || y < 0 || x >= iWidth || y >= iHeight) return;
        uint8_t* p = at(x, y);
        p[0] = c[0], p[1] = c[1], p[2] = c[2];
    }
    void grey(int x, int y, uint8_t level) {
        const uint8_t c[3] = {level, level, level};
        set(x, y, c);
    }
    // A run of pixels of one colour on row y, from x0 to x1 inclusive.
    void span(int x0, int x1, int y, const uint8_t* c) {
        if (y < 0 || y >= iHeight) return;
        x0 = std::max(x0, 0);
        x1 = std::min(x1, iWidth - 1);
        for (uint8_t* p = x0 <= x1 ? at(x0, y) : nullptr; x0 <= x1; ++x0, p += 3) p[0] = c[0], p[1] = c[1], p[2] = c[2];
    }
    int width() const { return iWidth; }
    int height() const { return iHeight; }

private:
    uint8_t* at(int x, int y) {
        return iBytes + (static_cast<std::size_t>(iHeight - 1 - y) * static_cast<std::size_t>(iStride) +
                         static_cast<std::size_t>(x)) *
                            3;
    }

    int iWidth, iHeight, iStride;
    uint8_t* iBytes;
};

const char* RowItem::cell(int column) const {
    if (column < 0 || column >= kCells || !cells[static_cast<std::size_t>(column)]) return nullptr;
    return cells[static_cast<std::size_t>(column)]->c_str();
}

int compareListRows(const RowItem& a, const RowItem& b, int column) {
    int c = compareCells(a.cell(column), b.cell(column));
    if (c != 0) return c;
    const int other = column == 0 ? 1 : 0;
    return compareCells(a.cell(other), b.cell(other));
}

int AdvancedListCore::compareRows(const RowItem& a, const RowItem& b) {
    const char* ta = a.cell(2);
    const char* tb = b.cell(2);
    if (!ta || !tb) {
        if (int c = compareNulls(ta, tb)) return c;
    } else {
        const std::size_t la = std::strlen(ta), lb = std::strlen(tb);
        if (la != lb) return la < lb ? -1 : 1;
        if (int c = compareNoCase(ta, tb)) return c;
    }
    if (int c = compareCells(a.cell(1), b.cell(1))) return c;
    return compareCells(a.cell(0), b.cell(0));
}

// ---------------------------------------------------------------- life

AdvancedListCore::AdvancedListCore(const char* name, SuperCore* owner, int x, int y, int width, int height)
    : iListName(boundedText(name, kMaxListName)), iOwner(owner), iListWidth(width), iListHeight(height) {
    SuperCanvas* parent = owner ? owner->canvas() : nullptr;
    if (parent) parent->addEmbeddedCore(this);
    createCanvas(parent, x, y, width, height);
    createVisual();
    if (dragDropRegistry && iCanvas) dragDropRegistry->enableDragDrop(this, iCanvas, dragflags::kListCore);
}

AdvancedListCore::~AdvancedListCore() {
    if (dragDropRegistry && iCanvas) dragDropRegistry->removeDragDrop(this, iCanvas);
}

const char* AdvancedListCore::getCoreClassName() { return "AdvancedListCore"; }

void AdvancedListCore::createVisual() {
    if (iCanvas)
        iCanvas->addVerticalScrollBar("scrollBar", iListWidth - kScrollBarWidth, 0, kScrollBarWidth, iListHeight);
    updateScrollBar(1);
    ensureRows(kRowCapacityStep);
    setDefaultColors();
}

// ---------------------------------------------------------------- columns

void AdvancedListCore::addColumn(const char* title, int fixedWidth, double share) {
    if (iNumColumns >= kMaxColumns) return;  // the row has six cells
    Column& c = iColumns[static_cast<std::size_t>(iNumColumns++)];
    c.title = title ? title : "";
    c.fixedWidth = fixedWidth;
    c.share = share;
    c.width = 0.0;
}

void AdvancedListCore::clearColumns() { iNumColumns = 0; }

void AdvancedListCore::computeColumnWidths() {
    int fixed = 0;
    for (int c = 0; c < iNumColumns; ++c) fixed += column(c).fixedWidth;
    const double freeSpace = std::max(0, iListWidth - kScrollBarWidth - fixed);
    for (int c = 0; c < iNumColumns; ++c) {
        Column& col = iColumns[static_cast<std::size_t>(c)];
        col.width = col.fixedWidth != 0 ? col.fixedWidth : freeSpace * col.share;
    }
}

std::vector<int> AdvancedListCore::columnEdges() const {
    std::vector<int> edges{0};
    for (int c = 0; c < iNumColumns; ++c) edges.push_back(static_cast<int>(edges.back() + column(c).width));
    return edges;
}

int AdvancedListCore::columnAtX(int x) const {
    const std::vector<int> edges = columnEdges();
    for (int c = 0; c < iNumColumns; ++c)
        if (edges[static_cast<std::size_t>(c) + 1] > x) return c;
    return -1;
}

const char* AdvancedListCore::columnTitle(int column) const {
    if (column < 0 || column >= iNumColumns) return nullptr;
    return this->column(column).title.c_str();
}

double AdvancedListCore::columnWidth(int column) const {
    if (column < 0 || column >= iNumColumns) return 0.0;
    return this->column(column).width;
}

const AdvancedListCore::Column& AdvancedListCore::column(int index) const {
    VURN_ASSERT(index >= 0 && index < iNumColumns);
    return iColumns[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------- rows

void AdvancedListCore::ensureRows(int count) {
    std::size_t capacity = iRows.size();
    while (capacity < static_cast<std::size_t>(count)) capacity += kRowCapacityStep;
    iRows.resize(capacity);
}

void AdvancedListCore::setCell(int row, int column, const char* text) {
    if (row < 0 || column < 0 || column >= kMaxColumns) return;
    if (row >= rowCapacity()) {
        ensureRows(row + 1);
        debugPrintfI("size is %d\n", static_cast<int>(iRows.size() * sizeof(RowItem)));
    }
    RowItem& r = iRows[static_cast<std::size_t>(row)];
    if (text)
        r.cells[static_cast<std::size_t>(column)] = text;
    else
        r.cells[static_cast<std::size_t>(column)].reset();
    // The row's selection goes with it; the count follows.
    if (r.selected && row < iNumRows) --iNumSelected;
    r.heading = r.selected = r.flags = 0;
    r.indent = 0;
}

void AdvancedListCore::removeRow(int row) {
    if (!rowExists(row)) return;
    const RowItem& r = iRows[static_cast<std::size_t>(row)];
    if (!r.heading) --iNumItems;
    if (r.selected) --iNumSelected;
    iRows.erase(iRows.begin() + row);
    iRows.emplace_back();
    --iNumRows;
}

void AdvancedListCore::clearList() {
    for (int r = 0; r < iNumRows; ++r) iRows[static_cast<std::size_t>(r)] = RowItem{};
    iNumRows = iNumItems = iNumSelected = iFirstVisible = 0;
    iPressRow = -1;
}

void AdvancedListCore::setRowCount(int count) {
    count = std::max(0, count);
    ensureRows(count);
    iNumRows = count;
}

RowItem* AdvancedListCore::row(int index) {
    if (index < 0 || index >= static_cast<int>(iRows.size())) return nullptr;
    return &iRows[static_cast<std::size_t>(index)];
}

const RowItem* AdvancedListCore::row(int index) const {
    if (index < 0 || index >= static_cast<int>(iRows.size())) return nullptr;
    return &iRows[static_cast<std::size_t>(index)];
}

const RowItem& AdvancedListCore::existingRow(int index) const {
    VURN_ASSERT(rowExists(index));
    VURN_ASSERT(iNumRows <= rowCapacity());
    return iRows[static_cast<std::size_t>(index)];
}

RowItem& AdvancedListCore::existingRow(int index) {
    return const_cast<RowItem&>(static_cast<const AdvancedListCore*>(this)->existingRow(index));
}

const char* AdvancedListCore::cellText(int row, int column) const {
    const RowItem* r = this->row(row);
    return r ? r->cell(column) : nullptr;
}

void AdvancedListCore::selectRow(int row) {
    RowItem* r = rowExists(row) ? this->row(row) : nullptr;
    if (!r || r->selected) return;
    r->selected = 'Y';
    ++iNumSelected;
}

void AdvancedListCore::deselectRow(int row) {
    RowItem* r = rowExists(row) ? this->row(row) : nullptr;
    if (!r || !r->selected) return;
    r->selected = 0;
    --iNumSelected;
}

void AdvancedListCore::deselectAll() {
    for (RowItem& r : iRows) r.selected = 0;
    iNumSelected = 0;
    iAnchor = -1;
}

int AdvancedListCore::isRowSelected(int row) const {
    const RowItem* r = this->row(row);
    return r && r->selected ? 1 : 0;
}

int AdvancedListCore::isRowMarked(int row) const {
    const RowItem* r = this->row(row);
    return r ? r->heading : 0;
}

int AdvancedListCore::getRowFlags(int row) const {
    const RowItem* r = this->row(row);
    return r ? r->flags : 0;
}

int AdvancedListCore::getActiveList() const { return iNumRows; }

// ---------------------------------------------------------------- colours

void AdvancedListCore::setDefaultColors() {
    iColours[0] = {235, 255, 255};
    iColours[1] = {220, 245, 245};
    iColours[2] = {180, 215, 215};
    iColours[3] = {215, 215, 180};
}

void AdvancedListCore::setColor(int r, int g, int b) {
    iColours[0] = iColours[1] = {r, g, b};
    iColours[3] = {static_cast<int>(r * 0.8), static_cast<int>(g * 0.8), static_cast<int>(b * 0.8)};
}

void AdvancedListCore::setColorTriple(int r, int g, int b) { iColours[1] = {r, g, b}; }
void AdvancedListCore::setHeadingColor(int r, int g, int b) { iColours[2] = {r, g, b}; }
void AdvancedListCore::setSelectedColor(int r, int g, int b) { iColours[3] = {r, g, b}; }

std::array<int, 3> AdvancedListCore::colour(int slot) const {
    if (slot < 0 || slot >= kColourSlots) return {0, 0, 0};
    return iColours[static_cast<std::size_t>(slot)];
}

// ---------------------------------------------------------------- sorting

void AdvancedListCore::sortByColumn(int column) {
    if (column < 0 || column > 2) return;
    showWaitPointer(iOwner);
    VURN_ASSERT(iNumRows <= rowCapacity());
    auto first = iRows.begin();
    auto last = iRows.begin() + iNumRows;
    // Unstable, as the C library's qsort: rows that compare equal may
    // change places.
    if (column == 2)
        std::sort(first, last, [](const RowItem& a, const RowItem& b) { return compareRows(a, b) < 0; });
    else
        std::sort(first, last,
                  [column](const RowItem& a, const RowItem& b) { return compareListRows(a, b, column) < 0; });
    showDefaultPointer(iOwner);
    redraw();
}

// ---------------------------------------------------------------- scrolling

void AdvancedListCore::updateScrollBar(int reset) {
    const int last = std::max(0, iNumRows - 1);
    int range = last;
    iScrollScale = 1;
    while (range > kScrollRangeLimit) {
        iScrollScale *= 2;
        range = last / iScrollScale;
    }
    int page = (iListHeight / kRowHeight - 1) / iScrollScale;
    if (iScrollScale > 1) page = std::max(page, 1);
    if (iCanvas) {
        iCanvas->setScrollBarRange("scrollBar", 0, range, page);
        if (reset) iCanvas->setIntValue("scrollBar", 0);
    }
    if (reset) iFirstVisible = 0;
}

void AdvancedListCore::scrollToLastRow() {
    updateScrollBar(0);
    const int inView = std::max(1, iListHeight / kRowHeight - 1);  // whole rows under the header
    const int first = std::max(0, iNumRows - inView);
    // The scroll bar moves by steps of the scale: the first step that
    // shows the last row.
    const int step = (first + iScrollScale - 1) / iScrollScale;
    iFirstVisible = std::min(step * iScrollScale, std::max(0, iNumRows - 1));
    if (iCanvas) iCanvas->setIntValue("scrollBar", step);
}

void AdvancedListCore::setIntValue(const char* name, int value) {
    if (!name || std::strcmp(name, "scrollBar") != 0) return;
    if (value == iFirstVisible / iScrollScale) return;
    debugPrintfSII("siv %s %d %d", name, value, iFirstVisible);
    iFirstVisible = value * iScrollScale;
    redraw();
}

void AdvancedListCore::setValue(const char*, const char*) {}

int AdvancedListCore::onResize(int w, int h) {
    iListWidth = w;
    iListHeight = h;
    if (iCanvas)
        if (platform::ui::Control* bar = iCanvas->getControl("scrollBar"))
            bar->place(w - kScrollBarWidth, 0, kScrollBarWidth, h);
    computeColumnWidths();
    updateScrollBar(0);
    return 0;
}

// ---------------------------------------------------------------- showing

void AdvancedListCore::hide() {
    if (iHidden) return;
    if (iCanvas) {
        platform::ui::Canvas* c = iCanvas->platformCanvas();
        c->place(c->x() - 5000, c->y(), c->width(), c->height());
    }
    iHidden = 1;
}

void AdvancedListCore::disable() {
    iEnabled = 0;
    if (!iCanvas) return;
    iCanvas->disableWidget("scrollBar");
    iCanvas->platformCanvas()->repaint();
}

// ---------------------------------------------------------------- clicks

int AdvancedListCore::rowAtY(int y) const { return (y - kHeader) / kRowHeight + iFirstVisible; }

void AdvancedListCore::notifyOwner(const char* event, int row) {
    if (iOwner) iOwner->onListSelect(event, this, row);
}

int AdvancedListCore::onMouseMove(int, int) { return 0; }

int AdvancedListCore::onMouse(int x, int y, int button, int action) { return onRowClick(x, y, button, action, 0); }

int AdvancedListCore::onRowClick(int x, int y, int button, int action, int extra) {
    if (x >= iListWidth - kScrollBarWidth || button != platform::ui::kLeftButton) return 0;
    switch (action) {
    case 1:  // press
        if (y <= kHeader) {
            const int column = columnAtX(x);
            if (column >= 0) sortByColumn(column);
            return 1;
        }
        if (!rowExists(rowAtY(y))) return 0;
        iPressRow = rowAtY(y);
        iPressX = x;
        iPressY = y;
        return 1;
    case -1: {  // release
        const int pressed = iPressRow;
        iPressRow = -1;
        if (pressed < 0 || y <= kHeader || rowAtY(y) != pressed) return 0;
        // Rows may have gone since the press.
        if (!rowExists(pressed) || existingRow(pressed).heading) return 0;
        releaseOnRow(pressed, x, extra);
        return 1;
    }
    case 2: {  // double-click
        const int row = y > kHeader ? rowAtY(y) : -1;
        if (!rowExists(row)) return 0;
        // The double-click takes the place of the second press: its release
        // completes nothing.
        iPressRow = -1;
        if (existingRow(row).selected) {
            deselectRow(row);
            notifyOwner(kDeselectEvent, row);
        }
        if (rowExists(row) && x >= existingRow(row).indent + 4) notifyOwner(kDoubleClickEvent, row);
        redraw();
        return 1;
    }
    default: return 0;
    }
}

void AdvancedListCore::releaseOnRow(int row, int x, int extra) {
    const bool shift = iCanvas && iCanvas->lastShift();
    RowItem& r = existingRow(row);
    if (!shift) {
        if (x < r.indent + 4) {
            notifyOwner(kIconClickEvent, row);
        } else if (!r.selected) {
            selectRow(row);
            notifyOwner(kSelectEvent, row);
        } else if (extra == 0) {
            deselectRow(row);
            notifyOwner(kDeselectEvent, row);
        }
    } else if (iNumSelected > 0 && rowExists(iAnchor)) {
        // Every row from the anchor to the clicked one; each event names the
        // clicked row. The owner may change the rows meanwhile.
        const int step = iAnchor <= row ? 1 : -1;
        for (int i = iAnchor; rowExists(i) && rowExists(row); i += step) {
            RowItem& ri = existingRow(i);
            if (!ri.selected && !ri.heading) {
                selectRow(i);
                notifyOwner(kSelectEvent, row);
            }
            if (i == row) break;
        }
    }
    redraw();
    iAnchor = row;
}

// ---------------------------------------------------------------- drag and drop

int AdvancedListCore::getDragFile(int* cursor, std::string* directory, std::string* fileName) {
    if (!cursor) return 0;
    if (iPressRow >= 0) onRowClick(iPressX, iPressY, platform::ui::kLeftButton, -1, 1);
    if (*cursor <= 0) {
        *cursor = 0;
        iDragHeading.reset();
    }
    for (int i = *cursor; i < iNumRows; ++i) {
        const RowItem& r = existingRow(i);
        if (!r.selected) {
            if (r.heading) iDragHeading = std::string(r.cell(0) ? r.cell(0) : "");
            continue;
        }
        const std::string path = iDragHeading ? *iDragHeading : std::string(r.cell(1) ? r.cell(1) : "");
        const std::string name = r.cell(0) ? r.cell(0) : "";
        if (directory) *directory = path;
        if (fileName) *fileName = name;
        *cursor = i + 1;
        debugPrintfSS("DRAG %s %s", path.c_str(), name.c_str());
        return 1;
    }
    *cursor = iNumRows;
    return 0;
}

void AdvancedListCore::dropFiles(char**, int, int) {
    // Dropped files are taken and left alone: the list keeps no paths.
}

// ---------------------------------------------------------------- painting

int AdvancedListCore::paintStride() const { return std::max(0, (iListWidth - 1) / 16 * 16); }

std::vector<uint8_t> AdvancedListCore::renderPixels() {
    if (iFirstVisible < 0) iFirstVisible = 0;
    const int width = drawnWidth();
    const int height = iListHeight;
    if (iNumColumns == 0 || iHidden || height <= kHeader || width <= 0 || paintStride() <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<std::size_t>(paintStride()) * static_cast<std::size_t>(height) * 3, 0);
    const ListPixels px(bytes.data(), width, height, paintStride());
    const std::vector<int> edges = columnEdges();
    paintRowBackgrounds(px);
    paintRowIcons(px);
    paintColumnSeparators(px, edges);
    paintHeader(px, edges);
    paintBorder(px);
    if (!iEnabled) paintDisabled(px);
    return bytes;
}

// Backgrounds, with a dotted line above each row.
void AdvancedListCore::paintRowBackgrounds(ListPixels px) const {
    const uint8_t grid[3] = {kGridGrey, kGridGrey, kGridGrey};
    for (int y = kHeader; y < px.height(); ++y) {
        const int index = rowAtY(y);
        int slot = (y / kRowHeight + iFirstVisible) % 2;
        if (rowExists(index)) {
            const RowItem& r = existingRow(index);
            if (r.heading) slot = 2;
            if (r.selected) slot = 3;
        }
        VURN_ASSERT(slot >= 0 && slot < kColourSlots);
        const std::array<int, 3>& colour = iColours[static_cast<std::size_t>(slot)];
        const uint8_t c[3] = {static_cast<uint8_t>(colour[0]), static_cast<uint8_t>(colour[1]),
                              static_cast<uint8_t>(colour[2])};
        px.span(1, iListWidth - 18, y, c);
        if (y % kRowHeight == 0)
            for (int x = 2; x <= iListWidth - 18; x += 2) px.set(x, y, grid);
    }
}

// Folder icons and X marks in the first column.
void AdvancedListCore::paintRowIcons(ListPixels px) const {
    for (int top = kHeader; top < px.height(); top += kRowHeight) {
        const int index = rowAtY(top);
        if (!rowExists(index)) break;
        const RowItem& r = existingRow(index);
        if (r.flags & kFolderFlags) {
            const IconRows& icon = folderIcon(r.flags);
            for (int iy = 0; iy < kIconSize; ++iy)
                for (int ix = 0; ix < kIconSize; ++ix) {
                    const char k = icon[static_cast<std::size_t>(iy)][ix];
                    if (k != '.') px.set(r.indent - 7 + ix, top + 3 + iy, k == 'b' ? kFolderInk : kFolderFill);
                }
        }
        if (r.flags & kMarkFlags) {
            const int cx = static_cast<int>(column(0).width - 7) + 1;
            const int cy = top + kRowHeight / 2;
            px.set(cx, cy, kMark);
            for (int d = 1; d <= 2; ++d) {
                px.set(cx - d, cy - d, kMark);
                px.set(cx + d, cy - d, kMark);
                px.set(cx - d, cy + d, kMark);
                px.set(cx + d, cy + d, kMark);
            }
        }
    }
}

// Column separators beside existing, non-heading rows.
void AdvancedListCore::paintColumnSeparators(ListPixels px, const std::vector<int>& edges) const {
    for (int c = 1; c <= iNumColumns; ++c) {
        const int x = edges[static_cast<std::size_t>(c)];
        if (x < 0 || x >= px.width() - 3) continue;
        for (int y = kHeader + 2; y <= px.height() - 2; y += 2) {
            const int index = rowAtY(y);
            if (rowExists(index) && !existingRow(index).heading) px.grey(x, y, kGridGrey);
        }
    }
}

// The grooved header row.
void AdvancedListCore::paintHeader(ListPixels px, const std::vector<int>& edges) const {
    for (int y = 0; y < kHeader; ++y) {
        const uint8_t level = (y == 1 || y == 2) ? kLight : (y >= 14 ? kDark : kGridGrey);
        const uint8_t c[3] = {level, level, level};
        px.span(0, px.width() - 1, y, c);
    }
    for (int edge : edges)
        for (int y = 1; y < kHeader; ++y) {
            px.grey(edge - 1, y, kDark);
            px.grey(edge, y, kDark);
            px.grey(edge + 1, y, kLight);
            px.grey(edge + 2, y, kLight);
        }
}

// The one-pixel border around everything.
void AdvancedListCore::paintBorder(ListPixels px) const {
    const int width = px.width(), height = px.height();
    for (int y = 0; y < height; ++y) {
        px.set(0, y, kBorder);
        px.set(width - 1, y, kBorder);
    }
    px.span(0, width - 1, 0, kBorder);
    px.span(0, width - 1, height - 1, kBorder);
}

// Disabled: a dimmed checkerboard over everything.
void AdvancedListCore::paintDisabled(ListPixels px) const {
    for (int y = 0; y < px.height(); ++y)
        for (int x = (y + 1) % 2; x < px.width(); x += 2) px.grey(x, y, kDimGrey);
}

int AdvancedListCore::paint(int, int, int, int) {
    if (!iCanvas) return 0;
    platform::ui::Canvas* window = iCanvas->platformCanvas();
    // The pixels can reach the window only inside its paint: elsewhere a
    // repaint is asked for, which paints the list.
    if (!platform::ui::paintingNow(window)) {
        window->repaint();
        return 0;
    }
    std::vector<uint8_t> pixels = renderPixels();
    if (pixels.empty()) return 0;
    renderToDC(window, pixels, paintStride(), iLocalX, iLocalY, drawnWidth(), iListHeight, -1, -1, -1, -1);
    drawTexts();
    return 1;
}

void AdvancedListCore::drawTexts() {
    platform::ui::Canvas* window = iCanvas->platformCanvas();
    const int width = drawnWidth();
    const std::vector<int> edges = columnEdges();
    const platform::ui::Rgb ink{0, 0, 0};
    // A cell's box, cut to the drawn area.
    auto draw = [&](const char* text, int left, int right, int top, platform::ui::TextPlacement placement) {
        if (!text || !*text) return;
        left = std::max(left, 1);
        right = std::min(right, width - 1);
        platform::ui::drawTextInBox(window, text, {left, top + 1, right - left, 14}, placement, listFont(), ink);
    };

    // The header is the row before the first visible one; a row is drawn
    // only when it fits whole above the bottom edge.
    for (int top = 0, index = iFirstVisible - 1; top + kRowHeight <= iListHeight; top += kRowHeight, ++index) {
        const RowItem* r = top == 0 ? nullptr : (rowExists(index) ? &existingRow(index) : nullptr);
        if (top > 0 && !r) break;
        if (r && r->heading) {
            draw(r->cell(0), r->indent + 5, width - 6, top, platform::ui::TextPlacement::Centre);
            continue;
        }
        for (int c = 0; c < iNumColumns; ++c) {
            const Column& col = column(c);
            if (col.width < 0.001) continue;
            int left = edges[static_cast<std::size_t>(c)] + 5;
            const int right = static_cast<int>(edges[static_cast<std::size_t>(c)] + col.width - 6);
            if (r && c == 0) left += r->indent;
            draw(r ? r->cell(c) : col.title.c_str(), left, right, top, platform::ui::TextPlacement::Left);
        }
    }
}
