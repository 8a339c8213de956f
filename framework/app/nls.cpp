#include "framework/app/nls.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"

NlsTable* nlsTable = nullptr;

NlsEntry::NlsEntry(const char* key, const char* translation)
    : NamedRecord(key), iKey(key ? key : ""), iTranslation(translation ? translation : ""), iTranslated(true) {}

NlsEntry::NlsEntry(const char* key) : NamedRecord(key), iKey(key ? key : "") {}

namespace {

bool validCode(const char* code) {
    if (!code) return false;
    std::size_t n = std::strlen(code);
    if (n < 1 || n > 3) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isalnum(static_cast<unsigned char>(code[i]))) return false;
    return true;
}

bool readLine(FILE* f, std::string& line) { return readTextLine(f, line, 255); }

}  // namespace

NlsTable::NlsTable(const char* languageCode) {
    std::snprintf(iLanguage, sizeof iLanguage, "%s", validCode(languageCode) ? languageCode : "EN");
    FILE* f = openDataFile(path().c_str(), "r");
    if (!f) return;
    std::string key, translation, separator;
    while (readLine(f, key)) {
        if (!readLine(f, translation)) break;  // a key without translation line
        readLine(f, separator);                // may be missing at the end
        iEntries.push_back(translation == "-" ? std::make_unique<NlsEntry>(key.c_str())
                                              : std::make_unique<NlsEntry>(key.c_str(), translation.c_str()));
    }
    std::fclose(f);
}

NlsTable::~NlsTable() {
    std::string content;
    for (const auto& e : iEntries) {
        const char* k = e->getKey();
        if (!*k || *k == ' ') continue;
        content += std::string(k) + '\n' + (e->isTranslated() ? e->getText() : "-") + "\n===\n";
    }
    // A failed write is logged by the writer, which keeps the old file.
    (void)writeUserFile(path().c_str(), content);
}

int NlsTable::size() const { return static_cast<int>(iEntries.size()); }
NlsEntry* NlsTable::entryAt(int index) const { return iEntries[static_cast<std::size_t>(index)].get(); }
std::string NlsTable::path() const { return std::string("system/nls/") + iLanguage; }

const char* translate(const char* name, const char* text) {
    if (!nlsTable || !text) return text;
    if (std::strncmp(text, "notrans,", 8) == 0) return text + 8;
    if (name && std::strncmp(name, "notrans,", 8) == 0) return text;
    return nlsTable->lookup(text);
}
