#include "game/protocol/receivebuffer.h"

#include <cstring>

#include "framework/app/debuglog.h"

void OrvexReceiveBuffer::commit(int n) {
    if (n < 0 || n > freeSpace()) {
        debugPrintfII("ERROR: receive of %d bytes into %d free refused\n", n, freeSpace());
        return;
    }
    iHeld += n;
    iBytes[iHeld] = 0;
}

void OrvexReceiveBuffer::consumeBytes(int n) {
    if (n < 0 || n > iHeld) {
        debugPrintfII("ERROR: consumeBytes(%d) with %d held\n", n, iHeld);
        return;
    }
    std::memmove(iBytes, iBytes + n, static_cast<std::size_t>(iHeld - n) + 1);
    iHeld -= n;
}

void OrvexReceiveBuffer::clear() {
    iHeld = 0;
    iBytes[0] = 0;
}
