#include "framework/image/png.h"

#include <png.h>
#include <zlib.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "platform/os/files.h"

// libpng reports errors by a long jump back to the caller's setjmp. The
// functions that hold a setjmp below work only on plain data (the state
// records and raw pointers): no C++ object lives in a frame the jump leaves.

namespace {

void pngError(png_structp png, png_const_charp message) {
    debugPrintfS("ERROR png: %s\n", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp message) { debugPrintfS("png warning: %s\n", message); }

// --- reading ---------------------------------------------------------------

struct PngReadState {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, channels = 0;
    png_size_t rowBytes = 0;
    int paletteCount = 0;
    png_color palette[256];
};

// Releases what the read state holds, on every road out of loadPNG.
class PngReadGuard {
public:
    explicit PngReadGuard(PngReadState* s) : iState(s) {}
    ~PngReadGuard() {
        if (iState->png) png_destroy_read_struct(&iState->png, iState->info ? &iState->info : nullptr, nullptr);
        if (iState->file) std::fclose(iState->file);
    }
    PngReadGuard(const PngReadGuard&) = delete;
    PngReadGuard& operator=(const PngReadGuard&) = delete;

private:
    PngReadState* iState;
};

// Reads the header and settles the transformations; 0 on success.
[[nodiscard]] int readPngHeader(PngReadState* s) {
    if (setjmp(png_jmpbuf(s->png))) return 1;
    png_init_io(s->png, s->file);
    png_set_user_limits(s->png, kMaxImageSide, kMaxImageSide);
    png_read_info(s->png, s->info);
    int colorType = png_get_color_type(s->png, s->info);
    int bitDepth = png_get_bit_depth(s->png, s->info);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s->png);
    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth < 8) png_set_packing(s->png);
    // 16-bit grey and grey with alpha have no form of their own: through RGB.
    if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth == 16) || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s->png);
    png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);

    s->width = png_get_image_width(s->png, s->info);
    s->height = png_get_image_height(s->png, s->info);
    s->bitDepth = png_get_bit_depth(s->png, s->info);
    s->colorType = png_get_color_type(s->png, s->info);
    s->channels = png_get_channels(s->png, s->info);
    s->rowBytes = png_get_rowbytes(s->png, s->info);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(s->png, s->info, &palette, &count) & PNG_INFO_PLTE) {
        if (count > 256) count = 256;
        std::memcpy(s->palette, palette, sizeof(png_color) * static_cast<std::size_t>(count));
        s->paletteCount = count;
    }
    return 0;
}

// Reads every row (interlacing undone) into the table; 0 on success.
[[nodiscard]] int readPngRows(PngReadState* s, png_bytep* rows) {
    if (setjmp(png_jmpbuf(s->png))) return 1;
    png_read_image(s->png, rows);
    return 0;
}

// The chunks after the image data; a fault there costs no pixels.
void readPngEnd(PngReadState* s) {
    if (setjmp(png_jmpbuf(s->png))) return;
    png_read_end(s->png, nullptr);
}

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

std::string loadPNG(const char* fileName, PictureRecord* picture) {
    PngReadState state;
    PngReadGuard guard(&state);
    state.file = platform::openFile(fileName, "rb");
    if (!state.file) return "Could not open file";
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!state.png) return "Could not allocate PNG structure";
    state.info = png_create_info_struct(state.png);
    if (!state.info) return "Could not create PNG info stucture";
    if (readPngHeader(&state) != 0) return "Could not read file";

    const int width = static_cast<int>(state.width), height = static_cast<int>(state.height);
    const bool sixteen = state.bitDepth == 16;
    int depth = 0;  // bits per pixel of the form the picture gets
    switch (state.colorType) {
    case PNG_COLOR_TYPE_PALETTE:
    case PNG_COLOR_TYPE_GRAY: depth = state.bitDepth == 8 ? 8 : 0; break;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA: depth = state.bitDepth == 8 ? 24 : sixteen ? 48 : 0; break;
    default: break;
    }
    debugPrintfII("depth = %d bts=%d", depth, state.bitDepth);
    if (depth == 0 || !imageSizeAcceptable(width, height) ||
        state.rowBytes < static_cast<png_size_t>(width) * static_cast<png_size_t>(state.channels))
        return "Could not read file";  // a form this reader cannot serve
    // Decoded: libpng's rows, then the picture's own pixels and alpha, and
    // the 8-bit alpha plane the loader gives every picture (from the 16-bit
    // one, when there is one).
    const bool hasAlpha = state.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
    const int64_t pictureBytes = 1 + (depth == 8 ? 1 : depth == 24 ? 3 : 6 + (hasAlpha ? 2 : 0));
    const int64_t rowBytesPerPixel = (static_cast<int64_t>(state.rowBytes) + width - 1) / width;
    if (!imageDecodedSizeAcceptable(width, height, rowBytesPerPixel + pictureBytes)) return "Could not read file";

    std::vector<uint8_t> buffer(state.rowBytes * static_cast<std::size_t>(height));
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = buffer.data() + state.rowBytes * static_cast<std::size_t>(y);
    if (readPngRows(&state, rows.data()) != 0) return "Could not read file";
    readPngEnd(&state);

    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    picture->width = width;
    picture->height = height;
    picture->depth = depth;
    if (depth == 8) {
        picture->pixels8.resize(count);
        for (int y = 0; y < height; ++y)
            std::memcpy(&picture->pixels8[static_cast<std::size_t>(y) * width], rows[y],
                        static_cast<std::size_t>(width));
        picture->palette.assign(768, 0);
        uint8_t* pal = picture->palette.data();
        if (state.colorType == PNG_COLOR_TYPE_GRAY) {
            for (int i = 0; i < 256; ++i) pal[i] = pal[256 + i] = pal[512 + i] = static_cast<uint8_t>(i);
        } else {
            for (int i = 0; i < state.paletteCount; ++i) {
                pal[i] = state.palette[i].red;
                pal[256 + i] = state.palette[i].green;
                pal[512 + i] = state.palette[i].blue;
            }
        }
    } else if (depth == 24) {
        picture->pixels24.resize(count * 3);
        if (hasAlpha) picture->alpha8.resize(count);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = rows[y];
            std::size_t at = static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x, ++at) {
                std::memcpy(&picture->pixels24[at * 3], src, 3);
                if (hasAlpha) picture->alpha8[at] = src[3];
                src += state.channels;
            }
        }
    } else {
        picture->pixels48.resize(count * 3);
        if (hasAlpha) picture->alpha16.resize(count);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = rows[y];
            std::size_t at = static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x, ++at) {
                for (int c = 0; c < 3; ++c) picture->pixels48[at * 3 + c] = bigEndian16(src + 2 * c);
                if (hasAlpha) picture->alpha16[at] = bigEndian16(src + 6);
                src += 2 * state.channels;
            }
        }
    }
    return {};
}

std::string loadPngFile(const char* fileName, PictureRecord* picture) {
    picture->formatName = "PNG";
    int64_t size = fileSizeOf(fileName);
    if (size < 0) return "Can not access file";
    picture->fileSize = static_cast<int32_t>(size > INT32_MAX ? INT32_MAX : size);
    debugLog("loading PNG file format ");
    std::string error = loadPNG(fileName, picture);
    if (!error.empty()) {
        debugPrintfS("PNG failed %s", error.c_str());
        PictureRecord empty;  // a failed read hands over no pixels
        empty.fileSize = picture->fileSize;
        empty.formatName = "PNG";
        *picture = std::move(empty);
    }
    return error;
}

// --- writing ---------------------------------------------------------------

namespace {

struct PngWriteState {
    std::vector<uint8_t>* bytes = nullptr;  // the encoded file, written whole at the end
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0, height = 0;
    int bitDepth = 8, colorType = 0, interlace = 0;
    png_color palette[256];
    png_bytep* rows = nullptr;
};

class PngWriteGuard {
public:
    explicit PngWriteGuard(PngWriteState* s) : iState(s) {}
    ~PngWriteGuard() {
        if (iState->png) png_destroy_write_struct(&iState->png, iState->info ? &iState->info : nullptr);
    }
    PngWriteGuard(const PngWriteGuard&) = delete;
    PngWriteGuard& operator=(const PngWriteGuard&) = delete;

private:
    PngWriteState* iState;
};

void appendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushPngBytes(png_structp) {}

[[nodiscard]] int writePngStream(PngWriteState* s) {
    if (setjmp(png_jmpbuf(s->png))) return 1;
    png_set_write_fn(s->png, s->bytes, appendPngBytes, flushPngBytes);
    png_set_filter(s->png, 0, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH);
    png_set_compression_level(s->png, 9);
    png_set_compression_mem_level(s->png, 8);
    png_set_compression_strategy(s->png, Z_DEFAULT_STRATEGY);
    png_set_compression_window_bits(s->png, 15);
    png_set_compression_method(s->png, 8);
    png_set_IHDR(s->png, s->info, s->width, s->height, s->bitDepth, s->colorType,
                 s->interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (s->colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(s->png, s->info, s->palette, 256);
    png_color_8 sig;
    std::memset(&sig, 0, sizeof sig);
    int sigBits = s->colorType == PNG_COLOR_TYPE_PALETTE ? 8 : s->bitDepth;
    sig.red = sig.green = sig.blue = sig.alpha = static_cast<png_byte>(sigBits);
    png_set_sBIT(s->png, s->info, &sig);
    png_write_info(s->png, s->info);
    png_write_image(s->png, s->rows);
    png_write_end(s->png, s->info);
    return 0;
}

void putBigEndian16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

}  // namespace

std::string savePNG(const char* fileName, const SaveRecord& r, int interlace) {
    const std::size_t count =
        static_cast<std::size_t>(r.width > 0 ? r.width : 0) * static_cast<std::size_t>(r.height > 0 ? r.height : 0);
    if (count == 0 || !imageSizeAcceptable(r.width, r.height) || (!r.pixels8 && !r.pixels24 && !r.pixels48) ||
        (r.pixels8 && !r.palette))
        return "PNG Creation failure";  // nothing a PNG can hold

    bool transparent = false;
    for (std::size_t i = 0; r.alpha8 && !transparent && i < count; ++i) transparent = r.alpha8[i] != 255;
    for (std::size_t i = 0; r.alpha16 && !transparent && i < count; ++i) transparent = r.alpha16[i] != 65535;

    PngWriteState state;
    state.width = static_cast<png_uint_32>(r.width);
    state.height = static_cast<png_uint_32>(r.height);
    state.interlace = interlace == 1;
    state.bitDepth = (r.pixels48 || (transparent && r.alpha16)) ? 16 : 8;
    // Pixels come from one form: 48-bit first, then 8-bit, then 24-bit.
    const bool from48 = r.pixels48 != nullptr;
    const bool from8 = !from48 && r.pixels8;
    state.colorType = transparent                    ? PNG_COLOR_TYPE_RGB_ALPHA
                      : from8 && state.bitDepth == 8 ? PNG_COLOR_TYPE_PALETTE
                                                     : PNG_COLOR_TYPE_RGB;
    if (r.palette)
        for (int i = 0; i < 256; ++i) state.palette[i] = {r.palette[i], r.palette[256 + i], r.palette[512 + i]};

    // Rows in the file's own layout: the image's rows where they already
    // are, else one converted buffer.
    const int channels = state.colorType == PNG_COLOR_TYPE_PALETTE ? 1 : transparent ? 4 : 3;
    const std::size_t sampleBytes = state.bitDepth == 16 ? 2 : 1;
    const std::size_t rowBytes = static_cast<std::size_t>(r.width) * channels * sampleBytes;
    std::vector<uint8_t> buffer;
    std::vector<png_bytep> rows(static_cast<std::size_t>(r.height));
    if (state.colorType == PNG_COLOR_TYPE_PALETTE || (!from48 && !from8 && !transparent && state.bitDepth == 8)) {
        const uint8_t* base = state.colorType == PNG_COLOR_TYPE_PALETTE ? r.pixels8 : r.pixels24;
        for (int y = 0; y < r.height; ++y)
            rows[y] = const_cast<png_bytep>(base + rowBytes * static_cast<std::size_t>(y));
    } else {
        buffer.resize(rowBytes * static_cast<std::size_t>(r.height));
        uint8_t* out = buffer.data();
        for (std::size_t i = 0; i < count; ++i) {
            uint16_t rgb[3];
            uint16_t a;
            if (from48) {
                for (int c = 0; c < 3; ++c) rgb[c] = r.pixels48[i * 3 + c];
            } else if (from8) {
                for (int c = 0; c < 3; ++c) rgb[c] = r.palette[256 * c + r.pixels8[i]];
            } else {
                for (int c = 0; c < 3; ++c) rgb[c] = r.pixels24[i * 3 + c];
            }
            if (state.bitDepth == 16) {
                if (!from48)
                    for (uint16_t& v : rgb) v = static_cast<uint16_t>(v * 257);
                a = r.alpha16 ? r.alpha16[i] : r.alpha8 ? static_cast<uint16_t>(r.alpha8[i] * 257) : 65535;
                for (int c = 0; c < 3; ++c, out += 2) putBigEndian16(out, rgb[c]);
                if (transparent) putBigEndian16(out, a), out += 2;
            } else {
                a = r.alpha8 ? r.alpha8[i] : r.alpha16 ? static_cast<uint16_t>(r.alpha16[i] >> 8) : 255;
                for (int c = 0; c < 3; ++c) *out++ = static_cast<uint8_t>(rgb[c]);
                if (transparent) *out++ = static_cast<uint8_t>(a);
            }
        }
        for (int y = 0; y < r.height; ++y) rows[y] = buffer.data() + rowBytes * static_cast<std::size_t>(y);
    }
    state.rows = rows.data();

    std::vector<uint8_t> encoded;
    {
        PngWriteGuard guard(&state);
        state.bytes = &encoded;
        state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
        if (!state.png) return "Out of memory";
        state.info = png_create_info_struct(state.png);
        if (!state.info) return "Out of memory";
        if (writePngStream(&state) != 0) return "PNG Creation failure";
    }
    // Encoded whole first: a failure never leaves a cut file behind.
    bool opened = false;
    if (!writeUserFile(fileName, encoded.data(), encoded.size(), &opened))
        return opened ? "PNG Creation failure" : "Could not open file.";
    return {};
}

std::string writePngFile(const char* fileName, const SaveRecord& record, int interlace) {
    return savePNG(fileName, record, interlace);
}
