#pragma once
// AdvancedListCore: a multi-column list that the program draws itself, the
// side list of the main window (first the lobby, then the chat of a game).
// It has a header row of column titles, rows 16 pixels high on alternating
// backgrounds, folder icons and X marks in the first column, dotted grid
// lines, its own vertical scroll bar, multiple selection (click, shift-click,
// double-click), sorting by a click on a column title and dragging of the
// selected rows. It is embedded in its owner's canvas (no frame of its own)
// and reports row events to the owner through SuperCore::onListSelect.
//
// The whole list is painted into one 24-bit bottom-up buffer (first byte
// blue) and copied to its canvas at once; only the texts are drawn on top.
//
// Rows and counters: setCell stores texts (growing the row array as
// needed); the owner raises the row count and the item count itself once a
// row is complete (setRowCount, setItemCount), and reads and writes a row's
// flags through row(). Every operation runs on the GUI thread.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/supercore.h"

// One row of the list.
struct RowItem {
    static constexpr int kCells = 6;
    // Cell texts of columns 0-5; empty optional = no text (null).
    std::array<std::optional<std::string>, kCells> cells;
    uint8_t heading = 0;   // not 0: a heading row (not selectable)
    uint8_t selected = 0;  // 'Y' when selected
    uint8_t flags = 0;     // 1, 2: X mark; 4, 8, 16, 32, 64: folder icon
    int32_t indent = 0;    // pixels by which column 0 (text and icon) is indented

    // The text of a cell, or null when it has none (or column is out of range).
    const char* cell(int column) const;
};

// The order of columns 0 and 1: a null cell before a text, then
// case-insensitive; ties go to the other of columns 0 and 1 by the same
// rule. Below 0 when a goes first.
int compareListRows(const RowItem& a, const RowItem& b, int column);

class AdvancedListCore : public SuperCore {
public:
    static constexpr int kMaxColumns = RowItem::kCells;
    static constexpr int kRowHeight = 16;
    static constexpr int kScrollBarWidth = 16;
    static constexpr int kRowCapacityStep = 1024;
    static constexpr std::size_t kMaxListName = 31;
    static constexpr int kColourSlots = 4;

    // Row events to the owner.
    static constexpr const char* kSelectEvent = "AdvancedListCore::select";
    static constexpr const char* kDeselectEvent = "AdvancedListCore::deselect";
    static constexpr const char* kIconClickEvent = "AdvancedListCore::iconClick";
    static constexpr const char* kDoubleClickEvent = "AdvancedListCore::doubleClick";

    // Embedded in the owner's canvas at (x, y), width x height pixels (the
    // 16-pixel scroll bar included); enables its canvas for drag and drop.
    AdvancedListCore(const char* name, SuperCore* owner, int x, int y, int width, int height);
    ~AdvancedListCore() override;
    AdvancedListCore(const AdvancedListCore&) = delete;
    AdvancedListCore& operator=(const AdvancedListCore&) = delete;

    // ---- SuperCore operations.
    const char* getCoreClassName() override;
    void createVisual() override;
    int onMouseMove(int x, int y) override;
    int onMouse(int x, int y, int button, int action) override;
    int paint(int x0, int y0, int x1, int y1) override;
    int onResize(int w, int h) override;
    void setValue(const char* name, const char* text) override;
    // "scrollBar": scrolls to that step; other names do nothing.
    void setIntValue(const char* name, int value) override;
    void dropFiles(char** list, int x, int y) override;
    int getDragFile(int* cursor, std::string* directory, std::string* fileName) override;
    void hide() override;
    void disable() override;

    // The list's own virtual operation: forgets every row (their cells are
    // freed) and scrolls to the top.
    virtual void clearList();

    // ---- Columns (at most 6).
    void addColumn(const char* title, int fixedWidth, double share);
    void clearColumns();
    void computeColumnWidths();

    // ---- Rows.
    // Stores a copy of text (null stays null) in the cell and clears the
    // row's heading, selected and flags bytes and its indent. Grows the row
    // array in steps of 1,024 rows when row lies beyond it.
    void setCell(int row, int column, const char* text);
    // Removes the row (all its cells), moving the later rows up.
    void removeRow(int row);
    void selectRow(int row);
    void deselectRow(int row);
    void deselectAll();
    int isRowSelected(int row) const;
    int isRowMarked(int row) const;  // the heading byte
    int getRowFlags(int row) const;
    int getActiveList() const;  // the row count

    // ---- Colours: slots 0 and 1 the alternating row backgrounds, 2 the
    // heading rows, 3 the selected rows. Components are the bytes written
    // into the pixel buffer, first to third (first byte blue).
    void setDefaultColors();
    // Slots 0 and 1 to (r, g, b), slot 3 to 0.8 times each.
    void setColor(int r, int g, int b);
    void setColorTriple(int r, int g, int b);    // slot 1
    void setHeadingColor(int r, int g, int b);   // slot 2
    void setSelectedColor(int r, int g, int b);  // slot 3

    // ---- Sorting, scrolling and clicks.
    // Columns 0 to 2 sort; others do nothing.
    void sortByColumn(int column);
    void updateScrollBar(int reset);
    // Refreshes the scroll bar and scrolls so that the last row is the
    // lowest one in view (with every row in view, the first row is first).
    void scrollToLastRow();
    // action 1 press, -1 release, 2 double-click; extra 1 never unselects.
    int onRowClick(int x, int y, int button, int action, int extra);
    // The order of column 2: nulls first, then the shorter text, then
    // case-insensitive, then by column 1 and column 0. Below 0 when a goes
    // first.
    static int compareRows(const RowItem& a, const RowItem& b);

    // ---- The owner's access to the rows and counters.
    int rowCount() const { return iNumRows; }
    // Raises (or lowers) the row count; the row array grows to hold it.
    void setRowCount(int count);
    int itemCount() const { return iNumItems; }
    void setItemCount(int count) { iNumItems = count; }
    int selectedCount() const { return iNumSelected; }
    int rowCapacity() const { return static_cast<int>(iRows.size()); }
    // A row below the capacity (null beyond it).
    RowItem* row(int index);
    const RowItem* row(int index) const;
    // The text of a row's cell, or null.
    const char* cellText(int row, int column) const;

    // ---- State, for the owner and tests.
    const char* listName() const { return iListName.c_str(); }
    SuperCore* owner() const { return iOwner; }
    int columnCount() const { return iNumColumns; }
    const char* columnTitle(int column) const;
    double columnWidth(int column) const;  // computed, pixels
    int listWidth() const { return iListWidth; }
    int listHeight() const { return iListHeight; }
    int firstVisibleRow() const { return iFirstVisible; }
    int anchorRow() const { return iAnchor; }
    int scrollScale() const { return iScrollScale; }
    int isEnabled() const { return iEnabled; }
    int isHidden() const { return iHidden; }
    // A colour slot's three bytes, first to third.
    std::array<int, 3> colour(int slot) const;

    // Paints the list's pixels into a 24-bit bottom-up buffer (first byte
    // blue) of stride paintStride() pixels and listHeight() rows: steps 1
    // to 8 of the paint. Empty when nothing is drawn.
    std::vector<uint8_t> renderPixels();
    int paintStride() const;

private:
    struct Column {
        std::string title;
        int fixedWidth = 0;
        double share = 0.0;
        double width = 0.0;  // computed
    };

    // The pixels the list paints into (advancedlistcore.cpp).
    class ListPixels;

    // The row under a point below the header (it may not exist).
    int rowAtY(int y) const;
    // A row below the row count. Precondition: rowExists(index).
    const RowItem& existingRow(int index) const;
    RowItem& existingRow(int index);
    // A column below the column count. Precondition: 0 <= index < columnCount().
    const Column& column(int index) const;
    // The column whose running right edge first exceeds x, or -1.
    int columnAtX(int x) const;
    // Left edges of the columns and the end of the last, in whole pixels.
    std::vector<int> columnEdges() const;
    int drawnWidth() const { return iListWidth - kScrollBarWidth; }
    bool rowExists(int row) const { return row >= 0 && row < iNumRows; }
    void ensureRows(int count);
    void notifyOwner(const char* event, int row);
    // The release of a press on the row. Precondition: the row exists.
    void releaseOnRow(int row, int x, int extra);
    void drawTexts();
    // The passes of renderPixels, in their order.
    void paintRowBackgrounds(ListPixels px) const;
    void paintRowIcons(ListPixels px) const;
    void paintColumnSeparators(ListPixels px, const std::vector<int>& edges) const;
    void paintHeader(ListPixels px, const std::vector<int>& edges) const;
    void paintBorder(ListPixels px) const;
    void paintDisabled(ListPixels px) const;

    std::string iListName;
    SuperCore* iOwner = nullptr;
    int iLocalX = 0, iLocalY = 0;
    int iListWidth = 0, iListHeight = 0;
    int iEnabled = 1;
    int iAnchor = -1;
    std::array<Column, kMaxColumns> iColumns;
    int iNumColumns = 0;
    std::vector<RowItem> iRows;
    int iNumRows = 0;
    std::array<std::array<int, 3>, kColourSlots> iColours{};
    int iFirstVisible = 0;
    int iHidden = 0;
    int iNumItems = 0;
    int iNumSelected = 0;
    int iScrollScale = 1;

    // The press waiting for its release (row -1: none).
    int iPressRow = -1;
    int iPressX = 0, iPressY = 0;
    // Column 0 of the last heading row passed while a drag collects its
    // files (none when unset).
    std::optional<std::string> iDragHeading;
};
