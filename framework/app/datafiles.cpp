#include "framework/app/datafiles.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "framework/app/config.h"
#include "framework/app/debuglog.h"
#include "platform/os/files.h"
#include "platform/os/process.h"

namespace {

// Copies src into out with a bound, always terminating.
void copyBounded(char* out, std::size_t outSize, const char* src) {
    if (!out || outSize == 0) return;
    std::snprintf(out, outSize, "%s", src ? src : "");
}

void slashes(char* p) {
    for (; *p; ++p)
        if (*p == '\\') *p = '/';
}

bool endsInSeparator(const char* d) {
    std::size_t n = std::strlen(d);
    return n > 0 && (d[n - 1] == '/' || d[n - 1] == '\\');
}

int lowerAscii(int c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Browser failures waiting to be told. Never destroyed: a browser's waiter
// thread may still report while the program ends.
struct BrowserFailures {
    std::mutex mutex;
    std::vector<BrowserFailure> pending;
};
BrowserFailures& browserFailures() {
    static auto* failures = new BrowserFailures;
    return *failures;
}

// Called on the browser's waiter thread too, so it only files the failure
// (the program may be ending meanwhile); takeBrowserFailures logs it.
void noteBrowserFailure(BrowserFailure failure) {
    BrowserFailures& all = browserFailures();
    std::lock_guard<std::mutex> lock(all.mutex);
    all.pending.push_back(std::move(failure));
}

}  // namespace

std::string userPathFor(const char* path) {
    if (!path) return {};
    if (std::strncmp(path, "system", 6) != 0) return path;
    return std::string("user") + (path + 6);
}

FILE* openDataFile(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    if (std::strncmp(path, "system", 6) != 0) {
        debugPrintfSS("FOPEN0 %s %s\n", path, mode);
        return platform::openFile(path, mode);
    }
    std::string user = userPathFor(path);
    debugPrintfSS("FOPEN1 %s %s\n", path, mode);
    if (FILE* f = platform::openFile(user.c_str(), mode)) return f;
    if (mode[0] == 'r') {
        debugPrintfSS("FOPEN2 %s %s\n", path, mode);
        return platform::openFile(path, mode);
    }
    return nullptr;  // "system" is only ever written through "user"
}

void makeFoldersFor(const std::string& path) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (slash > 0) platform::makeDirectory(path.substr(0, slash).c_str());
}

bool writeWholeFile(const char* path, const void* data, std::size_t size, bool* opened) {
    if (opened) *opened = false;
    if (!path || !*path) {
        debugLog("ERROR: a file without a name cannot be written\n");
        return false;
    }
    std::string why;
    if (platform::replaceFile(path, data, size, &why, opened)) return true;
    debugPrintfSS("ERROR: could not write %s (%s); the old file is kept\n", path, why.c_str());
    return false;
}

bool writeUserFile(const char* path, const void* data, std::size_t size, bool* opened) {
    if (!path || !*path) return writeWholeFile(path, data, size, opened);
    const std::string target = userPathFor(path);
    // The player's copy of a shipped file lies in the same place under
    // "user"; its folders are made there, but never "user" itself (without
    // it nothing of the player's is written).
    if (target != path && platform::isDirectory("user")) makeFoldersFor(target);
    return writeWholeFile(target.c_str(), data, size, opened);
}

bool writeUserFile(const char* path, const std::string& content) {
    return writeUserFile(path, content.data(), content.size());
}

char* makePath(const char* directory, const char* fileName, char* out, std::size_t outSize) {
    const char* f = fileName ? fileName : "";
    if (!directory || !*directory)
        std::snprintf(out, outSize, "./%s", f);
    else if (endsInSeparator(directory))
        std::snprintf(out, outSize, "%s%s", directory, f);
    else
        std::snprintf(out, outSize, "%s/%s", directory, f);
    return out;
}

char* joinPath(const char* directory, const char* fileName, char* out, std::size_t outSize) {
    const char* f = fileName ? fileName : "";
    if (!directory) {
        copyBounded(out, outSize, f);
        return out;
    }
    if (!*directory || endsInSeparator(directory))
        std::snprintf(out, outSize, "%s%s", directory, f);
    else
        std::snprintf(out, outSize, "%s%c%s", directory, '/', f);
    slashes(out);
    return out;
}

void toWindowsPath(const char* source, char* destination, std::size_t destinationSize) {
    if (!destination || destinationSize == 0) return;
    if (source != destination) copyBounded(destination, destinationSize, source);
    slashes(destination);
}

const char* windowsPath(const char* path) {
    thread_local char buffer[512];
    toWindowsPath(path ? path : "", buffer, sizeof buffer);
    return buffer;
}

namespace {
// Just after the last '/', '\', or ':' of a path (its start when none).
char* afterLastSeparator(char* path) {
    char* after = path;
    for (char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') after = p + 1;
    return after;
}
}  // namespace

char* fileNamePart(const char* path, char* work, std::size_t workSize) {
    if (!path) return nullptr;
    copyBounded(work, workSize, path);
    return afterLastSeparator(work);
}

char* directoryPart(const char* path, char* out, std::size_t outSize) {
    if (!path) return nullptr;
    copyBounded(out, outSize, path);
    *afterLastSeparator(out) = '\0';
    return out;
}

bool readTextLine(FILE* f, std::string& line, std::size_t maxChars) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < maxChars) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

const char* readKeyedLine(const char* fileName, const char* key) {
    thread_local char buffer[256];
    if (!key) return nullptr;
    FILE* f = openDataFile(fileName, "r");
    if (!f) return nullptr;
    std::size_t keyLen = std::strlen(key);
    std::string line;
    const char* result = nullptr;
    while (!result && readTextLine(f, line, 255)) {
        if (line[0] == '1' || (line.size() > 1 && line[1] == '2')) continue;
        if (line.size() > keyLen && line.compare(0, keyLen, key) == 0 && line[keyLen] == ':') {
            const char* text = line.size() >= keyLen + 2 ? line.c_str() + keyLen + 2 : "";
            copyBounded(buffer, sizeof buffer, text);
            result = buffer;
        }
    }
    std::fclose(f);
    return result;
}

const char* joinStrings(const char* text1, const char* text2) {
    thread_local char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%s", text1 ? text1 : "", text2 ? text2 : "");
    return buffer;
}

const char* joinStrings2(const char* text1, const char* text2) {
    thread_local char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%s", text1 ? text1 : "", text2 ? text2 : "");
    return buffer;
}

const char* findNoCase(const char* text, const char* pattern) {
    if (!text || !pattern) return nullptr;
    std::size_t tn = strnlen(text, 510);
    std::size_t pn = strnlen(pattern, 255);
    if (pn > tn) return nullptr;
    for (std::size_t i = 0; i + pn <= tn; ++i) {
        std::size_t k = 0;
        while (k < pn && lowerAscii(static_cast<unsigned char>(text[i + k])) ==
                             lowerAscii(static_cast<unsigned char>(pattern[k])))
            ++k;
        if (k == pn) return text + i;
    }
    return nullptr;
}

int compareNoCase(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;; ++x, ++y) {
        int cx = lowerAscii(*x), cy = lowerAscii(*y);
        if (cx != cy || cx == 0) return cx - cy;
    }
}

int compareNames(const char* name1, const char* name2) {
    auto prepare = [](const char* n) {
        std::string s(n ? n : "", n ? strnlen(n, 511) : 0);
        for (char& c : s) {
            if (c != '_') break;
            c = '-';
        }
        return s;
    };
    std::string a = prepare(name1), b = prepare(name2);
    return compareNoCase(a.c_str(), b.c_str());
}

int compareNamesQsort(const void* a, const void* b) {
    return compareNames(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}
int compareNamesAscending(const void* a, const void* b) {
    return compareNoCase(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}
int compareNamesDescending(const void* a, const void* b) { return -compareNamesAscending(a, b); }
int compareNone(const void*, const void*) { return 0; }

uint32_t readInt32BE(const unsigned char* b) {
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

void putBigEndian32(unsigned char* buffer, uint32_t value) {
    buffer[0] = static_cast<unsigned char>(value >> 24);
    buffer[1] = static_cast<unsigned char>(value >> 16);
    buffer[2] = static_cast<unsigned char>(value >> 8);
    buffer[3] = static_cast<unsigned char>(value);
}

void putTwoLongs(unsigned char* buffer, uint32_t value1, uint32_t value2) {
    putBigEndian32(buffer, value1);
    putBigEndian32(buffer + 4, value2);
}

int readRegistryString(int rootKey, const char* subKey, char* out) {
    if (rootKey != kClassesRoot || !subKey || !out) return 2;
    std::string value;
    if (std::strcmp(subKey, ".htm") == 0)
        value = "htmlfile";
    else if (std::strcmp(subKey, "htmlfile\\shell\\open\\command") == 0)
        value = config::browserCommand() + " \"%1\"";
    else
        return 2;
    copyBounded(out, 260, value.c_str());
    return 0;
}

bool launchBrowser(const char* url, int showCommand) {
    (void)showCommand;  // the window manager decides how the browser shows
    if (!url) return false;
    debugLog("url1");
    char docClass[260];
    if (readRegistryString(kClassesRoot, ".htm", docClass) != 0) return false;
    std::string key = std::string(docClass) + "\\shell\\open\\command";
    debugLog("url2");
    char command[260];
    if (readRegistryString(kClassesRoot, key.c_str(), command) != 0) return false;
    std::string line = command;
    std::size_t at = line.find("\"%1\"");
    if (at == std::string::npos) at = line.find("%1");
    if (at != std::string::npos) {
        debugPrintfS("SSS=%s\n", line.c_str() + at);
        debugLog("url3");
        line.resize(at);
    }
    debugPrintfSS("SSS=%s,%s\n", line.c_str(), url);
    // The URL is one argument of its own: whatever it holds is never parsed.
    std::vector<std::string> argv = platform::splitCommandLine(line);
    BrowserFailure failure{url, argv.empty() ? std::string() : argv[0], BrowserFailure::kNotStarted};
    if (argv.empty()) {  // a command of blanks only: the URL is never run as one
        noteBrowserFailure(std::move(failure));
        return false;
    }
    argv.push_back(url);
    const bool started = platform::spawnDetached(argv, [failure](int exitStatus) mutable {
        if (exitStatus == 0) return;
        failure.exitStatus = exitStatus;
        noteBrowserFailure(std::move(failure));
    });
    if (!started) noteBrowserFailure(std::move(failure));
    return started;
}

std::vector<BrowserFailure> takeBrowserFailures() {
    BrowserFailures& all = browserFailures();
    std::lock_guard<std::mutex> lock(all.mutex);
    std::vector<BrowserFailure> taken;
    taken.swap(all.pending);
    for (const BrowserFailure& f : taken)
        debugPrintfSS("ERROR: web browser %s: %s\n", f.command.c_str(), describeBrowserFailure(f).c_str());
    return taken;
}

std::string describeBrowserFailure(const BrowserFailure& f) {
    const std::string browser = f.command.empty() ? std::string("the web browser") : "the web browser " + f.command;
    if (f.exitStatus == BrowserFailure::kNotStarted) return "Cannot start " + browser + " to open " + f.url;
    std::string text = "Could not open " + f.url + ": " + browser;
    if (f.exitStatus < 0) return text + " was stopped";
    return text + " failed (exit status " + std::to_string(f.exitStatus) + ")";
}
