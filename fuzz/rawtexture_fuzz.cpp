// The raw texture reader (".TXR"): any file gives a grey picture of the
// size its header allows, through the whole loader as the program calls it.
#include <cstdint>

#include "framework/app/options.h"
#include "framework/image/image.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    static Options store;
    options = &store;
    fuzz::writeFile("fuzz.TXR", data, size);
    PictureRecord p;
    FUZZ_CHECK(readRawTexture("fuzz.TXR", &p));
    FUZZ_CHECK(p.width >= 1 && p.width <= 1500 && p.height >= 1 && p.height <= 1500);
    FUZZ_CHECK(p.pixels8.size() == static_cast<std::size_t>(p.width) * p.height);
    Image image;
    // Bytes that look like another format are read as that one, and may be
    // refused: the loader then shows its placeholder.
    (void)image.loadFile("fuzz.TXR");
    FUZZ_CHECK(image.hasPixels());
    return 0;
}
