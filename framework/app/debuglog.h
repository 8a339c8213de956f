#pragma once
// The process-wide debug log. It is switched on only when the marker file
// "test.env" can be opened in the program folder at the first log call; then
// "error.txt" is removed, every text goes to "note.txt" (or "note2.txt" when
// that cannot be opened) and is flushed at once, and texts beginning "ERROR"
// also go to "error.txt". The first call also settles `testMode`.
// One mutex guards the log, so every thread may log.
#include <cstdint>

// 1 when the marker file was present at the first log call, else 0.
extern int testMode;

// Writes one text as it stands (no newline is added).
void debugLog(const char* text);
// Appends a text to "error.txt" (opened at its first use).
void writeErrorFile(const char* text);

// An address as the log shows it ("%d"): its low 32 bits.
inline int addressOf(const void* p) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(p)); }

// The formatting wrappers: printf-style, bounded to 1,023 characters.
void debugPrintfS(const char* format, const char* s);
void debugPrintfI(const char* format, int i);
void debugPrintfSS(const char* format, const char* s1, const char* s2);
void debugPrintfSI(const char* format, const char* s, int i);
void debugPrintfII(const char* format, int i1, int i2);
void debugPrintfIII(const char* format, int i1, int i2, int i3);
void debugPrintfSII(const char* format, const char* s, int i1, int i2);
void debugPrintfSSI(const char* format, const char* s1, const char* s2, int i);
void debugPrintfIIII(const char* format, int i1, int i2, int i3, int i4);
void debugPrintfSIII(const char* format, const char* s, int i1, int i2, int i3);
void debugPrintfIIIS(const char* format, int i1, int i2, int i3, const char* s);
void debugPrintfIIIII(const char* format, int i1, int i2, int i3, int i4, int i5);
void debugPrintfSIIII(const char* format, const char* s, int i1, int i2, int i3, int i4);

// The open log file, or null; other code may print into it directly while
// holding the log through DebugLogFileLock.
class DebugLogFileLock {
public:
    DebugLogFileLock();
    ~DebugLogFileLock();
    DebugLogFileLock(const DebugLogFileLock&) = delete;
    DebugLogFileLock& operator=(const DebugLogFileLock&) = delete;
    void* file() const;  // a FILE*, or null while the log is off
};

// Tests only: closes the log files and forgets the decision, so the next
// call decides afresh in the current working directory.
void debugLogResetForTests();
