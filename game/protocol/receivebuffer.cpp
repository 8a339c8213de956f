#include "game/protocol/receivebuffer.h"

#include <cstring>

#include "framework/app/debuglog.h"

void OrvexReceiveBuffer::commit(int n) {
    if (n < 0 || n > freeSpace()) {
        debugPrintfII("ERROR: receive of %d bytes into %d free refused\n", n, freeSpace());
        return;
    }
    held_ += n;
    bytes_[held_] = 0;
}

void OrvexReceiveBuffer::consumeBytes(int n) {
    if (n < 0 || n > held_) {
        debugPrintfII("ERROR: consumeBytes(%d) with %d held\n", n, held_);
        return;
    }
    std::memmove(bytes_, bytes_ + n, static_cast<std::size_t>(held_ - n) + 1);
    held_ -= n;
}

void OrvexReceiveBuffer::clear() {
    held_ = 0;
    bytes_[0] = 0;
}
