#include "game/protocol/gamedispatch.h"

void OrvexGameDispatch::setRandomSeeds(uint32_t s, uint32_t t) {
    // Seeds that come before any board has nothing to seed yet.
    if (OrvexBoard* board = iGame.getBoard()) board->setRandomSeeds(s, t);
}
