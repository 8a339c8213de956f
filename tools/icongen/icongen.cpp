// icongen: draws the program's button pictures and writes them into a
// folder (normally data/system):
//   icons/vurn.asc      the logo button's ASCII art (38 by 38, one state)
//                       with its "Command" and "HTTP-Help" lines;
//   icons/vurn.gif      the logo button's face (40 by 38; the two columns
//                       beyond the button are never shown);
//   sactions/upgrade.gkv the upgrade button's ASCII art (29 by 29, one
//                       state) with its "Command" line.
//
//   icongen <folder>           writes the files
//   icongen --check <folder>   fails unless the files there are what the
//                              generator writes (the committed output is
//                              current)
//
// Art characters (one a pixel): '1' black, '5' light and '6' shade of the
// bevel (they swap when the button is sunk), '2' the button's face colour,
// '^' navy, 'V' red, '{' white, 'k' light grey, 'K' dark grey, ']' yellow,
// 'W' green, 'f' black. Every art line starts with '1', so the keyed-line
// reader skips it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "framework/image/image.h"

namespace {

// ---------------------------------------------------------------- ASCII art

struct Art {
    int w, h;
    std::vector<std::string> rows;
    Art(int width, int height, char fill) : w(width), h(height), rows(height, std::string(width, fill)) {}
    void set(int x, int y, char c) {
        if (x >= 0 && x < w && y >= 0 && y < h) rows[y][x] = c;
    }
    char at(int x, int y) const { return (x >= 0 && x < w && y >= 0 && y < h) ? rows[y][x] : '\0'; }
};

// A black outline and a raised bevel `depth` pixels deep: light on the top
// and left, shade on the bottom and right.
void frameAndBevel(Art& a, int depth) {
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            const int ring = std::min(std::min(x, y), std::min(a.w - 1 - x, a.h - 1 - y));
            if (ring == 0)
                a.set(x, y, '1');
            else if (ring <= depth)
                a.set(x, y, (x == ring || y == ring) && x < a.w - 1 - ring && y < a.h - 1 - ring ? '5' : '6');
        }
}

// The logo's emblem on a navy field: a beam from the left meets a mirror
// at (cx, cy) and turns upward.
constexpr int kLogo = 38;
constexpr int kLogoBevel = 2;
constexpr int kBeamX = 20, kBeamY = 23;

Art logoArt() {
    Art a(kLogo, kLogo, '^');
    frameAndBevel(a, kLogoBevel);
    const int lo = kLogoBevel + 1;
    for (int x = lo; x <= kBeamX; ++x)
        for (int y = kBeamY - 1; y <= kBeamY; ++y) a.set(x, y, 'V');
    for (int y = lo; y <= kBeamY; ++y)
        for (int x = kBeamX - 1; x <= kBeamX; ++x) a.set(x, y, 'V');
    // The mirror, a "/" through the turning point.
    for (int d = -7; d <= 7; ++d) {
        a.set(kBeamX + 1 + d, kBeamY + 1 - d, '{');
        a.set(kBeamX + 2 + d, kBeamY + 1 - d, 'k');
    }
    for (int y = kBeamY - 1; y <= kBeamY; ++y)
        for (int x = kBeamX - 1; x <= kBeamX; ++x) a.set(x, y, ']');
    return a;
}

// The upgrade button: a green arrow pointing up over a dark tray.
constexpr int kUpgrade = 29;

Art upgradeArt() {
    Art a(kUpgrade, kUpgrade, '2');
    frameAndBevel(a, 1);
    const int mid = kUpgrade / 2;
    for (int y = 5; y <= 13; ++y)
        for (int x = mid - (y - 5); x <= mid + (y - 5); ++x) a.set(x, y, 'W');
    for (int y = 14; y <= 19; ++y)
        for (int x = mid - 3; x <= mid + 3; ++x) a.set(x, y, 'W');
    // A black outline round the arrow, so it reads on any face colour.
    Art outlined = a;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x)
            if (a.at(x, y) == '2' &&
                (a.at(x - 1, y) == 'W' || a.at(x + 1, y) == 'W' || a.at(x, y - 1) == 'W' || a.at(x, y + 1) == 'W'))
                outlined.set(x, y, 'f');
    for (int x = 6; x <= kUpgrade - 7; ++x) {
        outlined.set(x, 22, 'K');
        outlined.set(x, 23, 'K');
    }
    for (int y = 20; y <= 21; ++y) {
        outlined.set(6, y, 'K');
        outlined.set(kUpgrade - 7, y, 'K');
    }
    return outlined;
}

std::string artFile(const Art& a, const std::vector<std::string>& keyedLines) {
    std::string out;
    for (const std::string& row : a.rows) out += row + "\n";
    for (const std::string& line : keyedLines) out += line + "\n";
    return out;
}

// ---------------------------------------------------------------- the face

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Distance from (px, py) to the segment (ax, ay)-(bx, by).
double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The face's colour at a point of the 38 by 38 button (pixel centres at
// .5): a raised frame round a navy board with the beam, mirror and flare.
Rgb faceAt(double x, double y) {
    const double n = kLogo;
    const double ring = std::min(std::min(x, y), std::min(n - x, n - y));
    if (ring < 1.0) return {20, 20, 24};
    if (ring < 1.0 + kLogoBevel) {
        const bool light = (x < y ? x : y) == ring && x < n - ring && y < n - ring;
        return light ? Rgb{236, 236, 240} : Rgb{104, 104, 116};
    }
    const double lo = 1.0 + kLogoBevel;
    // The board: a navy glow, darker to the edges, with a faint grid.
    const double cx = n / 2, cy = n / 2;
    Rgb c = mix({46, 70, 170}, {8, 12, 52}, std::hypot(x - cx, y - cy) / 22.0);
    const double gx = std::fmod(x - lo, 8.0), gy = std::fmod(y - lo, 8.0);
    if (gx < 0.6 || gy < 0.6) c = mix(c, {90, 120, 210}, 0.35);

    const double bx = kBeamX + 0.0, by = kBeamY + 0.0;
    // The beam: a hot core in a red glow, in from the left and up to the top.
    const double d = std::min(segmentDistance(x, y, lo, by, bx, by), segmentDistance(x, y, bx, by, bx, lo));
    if (d < 2.6) c = mix(c, {230, 30, 24}, 1.0 - (d - 1.0) / 1.6);
    if (d < 1.0) c = mix({255, 235, 210}, {255, 90, 60}, d);
    // The mirror: a silver bar on the "/" diagonal through the turning point.
    const double m = segmentDistance(x, y, bx - 7.5, by + 8.5, bx + 8.5, by - 7.5);
    if (m < 1.6) c = mix({250, 252, 255}, {150, 160, 180}, m / 1.6);
    // The flare where the beam turns.
    const double f = std::hypot(x - bx, y - by);
    if (f < 4.0) c = mix({255, 250, 170}, c, f / 4.0);
    return c;
}

constexpr int kFaceWidth = kLogo + 2;

Image logoFace() {
    Image img;
    img.iWidth = kFaceWidth;
    img.iHeight = kLogo;
    img.iDepth = 24;
    img.iPixels24.assign(static_cast<std::size_t>(kFaceWidth) * kLogo * 3, 0);
    constexpr int kSamples = 4;  // per axis
    for (int y = 0; y < kLogo; ++y)
        for (int x = 0; x < kLogo; ++x) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgb s = faceAt(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
                    sum.r += s.r, sum.g += s.g, sum.b += s.b;
                }
            const double k = 1.0 / (kSamples * kSamples);
            uint8_t* p = &img.iPixels24[(static_cast<std::size_t>(y) * kFaceWidth + x) * 3];
            p[0] = static_cast<uint8_t>(std::lround(sum.r * k));
            p[1] = static_cast<uint8_t>(std::lround(sum.g * k));
            p[2] = static_cast<uint8_t>(std::lround(sum.b * k));
        }
    return img;
}

// ---------------------------------------------------------------- output

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return in ? s.str() : std::string();
}

bool writeText(const std::filesystem::path& p, const std::string& text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// Writes every file into `dir`; false on a failed write.
bool writeAll(const std::filesystem::path& dir) {
    const std::string logo = artFile(logoArt(), {"Command: internal-browser", "HTTP-Help: index.html"});
    const std::string upgrade = artFile(upgradeArt(), {"Command: internal-upgrade"});
    if (!writeText(dir / "icons" / "vurn.asc", logo)) return false;
    if (!writeText(dir / "sactions" / "upgrade.gkv", upgrade)) return false;
    Image face = logoFace();
    return face.save((dir / "icons" / "vurn.gif").string().c_str(), "GIF") == 1;
}

const char* const kFiles[] = {"icons/vurn.asc", "icons/vurn.gif", "sactions/upgrade.gkv"};

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: icongen [--check] <folder>\n");
        return 2;
    }
    const std::filesystem::path dir = argv[argc - 1];
    if (!check) {
        if (!writeAll(dir)) {
            std::fprintf(stderr, "icongen: cannot write into %s\n", dir.c_str());
            return 1;
        }
        return 0;
    }
    const std::filesystem::path fresh =
        std::filesystem::temp_directory_path() / ("icongen-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::remove_all(fresh);
    const bool written = writeAll(fresh);
    int stale = written ? 0 : 1;
    for (const char* f : kFiles)
        if (written && readAll(fresh / f) != readAll(dir / f)) {
            std::fprintf(stderr, "icongen: %s differs from what the generator writes\n", (dir / f).c_str());
            ++stale;
        }
    std::filesystem::remove_all(fresh);
    return stale == 0 ? 0 : 1;
}
