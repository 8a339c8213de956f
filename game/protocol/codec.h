#pragma once
// The game protocol's byte layouts: the outgoing message record that the
// out queue holds, the frame that carries one message to the server (a
// checksum byte, a 16-bit big-endian body length, the body), the 20-byte
// login block that precedes the first frame of every connection, and
// builders for every message of the catalogue in both directions. All
// multi-byte numbers are big-endian; texts carry a length byte that counts
// the text and its terminating NUL.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

using MessageBytes = std::vector<uint8_t>;

// One queued outgoing message: a heap copy of its bytes, their count and an
// extra word (always 0). The out queue owns the records appended to it.
struct OrvexMessage {
    uint8_t* bytes = nullptr;
    int count = 0;
    int extra = 0;
    // The connection losses its sender knew of when it queued the message:
    // fewer than the connection has counted means it was meant for a
    // connection that is gone.
    int lossesKnown = 0;
};

// Fills the record with a copy of the bytes and returns it.
OrvexMessage* makeMessage(OrvexMessage* record, const void* bytes, int count, int extra);
// Frees the byte copy and, when bit 0 of flags is set, the record itself
// (a record made with new).
void deleteSentMessage(OrvexMessage* record, int flags);

// The sum of the body bytes modulo 256: the frame's checksum.
uint8_t byteSum(const uint8_t* body, int count);

constexpr int kFrameHeaderBytes = 3;
constexpr int kLoginBlockBytes = 20;
constexpr int kLoginWords = 4;
// A player name or chat text the client sends, with its NUL: what its
// length byte may count.
constexpr int kMaxTextBytes = 254;
// The longest chat line a player may type (the entry field's limit): its
// PT message is then the longest the client sends.
constexpr int kMaxChatTextChars = kMaxTextBytes - 1;
// The LL message alone is bound to 256 bytes (a name of at most 252
// characters).
constexpr int kMaxLoginBody = 256;
// No message the client sends is longer: a PT with the longest text
// (seat, length byte and 254 bytes of text): a frame body of 2 to 258.
constexpr int kMaxFrameBody = 4 + kMaxTextBytes;
constexpr int kMinFrameBody = 2;

// The longest frame body the message at the head of `body` may have:
// kMaxLoginBody for LL, kMaxFrameBody for every other code.
int maxFrameBodyFor(const uint8_t* body, int count);

// The checksum, then the length high byte and low byte.
void putFrameHeader(uint8_t* out, const uint8_t* body, int count);
// "GKV", 0x01, then the four words, each 32-bit big-endian.
void putLoginBlock(uint8_t* out, const uint32_t words[kLoginWords]);
// True when the 20 bytes start with "GKV" and 0x01.
bool isLoginBlock(const uint8_t* bytes);
// A whole frame: header and body.
MessageBytes frameMessage(const uint8_t* body, int count);

// How many bytes of the text a message carries: headerBytes stand before
// the length byte; the text (without its NUL) is cut so that the whole
// message is at most maxMessage bytes and the length byte at most 255,
// never inside a UTF-8 sequence. (The client's own texts stay within
// kMaxTextBytes through their maxMessage.)
int fittedTextLength(const char* text, int headerBytes, int maxMessage);

// The code letters followed by one byte per field ("PS", {x, y}).
MessageBytes codeMessage(const char* code, std::initializer_list<int> fields = {});
// The code letters, id1 and id2, then `tail` further bytes (0 unless given
// in `tailBytes`): LC and LD (tail 0), LU (a flag and seven bytes), LR
// (eight bytes), LA (eight bytes, then the text).
MessageBytes rowMessage(const char* code, uint32_t id1, uint32_t id2, std::initializer_list<int> tailBytes = {},
                        int tail = 0);

// To the server.
MessageBytes loginMessage(const char* playerName);     // LL n name
MessageBytes chatMessage(int seat, const char* text);  // PT seat n text

// From the server.
MessageBytes lobbyRowMessage(uint32_t id1, uint32_t id2, const char* text);  // LA
MessageBytes rowMarkMessage(uint32_t id1, uint32_t id2, int flag);           // LU
MessageBytes rowRemoveMessage(uint32_t id1, uint32_t id2);                   // LR
MessageBytes playerAddMessage(const char* name);                             // LPA n name
MessageBytes seedsMessage(uint32_t s, uint32_t t);                           // PZ
