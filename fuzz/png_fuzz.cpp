// The PNG reader: any file gives one pixel form that fits the stated size,
// or an error text and no pixels.
#include <cstdint>

#include "framework/image/png.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    fuzz::writeFile("fuzz.png", data, size);
    PictureRecord p;
    const std::string error = loadPngFile("fuzz.png", &p);
    const std::size_t count = static_cast<std::size_t>(p.width > 0 ? p.width : 0) * (p.height > 0 ? p.height : 0);
    const int forms = !p.pixels8.empty() + !p.pixels24.empty() + !p.pixels48.empty();
    if (!error.empty()) FUZZ_CHECK(forms == 0);
    FUZZ_CHECK(forms <= 1);
    if (!p.pixels8.empty()) FUZZ_CHECK(p.pixels8.size() == count && p.palette.size() == 768);
    if (!p.pixels24.empty()) FUZZ_CHECK(p.pixels24.size() == count * 3);
    if (!p.pixels48.empty()) FUZZ_CHECK(p.pixels48.size() == count * 3);
    if (!p.alpha8.empty()) FUZZ_CHECK(p.alpha8.size() == count);
    if (!p.alpha16.empty()) FUZZ_CHECK(p.alpha16.size() == count);
    return 0;
}
