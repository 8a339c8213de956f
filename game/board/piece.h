#pragma once
// The pieces: every cell content of the board is an OrvexPiece. A piece knows
// its cell, facing, owner and per-turn counters, and carries the rules of the
// game as virtual operations: how it treats a beam, whether it turns or
// fires, whether a moving piece may capture it, swap with it or fall into
// it, and the teleport and disappear effects.
//
// Directions are 0..7, clockwise in 45-degree steps: 0 toward smaller y,
// 2 toward larger x, 4 toward larger y, 6 toward smaller x, the odd numbers
// the diagonals between.
#include <string>
#include <vector>

#include "platform/os/contract.h"

class OrvexBoard;
class BeamTrace;

// Class names, the type test used throughout the game.
namespace piece_class {
inline constexpr const char* kBlank = "OrvexBlank";
inline constexpr const char* kChip = "OrvexChip";
inline constexpr const char* kWall = "OrvexWall";
inline constexpr const char* kHole = "OrvexHole";
inline constexpr const char* kHyperHole = "OrvexHyperHole";
inline constexpr const char* kHyper = "OrvexHyper";
inline constexpr const char* kMirror = "OrvexMirror";
inline constexpr const char* kMirrorStomper = "OrvexMirrorStomper";
inline constexpr const char* kOnewayMirror = "OrvexOnewayMirror";
inline constexpr const char* kDiagonal = "OrvexDiagonal";
inline constexpr const char* kOrvex = "OrvexOrvex";
inline constexpr const char* kKing = "OrvexKing";
inline constexpr const char* kSplitter = "OrvexSplitter";
inline constexpr const char* kBomb = "OrvexBomb";
inline constexpr const char* kStomper = "OrvexStomper";
}  // namespace piece_class

inline int oppositeDirection(int d) { return (d + 4) % 8; }
// The cell step of direction d. Precondition: 0 <= d <= 7 (the beam trace
// reduces its sums of directions before it asks).
inline int directionDx(int d) {
    static constexpr int kDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    VURN_ASSERT(d >= 0 && d < 8);
    return kDx[d];
}
inline int directionDy(int d) {
    static constexpr int kDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    VURN_ASSERT(d >= 0 && d < 8);
    return kDy[d];
}

class OrvexPiece {
public:
    OrvexPiece(OrvexBoard* board, int x, int y, int owner, const char* className);
    virtual ~OrvexPiece();
    OrvexPiece(const OrvexPiece&) = delete;
    OrvexPiece& operator=(const OrvexPiece&) = delete;

    // A beam of the given direction reaches this piece (hitNow 1: the blast
    // of a bomb; direction 9: this firing piece's own shot). The whole shot
    // that follows is traced before the call returns, depth first, on a
    // work list of its own rather than the call stack.
    void onBeam(int direction, int hitNow);

    virtual void rotateRight();
    virtual void rotateLeft();
    virtual void setBeamHit();
    virtual void onStomped() {}
    virtual void startTeleport();
    virtual void startDisappear();
    // Jumps to a random free cell; 0 (and the piece stays) when 200 tries
    // find none.
    virtual int teleport();
    // Leaves the board into a hole: a blank takes the cell and the piece is
    // deleted; the caller must not touch it afterwards.
    virtual void disappearNow();
    virtual void fire();
    int moveInDirection(int direction);
    // The move rule; the distance moved, 0 when refused. maxSteps 1000 means
    // unlimited (teleport).
    virtual int moveTo(int x, int y, int maxSteps);
    // Places the piece without any rule; 0 when (x, y) lies off the board.
    virtual int setPosition(int x, int y);
    virtual int canRotate() const { return 0; }
    virtual int canFire() const { return 0; }
    virtual int isHyper() const { return 0; }
    virtual int isHole() const { return 0; }
    virtual int canBeStompedBy(const OrvexPiece* mover) const;
    virtual int canBeSwappedBy(const OrvexPiece* mover) const;
    virtual int isBlank() const { return 0; }

    int isA(const char* name) const { return iClassName == name; }
    int getPlayer() const { return iPlayer; }
    // The layer-0 piece of the neighbouring cell in direction 0..7, null off
    // the board.
    OrvexPiece* getNeighbour(int direction) const;

    // The beam rule of the class, run by the trace after the hop test; it
    // reports marks, hits and outgoing beams to the trace.
    virtual void beamRule(BeamTrace& trace, int direction, int hitNow);
    // Whether an arriving beam writes the "beam" log line (every class but
    // the bomb).
    virtual bool logsBeam() const { return true; }

    int iHops = 0;
    std::string iClassName;
    int iX;
    int iY;
    int iDirection = 0;
    int iWigglePhase;
    int iWiggleStep;
    OrvexBoard* iBoard;
    int iHit = 0;
    int iTeleportStep = 0;
    int iDisappearStep = 0;
    int iFlipProgress = 0;
    int iFlipSpeed = 0;
    int iSwapsUsed = 0;
    int iStompsUsed = 0;
    int iShotsUsed = 0;
    int iCrowned = 0;
    int iPlayer;
};

class OrvexBlank : public OrvexPiece {
public:
    OrvexBlank(OrvexBoard* b, int x, int y) : OrvexPiece(b, x, y, 0, piece_class::kBlank) {}
    int isBlank() const override { return 1; }
    int canBeStompedBy(const OrvexPiece*) const override { return 0; }
    int canBeSwappedBy(const OrvexPiece*) const override { return 0; }
};

class OrvexChip : public OrvexPiece {
public:
    OrvexChip(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kChip) {}
};

class OrvexWall : public OrvexPiece {
public:
    OrvexWall(OrvexBoard* b, int x, int y) : OrvexPiece(b, x, y, 0, piece_class::kWall) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canBeStompedBy(const OrvexPiece*) const override { return 0; }
    int canBeSwappedBy(const OrvexPiece*) const override { return 0; }
};

class OrvexHole : public OrvexPiece {
public:
    OrvexHole(OrvexBoard* b, int x, int y) : OrvexPiece(b, x, y, 0, piece_class::kHole) {}
    int isHole() const override { return 1; }
    int canBeStompedBy(const OrvexPiece*) const override { return 0; }
    int canBeSwappedBy(const OrvexPiece*) const override { return 0; }
};

class OrvexHyperHole : public OrvexPiece {
public:
    OrvexHyperHole(OrvexBoard* b, int x, int y) : OrvexPiece(b, x, y, 0, piece_class::kHyperHole) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int isHyper() const override { return 1; }
    int isHole() const override { return 0; }
    int canBeStompedBy(const OrvexPiece*) const override { return 0; }
    int canBeSwappedBy(const OrvexPiece*) const override { return 0; }
};

class OrvexHyper : public OrvexPiece {
public:
    OrvexHyper(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kHyper) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int isHyper() const override { return 1; }
};

class OrvexMirror : public OrvexPiece {
public:
    OrvexMirror(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kMirror) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canRotate() const override { return 1; }
};

class OrvexMirrorStomper : public OrvexPiece {
public:
    OrvexMirrorStomper(OrvexBoard* b, int x, int y, int owner)
        : OrvexPiece(b, x, y, owner, piece_class::kMirrorStomper) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
};

class OrvexOnewayMirror : public OrvexPiece {
public:
    OrvexOnewayMirror(OrvexBoard* b, int x, int y, int owner)
        : OrvexPiece(b, x, y, owner, piece_class::kOnewayMirror) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canRotate() const override { return 1; }
};

class OrvexDiagonal : public OrvexPiece {
public:
    OrvexDiagonal(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kDiagonal) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canRotate() const override { return 1; }
};

// The firing piece.
class OrvexOrvex : public OrvexPiece {
public:
    OrvexOrvex(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kOrvex) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    void fire() override;
    int canRotate() const override { return 1; }
    int canFire() const override { return iShotsUsed < 1; }
};

class OrvexKing : public OrvexPiece {
public:
    OrvexKing(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kKing) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
};

class OrvexSplitter : public OrvexPiece {
public:
    OrvexSplitter(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kSplitter) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canRotate() const override { return 1; }
};

class OrvexBomb : public OrvexPiece {
public:
    OrvexBomb(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kBomb) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    bool logsBeam() const override { return false; }
    int canRotate() const override { return 1; }
};

class OrvexStomper : public OrvexPiece {
public:
    OrvexStomper(OrvexBoard* b, int x, int y, int owner) : OrvexPiece(b, x, y, owner, piece_class::kStomper) {}
    void beamRule(BeamTrace& trace, int direction, int hitNow) override;
    int canRotate() const override { return 1; }
};
