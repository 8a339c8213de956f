// The board-file reader: any file loads whole or not at all, and a board it
// loaded is saved and loads back the same.
#include <cstdint>
#include <string>

#include "framework/app/options.h"
#include "fuzz/fuzz_support.h"
#include "game/board/board.h"
#include "game/board/tests/stub_game.h"

namespace {

void checkWhole(const OrvexBoard& b) {
    FUZZ_CHECK(b.getWidth() >= 3 && b.getWidth() <= OrvexBoard::kCells);
    FUZZ_CHECK(b.getHeight() >= 3 && b.getHeight() <= OrvexBoard::kCells);
    for (int x = 0; x < b.getWidth(); ++x)
        for (int y = 0; y < b.getHeight(); ++y) {
            const OrvexPiece* p = b.getPiece(x, y);
            FUZZ_CHECK(p != nullptr);
            FUZZ_CHECK(p->iX == x && p->iY == y);
            FUZZ_CHECK(p->iDirection >= 0 && p->iDirection <= 7);
            const bool border = x == 0 || y == 0 || x == b.getWidth() - 1 || y == b.getHeight() - 1;
            FUZZ_CHECK(border == (p->isA(piece_class::kWall) != 0));
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    static Options store;
    options = &store;
    static board_test::StubGame game;
    OrvexBoard& board = *game.board;
    fuzz::writeFile("boards/fuzz.brd", data, size);
    if (board.loadFile("fuzz.brd") == 1) {
        checkWhole(board);
        FUZZ_CHECK(board.saveFile("again.brd") == 1);
        const std::string saved = fuzz::readFile("boards/again.brd");
        FUZZ_CHECK(board.loadFile("again.brd") == 1);
        checkWhole(board);
        FUZZ_CHECK(board.saveFile("again.brd") == 1);
        FUZZ_CHECK(fuzz::readFile("boards/again.brd") == saved);
    }
    return 0;
}
