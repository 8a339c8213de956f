#include "game/view/viewowner.h"

#include "game/board/game.h"

void OrvexViewOwner::viewClickSquare(int x, int y) {
    if (OrvexGame* game = viewGame()) game->clickSquare(x, y, 0, -1);
}

void OrvexViewOwner::viewRotateSelected(bool shift) {
    if (OrvexGame* game = viewGame()) game->rotateSelectedPiece(shift);
}

void OrvexViewOwner::viewFireSelected() {
    if (OrvexGame* game = viewGame()) game->fireSelected();
}

void OrvexViewOwner::viewCompleteFire() {
    if (OrvexGame* game = viewGame()) game->completeFireAndNotify();
}
