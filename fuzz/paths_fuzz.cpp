// Paths and names: the path builders and splitters with bounded buffers,
// the user copy of a path, the name comparisons and the keyed-line reader.
// Input: two texts split at the first zero byte.
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/app/datafiles.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = all.find('\0');
    const std::string a = all.substr(0, cut), b = cut == std::string::npos ? std::string() : all.substr(cut + 1);
    char small[16], large[600];
    for (char* out : {small, large}) {
        const std::size_t n = out == small ? sizeof small : sizeof large;
        FUZZ_CHECK(std::strlen(makePath(a.c_str(), b.c_str(), out, n)) < n);
        FUZZ_CHECK(std::strlen(joinPath(a.c_str(), b.c_str(), out, n)) < n);
        toWindowsPath(a.c_str(), out, n);
        FUZZ_CHECK(std::strchr(out, '\\') == nullptr);
        if (char* name = fileNamePart(a.c_str(), out, n)) FUZZ_CHECK(name >= out && name <= out + n);
        FUZZ_CHECK(std::strlen(directoryPart(a.c_str(), out, n)) < n);
    }
    FUZZ_CHECK(std::strlen(windowsPath(a.c_str())) < 512);
    FUZZ_CHECK(std::strlen(joinStrings(a.c_str(), b.c_str())) < 64);
    (void)userPathFor(a.c_str());
    (void)findNoCase(a.c_str(), b.c_str());
    FUZZ_CHECK((compareNames(a.c_str(), b.c_str()) == 0) == (compareNames(b.c_str(), a.c_str()) == 0));
    fuzz::writeFile("keyed.txt", b);
    if (const char* line = readKeyedLine("keyed.txt", a.c_str())) FUZZ_CHECK(std::strlen(line) < 256);
    return 0;
}
