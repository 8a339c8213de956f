#include "bench/bench_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/image/gif.h"

namespace bench {

namespace {

// A small seeded generator (xorshift), the same on every machine.
class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed ? seed : 1) {}
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double unit() { return (next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    // Roughly normal, mean 0 and deviation 1 (a sum of uniforms).
    double normal() { return (unit() + unit() + unit() + unit() - 2.0) * 1.7320508; }

private:
    uint32_t s_;
};

double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
double smooth(double t) { return t * t * (3 - 2 * t); }
double lerp(double a, double b, double t) { return a + (b - a) * t; }
uint8_t toByte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

// Value noise: random values on a coarse grid, smoothly interpolated.
class ValueNoise {
public:
    ValueNoise(int width, int height, int cell, Rng& rng) : cell_(cell), gw_(width / cell + 2), gh_(height / cell + 2) {
        grid_.resize(static_cast<std::size_t>(gw_) * gh_);
        for (double& v : grid_) v = rng.unit();
    }
    double at(int x, int y) const {
        const int gx = x / cell_, gy = y / cell_;
        const double fx = smooth(double(x % cell_) / cell_), fy = smooth(double(y % cell_) / cell_);
        auto g = [&](int i, int j) { return grid_[static_cast<std::size_t>(j) * gw_ + i]; };
        return lerp(lerp(g(gx, gy), g(gx + 1, gy), fx), lerp(g(gx, gy + 1), g(gx + 1, gy + 1), fx), fy);
    }

private:
    int cell_, gw_, gh_;
    std::vector<double> grid_;
};

struct Blob {
    double cx, cy, rx, ry;
    double r, g, b;
    bool sharp;  // a hard, anti-aliased edge instead of a soft one
};

// A lit box with a hard outline, like a house or a crate.
struct Box {
    int x0, y0, x1, y1;
    double r, g, b;
};

void fillRect(RgbPicture& p, int x0, int y0, int w, int h, const uint8_t c[3]) {
    for (int y = std::max(0, y0); y < std::min(p.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x0 + w); ++x)
            std::copy(c, c + 3, &p.rgb[(std::size_t(y) * p.width + x) * 3]);
}

// A row of text-like marks: glyph cells of strokes, words apart.
void drawText(RgbPicture& p, int x0, int y0, int width, const uint8_t ink[3], const uint8_t edge[3], Rng& rng) {
    int x = x0;
    while (x < x0 + width - 8) {
        const int letters = 2 + rng.below(8);
        for (int l = 0; l < letters && x < x0 + width - 6; ++l, x += 7) {
            const int strokes = 1 + rng.below(3);
            for (int s = 0; s < strokes; ++s) {
                if (rng.below(2)) {
                    const int sx = x + rng.below(5);
                    fillRect(p, sx, y0 + 2 + rng.below(3), 1, 6 + rng.below(3), ink);
                    fillRect(p, sx + 1, y0 + 4, 1, 4, edge);  // a softened edge, as font smoothing leaves
                } else {
                    fillRect(p, x, y0 + 3 + rng.below(7), 4 + rng.below(2), 1, ink);
                }
            }
        }
        x += 5 + rng.below(6);
    }
}

}  // namespace

RgbPicture makePhoto(const std::string& name, int width, int height, uint32_t seed) {
    RgbPicture p{name, width, height, true, std::vector<uint8_t>(std::size_t(width) * height * 3)};
    Rng rng(seed);
    const ValueNoise coarse(width, height, std::max(8, width / 12), rng);
    const ValueNoise fine(width, height, std::max(4, width / 60), rng);
    std::vector<Blob> blobs(14);
    for (Blob& b : blobs) {
        b.cx = rng.unit() * width;
        b.cy = (0.25 + 0.75 * rng.unit()) * height;
        b.rx = (0.06 + 0.18 * rng.unit()) * width;
        b.ry = (0.06 + 0.18 * rng.unit()) * height;
        b.r = 40 + 210 * rng.unit();
        b.g = 40 + 210 * rng.unit();
        b.b = 30 + 180 * rng.unit();
        b.sharp = rng.below(2) == 0;
    }
    std::vector<Box> boxes(8);
    for (Box& b : boxes) {
        b.x0 = rng.below(width);
        b.x1 = b.x0 + width / 20 + rng.below(width / 6);
        b.y1 = height / 2 + rng.below(height / 2);
        b.y0 = b.y1 - height / 12 - rng.below(height / 4);
        b.r = 60 + 190 * rng.unit();
        b.g = 60 + 170 * rng.unit();
        b.b = 50 + 150 * rng.unit();
    }
    const double phase = rng.unit() * 6.28;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double horizon = 0.42 + 0.05 * std::sin(u * 6 + phase);
            double r, g, b;
            if (v < horizon) {  // sky: deep blue at the top, pale at the horizon
                const double t = smooth(v / horizon);
                r = lerp(35, 190, t), g = lerp(80, 205, t), b = lerp(165, 228, t);
            } else {  // ground: green near the horizon, brown in front
                const double t = clamp01((v - horizon) / (1 - horizon));
                r = lerp(95, 70, t), g = lerp(125, 52, t), b = lerp(55, 32, t);
            }
            for (const Blob& bl : blobs) {
                const double ex = (x - bl.cx) / bl.rx, ey = (y - bl.cy) / bl.ry;
                const double d = ex * ex + ey * ey;
                if (d >= 1) continue;
                const double edge = (1 - std::sqrt(d)) * std::min(bl.rx, bl.ry) / 1.5;  // pixels inside the rim
                const double a = bl.sharp ? 0.95 * clamp01(edge) : 0.92 * smooth(1 - d);
                const double light = 0.75 + 0.25 * clamp01(0.5 - 0.35 * (ex + ey));  // lit from the upper left
                r = lerp(r, bl.r * light, a), g = lerp(g, bl.g * light, a), b = lerp(b, bl.b * light, a);
            }
            for (const Box& bx : boxes)
                if (x >= bx.x0 && x < bx.x1 && y >= bx.y0 && y < bx.y1) {
                    const double shade = 0.65 + 0.35 * double(x - bx.x0) / (bx.x1 - bx.x0);  // lit from the right
                    r = bx.r * shade, g = bx.g * shade, b = bx.b * shade;
                }
            const double texture = 0.82 + 0.22 * coarse.at(x, y) + 0.12 * fine.at(x, y);
            const double falloff = 1 - 0.45 * ((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5));
            const double grain = rng.normal() * 3.0;  // shared by the channels, like luminance noise
            uint8_t* px = &p.rgb[(std::size_t(y) * width + x) * 3];
            px[0] = toByte(r * texture * falloff + grain + rng.normal() * 2.5);
            px[1] = toByte(g * texture * falloff + grain + rng.normal() * 2.5);
            px[2] = toByte(b * texture * falloff + grain + rng.normal() * 2.5);
        }
    return p;
}

RgbPicture makeScreenshot(const std::string& name, int width, int height, uint32_t seed) {
    RgbPicture p{name, width, height, false, std::vector<uint8_t>(std::size_t(width) * height * 3)};
    Rng rng(seed);
    const uint8_t desktop[3] = {58, 110, 165}, frame[3] = {100, 100, 100}, title[3] = {0, 84, 147},
                  titleInk[3] = {255, 255, 255}, titleEdge[3] = {140, 180, 210}, body[3] = {240, 240, 240},
                  menu[3] = {228, 228, 228}, ink[3] = {30, 30, 30}, edge[3] = {150, 150, 150},
                  button[3] = {225, 225, 225}, buttonEdge[3] = {173, 173, 173}, link[3] = {0, 102, 204},
                  select[3] = {204, 232, 255};
    const uint8_t icons[6][3] = {{220, 60, 50}, {250, 190, 40},  {60, 170, 80},
                                 {90, 90, 200}, {250, 250, 250}, {20, 20, 20}};
    fillRect(p, 0, 0, width, height, desktop);
    for (int i = 0; i < 12; ++i) {  // desktop icons
        const int ix = 16, iy = 16 + i * 56;
        for (int k = 0; k < 16; ++k) fillRect(p, ix + (k % 4) * 8, iy + (k / 4) * 8, 8, 8, icons[rng.below(6)]);
        drawText(p, ix - 4, iy + 34, 48, titleInk, titleEdge, rng);
    }
    for (int wi = 0; wi < 3; ++wi) {
        const int ww = width / 2 + rng.below(width / 4), wh = height / 2 + rng.below(height / 3);
        const int wx = 80 + rng.below(std::max(1, width - ww - 90)), wy = 10 + rng.below(std::max(1, height - wh - 20));
        fillRect(p, wx - 1, wy - 1, ww + 2, wh + 2, frame);
        fillRect(p, wx, wy, ww, 22, title);
        drawText(p, wx + 8, wy + 4, ww / 3, titleInk, titleEdge, rng);
        fillRect(p, wx, wy + 22, ww, wh - 22, body);
        fillRect(p, wx, wy + 22, ww, 20, menu);
        drawText(p, wx + 6, wy + 24, ww / 2, ink, edge, rng);
        for (int line = 0, ly = wy + 50; ly < wy + wh - 40; ++line, ly += 16) {
            if (line % 7 == 3) fillRect(p, wx + 6, ly, ww - 12, 15, select);
            drawText(p, wx + 10, ly, ww - 30 - rng.below(ww / 3), line % 5 == 4 ? link : ink, edge, rng);
        }
        for (int bi = 0; bi < 3; ++bi) {
            const int bx = wx + ww - (bi + 1) * 90, by = wy + wh - 32;
            fillRect(p, bx - 1, by - 1, 82, 26, buttonEdge);
            fillRect(p, bx, by, 80, 24, button);
            drawText(p, bx + 12, by + 4, 56, ink, edge, rng);
        }
    }
    return p;
}

std::vector<RgbPicture> makeStillPictures() {
    std::vector<RgbPicture> set;
    set.push_back(makePhoto("photo-640", 640, 480, 640480));
    set.push_back(makePhoto("photo-1024", 1024, 768, 1024768));
    set.push_back(makeScreenshot("screenshot", 800, 600, 800600));
    return set;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::vector<uint8_t> data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return data;
    uint8_t chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    return data;
}

std::vector<uint8_t> makeAnimatedGif(int width, int height, int frames, const std::string& scratchDir) {
    // Entries 0..191 shade the backdrop from dusk blue to orange, 192..255
    // the ball from dark red to white.
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 192; ++i) {
        const double t = i / 191.0;
        palette[i] = toByte(lerp(20, 250, t));
        palette[256 + i] = toByte(lerp(30, 150, t * t));
        palette[512 + i] = toByte(lerp(110, 40, t));
    }
    for (int i = 0; i < 64; ++i) {
        const double t = i / 63.0;
        palette[192 + i] = toByte(lerp(110, 255, t));
        palette[256 + 192 + i] = toByte(lerp(0, 255, t * t));
        palette[512 + 192 + i] = toByte(lerp(10, 255, t * t * t));
    }
    const std::string scratch = scratchDir + "/frame.gif";
    std::vector<uint8_t> out;
    std::vector<uint8_t> pixels(std::size_t(width) * height);
    for (int f = 0; f < frames; ++f) {
        const double cx = 30 + f * double(width - 60) / std::max(1, frames - 1);
        const double cy = height / 2.0 + height * 0.2 * std::sin(f * 0.9);
        const double radius = height * 0.12;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double dx = x - cx, dy = y - cy;
                const double d = std::sqrt(dx * dx + dy * dy);
                int index;
                if (d < radius) {  // the ball, lit from the upper left
                    const double hx = x - (cx - radius * 0.35), hy = y - (cy - radius * 0.35);
                    index = 192 + static_cast<int>(63 * clamp01(1 - std::sqrt(hx * hx + hy * hy) / (1.3 * radius)));
                } else {  // a diagonal backdrop with an ordered dither
                    const double t = (x + 2.0 * y) / (width + 2.0 * height);
                    index = std::min(191, static_cast<int>(t * 191 + ((x ^ y) & 3) * 0.25));
                }
                pixels[std::size_t(y) * width + x] = static_cast<uint8_t>(index);
            }
        SaveRecord record;
        record.width = width;
        record.height = height;
        record.pixels8 = pixels.data();
        record.palette = palette.data();
        if (!writeGIF(scratch.c_str(), record).empty()) return {};
        const std::vector<uint8_t> single = readWholeFile(scratch);
        // A single-image file of our writer: header, screen and the global
        // table (781 bytes), the image, the trailer.
        constexpr std::size_t kImageAt = 13 + 768;
        if (single.size() <= kImageAt + 1) return {};
        if (f == 0) {
            out.assign(single.begin(), single.begin() + kImageAt);
            const uint8_t loop[] = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                    'E',  '2',  '.', '0', 3,   1,   0,   0,   0};
            out.insert(out.end(), loop, loop + sizeof loop);
        }
        const uint8_t control[] = {0x21, 0xF9, 4, 0x04, 8, 0, 0, 0};  // 80 ms a frame
        out.insert(out.end(), control, control + sizeof control);
        out.insert(out.end(), single.begin() + kImageAt, single.end() - 1);
    }
    std::remove(scratch.c_str());
    out.push_back(0x3B);
    return out;
}

}  // namespace bench
