// Image throughput: quantising, GIF writing and reading, PNG writing and
// reading of a board-snapshot-sized true-colour picture. The quantiser and
// both codecs should stay linear in the number of pixels: doubling the
// picture should roughly double each time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/image/gif.h"
#include "framework/image/image.h"
#include "framework/image/png.h"
#include "framework/image/quantize.h"

namespace {

double millisSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// A step that failed makes the figures meaningless: the bench stops.
void mustSucceed(const std::string& error, const std::string& step) {
    if (error.empty() || error == "EOF") return;  // "EOF": the image data ended with its end code
    std::fprintf(stderr, "%s failed: %s\n", step.c_str(), error.c_str());
    std::exit(1);
}

void runSize(int w, int h, const std::string& dir) {
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    uint32_t s = 12345;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        int x = int(i / 3 % w), y = int(i / 3 / w);
        s = s * 1103515245u + 12345u;
        // A smooth gradient with some noise, like a rendered board.
        rgb[i] = uint8_t(x * 255 / w + (s >> 28));
        rgb[i + 1] = uint8_t(y * 255 / h + (s >> 29));
        rgb[i + 2] = uint8_t((x + y) % 256);
    }
    std::vector<uint8_t> indices(std::size_t(w) * h), palette(768);

    auto t0 = std::chrono::steady_clock::now();
    ppmQuantRaw24(indices.data(), rgb.data(), palette.data(), w, h, 256);
    double quantMs = millisSince(t0);

    SaveRecord r8;
    r8.width = w, r8.height = h, r8.pixels8 = indices.data(), r8.palette = palette.data();
    std::string gif = dir + "/bench.gif", png = dir + "/bench.png";
    t0 = std::chrono::steady_clock::now();
    std::string error = writeGIF(gif.c_str(), r8);
    double gifWriteMs = millisSince(t0);
    mustSucceed(error, "writing " + gif);
    PictureRecord back;
    t0 = std::chrono::steady_clock::now();
    error = readGifFile(gif.c_str(), &back);
    double gifReadMs = millisSince(t0);
    mustSucceed(error, "reading " + gif);

    SaveRecord r24;
    r24.width = w, r24.height = h, r24.pixels24 = rgb.data();
    t0 = std::chrono::steady_clock::now();
    error = savePNG(png.c_str(), r24, 0);
    double pngWriteMs = millisSince(t0);
    mustSucceed(error, "writing " + png);
    PictureRecord back2;
    t0 = std::chrono::steady_clock::now();
    error = loadPNG(png.c_str(), &back2);
    double pngReadMs = millisSince(t0);
    mustSucceed(error, "reading " + png);

    std::printf("%5dx%-5d quantise %8.1f ms  gif write %7.1f  read %7.1f  png write %7.1f  read %7.1f\n", w, h, quantMs,
                gifWriteMs, gifReadMs, pngWriteMs, pngReadMs);
}

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp ? tmp : "/tmp";
    for (int side : {256, 512, 1024}) runSize(side, side * 3 / 4, dir);
    std::remove((dir + "/bench.gif").c_str());
    std::remove((dir + "/bench.png").c_str());
    return 0;
}
