#include "framework/image/quantize.h"

#include <algorithm>
#include <cstring>

#include "framework/app/debuglog.h"

namespace quant {

ColorHash::ColorHash() : iHeads(kBuckets, -1) {}

int ColorHash::bucketOf(const Pixel& p) {
    return static_cast<int>((int64_t(p.r) * 33023 + int64_t(p.g) * 30013 + int64_t(p.b) * 27011) % kBuckets);
}

int64_t* ColorHash::find(const Pixel& p) {
    for (int i = iHeads[bucketOf(p)]; i >= 0; i = iEntries[i].next) {
        Entry& e = iEntries[i];
        if (e.color.r == p.r && e.color.g == p.g && e.color.b == p.b) return &e.value;
    }
    return nullptr;
}

int64_t* ColorHash::insert(const Pixel& p, int64_t value) {
    int bucket = bucketOf(p);
    iEntries.push_back({p, value, iHeads[bucket]});
    iHeads[bucket] = static_cast<int>(iEntries.size()) - 1;
    return &iEntries.back().value;
}

std::vector<HistEntry> ColorHash::toHist() const {
    std::vector<HistEntry> hist;
    hist.reserve(iEntries.size());
    for (int bucket = 0; bucket < kBuckets; ++bucket)
        for (int i = iHeads[bucket]; i >= 0; i = iEntries[i].next)
            hist.push_back({iEntries[i].color, iEntries[i].value});
    return hist;
}

bool computeColorHist(const std::vector<Pixel>& pixels, int maxColors, std::vector<HistEntry>* hist) {
    ColorHash hash;
    for (const Pixel& p : pixels) {
        if (int64_t* count = hash.find(p)) {
            ++*count;
            continue;
        }
        if (hash.size() >= maxColors) return false;
        hash.insert(p, 1);
    }
    *hist = hash.toHist();
    return true;
}

bool redCompare(const HistEntry& a, const HistEntry& b) { return a.color.r < b.color.r; }
bool greenCompare(const HistEntry& a, const HistEntry& b) { return a.color.g < b.color.g; }
bool blueCompare(const HistEntry& a, const HistEntry& b) { return a.color.b < b.color.b; }

namespace {

struct Box {
    std::size_t index;  // first histogram entry
    std::size_t colors;
    int64_t sum;   // pixels in the box; 64 bits, so no picture can overflow it
    double error;  // squared distance of its pixels from their mean, summed
};

bool compareByCountDesc(const Box& a, const Box& b) { return a.sum > b.sum; }

// How far the box's pixels lie from their mean colour, in all: the box
// that loses most by being one palette entry is split next.
double boxError(const std::vector<HistEntry>& hist, std::size_t first, std::size_t colors) {
    double n = 0, r = 0, g = 0, b = 0, rr = 0, gg = 0, bb = 0;
    for (std::size_t i = first; i < first + colors; ++i) {
        const HistEntry& e = hist[i];
        const double c = double(e.count);
        n += c;
        r += c * e.color.r, g += c * e.color.g, b += c * e.color.b;
        rr += c * e.color.r * e.color.r, gg += c * e.color.g * e.color.g, bb += c * e.color.b * e.color.b;
    }
    if (n == 0) return 0;
    return (rr - r * r / n) + (gg - g * g / n) + (bb - b * b / n);
}

}  // namespace

uint8_t roundedMean(int64_t sum, int64_t n, int maxval) {
    if (n <= 0) return 0;
    int64_t q = sum / n;
    const int64_t twice = 2 * (sum - q * n);
    if (twice > n || (twice == n && (q & 1))) ++q;
    return static_cast<uint8_t>(std::min<int64_t>(q, maxval));
}

std::vector<Pixel> medianCut(std::vector<HistEntry>& hist, int64_t sum, int maxval, int newColors) {
    std::vector<Box> boxes;
    if (hist.empty() || newColors < 1) return {};
    boxes.push_back({0, hist.size(), sum, boxError(hist, 0, hist.size())});
    while (static_cast<int>(boxes.size()) < newColors) {
        // The box whose pixels lie farthest from its mean is split.
        std::size_t bi = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].colors >= 2 && (bi == boxes.size() || boxes[i].error > boxes[bi].error)) bi = i;
        if (bi == boxes.size()) break;
        Box& box = boxes[bi];
        auto first = hist.begin() + static_cast<std::ptrdiff_t>(box.index);
        auto last = first + static_cast<std::ptrdiff_t>(box.colors);

        int loR = 255, loG = 255, loB = 255, hiR = 0, hiG = 0, hiB = 0;
        for (auto it = first; it != last; ++it) {
            loR = std::min<int>(loR, it->color.r), hiR = std::max<int>(hiR, it->color.r);
            loG = std::min<int>(loG, it->color.g), hiG = std::max<int>(hiG, it->color.g);
            loB = std::min<int>(loB, it->color.b), hiB = std::max<int>(hiB, it->color.b);
        }
        // Spreads weighted by luminance; ties go to red, then green.
        int64_t rl = int64_t(77) * (hiR - loR);
        int64_t gl = int64_t(150) * (hiG - loG);
        int64_t bl = int64_t(29) * (hiB - loB);
        if (rl >= gl && rl >= bl)
            std::stable_sort(first, last, redCompare);
        else if (gl >= bl)
            std::stable_sort(first, last, greenCompare);
        else
            std::stable_sort(first, last, blueCompare);

        // The median: colours go below while their running count stays under
        // half the box's sum, keeping at least one colour on each side.
        int64_t lowersum = first->count;
        int64_t halfsum = box.sum / 2;
        std::size_t i = 1;
        for (; i < box.colors - 1; ++i) {
            if (lowersum >= halfsum) break;
            lowersum += hist[box.index + i].count;
        }
        Box upper{box.index + i, box.colors - i, box.sum - lowersum, 0};
        upper.error = boxError(hist, upper.index, upper.colors);
        box.colors = i;
        box.sum = lowersum;
        box.error = boxError(hist, box.index, box.colors);
        boxes.push_back(upper);
    }
    std::stable_sort(boxes.begin(), boxes.end(), compareByCountDesc);

    std::vector<Pixel> colormap;
    colormap.reserve(boxes.size());
    for (const Box& box : boxes) {
        int64_t r = 0, g = 0, b = 0, n = 0;
        for (std::size_t i = box.index; i < box.index + box.colors; ++i) {
            const HistEntry& e = hist[i];
            r += int64_t(e.color.r) * e.count;
            g += int64_t(e.color.g) * e.count;
            b += int64_t(e.color.b) * e.count;
            n += e.count;
        }
        colormap.push_back({roundedMean(r, n, maxval), roundedMean(g, n, maxval), roundedMean(b, n, maxval)});
    }
    return colormap;
}

NearestColor::NearestColor(const std::vector<Pixel>& colormap) : iColormap(colormap), iOrder(colormap.size()) {
    for (std::size_t i = 0; i < iOrder.size(); ++i) iOrder[i] = static_cast<int>(i);
    std::stable_sort(iOrder.begin(), iOrder.end(),
                     [&](int a, int b) { return iColormap[std::size_t(a)].g < iColormap[std::size_t(b)].g; });
    iGreens.reserve(iOrder.size());
    for (int k : iOrder) iGreens.push_back(iColormap[std::size_t(k)].g);
}

int NearestColor::find(const Pixel& p) const {
    // Entries by green: search outward from the pixel's green and stop each
    // way once the green distance alone is beyond the best found.
    const std::size_t n = iOrder.size();
    const std::size_t start =
        static_cast<std::size_t>(std::lower_bound(iGreens.begin(), iGreens.end(), p.g) - iGreens.begin());
    int64_t best = 2000000000;
    int bestIndex = 0;
    auto consider = [&](std::size_t at) {
        const int k = iOrder[at];
        const Pixel& c = iColormap[std::size_t(k)];
        const int64_t dr = int(p.r) - c.r, dg = int(p.g) - c.g, db = int(p.b) - c.b;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < best || (d == best && k < bestIndex)) best = d, bestIndex = k;  // the first of equals wins
    };
    std::size_t up = start, down = start;
    bool goUp = up<n, goDown = down> 0;
    while (goUp || goDown) {
        if (goUp) {
            const int64_t dg = int64_t(iGreens[up]) - p.g;
            if (dg * dg > best)
                goUp = false;
            else {
                consider(up);
                goUp = ++up < n;
            }
        }
        if (goDown) {
            const int64_t dg = int64_t(p.g) - iGreens[down - 1];
            if (dg * dg > best)
                goDown = false;
            else {
                consider(down - 1);
                goDown = --down > 0;
            }
        }
    }
    return bestIndex;
}

void refinePalette(const std::vector<HistEntry>& hist, std::vector<Pixel>& colormap, int maxval, int passes) {
    struct Sum {
        int64_t r = 0, g = 0, b = 0, n = 0;
    };
    for (int pass = 0; pass < passes; ++pass) {
        const NearestColor nearest(colormap);
        std::vector<Sum> sums(colormap.size());
        for (const HistEntry& e : hist) {
            Sum& s = sums[std::size_t(nearest.find(e.color))];
            s.r += int64_t(e.color.r) * e.count;
            s.g += int64_t(e.color.g) * e.count;
            s.b += int64_t(e.color.b) * e.count;
            s.n += e.count;
        }
        bool moved = false;
        for (std::size_t k = 0; k < colormap.size(); ++k) {
            const Sum& s = sums[k];
            if (s.n == 0) continue;  // nothing nearest: the entry stays
            const Pixel mean{roundedMean(s.r, s.n, maxval), roundedMean(s.g, s.n, maxval),
                             roundedMean(s.b, s.n, maxval)};
            if (mean.r != colormap[k].r || mean.g != colormap[k].g || mean.b != colormap[k].b) {
                colormap[k] = mean;
                moved = true;
            }
        }
        if (!moved) break;
    }
}

}  // namespace quant

using quant::Pixel;

void quantizeColors(const uint8_t* pixels24, int columns, int rows, uint8_t* indices, uint8_t* red, uint8_t* green,
                    uint8_t* blue, int colors) {
    colors = std::clamp(colors, 1, 256);
    std::memset(red, 0, static_cast<std::size_t>(colors));
    std::memset(green, 0, static_cast<std::size_t>(colors));
    std::memset(blue, 0, static_cast<std::size_t>(colors));
    if (columns <= 0 || rows <= 0 || !pixels24) return;  // nothing to count or map

    debugPrintfII("pix rows=%d cols=%d", rows, columns);
    std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    std::vector<Pixel> pixels(count);
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = {pixels24[3 * i], pixels24[3 * i + 1], pixels24[3 * i + 2]};  // 3 bytes a pixel
    debugPrintfI("pixels=%d ", static_cast<int>(count));

    // Too many colours lower the precision until the histogram fits. Each
    // lower precision is taken from the original values, rounded, so the
    // colours keep their brightness.
    int maxval = 255;
    std::vector<quant::HistEntry> hist;
    while (!quant::computeColorHist(pixels, quant::kMaxHistColors, &hist)) {
        maxval /= 2;
        debugPrintfI("rescale nc=%d", maxval);
        auto scaled = [maxval](uint8_t v) { return static_cast<uint8_t>((v * maxval * 2 + 255) / 510); };
        for (std::size_t i = 0; i < count; ++i)
            pixels[i] = {scaled(pixels24[3 * i]), scaled(pixels24[3 * i + 1]), scaled(pixels24[3 * i + 2])};
    }
    debugLog("hist ");

    std::vector<Pixel> colormap = quant::medianCut(hist, static_cast<int64_t>(count), maxval, colors);
    quant::refinePalette(hist, colormap, maxval, quant::kRefinePasses);
    debugLog("median ");
    colormap.resize(static_cast<std::size_t>(colors));  // entries beyond the boxes: (0, 0, 0)

    const quant::NearestColor nearest(colormap);
    quant::ColorHash mapping;
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel& p = pixels[i];
        int64_t* known = mapping.find(p);
        if (!known) known = mapping.insert(p, nearest.find(p));
        indices[i] = static_cast<uint8_t>(*known);
    }
    debugLog("tick ");

    // Back to 0..255, rounded to the nearest level (truncating darkened
    // every entry of a reduced-precision palette).
    auto full = [maxval](int v) { return static_cast<uint8_t>((v * 255 + maxval / 2) / maxval); };
    for (int k = 0; k < colors; ++k) {
        const Pixel& c = colormap[static_cast<std::size_t>(k)];
        red[k] = full(c.r);
        green[k] = full(c.g);
        blue[k] = full(c.b);
    }
    debugLog("free");
}

void ppmQuantRaw24(uint8_t* indices, const uint8_t* pixels24, uint8_t* palette, int width, int height, int colors) {
    quantizeColors(pixels24, width, height, indices, palette, palette + 256, palette + 512, colors);
}
