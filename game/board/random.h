#pragma once
// The shared game random generator: two 32-bit words that every client
// seeds alike (the server's seed message), so that the hyper redirects and
// the teleports draw the same values everywhere. Each board owns one, so
// several games can run side by side in one process.
#include <cstdint>

class BoardRandom {
public:
    static constexpr uint32_t kInitialS = 768468;  // 0xBB9D4
    static constexpr uint32_t kInitialT = 242142;  // 0x3B1DE

    // Advances the state (32-bit wrapping arithmetic) and returns the new s.
    uint32_t next();
    void setSeeds(uint32_t s, uint32_t t) {
        iS = s;
        iT = t;
    }
    uint32_t s() const { return iS; }
    uint32_t t() const { return iT; }

private:
    uint32_t iS = kInitialS;
    uint32_t iT = kInitialT;
};
