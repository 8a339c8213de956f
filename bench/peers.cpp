#include "bench/peers.h"

#include "bench/cpu_clock.h"

#include <algorithm>
#include <cstring>

#ifdef VURN_BENCH_GIFLIB
#include <gif_lib.h>
#endif
#ifdef VURN_BENCH_MAGICK
#include <magick/MagickCore.h>
#endif

namespace bench {

#ifdef VURN_BENCH_GIFLIB

namespace {

struct MemoryInput {
    const uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int readMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), in->size - in->pos);
    std::memcpy(buffer, in->data + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

GifFileType* openMemory(const std::vector<uint8_t>& file, MemoryInput* in) {
    *in = {file.data(), file.size(), 0};
    int error = 0;
    return DGifOpen(in, readMemory, &error);
}

}  // namespace

bool haveGiflib() { return true; }

long giflibSlurp(const std::vector<uint8_t>& file) {
    MemoryInput in;
    GifFileType* gif = openMemory(file, &in);
    if (!gif) return -1;
    long pixels = -1;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0)
        pixels = long(gif->SavedImages[0].ImageDesc.Width) * gif->SavedImages[0].ImageDesc.Height;
    int error = 0;
    DGifCloseFile(gif, &error);
    return pixels;
}

long giflibFirstImage(const std::vector<uint8_t>& file) {
    MemoryInput in;
    GifFileType* gif = openMemory(file, &in);
    if (!gif) return -1;
    long pixels = -1;
    std::vector<GifPixelType> image;
    GifRecordType type;
    bool ok = true;
    while (ok && DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) break;
            const int w = gif->Image.Width, h = gif->Image.Height;
            if (pixels < 0) {
                image.resize(std::size_t(w) * h);
                for (int y = 0; y < h && ok; ++y) ok = DGifGetLine(gif, image.data() + std::size_t(y) * w, w) == GIF_OK;
                if (ok) pixels = long(w) * h;
            } else {
                int codeSize;
                GifByteType* block;
                ok = DGifGetCode(gif, &codeSize, &block) == GIF_OK;
                while (ok && block) ok = DGifGetCodeNext(gif, &block) == GIF_OK;
            }
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* block;
            ok = DGifGetExtension(gif, &code, &block) == GIF_OK;
            while (ok && block) ok = DGifGetExtensionNext(gif, &block) == GIF_OK;
        }
    }
    int error = 0;
    DGifCloseFile(gif, &error);
    return pixels;
}

bool giflibWrite(const std::string& path, int width, int height, const uint8_t* pixels8, const uint8_t* palette) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {palette[i], palette[256 + i], palette[512 + i]};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; y < height && ok; ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(pixels8 + std::size_t(y) * width), width) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok;
}

#else

bool haveGiflib() { return false; }
long giflibSlurp(const std::vector<uint8_t>&) { return -1; }
long giflibFirstImage(const std::vector<uint8_t>&) { return -1; }
bool giflibWrite(const std::string&, int, int, const uint8_t*, const uint8_t*) { return false; }

#endif

#ifdef VURN_BENCH_MAGICK

bool haveMagick() { return true; }

void magickStart(const char* argv0) {
    MagickCoreGenesis(argv0, MagickFalse);
    SetMagickResourceLimit(ThreadResource, 1);
}

void magickStop() { MagickCoreTerminus(); }

double magickQuantise(const std::vector<uint8_t>& rgb, int width, int height, int colors, bool dither,
                      std::vector<uint8_t>* out) {
    ExceptionInfo* exception = AcquireExceptionInfo();
    Image* image = ConstituteImage(width, height, "RGB", CharPixel, rgb.data(), exception);
    double millis = -1;
    if (image) {
        ImageInfo* imageInfo = AcquireImageInfo();
        QuantizeInfo* quantizeInfo = AcquireQuantizeInfo(imageInfo);
        quantizeInfo->number_colors = static_cast<size_t>(colors);
        if (!dither) {
            quantizeInfo->dither = MagickFalse;
            quantizeInfo->dither_method = NoDitherMethod;
        }
        const double t0 = cpuMillis();
        const MagickBooleanType ok = QuantizeImage(quantizeInfo, image);
        const double t1 = cpuMillis();
        if (ok) {
            millis = t1 - t0;
            out->resize(rgb.size());
            if (!ExportImagePixels(image, 0, 0, width, height, "RGB", CharPixel, out->data(), exception)) millis = -1;
        }
        DestroyQuantizeInfo(quantizeInfo);
        DestroyImageInfo(imageInfo);
        DestroyImage(image);
    }
    DestroyExceptionInfo(exception);
    return millis;
}

#else

bool haveMagick() { return false; }
void magickStart(const char*) {}
void magickStop() {}
double magickQuantise(const std::vector<uint8_t>&, int, int, int, bool, std::vector<uint8_t>*) { return -1; }

#endif

std::string peerVersions() {
    std::string out;
#ifdef VURN_BENCH_GIFLIB
    out += "giflib " + std::to_string(GIFLIB_MAJOR) + "." + std::to_string(GIFLIB_MINOR) + "." +
           std::to_string(GIFLIB_RELEASE);
#else
    out += "giflib: not built in";
#endif
#ifdef VURN_BENCH_MAGICK
    size_t version = 0;
    out += std::string(", ") + GetMagickVersion(&version);
#else
    out += ", ImageMagick: not built in";
#endif
    return out;
}

}  // namespace bench
