#pragma once
// IconPicture: the art of an image button without any window. It holds the
// grid of characters read from a picture file (one character a pixel, h
// lines per state, line i at offset i × (w + 2)) and reads that file within
// the grid's cells, whatever the file holds: lines longer than the button
// are cut, lines past the grid are dropped, and art that needs more cells
// than the grid has is refused. The image-button core owns one and colours
// its cells; the fuzz entry of the picture files drives it directly.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class IconPicture {
public:
    static constexpr std::size_t kGridCells = 25606;
    static constexpr std::size_t kRandomCells = 1024;
    // The longest picture line the reader keeps; longer ones are cut.
    static constexpr std::size_t kMaxLine = 511;

    // A w by h picture (negative sizes count as 0) whose first 1,024 cells
    // hold '1' or '2' at random.
    IconPicture(int w, int h);

    int width() const { return iW; }
    int height() const { return iH; }
    // The cells of one grid line: the art's w and two for the line end.
    std::size_t rowCells() const { return static_cast<std::size_t>(iW) + 2; }
    // Whether the art of `states` states fits the grid.
    bool fits(int states) const;

    // The picture file tried when `path` can't be opened: its file
    // extension (after the last '.' of the file name, not of a folder)
    // replaced by ".all"; a name without one gets it.
    static std::string fallbackPath(const std::string& path);

    // Reads the art of `states` states (at least 1) from the picture file at
    // `path`; when it can't be opened, `path` becomes the same path with the
    // extension ".all" (if that stays within `maxPath` characters) and that
    // is tried. Art that does not fit the grid (an "ERROR" line in the debug
    // log) and a missing file leave w + 2 by h + 2 cells of the random
    // pattern instead. True when a file was read.
    [[nodiscard]] bool load(std::string& path, std::size_t maxPath, int states);
    // Reads states × h + 2 lines from an open file into the grid, within
    // its cells.
    void read(std::FILE* f, int states);
    // The first `cells` cells (at most the grid) become '1' or '2' at random.
    void fillRandom(std::size_t cells);

    // The cell of picture line `line`, column `column` ('\0' outside).
    char cell(int line, int column) const;
    const std::vector<char>& grid() const { return iGrid; }

private:
    int iW = 0, iH = 0;
    std::vector<char> iGrid;
};
