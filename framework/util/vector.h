#pragma once
// The program's growable array of pointers, with a string pool of its own:
// strings stored through the vector are copied into pooled chunks that never
// move, so their pointers stay valid until the vector is reset or destroyed.
// The items themselves are not owned.
//
// A vector created with a non-zero lock flag is shared between threads: its
// operations take its mutex, and a caller that needs several calls to act as
// one (look at the first item, then remove it) holds lock()/unlock() around
// them. The mutex is recursive.
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "framework/util/runnable.h"
#include "platform/os/contract.h"

class Vector : public Runnable {
public:
    explicit Vector(int lockFlag = 0);
    Vector(const char* name, int lockFlag);
    ~Vector() override;

    void reset();
    void addElement(void* item);
    void appendItem(void* item);
    // 0 <= index <= size(); out of range is refused with an "ERROR" line.
    void insertElementAt(void* item, int index);
    void removeElementAt(int index);
    // Precondition: 0 <= index < size() (a shared vector: under its lock).
    void* elementAt(int index) const {
        VURN_ASSERT(index >= 0 && index < iCount);
        return iItems[static_cast<std::size_t>(index)];
    }
    // Precondition: size() > 0.
    void* firstElement() const { return elementAt(0); }
    int size() const { return iCount; }
    int capacity() const { return iCapacity; }

    // Copies text into the pool; a text of 200 characters or more is stored
    // as "long-name".
    char* storeString(const char* text);
    void addString(const char* text);
    void addCopy(const char* text);
    // Adds each line of text: a line ends at the first CR or LF, and a CR LF
    // pair counts as one break. Empty lines between breaks are added; a break
    // at the very end adds no empty line.
    void addLines(const char* text);
    // Sorts a vector named "vw" with an all-equal comparison, keeping the
    // order; other vectors are left as they are.
    void sort();

    void lock();
    void unlock();

    // Pool layout, for tests.
    int chunkIndex() const { return iChunkIndex; }
    std::size_t chunkSize(int index) const { return iChunkSizes[static_cast<std::size_t>(index)]; }
    int chunkTableCapacity() const { return iChunkTableCapacity; }

private:
    void grow();
    void freePool();

    std::vector<void*> iItems;  // sized to iCapacity
    int iCount = 0;
    int iCapacity = 0;
    bool iSortFlag = false;
    bool iLocked;

    std::vector<std::unique_ptr<char[]>> iChunks;
    std::vector<std::size_t> iChunkSizes;
    int iChunkIndex = 0;
    std::size_t iUsed = 0;
    std::size_t iCurrentChunkSize = 8192;
    int iChunkTableCapacity = 4;

    std::recursive_mutex iMutex;
};

// Calls `line` with each line of a text, split as Vector::addLines splits
// it (a line ends at the first CR or LF, CR LF is one break, a break at the
// very end adds no empty line). A null text has no lines.
void forEachLine(const char* text, const std::function<void(std::string_view)>& line);
