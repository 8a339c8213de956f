#pragma once
// Test helpers for the board engine: a minimal game state that records what
// the board asks of it, board files built from cell codes, and a text
// picture of a whole board for comparisons.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/app/options.h"
#include "game/board/board.h"
#include "game/board/tests/stub_game.h"
#include "testing/program_folder.h"

namespace board_test {

// The process-wide options store for one test.
struct OptionsStore {
    Options store;
    OptionsStore() { options = &store; }
    ~OptionsStore() { options = nullptr; }
};

// The cell codes with every blank taken out, so a row can be written
// "K041 .... M200" for readability.
std::string cells(const std::vector<std::string>& rows);
// A whole board file: title, a header with the size and style, the cells.
std::string boardFile(const std::string& style, int width, int height, const std::vector<std::string>& rows,
                      const std::string& extraHeader = "");
// One line per row; each cell as letter, direction, owner, the three
// per-turn counters, crowned, hit, flip and the floor letter.
std::string picture(const OrvexBoard& board);
// The board-file letter of a piece ('.' for blanks, '#' for walls).
char letterOf(const OrvexPiece* piece);

// A program folder with a stub game; load() writes a board file into
// "boards/" and reads it.
class BoardTest : public ::testing::Test {
protected:
    int load(const std::string& content, const std::string& name = "test.brd") {
        folder.write("boards/" + name, content);
        return board().loadFile(name.c_str());
    }
    OrvexBoard& board() { return *game.board; }

    testing_support::ProgramFolder folder;
    StubGame game;
};

}  // namespace board_test
