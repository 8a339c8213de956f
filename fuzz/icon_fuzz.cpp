// The image buttons' picture files: any file is read as the art of buttons
// of several sizes and state counts (the logo's, the upgrade button's, one
// of several states, one that just fits the grid, one too large for it).
// Line i of the file lands in its own grid line and nowhere else, cut to
// the button's width and followed by its line end; no line past the
// declared states' lines (and the two after them) is kept; art too large
// for the grid leaves only the random pattern. The keyed lines the button
// and the main window read from the same file stay within 255 characters
// and come from the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "fuzz/fuzz_support.h"
#include "services/ads/iconpicture.h"

namespace {

struct Shape {
    int w, h, states;
};

// The file's lines as a line reader of 511 characters takes them: up to
// each LF, characters past 511 dropped, then one CR at the end removed.
std::vector<std::string> linesOf(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find('\n', at);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(at, std::min<std::size_t>(end - at, IconPicture::kMaxLine));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

void checkPicture(const Shape& shape, const std::vector<std::string>& lines) {
    IconPicture picture(shape.w, shape.h);
    const std::vector<char> before = picture.grid();
    std::string path = "system/icons/fuzz.asc";
    const bool read = picture.load(path, 129, shape.states);
    const std::vector<char>& grid = picture.grid();
    FUZZ_CHECK(grid.size() == IconPicture::kGridCells);
    FUZZ_CHECK(path == "system/icons/fuzz.asc");
    const std::size_t row = std::size_t(shape.w) + 2;
    const std::size_t needed = std::size_t(shape.states) * std::size_t(shape.h) * row;
    FUZZ_CHECK(read == (needed <= IconPicture::kGridCells));
    // What the grid must hold, built and compared whole: the checks stay
    // cheap next to the reading.
    std::vector<char> expected = before;
    if (!read) {
        // The random pattern over w + 2 by h + 2 cells, nothing else.
        const std::size_t random = std::min(grid.size(), row * (std::size_t(shape.h) + 2));
        const std::string pattern(grid.begin(), grid.begin() + std::ptrdiff_t(random));
        FUZZ_CHECK(pattern.find_first_not_of("12") == std::string::npos);
        std::copy(pattern.begin(), pattern.end(), expected.begin());
        FUZZ_CHECK(grid == expected);
        return;
    }
    // The declared states' lines and two more, as far as the grid holds
    // them, each cut to the art's width and followed by its line end.
    const std::size_t kept =
        std::min({lines.size(), std::size_t(shape.states) * std::size_t(shape.h) + 2, IconPicture::kGridCells / row});
    for (std::size_t i = 0; i < kept; ++i) {
        std::string cells = lines[i].substr(0, std::size_t(shape.w)) + '\n';
        cells.resize(row, '\0');
        std::copy(cells.begin(), cells.end(), expected.begin() + std::ptrdiff_t(i * row));
    }
    FUZZ_CHECK(grid == expected);
    if (kept > 0) FUZZ_CHECK(picture.cell(int(kept - 1), 0) == expected[(kept - 1) * row]);
    // Every pixel of every declared state lies in the grid.
    const int lastLine = shape.states * shape.h - 1;
    if (lastLine >= 0) FUZZ_CHECK(std::size_t(lastLine) * row + row <= grid.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    const std::string file(reinterpret_cast<const char*>(data), size);
    fuzz::writeFile("system/icons/fuzz.asc", file);
    const std::vector<std::string> lines = linesOf(file);
    const Shape shapes[] = {
        {38, 38, 1},    // the logo
        {29, 29, 1},    // the upgrade button
        {29, 29, 3},    // several states
        {4, 2, 1},      // narrower than most lines
        {0, 0, 1},      // no art at all
        {126, 100, 2},  // just fits: the two lines after the art are past the grid
        {200, 200, 1},  // too large for the grid
    };
    for (const Shape& shape : shapes) checkPicture(shape, lines);

    for (const char* key : {"Command", "HTTP-Help"}) {
        const char* value = readKeyedLine("system/icons/fuzz.asc", key);
        if (!value) continue;
        const std::size_t n = std::strlen(value);
        FUZZ_CHECK(n <= 255 && std::strchr(value, '\n') == nullptr);
        FUZZ_CHECK(file.find(std::string(key) + ":") != std::string::npos);
        FUZZ_CHECK(file.find(value) != std::string::npos);
    }
    return 0;
}
