#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/util/vector.h"

namespace {

std::vector<std::string> lines(const Vector& v) {
    std::vector<std::string> out;
    for (int i = 0; i < v.size(); ++i) out.push_back(static_cast<const char*>(v.elementAt(i)));
    return out;
}

TEST(Vector, GrowsWhenWithinFiveOfCapacity) {
    Vector v;
    int items[3000];
    for (int i = 0; i < 1019; ++i) v.addElement(&items[i]);
    EXPECT_EQ(v.capacity(), 1024);
    v.addElement(&items[1019]);
    EXPECT_EQ(v.capacity(), 2048);
    for (int i = 1020; i < 3000; ++i) v.appendItem(&items[i]);
    ASSERT_EQ(v.size(), 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(v.elementAt(i), &items[i]);
    v.reset();
    EXPECT_EQ(v.size(), 0);
    EXPECT_EQ(v.capacity(), 1024);
}

TEST(Vector, InsertAndRemove) {
    Vector v;
    int a, b, c, d;
    v.addElement(&a);
    v.addElement(&c);
    v.insertElementAt(&b, 1);
    v.insertElementAt(&d, 3);
    ASSERT_EQ(v.size(), 4);
    EXPECT_EQ(v.elementAt(1), &b);
    EXPECT_EQ(v.elementAt(3), &d);
    v.insertElementAt(&d, 9);  // refused
    v.removeElementAt(4);      // refused
    v.removeElementAt(-1);     // refused
    EXPECT_EQ(v.size(), 4);
    v.removeElementAt(0);
    EXPECT_EQ(v.firstElement(), &b);
    EXPECT_EQ(v.size(), 3);
}

TEST(Vector, StringPoolChunksAndStablePointers) {
    Vector v;
    std::vector<const char*> stored;
    std::vector<std::string> texts;
    // ~1 MB of strings: crosses the 8 KiB chunks into 64 KiB ones.
    for (int i = 0; i < 6000; ++i) {
        texts.push_back("name-" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 150), '.'));
        stored.push_back(v.storeString(texts.back().c_str()));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_STREQ(stored[i], texts[i].c_str());
    EXPECT_EQ(v.chunkSize(0), 8192u);
    EXPECT_EQ(v.chunkSize(1), 8192u);
    EXPECT_EQ(v.chunkSize(2), 8192u);
    EXPECT_EQ(v.chunkSize(3), 65536u);
    EXPECT_GT(v.chunkIndex(), 3);
}

TEST(Vector, ChunkTableGrowsAtThirdChunk) {
    Vector v;
    std::string s(190, 'a');
    while (v.chunkIndex() < 3) v.storeString(s.c_str());
    EXPECT_EQ(v.chunkTableCapacity(), 20);
    EXPECT_EQ(v.chunkSize(3), 65536u);
}

TEST(Vector, LongStringsAreStoredAsLongName) {
    Vector v;
    std::string s199(199, 'x'), s200(200, 'x');
    EXPECT_EQ(std::string(v.storeString(s199.c_str())), s199);
    EXPECT_STREQ(v.storeString(s200.c_str()), "long-name");
    EXPECT_STREQ(v.storeString(nullptr), "");
}

TEST(Vector, AddLinesTable) {
    struct {
        const char* text;
        std::vector<std::string> want;
    } cases[] = {
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"a\n\nb", {"a", "", "b"}},
        {"x\n", {"x"}},
        {"a\nb\rc", {"a", "b", "c"}},  // every CR or LF breaks
        {"a\r\rb", {"a", "", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\nx", {"", "x"}},
        {"", {}},
        {"one", {"one"}},
        {"*VER: 1.02\r\n*START\r\nsystem/x 10 20\r\n*END\r\n", {"*VER: 1.02", "*START", "system/x 10 20", "*END"}},
    };
    for (const auto& c : cases) {
        Vector v;
        v.addLines(c.text);
        EXPECT_EQ(lines(v), c.want) << c.text;
    }
}

TEST(Vector, SortKeepsOrder) {
    Vector named("vw", 0);
    Vector plain;
    const char* t[] = {"z", "a", "m", "b"};
    for (const char* s : t) {
        named.addElement(const_cast<char*>(s));
        plain.addElement(const_cast<char*>(s));
    }
    named.sort();
    plain.sort();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(named.elementAt(i), t[i]);
        EXPECT_EQ(plain.elementAt(i), t[i]);
    }
}

// A lock-flagged vector is a queue between two threads.
TEST(Vector, LockFlaggedVectorIsSafeAcrossThreads) {
    Vector queue(1);
    constexpr int kItems = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kItems; ++i) queue.addCopy(std::to_string(i).c_str());
    });
    int taken = 0, expect = 0;
    while (taken < kItems) {
        queue.lock();
        if (queue.size() > 0) {
            EXPECT_EQ(std::string(static_cast<char*>(queue.firstElement())), std::to_string(expect));
            queue.removeElementAt(0);
            ++taken;
            ++expect;
        }
        queue.unlock();
    }
    producer.join();
    EXPECT_EQ(queue.size(), 0);
    EXPECT_NE(queue.lockNameA()[0], '\0');
}

}  // namespace
