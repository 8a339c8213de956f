#pragma once
// The options store: the program's only persistent configuration, a list of
// named values read from "options_vurn.gkv" at start-up and written back on
// request. Each value is kept as text with its 32-bit integer reading beside
// it, so every key can be read either way. Keys are unique, never removed,
// and kept in the order of their first creation.
//
// File format: one option per line, "key value\n", blanks in the value
// written as '`'. The file is read from "user/" (else "system/") and written
// to "user/" only, through writeUserFile, so a crash or a full disk never
// leaves half a file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Options {
public:
    struct Entry {
        std::string key;
        std::string text;    // never empty
        int32_t number = 0;  // the text read as a decimal integer
    };

    Options();

    // Loads the named file from the folder "system" (see above). A missing
    // file shows "Options file created from scratch." and leaves the store
    // empty.
    void load(const char* fileName);
    // False (with an "ERROR" line in the debug log) when the file could not
    // be written; the old file is then kept.
    [[nodiscard]] bool save();
    [[nodiscard]] bool write() { return save(); }

    Entry* find(const char* key);
    int32_t getInt(const char* key);
    int32_t getIntValue(const char* key) { return getInt(key); }
    // Null when the key is absent. Valid until the key is next set.
    const char* getString(const char* key);
    // A null or empty text leaves the key as it is.
    void set(const char* key, const char* text);
    void setInt(const char* key, int32_t value);
    void setIntValue(const char* key, int32_t value) { setInt(key, value); }

    // The file path, as given to openDataFile ("system/" + file name).
    const std::string& path() const { return iPath; }
    std::size_t size() const { return iEntries.size(); }

    // Hooks around find, set and save; the store is used on the GUI thread.
    void lock() {}
    void unlock() {}

private:
    void parse(const std::string& content);

    std::vector<std::unique_ptr<Entry>> iEntries;  // oldest first
    std::string iPath;
};

// The process-wide store, created by Exec::init and never deleted.
extern Options* options;

// Free functions on the process-wide store. Without a store, reads give
// 0 / null and writes do nothing.
int32_t getIntOption(const char* key);
int32_t getIntOptionFor(const char* prefix, const char* suffix);
void setIntOption(const char* key, int32_t value);
void setIntOptionFor(const char* prefix, const char* suffix, int32_t value);
const char* getStringOption(const char* key);
void setStringOption(const char* key, const char* text);
[[nodiscard]] bool saveOptions();

// The decimal reading of an option text (atol into 32 bits: leading blanks,
// a sign, digits; anything else ends it; out-of-range values saturate).
int32_t optionNumber(const char* text);
