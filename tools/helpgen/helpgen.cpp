// helpgen: draws the pictures of the help pages from the game's own rules.
// Each picture is a board seen from above: the start boards of the two beam
// styles, and small boards on which a firing piece shoots, with the beam and
// the pieces it destroys exactly as the rules engine traces them.
//
//   helpgen <data folder> <output folder>
//
// The data folder is the source tree's "data" (its fonts, format table and
// default boards are used); the pictures are written as PNG files into the
// output folder (normally data/system/docs/vurnorvex) and read back.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "game/board/board.h"
#include "game/board/game.h"
#include "game/board/piece.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCell = 28;

struct Rgb {
    int r, g, b;
};

constexpr Rgb kWall = {96, 96, 96};
constexpr Rgb kFloorA = {236, 231, 216};
constexpr Rgb kFloorB = {224, 218, 200};
constexpr Rgb kGrid = {170, 160, 140};
constexpr Rgb kBeam = {255, 214, 0};
constexpr Rgb kBeamEdge = {150, 90, 0};
constexpr Rgb kSeat[5] = {{130, 130, 130}, {205, 55, 45}, {40, 150, 60}, {50, 80, 200}, {150, 60, 170}};

// ---------------------------------------------------------------- drawing

struct Canvas {
    Image image;
    Canvas(int w, int h) {
        image.iWidth = w;
        image.iHeight = h;
        image.iDepth = 24;
        image.iPixels24.assign(std::size_t(w) * h * 3, 255);
    }
    void put(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= image.iWidth || y >= image.iHeight) return;
        uint8_t* p = &image.iPixels24[(std::size_t(y) * image.iWidth + x) * 3];
        p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b);
    }
    void fill(int x, int y, int w, int h, Rgb c) {
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx) put(xx, yy, c);
    }
    // A line of the given thickness between two points.
    void line(double x0, double y0, double x1, double y1, double width, Rgb c) {
        const int left = int(std::floor(std::min(x0, x1) - width)), right = int(std::ceil(std::max(x0, x1) + width));
        const int top = int(std::floor(std::min(y0, y1) - width)), bottom = int(std::ceil(std::max(y0, y1) + width));
        const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
                t = std::clamp(t, 0.0, 1.0);
                const double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
                if (ex * ex + ey * ey <= width * width / 4) put(x, y, c);
            }
    }
    void disc(double cx, double cy, double radius, Rgb c) {
        for (int y = int(cy - radius) - 1; y <= int(cy + radius) + 1; ++y)
            for (int x = int(cx - radius) - 1; x <= int(cx + radius) + 1; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) put(x, y, c);
    }
    // Text in the program's small bold face, centred on (cx, cy).
    void text(const std::string& s, int cx, int cy, Rgb ink, Rgb paper) {
        TextPen measure;
        measure.iMeasureOnly = true;
        measure.iFont = 1;
        for (unsigned char ch : s) drawGlyph(&measure, ch);
        TextPen pen;
        pen.iTarget = &image;
        pen.iFont = 1;
        pen.iX = cx - measure.iX / 2;
        pen.iY = cy - kSmallFontHeight / 2;
        pen.iInk[0] = ink.r, pen.iInk[1] = ink.g, pen.iInk[2] = ink.b;
        pen.iPaper[0] = paper.r, pen.iPaper[1] = paper.g, pen.iPaper[2] = paper.b;
        for (unsigned char ch : s) drawGlyph(&pen, ch);
    }
};

struct Kind {
    const char* className;
    const char* letter;
};

const Kind kKinds[] = {
    {piece_class::kChip, "C"},          {piece_class::kOrvex, "L"},  {piece_class::kStomper, "S"},
    {piece_class::kMirrorStomper, "O"}, {piece_class::kMirror, "M"}, {piece_class::kOnewayMirror, "W"},
    {piece_class::kKing, "K"},          {piece_class::kHyper, "H"},  {piece_class::kDiagonal, "D"},
    {piece_class::kSplitter, "T"},      {piece_class::kBomb, "B"},
};

const char* letterOf(const OrvexPiece& p) {
    for (const Kind& k : kKinds)
        if (p.isA(k.className)) return k.letter;
    return nullptr;
}

// The point where a half-beam toward direction d leaves the cell.
void edgePoint(double cx, double cy, int d, double* x, double* y) {
    *x = cx + directionDx(d) * kCell / 2.0;
    *y = cy + directionDy(d) * kCell / 2.0;
}

Image drawBoard(const OrvexBoard& board) {
    const int w = board.getWidth(), h = board.getHeight();
    Canvas c(w * kCell + 1, h * kCell + 1);
    // Cells.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const OrvexPiece* p = board.getPiece(x, y);
            Rgb floor = (x + y) % 2 ? kFloorA : kFloorB;
            if (p && p->isA(piece_class::kWall)) floor = kWall;
            c.fill(x * kCell, y * kCell, kCell, kCell, floor);
            if (const OrvexPiece* f = board.getOverlay(x, y)) {
                const double cx = x * kCell + kCell / 2.0, cy = y * kCell + kCell / 2.0;
                if (f->isA(piece_class::kHyperHole)) {
                    c.disc(cx, cy, kCell * 0.42, {120, 40, 150});
                    c.disc(cx, cy, kCell * 0.30, {20, 10, 30});
                } else {
                    c.disc(cx, cy, kCell * 0.42, {20, 20, 20});
                }
            }
        }
    for (int i = 0; i <= w; ++i) c.fill(i * kCell, 0, 1, h * kCell + 1, kGrid);
    for (int i = 0; i <= h; ++i) c.fill(0, i * kCell, w * kCell + 1, 1, kGrid);
    // The beam of the shot, under the pieces: half-beams from cell centres,
    // passes across cells.
    for (int pass = 0; pass < 2; ++pass) {
        const double width = pass == 0 ? 6 : 3;
        const Rgb colour = pass == 0 ? kBeamEdge : kBeam;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double cx = x * kCell + kCell / 2.0, cy = y * kCell + kCell / 2.0;
                for (int d = 0; d < 8; ++d) {
                    double ex, ey;
                    edgePoint(cx, cy, d, &ex, &ey);
                    if (board.iBeamEnds[x][y] & (1 << d)) c.line(cx, cy, ex, ey, width, colour);
                    if (d < 4 && (board.iBeamPasses[x][y] & (1 << d))) {
                        double bx, by;
                        edgePoint(cx, cy, d + 4, &bx, &by);
                        c.line(bx, by, ex, ey, width, colour);
                    }
                }
            }
    }
    // Pieces: the owner's colour, the letter, a tick toward the facing.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const OrvexPiece* p = board.getPiece(x, y);
            const char* letter = p ? letterOf(*p) : nullptr;
            if (!letter) continue;
            const Rgb seat = kSeat[std::clamp(p->getPlayer(), 0, 4)];
            const int x0 = x * kCell + 4, y0 = y * kCell + 4;
            c.fill(x0, y0, kCell - 7, kCell - 7, seat);
            const double cx = x * kCell + kCell / 2.0, cy = y * kCell + kCell / 2.0;
            if (!p->isA(piece_class::kChip)) {
                double ex, ey;
                edgePoint(cx, cy, p->iDirection, &ex, &ey);
                c.line(cx + (ex - cx) * 0.55, cy + (ey - cy) * 0.55, cx + (ex - cx) * 0.9, cy + (ey - cy) * 0.9, 3,
                       {20, 20, 20});
            }
            c.text(letter, int(cx), int(cy), {255, 255, 255}, seat);
        }
    // Pieces the shot destroys.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const OrvexPiece* p = board.getPiece(x, y);
            if (!p || !p->iHit) continue;
            const double x0 = x * kCell + 3, y0 = y * kCell + 3, x1 = x0 + kCell - 6, y1 = y0 + kCell - 6;
            c.line(x0, y0, x1, y1, 3, {0, 0, 0});
            c.line(x1, y0, x0, y1, 3, {0, 0, 0});
        }
    return std::move(c.image);
}

// ---------------------------------------------------------------- boards

// A small board of the classic style from rows of cells: "." for a blank,
// else letter, direction digit and owner digit ("L21").
std::string boardFile(const std::vector<std::vector<std::string>>& rows) {
    const std::size_t w = rows.front().size(), h = rows.size();
    std::string text = "KZ+V Orvex Chess\nversion: 1.0 size: " + std::to_string(w) + " " + std::to_string(h) +
                       " style: kv players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RGBY\n";
    for (const auto& row : rows) {
        for (const std::string& cell : row) text += cell == "." ? "...." : cell + "0";
        text += "\n";
    }
    return text;
}

struct Picture {
    const char* file;
    const char* board;           // in "boards/"
    int fireX = -1, fireY = -1;  // the firing piece's cell, when it shoots
};

bool writeText(const fs::path& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: helpgen <data folder> <output folder>\n");
        return 2;
    }
    const fs::path data = fs::absolute(argv[1]);
    const fs::path out = fs::absolute(argv[2]);
    std::error_code ec;
    fs::create_directories(out, ec);

    // A program folder of its own: the rules read "boards/", the font "system/".
    std::string work = (fs::temp_directory_path() / "helpgen-XXXXXX").string();
    if (!mkdtemp(work.data())) {
        std::perror("helpgen: mkdtemp");
        return 1;
    }
    fs::create_directories(fs::path(work) / "system");
    fs::copy(data / "system/fonts", fs::path(work) / "system/fonts", fs::copy_options::recursive);
    fs::copy(data / "system/mformats", fs::path(work) / "system/mformats");
    fs::copy(data / "boards", fs::path(work) / "boards", fs::copy_options::recursive);
    fs::current_path(work);
    loadFont();

    const std::vector<std::pair<const char*, std::vector<std::vector<std::string>>>> demos = {
        // A mirror turns the beam up; a mirror lying along it lets it pass; the king is hit.
        {"mirror.kv",
         {{".", ".", ".", "K42", ".", ".", "."},
          {".", ".", ".", "M22", ".", ".", "."},
          {"L21", ".", ".", "M31", ".", ".", "."},
          {".", ".", ".", ".", ".", ".", "."}}},
        // A splitter hit from behind sends beams to both sides; a stomper hit
        // from the side is destroyed.
        {"splitter.kv",
         {{".", ".", ".", "K42", ".", ".", "."},
          {".", ".", ".", ".", ".", ".", "."},
          {"L21", ".", ".", "T21", ".", ".", "."},
          {".", ".", ".", ".", ".", ".", "."},
          {".", ".", ".", "S22", ".", ".", "."}}},
        // A stomper facing the beam sends it straight back.
        {"stomper.kv",
         {{".", ".", ".", ".", ".", ".", "."},
          {"L21", ".", ".", ".", "S62", ".", "K42"},
          {".", ".", ".", ".", ".", ".", "."}}},
        // A bomb hit straight on destroys every piece around it.
        {"bomb.kv",
         {{".", ".", ".", ".", ".", ".", "."},
          {".", ".", ".", "M22", "K42", ".", "."},
          {"L21", ".", ".", "B21", ".", ".", "."},
          {".", ".", "S02", ".", "M12", ".", "."},
          {".", ".", ".", ".", ".", ".", "."}}},
    };
    for (const auto& [name, rows] : demos)
        if (!writeText(fs::path("boards") / name, boardFile(rows))) {
            std::fprintf(stderr, "helpgen: cannot write boards/%s\n", name);
            return 1;
        }

    const Picture pictures[] = {
        {"board-kv.png", "default.kv"},           {"board-gkv.png", "default.gkv"},
        {"beam-mirror.png", "mirror.kv", 1, 3},   {"beam-splitter.png", "splitter.kv", 1, 3},
        {"beam-stomper.png", "stomper.kv", 1, 2}, {"beam-bomb.png", "bomb.kv", 1, 3},
    };
    int failures = 0;
    for (const Picture& p : pictures) {
        OrvexGame game;
        game.createBoard();
        game.startGame(1, 2);
        OrvexBoard& board = *game.getBoard();
        if (!board.loadFile(p.board)) {
            std::fprintf(stderr, "helpgen: cannot load %s\n", p.board);
            ++failures;
            continue;
        }
        if (p.fireX >= 0) {
            game.clickSquare(p.fireX, p.fireY);
            game.fireSelected();
            if (!game.isFirePending()) {
                std::fprintf(stderr, "helpgen: %s: no shot\n", p.file);
                ++failures;
            }
        }
        Image picture = drawBoard(board);
        const fs::path target = out / p.file;
        if (picture.save(target.c_str(), "PNG") != 1) {
            std::fprintf(stderr, "helpgen: cannot write %s\n", target.c_str());
            ++failures;
            continue;
        }
        // Read back as the page viewer will.
        Image back;
        if (back.loadFile(target.c_str()) != 1 || back.iWidth != picture.iWidth || back.iHeight != picture.iHeight) {
            std::fprintf(stderr, "helpgen: %s does not read back\n", target.c_str());
            ++failures;
        }
    }
    fs::current_path("/");
    fs::remove_all(work, ec);
    return failures == 0 ? 0 : 1;
}
