// Board files: a title line, a header line of "key: value" pairs, then one
// four-character code per play-area cell (letter, direction digit, owner
// digit, counter digit), row by row; line breaks may stand anywhere between
// the characters. The border is not stored.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "game/board/board.h"
#include "platform/os/files.h"

namespace {

constexpr std::size_t kLineMax = 1023;  // characters of a line that count

// Which per-piece counter a cell's counter digit fills.
enum class Counter { None, Crowned, Shots, Stomps, Swaps };

struct CellKind {
    char letter;
    const char* className;
    Counter counter;
};

const CellKind kCellKinds[] = {
    {'C', piece_class::kChip, Counter::Crowned},   {'L', piece_class::kOrvex, Counter::Shots},
    {'S', piece_class::kStomper, Counter::Stomps}, {'O', piece_class::kMirrorStomper, Counter::Stomps},
    {'M', piece_class::kMirror, Counter::None},    {'W', piece_class::kOnewayMirror, Counter::None},
    {'K', piece_class::kKing, Counter::None},      {'H', piece_class::kHyper, Counter::Swaps},
    {'D', piece_class::kDiagonal, Counter::None},  {'T', piece_class::kSplitter, Counter::None},
    {'B', piece_class::kBomb, Counter::None},
};

int* counterField(OrvexPiece& p, Counter c) {
    switch (c) {
    case Counter::Crowned: return &p.iCrowned;
    case Counter::Shots: return &p.iShotsUsed;
    case Counter::Stomps: return &p.iStompsUsed;
    case Counter::Swaps: return &p.iSwapsUsed;
    case Counter::None: break;
    }
    return nullptr;
}

int counterValue(const OrvexPiece& p, Counter c) {
    switch (c) {
    case Counter::Crowned: return p.iCrowned;
    case Counter::Shots: return p.iShotsUsed;
    case Counter::Stomps: return p.iStompsUsed;
    case Counter::Swaps: return p.iSwapsUsed;
    case Counter::None: break;
    }
    return 0;
}

std::unique_ptr<OrvexPiece> makePiece(char letter, OrvexBoard* b, int x, int y, int owner) {
    switch (letter) {
    case 'C': return std::make_unique<OrvexChip>(b, x, y, owner);
    case 'L': return std::make_unique<OrvexOrvex>(b, x, y, owner);
    case 'S': return std::make_unique<OrvexStomper>(b, x, y, owner);
    case 'O': return std::make_unique<OrvexMirrorStomper>(b, x, y, owner);
    case 'M': return std::make_unique<OrvexMirror>(b, x, y, owner);
    case 'W': return std::make_unique<OrvexOnewayMirror>(b, x, y, owner);
    case 'K': return std::make_unique<OrvexKing>(b, x, y, owner);
    case 'H': return std::make_unique<OrvexHyper>(b, x, y, owner);
    case 'D': return std::make_unique<OrvexDiagonal>(b, x, y, owner);
    case 'T': return std::make_unique<OrvexSplitter>(b, x, y, owner);
    case 'B': return std::make_unique<OrvexBomb>(b, x, y, owner);
    default: return nullptr;
    }
}

const CellKind* kindOf(const OrvexPiece* p) {
    if (!p) return nullptr;
    for (const CellKind& k : kCellKinds)
        if (p->isA(k.className)) return &k;
    return nullptr;
}

[[nodiscard]] bool readLine(FILE* f, std::string& line) { return readTextLine(f, line, kLineMax); }

struct Header {
    int width = -1;  // play area; -1 when the header has no size
    int height = -1;
    bool sizeTooLarge = false;  // a size number beyond 32 bits
    int style = -1;             // as OrvexBoard::setStyle; -1 keeps the style
    int rotation = 0;           // eighths of a turn
};

enum class Scan { None, Number, TooLarge };

// A decimal number as "%d" reads it (blanks, a sign, digits), checked: one
// that does not fit 32 bits is TooLarge rather than wrapped around.
Scan scanNumber(const char*& p, int* out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return Scan::None;
    p = end;
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return Scan::TooLarge;
    *out = static_cast<int>(v);
    return Scan::Number;
}

Header parseHeader(const std::string& line) {
    Header h;
    const char* text = line.c_str();
    if (const char* p = std::strstr(text, "size: ")) {
        // Two numbers after the key; one that does not scan keeps its 11.
        h.width = 11;
        h.height = 11;
        p += 6;
        for (int* field : {&h.width, &h.height}) {
            Scan scan = scanNumber(p, field);
            if (scan == Scan::TooLarge) h.sizeTooLarge = true;
            if (scan != Scan::Number) break;
        }
        debugPrintfII("read sizes to be %d,%d\n", h.width, h.height);
    }
    // Tested in this order; the last one found wins.
    const struct {
        const char* key;
        int style;
    } styles[] = {{"style: kv ", 0}, {"style: gkv ", 1}, {"style: oth ", 2}, {"style: d2d ", 4}, {"style: chk ", 3}};
    for (const auto& s : styles)
        if (std::strstr(text, s.key)) h.style = s.style;
    if (std::strstr(text, "rotate: 90 ")) h.rotation = 2;
    if (std::strstr(text, "rotate: 180 ")) h.rotation = 4;
    if (std::strstr(text, "rotate: 270 ")) h.rotation = 6;
    return h;
}

// The next character of a cell: line breaks are skipped; EOF at the end.
int nextCellChar(FILE* f) {
    int c;
    do c = std::fgetc(f);
    while (c == '\r' || c == '\n');
    return c;
}

int digit(int c, int highest) { return (c >= '0' && c <= highest) ? c - '0' : 0; }

const char* const kStyleHeaders[] = {
    "version: 1.0 size: %d %d style: kv players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RGBY "
    "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -",
    "version: 1.0 size: %d %d style: gkv players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RGBY "
    "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -",
    "version: 1.0 size: %d %d style: oth players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: BWXX "
    "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -",
    "version: 1.0 size: %d %d style: chk players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RWXX "
    "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -",
    "version: 1.0 size: %d %d style: d2d players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RBXX "
    "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -",
};

}  // namespace

std::string OrvexBoard::filePath(const char* name) {
    char path[1024];
    joinPath("boards", name ? name : "", path);
    return path;
}

bool OrvexBoard::isKeptDefault(const char* name) {
    if (!name) return false;
    for (const char* kept : {"default.gkv", "default.kv", "default.oth"})
        if (compareNoCase(name, kept) == 0) return true;
    return false;
}

int OrvexBoard::loadFile(const char* name) {
    if (!name) return 0;
    if (std::strncmp(name, "default.", 8) == 0) setStringOption("lastDefaultGame", name);
    const std::string path = filePath(name);
    // A folder opens for reading but holds no board: it would read as an
    // empty one.
    FILE* f = platform::isDirectory(path.c_str()) ? nullptr : platform::openFile(path.c_str(), "r");
    if (!f) {
        debugPrintfS("ERROR: board file %s could not be opened\n", path.c_str());
        return 0;
    }

    std::string line;
    // The title is not used. A file that ends before its header leaves the
    // line empty, read as a header without size or style.
    (void)readLine(f, line);
    (void)readLine(f, line);
    const Header h = parseHeader(line);
    if (h.sizeTooLarge) {
        debugLog("ERROR: board size beyond any board refused\n");
        std::fclose(f);
        return 0;
    }
    if (h.width != -1 && (h.width < 1 || h.height < 1 || h.width > kMaxPlayArea || h.height > kMaxPlayArea)) {
        debugPrintfII("ERROR: board size %d,%d refused\n", h.width, h.height);
        std::fclose(f);
        return 0;
    }

    // The header is sound: from here on the new board replaces the old.
    if (h.width != -1) {
        iPlayWidth = h.width;
        iPlayHeight = h.height;
    }
    if (h.style != -1) setStyle(h.style);
    int rotation = h.rotation;
    if ((rotation == 2 || rotation == 6) && iPlayWidth != iPlayHeight)
        rotation = 0;  // only a square turns by a quarter

    clearAllCells();
    const int width = getWidth();
    const int height = getHeight();
    bool ended = false;  // the file ended: every later cell is blank
    for (int i = 0; i < height; ++i)
        for (int j = 0; j < width; ++j) {
            int x = j;
            int y = i;
            if (rotation == 2) {
                x = width - 1 - i;
                y = j;
            } else if (rotation == 4) {
                x = width - 1 - j;
                y = height - 1 - i;
            } else if (rotation == 6) {
                x = i;
                y = height - 1 - j;
            }
            if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
                putPiece(std::make_unique<OrvexWall>(this, x, y));
                continue;
            }
            int code[4] = {'.', '.', '.', '.'};
            for (int k = 0; k < 4 && !ended; ++k) {
                code[k] = nextCellChar(f);
                if (code[k] == EOF) ended = true;
            }
            if (ended) code[0] = '.';  // a cell cut off by the end of the file is blank
            const int direction = digit(code[1], '8');
            int owner = digit(code[2], '9');
            if (owner > 4) owner = 0;
            const int counter = digit(code[3], '9');
            const char letter = static_cast<char>(code[0]);
            if (letter == 'X') {
                putOverlay(std::make_unique<OrvexHole>(this, x, y));
            } else if (letter == 'Z') {
                putOverlay(std::make_unique<OrvexHyperHole>(this, x, y));
            } else if (auto piece = makePiece(letter, this, x, y, owner)) {
                if (int* field = counterField(*piece, kindOf(piece.get())->counter)) *field = counter;
                piece->iDirection = (direction + rotation) % 8;
                putPiece(std::move(piece));
            }
            if (!getPiece(x, y)) putPiece(std::make_unique<OrvexBlank>(this, x, y));
        }
    std::fclose(f);

    iGameOver = 0;
    clearBeams();
    clearSelection();
    iGame.setAnimSequence(0);
    iGame.setCurrentPlayer(1);
    iGame.resetPlayerLabels();
    setMovesPerTurn();
    iGame.boardLoaded();
    return 1;
}

int OrvexBoard::saveFile(const char* name) {
    if (!name) return 0;
    if (isKeptDefault(name)) {
        debugPrintfS("ERROR: the default board %s is not overwritten\n", name);
        return 0;
    }
    const std::string path = filePath(name);

    std::string text = "KZ+V Orvex Chess\n";
    // The header of the style, with the board's own size so that a board
    // of any size loads back as it was saved.
    const int flags[5] = {iGkvStyle, iKvStyle, iOthStyle, iChkStyle, iD2dStyle};
    const int headerOf[5] = {1, 0, 2, 3, 4};
    for (int i = 0; i < 5; ++i)
        if (flags[i]) {
            char header[512];
            std::snprintf(header, sizeof header, kStyleHeaders[headerOf[i]], iPlayWidth, iPlayHeight);
            text += header;
            text += '\n';
        }

    for (int y = 0; y < getHeight(); ++y) {
        bool wrote = false;
        for (int x = 0; x < getWidth(); ++x) {
            const OrvexPiece* p = getPiece(x, y);
            const OrvexPiece* floor = getOverlay(x, y);
            if ((!p && !floor) || (p && p->isA(piece_class::kWall))) continue;
            const CellKind* kind = kindOf(p);
            char letter = kind ? kind->letter : '.';
            const int direction = p ? p->iDirection : 0;
            const int owner = p ? p->iPlayer : 1;
            int counter = 0;
            if (kind && kind->counter != Counter::None) counter = counterValue(*p, kind->counter);
            if (counter < 0 || counter > 9) counter = counter < 0 ? 0 : 9;
            if (floor) letter = floor->isA(piece_class::kHyperHole) ? 'Z' : 'X';
            if (letter == '.') {
                text += "....";
            } else if (letter == 'X' || letter == 'Z') {
                text += letter;
                text += "...";
            } else {
                text += letter;
                text += static_cast<char>('0' + direction % 8);
                text += static_cast<char>('0' + owner % 10);
                text += static_cast<char>('0' + counter);
            }
            wrote = true;
        }
        if (wrote) text += '\n';
    }
    // A full disk or a crash while saving never leaves the old board cut.
    return writeUserFile(path.c_str(), text) ? 1 : 0;
}
