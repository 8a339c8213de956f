#pragma once
// Data files, paths, names and big-endian helpers shared by every area.
//
// The program's files live under "system" (shipped data); a folder "user"
// beside it may hold the player's own copy of any of them under the same
// relative path. openDataFile reads the user copy first and writes only
// into "user". Internal paths use '/'; a '\' is accepted anywhere and read
// as '/'.
//
// Functions that return a static buffer keep one buffer per thread; the
// result stays valid until the same function is next called on that thread.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Opens a data file; see above. Null when it cannot be opened.
FILE* openDataFile(const char* path, const char* mode);
// The path that openDataFile writes for `path` ("user/..." for a "system"
// path, the path itself otherwise).
std::string userPathFor(const char* path);

// Writes a whole file that the program keeps for the player (options,
// language file, board files, snapshots). `path` is taken as openDataFile
// takes it for writing: a "system" path goes to "user", whose folders are
// made as needed to mirror it once "user" exists. The bytes go to a
// temporary file in the same folder, are flushed, and the temporary file
// then replaces the old one, so a crash or a full disk never leaves a file
// cut short: the old file stays whole. A failure writes an "ERROR" line to
// the debug log and returns false; *opened (when given) tells whether the
// file could be created at all, for callers that word the two failures
// apart.
[[nodiscard]] bool writeUserFile(const char* path, const void* data, std::size_t size, bool* opened = nullptr);
[[nodiscard]] bool writeUserFile(const char* path, const std::string& content);
// The same write at exactly `path` (no "user" copy), for files that are
// not the player's copies (downloaded upgrade files).
[[nodiscard]] bool writeWholeFile(const char* path, const void* data, std::size_t size, bool* opened = nullptr);

// Makes every missing folder on the way to the file `path` ('/' separated,
// relative to the program folder).
void makeFoldersFor(const std::string& path);

// directory + '/' + file name; no separator after a directory that ends in
// '/' or '\'; an empty or null directory gives "./" + file name.
char* makePath(const char* directory, const char* fileName, char* out, std::size_t outSize);
// A null directory copies the file name; an empty directory or one ending in
// '/' or '\' is joined directly, any other with a separator between.
char* joinPath(const char* directory, const char* fileName, char* out, std::size_t outSize);
template <std::size_t N>
char* makePath(const char* d, const char* f, char (&out)[N]) {
    return makePath(d, f, out, N);
}
template <std::size_t N>
char* joinPath(const char* d, const char* f, char (&out)[N]) {
    return joinPath(d, f, out, N);
}

// The path conversion of the program: copies source into destination
// (unless they are the same buffer) and turns every '\' into '/'.
void toWindowsPath(const char* source, char* destination, std::size_t destinationSize);
// toWindowsPath into a static buffer of 512 bytes.
const char* windowsPath(const char* path);

// The part after the last '/', '\' or ':' (the whole path when none),
// copied into `work`; null for a null path.
char* fileNamePart(const char* path, char* work, std::size_t workSize);
// The path up to and including its last '/', '\' or ':' (empty when none);
// null for a null path.
char* directoryPart(const char* path, char* out, std::size_t outSize);

// Reads one text line of either line-end convention: the line feed and a
// CR before it are removed, characters past maxChars are dropped up to the
// line feed. False at the end of the file when nothing was read.
[[nodiscard]] bool readTextLine(FILE* f, std::string& line, std::size_t maxChars);

// The text after "key: " on the first line of a small text file that begins
// with the key followed by ':' (lines whose first character is '1' or whose
// second is '2' are skipped); null when the file or the line is missing.
[[nodiscard]] const char* readKeyedLine(const char* fileName, const char* key);

// "%s%s" into a static buffer of 64 bytes (cut to fit).
const char* joinStrings(const char* text1, const char* text2);
// The same with a second buffer of its own.
const char* joinStrings2(const char* text1, const char* text2);

// Case-insensitive search (ASCII); only the first 510 characters of the text
// and 255 of the pattern take part. The earliest match or null.
const char* findNoCase(const char* text, const char* pattern);
// ASCII case-insensitive comparison (negative, 0, positive).
int compareNoCase(const char* a, const char* b);
// Names with every leading '_' read as '-', compared case-insensitively;
// at most 511 characters take part.
int compareNames(const char* name1, const char* name2);
// qsort-style comparisons of pointers to names.
int compareNamesQsort(const void* a, const void* b);
int compareNamesAscending(const void* a, const void* b);
int compareNamesDescending(const void* a, const void* b);
int compareNone(const void* a, const void* b);

uint32_t readInt32BE(const unsigned char* bytes);
void putBigEndian32(unsigned char* buffer, uint32_t value);
void putTwoLongs(unsigned char* buffer, uint32_t value1, uint32_t value2);

// The registry's document classes, as far as the program asks them: the
// class of ".htm" and its open command, which starts the web browser of the
// configuration (see config::browserCommand). Returns 0 on success and
// copies at most 260 bytes (with the terminator) into `out`; 2 when the key
// is unknown.
constexpr int kClassesRoot = 0;
int readRegistryString(int rootKey, const char* subKey, char* out);

// Starts the default web browser on the URL without waiting for it. The
// browser command is split into words and the URL handed over as one
// further argument; no shell is involved. True when the browser started.
// A browser that cannot be started, or that ends with a non-zero exit
// status, leaves a BrowserFailure for takeBrowserFailures.
bool launchBrowser(const char* url, int showCommand);

// A web browser that did not show its address.
struct BrowserFailure {
    static constexpr int kNotStarted = -2;  // the command could not be run at all
    std::string url;
    std::string command;           // the browser command's first word
    int exitStatus = kNotStarted;  // else the exit status (-1: ended by a signal)
};
// The browser failures since the last call, oldest first. A browser's end
// is seen on a thread of its own; whoever tells the player polls here.
std::vector<BrowserFailure> takeBrowserFailures();
// The player's words for a failure, naming the address.
std::string describeBrowserFailure(const BrowserFailure& failure);
