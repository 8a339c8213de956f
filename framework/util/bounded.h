#pragma once
// Small helpers for the texts the program passes on: null read as empty,
// and texts held to the lengths the system states (names, titles, info
// lines).
#include <cstddef>
#include <string>

// The text, or "" for null.
inline const char* orEmpty(const char* s) { return s ? s : ""; }

// At most `limit` bytes of the text (null reads as empty), never cutting a
// UTF-8 sequence in two.
inline std::string boundedText(const char* text, std::size_t limit) {
    std::string s = text ? text : "";
    if (s.size() <= limit) return s;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}
