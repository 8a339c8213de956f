#include "game/view/colours.h"

#include <algorithm>

#include "game/board/board.h"
#include "game/board/piece.h"

void scaleColour(const Rgba& colour, Rgba* result, float factor) {
    result->r = colour.r * factor;
    result->g = colour.g * factor;
    result->b = colour.b * factor;
    result->a = colour.a * factor;
}

Rgba scaled(const Rgba& colour, float factor) {
    Rgba out;
    scaleColour(colour, &out, factor);
    return out;
}

ColourPair pieceColours(const OrvexBoard& board, const OrvexPiece& piece) {
    static constexpr ColourPair kBlue{{0.2f, 0.2f, 0.5f, 1}, {0.5f, 0.5f, 1.0f, 1}};
    static constexpr ColourPair kRed{{0.5f, 0.2f, 0.2f, 1}, {1.0f, 0.5f, 0.5f, 1}};
    static constexpr ColourPair kGreen{{0.2f, 0.5f, 0.2f, 1}, {0.5f, 1.0f, 0.5f, 1}};
    static constexpr ColourPair kPurple{{0.5f, 0.2f, 0.5f, 1}, {1.0f, 0.5f, 1.0f, 1}};
    static constexpr ColourPair kHit{{1, 1, 1, 1}, {1, 1, 1, 1}};
    static constexpr ColourPair kBlack{{0.1f, 0.1f, 0.1f, 1}, {0.5f, 0.5f, 0.5f, 1}};
    static constexpr ColourPair kWhite{{0.6f, 0.6f, 0.6f, 1}, {1, 1, 1, 1}};

    const int seat = piece.iPlayer;
    ColourPair c = kBlue;
    if (seat == 1) c = kRed;
    if (seat == 2) c = kGreen;
    if (seat == 4) c = kPurple;
    if (piece.iHit) c = kHit;
    if (board.isOthStyle() && seat == 1) c = kBlack;
    if ((board.isOthStyle() || board.isChkStyle()) && seat == 2) c = kWhite;
    if (board.isChkStyle() && seat == 1) c = kRed;
    return c;
}

Rgba seatTint(int seat) { return scene_colour::kSeatTint[(seat >= 1 && seat <= 4) ? seat : 0]; }

Rgba turnIndicatorTint(const OrvexBoard& board, int seat) {
    if (board.isOthStyle() && (seat == 1 || seat == 2)) return scene_colour::kReversiTint[seat];
    if (board.isChkStyle() && seat == 2) return scene_colour::kReversiTint[2];
    return seatTint(seat);
}

Rgba litColour(const Rgba& m) {
    // Global ambient 0.2 + light ambient 0.51 + diffuse 0.7 (normal toward the light).
    constexpr float kGain = 0.2f + 0.51f + 0.7f;
    return {std::min(1.0f, m.r * kGain), std::min(1.0f, m.g * kGain), std::min(1.0f, m.b * kGain), m.a};
}
