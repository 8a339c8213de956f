#include "framework/app/debuglog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/os/files.h"

int testMode = 0;

namespace {

// Never destroyed: a worker still fetching while the process exits may log
// after the static objects are gone.
std::recursive_mutex& logMutex = *new std::recursive_mutex;
// Set once the log is off for good. Read without the lock, so that a
// disabled log costs every call, wrappers included, one flag test: nothing
// is formatted and no lock is taken.
std::atomic<bool> disabled{false};
bool decided = false;
FILE* logFile = nullptr;
FILE* errorFile = nullptr;

const char* const kMarker = "test.env";
const char* const kNote = "C:\\note.txt";
const char* const kNote2 = "C:\\note2.txt";
const char* const kError = "C:\\error.txt";

void writeErrorFileLocked(const char* text) {
    if (!errorFile) errorFile = platform::openFile(kError, "w");
    if (errorFile) {
        std::fprintf(errorFile, "%s", text);
        std::fflush(errorFile);
    }
}

bool logOff() { return disabled.load(std::memory_order_relaxed); }

// Every formatting wrapper comes here: an off log formats nothing.
void formatAndLog(const char* format, ...) {
    if (logOff()) return;
    char buffer[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", ap);
    va_end(ap);
    debugLog(buffer);
}

const char* str(const char* s) { return s ? s : "(null)"; }

}  // namespace

void debugLog(const char* text) {
    if (!text || logOff()) return;
    std::lock_guard<std::recursive_mutex> lock(logMutex);
    if (disabled) return;
    if (!decided) {
        decided = true;
        FILE* marker = platform::openFile(kMarker, "r");
        if (!marker) {
            testMode = 0;
            disabled = true;
            return;
        }
        std::fclose(marker);
        testMode = 1;
        platform::removeFile(kError);
        logFile = platform::openFile(kNote, "w");
        if (!logFile) logFile = platform::openFile(kNote2, "w");
    }
    if (logFile) {
        std::fprintf(logFile, "%s", text);
        std::fflush(logFile);
    } else {
        disabled = true;  // both log files failed: this text still reaches the error file
    }
    if (std::strncmp(text, "ERROR", 5) == 0) writeErrorFileLocked(text);
}

void writeErrorFile(const char* text) {
    if (!text) return;
    std::lock_guard<std::recursive_mutex> lock(logMutex);
    writeErrorFileLocked(text);
}

void debugPrintfS(const char* f, const char* s) { formatAndLog(f, str(s)); }
void debugPrintfI(const char* f, int i) { formatAndLog(f, i); }
void debugPrintfSS(const char* f, const char* a, const char* b) { formatAndLog(f, str(a), str(b)); }
void debugPrintfSI(const char* f, const char* s, int i) { formatAndLog(f, str(s), i); }
void debugPrintfII(const char* f, int a, int b) { formatAndLog(f, a, b); }
void debugPrintfIII(const char* f, int a, int b, int c) { formatAndLog(f, a, b, c); }
void debugPrintfSII(const char* f, const char* s, int a, int b) { formatAndLog(f, str(s), a, b); }
void debugPrintfSSI(const char* f, const char* a, const char* b, int i) { formatAndLog(f, str(a), str(b), i); }
void debugPrintfIIII(const char* f, int a, int b, int c, int d) { formatAndLog(f, a, b, c, d); }
void debugPrintfSIII(const char* f, const char* s, int a, int b, int c) { formatAndLog(f, str(s), a, b, c); }
void debugPrintfIIIS(const char* f, int a, int b, int c, const char* s) { formatAndLog(f, a, b, c, str(s)); }
void debugPrintfIIIII(const char* f, int a, int b, int c, int d, int e) { formatAndLog(f, a, b, c, d, e); }
void debugPrintfSIIII(const char* f, const char* s, int a, int b, int c, int d) { formatAndLog(f, str(s), a, b, c, d); }

DebugLogFileLock::DebugLogFileLock() { logMutex.lock(); }
DebugLogFileLock::~DebugLogFileLock() { logMutex.unlock(); }
void* DebugLogFileLock::file() const { return logFile; }

void debugLogResetForTests() {
    std::lock_guard<std::recursive_mutex> lock(logMutex);
    if (logFile) std::fclose(logFile);
    if (errorFile) std::fclose(errorFile);
    logFile = errorFile = nullptr;
    disabled = false;
    decided = false;
    testMode = 0;
}
