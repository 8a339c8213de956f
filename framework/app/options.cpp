#include "framework/app/options.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"

Options* options = nullptr;

namespace {
constexpr std::size_t kMaxKey = 63;     // longest key kept (prefix + suffix keys)
constexpr std::size_t kMaxValue = 255;  // longest value the file format carries
}  // namespace

int32_t optionNumber(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long long n = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        n = n * 10 + (*p++ - '0');
        if (n > static_cast<long long>(INT32_MAX) + 1) break;
    }
    if (negative) n = -n;
    if (n > INT32_MAX) return INT32_MAX;
    if (n < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(n);
}

Options::Options() : iPath("system/") {}

Options::Entry* Options::find(const char* key) {
    if (!key) return nullptr;
    for (auto it = iEntries.rbegin(); it != iEntries.rend(); ++it)
        if ((*it)->key == key) return it->get();
    return nullptr;
}

int32_t Options::getInt(const char* key) {
    Entry* e = find(key);
    return e ? e->number : 0;
}

const char* Options::getString(const char* key) {
    Entry* e = find(key);
    return e ? e->text.c_str() : nullptr;
}

void Options::set(const char* key, const char* text) {
    if (!key || !*key || !text || !*text) return;
    std::string value(text);  // a copy first: text may be this entry's own
    lock();
    Entry* e = find(key);
    if (!e) {
        iEntries.push_back(std::make_unique<Entry>());
        e = iEntries.back().get();
        e->key = key;
    }
    e->text = std::move(value);
    e->number = optionNumber(e->text.c_str());
    unlock();
}

void Options::setInt(const char* key, int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    set(key, buffer);
}

void Options::load(const char* fileName) {
    debugPrintfS("load options %s\n", fileName);
    iPath = std::string("system/") + (fileName ? fileName : "");
    iEntries.clear();
    FILE* f = openDataFile(iPath.c_str(), "rb");
    if (!f) {
        showMessageBox(iPath.c_str(), "Options file created from scratch.");
        return;
    }
    std::string content;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) content.append(chunk, n);
    std::fclose(f);
    parse(content);
}

// Reads "key value" lines: the key is one blank-delimited word, then all
// white space after it is skipped (so a line holding only a key takes the
// next line as its value), then the rest of the line is the value. Over-long
// keys and values are cut and the rest of their line dropped; a last line
// without a line feed counts like any other.
void Options::parse(const std::string& content) {
    std::size_t i = 0, n = content.size();
    auto space = [&](std::size_t k) { return std::isspace(static_cast<unsigned char>(content[k])) != 0; };
    while (true) {
        while (i < n && space(i)) ++i;
        if (i >= n) break;
        std::string key;
        while (i < n && !space(i)) {
            if (key.size() < kMaxKey) key += content[i];
            ++i;
        }
        while (i < n && space(i)) ++i;
        if (i >= n) break;
        std::string value;
        while (i < n && content[i] != '\n') {
            if (value.size() < kMaxValue) value += content[i];
            ++i;
        }
        if (i < n) ++i;  // the line feed
        for (char& c : value)
            if (c == '`') c = ' ';
        // Line ends of either convention: a trailing LF, CR, LF, CR, each at
        // most once in this order, then up to two more control characters.
        for (char end : {'\n', '\r', '\n', '\r'})
            if (!value.empty() && value.back() == end) value.pop_back();
        for (int k = 0; k < 2 && !value.empty() && static_cast<unsigned char>(value.back()) <= 13; ++k)
            value.pop_back();
        set(key.c_str(), value.c_str());
    }
}

bool Options::save() {
    lock();
    std::string content;
    for (const auto& e : iEntries) {
        std::string value = e->text.substr(0, kMaxValue);
        for (char& c : value)
            if (c == ' ') c = '`';
        content += e->key + ' ' + value + '\n';
    }
    bool ok = writeUserFile(iPath.c_str(), content);
    unlock();
    return ok;
}

int32_t getIntOption(const char* key) { return options ? options->getInt(key) : 0; }

int32_t getIntOptionFor(const char* prefix, const char* suffix) {
    char key[64];
    std::snprintf(key, sizeof key, "%s%s", prefix ? prefix : "", suffix ? suffix : "");
    return getIntOption(key);
}

void setIntOption(const char* key, int32_t value) {
    if (options) options->setInt(key, value);
}

void setIntOptionFor(const char* prefix, const char* suffix, int32_t value) {
    char key[64];
    std::snprintf(key, sizeof key, "%s%s", prefix ? prefix : "", suffix ? suffix : "");
    setIntOption(key, value);
}

const char* getStringOption(const char* key) { return options ? options->getString(key) : nullptr; }

void setStringOption(const char* key, const char* text) {
    if (options) options->set(key, text);
}

bool saveOptions() { return options && options->save(); }
