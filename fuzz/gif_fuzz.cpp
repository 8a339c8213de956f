// The GIF reader: any bytes give pixels that fit the stated size, or an
// error text.
#include <cstdint>

#include "framework/image/gif.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    PictureRecord picture;
    const std::string error = parseGif(data, size, &picture);
    if (!picture.pixels8.empty()) {
        FUZZ_CHECK(picture.width >= 1 && picture.height >= 1);
        FUZZ_CHECK(picture.pixels8.size() == static_cast<std::size_t>(picture.width) * picture.height);
        FUZZ_CHECK(picture.palette.size() == 768);
        FUZZ_CHECK(static_cast<int64_t>(picture.pixels8.size()) * 2 <= kMaxDecodedBytes);
    }
    return 0;
}
