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
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t pos() const { return pos_; }
    bool atEnd() const { return pos_ >= size_; }
    bool has(std::size_t n) const { return n <= size_ - pos_; }
    uint8_t byte() { return data_[pos_++]; }  // callers check has() first
    int le16() {
        int v = data_[pos_] | (data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    const uint8_t* here() const { return data_ + pos_; }
    void skip(std::size_t n) { pos_ += n; }

    // Walks the data sub-blocks up to the zero-length block; each block's
    // bytes go to `out` when given. False when the data runs past the end.
    bool subBlocks(std::vector<uint8_t>* out) {
        for (;;) {
            if (!has(1)) return false;
            std::size_t n = byte();
            if (n == 0) return true;
            if (!has(n)) {
                if (out) out->insert(out->end(), here(), data_ + size_);  // keep what is there
                pos_ = size_;
                return false;
            }
            if (out) out->insert(out->end(), here(), here() + n);
            skip(n);
        }
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Reads a colour table of `entries` RGB triples into the first palette
// entries. False when the file ends inside it.
bool readColorTable(ByteReader& in, int entries, uint8_t* palette) {
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

}  // namespace

std::string gifDecode(const uint8_t* data, std::size_t size, int minCodeSize, int width,
                      int height, bool interlaced, uint8_t* pixels, bool* endCodeSeen) {
    *endCodeSeen = false;
    if (minCodeSize < 2 || minCodeSize > 8) return "Garbled data";

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    std::vector<uint16_t> prefix(kMaxCodes);
    std::vector<uint8_t> suffix(kMaxCodes), firstChar(kMaxCodes);
    std::vector<uint8_t> stack(kMaxCodes);
    for (int i = 0; i < clearCode; ++i) suffix[i] = firstChar[i] = static_cast<uint8_t>(i);

    const int64_t total = int64_t(width) * height;
    std::vector<int> rowOrder;
    if (interlaced) rowOrder = interlacedRowOrder(height);
    int64_t written = 0;
    int row = 0, column = 0;
    uint8_t* rowStart = pixels;
    if (interlaced && height > 0) rowStart = pixels + int64_t(rowOrder[0]) * width;
    auto put = [&](uint8_t value) {
        if (written >= total) return;  // the output is cut to the picture
        rowStart[column] = value;
        ++written;
        if (++column == width) {
            column = 0;
            if (++row < height)
                rowStart = pixels + int64_t(interlaced ? rowOrder[static_cast<std::size_t>(row)] : row) * width;
        }
    };

    int codeSize = minCodeSize + 1;
    int nextCode = clearCode + 2;
    int oldCode = -1;  // none since the last clear
    std::size_t bitPos = 0;
    const std::size_t totalBits = size * 8;
    std::string result;

    for (;;) {
        if (bitPos + static_cast<std::size_t>(codeSize) > totalBits) break;  // data used up
        int code = 0;
        for (int b = 0; b < codeSize; ++b, ++bitPos)
            code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1) << b;

        if (code == clearCode) {
            codeSize = minCodeSize + 1;
            nextCode = clearCode + 2;
            oldCode = -1;
            continue;
        }
        if (code == endCode) {
            *endCodeSeen = true;
            break;
        }
        if (code > nextCode || (code == nextCode && oldCode < 0) ||
            (oldCode < 0 && code >= clearCode)) {
            result = "Garbled data";
            break;
        }

        // Unwind the string of `code` (for the code not yet in the table:
        // the string of the previous code plus its own first character).
        int sp = 0;
        int cur = code;
        uint8_t first;
        if (code == nextCode) {
            stack[sp++] = firstChar[oldCode];
            cur = oldCode;
        }
        while (cur >= clearCode) {
            stack[sp++] = suffix[cur];
            cur = prefix[cur];
        }
        stack[sp++] = static_cast<uint8_t>(cur);
        first = static_cast<uint8_t>(cur);
        if (written < total)
            while (sp > 0) put(stack[--sp]);

        // A full table stays as it is until the encoder sends a clear code.
        if (oldCode >= 0 && nextCode < kMaxCodes) {
            prefix[nextCode] = static_cast<uint16_t>(oldCode);
            suffix[nextCode] = first;
            firstChar[nextCode] = firstChar[oldCode];
            ++nextCode;
            if (nextCode == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        oldCode = code;
    }

    if (!result.empty()) return result;
    if (*endCodeSeen) return {};
    if (written < total) return "Image short";
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
    if ((flags & 0x80) && !readColorTable(in, 1 << bits, picture->palette.data()))
        return "Invalid image header";

    bool decoded = false;
    while (!in.atEnd()) {
        std::size_t blockAt = in.pos();
        int block = in.byte();
        if (block == 0x21) {  // extension of any label: skipped with its data
            if (!in.has(1)) break;
            in.byte();
            if (!in.subBlocks(nullptr)) break;
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
            if (!in.subBlocks(nullptr)) break;
            continue;
        }

        if (localEntries && !readColorTable(in, localEntries, picture->palette.data()))
            return "Invalid image header";
        // Indices, and the alpha plane the loader adds: two bytes a pixel.
        if (!imageDecodedSizeAcceptable(width, height, 2)) return "Invalid image header";
        if (!in.has(1)) return "Image short";
        int minCodeSize = in.byte();
        std::vector<uint8_t> stream;
        in.subBlocks(&stream);  // a truncated stream is decoded as far as it goes

        picture->width = width;
        picture->height = height;
        picture->pixels8.assign(static_cast<std::size_t>(width) * height, 0);
        bool endCode = false;
        std::string error = gifDecode(stream.data(), stream.size(), minCodeSize, width, height,
                                      (imageFlags & 0x40) != 0, picture->pixels8.data(), &endCode);
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

// Collects bytes into data sub-blocks of at most 254 bytes.
class BlockWriter {
public:
    explicit BlockWriter(std::vector<uint8_t>& out) : out_(out) {}
    void putByte(uint8_t b) {
        block_[count_++] = b;
        if (count_ >= 254) flush();
    }
    void flush() {
        if (count_ == 0) return;
        out_.push_back(static_cast<uint8_t>(count_));
        out_.insert(out_.end(), block_, block_ + count_);
        count_ = 0;
    }

private:
    std::vector<uint8_t>& out_;
    uint8_t block_[256];
    std::size_t count_ = 0;
};

// The LZW compressor: 9-bit codes growing to 12, an open-addressing string
// table of 5003 slots, and a clear code whenever the code table fills.
class GifCompressor {
public:
    explicit GifCompressor(BlockWriter& out) : out_(out), hash_(kHashSize), codes_(kHashSize) {}

    void compress(const uint8_t* pixels, std::size_t count) {
        clearHash();
        output(kClearCode);
        if (count == 0) {
            output(kEndCode);
            flushBits();
            return;
        }
        int ent = pixels[0];
        for (std::size_t i = 1; i < count; ++i) {
            int c = pixels[i];
            int32_t fcode = (int32_t(c) << 12) + ent;
            int slot = (c << 4) ^ ent;
            if (hash_[slot] == fcode) {
                ent = codes_[slot];
                continue;
            }
            bool found = false;
            if (hash_[slot] >= 0) {
                int disp = slot == 0 ? 1 : kHashSize - slot;
                do {
                    slot -= disp;
                    if (slot < 0) slot += kHashSize;
                    if (hash_[slot] == fcode) {
                        found = true;
                        break;
                    }
                } while (hash_[slot] >= 0);
            }
            if (found) {
                ent = codes_[slot];
                continue;
            }
            output(ent);
            ent = c;
            codes_[slot] = freeEnt_++;
            hash_[slot] = fcode;
            if (freeEnt_ >= kMaxCodes) clearBlock();
        }
        output(ent);
        output(kEndCode);
        flushBits();
    }

private:
    static constexpr int kHashSize = 5003;
    static constexpr int kInitBits = 9;
    static constexpr int kClearCode = 256;
    static constexpr int kEndCode = 257;
    static constexpr int kFirstFree = 258;

    void clearHash() { std::fill(hash_.begin(), hash_.end(), -1); }

    void clearBlock() {
        clearHash();
        freeEnt_ = kFirstFree;
        clearFlag_ = true;
        output(kClearCode);
    }

    void output(int code) {
        accum_ |= uint32_t(code) << bits_;
        bits_ += nBits_;
        while (bits_ >= 8) {
            out_.putByte(static_cast<uint8_t>(accum_ & 0xFF));
            accum_ >>= 8;
            bits_ -= 8;
        }
        // The width grows once the next free code no longer fits it.
        if (clearFlag_) {
            nBits_ = kInitBits;
            clearFlag_ = false;
        } else if (freeEnt_ > (1 << nBits_) - 1 && nBits_ < 12) {
            ++nBits_;
        }
    }

    void flushBits() {
        while (bits_ > 0) {
            out_.putByte(static_cast<uint8_t>(accum_ & 0xFF));
            accum_ >>= 8;
            bits_ = bits_ > 8 ? bits_ - 8 : 0;
        }
        out_.flush();
    }

    BlockWriter& out_;
    std::vector<int32_t> hash_;
    std::vector<int> codes_;
    int freeEnt_ = kFirstFree;
    int nBits_ = kInitBits;
    bool clearFlag_ = false;
    uint32_t accum_ = 0;
    int bits_ = 0;
};

void putLE16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

std::string writeGIF(const char* fileName, const SaveRecord& record) {
    if (!record.pixels8 || !record.palette || record.width <= 0 || record.height <= 0 ||
        record.width > 0xFFFF || record.height > 0xFFFF)
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

    BlockWriter blocks(out);
    GifCompressor compressor(blocks);
    compressor.compress(record.pixels8, static_cast<std::size_t>(record.width) * record.height);
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
