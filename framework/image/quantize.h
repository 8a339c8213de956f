#pragma once
// The median-cut colour quantiser: reduces packed 24-bit RGB pixels to at
// most N palette colours, refines the palette to the means of the colours
// nearest to each entry, and maps every pixel to its nearest entry. A colour
// hash keeps histogram building and mapping linear in the number of pixels;
// the nearest-colour search runs once per distinct colour. Pictures of more
// colours than the histogram holds are worked on at a lower precision,
// rounded from the original values; the palette is scaled back from it.
#include <cstdint>
#include <vector>

// Runs quantizeColors with the three planes of a 768-byte palette.
void ppmQuantRaw24(uint8_t* indices, const uint8_t* pixels24, uint8_t* palette, int width, int height, int colors);

// Quantises columns x rows pixels into `indices` (columns x rows bytes) and
// writes N entries of each palette plane (entries beyond the colours found
// stay 0). `colors` is N, 1 to 256.
void quantizeColors(const uint8_t* pixels24, int columns, int rows, uint8_t* indices, uint8_t* red, uint8_t* green,
                    uint8_t* blue, int colors);

namespace quant {

// One colour as the quantiser works on it (components 0..current maximum).
struct Pixel {
    uint8_t r = 0, g = 0, b = 0;
};

// A histogram entry: a colour and how many pixels have it.
struct HistEntry {
    Pixel color;
    int64_t count = 0;
};

// The histogram gives up beyond this many distinct colours.
constexpr int kMaxHistColors = 32767;

// The colour hash: 6553 buckets of singly linked chains, each entry a
// colour with a value (a pixel count, or a palette index when mapping).
class ColorHash {
public:
    static constexpr int kBuckets = 6553;
    ColorHash();
    static int bucketOf(const Pixel& p);
    // The entry's value, or null when the colour is absent.
    int64_t* find(const Pixel& p);
    // Adds an absent colour with the given value.
    int64_t* insert(const Pixel& p, int64_t value);
    int size() const { return static_cast<int>(iEntries.size()); }
    // The entries as a histogram, in bucket order.
    std::vector<HistEntry> toHist() const;

private:
    struct Entry {
        Pixel color;
        int64_t value;
        int next;
    };
    std::vector<int> iHeads;
    std::vector<Entry> iEntries;
};

// Counts the colours; false (and no histogram) when there are more than
// maxColors distinct ones.
bool computeColorHist(const std::vector<Pixel>& pixels, int maxColors, std::vector<HistEntry>* hist);

// Splits the histogram into at most newColors boxes and returns each box's
// count-weighted mean colour (rounded, ties to even; at most maxval), boxes
// by descending sum. The box split next is the one whose pixels lie
// farthest from its mean in all; it is cut at the median of its pixels
// along its widest component (spreads weighted by luminance). Reorders
// `hist`.
std::vector<Pixel> medianCut(std::vector<HistEntry>& hist, int64_t sum, int maxval, int newColors);

// The refinement passes after the median cut: each moves every palette
// entry to the mean of the colours nearest to it (an entry nothing is
// nearest to stays), until none moves or the passes are spent.
constexpr int kRefinePasses = 8;
void refinePalette(const std::vector<HistEntry>& hist, std::vector<Pixel>& colormap, int maxval, int passes);

// sum / n rounded to the nearest integer, ties to even, at most maxval.
uint8_t roundedMean(int64_t sum, int64_t n, int maxval);

// The nearest palette entry of a colour by the sum of squared component
// differences, the first of equally near entries winning; the entries are
// searched outward in order of green, so most are never looked at.
class NearestColor {
public:
    explicit NearestColor(const std::vector<Pixel>& colormap);
    int find(const Pixel& p) const;

private:
    const std::vector<Pixel>& iColormap;
    std::vector<int> iOrder;       // entry indices by ascending green
    std::vector<uint8_t> iGreens;  // their greens
};

// Ascending by one component.
bool redCompare(const HistEntry& a, const HistEntry& b);
bool greenCompare(const HistEntry& a, const HistEntry& b);
bool blueCompare(const HistEntry& a, const HistEntry& b);

}  // namespace quant
