#include "game/board/random.h"

uint32_t BoardRandom::next() {
    s_ += 463463u;
    // The product is read as a signed 32-bit value and shifted arithmetically.
    const int32_t product = static_cast<int32_t>(s_ * 5634u);
    t_ += static_cast<uint32_t>(product >> 3);
    s_ += t_;
    s_ ^= 0x38520945u;
    return s_;
}
