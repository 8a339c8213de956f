#pragma once
// The upgrade list: the reply of the version page, read line by line. It
// names the version on offer ("*VER: "), brackets the file lines with
// "*START" and "*END", and may carry one pop-up message ("*POPINFO",
// "*POPERROR"). Each file line gives a file of the program folder with its
// size and word sum; every listed file that is missing or differs on disk
// goes into the download list, which the upgrade window fetches.
//
// Listed names come from the network: only plain relative paths inside the
// program folder are accepted, so nothing is ever checked or written
// outside it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class Communicator;

// The longest list line that is acted on; a longer one is ignored with an
// "ERROR" line rather than cut into another name.
constexpr std::size_t kMaxUpgradeLineChars = 127;

// Set once the first pop-up line of a run has been considered while the
// main window exists; at most one pop-up is shown a run.
extern int upgradePopupShown;

// The word sum of a file: the bytes as 32-bit little-endian words added
// modulo 2^32, a short last group padded with zero high bytes.
class WordSum {
public:
    void add(const unsigned char* bytes, std::size_t count);
    // The sum so far, a pending short group counted.
    std::uint32_t sum() const;
    // The sum folded to 16 bits, as the list gives it.
    std::uint32_t folded() const { return fold(sum()); }
    static std::uint32_t fold(std::uint32_t s) { return ((s >> 16) + s) & 0xFFFF; }

private:
    std::uint32_t iSum = 0;
    unsigned char iPending[4] = {};
    int iPendingCount = 0;
};

// The folded word sum of an open file, read from its start.
std::uint32_t fileWordSum(FILE* file);

// One file line, cut at single blanks: the name, then the size and the sum,
// each taken only when a blank follows it (else 0), then the flags.
struct UpgradeFileLine {
    std::string name;
    long long size = 0;
    std::uint32_t sum = 0;
    std::string flags;
};

// False when the name is not followed by a blank (the line is ignored).
[[nodiscard]] bool parseUpgradeFileLine(std::string_view line, UpgradeFileLine* out);

// The local name of a listed file: the listed name, or for a platform file
// (flag 's') the text after the platform marker "os_windows_"; false when a
// platform file lacks the marker.
bool upgradeLocalName(const UpgradeFileLine& file, std::string* localName);

// A relative path inside the program folder: not empty, no leading '/',
// no drive letter, no '\', no ".." segment, no control byte.
bool isSafeUpgradeName(std::string_view name);

// A pop-up line: "*POPINFO" or "*POPERROR", a blank, the marker file's path,
// blanks and the text ('^' read as a line break).
struct UpgradePopup {
    bool error = false;
    std::string marker;
    std::string text;
};

// False when the marker or the text is missing.
[[nodiscard]] bool parseUpgradePopup(std::string_view line, UpgradePopup* out);

// The pop-up rule: only while the main window exists and no pop-up was
// considered this run; the flag is set then, and the box is shown unless
// the marker file exists. True when a box was shown.
bool considerUpgradePopup(const UpgradePopup& popup, bool mainWindowExists);

// Parses the reply text into the holder's list lines and download list
// (replacing earlier ones) and checks each listed file on disk. Returns the
// version text when at least one file must be downloaded, else null.
[[nodiscard]] const char* processUpgradeList(Communicator* holder, const char* text);
