#pragma once
// Applies the upgrades that the program downloaded into a program folder,
// before the program starts there. The upgrade window stores each file it
// fetched as "<name>.gz" beside the installed one and lists that stored
// name in "system/gzlist". For every listed name, once (a name is taken in
// one spelling: "./user/a" and "system//b" are "user/a" and "system/b"):
//   - the stored file is unpacked a piece at a time (every gzip member,
//     each with its length and CRC checked, nothing after the last), to at
//     most maxFileBytes;
//   - the installed file is replaced through a temporary file and a
//     rename, so it is either the old file or the whole new one, never a
//     part; a copy is kept in "upgrades/" under the same name, which the
//     layout of the program folder lays over the shipped files at every
//     start, so the upgrade stays in use (not for the player's own files
//     in "user/", which the layout never touches);
//   - the stored ".gz" file is removed.
// A stored file that is missing, does not unpack or is too large leaves the
// installed file as it was and is reported. Refused, reported, and nothing
// removed for them: a line with a control character, a name that is not a
// plain path inside the folder, "system/gzlist" itself, and a symbolic link
// on the way (the installed file, a folder on its path, the stored file,
// the list). "system/gzlist" is emptied at the end.
// Before all that, the temporary files that an ended run left behind (a run
// killed half-way, "<name>.tmp-<process>-<n>") are removed from the folder.
#include <cstdint>
#include <string>
#include <vector>

struct UpgradeReport {
    std::vector<std::string> applied;   // the installed names now upgraded
    std::vector<std::string> problems;  // one sentence each, naming the file
    std::vector<std::string> removed;   // temporary files of ended runs
};

// The largest file an upgrade may unpack to, and the largest stored file:
// the largest file the program downloads. The files of a program folder
// (pages, pictures, fonts, boards, the program itself) are a few MiB at
// most.
inline constexpr std::uint64_t kMaxUpgradeBytes = 256ULL * 1024 * 1024;

UpgradeReport applyUpgrades(const std::string& programFolder, std::uint64_t maxFileBytes = kMaxUpgradeBytes);

// The bytes of one or more gzip members, unpacked; false (with the reason)
// when they are not whole gzip data.
bool gunzipAll(const std::string& packed, std::string* out, std::string* why);

// The folder below a program folder where applied upgrades are kept.
inline constexpr const char* kKeptUpgrades = "upgrades";
