#include "game/match/advancedlistcore.h"

#include <algorithm>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/util/bounded.h"

const char* RowItem::cell(int column) const {
    if (column < 0 || column >= kCells || !cells[static_cast<std::size_t>(column)]) return nullptr;
    return cells[static_cast<std::size_t>(column)]->c_str();
}

AdvancedListCore::AdvancedListCore(const char* name, SuperCore* owner, int x, int y, int width, int height)
    : iListName(boundedText(name, kMaxListName)), iOwner(owner), iListWidth(width), iListHeight(height),
      iPosX(x), iPosY(y) {
    SuperCanvas* parent = owner ? owner->canvas() : nullptr;
    createCanvas(parent, x, y, width, height);
    if (parent) parent->addEmbeddedCore(this);
    createVisual();
}

AdvancedListCore::~AdvancedListCore() = default;

const char* AdvancedListCore::getCoreClassName() { return "AdvancedListCore"; }

void AdvancedListCore::createVisual() {
    if (iCanvas) iCanvas->addVerticalScrollBar("scrollBar", iListWidth - kScrollBarWidth, 0, kScrollBarWidth, iListHeight);
    updateScrollBar(1);
    ensureRows(iRowCapacity);
    setDefaultColors();
}

int AdvancedListCore::onMouseMove(int, int) { return 0; }

int AdvancedListCore::onMouse(int x, int y, int button, int action) { return onRowClick(x, y, button, action, 0); }

int AdvancedListCore::paint(int, int, int, int) { return 0; }

int AdvancedListCore::onResize(int w, int h) {
    iListWidth = w;
    iListHeight = h;
    computeColumnWidths();
    updateScrollBar(0);
    return 0;
}

void AdvancedListCore::setValue(const char*, const char*) {}

void AdvancedListCore::setIntValue(const char* name, int value) {
    if (!name || std::string(name) != "scrollBar") return;
    if (value == iFirstVisible / iScrollScale) return;
    debugPrintfSII("siv %s %d %d", name, value, iFirstVisible);
    iFirstVisible = value * iScrollScale;
    redraw();
}

void AdvancedListCore::dropFiles(char**, int, int) {}

int AdvancedListCore::getDragFile(int*, std::string*, std::string*) { return 0; }

void AdvancedListCore::hide() {
    if (iHidden) return;
    iHidden = 1;
}

void AdvancedListCore::disable() { iEnabled = 0; }

void AdvancedListCore::clearList() {
    for (int r = 0; r < iNumRows && r < static_cast<int>(iRows.size()); ++r) iRows[static_cast<std::size_t>(r)] = RowItem{};
    iNumRows = iNumItems = iNumSelected = iFirstVisible = 0;
    iPressRow = -1;
}

void AdvancedListCore::addColumn(const char* title, int fixedWidth, double share) {
    if (iNumColumns >= kMaxColumns) return;
    Column& c = iColumns[static_cast<std::size_t>(iNumColumns++)];
    c.title = title ? title : "";
    c.fixedWidth = fixedWidth;
    c.share = share;
    c.width = 0.0;
}

void AdvancedListCore::clearColumns() { iNumColumns = 0; }

void AdvancedListCore::computeColumnWidths() {
    int fixed = 0;
    for (int c = 0; c < iNumColumns; ++c) fixed += iColumns[static_cast<std::size_t>(c)].fixedWidth;
    const double freeSpace = std::max(0, iListWidth - kScrollBarWidth - fixed);
    for (int c = 0; c < iNumColumns; ++c) {
        Column& col = iColumns[static_cast<std::size_t>(c)];
        col.width = col.fixedWidth != 0 ? col.fixedWidth : freeSpace * col.share;
    }
}

void AdvancedListCore::ensureRows(int count) {
    while (iRowCapacity < count) iRowCapacity += kRowCapacityStep;
    if (static_cast<int>(iRows.size()) < iRowCapacity) iRows.resize(static_cast<std::size_t>(iRowCapacity));
}

void AdvancedListCore::setCell(int row, int column, const char* text) {
    if (row < 0 || column < 0 || column >= kMaxColumns) return;
    if (row >= iRowCapacity) {
        ensureRows(row + 1);
        debugPrintfI("size is %d\n", static_cast<int>(static_cast<std::size_t>(iRowCapacity) * sizeof(RowItem)));
    }
    RowItem& r = iRows[static_cast<std::size_t>(row)];
    if (text)
        r.cells[static_cast<std::size_t>(column)] = text;
    else
        r.cells[static_cast<std::size_t>(column)].reset();
    r.heading = r.selected = r.flags = 0;
    r.indent = 0;
}

void AdvancedListCore::removeRow(int row) {
    if (row < 0 || row >= iNumRows) return;
    const RowItem& r = iRows[static_cast<std::size_t>(row)];
    if (!r.heading) --iNumItems;
    if (r.selected) --iNumSelected;
    iRows.erase(iRows.begin() + row);
    iRows.emplace_back();
    --iNumRows;
    if (iPressRow == row) iPressRow = -1;
}

void AdvancedListCore::selectRow(int row) {
    RowItem* r = this->row(row);
    if (!r || r->selected) return;
    r->selected = 'Y';
    ++iNumSelected;
}

void AdvancedListCore::deselectRow(int row) {
    RowItem* r = this->row(row);
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

void AdvancedListCore::sortByColumn(int) {}

void AdvancedListCore::updateScrollBar(int reset) {
    int range = std::max(0, iNumRows - 1);
    iScrollScale = 1;
    while (range > 32767) {
        iScrollScale *= 2;
        range = std::max(0, iNumRows - 1) / iScrollScale;
    }
    if (reset) iFirstVisible = 0;
}

int AdvancedListCore::onRowClick(int, int, int, int, int) { return 0; }

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

const char* AdvancedListCore::cellText(int row, int column) const {
    const RowItem* r = this->row(row);
    return r ? r->cell(column) : nullptr;
}

const char* AdvancedListCore::columnTitle(int column) const {
    if (column < 0 || column >= iNumColumns) return nullptr;
    return iColumns[static_cast<std::size_t>(column)].title.c_str();
}

double AdvancedListCore::columnWidth(int column) const {
    if (column < 0 || column >= iNumColumns) return 0.0;
    return iColumns[static_cast<std::size_t>(column)].width;
}

std::array<int, 3> AdvancedListCore::colour(int slot) const {
    if (slot < 0 || slot >= kColourSlots) return {0, 0, 0};
    return iColours[static_cast<std::size_t>(slot)];
}

std::vector<uint8_t> AdvancedListCore::renderPixels() { return {}; }

int AdvancedListCore::paintStride() const { return std::max(0, (iListWidth - 1) / 16 * 16); }

int AdvancedListCore::rowAtY(int y) const { return (y - 16) / kRowHeight + iFirstVisible; }

int AdvancedListCore::columnAtX(int) const { return -1; }

void AdvancedListCore::notifyOwner(const char* event, int row) {
    if (iOwner) iOwner->onListSelect(event, this, row);
}

void AdvancedListCore::releaseOnRow(int, int, int) {}

void AdvancedListCore::drawTexts() {}
