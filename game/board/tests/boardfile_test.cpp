// The board-file reader and writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app/options.h"
#include "game/board/board.h"
#include "game/board/tests/board_support.h"
#include "platform/os/files.h"

using namespace board_test;

namespace {

std::string blanks(int w, int h) {
    std::string row;
    for (int i = 0; i < w; ++i) row += "....";
    std::string out;
    for (int i = 0; i < h; ++i) out += row + "\n";
    return out;
}

std::string withHeader(const std::string& header, const std::string& body) { return "title\n" + header + "\n" + body; }

}  // namespace

TEST_F(BoardTest, HeaderKeys) {
    struct Case {
        const char* header;
        int bodyW, bodyH;   // the cells the file carries
        int width, height;  // expected board, border included
        int style;          // 0 kv, 1 gkv, 2 oth, 3 chk, 4 d2d
    };
    const Case cases[] = {
        {"version: 1.0 size: 9 9 style: kv players: 2", 9, 9, 11, 11, 0},
        {"size: 5 3 style: oth players: 2", 5, 3, 7, 5, 2},
        {"size: 9 style: gkv players: 2", 9, 11, 11, 13, 1},     // one number: the height stays 11
        {"size: x 4 style: gkv players: 2", 11, 11, 13, 13, 1},  // a number that does not scan stays 11
        {"size: 4 4 style: oth style: chk turns: 1", 4, 4, 6, 6, 3},
        {"size: 4 4 style: chk style: oth turns: 1", 4, 4, 6, 6, 3},  // the later test wins, not the later text
        {"size: 4 4 style: kv style: d2d players: 2", 4, 4, 6, 6, 4},
        {"size: 4 4 players: 2 style: kv", 4, 4, 6, 6, 4},  // last pair without a blank: not read
        {"style: kv players: 2", 4, 4, 6, 6, 0},            // no size: the size stays
        {"size: 1 1 style: d2d players: 2", 1, 1, 3, 3, 4},
        {"size: 254 2 style: chk players: 2", 254, 2, 256, 4, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        ASSERT_EQ(1, load(withHeader(c.header, blanks(c.bodyW, c.bodyH))));
        EXPECT_EQ(c.width, board().getWidth());
        EXPECT_EQ(c.height, board().getHeight());
        const int flags[5] = {board().isKvStyle(), board().isGkvStyle(), board().isOthStyle(), board().isChkStyle(),
                              board().isD2dStyle()};
        for (int s = 0; s < 5; ++s) EXPECT_EQ(s == c.style ? 1 : 0, flags[s]) << "style " << s;
        EXPECT_EQ(c.style == 0 || c.style == 1, board().isOrvexStyle() != 0);
    }
}

TEST_F(BoardTest, HeaderWithoutSizeKeepsThePreviousSize) {
    ASSERT_EQ(1, load(withHeader("size: 5 4 style: kv ", blanks(5, 4))));
    ASSERT_EQ(1, load(withHeader("style: gkv players: 2", blanks(5, 4))));
    EXPECT_EQ(7, board().getWidth());
    EXPECT_EQ(6, board().getHeight());
    EXPECT_TRUE(board().isGkvStyle());
}

TEST_F(BoardTest, EveryCellCode) {
    struct Case {
        const char* code;
        char letter;  // layer 0
        char floor;   // layer 1, '-' none
        int direction, owner;
        int crowned, shots, stomps, swaps;
    };
    const Case cases[] = {
        {"C312", 'C', '-', 3, 1, 2, 0, 0, 0}, {"L215", 'L', '-', 2, 1, 0, 5, 0, 0},
        {"S043", 'S', '-', 0, 4, 0, 0, 3, 0}, {"O114", 'O', '-', 1, 1, 0, 0, 4, 0},
        {"M729", 'M', '-', 7, 2, 0, 0, 0, 0}, {"W610", 'W', '-', 6, 1, 0, 0, 0, 0},
        {"K420", 'K', '-', 4, 2, 0, 0, 0, 0}, {"H536", 'H', '-', 5, 3, 0, 0, 0, 6},
        {"D130", 'D', '-', 1, 3, 0, 0, 0, 0}, {"T240", 'T', '-', 2, 4, 0, 0, 0, 0},
        {"B340", 'B', '-', 3, 4, 0, 0, 0, 0}, {"X...", '.', 'X', 0, 0, 0, 0, 0, 0},
        {"Z...", '.', 'Z', 0, 0, 0, 0, 0, 0}, {"....", '.', '-', 0, 0, 0, 0, 0, 0},
        {"X143", '.', 'X', 0, 0, 0, 0, 0, 0},  // a hole cell: the blank on it faces 0, owns nothing
        {"Q123", '.', '-', 0, 0, 0, 0, 0, 0},  // unknown letter: blank
        {".3..", '.', '-', 0, 0, 0, 0, 0, 0},  // a blank never keeps an owner
        {"M9..", 'M', '-', 0, 0, 0, 0, 0, 0},  // 9 is no direction
        {"M8..", 'M', '-', 0, 0, 0, 0, 0, 0},  // 8 is a full turn
        {"M15.", 'M', '-', 1, 0, 0, 0, 0, 0},  // owners above 4 read as 0
        {"M1a.", 'M', '-', 1, 0, 0, 0, 0, 0},  // not a digit
        {"Cx2z", 'C', '-', 0, 2, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_EQ(1, load(boardFile("gkv", 1, 1, {c.code})));
        const OrvexPiece* p = board().getPiece(1, 1);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(c.letter, letterOf(p));
        const OrvexPiece* f = board().getOverlay(1, 1);
        EXPECT_EQ(c.floor, f ? letterOf(f) : '-');
        if (f) {
            EXPECT_EQ(0, f->getPlayer());
        }
        EXPECT_EQ(c.direction, p->iDirection);
        EXPECT_EQ(c.owner, p->getPlayer());
        EXPECT_EQ(c.crowned, p->iCrowned);
        EXPECT_EQ(c.shots, p->iShotsUsed);
        EXPECT_EQ(c.stomps, p->iStompsUsed);
        EXPECT_EQ(c.swaps, p->iSwapsUsed);
        EXPECT_EQ(1, p->iX);
        EXPECT_EQ(1, p->iY);
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 3; ++y)
                if (x != 1 || y != 1) {
                    EXPECT_EQ('#', letterOf(board().getPiece(x, y))) << x << "," << y;
                }
    }
}

TEST_F(BoardTest, LineBreaksAnywhereGiveTheSameBoard) {
    const std::string header = "KZ+V Orvex Chess\nversion: 1.0 size: 3 2 style: gkv players: 2 colors: RGBY\n";
    const std::string crlfHeader = "KZ+V Orvex Chess\r\nversion: 1.0 size: 3 2 style: gkv players: 2 colors: RGBY\r\n";
    const std::string variants[] = {
        header + "K041M220....\nX...T610L732\n",
        crlfHeader + "K041M220....\r\nX...T610L732\r\n",
        header + "K041M220....X...T610L732",
        crlfHeader + "K0\r\n41M2\n20..\r\r\n..X...T\n610L73\r\n2",
    };
    ASSERT_EQ(1, load(variants[0]));
    const std::string expected = picture(board());
    EXPECT_EQ('K', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ('L', letterOf(board().getPiece(3, 2)));
    EXPECT_EQ(3, board().getPiece(3, 2)->getPlayer());
    for (const std::string& v : variants) {
        ASSERT_EQ(1, load(v));
        EXPECT_EQ(expected, picture(board()));
    }
}

TEST_F(BoardTest, ALongTitleLineIsSkippedWhole) {
    ASSERT_EQ(1, load(std::string(3000, 'x') + " style: kv \n" + "size: 2 1 style: chk \nK010C020\n"));
    EXPECT_TRUE(board().isChkStyle());
    EXPECT_EQ(4, board().getWidth());
    EXPECT_EQ('K', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ('C', letterOf(board().getPiece(2, 1)));
}

TEST_F(BoardTest, ShortFileEndsInBlanks) {
    // Two whole cells, then a cell cut off inside its code.
    ASSERT_EQ(1, load(withHeader("size: 2 2 style: gkv ", "K041M2\n20M1")));
    EXPECT_EQ('K', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ('M', letterOf(board().getPiece(2, 1)));
    EXPECT_EQ(2, board().getPiece(2, 1)->getPlayer());
    const OrvexPiece* cut = board().getPiece(1, 2);
    EXPECT_EQ('.', letterOf(cut));
    EXPECT_EQ(0, cut->getPlayer());
    EXPECT_EQ('.', letterOf(board().getPiece(2, 2)));
    EXPECT_EQ('#', letterOf(board().getPiece(3, 3)));

    // A file with no cells at all, and one with no header either.
    ASSERT_EQ(1, load(withHeader("size: 2 2 style: gkv ", "")));
    EXPECT_EQ('.', letterOf(board().getPiece(1, 1)));
    ASSERT_EQ(1, load(""));
    EXPECT_EQ(4, board().getWidth());
    EXPECT_EQ('.', letterOf(board().getPiece(2, 2)));
}

TEST_F(BoardTest, RotatedFiles) {
    // A B / C D with A..D told apart by letter; every piece faces 0 (A faces 8).
    const std::vector<std::string> rows = {"K800 M000", "T000 D000"};
    struct Case {
        const char* rotate;
        const char* layout;  // row y = 1 then y = 2
        int direction;
    };
    const Case cases[] = {
        {"rotate: 0 ", "KMTD", 0},
        {"rotate: 90 ", "TKDM", 2},
        {"rotate: 180 ", "DTMK", 4},
        {"rotate: 270 ", "MDKT", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotate);
        ASSERT_EQ(1, load(boardFile("gkv", 2, 2, rows, c.rotate)));
        const std::string got = {letterOf(board().getPiece(1, 1)), letterOf(board().getPiece(2, 1)),
                                 letterOf(board().getPiece(1, 2)), letterOf(board().getPiece(2, 2))};
        EXPECT_EQ(c.layout, got);
        for (int x = 1; x <= 2; ++x)
            for (int y = 1; y <= 2; ++y) EXPECT_EQ(c.direction, board().getPiece(x, y)->iDirection);
        EXPECT_EQ(std::string::npos, picture(board()).find("misplaced"));
    }

    // A hole on a rotated board: the blank on it gets no rotation.
    ASSERT_EQ(1, load(boardFile("gkv", 2, 1, {"X... K000"}, "rotate: 180 ")));
    EXPECT_EQ('X', letterOf(board().getOverlay(2, 1)));
    EXPECT_EQ(0, board().getPiece(2, 1)->iDirection);
    EXPECT_EQ(4, board().getPiece(1, 1)->iDirection);
}

TEST_F(BoardTest, QuarterTurnOfANonSquareBoardIsNotApplied) {
    const std::vector<std::string> rows = {"K000 M000 T000", "D000 B000 W000"};
    ASSERT_EQ(1, load(boardFile("gkv", 3, 2, rows, "rotate: 90 ")));
    EXPECT_EQ(5, board().getWidth());
    EXPECT_EQ(4, board().getHeight());
    EXPECT_EQ('K', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ('W', letterOf(board().getPiece(3, 2)));
    EXPECT_EQ(0, board().getPiece(1, 1)->iDirection);
    EXPECT_EQ(std::string::npos, picture(board()).find("misplaced"));
    // A half turn fits any rectangle.
    ASSERT_EQ(1, load(boardFile("gkv", 3, 2, rows, "rotate: 180 ")));
    EXPECT_EQ('W', letterOf(board().getPiece(1, 1)));
    EXPECT_EQ(4, board().getPiece(1, 1)->iDirection);
}

TEST_F(BoardTest, RefusedSizesLeaveTheBoardAsItWas) {
    ASSERT_EQ(1, load(boardFile("kv", 2, 2, {"K041 M220", "T610 L732"})));
    board().select(1, 1, 2);
    const std::string before = picture(board());
    const int loads = game.loads;
    // Numbers beyond 32 bits are refused, never wrapped around to a size
    // that fits (4294967298 is 2 modulo 2^32).
    const char* sizes[] = {"size: 0 5 ",          "size: 5 0 ",          "size: 255 9 ",
                           "size: 9 255 ",        "size: -3 4 ",         "size: 300 300 ",
                           "size: 4294967298 4 ", "size: 4 4294967298 ", "size: 99999999999999999999 4 ",
                           "size: -4294967294 4 "};
    for (const char* s : sizes) {
        SCOPED_TRACE(s);
        EXPECT_EQ(0, load(withHeader(std::string(s) + "style: oth players: 2", blanks(4, 4))));
        EXPECT_EQ(before, picture(board()));
        EXPECT_TRUE(board().isKvStyle());
        EXPECT_EQ(1, board().getSelectedX());
        EXPECT_EQ(loads, game.loads);
    }
    // No file of that name, or a folder of it (an empty name names the
    // folder "boards" itself).
    folder.write("boards/sub/x.kv", "");
    for (const char* name : {"missing.kv", "", "sub", "sub/"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(0, board().loadFile(name));
        EXPECT_EQ(before, picture(board()));
        EXPECT_EQ(loads, game.loads);
    }
}

TEST_F(BoardTest, LoadingResetsTheGameOnTheBoard) {
    ASSERT_EQ(1, load(boardFile("gkv", 2, 2, {"K041 M220", "T610 L732"})));
    board().select(1, 1, 1);
    board().iGameOver = 1;
    board().iBeamEnds[1][1] = 7;
    board().iBeamPasses[2][2] = 3;
    board().getPiece(1, 1)->iHops = 5;
    game.anim = 3;
    game.current = 2;
    game.moves = 0;
    const int resets = game.labelResets;
    ASSERT_EQ(1, load(boardFile("kv", 2, 2, {"K041 M220", "T610 L732"})));
    EXPECT_EQ(-1, board().getSelectedX());
    EXPECT_EQ(-1, board().getSelectedY());
    EXPECT_EQ(0, board().iGameOver);
    EXPECT_EQ(0, board().iBeamEnds[1][1]);
    EXPECT_EQ(0, board().iBeamPasses[2][2]);
    EXPECT_EQ(0, board().getPiece(1, 1)->iHops);
    EXPECT_EQ(0, game.anim);
    EXPECT_EQ(1, game.current);
    EXPECT_EQ(2, game.moves);  // a classic turn
    EXPECT_EQ(resets + 1, game.labelResets);
}

TEST_F(BoardTest, MovesPerTurnByStyle) {
    const std::pair<const char*, int> cases[] = {{"kv", 2}, {"gkv", 3}, {"oth", 1}, {"chk", 1}, {"d2d", 1}};
    for (const auto& [style, moves] : cases) {
        ASSERT_EQ(1, load(boardFile(style, 1, 1, {"...."})));
        EXPECT_EQ(moves, game.moves) << style;
    }
}

TEST_F(BoardTest, SmallerAndLargerBoardsReplaceEveryCell) {
    ASSERT_EQ(1, load(withHeader("size: 20 20 style: gkv ", blanks(20, 20))));
    ASSERT_EQ(1, load(boardFile("gkv", 1, 1, {"K010"})));
    EXPECT_EQ(nullptr, board().getPiece(10, 10));
    EXPECT_EQ(nullptr, board().getPiece(3, 0));
    ASSERT_EQ(1, load(withHeader("size: 30 25 style: gkv ", blanks(30, 25))));
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 27; ++y) {
            const OrvexPiece* p = board().getPiece(x, y);
            ASSERT_NE(nullptr, p);
            EXPECT_EQ(x, p->iX);
            EXPECT_EQ(y, p->iY);
        }
}

TEST_F(BoardTest, StartBoardFollowsTheLastDefaultOption) {
    OptionsStore store;
    folder.write("boards/default.gkv", boardFile("gkv", 2, 2, {"K010 ....", ".... K020"}));
    folder.write("boards/default.chk", boardFile("chk", 2, 2, {"C010 ....", ".... C020"}));
    folder.write("boards/other.kv", boardFile("kv", 2, 2, {"K010 ....", ".... K020"}));

    board().loadStartBoard();  // no option yet
    EXPECT_STREQ("default.gkv", getStringOption("lastDefaultGame"));
    EXPECT_TRUE(board().isGkvStyle());

    setStringOption("lastDefaultGame", "default.chk");
    board().loadStartBoard();
    EXPECT_TRUE(board().isChkStyle());

    setStringOption("lastDefaultGame", "other.kv");  // not a default board
    board().loadStartBoard();
    EXPECT_STREQ("default.gkv", getStringOption("lastDefaultGame"));
    EXPECT_TRUE(board().isGkvStyle());

    // Loading a default board by name remembers it; another board does not.
    EXPECT_EQ(1, board().loadFile("default.chk"));
    EXPECT_STREQ("default.chk", getStringOption("lastDefaultGame"));
    EXPECT_EQ(1, board().loadFile("other.kv"));
    EXPECT_STREQ("default.chk", getStringOption("lastDefaultGame"));
}

TEST_F(BoardTest, SavedFileText) {
    ASSERT_EQ(1, load(boardFile("kv", 3, 2, {"K047 .... X...", "Z... L732 C013"})));  // a king keeps no counter
    board().getPiece(2, 2)->iShotsUsed = 1;
    ASSERT_EQ(1, board().saveFile("saved.kv"));
    EXPECT_EQ(
        "KZ+V Orvex Chess\n"
        "version: 1.0 size: 3 2 style: kv players: 2 turns: 1 player: 1 turn: 1 initial: 0 rotate: 0 colors: RGBY "
        "creator: KZ+V format: ASCII1 encryption: 0 designer: - http: -\n"
        "K040....X...\n"
        "Z...L731C013\n",
        folder.read("boards/saved.kv"));
}

TEST_F(BoardTest, SaveThenLoadGivesTheSameBoard) {
    // Every letter, counters, holes, an odd size, and a rotated load whose
    // layout is saved as it now stands.
    const std::vector<std::string> rows = {
        "C312 L215 S043 O114 M729",
        "W610 K420 H536 D130 T240",
        "B340 X... Z... .... M800",
    };
    const char* styles[] = {"kv", "gkv", "oth", "chk", "d2d"};
    for (const char* style : styles) {
        for (const char* rotate : {"rotate: 0 ", "rotate: 180 "}) {
            SCOPED_TRACE(std::string(style) + " " + rotate);
            ASSERT_EQ(1, load(boardFile(style, 5, 3, rows, rotate)));
            const std::string loaded = picture(board());
            ASSERT_EQ(1, board().saveFile("copy.brd"));
            EXPECT_NE(std::string::npos, folder.read("boards/copy.brd").find("rotate: 0 "));
            ASSERT_EQ(1, board().loadFile("copy.brd"));
            EXPECT_EQ(loaded, picture(board()));
        }
    }
}

TEST_F(BoardTest, FullDiskKeepsTheSavedBoard) {
    ASSERT_EQ(1, load(boardFile("kv", 2, 2, {"K041 M220", "T610 L732"})));
    ASSERT_EQ(1, board().saveFile("mine.kv"));
    const std::string saved = folder.read("boards/mine.kv");
    ASSERT_EQ(1, load(boardFile("gkv", 3, 3, {"K000 .... ....", ".... .... ....", ".... .... B000"})));
    platform::redirectReplaceWritesForTests("/dev/full");
    const int result = board().saveFile("mine.kv");
    platform::redirectReplaceWritesForTests(nullptr);
    EXPECT_EQ(0, result);
    EXPECT_EQ(saved, folder.read("boards/mine.kv"));
}

TEST_F(BoardTest, ProtectedDefaultNames) {
    ASSERT_EQ(1, load(boardFile("chk", 2, 2, {"C010 ....", ".... C020"})));
    for (const char* name : {"default.gkv", "DEFAULT.GKV", "default.kv", "Default.Oth"}) {
        EXPECT_EQ(0, board().saveFile(name)) << name;
        EXPECT_FALSE(folder.exists(std::string("boards/") + name)) << name;
    }
    folder.write("boards/default.chk", "old");
    EXPECT_EQ(1, board().saveFile("default.chk"));
    EXPECT_NE("old", folder.read("boards/default.chk"));
    EXPECT_EQ(1, board().saveFile("default.d2d"));
    EXPECT_EQ(0, board().saveFile("no-such-folder/x.brd"));
}
