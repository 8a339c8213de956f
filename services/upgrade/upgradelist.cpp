#include "services/upgrade/upgradelist.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/app/config.h"
#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/core/supercore.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "platform/os/files.h"

int upgradePopupShown = 0;

namespace {

std::uint32_t littleEndianWord(const unsigned char* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The number at the start of a field, as atoi reads it; huge values are
// clamped rather than overflowing.
long long leadingDecimal(std::string_view field) {
    std::string copy(field);
    return std::strtoll(copy.c_str(), nullptr, 10);
}

// The hexadecimal number at the start of a field, as "%X" reads it; 0 when
// there is none.
std::uint32_t leadingHex(std::string_view field) {
    std::string copy(field);
    return static_cast<std::uint32_t>(std::strtoull(copy.c_str(), nullptr, 16));
}

// A size for the log's %d, held to the int range.
int logNumber(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

bool mainWindowExists() {
    SuperCore* main = currentExec ? currentExec->mainCore() : nullptr;
    return main && main->frame();
}

// A local file that is missing, or differs from the listed size or sum.
bool localFileDiffers(const std::string& name, const UpgradeFileLine& listed) {
    FILE* f = openDataFile(name.c_str(), "rb");
    if (!f) {
        debugLog("UPGRADE-notexist\n");
        return true;
    }
    bool differs = true;
    long long length = -1;
    if (fseeko(f, 0, SEEK_END) == 0) length = ftello(f);
    if (length != listed.size) {
        debugPrintfII("UPGRADE-sizes %d,%d\n", logNumber(listed.size), logNumber(length));
    } else {
        std::rewind(f);
        std::uint32_t sum = fileWordSum(f);
        debugPrintfII("UPGRADE-crcs %X,%X\n", static_cast<int>(listed.sum), static_cast<int>(sum));
        differs = sum != listed.sum;
    }
    std::fclose(f);
    return differs;
}

void checkFileLine(std::string_view line, Vector* downloads) {
    std::string text(line);
    debugPrintfS("UPGRADE LINE %s\n", text.c_str());
    UpgradeFileLine file;
    if (!parseUpgradeFileLine(line, &file)) return;
    std::string local;
    if (!upgradeLocalName(file, &local)) {
        debugPrintfSII("UPGRADE %s %d %X\n", "*NONE*", logNumber(file.size), static_cast<int>(file.sum));
        return;
    }
    if (!isSafeUpgradeName(local)) {
        debugPrintfS("ERROR: upgrade list names a file outside the program folder: %s\n", local.c_str());
        return;
    }
    debugPrintfSII("UPGRADE %s %d %X\n", local.c_str(), logNumber(file.size), static_cast<int>(file.sum));
    if (localFileDiffers(local, file)) downloads->addString(local.c_str());
}

}  // namespace

void WordSum::add(const unsigned char* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count && iPendingCount > 0) {
        iPending[iPendingCount++] = bytes[i++];
        if (iPendingCount == 4) {
            iSum += littleEndianWord(iPending);
            iPendingCount = 0;
        }
    }
    for (; i + 4 <= count; i += 4) iSum += littleEndianWord(bytes + i);
    while (i < count) iPending[iPendingCount++] = bytes[i++];
}

std::uint32_t WordSum::sum() const {
    unsigned char last[4] = {};
    std::memcpy(last, iPending, static_cast<std::size_t>(iPendingCount));
    return iSum + littleEndianWord(last);
}

std::uint32_t fileWordSum(FILE* file) {
    WordSum sum;
    std::vector<unsigned char> chunk(64 * 1024);
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) sum.add(chunk.data(), n);
    return sum.folded();
}

bool parseUpgradeFileLine(std::string_view line, UpgradeFileLine* out) {
    *out = UpgradeFileLine{};
    std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return false;
    out->name = std::string(line.substr(0, blank));
    std::string_view rest = line.substr(blank + 1);
    blank = rest.find(' ');
    if (blank == std::string_view::npos) return true;
    out->size = leadingDecimal(rest.substr(0, blank));
    rest = rest.substr(blank + 1);
    blank = rest.find(' ');
    if (blank == std::string_view::npos) return true;
    out->sum = leadingHex(rest.substr(0, blank));
    out->flags = std::string(rest.substr(blank + 1));
    return true;
}

bool upgradeLocalName(const UpgradeFileLine& file, std::string* localName) {
    if (file.flags.find('s') == std::string::npos) {
        *localName = file.name;
        return true;
    }
    std::string marker = std::string("os_") + config::kPlatform + "_";
    std::size_t at = file.name.find(marker);
    if (at == std::string::npos) return false;
    *localName = file.name.substr(at + marker.size());
    return true;
}

bool isSafeUpgradeName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    if (name.find_first_of("\\:") != std::string_view::npos) return false;
    // A control byte would end up in system/gzlist and in a file name.
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = name.find('/', start);
        std::string_view segment = name.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (segment == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

bool parseUpgradePopup(std::string_view line, UpgradePopup* out) {
    *out = UpgradePopup{};
    out->error = line.size() > 4 && line[4] == 'E';
    std::size_t at = line.find(' ');
    if (at == std::string_view::npos) return false;
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) return false;
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) return false;  // a marker and no text
    out->marker = std::string(line.substr(at, end - at));
    at = line.find_first_not_of(' ', end);
    if (at == std::string_view::npos) return false;
    out->text = std::string(line.substr(at));
    for (char& c : out->text)
        if (c == '^') c = '\n';
    return true;
}

bool considerUpgradePopup(const UpgradePopup& popup, bool mainWindowExists) {
    if (!mainWindowExists || upgradePopupShown) return false;
    upgradePopupShown = 1;
    debugPrintfS("FILE(%s)\n", popup.marker.c_str());
    if (FILE* marker = platform::openFile(popup.marker.c_str(), "r")) {
        std::fclose(marker);
        return false;
    }
    showMessageBox(popup.error ? "Error" : "Information", popup.text.c_str(),
                   popup.error ? MessageBoxKind::Error : MessageBoxKind::Information);
    return true;
}

const char* processUpgradeList(Communicator* holder, const char* text) {
    if (!holder) return nullptr;
    delete holder->downloadList();
    Vector* lines = new Vector(0);
    Vector* downloads = new Vector(0);
    holder->setListLines(lines);
    holder->setDownloadList(downloads);

    const char* version = "unknown";
    bool fileLines = false;
    bool anyLine = false;
    const bool popupsShowable = mainWindowExists();
    forEachLine(text, [&](std::string_view line) {
        anyLine = true;
        char* stored = lines->storeString(std::string(line).c_str());
        lines->addElement(stored);
        const bool actedOn = fileLines || startsWith(line, "*");
        if (actedOn && line.size() > kMaxUpgradeLineChars) {
            debugPrintfI("ERROR: upgrade list line over %d characters ignored\n",
                         static_cast<int>(kMaxUpgradeLineChars));
            return;
        }
        if (startsWith(line, "*VER")) {
            // "*VER: " and then the version; a shorter line names none.
            version = line.size() > 6 ? stored + 6 : "unknown";
        } else if (startsWith(line, "*START")) {
            fileLines = true;
        } else if (startsWith(line, "*END")) {
            fileLines = false;
        } else if (startsWith(line, "*POPINFO") || startsWith(line, "*POPERROR")) {
            UpgradePopup popup;
            if (parseUpgradePopup(line, &popup)) considerUpgradePopup(popup, popupsShowable);
        } else if (fileLines && !startsWith(line, "*")) {
            checkFileLine(line, downloads);
        }
    });
    if (!anyLine) return nullptr;
    debugPrintfI("UPGRADE size=%d\n", downloads->size());
    return downloads->size() > 0 ? version : nullptr;
}
