#pragma once
// The client's receive buffer: bytes from the server not yet split into
// messages, always followed by a NUL. It holds at most kCapacity bytes;
// a read asks for no more than freeSpace(), so it never overflows, and the
// caller splits whole messages off between reads.
#include <cstdint>

class OrvexReceiveBuffer {
public:
    static constexpr int kBytes = 1024;           // with the NUL
    static constexpr int kCapacity = kBytes - 1;  // bytes of data

    int held() const { return iHeld; }
    int freeSpace() const { return kCapacity - iHeld; }
    const uint8_t* data() const { return iBytes; }
    // Where the next read goes (freeSpace() bytes of room).
    uint8_t* tail() { return iBytes + iHeld; }
    // A read put n bytes at tail(); more than the free space is refused
    // with an "ERROR" line.
    void commit(int n);
    // Drops the first n bytes and moves the rest, with its NUL, to the
    // front; n above held is refused with an "ERROR" line.
    void consumeBytes(int n);
    void clear();

private:
    uint8_t iBytes[kBytes] = {};
    int iHeld = 0;
};
