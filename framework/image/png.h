#pragma once
// PNG reading and writing through libpng.
//
// Reading gives 8-bit indices with the file's palette (palette pictures and
// grey pictures of up to 8 bits, these with a grey ramp), 24-bit RGB
// (optionally with an alpha plane) or 48-bit RGB (optionally with a 16-bit
// alpha plane); grey with alpha and 16-bit grey come through RGB.
// Writing chooses palette, RGB or RGBA and 8 or 16 bits from the record.
#include <string>

#include "framework/image/image.h"

// Measures the file, decodes it with loadPNG and names the format "PNG".
// Returns an empty text or an error text.
[[nodiscard]] std::string loadPngFile(const char* fileName, PictureRecord* picture);
[[nodiscard]] std::string loadPNG(const char* fileName, PictureRecord* picture);

// savePNG; interlaced (Adam7) when `interlace` is 1.
[[nodiscard]] std::string writePngFile(const char* fileName, const SaveRecord& record, int interlace);
[[nodiscard]] std::string savePNG(const char* fileName, const SaveRecord& record, int interlace);
