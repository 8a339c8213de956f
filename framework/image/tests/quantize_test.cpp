// The median-cut quantiser: exact palettes for few colours, reduced
// precision for many, the split axis rules, and the edge sizes.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "framework/image/quantize.h"
#include "framework/image/tests/fixtures.h"

using namespace image_test;
using quant::HistEntry;
using quant::Pixel;

namespace {

struct Quantised {
    Bytes indices, palette;
};

Quantised quantise(const Bytes& rgb, int w, int h, int colors = 256) {
    Quantised q{Bytes(std::size_t(w) * h, 0xEE), Bytes(768, 0xEE)};
    ppmQuantRaw24(q.indices.data(), rgb.data(), q.palette.data(), w, h, colors);
    return q;
}

Bytes mapped(const Quantised& q) {
    Bytes out;
    for (uint8_t i : q.indices) out.insert(out.end(), {q.palette[i], q.palette[256 + i], q.palette[512 + i]});
    return out;
}

// A picture of exactly `colors` distinct random colours, in random order
// and with uneven counts.
Bytes distinctColours(int w, int h, int colors, uint64_t seed) {
    Rng rng(seed);
    std::set<std::tuple<int, int, int>> seen;
    std::vector<std::tuple<int, int, int>> list;
    while (int(list.size()) < colors) {
        auto c = std::make_tuple(int(rng.below(256)), int(rng.below(256)), int(rng.below(256)));
        if (seen.insert(c).second) list.push_back(c);
    }
    Bytes rgb;
    for (int i = 0; i < w * h; ++i) {
        // Every colour at least once, then skewed towards the first ones.
        auto [r, g, b] = list[i < colors ? i : rng.below(rng.below(uint32_t(colors)) + 1)];
        rgb.insert(rgb.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
    }
    return rgb;
}

}  // namespace

TEST(Quantize, AtMost256ColoursMapExactly) {
    struct Case {
        int w, h, colors;
    } cases[] = {{1, 1, 1}, {5, 5, 2}, {40, 40, 17}, {64, 64, 255}, {100, 70, 256}};
    uint64_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colors);
        Bytes rgb = distinctColours(c.w, c.h, c.colors, seed++);
        Quantised q = quantise(rgb, c.w, c.h);
        EXPECT_EQ(mapped(q), rgb);
        std::set<int> used(q.indices.begin(), q.indices.end());
        EXPECT_EQ(int(used.size()), c.colors);
        for (int k = c.colors; k < 256; ++k)  // entries beyond the colours found
            EXPECT_EQ(q.palette[k] | q.palette[256 + k] | q.palette[512 + k], 0) << k;
    }
}

TEST(Quantize, ManyColoursHalveThePrecisionFirst) {
    // More colours than the histogram holds: the maximum drops to 127 and
    // the palette is scaled back from it, rounded to the nearest level.
    // 40,960 distinct colours: red 0..255, green 0..79, blue 0..1; halved
    // they are 128 x 40 x 1 colours, which the histogram holds.
    const int w = 256, h = 160;
    Bytes rgb;
    for (int i = 0; i < w * h; ++i)
        rgb.insert(rgb.end(), {uint8_t(i % 256), uint8_t(i / 256 % 80), uint8_t(i / (256 * 80))});
    Quantised q = quantise(rgb, w, h);
    std::set<std::tuple<int, int, int>> entries;
    for (int k = 0; k < 256; ++k) {
        entries.insert({q.palette[k], q.palette[256 + k], q.palette[512 + k]});
        for (int plane = 0; plane < 3; ++plane) {
            int v = q.palette[256 * plane + k];
            bool onScale = false;  // some m in 0..127 with round(m * 255 / 127) == v
            for (int m = 0; m <= 127 && !onScale; ++m) onScale = (m * 255 + 63) / 127 == v;
            EXPECT_TRUE(onScale) << "entry " << k << " plane " << plane << " value " << v;
        }
    }
    EXPECT_EQ(entries.size(), 256u);
    // Every pixel lands near its colour.
    Bytes m = mapped(q);
    long long error = 0;
    for (std::size_t i = 0; i < rgb.size(); ++i) error += std::abs(int(m[i]) - int(rgb[i]));
    EXPECT_LT(error / double(rgb.size()), 16.0);
}

TEST(Quantize, SplitAxisTies) {
    // Three colours, two boxes asked for: the sort axis decides which colour
    // is split off, and so the mean of the larger box.
    struct Case {
        const char* name;
        Pixel a, b, c;
        Pixel expectedFirstBox;
    } cases[] = {
        // red spread 150 x 77 equals green spread 77 x 150: sorted by red.
        {"red ties green", {0, 77, 0}, {150, 0, 0}, {0, 0, 0}, {75, 0, 0}},
        // green spread 29 x 150 equals blue spread 150 x 29: sorted by green.
        {"green ties blue", {0, 29, 0}, {0, 0, 150}, {0, 0, 0}, {0, 14, 0}},
        // blue alone is widest once weighted.
        {"blue widest", {0, 20, 0}, {0, 0, 250}, {0, 0, 0}, {0, 0, 125}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<HistEntry> hist = {{c.a, 1}, {c.b, 1}, {c.c, 1}};
        std::vector<Pixel> map = quant::medianCut(hist, 3, 255, 2);
        ASSERT_EQ(map.size(), 2u);
        EXPECT_EQ(int(map[0].r), int(c.expectedFirstBox.r));
        EXPECT_EQ(int(map[0].g), int(c.expectedFirstBox.g));
        EXPECT_EQ(int(map[0].b), int(c.expectedFirstBox.b));
    }
}

TEST(Quantize, MedianSplitFollowsTheCounts) {
    // Sorted by red: counts 1, 1, 6, 1; half the sum is 4, so the split
    // falls after the heavy colour and the boxes are ordered by their sums.
    std::vector<HistEntry> hist = {{{40, 0, 0}, 6}, {{0, 0, 0}, 1}, {{200, 0, 0}, 1}, {{20, 0, 0}, 1}};
    std::vector<Pixel> map = quant::medianCut(hist, 9, 255, 2);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(int(map[0].r), (0 + 20 + 40 * 6) / 8);
    EXPECT_EQ(int(map[1].r), 200);
}

TEST(Quantize, ColourHashBuckets) {
    EXPECT_EQ(quant::ColorHash::bucketOf({0, 0, 0}), 0);
    EXPECT_EQ(quant::ColorHash::bucketOf({1, 2, 3}), (33023 + 2 * 30013 + 3 * 27011) % 6553);
    EXPECT_EQ(quant::ColorHash::bucketOf({255, 255, 255}), (255 * (33023 + 30013 + 27011)) % 6553);
}

TEST(Quantize, EmptyAndLargeUniformPictures) {
    Bytes palette(768, 0xEE);
    ppmQuantRaw24(nullptr, nullptr, palette.data(), 0, 0, 256);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(palette[k], 0);

    // 3000 x 3000 white pixels: the box's colour sum passes 2^31.
    const int w = 3000, h = 3000;
    Bytes rgb(std::size_t(w) * h * 3, 255);
    Quantised q = quantise(rgb, w, h);
    EXPECT_EQ(q.palette[q.indices[0]], 255);
    EXPECT_EQ(q.palette[256 + q.indices[0]], 255);
    EXPECT_EQ(q.palette[512 + q.indices[0]], 255);
    EXPECT_EQ(q.indices.back(), q.indices[0]);
}

TEST(Quantize, FewerColoursAskedFor) {
    Bytes rgb = distinctColours(16, 16, 50, 9);
    Quantised q = quantise(rgb, 16, 16, 8);
    std::set<int> used(q.indices.begin(), q.indices.end());
    EXPECT_LE(used.size(), 8u);
    for (uint8_t i : q.indices) EXPECT_LT(i, 8);
}

TEST(Quantize, RoundedMeanTiesToEven) {
    struct Case {
        int64_t sum, n;
        int maxval, expected;
    } cases[] = {{5, 2, 255, 2}, {7, 2, 255, 4}, {9, 2, 255, 4},     {10, 4, 255, 2}, {11, 4, 255, 3}, {13, 4, 255, 3},
                 {2, 3, 255, 1}, {0, 5, 255, 0}, {700, 2, 255, 255}, {65, 2, 31, 31}, {7, 0, 255, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(int(quant::roundedMean(c.sum, c.n, c.maxval)), c.expected) << c.sum << "/" << c.n;
}

TEST(Quantize, TheBoxThatLosesMostIsSplitNext) {
    // Two boxes after the first cut: a heavy but tight pair and a light pair
    // far apart. The third entry goes to the far pair, not the heavy one.
    std::vector<HistEntry> hist = {{{10, 0, 10}, 100}, {{11, 0, 10}, 100}, {{0, 250, 0}, 10}, {{250, 250, 250}, 10}};
    std::vector<Pixel> map = quant::medianCut(hist, 220, 255, 3);
    ASSERT_EQ(map.size(), 3u);
    const int expected[3][3] = {{10, 0, 10}, {0, 250, 0}, {250, 250, 250}};  // 10.5 rounds to even
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(int(map[k].r), expected[k][0]) << k;
        EXPECT_EQ(int(map[k].g), expected[k][1]) << k;
        EXPECT_EQ(int(map[k].b), expected[k][2]) << k;
    }
}

TEST(Quantize, RefinementMovesEntriesToTheMeansOfTheirColours) {
    struct Case {
        const char* name;
        std::vector<HistEntry> hist;
        std::vector<Pixel> start, expected;
    } cases[] = {
        {"two passes to settle",
         {{{0, 0, 0}, 1}, {{10, 0, 0}, 1}, {{90, 0, 0}, 1}, {{100, 0, 0}, 1}},
         {{0, 0, 0}, {10, 0, 0}},
         {{5, 0, 0}, {95, 0, 0}}},
        {"counts weigh",
         {{{0, 0, 0}, 3}, {{40, 20, 8}, 1}, {{200, 200, 200}, 5}},
         {{10, 10, 10}, {190, 190, 190}},
         {{10, 5, 2}, {200, 200, 200}}},
        {"an entry nothing is nearest to stays",
         {{{0, 0, 0}, 2}, {{2, 2, 2}, 2}},
         {{1, 1, 1}, {250, 0, 0}},
         {{1, 1, 1}, {250, 0, 0}}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Pixel> map = c.start;
        quant::refinePalette(c.hist, map, 255, quant::kRefinePasses);
        ASSERT_EQ(map.size(), c.expected.size());
        for (std::size_t k = 0; k < map.size(); ++k)
            EXPECT_EQ(std::make_tuple(int(map[k].r), int(map[k].g), int(map[k].b)),
                      std::make_tuple(int(c.expected[k].r), int(c.expected[k].g), int(c.expected[k].b)))
                << k;
    }
}

TEST(Quantize, NearestEntryAsAFullSearchFindsIt) {
    // Random palettes, with repeated entries and repeated greens, against a
    // search of every entry; the first of equally near entries wins.
    Rng rng(31);
    for (int round = 0; round < 40; ++round) {
        std::vector<Pixel> map(1 + rng.below(256));
        const uint32_t range = round % 2 ? 256 : 8;  // small ranges make ties
        for (Pixel& c : map) c = {uint8_t(rng.below(range)), uint8_t(rng.below(range)), uint8_t(rng.below(range))};
        const quant::NearestColor nearest(map);
        for (int i = 0; i < 300; ++i) {
            const Pixel p{uint8_t(rng.below(range)), uint8_t(rng.below(range)), uint8_t(rng.below(range))};
            int64_t best = INT64_MAX;
            int expected = -1;
            for (std::size_t k = 0; k < map.size(); ++k) {
                const int64_t dr = p.r - map[k].r, dg = p.g - map[k].g, db = p.b - map[k].b;
                if (dr * dr + dg * dg + db * db < best) best = dr * dr + dg * dg + db * db, expected = int(k);
            }
            ASSERT_EQ(nearest.find(p), expected) << "round " << round;
        }
    }
}

TEST(Quantize, PhotoLikePictureKeepsItsBrightnessAndDetail) {
    // A smooth two-way gradient with noise: far more colours than the
    // histogram holds, so the precision is lowered first. The quantised
    // picture must be as bright as the original in every channel and close
    // to it pixel by pixel.
    const int w = 320, h = 240;
    Rng rng(5);
    Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                const int base = ch == 0 ? x * 255 / w : ch == 1 ? y * 255 / h : (x + y) * 255 / (w + h);
                rgb.push_back(uint8_t(std::clamp(base + int(rng.below(13)) - 6, 0, 255)));
            }
    Quantised q = quantise(rgb, w, h);
    Bytes m = mapped(q);
    double mean[3] = {}, meanBack[3] = {}, squared = 0;
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        mean[i % 3] += rgb[i];
        meanBack[i % 3] += m[i];
        squared += double(int(m[i]) - int(rgb[i])) * (int(m[i]) - int(rgb[i]));
    }
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(meanBack[ch] / (w * h), mean[ch] / (w * h), 1.0) << "channel " << ch;
    EXPECT_LT(squared / double(rgb.size()), 30.0);
}
