#include "framework/image/tests/fixtures.h"

#include <png.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace image_test {

CodePacker::CodePacker(int minCodeSize) : iMin(minCodeSize), iWidth(minCodeSize + 1), iNext((1 << minCodeSize) + 2) {}

void CodePacker::code(int c) {
    iAcc |= uint32_t(c) << iBits;
    iBits += iWidth;
    while (iBits >= 8) {
        iOut.push_back(static_cast<uint8_t>(iAcc & 0xFF));
        iAcc >>= 8;
        iBits -= 8;
    }
    if (c == clearCode()) {
        iWidth = iMin + 1;
        iNext = clearCode() + 2;
        iFirst = true;
        return;
    }
    if (iFirst) {  // the first code after a clear adds no table entry
        iFirst = false;
        return;
    }
    if (iNext < 4096) {
        ++iNext;
        if (iNext == (1 << iWidth) && iWidth < 12) ++iWidth;
    }
}

Bytes CodePacker::bytes() const {
    Bytes b = iOut;
    if (iBits > 0) b.push_back(static_cast<uint8_t>(iAcc & 0xFF));
    return b;
}

GifBuilder& GifBuilder::raw(std::initializer_list<uint8_t> b) {
    iBytes.insert(iBytes.end(), b);
    return *this;
}
GifBuilder& GifBuilder::raw(const Bytes& b) {
    iBytes.insert(iBytes.end(), b.begin(), b.end());
    return *this;
}
GifBuilder& GifBuilder::header(const char* id) {
    iBytes.insert(iBytes.end(), id, id + 6);
    return *this;
}
GifBuilder& GifBuilder::screen(int width, int height, int bits, bool globalTable, int aspect) {
    uint8_t flags = static_cast<uint8_t>((globalTable ? 0x80 : 0) | 0x70 | ((bits - 1) & 7));
    return raw({uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), flags, 0, uint8_t(aspect)});
}
GifBuilder& GifBuilder::colorTable(int bits, int offset) {
    for (int i = 0; i < (1 << bits); ++i)
        raw({uint8_t(i * 10 + offset), uint8_t(i * 20 + offset), uint8_t(i * 30 + offset)});
    return *this;
}
GifBuilder& GifBuilder::extension(uint8_t label, const Bytes& data) {
    raw({0x21, label});
    for (std::size_t at = 0; at < data.size(); at += 255) {
        std::size_t n = std::min<std::size_t>(255, data.size() - at);
        iBytes.push_back(static_cast<uint8_t>(n));
        iBytes.insert(iBytes.end(), data.begin() + at, data.begin() + at + n);
    }
    return raw({0});
}
GifBuilder& GifBuilder::image(int width, int height, int flags) {
    return raw(
        {0x2C, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), uint8_t(flags)});
}
GifBuilder& GifBuilder::data(int minCodeSize, const Bytes& stream, bool terminate) {
    iBytes.push_back(static_cast<uint8_t>(minCodeSize));
    for (std::size_t at = 0; at < stream.size(); at += 255) {
        std::size_t n = std::min<std::size_t>(255, stream.size() - at);
        iBytes.push_back(static_cast<uint8_t>(n));
        iBytes.insert(iBytes.end(), stream.begin() + at, stream.begin() + at + n);
    }
    if (terminate) iBytes.push_back(0);
    return *this;
}

std::vector<WalkedCode> walkGifCodes(const Bytes& gif) {
    // The writer's layout: header, screen, 768-byte table, descriptor.
    std::size_t at = 6 + 7 + 768 + 10;
    if (gif.size() <= at) throw std::runtime_error("no image data");
    int min = gif[at++];
    Bytes stream;
    while (at < gif.size() && gif[at] != 0) {
        std::size_t n = gif[at++];
        stream.insert(stream.end(), gif.begin() + at, gif.begin() + at + n);
        at += n;
    }
    std::vector<WalkedCode> out;
    int clear = 1 << min, width = min + 1, next = clear + 2;
    bool first = true;
    std::size_t bit = 0;
    while (bit + width <= stream.size() * 8) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bit) code |= ((stream[bit >> 3] >> (bit & 7)) & 1) << b;
        out.push_back({code, next, width});
        if (code == clear + 1) break;
        if (code == clear) {
            width = min + 1, next = clear + 2, first = true;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (next < 4096 && ++next == (1 << width) && width < 12) ++width;
    }
    return out;
}

void putChunk(Bytes* out, const char* type, const Bytes& body) {
    uint32_t n = uint32_t(body.size());
    out->insert(out->end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    uint32_t crc = uint32_t(crc32(0, typed.data(), uInt(typed.size())));
    out->insert(out->end(), typed.begin(), typed.end());
    out->insert(out->end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

Bytes pngWithHeader(uint32_t w, uint32_t h, uint8_t bitDepth, uint8_t colorType) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(&out, "IHDR",
             {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w), uint8_t(h >> 24), uint8_t(h >> 16),
              uint8_t(h >> 8), uint8_t(h), bitDepth, colorType, 0, 0, 0});
    return out;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void installFormatTable(const testing_support::ProgramFolder& folder) {
    folder.copyFromSource("data/system/mformats", "system/mformats");
}

int run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const char* name) { return run(std::string("command -v ") + name + " >/dev/null 2>&1") == 0; }

void writeRawPng(const std::string& path, int width, int height, int colorType, int bitDepth, const Bytes& samples,
                 int paletteEntries) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        throw std::runtime_error("libpng write failed");
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, bitDepth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {uint8_t(255 - i), uint8_t(i * 3), uint8_t(i * 7)};
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, paletteEntries);
    png_write_info(png, info);
    int channels = colorType == PNG_COLOR_TYPE_RGB          ? 3
                   : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                   : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                            : 1;
    std::size_t rowBytes = (std::size_t(width) * channels * bitDepth + 7) / 8;
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(samples.data() + rowBytes * y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

PngFacts pngFacts(const std::string& path) {
    PngFacts facts;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return facts;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    Bytes buffer;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        facts.colorType = -2;
        return facts;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    facts.width = static_cast<int>(png_get_image_width(png, info));
    facts.height = static_cast<int>(png_get_image_height(png, info));
    facts.colorType = png_get_color_type(png, info);
    facts.bitDepth = png_get_bit_depth(png, info);
    facts.interlace = png_get_interlace_type(png, info);
    png_colorp pal;
    int n = 0;
    if (png_get_PLTE(png, info, &pal, &n)) facts.paletteEntries = n;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    if (!(facts.colorType & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    std::size_t rowBytes = png_get_rowbytes(png, info);
    int depth = png_get_bit_depth(png, info);
    buffer.resize(rowBytes * facts.height);
    rows.resize(facts.height);
    for (int y = 0; y < facts.height; ++y) rows[y] = buffer.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    std::size_t count = std::size_t(facts.width) * facts.height * 4;
    facts.rgba.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        facts.rgba[i] = depth == 16 ? uint16_t(buffer[2 * i] << 8 | buffer[2 * i + 1]) : buffer[i];
    return facts;
}

}  // namespace image_test
