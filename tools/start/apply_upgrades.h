#pragma once
// Applies the upgrades that the program downloaded into a program folder,
// before the program starts there. The upgrade window stores each file it
// fetched as "<name>.gz" beside the installed one and lists that stored
// name in "system/gzlist". For every listed name, once:
//   - the stored file is unpacked (every gzip member, each with its length
//     and CRC checked, nothing after the last);
//   - the installed file is replaced through a temporary file and a
//     rename, so it is either the old file or the whole new one, never a
//     part; a copy is kept in "upgrades/" under the same name, which the
//     layout of the program folder lays over the shipped files at every
//     start, so the upgrade stays in use (not for the player's own files
//     in "user/", which the layout never touches);
//   - the stored ".gz" file is removed.
// A stored file that is missing or does not unpack leaves the installed
// file as it was and is reported; so is a name that is not a plain path
// inside the folder. "system/gzlist" is emptied at the end.
#include <string>
#include <vector>

struct UpgradeReport {
    std::vector<std::string> applied;   // the installed names now upgraded
    std::vector<std::string> problems;  // one sentence each, naming the file
};

UpgradeReport applyUpgrades(const std::string& programFolder);

// The bytes of one or more gzip members, unpacked; false (with the reason)
// when they are not whole gzip data.
bool gunzipAll(const std::string& packed, std::string* out, std::string* why);

// The folder below a program folder where applied upgrades are kept.
inline constexpr const char* kKeptUpgrades = "upgrades";
