// The game server's stream, as the client takes it: split into messages in
// pieces of any size, each whole message run by the rules of play on a
// board, whatever the bytes. The first byte sets the piece size.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "framework/app/options.h"
#include "fuzz/fuzz_support.h"
#include "game/board/game.h"
#include "game/protocol/catalogue.h"
#include "game/protocol/connection.h"
#include "game/protocol/gamedispatch.h"

namespace {

// Hands out the input in pieces, as the server's stream arrives.
class StreamSocket : public OrvexSocket {
public:
    StreamSocket(const uint8_t* data, std::size_t size, int piece) : data_(data), size_(size), piece_(piece) {}
    void setPollMode() override {}
    void send(const void*, int) override {}
    char* recv(int length, int* count, char* buffer) override {
        *count = 0;
        const std::size_t n =
            std::min<std::size_t>({static_cast<std::size_t>(length), size_ - at_, static_cast<std::size_t>(piece_)});
        if (n == 0) return nullptr;
        std::memcpy(buffer, data_ + at_, n);
        at_ += n;
        *count = static_cast<int>(n);
        return buffer;
    }
    void reconnect() override {}
    void disconnect() override {}
    int isBroken() const override { return 0; }
    int isClosed() const override { return 0; }
    bool drained() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int piece_;
};

class QuietPanel : public OrvexSidePanel {
public:
    void addNewPlayer(uint32_t, uint32_t, const char* text, const char* history) override {
        FUZZ_CHECK(std::strlen(text) < 256 && history);
    }
    void markListRow(uint32_t, uint32_t) override {}
    void unmarkListRow(uint32_t, uint32_t) override {}
    void removeListRow(uint32_t, uint32_t) override {}
    void clearPlayers() override {}
    void initChatList() override {}
    void playerJoined(const char* name) override { FUZZ_CHECK(std::strlen(name) < 256); }
    // Every seat byte of LPD reaches the panel, which ignores seats it has not.
    void onPlayerQuit(int seat) override { FUZZ_CHECK(seat >= 0 && seat <= 255); }
    void addChatLine(const char* text) override { FUZZ_CHECK(std::strlen(text) < 256); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::enterProgramFolder();
    static Options store;
    static bool boards = false;
    options = &store;
    if (!boards) {
        boards = true;
        for (const char* name : {"default.kv", "default.gkv", "default.oth", "default.chk", "default.d2d"})
            fuzz::copyFromSource(std::string("data/boards/") + name, std::string("boards/") + name);
    }
    if (size == 0) return 0;
    const int piece = 1 + data[0] % 64;
    OrvexGame game;
    game.createBoard();
    QuietPanel panel;
    OrvexGameDispatch dispatch(game, panel);
    StreamSocket* socket = nullptr;
    OrvexConnection connection(
        [&] {
            auto s = std::make_unique<StreamSocket>(data + 1, size - 1, piece);
            socket = s.get();
            return std::unique_ptr<OrvexSocket>(std::move(s));
        },
        [&](const uint8_t* message, int length) {
            FUZZ_CHECK(dispatchMessage(message, length, dispatch));
            for (int i = 0; i < 100000 && game.getAnimSequence() != 0; ++i) game.getBoard()->advanceAnimations();
        });
    connection.connect();
    for (int tick = 0; tick < 100000 && socket && !socket->drained(); ++tick) connection.onIntuitick();
    return 0;
}
