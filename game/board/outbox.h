#pragma once
// Where the rules of play queue the messages of the local player's board
// actions (select, move, unselect, turn, shot start and end, pass), as the
// bytes the game protocol sends: two or three code letters and their byte
// fields. The protocol core implements it with its out queue; tests keep a
// plain list.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

using MessageBytes = std::vector<uint8_t>;

class OrvexOutbox {
public:
    virtual ~OrvexOutbox() = default;
    virtual void queueMessage(const uint8_t* bytes, std::size_t count) = 0;
};

// A list of messages, oldest first.
class OrvexMessageList : public OrvexOutbox {
public:
    void queueMessage(const uint8_t* bytes, std::size_t count) override { messages.emplace_back(bytes, bytes + count); }
    // Hands over every message queued so far and empties the list.
    std::vector<MessageBytes> take() {
        std::vector<MessageBytes> out;
        out.swap(messages);
        return out;
    }

    std::vector<MessageBytes> messages;
};

// The code letters followed by one byte per field ("PM", {x, y}).
MessageBytes boardMessage(const char* code, std::initializer_list<int> fields = {});
