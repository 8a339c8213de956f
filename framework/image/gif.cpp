#include "framework/image/gif.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "platform/os/files.h"

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// A bounds-checked reading position in the file's bytes.
class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : iData(data), iSize(size) {}
    std::size_t pos() const { return iPos; }
    bool atEnd() const { return iPos >= iSize; }
    bool has(std::size_t n) const { return n <= iSize - iPos; }
    uint8_t byte() { return iData[iPos++]; }  // callers check has() first
    int le16() {
        int v = iData[iPos] | (iData[iPos + 1] << 8);
        iPos += 2;
        return v;
    }
    const uint8_t* here() const { return iData + iPos; }
    void skip(std::size_t n) { iPos += n; }

    // Walks the data sub-blocks up to the zero-length block. False when the
    // data runs past the end.
    bool subBlocks() {
        for (;;) {
            if (!has(1)) return false;
            std::size_t n = byte();
            if (n == 0) return true;
            if (!has(n)) {
                iPos = iSize;
                return false;
            }
            skip(n);
        }
    }

private:
    const uint8_t* iData;
    std::size_t iSize;
    std::size_t iPos = 0;
};

// Reads a colour table of `entries` RGB triples into the first palette
// entries. False when the file ends inside it.
[[nodiscard]] bool readColorTable(ByteReader& in, int entries, uint8_t* palette) {
    if (!in.has(static_cast<std::size_t>(entries) * 3)) return false;
    for (int i = 0; i < entries; ++i) {
        palette[i] = in.byte();
        palette[256 + i] = in.byte();
        palette[512 + i] = in.byte();
    }
    return true;
}

// The order in which an interlaced picture's rows arrive: every 8th row
// from 0, every 8th from 4, every 4th from 2, every 2nd from 1. Passes that
// start beyond the last row are empty.
std::vector<int> interlacedRowOrder(int height) {
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(height));
    static const int start[4] = {0, 4, 2, 1};
    static const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < height; row += step[pass]) order.push_back(row);
    return order;
}

// Reads LZW codes, least significant bit first, straight from the chain of
// data sub-blocks through a 64-bit bit window: whole 8-byte loads inside a
// block, byte by byte across block edges.
class CodeReader {
public:
    // `data` is the first sub-block's length byte; `end` the end of the file.
    CodeReader(const uint8_t* data, const uint8_t* end) : iCursor(data), iBlockEnd(data), iEnd(end) {}

    // The next code of `width` bits; false once the data is used up (a code
    // cut short by the end counts as none).
    bool next(int width, int* code) {
        if (iBits < width) {
            refill();
            if (iBits < width) return false;
        }
        *code = static_cast<int>(iWindow & ((uint64_t(1) << width) - 1));
        iWindow >>= width;
        iBits -= width;
        return true;
    }

private:
    void refill() {
        while (iBits <= 56) {
            if (iCursor == iBlockEnd && !nextBlock()) return;
            if (iBlockEnd - iCursor >= 8) {  // a whole load inside the block
                uint64_t v;
                std::memcpy(&v, iCursor, 8);
                iWindow |= le64(v) << iBits;
                const int taken = (63 - iBits) >> 3;  // the bytes past these are loaded again next time
                iCursor += taken;
                iBits += taken * 8;
                return;
            }
            iWindow |= uint64_t(*iCursor++) << iBits;
            iBits += 8;
        }
    }
    // Steps into the next sub-block; false at the zero-length block or the
    // end of the file, and for good after that.
    bool nextBlock() {
        if (iDone || iCursor >= iEnd) {
            iDone = true;
            return false;
        }
        const std::size_t n = *iCursor++;
        iBlockEnd =
            iCursor + std::min<std::size_t>(n, static_cast<std::size_t>(iEnd - iCursor));  // a cut block: what is there
        if (iBlockEnd == iCursor) iDone = true;  // the terminator, or nothing left
        return !iDone;
    }
    static uint64_t le64(uint64_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return __builtin_bswap64(v);
#else
        return v;
#endif
    }

    const uint8_t* iCursor;
    const uint8_t* iBlockEnd;
    const uint8_t* iEnd;
    uint64_t iWindow = 0;
    int iBits = 0;
    bool iDone = false;
};

// The decoder's LZW code table: the control codes, the width of the next
// code and the strings of the codes defined so far. Every string the table
// holds was written to the output once already, so a code's string is kept
// as `length` bytes at `offset` of the output and copied from there instead
// of unwound through a prefix chain.
class CodeTable {
public:
    explicit CodeTable(int minCodeSize)
        : iMinCodeSize(minCodeSize), iClearCode(1 << minCodeSize), iEndCode(iClearCode + 1) {
        clear();
    }

    int clearCode() const { return iClearCode; }
    int endCode() const { return iEndCode; }
    // The width in bits of the next code.
    int codeSize() const { return iCodeSize; }
    // The first codes again (a clear code): no string defined yet.
    void clear() {
        iCodeSize = iMinCodeSize + 1;
        iNextCode = iClearCode + 2;
    }
    // The code the next string will be defined as.
    int nextCode() const { return iNextCode; }
    std::size_t offset(int code) const { return iOffset[code]; }
    std::size_t length(int code) const { return iLength[code]; }
    // Defines the next code; a full table stays as it is until the encoder
    // sends a clear code. The code width grows with the table.
    void add(std::size_t offset, std::size_t length) {
        if (iNextCode >= kMaxCodes) return;
        iOffset[iNextCode] = static_cast<uint32_t>(offset);
        iLength[iNextCode] = static_cast<uint16_t>(length);
        ++iNextCode;
        if (iNextCode == (1 << iCodeSize) && iCodeSize < 12) ++iCodeSize;
    }

private:
    const int iMinCodeSize;
    const int iClearCode;
    const int iEndCode;
    int iCodeSize = 0;
    int iNextCode = 0;
    uint32_t iOffset[kMaxCodes];
    uint16_t iLength[kMaxCodes];
};

// The pixel output: strings are written at `pos` of the `total` indices;
// they may run past the end of a cut picture, where only what fits is
// stored. Each returns the length of the string it wrote.
std::size_t putPixel(uint8_t* out, std::size_t total, std::size_t pos, int index) {
    if (pos < total) out[pos] = static_cast<uint8_t>(index);
    return 1;
}
// A string written before: `length` bytes at `from`.
std::size_t putString(uint8_t* out, std::size_t total, std::size_t pos, std::size_t from, std::size_t length) {
    if (pos + 16 <= total && length <= 16) {
        // Both halves are loaded before either is stored: the bytes past
        // the string are rewritten by the codes after.
        uint64_t a, b;
        std::memcpy(&a, out + from, 8);
        std::memcpy(&b, out + from + 8, 8);
        std::memcpy(out + pos, &a, 8);
        std::memcpy(out + pos + 8, &b, 8);
    } else if (pos < total) {
        std::memcpy(out + pos, out + from, std::min(length, total - pos));  // the source ends before pos
    }
    return length;
}
// The previous string (`length` bytes at `from`) and its own first byte.
std::size_t putStringAndFirst(uint8_t* out, std::size_t total, std::size_t pos, std::size_t from, std::size_t length) {
    if (pos < total) {
        std::memcpy(out + pos, out + from, std::min(length, total - pos));
        if (pos + length < total) out[pos + length] = out[from];
    }
    return length + 1;
}

}  // namespace

std::string gifDecode(const uint8_t* data, const uint8_t* end, int minCodeSize, int width, int height, bool interlaced,
                      uint8_t* pixels, bool* endCodeSeen) {
    *endCodeSeen = false;
    if (minCodeSize < 2 || minCodeSize > 8) return "Garbled data";

    // An interlaced picture is decoded row after row into a buffer of its
    // own and its rows put in place at the end.
    const std::size_t total = std::size_t(width) * std::size_t(height);
    std::vector<uint8_t> linear;
    uint8_t* out = pixels;
    if (interlaced) {
        linear.assign(total, 0);
        out = linear.data();
    }

    CodeReader reader(data, end);
    CodeTable table(minCodeSize);
    int oldCode = -1;  // none since the last clear
    std::size_t oldPos = 0, oldLen = 0;
    std::size_t pos = 0;  // pixels decoded, also beyond the picture (cut)
    std::string result;

    int code;
    while (reader.next(table.codeSize(), &code)) {
        if (code == table.clearCode()) {
            table.clear();
            oldCode = -1;
            continue;
        }
        if (code == table.endCode()) {
            *endCodeSeen = true;
            break;
        }
        if (code > table.nextCode() || (oldCode < 0 && code >= table.clearCode())) {
            result = "Garbled data";
            break;
        }

        std::size_t len;
        if (code < table.clearCode())
            len = putPixel(out, total, pos, code);
        else if (code < table.nextCode())
            len = putString(out, total, pos, table.offset(code), table.length(code));
        else  // the code being defined
            len = putStringAndFirst(out, total, pos, oldPos, oldLen);

        // From the second code after a clear on, each defines the next: the
        // previous string and this one's first byte (its offset kept within
        // the output: a string beyond the end of a cut picture is never
        // copied).
        if (oldCode >= 0) table.add(std::min(oldPos, total), oldLen + 1);
        oldCode = code;
        oldPos = pos;
        oldLen = len;
        pos += len;
    }

    // The fast copies may have run up to 16 bytes past the last string;
    // pixels no code reached stay 0.
    if (pos < total) std::memset(out + pos, 0, std::min<std::size_t>(16, total - pos));
    if (interlaced) {
        const std::vector<int> rows = interlacedRowOrder(height);
        for (std::size_t i = 0; i < rows.size(); ++i)
            std::memcpy(pixels + std::size_t(rows[i]) * width, out + i * width, static_cast<std::size_t>(width));
    }
    if (!result.empty()) return result;
    if (*endCodeSeen) return {};
    if (pos < total) return "Image short";
    return {};
}

std::string parseGif(const uint8_t* data, std::size_t size, PictureRecord* picture) {
    picture->formatName = "GIF";
    ByteReader in(data, size);
    if (!in.has(6) || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return "Invalid GIF id";
    bool is89a = data[4] == '9';
    in.skip(6);

    if (!in.has(7)) return "Invalid image header";
    in.le16();  // screen width and height: not used
    in.le16();
    int flags = in.byte();
    in.byte();  // background index: not used
    int aspect = in.byte();
    if (aspect != 0 && !is89a) return "Invalid image header";
    int bits = (flags & 7) + 1;
    picture->depth = bits;
    picture->palette.assign(768, 0);
    if ((flags & 0x80) && !readColorTable(in, 1 << bits, picture->palette.data())) return "Invalid image header";

    bool decoded = false;
    while (!in.atEnd()) {
        std::size_t blockAt = in.pos();
        int block = in.byte();
        if (block == 0x21) {  // extension of any label: skipped with its data
            if (!in.has(1)) break;
            in.byte();
            if (!in.subBlocks()) break;
            continue;
        }
        if (block != 0x2C) {
            if (block != 0x3B && !decoded) {
                char text[64];
                std::snprintf(text, sizeof text, "Unknown block type 0x%02x at 0x%x", block,
                              static_cast<unsigned>(blockAt));
                return text;
            }
            break;
        }

        if (!in.has(9)) return decoded ? std::string() : "Invalid image header";
        in.le16();  // left and top: not used
        in.le16();
        int width = in.le16();
        int height = in.le16();
        int imageFlags = in.byte();
        int localEntries = (imageFlags & 0x80) ? 1 << ((imageFlags & 7) + 1) : 0;

        if (decoded) {  // later images are skipped
            if (!in.has(static_cast<std::size_t>(localEntries) * 3)) break;
            in.skip(static_cast<std::size_t>(localEntries) * 3);
            if (!in.has(1)) break;
            in.byte();
            if (!in.subBlocks()) break;
            continue;
        }

        if (localEntries && !readColorTable(in, localEntries, picture->palette.data())) return "Invalid image header";
        // Indices, and the alpha plane the loader adds: two bytes a pixel;
        // an interlaced picture is decoded through a row buffer as large as
        // its indices.
        const bool interlaced = (imageFlags & 0x40) != 0;
        if (!imageDecodedSizeAcceptable(width, height, interlaced ? 3 : 2)) return "Invalid image header";
        if (!in.has(1)) return "Image short";
        int minCodeSize = in.byte();
        const uint8_t* stream = in.here();
        in.subBlocks();  // to the end of the data; a truncated stream is decoded as far as it goes

        picture->width = width;
        picture->height = height;
        picture->pixels8.assign(static_cast<std::size_t>(width) * height, 0);
        bool endCode = false;
        std::string error =
            gifDecode(stream, data + size, minCodeSize, width, height, interlaced, picture->pixels8.data(), &endCode);
        if (!error.empty()) return error;
        if (endCode) return "EOF";
        decoded = true;
    }
    if (!decoded) return "Missing image body";
    return {};
}

std::string readGifFile(const char* fileName, PictureRecord* picture) {
    picture->formatName = "GIF";
    FILE* f = platform::openFile(fileName, "rb");
    if (!f) return "Can not access file";
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
    std::fclose(f);
    picture->fileSize = static_cast<int32_t>(std::min<std::size_t>(data.size(), INT32_MAX));
    return parseGif(data.data(), data.size(), picture);
}

// --- writing ---------------------------------------------------------------

namespace {

// The LZW compressor: 9-bit codes growing to 12, an open-addressing string
// table of 5003 slots, and a clear code whenever the code table fills.
// Returns the compressed bytes framed into data sub-blocks of at most 254
// bytes, each behind its length byte, for one write. The state lives in
// locals, so the byte stores cannot make the compiler reload it.
std::vector<uint8_t> gifCompress(const uint8_t* pixels, std::size_t count) {
    constexpr int kHashSize = 5003;
    constexpr int kInitBits = 9;
    constexpr int kClearCode = 256;
    constexpr int kEndCode = 257;
    constexpr int kFirstFree = 258;
    constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    // A slot holds (prefix code and next pixel) << 12 | the string's code,
    // so one 32-bit load both tests and answers a probe.
    std::vector<uint32_t> table(kHashSize, kEmpty);
    // At most 12 bits a pixel, and a clear code every 3838 codes.
    std::vector<uint8_t> raw(count + count / 2 + 64);
    uint8_t* out = raw.data();
    uint32_t accum = 0;
    int bits = 0;
    int nBits = kInitBits;
    int freeEnt = kFirstFree;

    // Writes one code; the width grows once the next free code no longer
    // fits it, and returns to 9 bits after a clear code.
    auto output = [&](int code) {
        accum |= uint32_t(code) << bits;
        bits += nBits;
        while (bits >= 8) {
            *out++ = static_cast<uint8_t>(accum);
            accum >>= 8;
            bits -= 8;
        }
        if (code == kClearCode)
            nBits = kInitBits;
        else if (freeEnt > (1 << nBits) - 1 && nBits < 12)
            ++nBits;
    };

    output(kClearCode);
    if (count > 0) {
        int ent = pixels[0];
        for (std::size_t i = 1; i < count; ++i) {
            const int c = pixels[i];
            const uint32_t fcode = (uint32_t(c) << 12) + uint32_t(ent);
            int slot = (c << 4) ^ ent;
            uint32_t entry = table[std::size_t(slot)];
            if (entry != kEmpty && (entry >> 12) != fcode) {
                const int disp = slot == 0 ? 1 : kHashSize - slot;
                do {
                    slot -= disp;
                    if (slot < 0) slot += kHashSize;
                    entry = table[std::size_t(slot)];
                } while (entry != kEmpty && (entry >> 12) != fcode);
            }
            if (entry != kEmpty) {
                ent = static_cast<int>(entry & 0xFFF);
                continue;
            }
            output(ent);
            ent = c;
            table[std::size_t(slot)] = fcode << 12 | uint32_t(freeEnt++);
            if (freeEnt >= kMaxCodes) {  // the table is full: start afresh
                std::fill(table.begin(), table.end(), kEmpty);
                freeEnt = kFirstFree;
                output(kClearCode);
            }
        }
        output(ent);
    }
    output(kEndCode);
    while (bits > 0) {
        *out++ = static_cast<uint8_t>(accum);
        accum >>= 8;
        bits -= 8;
    }

    const std::size_t n = static_cast<std::size_t>(out - raw.data());
    std::vector<uint8_t> blocks;
    blocks.reserve(n + n / 254 + 1);
    for (std::size_t at = 0; at < n; at += 254) {
        const std::size_t len = std::min<std::size_t>(254, n - at);
        blocks.push_back(static_cast<uint8_t>(len));
        blocks.insert(blocks.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                      raw.begin() + static_cast<std::ptrdiff_t>(at + len));
    }
    return blocks;
}

void putLE16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

std::string writeGIF(const char* fileName, const SaveRecord& record) {
    if (!record.pixels8 || !record.palette || record.width <= 0 || record.height <= 0 || record.width > 0xFFFF ||
        record.height > 0xFFFF)
        return "File i/o error";  // nothing a GIF can hold

    // Encoded whole first, then written in one step: a failure never leaves
    // a cut file behind.
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    putLE16(out, record.width);
    putLE16(out, record.height);
    out.push_back(0xF7);  // global table of 256 entries, 8-bit colour resolution
    out.push_back(0);     // background
    out.push_back(0);     // aspect
    for (int i = 0; i < 256; ++i) {
        out.push_back(record.palette[i]);
        out.push_back(record.palette[256 + i]);
        out.push_back(record.palette[512 + i]);
    }
    out.push_back(0x2C);
    putLE16(out, 0);
    putLE16(out, 0);
    putLE16(out, record.width);
    putLE16(out, record.height);
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // minimum code size

    const std::vector<uint8_t> blocks =
        gifCompress(record.pixels8, static_cast<std::size_t>(record.width) * record.height);
    out.insert(out.end(), blocks.begin(), blocks.end());
    out.push_back(0);
    out.push_back(0x3B);

    bool opened = false;
    if (!writeUserFile(fileName, out.data(), out.size(), &opened))
        return opened ? "File i/o error" : "Could not open save file.";
    return {};
}

std::string exportGIF(const char* fileName, const SaveRecord& record) {
    std::string result = writeGIF(fileName, record);
    debugLog("exiting GIF export ");
    return result;
}
