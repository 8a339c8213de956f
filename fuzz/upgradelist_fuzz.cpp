// The upgrade list: any reply text (up to its first zero byte) is read
// twice into one holder, as two checks in a run would. Every name queued
// for download is a plain relative path inside the program folder (not
// empty, no leading '/', no drive, no '\', no ".." part), comes from a file
// line of at most 127 characters that names it, and the version on offer
// is a line's text, or "unknown", exactly when something is queued. Each
// line's fields stay within the line, and at most one pop-up shows a run.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "framework/app/messagebox.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "fuzz/fuzz_support.h"
#include "services/upgrade/upgradelist.h"

namespace {

// The text's lines, cut at CR, LF or CR LF.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
        if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
    }
    return lines;
}

// Written here on its own terms rather than with the reader's helper.
bool insideProgramFolder(std::string_view name) {
    if (name.empty() || name[0] == '/') return false;
    if (name.find('\\') != std::string_view::npos) return false;
    if (name.size() >= 2 && name[1] == ':') return false;  // a drive
    std::string_view rest = name;
    for (;;) {
        const std::size_t slash = rest.find('/');
        if (rest.substr(0, slash) == "..") return false;
        if (slash == std::string_view::npos) return true;
        rest.remove_prefix(slash + 1);
    }
}

// A file line of at most 127 characters that names the file: its first
// field, or for a platform file the part after the marker.
bool namedByAFileLine(const std::vector<std::string_view>& lines, const std::string& name) {
    for (std::string_view line : lines) {
        if (line.size() > kMaxUpgradeLineChars || line.empty() || line[0] == '*') continue;
        const std::string_view first = line.substr(0, line.find(' '));
        if (first.size() == line.size()) continue;  // no blank behind the name
        if (first == name) return true;
        const std::string platform = "os_windows_" + name;
        if (first.size() >= platform.size() && first.substr(first.size() - platform.size()) == platform) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static bool ready = false;
    if (!ready) {
        ready = true;
        fuzz::enterProgramFolder();
        // An installed file that a list may name with its size and sum
        // ("system/same.txt 5 D243 e"), so the check on disk runs to the end.
        fuzz::writeFile("system/same.txt", "hello");
    }
    const std::string reply(reinterpret_cast<const char*>(data), size);
    const char* text = reply.c_str();
    const std::vector<std::string_view> lines = linesOf(text);

    int boxes = 0;
    setMessageBoxHandler([&](const char*, const char*, MessageBoxKind) { ++boxes; });

    Communicator holder(nullptr, 1);
    for (int round = 0; round < 2; ++round) {
        const char* version = processUpgradeList(&holder, text);
        const Vector* downloads = holder.downloadList();
        FUZZ_CHECK(downloads != nullptr && holder.listLines() != nullptr);
        FUZZ_CHECK(holder.listLines()->size() == static_cast<int>(lines.size()));
        FUZZ_CHECK((version != nullptr) == (downloads->size() > 0));
        if (version && std::strcmp(version, "unknown") != 0) {
            const std::string v = version;
            bool fromAVersionLine = false;
            for (std::string_view line : lines)
                fromAVersionLine |= line.size() <= kMaxUpgradeLineChars && line.substr(0, 4) == "*VER" &&
                                    line.size() > 6 && line.substr(6) == v;
            FUZZ_CHECK(fromAVersionLine);
        }
        for (int i = 0; i < downloads->size(); ++i) {
            const std::string name = static_cast<const char*>(downloads->elementAt(i));
            FUZZ_CHECK(name.size() <= kMaxUpgradeLineChars);
            FUZZ_CHECK(insideProgramFolder(name));
            FUZZ_CHECK(namedByAFileLine(lines, name));
        }
    }
    delete holder.downloadList();  // the holder only lends it

    // Each line's fields, and the pop-up rule over a whole run.
    upgradePopupShown = 0;
    for (std::string_view line : lines) {
        UpgradeFileLine file;
        if (parseUpgradeFileLine(line, &file)) {
            FUZZ_CHECK(line.substr(0, file.name.size() + 1) == file.name + " ");
            FUZZ_CHECK(file.flags.size() < line.size());
            std::string local;
            if (upgradeLocalName(file, &local)) FUZZ_CHECK(local.size() <= file.name.size());
        }
        UpgradePopup popup;
        if ((line.substr(0, 8) == "*POPINFO" || line.substr(0, 9) == "*POPERROR") && parseUpgradePopup(line, &popup)) {
            FUZZ_CHECK(!popup.marker.empty() && popup.marker.find(' ') == std::string::npos);
            FUZZ_CHECK(!popup.text.empty() && popup.text.find('^') == std::string::npos);
            considerUpgradePopup(popup, true);
        }
    }
    FUZZ_CHECK(boxes <= 1);
    upgradePopupShown = 0;
    setMessageBoxHandler(nullptr);
    return 0;
}
