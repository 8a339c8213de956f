#pragma once
// The language table. Every text shown in a widget or menu passes through
// `translate`. The table is read from the language file named by the option
// `nlsLanguage` ("system/nls/EN" and so on) at start-up and written back to
// the user folder at exit; lookups return the text they are given, so the
// table round-trips the file. A text beginning "notrans," is shown without
// that marker.
//
// File format: three-line records (key, translation or "-" for none, a
// separator written as "===").
#include <memory>
#include <string>
#include <vector>

// The base part of a named record: a copy of its name.
class NamedRecord {
public:
    explicit NamedRecord(const char* name = nullptr) : iName(name ? name : "") {}
    virtual ~NamedRecord() = default;
    const char* getName() const { return iName.c_str(); }

private:
    std::string iName;
};

class NlsEntry : public NamedRecord {
public:
    NlsEntry(const char* key, const char* translation);
    explicit NlsEntry(const char* key);
    const char* getText() const { return iTranslated ? iTranslation.c_str() : iKey.c_str(); }
    bool isTranslated() const { return iTranslated; }
    const char* getKey() const { return iKey.c_str(); }

private:
    std::string iKey;
    std::string iTranslation;
    bool iTranslated = false;
};

class NlsTable {
public:
    // A code other than one to three letters or digits is read as "EN"
    // (the code names a file).
    explicit NlsTable(const char* languageCode);
    ~NlsTable();  // writes the file back
    NlsTable(const NlsTable&) = delete;
    NlsTable& operator=(const NlsTable&) = delete;

    const char* lookup(const char* text) const { return text; }
    const char* language() const { return iLanguage; }
    int size() const;
    NlsEntry* entryAt(int index) const;
    std::string path() const;

private:
    char iLanguage[4] = {};
    // In file order: the records are sorted with a comparison that finds
    // every pair equal, which keeps that order.
    std::vector<std::unique_ptr<NlsEntry>> iEntries;
};

// The process-wide table, created by Exec::init, deleted by Exec::uninit.
extern NlsTable* nlsTable;

const char* translate(const char* name, const char* text);
