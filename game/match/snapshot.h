#pragma once
// Snapshots of the board view: the pixels the view read back from the frame
// it drew become an image record, saved as "snapshot.png" (and, in test
// mode, also "snapshot.gif") in the program folder.
#include <cstddef>
#include <cstdint>
#include <memory>

struct Image;

// The bytes of one row of a read-back of `width` RGB pixels: 3 x width
// rounded up to a multiple of 4 (the default pack alignment).
int paddedRowBytes(int width);

// An image of width x height RGB pixels from rows as the GL read returns
// them: bottom row first, each padded to paddedRowBytes. The image's rows
// are tight (3 x width bytes) and run from the top, so the picture is
// upright. Null for a size of 0 or less, and when the `byteCount` bytes at
// readRows are fewer than those rows take (the last one may lack its
// padding).
std::unique_ptr<Image> snapshotImage(const uint8_t* readRows, std::size_t byteCount, int width, int height);

// Saves the image as "snapshot.png", and as "snapshot.gif" too in test
// mode. 1 when every file was written.
[[nodiscard]] int saveSnapshot(Image& image);
