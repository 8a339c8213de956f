#pragma once
// GIF reading (GIF87a and GIF89a: the first image, extensions skipped,
// interlace undone) and writing (GIF89a, one image, a 256-entry global
// colour table, LZW with a table clear whenever the code table is full).
//
// Every length in a file is checked against the end of the data, so any
// bytes may be handed to the reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/image/image.h"

// Reads the whole file and decodes it with parseGif. Returns an empty text
// on success, "EOF" when the image data ended with its end code (which
// counts as success too), or an error text.
[[nodiscard]] std::string readGifFile(const char* fileName, PictureRecord* picture);

// Decodes a GIF held in memory; results as readGifFile. The picture's file
// size is left to the caller.
[[nodiscard]] std::string parseGif(const uint8_t* data, std::size_t size, PictureRecord* picture);

// Decodes one LZW image stream, read straight from its chain of data
// sub-blocks (`data` is the first block's length byte; `end` the end of
// the file, where a cut block ends early), into width x height indices,
// which must already be sized. Pixels no code reaches are 0. Sets
// *endCodeSeen when the last code read was the end code. Returns an empty
// text, "Garbled data" or "Image short".
[[nodiscard]] std::string gifDecode(const uint8_t* data, const uint8_t* end, int minCodeSize, int width, int height,
                                    bool interlaced, uint8_t* pixels, bool* endCodeSeen);

// writeGIF, then the trace "exiting GIF export ".
[[nodiscard]] std::string exportGIF(const char* fileName, const SaveRecord& record);
// Writes one GIF file from the record's 8-bit pixels and palette. Returns an
// empty text or "Could not open save file." / "File i/o error".
[[nodiscard]] std::string writeGIF(const char* fileName, const SaveRecord& record);
