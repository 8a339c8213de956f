#include <gtest/gtest.h>

#include <string>

#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"

using protocol_testing::bytesText;

namespace {

std::string text(const MessageBytes& m) { return bytesText(std::string(m.begin(), m.end())); }

TEST(Codec, MessagesAndFramesByteForByte) {
    struct Case {
        const char* what;
        MessageBytes body;
        const char* frame;  // checksum, length, body
    } cases[] = {
        {"LL Guest", loginMessage("Guest"), "a6 00 09 4c 4c 06 47 75 65 73 74 00 "},
        {"LC 7/300", rowMessage("LC", 7, 300), "c3 00 0a 4c 43 00 00 00 07 00 00 01 2c "},
        {"LD 7/300", rowMessage("LD", 7, 300), "c4 00 0a 4c 44 00 00 00 07 00 00 01 2c "},
        {"PS 3/4", codeMessage("PS", {3, 4}), "aa 00 04 50 53 03 04 "},
        {"PT seat 2", chatMessage(2, "hi"), "7a 00 07 50 54 02 03 68 69 00 "},
        {"PQS seat 1", codeMessage("PQS", {1}), "f5 00 04 50 51 53 01 "},
        {"PU", codeMessage("PU"), "a5 00 02 50 55 "},
        {"LL empty name", loginMessage(""), "99 00 04 4c 4c 01 00 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(text(frameMessage(c.body.data(), static_cast<int>(c.body.size()))), c.frame);
    }
}

TEST(Codec, TheFrameLengthIsSixteenBitBigEndian) {
    // Bodies of every size the client sends and beyond, across the bits of
    // the low byte and into the high one.
    struct Case {
        int count;
        uint8_t high, low;
    } cases[] = {
        {2, 0x00, 0x02},   {127, 0x00, 0x7f}, {128, 0x00, 0x80}, {200, 0x00, 0xc8},    {255, 0x00, 0xff},
        {256, 0x01, 0x00}, {258, 0x01, 0x02}, {511, 0x01, 0xff}, {0x1234, 0x12, 0x34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const MessageBytes body(static_cast<std::size_t>(c.count), 0x01);
        const MessageBytes frame = frameMessage(body.data(), c.count);
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(kFrameHeaderBytes + c.count));
        EXPECT_EQ(frame[0], c.count & 0xff);  // the sum of that many ones
        EXPECT_EQ(frame[1], c.high);
        EXPECT_EQ(frame[2], c.low);
    }
    // The longest message the client sends: a PT of 258 bytes.
    const MessageBytes pt = chatMessage(1, std::string(kMaxChatTextChars, 'w').c_str());
    const MessageBytes frame = frameMessage(pt.data(), static_cast<int>(pt.size()));
    EXPECT_EQ(text(MessageBytes(frame.begin() + 1, frame.begin() + 3)), "01 02 ");
}

TEST(Codec, ServerMessagesByteForByte) {
    struct Case {
        const char* what;
        MessageBytes m;
        const char* bytes;
    } cases[] = {
        {"LA", lobbyRowMessage(7, 300, "Bo"), "4c 41 00 00 00 07 00 00 01 2c 00 00 00 00 00 00 00 00 03 42 6f 00 "},
        {"LU", rowMarkMessage(7, 300, 1), "4c 55 00 00 00 07 00 00 01 2c 01 00 00 00 00 00 00 00 "},
        {"LR", rowRemoveMessage(1, 2), "4c 52 00 00 00 01 00 00 00 02 00 00 00 00 00 00 00 00 "},
        {"LPA", playerAddMessage("Al"), "4c 50 41 03 41 6c 00 "},
        {"LPB", codeMessage("LPB", {2, 3}), "4c 50 42 02 03 "},
        {"PZ", seedsMessage(0x01020304, 0xA0B0C0D0), "50 5a 01 02 03 04 a0 b0 c0 d0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(text(c.m), c.bytes);
    }
}

TEST(Codec, LoginBlockIsGkvOneAndFourZeroWords) {
    uint32_t words[kLoginWords] = {0, 0, 0, 0};
    uint8_t block[kLoginBlockBytes];
    putLoginBlock(block, words);
    EXPECT_EQ(bytesText(std::string(block, block + kLoginBlockBytes)),
              "47 4b 56 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ");
    EXPECT_TRUE(isLoginBlock(block));
    uint32_t other[kLoginWords] = {1, 0x01020304, 0, 0xffffffff};
    putLoginBlock(block, other);
    EXPECT_EQ(bytesText(std::string(block + 4, block + kLoginBlockBytes)),
              "00 00 00 01 01 02 03 04 00 00 00 00 ff ff ff ff ");
}

TEST(Codec, TextsAreCutToFitTheirLengthByteAndTheFrame) {
    struct Case {
        const char* what;
        MessageBytes m;
        std::size_t size;
        int lengthByteAt;
        int lengthByte;
    } cases[] = {
        {"name of 300", loginMessage(std::string(300, 'a').c_str()), 256, 2, 253},
        {"name of 252", loginMessage(std::string(252, 'a').c_str()), 256, 2, 253},
        {"name of 251", loginMessage(std::string(251, 'a').c_str()), 255, 2, 252},
        // A two-byte character that would straddle the cut is left out whole.
        {"name ending in a split character", loginMessage((std::string(251, 'a') + "\xc3\xa9").c_str()), 255, 2, 252},
        // A chat line may fill the length byte's 254: a PT of 258 bytes.
        {"chat of 300", chatMessage(1, std::string(300, 'b').c_str()), 258, 3, 254},
        {"chat of 253", chatMessage(1, std::string(253, 'b').c_str()), 258, 3, 254},
        {"chat of 252", chatMessage(1, std::string(252, 'b').c_str()), 257, 3, 253},
        {"lobby row of 300", lobbyRowMessage(1, 2, std::string(300, 'c').c_str()), 274, 18, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.m.size(), c.size);
        EXPECT_EQ(c.m[static_cast<std::size_t>(c.lengthByteAt)], c.lengthByte);
        EXPECT_EQ(c.m.back(), 0);
        EXPECT_EQ(static_cast<int>(c.m.size()), c.lengthByteAt + 1 + c.lengthByte);
    }
}

TEST(Codec, OnlyTheLoginIsBoundTo256Bytes) {
    EXPECT_EQ(kMaxFrameBody, 258);
    EXPECT_EQ(kMaxChatTextChars, 253);
    const MessageBytes ll = loginMessage("Ann"), pt = chatMessage(2, "hi"), ps = codeMessage("PS", {1, 2});
    EXPECT_EQ(maxFrameBodyFor(ll.data(), static_cast<int>(ll.size())), 256);
    EXPECT_EQ(maxFrameBodyFor(pt.data(), static_cast<int>(pt.size())), 258);
    EXPECT_EQ(maxFrameBodyFor(ps.data(), static_cast<int>(ps.size())), 258);
    // The longest chat line a player can type goes out whole.
    const std::string typed(kMaxChatTextChars, 'w');
    const MessageBytes longest = chatMessage(1, typed.c_str());
    EXPECT_EQ(std::string(longest.begin() + 4, longest.end() - 1), typed);
}

TEST(Codec, MessageRecordOwnsACopyOfTheBytes) {
    uint8_t bytes[] = {'P', 'M', 1, 2};
    auto* record = makeMessage(new OrvexMessage, bytes, 4, 0);
    bytes[2] = 9;
    EXPECT_EQ(record->count, 4);
    EXPECT_EQ(record->extra, 0);
    EXPECT_EQ(record->bytes[2], 1);
    OrvexMessage onStack;
    makeMessage(&onStack, bytes, 4, 0);
    deleteSentMessage(&onStack, 0);  // bytes only: the record is not from new
    EXPECT_EQ(onStack.bytes, nullptr);
    deleteSentMessage(record, 1);
}

TEST(Codec, ByteSumWrapsModulo256) {
    uint8_t body[] = {0xff, 0xff, 0x03};
    EXPECT_EQ(byteSum(body, 3), 0x01);
    EXPECT_EQ(byteSum(body, 0), 0x00);
}

}  // namespace
