#pragma once
// The smallest game state a board can live in (header only, without the
// test framework, so the fuzz entries share it): it keeps the turn fields
// and counts the calls the board makes.
#include <memory>

#include "game/board/board.h"
#include "game/board/gamestate.h"

namespace board_test {

// A game state that only keeps the turn fields and counts the calls.
class StubGame : public OrvexGameState {
public:
    StubGame() : board(std::make_unique<OrvexBoard>(*this)) {}
    int getCurrentPlayer() const override { return current; }
    void setCurrentPlayer(int seat) override { current = seat; }
    int getTurnsLeft() const override { return moves; }
    void setTurnsLeft(int m) override { moves = m; }
    int getAnimSequence() const override { return anim; }
    void setAnimSequence(int count) override { anim = count; }
    void checkGameOver() override { ++gameOverChecks; }
    void resetPlayerLabels() override { ++labelResets; }
    void boardLoaded() override { ++loads; }

    int current = 1;
    int moves = 0;
    int anim = 0;
    int gameOverChecks = 0;
    int labelResets = 0;
    int loads = 0;
    std::unique_ptr<OrvexBoard> board;
};

}  // namespace board_test
