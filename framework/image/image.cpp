#include "framework/image/image.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/image/gif.h"
#include "framework/image/png.h"
#include "framework/image/quantize.h"
#include "platform/os/files.h"

bool imageSizeAcceptable(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

bool imageDecodedSizeAcceptable(int64_t width, int64_t height, int64_t bytesPerPixel) {
    if (!imageSizeAcceptable(width, height)) return false;
    if (width * height * bytesPerPixel <= kMaxDecodedBytes) return true;
    debugPrintfII("ERROR: a picture of %d x %d pixels is too large once decoded; refused\n", static_cast<int>(width),
                  static_cast<int>(height));
    return false;
}

int64_t fileSizeOf(const char* fileName) {
    FILE* f = platform::openFile(fileName, "rb");
    if (!f) return -1;
    int64_t size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fclose(f);
    return size;
}

// --- the record ------------------------------------------------------------

Image::Image() = default;
Image::~Image() = default;

void Image::clear() {
    debugPrintfS("~ik1 identifier=%s ", iIdentifier.c_str());
    iSubImage[0].reset();
    iSubImage[1].reset();
    debugLog("~ik2 ");
    std::vector<uint8_t>().swap(iPixels8);
    debugLog("~ik3 ");
    std::vector<uint8_t>().swap(iPalette);
    debugLog("~ik4 ");
    std::vector<uint8_t>().swap(iPixels24);
    debugLog("~ik5 ");
    std::vector<uint16_t>().swap(iPixels48);
    debugLog("~ik6 ");
    std::vector<uint8_t>().swap(iAlpha);
    std::vector<uint16_t>().swap(iAlpha16);
    debugLog("~ik7 ");
}

Image* initImage() { return new Image(); }

void initImage(Image* image) {
    if (!image) return;
    image->clear();
    image->iWidth = image->iHeight = image->iDepth = image->iFileSize = 0;
    image->iQuality = 100;
    image->iIdentifier.clear();
    image->iFileName.clear();
}

void deleteImage(Image* image) {
    if (!image) return;
    image->clear();
    delete image;
}

SaveRecord Image::saveRecord() const {
    SaveRecord r;
    r.width = iWidth;
    r.height = iHeight;
    std::size_t count =
        static_cast<std::size_t>(iWidth > 0 ? iWidth : 0) * static_cast<std::size_t>(iHeight > 0 ? iHeight : 0);
    if (iPixels8.size() >= count && count && iPalette.size() >= 768) {
        r.pixels8 = iPixels8.data();
        r.palette = iPalette.data();
    }
    if (iPixels24.size() >= count * 3 && count) r.pixels24 = iPixels24.data();
    if (iPixels48.size() >= count * 3 && count) r.pixels48 = iPixels48.data();
    if (iAlpha.size() >= count && count) r.alpha8 = iAlpha.data();
    if (iAlpha16.size() >= count && count) r.alpha16 = iAlpha16.data();
    return r;
}

// --- the placeholder -------------------------------------------------------

void makeXOutImage(Image* image) {
    debugLog("xout");
    constexpr int n = 256;
    image->iWidth = image->iHeight = n;
    image->iDepth = 8;
    image->iPixels8.assign(n * n, 0);
    image->iPalette.assign(768, 0);
    std::vector<uint8_t>().swap(image->iPixels24);
    std::vector<uint16_t>().swap(image->iPixels48);
    std::vector<uint16_t>().swap(image->iAlpha16);
    uint8_t* p = image->iPixels8.data();
    for (int row = 0; row < n; ++row) {
        for (int x : {row, n - 1 - row}) {
            p[row * n + x] = 1;
            // Widen the stroke: one place in from the edge, then two.
            for (int d = 1; d <= 2; ++d) {
                if (row < d || row > n - 1 - d) continue;
                p[(row - d) * n + x] = p[(row + d) * n + x] = 1;
                if (x >= d) p[row * n + x - d] = 1;
                if (x + d < n) p[row * n + x + d] = 1;
            }
        }
    }
    uint8_t* pal = image->iPalette.data();
    pal[0] = pal[256] = pal[512] = 255;
    pal[1] = pal[257] = pal[513] = 64;
    pal[2] = pal[258] = pal[514] = 192;
    image->iAlpha.resize(n * n);
    for (int i = 0; i < n * n; ++i) image->iAlpha[i] = p[i] ? 255 : 0;
}

// --- format detection ------------------------------------------------------

namespace {

// One line of the format table, or false when it is not a usable entry.
struct FormatLine {
    long offset = 0;
    std::string type, value, token, description;
};

[[nodiscard]] bool parseFormatLine(const std::string& line, FormatLine* out) {
    const char* p = line.c_str();
    char* end = nullptr;
    out->offset = std::strtol(p, &end, 10);
    if (end == p) return false;
    p = end;
    auto word = [&p](std::string* w) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        w->assign(start, p);
        return !w->empty();
    };
    if (!word(&out->type) || !word(&out->value) || !word(&out->token)) return false;
    while (*p == ' ' || *p == '\t') ++p;
    out->description = p;
    return true;
}

bool formatMatches(const FormatLine& f, const uint8_t* head, std::size_t got) {
    if (f.offset < 0) return false;
    std::size_t at = static_cast<std::size_t>(f.offset);
    if (f.type == "short") {
        if (at > 510 || at + 2 > got) return false;
        const char* v = f.value.c_str();
        long value =
            (f.value.size() > 1 && v[1] == 'x') ? std::strtol(v + 2, nullptr, 16) : std::strtol(v, nullptr, 10);
        return ((head[at] << 8) | head[at + 1]) == value;
    }
    if (f.type == "string") {
        std::size_t n = f.value.size();
        if (at + n > 512 || at + n > got) return false;
        return std::memcmp(head + at, f.value.data(), n) == 0;
    }
    return false;
}

}  // namespace

std::string detectFileFormat(const char* fileName, std::string* description) {
    if (description) *description = "unknown";
    uint8_t head[512];
    FILE* f = platform::openFile(fileName, "rb");
    if (!f) {
        debugLog("FILE fff img open error");
        return {};
    }
    std::size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);

    FILE* table = openDataFile(windowsPath("system/mformats"), "r");
    if (!table) {
        debugLog("FILE fff mformats error");
        return {};
    }
    std::string token;
    std::string line;
    int c = 0;
    while (token.empty() && c != EOF) {
        line.clear();
        while ((c = std::fgetc(table)) != EOF && c != '\n') line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        FormatLine entry;
        if (!parseFormatLine(line, &entry) || !formatMatches(entry, head, got)) continue;
        token = entry.token;
        if (description) *description = entry.description;
    }
    std::fclose(table);
    return token;
}

// --- raw textures ----------------------------------------------------------

bool readRawTexture(const char* fileName, PictureRecord* picture) {
    FILE* f = platform::openFile(fileName, "rb");
    if (!f) return false;
    uint8_t header[12] = {};
    std::size_t got = std::fread(header, 1, sizeof header, f);
    auto side = [&](int at) {
        int32_t v = 0;
        if (got >= static_cast<std::size_t>(at + 4))
            v = static_cast<int32_t>(uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 |
                                     uint32_t(header[at + 2]) << 16 | uint32_t(header[at + 3]) << 24);
        return (v < 1 || v > 1500) ? 1500 : v;
    };
    picture->width = side(0);
    picture->height = side(4);
    picture->depth = 8;
    std::size_t count = static_cast<std::size_t>(picture->width) * picture->height;
    picture->pixels8.assign(count, 0);  // a short file leaves the rest black
    if (got == sizeof header) std::fread(picture->pixels8.data(), 1, count, f);
    std::fclose(f);
    picture->palette.resize(768);
    for (int i = 0; i < 256; ++i)
        picture->palette[i] = picture->palette[256 + i] = picture->palette[512 + i] = static_cast<uint8_t>(i);
    return true;
}

// --- loading ---------------------------------------------------------------

namespace {

bool endsInTxr(const std::string& name) {
    if (name.size() <= 4) return false;
    return compareNoCase(name.c_str() + name.size() - 4, ".TXR") == 0;
}

void writeLoadMessage(const std::string& error) {
    // Only a note beside the log line: a failure to write it is logged too.
    (void)writeUserFile("msg.txt", "Load error message: " + error + "\n");
}

}  // namespace

int Image::loadFile(const char* fileName) {
    iFileName = fileName ? std::string(fileName).substr(0, 255) : std::string();
    return load();
}

int Image::load() {
    clear();
    const char* name = iFileName.c_str();
    debugPrintfS("token fn=%s", name);
    PictureRecord picture;
    std::string description;
    std::string token = detectFileFormat(name, &description);

    std::string error = "Unknown file format";
    if (token == "GIF") {
        error = readGifFile(name, &picture);
        if (error == "EOF") error.clear();
        if (!error.empty()) debugPrintfS("ERROR GIF loader returned %s", error.c_str());
    } else if (token == "PNG") {
        error = loadPngFile(name, &picture);
    }
    if (error.empty() && picture.fileSize == 0) {
        int64_t size = fileSizeOf(name);
        if (size > 0) picture.fileSize = static_cast<int32_t>(size > INT32_MAX ? INT32_MAX : size);
    }
    if (!error.empty()) {
        debugPrintfS("load error msg=%s", error.c_str());
        writeLoadMessage(error);
    }

    // The option is written before it is tested, so textures are always
    // tried (also when no options store exists).
    setIntOption("enableHuecraftFeatures", 1);
    bool texturesOn = !options || getIntOption("enableHuecraftFeatures") != 0;
    if (error == "Unknown file format" && texturesOn && endsInTxr(iFileName)) {
        PictureRecord texture;
        if (readRawTexture(name, &texture)) {
            picture = std::move(texture);
            error.clear();
        }
    }

    iWidth = picture.width;
    iHeight = picture.height;
    iDepth = picture.depth;
    iFileSize = picture.fileSize;
    iPixels8 = std::move(picture.pixels8);
    iPalette = std::move(picture.palette);
    iPixels24 = std::move(picture.pixels24);
    iPixels48 = std::move(picture.pixels48);
    iAlpha = std::move(picture.alpha8);
    iAlpha16 = std::move(picture.alpha16);
    if (iPixels8.empty()) std::vector<uint8_t>().swap(iPalette);

    std::size_t count = static_cast<std::size_t>(iWidth) * static_cast<std::size_t>(iHeight);
    if (error.empty() && iAlpha.empty() && hasPixels()) {
        iAlpha.resize(count);
        if (iAlpha16.size() == count)
            for (std::size_t i = 0; i < count; ++i) iAlpha[i] = static_cast<uint8_t>(iAlpha16[i] >> 8);
        else
            std::fill(iAlpha.begin(), iAlpha.end(), 255);
    }
    if (!hasPixels()) makeXOutImage(this);
    return error.empty() ? 1 : 0;
}

// --- colour conversion -----------------------------------------------------

void Image::toRGB24() {
    if (!iPixels24.empty()) return;
    std::size_t count =
        static_cast<std::size_t>(iWidth > 0 ? iWidth : 0) * static_cast<std::size_t>(iHeight > 0 ? iHeight : 0);
    if (iPixels48.size() >= count * 3 && !iPixels48.empty()) {
        iPixels24.resize(count * 3);
        for (std::size_t i = 0; i < count * 3; ++i) iPixels24[i] = static_cast<uint8_t>(iPixels48[i] >> 8);
    } else if (iPixels8.size() >= count && !iPixels8.empty() && iPalette.size() >= 768) {
        iPixels24.resize(count * 3);
        for (std::size_t i = 0; i < count; ++i) {
            uint8_t index = iPixels8[i];
            iPixels24[3 * i] = iPalette[index];
            iPixels24[3 * i + 1] = iPalette[256 + index];
            iPixels24[3 * i + 2] = iPalette[512 + index];
        }
        std::vector<uint8_t>().swap(iPixels8);
        std::vector<uint8_t>().swap(iPalette);
    }
    std::vector<uint16_t>().swap(iPixels48);
}

void Image::assure24() {
    if (iPixels24.empty() && iPixels48.empty()) toRGB24();
}

namespace {

// Reduces an image's colour to 8-bit indices and a 768-byte palette without
// touching the image.
void quantizeToEight(const Image& image, std::vector<uint8_t>* indices, std::vector<uint8_t>* palette) {
    std::size_t count = static_cast<std::size_t>(image.iWidth) * static_cast<std::size_t>(image.iHeight);
    std::vector<uint8_t> rgb;
    const uint8_t* source = image.iPixels24.data();
    if (image.iPixels24.size() < count * 3) {
        rgb.resize(count * 3);
        for (std::size_t i = 0; i < count * 3 && i < image.iPixels48.size(); ++i)
            rgb[i] = static_cast<uint8_t>(image.iPixels48[i] >> 8);
        source = rgb.data();
    }
    indices->assign(count, 0);
    palette->assign(768, 0);
    ppmQuantRaw24(indices->data(), source, palette->data(), image.iWidth, image.iHeight, 256);
}

}  // namespace

void Image::convertTo8() {
    if (iPixels24.empty() && iPixels48.empty()) return;
    debugPrintfII("assure 24 %d %d", iWidth, iHeight);
    toRGB24();
    std::vector<uint8_t> indices, palette;
    debugLog("conv24->8 ");
    quantizeToEight(*this, &indices, &palette);
    debugLog("set8 ");
    iPixels8 = std::move(indices);
    iPalette = std::move(palette);
    std::vector<uint8_t>().swap(iPixels24);
    std::vector<uint16_t>().swap(iPixels48);
}

// --- saving ----------------------------------------------------------------

int Image::save(const char* fileName, const char* formatToken) {
    std::string token = formatToken ? formatToken : "";
    SaveRecord record = saveRecord();
    std::vector<uint8_t> indices, palette;
    if (token == "GIF" && !record.pixels8 && (record.pixels24 || record.pixels48)) {
        // The caller's picture keeps its colours: a reduced copy is written.
        debugLog("make it 8 for save ik ");
        quantizeToEight(*this, &indices, &palette);
        record.pixels8 = indices.data();
        record.palette = palette.data();
        debugLog("past ");
    }
    debugPrintfSII("assa:export %s %d %d", token.c_str(), iWidth, iHeight);
    std::string error;
    if (!record.pixels8 && !record.pixels24 && !record.pixels48)
        error = "No pixels to save";
    else if (token == "GIF")
        error = exportGIF(fileName, record);
    else if (token == "PNG")
        error = writePngFile(fileName, record, getIntOption("pngInterlace"));
    else
        error = "Unknown file format";
    if (!error.empty()) {
        debugPrintfS("save had cc %s", error.c_str());
        return 0;
    }
    return 1;
}
