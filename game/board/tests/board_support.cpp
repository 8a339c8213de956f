#include "game/board/tests/board_support.h"

#include <cstdio>

namespace board_test {

std::string cells(const std::vector<std::string>& rows) {
    std::string out;
    for (const std::string& r : rows) {
        for (char c : r)
            if (c != ' ') out.push_back(c);
        out.push_back('\n');
    }
    return out;
}

std::string boardFile(const std::string& style, int width, int height, const std::vector<std::string>& rows,
                      const std::string& extraHeader) {
    char header[256];
    std::snprintf(header, sizeof header, "version: 1.0 size: %d %d style: %s players: 2 %s colors: RGBY\n", width,
                  height, style.c_str(), extraHeader.c_str());
    return "KZ+V Orvex Chess\n" + std::string(header) + cells(rows);
}

char letterOf(const OrvexPiece* p) {
    if (!p) return ' ';
    const struct {
        const char* name;
        char letter;
    } table[] = {{piece_class::kChip, 'C'},          {piece_class::kOrvex, 'L'},  {piece_class::kStomper, 'S'},
                 {piece_class::kMirrorStomper, 'O'}, {piece_class::kMirror, 'M'}, {piece_class::kOnewayMirror, 'W'},
                 {piece_class::kKing, 'K'},          {piece_class::kHyper, 'H'},  {piece_class::kDiagonal, 'D'},
                 {piece_class::kSplitter, 'T'},      {piece_class::kBomb, 'B'},   {piece_class::kHole, 'X'},
                 {piece_class::kHyperHole, 'Z'},     {piece_class::kBlank, '.'},  {piece_class::kWall, '#'}};
    for (const auto& t : table)
        if (p->isA(t.name)) return t.letter;
    return '?';
}

std::string picture(const OrvexBoard& board) {
    std::string out;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%dx%d style %d%d%d%d%d\n", board.getWidth(), board.getHeight(), board.isKvStyle(),
                  board.isGkvStyle(), board.isOthStyle(), board.isChkStyle(), board.isD2dStyle());
    out += buf;
    for (int y = 0; y < board.getHeight(); ++y) {
        for (int x = 0; x < board.getWidth(); ++x) {
            const OrvexPiece* p = board.getPiece(x, y);
            const OrvexPiece* f = board.getOverlay(x, y);
            if (p && (p->iX != x || p->iY != y)) {
                std::snprintf(buf, sizeof buf, "<misplaced %d,%d at %d,%d>", p->iX, p->iY, x, y);
                out += buf;
            }
            if (p)
                std::snprintf(buf, sizeof buf, "%c%d%d%d%d%d%d%d%d%c ", letterOf(p), p->iDirection, p->iPlayer,
                              p->iSwapsUsed, p->iStompsUsed, p->iShotsUsed, p->iCrowned, p->iHit, p->iFlipSpeed != 0,
                              f ? letterOf(f) : '-');
            else
                std::snprintf(buf, sizeof buf, "(null%c) ", f ? letterOf(f) : '-');
            out += buf;
        }
        out += '\n';
    }
    return out;
}

}  // namespace board_test
