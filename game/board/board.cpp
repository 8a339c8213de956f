#include "game/board/board.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/app/debuglog.h"
#include "framework/app/options.h"

namespace {
const char* const kDefaultNames[] = {"default.kv", "default.gkv", "default.oth", "default.chk", "default.d2d"};
constexpr const char* kFallbackBoard = "default.gkv";
}  // namespace

bool isDefaultBoardName(const char* name) {
    if (!name) return false;
    for (const char* d : kDefaultNames)
        if (std::strcmp(name, d) == 0) return true;
    return false;
}

OrvexBoard::OrvexBoard(OrvexGameState& game) : iGame(game) {}

OrvexBoard::~OrvexBoard() = default;

void OrvexBoard::loadStartBoard() {
    const char* last = getStringOption("lastDefaultGame");
    std::string name = (last && isDefaultBoardName(last)) ? last : kFallbackBoard;
    if (name == kFallbackBoard) setStringOption("lastDefaultGame", kFallbackBoard);
    // A board that cannot be read is logged by the reader; the board stays
    // as it was.
    (void)loadFile(name.c_str());
}

void OrvexBoard::setPlayAreaSize(int width, int height) {
    iPlayWidth = width - 2;
    iPlayHeight = height - 2;
}

void setPlayAreaSize(OrvexBoard& board, int width, int height) { board.setPlayAreaSize(width, height); }

void OrvexBoard::setStyle(int style) {
    iKvStyle = style == 0;
    iGkvStyle = style == 1;
    iOthStyle = style == 2;
    iChkStyle = style == 3;
    iD2dStyle = style == 4;
}

void OrvexBoard::clearAllCells() {
    for (int x = 0; x < kCells; ++x)
        for (int y = 0; y < kCells; ++y) {
            iPieces[x][y].reset();
            iFloor[x][y].reset();
        }
}

void OrvexBoard::clearBeams() {
    for (int x = 0; x < getWidth(); ++x)
        for (int y = 0; y < getHeight(); ++y) {
            iBeamEnds[x][y] = 0;
            iBeamPasses[x][y] = 0;
            if (OrvexPiece* p = getPiece(x, y)) p->iHops = 0;
        }
}

void OrvexBoard::clearPieceEffects() {
    for (int x = 0; x < getWidth(); ++x)
        for (int y = 0; y < getHeight(); ++y)
            if (OrvexPiece* p = getPiece(x, y)) {
                p->iSwapsUsed = 0;
                p->iStompsUsed = 0;
                p->iShotsUsed = 0;
            }
}

void OrvexBoard::removeDestroyedPieces() {
    bool removed = false;
    for (int y = 0; y < getHeight(); ++y)
        for (int x = 0; x < getWidth(); ++x) {
            const OrvexPiece* p = getPiece(x, y);
            if (p && p->iHit) {
                replaceWithBlank(x, y);
                removed = true;
            }
        }
    if (removed) iGame.checkGameOver();
}

int OrvexBoard::countPieces(int player, const char* className) const {
    int n = 0;
    for (int x = 0; x < getWidth(); ++x)
        for (int y = 0; y < getHeight(); ++y) {
            const OrvexPiece* p = getPiece(x, y);
            if (p && p->iPlayer == player && p->isA(className)) ++n;
        }
    return n;
}

void OrvexBoard::removeSeatsAbove(int seats) {
    for (int x = 0; x < getWidth(); ++x)
        for (int y = 0; y < getHeight(); ++y) {
            const OrvexPiece* p = getPiece(x, y);
            if (p && p->iPlayer > seats) replaceWithBlank(x, y);
        }
}

void OrvexBoard::movePiece(OrvexPiece* piece) {
    if (!piece) return;
    const int nx = piece->iX;
    const int ny = piece->iY;
    if (!isOnBoard(nx, ny)) {
        debugLog("ERROR: movePiece off the board\n");
        return;
    }
    debugLog("recMov1\n");
    if (iPieces[nx][ny].get() == piece) return;  // already on that cell: nothing moves, nothing is lost
    std::unique_ptr<OrvexPiece> held;
    for (int x = 0; x < getWidth() && !held; ++x)
        for (int y = 0; y < getHeight(); ++y)
            if (iPieces[x][y].get() == piece) {
                held = std::move(iPieces[x][y]);
                iPieces[x][y] = std::make_unique<OrvexBlank>(this, x, y);
                break;
            }
    debugLog("recMov overlay1\n");
    if (!held) {
        debugLog("ERROR: movePiece of a piece that is not on the board\n");
        return;
    }
    debugLog("recMov2\n");
    debugLog("recMov overlay2\n");
    iPieces[nx][ny] = std::move(held);  // deletes whatever stood there
    debugLog("recMov3\n");
}

OrvexPiece* OrvexBoard::putPiece(std::unique_ptr<OrvexPiece> piece) {
    if (!piece || piece->iX < 0 || piece->iY < 0 || piece->iX >= kCells || piece->iY >= kCells) return nullptr;
    auto& cell = iPieces[piece->iX][piece->iY];
    cell = std::move(piece);
    return cell.get();
}

OrvexPiece* OrvexBoard::putOverlay(std::unique_ptr<OrvexPiece> piece) {
    if (!piece || piece->iX < 0 || piece->iY < 0 || piece->iX >= kCells || piece->iY >= kCells) return nullptr;
    auto& cell = iFloor[piece->iX][piece->iY];
    cell = std::move(piece);
    return cell.get();
}

OrvexPiece* OrvexBoard::replaceWithBlank(int x, int y) { return putPiece(std::make_unique<OrvexBlank>(this, x, y)); }

void OrvexBoard::setMovesPerTurn() {
    int moves = iKvStyle ? 2 : 3;
    if (iOthStyle || iChkStyle || iD2dStyle) moves = 1;
    iGame.setTurnsLeft(moves);
}

// ---- reversi ----

int OrvexBoard::effectiveOwner(const OrvexPiece* piece) {
    // The owner changes half-way through the flip; until then the chip
    // already counts for the seat it turns to.
    if (piece->iFlipSpeed > 0) return piece->iPlayer == 1 ? 2 : 1;
    return piece->iPlayer;
}

namespace {
bool isOpen(const OrvexPiece* p) { return p->isA(piece_class::kWall) || p->isA(piece_class::kBlank); }
}  // namespace

int OrvexBoard::isLegalChipMove(int player, int x, int y) const {
    const OrvexPiece* cell = pieceAt(x, y);
    if (!cell || !cell->isA(piece_class::kBlank)) return 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            const OrvexPiece* first = pieceAt(x + dx, y + dy);
            if (!first || !first->isA(piece_class::kChip) || effectiveOwner(first) == player) continue;
            for (int cx = x + 2 * dx, cy = y + 2 * dy;; cx += dx, cy += dy) {
                const OrvexPiece* p = pieceAt(cx, cy);
                if (!p || isOpen(p)) break;
                if (effectiveOwner(p) == player) {
                    debugPrintfIIII("playerOK (%d,%d %d,%d)\n", x, y, dx, dy);
                    return 1;
                }
            }
        }
    return 0;
}

void OrvexBoard::placeChip(int x, int y) {
    if (!isOnBoard(x, y)) return;
    const int player = iGame.getCurrentPlayer();
    putPiece(std::make_unique<OrvexChip>(this, x, y, player));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            const OrvexPiece* first = pieceAt(x + dx, y + dy);
            if (!first || !first->isA(piece_class::kChip) || effectiveOwner(first) == player) continue;
            int cx = x + dx;
            int cy = y + dy;
            bool closed = false;
            for (;; cx += dx, cy += dy) {
                const OrvexPiece* p = pieceAt(cx, cy);
                if (!p || isOpen(p)) break;
                if (p->isA(piece_class::kChip) && effectiveOwner(p) == player) {
                    closed = true;
                    break;
                }
            }
            if (!closed) continue;
            for (cx -= dx, cy -= dy; cx != x || cy != y; cx -= dx, cy -= dy) {
                OrvexPiece* p = getPiece(cx, cy);
                if (p->isA(piece_class::kChip)) p->iFlipSpeed = 10;
                iGame.setAnimSequence(1);
            }
        }
    iGame.checkGameOver();
}

// ---- checkers ----

int OrvexBoard::isFarRow(int player, int y) const { return forwardStep(player) > 0 ? y == getHeight() - 2 : y == 1; }

namespace {
bool isBlankAt(const OrvexBoard& b, int x, int y) {
    const OrvexPiece* p = b.pieceAt(x, y);
    return p && p->isA(piece_class::kBlank);
}
bool isChipOf(const OrvexPiece* p, int player) { return p && p->isA(piece_class::kChip) && p->iPlayer == player; }
bool isEnemyChip(const OrvexPiece* p, int player) { return p && p->isA(piece_class::kChip) && p->iPlayer != player; }
}  // namespace

int OrvexBoard::canChipMove(int x, int y, int player) const {
    const OrvexPiece* chip = pieceAt(x, y);
    if (!isChipOf(chip, player)) return 0;
    const int f = forwardStep(player);
    if (isBlankAt(*this, x - 1, y + f) || isBlankAt(*this, x + 1, y + f)) return 1;
    if (chip->iCrowned && (isBlankAt(*this, x - 1, y - f) || isBlankAt(*this, x + 1, y - f))) return 1;
    return 0;
}

int OrvexBoard::canCapture(int x, int y, int player) const {
    const OrvexPiece* chip = pieceAt(x, y);
    if (!isChipOf(chip, player)) return 0;
    const int forward = forwardStep(player);
    for (int f : {forward, -forward}) {
        if (f != forward && !chip->iCrowned) break;
        for (int dx : {-1, 1})
            if (isEnemyChip(pieceAt(x + dx, y + f), player) && isBlankAt(*this, x + 2 * dx, y + 2 * f)) return 1;
    }
    return 0;
}

// ---- animation ----

void OrvexBoard::advanceAnimations() {
    // Gather first: a teleport moves its piece to a cell the scan might
    // reach again, and a disappearance deletes it.
    std::vector<OrvexPiece*> moving;
    for (int y = 0; y < getHeight(); ++y)
        for (int x = 0; x < getWidth(); ++x) {
            OrvexPiece* p = getPiece(x, y);
            if (p && (p->iTeleportStep > 0 || p->iDisappearStep > 0 || p->iFlipSpeed != 0)) moving.push_back(p);
        }
    for (OrvexPiece* p : moving) {
        if (iGame.getAnimSequence() != 0) {
            if (p->iTeleportStep > 0) {
                ++p->iTeleportStep;
                if (p->iTeleportStep == 20) p->teleport();
                if (p->iTeleportStep == 40) {
                    p->iTeleportStep = 0;
                    iGame.addAnimSequence(-1);
                }
            }
            if (p->iDisappearStep > 0) {
                ++p->iDisappearStep;
                if (p->iDisappearStep == 20) {
                    iGame.addAnimSequence(-1);
                    p->iDisappearStep = 0;
                    p->disappearNow();  // p is gone
                    continue;
                }
            }
        }
        if (p->iFlipSpeed != 0) {
            p->iFlipProgress += p->iFlipSpeed;
            if (p->iFlipProgress > 99) {
                p->iPlayer = p->iPlayer == 1 ? 2 : 1;
                p->iFlipSpeed = -p->iFlipSpeed;
            } else if (p->iFlipProgress <= 0) {
                p->iFlipProgress = 0;
                p->iFlipSpeed = 0;
                iGame.setAnimSequence(0);
            }
        }
    }
    if (iNumParticles > 0) {
        for (int i = 0; i < iNumParticles; ++i) {
            iParticleX[i] += iParticleDX[i];
            iParticleY[i] += iParticleDY[i];
        }
        if (++iParticleStep > 99) {
            iParticleX.clear();
            iParticleY.clear();
            iParticleDX.clear();
            iParticleDY.clear();
            iNumParticles = 0;
            iParticleStep = 0;
        }
    }
}

void OrvexBoard::startExplosion() {
    int hit = 0;
    for (int y = 0; y < getHeight(); ++y)
        for (int x = 0; x < getWidth(); ++x)
            if (const OrvexPiece* p = getPiece(x, y); p && p->iHit) ++hit;
    iNumParticles = kParticlesPerPiece * hit;
    iParticleStep = 1;
    if (iNumParticles == 0) return;
    const auto n = static_cast<std::size_t>(iNumParticles);
    iParticleX.assign(n, 0.0f);
    iParticleY.assign(n, 0.0f);
    iParticleDX.assign(n, 0.0f);
    iParticleDY.assign(n, 0.0f);
    std::size_t i = 0;
    for (int y = 0; y < getHeight(); ++y)
        for (int x = 0; x < getWidth(); ++x) {
            const OrvexPiece* p = getPiece(x, y);
            if (!p || !p->iHit) continue;
            for (int k = 0; k < kParticlesPerPiece; ++k, ++i) {
                // Drawing only: the C library's generator, not the game's.
                const float speed = static_cast<float>((std::rand() % 100) - 50) / 500.0f;
                const float angle = static_cast<float>(std::rand() % 360) / 360.0f * 3.1415926f;
                iParticleX[i] = static_cast<float>(x);
                iParticleY[i] = static_cast<float>(y);
                iParticleDX[i] = std::cos(angle) * speed;
                iParticleDY[i] = std::sin(angle) * speed;
            }
        }
}
