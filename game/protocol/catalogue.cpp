#include "game/protocol/catalogue.h"

#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "game/protocol/handler.h"

namespace {

using H = OrvexMessageHandler;

uint32_t id1Of(const uint8_t* m) { return readInt32BE(m + 2); }
uint32_t id2Of(const uint8_t* m) { return readInt32BE(m + 6); }
const char* textAt(const uint8_t* m, int at) { return reinterpret_cast<const char*>(m + at); }

void applyLA(const uint8_t* m, H& h) {
    const char* text = textAt(m, 19);
    debugPrintfS("incmd:LA %s\n", text);
    h.addNewPlayer(id1Of(m), id2Of(m), text, "---/---");
}

void applyLU(const uint8_t* m, H& h) {
    debugLog("incmd:LU\n");
    if (m[10] != 0)
        h.markListRow(id1Of(m), id2Of(m));
    else
        h.unmarkListRow(id1Of(m), id2Of(m));
}

void applyLPA(const uint8_t* m, H& h) {
    h.initChatList();
    h.playerJoined(textAt(m, 4));
}

void applyPZ(const uint8_t* m, H& h) {
    uint32_t s = readInt32BE(m + 2);
    uint32_t t = readInt32BE(m + 6);
    debugPrintfII("rand %d, %d\n", static_cast<int>(s), static_cast<int>(t));
    h.setRandomSeeds(s, t);
}

// The client's test order first (LA ... PZ), then the codes only the
// server receives. No code is a prefix of another, so the order decides
// nothing but the look-up time.
const OrvexMessageCode kCodes[] = {
    {"LA", kFromServer, 18, true, -1, -1, applyLA},
    {"LU", kFromServer, 18, false, -1, -1, applyLU},
    {"LR", kFromServer, 18, false, -1, -1, [](const uint8_t* m, H& h) { h.removeListRow(id1Of(m), id2Of(m)); }},
    {"PM", kBothWays, 4, false, -1, -1, [](const uint8_t* m, H& h) { h.handleRemoteMove(m[2], m[3]); }},
    {"PS", kBothWays, 4, false, -1, -1, [](const uint8_t* m, H& h) { h.onRemoteSelect(m[2], m[3]); }},
    {"PU", kBothWays, 2, false, -1, -1, [](const uint8_t*, H& h) { h.unselectPiece(); }},
    {"PRR", kBothWays, 3, false, -1, -1, [](const uint8_t*, H& h) { h.onRemoteRotate(false); }},
    {"PRL", kBothWays, 3, false, -1, -1, [](const uint8_t*, H& h) { h.onRemoteRotate(true); }},
    {"PFS", kBothWays, 3, false, -1, -1, [](const uint8_t*, H& h) { h.onRemoteFire(); }},
    {"PFE", kBothWays, 3, false, -1, -1, [](const uint8_t*, H& h) { h.onRemoteFireEnd(); }},
    {"PQS", kBothWays, 4, false, 3, -1, [](const uint8_t* m, H& h) { h.onRemotePass(m[3]); }},
    // The seat byte of a chat line is not read by the client.
    {"PT", kBothWays, 3, true, -1, -1, [](const uint8_t* m, H& h) { h.addChatLine(textAt(m, 4)); }},
    {"LPC", kFromServer, 3, false, -1, -1, [](const uint8_t*, H& h) { h.clearPlayers(); }},
    {"LPA", kFromServer, 3, true, -1, -1, applyLPA},
    // Every seat byte reaches the side panel, which announces seat 0 by its
    // name and ignores seats beyond the players who joined.
    {"LPD", kFromServer, 4, false, -1, -1, [](const uint8_t* m, H& h) { h.onPlayerQuit(m[3]); }},
    {"LPB", kFromServer, 5, false, 3, 4, [](const uint8_t* m, H& h) { h.startGame(m[3], m[4]); }},
    {"PZ", kFromServer, 10, false, -1, -1, applyPZ},
    {"LL", kToServer, 2, true, -1, -1, nullptr},
    {"LC", kToServer, 10, false, -1, -1, nullptr},
    {"LD", kToServer, 10, false, -1, -1, nullptr},
    {"PQU", kToServer, 3, false, -1, -1, nullptr},
};

bool seatOrCount(int value) { return value >= 1 && value <= 4; }

}  // namespace

const OrvexMessageCode* messageCodes(int* count) {
    if (count) *count = static_cast<int>(sizeof kCodes / sizeof kCodes[0]);
    return kCodes;
}

OrvexSplitResult splitMessage(const uint8_t* bytes, int held, int flow) {
    OrvexSplitResult r;
    if (held <= 0) return r;  // nothing yet: waits
    bool begun = false;
    for (const OrvexMessageCode& c : kCodes) {
        if (!(c.flow & flow)) continue;
        int letters = static_cast<int>(std::strlen(c.letters));
        int compared = held < letters ? held : letters;
        if (std::memcmp(bytes, c.letters, static_cast<std::size_t>(compared)) != 0) continue;
        r.code = &c;
        if (held < letters) {
            begun = true;  // a prefix of this code
            continue;
        }
        if (c.text) {
            if (held <= c.length) return r;  // the length byte has not arrived
            int n = bytes[c.length];
            r.length = c.length + 1 + n;
        } else {
            r.length = c.length;
        }
        if (held < r.length) return r;
        r.status = OrvexSplit::Whole;
        if (c.text) {
            if (bytes[c.length] == 0) {
                r.status = OrvexSplit::Invalid;
                r.problem = "a length byte of 0";
            } else if (bytes[r.length - 1] != 0) {
                r.status = OrvexSplit::Invalid;
                r.problem = "a text without its NUL";
            }
        }
        if (c.seatAt >= 0 && !seatOrCount(bytes[c.seatAt])) {
            r.status = OrvexSplit::Invalid;
            r.problem = "a seat outside 1 to 4";
        }
        if (c.countAt >= 0 && !seatOrCount(bytes[c.countAt])) {
            r.status = OrvexSplit::Invalid;
            r.problem = "a player count outside 1 to 4";
        }
        return r;
    }
    if (begun) return r;
    r.code = nullptr;
    r.status = OrvexSplit::Unknown;
    r.problem = "a head that matches no code";
    return r;
}

bool dispatchMessage(const uint8_t* message, int length, OrvexMessageHandler& handler) {
    OrvexSplitResult r = splitMessage(message, length, kFromServer);
    if (r.status != OrvexSplit::Whole || r.length != length || !r.code->apply) return false;
    r.code->apply(message, handler);
    return true;
}
