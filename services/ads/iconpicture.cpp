#include "services/ads/iconpicture.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"

namespace {

std::mt19937& patternRandom() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

}  // namespace

std::string IconPicture::fallbackPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    const std::size_t cut = (dot == std::string::npos || dot < nameStart) ? path.size() : dot;
    return path.substr(0, cut) + ".all";
}

IconPicture::IconPicture(int w, int h) : iW(std::max(w, 0)), iH(std::max(h, 0)), iGrid(kGridCells, '\0') {
    fillRandom(kRandomCells);
}

bool IconPicture::fits(int states) const {
    const std::size_t needed =
        static_cast<std::size_t>(std::max(states, 1)) * static_cast<std::size_t>(iH) * rowCells();
    return needed <= iGrid.size();
}

void IconPicture::fillRandom(std::size_t cells) {
    cells = std::min(cells, iGrid.size());
    std::uniform_int_distribution<int> coin(0, 1);
    for (std::size_t i = 0; i < cells; ++i) iGrid[i] = coin(patternRandom()) ? '2' : '1';
}

bool IconPicture::load(std::string& path, std::size_t maxPath, int states) {
    states = std::max(states, 1);
    const std::size_t randomCells = rowCells() * (static_cast<std::size_t>(iH) + 2);
    if (!fits(states)) {
        debugPrintfSIII("ERROR: picture %s of %d by %d pixels in %d states does not fit the button's grid\n",
                        path.c_str(), iW, iH, states);
        fillRandom(randomCells);
        return false;
    }
    std::FILE* f = openDataFile(path.c_str(), "r");
    if (!f) {
        const std::string fallback = fallbackPath(path);
        if (fallback.size() <= maxPath) {
            path = fallback;
            f = openDataFile(path.c_str(), "r");
        }
    }
    if (!f) {
        fillRandom(randomCells);
        return false;
    }
    read(f, states);
    std::fclose(f);
    return true;
}

void IconPicture::read(std::FILE* f, int states) {
    const std::size_t cells = rowCells();
    const std::size_t lines = static_cast<std::size_t>(std::max(states, 1)) * static_cast<std::size_t>(iH) + 2;
    std::string line;
    for (std::size_t i = 0; i < lines && readTextLine(f, line, kMaxLine); ++i) {
        const std::size_t offset = i * cells;
        // A file with more lines than the grid holds is cut.
        if (offset + cells > iGrid.size()) break;
        // Lines longer than the button are cut; the two extra cells hold
        // the line end.
        const std::size_t keep = std::min(line.size(), static_cast<std::size_t>(iW));
        std::fill(iGrid.begin() + static_cast<std::ptrdiff_t>(offset),
                  iGrid.begin() + static_cast<std::ptrdiff_t>(offset + cells), '\0');
        std::memcpy(iGrid.data() + offset, line.data(), keep);
        if (keep < cells) iGrid[offset + keep] = '\n';
    }
}

char IconPicture::cell(int line, int column) const {
    if (line < 0 || column < 0 || column >= iW + 2) return '\0';
    const std::size_t i = static_cast<std::size_t>(line) * rowCells() + static_cast<std::size_t>(column);
    return i < iGrid.size() ? iGrid[i] : '\0';
}
