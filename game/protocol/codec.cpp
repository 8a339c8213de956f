#include "game/protocol/codec.h"

#include <algorithm>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"

namespace {

// Unframed server messages are bounded only by their length byte.
constexpr int kMaxLengthByte = 255;

void appendText(MessageBytes* m, const char* text, int headerBytes, int maxMessage) {
    int len = fittedTextLength(text, headerBytes, maxMessage);
    m->push_back(static_cast<uint8_t>(len + 1));
    m->insert(m->end(), text, text + len);
    m->push_back(0);
}

}  // namespace

OrvexMessage* makeMessage(OrvexMessage* record, const void* bytes, int count, int extra) {
    if (count < 0) count = 0;
    debugLog("a");
    record->bytes = new uint8_t[static_cast<std::size_t>(std::max(count, 1))];
    debugLog("b");
    if (count > 0) std::memcpy(record->bytes, bytes, static_cast<std::size_t>(count));
    debugLog("c");
    record->count = count;
    record->extra = extra;
    return record;
}

void deleteSentMessage(OrvexMessage* record, int flags) {
    if (!record) return;
    delete[] record->bytes;
    record->bytes = nullptr;
    if (flags & 1) delete record;
}

uint8_t byteSum(const uint8_t* body, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) sum += body[i];
    return static_cast<uint8_t>(sum & 0xff);
}

void putFrameHeader(uint8_t* out, const uint8_t* body, int count) {
    out[0] = byteSum(body, count);
    out[1] = static_cast<uint8_t>((count >> 8) & 0xff);
    out[2] = static_cast<uint8_t>(count & 0xff);
}

void putLoginBlock(uint8_t* out, const uint32_t words[kLoginWords]) {
    out[0] = 'G';
    out[1] = 'K';
    out[2] = 'V';
    out[3] = 0x01;
    putTwoLongs(out + 4, words[0], words[1]);
    putTwoLongs(out + 12, words[2], words[3]);
}

bool isLoginBlock(const uint8_t* bytes) {
    return bytes[0] == 'G' && bytes[1] == 'K' && bytes[2] == 'V' && bytes[3] == 0x01;
}

MessageBytes frameMessage(const uint8_t* body, int count) {
    MessageBytes frame(static_cast<std::size_t>(kFrameHeaderBytes + count));
    putFrameHeader(frame.data(), body, count);
    if (count > 0) std::memcpy(frame.data() + kFrameHeaderBytes, body, static_cast<std::size_t>(count));
    return frame;
}

int fittedTextLength(const char* text, int headerBytes, int maxMessage) {
    if (!text) return 0;
    int len = static_cast<int>(std::strlen(text));
    // The bytes before the length byte, the length byte, the text and its
    // NUL; the length byte counts the text and the NUL.
    int room = std::min(maxMessage - headerBytes - 2, kMaxLengthByte - 1);
    if (room < 0) room = 0;
    if (len <= room) return len;
    len = room;
    // Back off to the start of a UTF-8 sequence.
    while (len > 0 && (static_cast<uint8_t>(text[len]) & 0xC0) == 0x80) --len;
    return len;
}

MessageBytes codeMessage(const char* code, std::initializer_list<int> fields) {
    MessageBytes m(code, code + std::strlen(code));
    for (int f : fields) m.push_back(static_cast<uint8_t>(f & 0xff));
    return m;
}

MessageBytes rowMessage(const char* code, uint32_t id1, uint32_t id2, std::initializer_list<int> tailBytes, int tail) {
    MessageBytes m = codeMessage(code);
    std::size_t at = m.size();
    m.resize(at + 8);
    putTwoLongs(m.data() + at, id1, id2);
    for (int b : tailBytes) m.push_back(static_cast<uint8_t>(b & 0xff));
    for (int i = static_cast<int>(tailBytes.size()); i < tail; ++i) m.push_back(0);
    return m;
}

int maxFrameBodyFor(const uint8_t* body, int count) {
    if (body && count >= 2 && body[0] == 'L' && body[1] == 'L') return kMaxLoginBody;
    return kMaxFrameBody;
}

MessageBytes loginMessage(const char* playerName) {
    MessageBytes m = codeMessage("LL");
    appendText(&m, playerName ? playerName : "", 2, kMaxLoginBody);
    return m;
}

MessageBytes chatMessage(int seat, const char* text) {
    MessageBytes m = codeMessage("PT", {seat});
    appendText(&m, text ? text : "", 3, kMaxFrameBody);
    return m;
}

MessageBytes lobbyRowMessage(uint32_t id1, uint32_t id2, const char* text) {
    MessageBytes m = rowMessage("LA", id1, id2, {}, 8);
    appendText(&m, text ? text : "", 18, 18 + 1 + kMaxLengthByte);
    return m;
}

MessageBytes rowMarkMessage(uint32_t id1, uint32_t id2, int flag) { return rowMessage("LU", id1, id2, {flag}, 8); }

MessageBytes rowRemoveMessage(uint32_t id1, uint32_t id2) { return rowMessage("LR", id1, id2, {}, 8); }

MessageBytes playerAddMessage(const char* name) {
    MessageBytes m = codeMessage("LPA");
    appendText(&m, name ? name : "", 3, 3 + 1 + kMaxLengthByte);
    return m;
}

MessageBytes seedsMessage(uint32_t s, uint32_t t) {
    MessageBytes m = codeMessage("PZ");
    m.resize(10);
    putTwoLongs(m.data() + 2, s, t);
    return m;
}
