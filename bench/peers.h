#pragma once
// The libraries a user would otherwise pick, called the way their own
// programs call them: giflib for GIF decoding and encoding, ImageMagick's
// MagickCore for "-colors 256". Each is built in only when the benchmark's
// script installed it (VURN_BENCH_GIFLIB, VURN_BENCH_MAGICK); otherwise the
// calls report that the peer is missing and the benchmark shows only the
// project's own figures.
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

bool haveGiflib();
bool haveMagick();
// What the peers are, for the report ("giflib 5.2", ...).
std::string peerVersions();

// DGifSlurp of a whole file held in memory (every frame decoded). The
// number of pixels of the first image, or -1 on an error.
long giflibSlurp(const std::vector<uint8_t>& file);
// Decodes the first image only and skips the rest, as the project's reader
// does: DGifGetLine for the first image, DGifGetCodeNext past the others.
long giflibFirstImage(const std::vector<uint8_t>& file);
// Writes one GIF89a image with a 256-entry global table; false on error.
bool giflibWrite(const std::string& path, int width, int height, const uint8_t* pixels8, const uint8_t* palette);

// Starts and stops MagickCore; the quantiser runs on one thread, as the
// project's does.
void magickStart(const char* argv0);
void magickStop();
// QuantizeImage with the settings of "convert -colors 256" (the defaults of
// AcquireQuantizeInfo, dithering included; "+dither" when `dither` is
// false) on a picture made from `rgb` beforehand; the time of
// QuantizeImage alone in milliseconds, and the quantised picture's RGB
// bytes in `out`. A negative time on an error.
double magickQuantise(const std::vector<uint8_t>& rgb, int width, int height, int colors, bool dither,
                      std::vector<uint8_t>* out);

}  // namespace bench
