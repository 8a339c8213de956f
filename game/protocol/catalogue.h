#pragma once
// The message catalogue: every code the client and the server exchange,
// its length (fixed, or given by a length byte inside it), the fields that
// must be checked before use and, for the codes the client receives, the
// handler it runs. The server's stream is not framed, so the catalogue is
// also what splits it into whole messages.
#include <cstdint>

class OrvexMessageHandler;

enum OrvexFlow : int {
    kToServer = 1,
    kFromServer = 2,
    kBothWays = kToServer | kFromServer,
};

struct OrvexMessageCode {
    const char* letters;
    int flow;
    // The whole length for a fixed-length code; for a text code the index of
    // its length byte n (the whole length is then that index + 1 + n).
    int length;
    bool text;
    // Bytes that must hold a seat, or a player count, of 1 to 4 (-1: none).
    int seatAt;
    int countAt;
    // Runs the message's handler; null for codes the client only sends.
    void (*apply)(const uint8_t* message, OrvexMessageHandler& handler);
};

// The codes in the order the client tests them, then those only the server
// receives.
const OrvexMessageCode* messageCodes(int* count);

enum class OrvexSplit {
    Whole,    // a complete message of `length` bytes heads the bytes
    Partial,  // a message has begun and waits for more bytes
    Invalid,  // a complete message of `length` bytes whose fields are bad
    Unknown,  // the head matches no code of the flow
};

struct OrvexSplitResult {
    OrvexSplit status = OrvexSplit::Partial;
    int length = 0;
    const OrvexMessageCode* code = nullptr;
    const char* problem = "";  // for Invalid and Unknown
};

// Looks at the message at the head of `held` bytes, among the codes of
// `flow` (kToServer for what the server receives, kFromServer for what the
// client receives). Text messages must carry a length byte of at least 1
// and end with their NUL; seats and counts must lie in 1 to 4.
OrvexSplitResult splitMessage(const uint8_t* bytes, int held, int flow);

// Runs the handler of one whole message received by the client (as split
// by splitMessage with kFromServer); false when it is not such a message.
bool dispatchMessage(const uint8_t* message, int length, OrvexMessageHandler& handler);
