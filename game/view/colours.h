#pragma once
// The colours of the board scene (RGBA, single floats; every one is set as
// the front material's ambient and diffuse colour), the colour pair of a
// piece by style, owner and beam hit, and the scene's own random generator
// for its jitter (bolts, beam flicker, particles), which never touches the
// board's generator or the C library's.
#include <cstdint>

class OrvexBoard;
class OrvexPiece;

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
    const float* data() const { return &r; }
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

namespace scene_colour {
inline constexpr Rgba kGridBlue{0.2f, 0.4f, 0.9f, 1.0f};
inline constexpr Rgba kCheckerLight{0.3f, 0.55f, 0.3f, 1.0f};
inline constexpr Rgba kCheckerDark{0.2f, 0.5f, 0.2f, 1.0f};
inline constexpr Rgba kSeatTint[5] = {{0.1f, 0.1f, 0.3f, 0.3f},  // [0] unused: blue
                                      {0.3f, 0.1f, 0.1f, 0.3f},
                                      {0.1f, 0.3f, 0.1f, 0.3f},
                                      {0.1f, 0.1f, 0.3f, 0.3f},
                                      {0.3f, 0.1f, 0.3f, 0.3f}};
inline constexpr Rgba kReversiTint[3] = {{0.1f, 0.1f, 0.1f, 1.0f}, {0.1f, 0.1f, 0.1f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}};
inline constexpr Rgba kStar[5] = {{0.25f, 0.25f, 0.25f, 1.0f},  // [0]: no winner, neutral grey
                                  {0.9f, 0.3f, 0.3f, 1.0f},
                                  {0.3f, 0.9f, 0.3f, 1.0f},
                                  {0.3f, 0.3f, 0.9f, 1.0f},
                                  {0.9f, 0.3f, 0.9f, 1.0f}};
inline constexpr Rgba kStarBlack{0.0f, 0.0f, 0.0f, 1.0f};
inline constexpr Rgba kStarWhite{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Rgba kNeutralGrey{0.25f, 0.25f, 0.25f, 1.0f};
inline constexpr Rgba kBeamBlue{0.3f, 0.3f, 1.0f, 1.0f};
inline constexpr Rgba kParticleBlue{0.6f, 0.6f, 1.0f, 1.0f};
inline constexpr Rgba kMarkBlue{0.2f, 0.2f, 0.5f, 1.0f};
}  // namespace scene_colour

// All four components multiplied by the factor.
void scaleColour(const Rgba& colour, Rgba* result, float factor);
Rgba scaled(const Rgba& colour, float factor);

// The dark and light colour of a piece.
struct ColourPair {
    Rgba dark;
    Rgba light;
};
// By the rules in order, each later one overriding: the seat's colours
// (blue for seat 3 and anything unknown), white when hit by a beam, then
// on reversi black for seat 1, on reversi and checkers white for seat 2,
// on checkers red for seat 1.
ColourPair pieceColours(const OrvexBoard& board, const OrvexPiece& piece);

// The tint of the turn indicator for the seat whose turn it is.
Rgba turnIndicatorTint(const OrvexBoard& board, int seat);
// The tint of the selected square for the selecting seat.
Rgba seatTint(int seat);

// The colour a flat polygon shows under the scene's light: the global
// ambient 0.2, the light's ambient 0.51 and its diffuse 0.7 at full
// incidence, each times the material, clamped to 1 (alpha stays).
Rgba litColour(const Rgba& material);

// A small generator of the scene's own (xorshift), for the drawing's jitter.
class SceneJitter {
public:
    explicit SceneJitter(uint32_t seed = 0x2545F491u) : iState(seed ? seed : 1u) {}
    // 0 .. 2^32 - 1.
    uint32_t next() {
        iState ^= iState << 13;
        iState ^= iState >> 17;
        iState ^= iState << 5;
        return iState;
    }
    // 0 .. n - 1 (n > 0).
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

private:
    uint32_t iState;
};
