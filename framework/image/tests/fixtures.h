#pragma once
// Test fixtures for the image readers and writers: a GIF byte builder that
// packs LZW codes the way the format defines, a walker over a written code
// stream, small picture makers and helpers around files and tools.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "testing/program_folder.h"

namespace image_test {

using Bytes = std::vector<uint8_t>;

// Packs LZW codes least significant bit first, widening the codes as a
// decoder's table grows (and resetting after a clear code).
class CodePacker {
public:
    explicit CodePacker(int minCodeSize);
    void code(int c);
    void codes(std::initializer_list<int> cs) {
        for (int c : cs) code(c);
    }
    Bytes bytes() const;  // the final partial byte included
    int clearCode() const { return 1 << iMin; }
    int endCode() const { return clearCode() + 1; }

private:
    int iMin;
    int iWidth;
    int iNext;
    bool iFirst = true;
    Bytes iOut;
    uint32_t iAcc = 0;
    int iBits = 0;
};

// Assembles GIF files piece by piece.
class GifBuilder {
public:
    GifBuilder& raw(std::initializer_list<uint8_t> b);
    GifBuilder& raw(const Bytes& b);
    GifBuilder& header(const char* id = "GIF89a");
    // Logical screen: a global table of 2^bits entries when globalTable.
    GifBuilder& screen(int width, int height, int bits, bool globalTable, int aspect = 0);
    // 2^bits entries: entry i = (i * 10, i * 20, i * 30) mod 256 + offset.
    GifBuilder& colorTable(int bits, int offset = 0);
    GifBuilder& extension(uint8_t label, const Bytes& data);
    // Image descriptor; flags 0x40 interlaced, 0x80 | (bits - 1) local table.
    GifBuilder& image(int width, int height, int flags = 0);
    // Minimum code size, the data split in sub-blocks of up to 255 bytes,
    // and the terminator when `terminate`.
    GifBuilder& data(int minCodeSize, const Bytes& stream, bool terminate = true);
    GifBuilder& trailer() { return raw({0x3B}); }
    std::size_t size() const { return iBytes.size(); }
    const Bytes& bytes() const { return iBytes; }

private:
    Bytes iBytes;
};

// Every code of a GIF's first image stream, with the table size (next free
// code) that a decoder holds when it reads each one.
struct WalkedCode {
    int code;
    int nextFree;
    int width;
};
std::vector<WalkedCode> walkGifCodes(const Bytes& gif);

// A PNG chunk (length, type, body, CRC) appended to out.
void putChunk(Bytes* out, const char* type, const Bytes& body);
// The PNG signature and an IHDR chunk.
Bytes pngWithHeader(uint32_t w, uint32_t h, uint8_t bitDepth, uint8_t colorType);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// A deterministic generator for noise pictures and mutations.
class Rng {
public:
    explicit Rng(uint64_t seed) : iState(seed * 6364136223846793005ull + 1442695040888963407ull) {}
    uint32_t next() {
        iState = iState * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(iState >> 33);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }

private:
    uint64_t iState;
};

// Puts the shipped format table into the program folder's "system/".
void installFormatTable(const testing_support::ProgramFolder& folder);

// Runs a command line through the shell; its exit status.
int run(const std::string& command);
// True when the program is found on PATH.
bool haveTool(const char* name);

// Writes a PNG straight through libpng: rows of raw samples (16-bit samples
// big-endian) in the given colour type and bit depth.
void writeRawPng(const std::string& path, int width, int height, int colorType, int bitDepth, const Bytes& samples,
                 int paletteEntries = 0);

// What libpng itself says about a PNG file.
struct PngFacts {
    int width = 0, height = 0, colorType = -1, bitDepth = 0, interlace = -1, paletteEntries = 0;
    // RGBA samples of every pixel at the file's own bit depth (palette
    // expanded, grey widened to RGB, opaque alpha added where none is).
    std::vector<uint16_t> rgba;
};
PngFacts pngFacts(const std::string& path);

}  // namespace image_test
