#pragma once
// OrvexBoard: the board model of one game. It holds the pieces of every cell
// on two layers (the pieces, and the floor of holes and hyper holes under
// them), the beam map of the current shot, the explosion particles, the
// selection, the style flags, the play-area size and the game's random
// generator. The board is the play area plus a one-cell border of walls;
// x runs over [0, getWidth()), y over [0, getHeight()).
//
// A board is large (two 256 x 256 layers): create it on the heap; it cannot
// be copied. It reaches the turn state of its game through OrvexGameState.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/board/gamestate.h"
#include "game/board/piece.h"
#include "game/board/random.h"

class OrvexBoard {
public:
    static constexpr int kCells = 256;        // cell arrays per axis
    static constexpr int kMaxPlayArea = 254;  // so that the border still fits
    static constexpr int kParticlesPerPiece = 50;

    // An empty board of the advanced style, 11 by 11; no file is read.
    explicit OrvexBoard(OrvexGameState& game);
    ~OrvexBoard();
    OrvexBoard(const OrvexBoard&) = delete;
    OrvexBoard& operator=(const OrvexBoard&) = delete;

    // The start board: the default board named by the option
    // lastDefaultGame (set to "default.gkv" when it names none).
    void loadStartBoard();
    // Reads "boards/<name>". 1 when loaded; 0 when the file cannot be opened
    // or its header is refused, and then the board is unchanged.
    [[nodiscard]] int loadFile(const char* name);
    // Writes "boards/<name>"; 0 for a protected default name or a file that
    // cannot be created.
    [[nodiscard]] int saveFile(const char* name);
    // Where loadFile and saveFile read and write the board file of that
    // name: "boards/<name>", with '/' between the folders.
    static std::string filePath(const char* name);
    // The default boards that saveFile never overwrites ("default.gkv",
    // "default.kv" and "default.oth", whatever the case).
    static bool isKeptDefault(const char* name);

    // Layer 0 and layer 1 of a cell; the caller stays inside the board.
    OrvexPiece* getPiece(int x, int y) const { return iPieces[x][y].get(); }
    OrvexPiece* getOverlay(int x, int y) const { return iFloor[x][y].get(); }
    // Layer 0 of a cell, null off the board.
    OrvexPiece* pieceAt(int x, int y) const { return isOnBoard(x, y) ? getPiece(x, y) : nullptr; }
    bool isOnBoard(int x, int y) const { return x >= 0 && y >= 0 && x < getWidth() && y < getHeight(); }
    int getWidth() const { return iPlayWidth + 2; }
    int getHeight() const { return iPlayHeight + 2; }
    // Width and height with the border; stored as the play-area size.
    void setPlayAreaSize(int width, int height);

    int isKvStyle() const { return iKvStyle; }
    int isGkvStyle() const { return iGkvStyle; }
    int isOthStyle() const { return iOthStyle; }
    int isChkStyle() const { return iChkStyle; }
    int isD2dStyle() const { return iD2dStyle; }
    int isOrvexStyle() const { return iKvStyle || iGkvStyle; }
    // The most seats a game of the style plays: reversi and checkers are
    // games of two (a further seat a server tells only watches), the other
    // styles seat four.
    int playingSeats() const { return iOthStyle || iChkStyle ? 2 : 4; }
    // 0 kv, 1 gkv, 2 oth, 3 chk, 4 d2d: sets that flag alone.
    void setStyle(int style);

    int getSelectedX() const { return iSelectedX; }
    int getSelectedY() const { return iSelectedY; }
    int getSelectingPlayer() const { return iSelectingPlayer; }
    void select(int x, int y, int player) {
        iSelectedX = x;
        iSelectedY = y;
        iSelectingPlayer = player;
    }
    void clearSelection() { iSelectedX = iSelectedY = -1; }

    void clearBeams();
    void clearPieceEffects();
    // Every piece hit by the shot leaves the board; then the game-over check
    // runs once, so one shot that takes several kings is judged as a whole.
    void removeDestroyedPieces();
    int countPieces(int player, const char* className) const;
    // Takes every piece of the seats above `seats` off the board (a blank
    // takes each cell), so a board laid out for more seats plays with fewer.
    void removeSeatsAbove(int seats);
    // Puts a piece, whose iX and iY were already changed, on its new cell:
    // its old cell gets a blank, whatever stood on the new cell is deleted.
    void movePiece(OrvexPiece* piece);
    // A new piece on layer 0 (deleting what stood there); returns it.
    OrvexPiece* putPiece(std::unique_ptr<OrvexPiece> piece);
    OrvexPiece* putOverlay(std::unique_ptr<OrvexPiece> piece);
    // A fresh blank takes the cell; the old piece is deleted.
    OrvexPiece* replaceWithBlank(int x, int y);
    void setMovesPerTurn();

    // Reversi.
    int isLegalChipMove(int player, int x, int y) const;
    void placeChip(int x, int y);
    // The owner a chip counts for: while the first half of its flip runs,
    // the seat it is turning to.
    static int effectiveOwner(const OrvexPiece* piece);

    // Checkers: seat 1 moves toward larger y, every other seat toward
    // smaller y; a crowned chip moves both ways.
    static int forwardStep(int player) { return player == 1 ? 1 : -1; }
    int isFarRow(int player, int y) const;
    int canChipMove(int x, int y, int player) const;
    int canCapture(int x, int y, int player) const;

    uint32_t boardRandom() { return iRandom.next(); }
    void setRandomSeeds(uint32_t s, uint32_t t) { iRandom.setSeeds(s, t); }
    const BoardRandom& random() const { return iRandom; }

    // One step of every running animation: teleports, disappearances, chip
    // flips and the explosion particles. The board window's timer calls it.
    void advanceAnimations();
    // Builds the explosion: 50 particles at each piece hit by the shot.
    void startExplosion();

    OrvexGameState& game() const { return iGame; }

    int iKvStyle = 0;
    int iGkvStyle = 1;
    int iOthStyle = 0;
    int iChkStyle = 0;
    int iD2dStyle = 0;
    uint8_t iBeamEnds[kCells][kCells] = {};    // [x][y]
    uint8_t iBeamPasses[kCells][kCells] = {};  // [x][y]
    int iGameOver = 0;
    int iNumParticles = 0;
    std::vector<float> iParticleX, iParticleY, iParticleDX, iParticleDY;
    int iParticleStep = 0;
    int iSelectedX = -1;
    int iSelectedY = -1;
    int iSelectingPlayer = 0;

private:
    void clearAllCells();

    OrvexGameState& iGame;
    std::unique_ptr<OrvexPiece> iPieces[kCells][kCells];  // [x][y]
    std::unique_ptr<OrvexPiece> iFloor[kCells][kCells];   // [x][y]
    int iPlayWidth = 11;
    int iPlayHeight = 11;
    BoardRandom iRandom;
};

// The play-area size from a width and height that include the border.
void setPlayAreaSize(OrvexBoard& board, int width, int height);
// One of the five default board names.
bool isDefaultBoardName(const char* name);
