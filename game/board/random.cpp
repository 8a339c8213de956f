#include "game/board/random.h"

uint32_t BoardRandom::next() {
    iS += 463463u;
    // The product is read as a signed 32-bit value and shifted arithmetically.
    const int32_t product = static_cast<int32_t>(iS * 5634u);
    iT += static_cast<uint32_t>(product >> 3);
    iS += iT;
    iS ^= 0x38520945u;
    return iS;
}
