#include "framework/util/vector.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"

namespace {
constexpr int kGrowth = 1024;
constexpr std::size_t kFirstChunk = 8192;
constexpr std::size_t kLaterChunk = 65536;
}  // namespace

Vector::Vector(int lockFlag) : Runnable(lockFlag ? 2 : 0), iLocked(lockFlag != 0) { reset(); }

Vector::Vector(const char* name, int lockFlag) : Vector(lockFlag) { iSortFlag = name && std::strcmp(name, "vw") == 0; }

Vector::~Vector() {
    for (int i = 0; i <= iChunkIndex && i < static_cast<int>(iChunks.size()); ++i)
        debugPrintfII("free %d->iNames[i=%d]", addressOf(this), i);
}

void Vector::lock() {
    if (iLocked) iMutex.lock();
}

void Vector::unlock() {
    if (iLocked) iMutex.unlock();
}

void Vector::freePool() {
    for (int i = 0; i <= iChunkIndex && i < static_cast<int>(iChunks.size()); ++i) debugPrintfI("free iNames[i=%d]", i);
    iChunks.clear();
    iChunkSizes.clear();
}

void Vector::reset() {
    lock();
    iCount = 0;
    iCapacity = kGrowth;
    iItems.assign(static_cast<std::size_t>(iCapacity), nullptr);
    freePool();
    iChunkTableCapacity = 4;
    iChunkIndex = 0;
    iUsed = 0;
    iCurrentChunkSize = kFirstChunk;
    iChunks.push_back(std::make_unique<char[]>(iCurrentChunkSize));
    iChunkSizes.push_back(iCurrentChunkSize);
    debugPrintfII("assign %d->iNames[%d]", addressOf(this), 0);
    unlock();
}

// Keeps at least five spare slots after every insertion.
void Vector::grow() {
    if (iCount >= iCapacity - 5) {
        iCapacity += kGrowth;
        iItems.resize(static_cast<std::size_t>(iCapacity), nullptr);
    }
}

void Vector::appendItem(void* item) {
    lock();
    grow();
    iItems[static_cast<std::size_t>(iCount++)] = item;
    unlock();
}

void Vector::addElement(void* item) { appendItem(item); }

void Vector::insertElementAt(void* item, int index) {
    lock();
    if (index < 0 || index > iCount) {
        debugLog("ERROR: insertElementAt out of index.\n");
        unlock();
        return;
    }
    grow();
    std::move_backward(iItems.begin() + index, iItems.begin() + iCount, iItems.begin() + iCount + 1);
    iItems[static_cast<std::size_t>(index)] = item;
    ++iCount;
    unlock();
}

void Vector::removeElementAt(int index) {
    lock();
    if (index < 0 || index >= iCount) {
        debugLog("ERROR: removeElementAt out of index.");
    } else {
        std::move(iItems.begin() + index + 1, iItems.begin() + iCount, iItems.begin() + index);
        --iCount;
        iItems[static_cast<std::size_t>(iCount)] = nullptr;
    }
    unlock();
}

char* Vector::storeString(const char* text) {
    lock();
    if (!text) text = "";
    std::size_t n = std::strlen(text) + 1;
    if (n > 200) {
        text = "long-name";
        n = 10;
    }
    if (iUsed + n >= iCurrentChunkSize) {
        iUsed = 0;
        ++iChunkIndex;
        if (iChunkIndex >= iChunkTableCapacity - 1) {
            iChunkTableCapacity += 16;
            debugPrintfI("REALLOC4=%d", iChunkTableCapacity * static_cast<int>(sizeof(char*)));
            iCurrentChunkSize = kLaterChunk;
        }
        debugLog("REALLOC3");
        iChunks.push_back(std::make_unique<char[]>(iCurrentChunkSize));
        iChunkSizes.push_back(iCurrentChunkSize);
    }
    char* copy = iChunks.back().get() + iUsed;
    std::memcpy(copy, text, n);
    iUsed += n;
    unlock();
    return copy;
}

void Vector::addString(const char* text) {
    lock();
    appendItem(storeString(text));
    unlock();
}

void Vector::addCopy(const char* text) {
    lock();
    addElement(storeString(text));
    unlock();
}

void Vector::addLines(const char* text) {
    lock();
    forEachLine(text, [this](std::string_view line) { addString(std::string(line).c_str()); });
    unlock();
}

void forEachLine(const char* text, const std::function<void(std::string_view)>& line) {
    if (!text) return;
    std::string_view rest(text);
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t end = rest.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            line(rest.substr(pos));
            break;
        }
        line(rest.substr(pos, end - pos));
        pos = end + 1;
        if (rest[end] == '\r' && pos < rest.size() && rest[pos] == '\n') ++pos;
    }
}

void Vector::sort() {
    lock();
    if (iSortFlag)
        std::stable_sort(iItems.begin(), iItems.begin() + iCount,
                         [](void* a, void* b) { return compareNone(&a, &b) < 0; });
    unlock();
}
