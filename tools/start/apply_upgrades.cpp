#include "tools/start/apply_upgrades.h"

#include <zlib.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "platform/os/files.h"
#include "services/upgrade/upgradelist.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kGzList = "system/gzlist";

// Replaces (or creates) a file of the folder, making its folders first.
bool install(const fs::path& file, const std::string& bytes, std::string* why) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return platform::replaceFile(file.c_str(), bytes.data(), bytes.size(), why);
}

}  // namespace

bool gunzipAll(const std::string& packed, std::string* out, std::string* why) {
    out->clear();
    if (packed.empty()) {
        *why = "empty";
        return false;
    }
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) {  // gzip wrapping only
        *why = "no memory";
        return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char piece[16384];
    int rc = Z_OK;
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(piece);
        z.avail_out = sizeof piece;
        rc = inflate(&z, Z_NO_FLUSH);
        out->append(piece, sizeof piece - z.avail_out);
        if (rc == Z_STREAM_END) {
            if (z.avail_in == 0) break;
            inflateReset(&z);  // a further member follows
            continue;
        }
        if (rc != Z_OK) break;
        if (z.avail_in == 0 && z.avail_out != 0) {
            rc = Z_BUF_ERROR;  // the data ends inside a member
            break;
        }
    }
    inflateEnd(&z);
    if (rc == Z_STREAM_END) return true;
    out->clear();
    *why = rc == Z_BUF_ERROR ? "cut short" : rc == Z_DATA_ERROR ? "damaged" : "cannot be unpacked";
    return false;
}

UpgradeReport applyUpgrades(const std::string& programFolder) {
    UpgradeReport report;
    const fs::path folder(programFolder);
    std::string list;
    if (!platform::readWholeFile((folder / kGzList).string(), &list)) return report;

    std::set<std::string> seen;
    std::istringstream lines(list);
    std::string stored;
    while (std::getline(lines, stored)) {
        if (!stored.empty() && stored.back() == '\r') stored.pop_back();
        if (stored.empty() || !seen.insert(stored).second) continue;
        const bool packed = stored.size() > 3 && stored.compare(stored.size() - 3, 3, ".gz") == 0;
        const std::string name = packed ? stored.substr(0, stored.size() - 3) : std::string();
        if (!packed || !isSafeUpgradeName(name)) {
            report.problems.push_back(stored + " is not a packed file of the program folder; skipped");
            continue;
        }
        const std::string keep = name + " stays as it was";
        std::string bytes, unpacked, why;
        if (!platform::readWholeFile((folder / stored).string(), &bytes)) {
            report.problems.push_back(stored + " is missing; " + keep);
            continue;
        }
        std::error_code ec;
        if (!gunzipAll(bytes, &unpacked, &why)) {
            report.problems.push_back(stored + " does not unpack (" + why + "); " + keep);
            fs::remove(folder / stored, ec);
            continue;
        }
        if (!install(folder / name, unpacked, &why)) {
            report.problems.push_back(name + " cannot be replaced (" + why + "); it stays as it was");
            continue;
        }
        // The layout never touches the player's own "user/" files: they
        // need no kept copy, and one would undo the player's later changes.
        const bool players = name.rfind("user/", 0) == 0;
        if (!players && !install(folder / kKeptUpgrades / name, unpacked, &why))
            report.problems.push_back(name + " is upgraded, but no copy could be kept (" + why +
                                      "); the next start lays out the shipped file again");
        fs::remove(folder / stored, ec);
        report.applied.push_back(name);
    }
    std::string why;
    if (!platform::replaceFile((folder / kGzList).c_str(), "", 0, &why))
        report.problems.push_back(std::string(kGzList) + " cannot be emptied (" + why + ")");
    return report;
}
