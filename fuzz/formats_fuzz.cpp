// The format table ("system/mformats"): any table gives a token or none for
// every file, and never reads past the file or the table.
#include <cstdint>
#include <string>

#include "framework/image/image.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    static bool probes = false;
    if (!probes) {
        probes = true;
        fuzz::writeFile("a.gif", std::string("GIF89a\x01\x00\x01\x00", 10));
        fuzz::writeFile("a.png", std::string("\x89PNG\r\n\x1a\n", 8));
        fuzz::writeFile("a.txt", std::string("plain text"));
        fuzz::writeFile("empty.bin", std::string());
    }
    fuzz::writeFile("system/mformats", data, size);
    for (const char* file : {"a.gif", "a.png", "a.txt", "empty.bin", "missing.bin"}) {
        std::string description;
        const std::string token = detectFileFormat(file, &description);
        // A token comes from one line of the table, with its description.
        FUZZ_CHECK(token.size() <= size && description.size() <= size + 7);
        FUZZ_CHECK(!token.empty() || description == "unknown");
    }
    return 0;
}
