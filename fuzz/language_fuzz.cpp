// The language file: any file loads into whole records, and what is
// written back loads back with the same number of records.
#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/app/nls.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    fuzz::writeFile("system/nls/EN", data, size);
    std::remove("user/nls/EN");
    int kept = 0;
    {
        NlsTable table("EN");
        for (int i = 0; i < table.size(); ++i) {
            const NlsEntry* e = table.entryAt(i);
            FUZZ_CHECK(e->getKey() != nullptr && e->getText() != nullptr);
            if (*e->getKey() && *e->getKey() != ' ') ++kept;
            FUZZ_CHECK(translate("w", e->getKey()) != nullptr);
        }
    }
    NlsTable back("EN");
    FUZZ_CHECK(back.size() == kept);
    return 0;
}
