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

Vector::Vector(int lockFlag) : Runnable(lockFlag ? 2 : 0), locked_(lockFlag != 0) { reset(); }

Vector::Vector(const char* name, int lockFlag) : Vector(lockFlag) {
    sortFlag_ = name && std::strcmp(name, "vw") == 0;
}

Vector::~Vector() {
    for (int i = 0; i <= chunkIndex_ && i < static_cast<int>(chunks_.size()); ++i)
        debugPrintfII("free %d->iNames[i=%d]", addressOf(this), i);
}

void Vector::lock() {
    if (locked_) mutex_.lock();
}

void Vector::unlock() {
    if (locked_) mutex_.unlock();
}

void Vector::freePool() {
    for (int i = 0; i <= chunkIndex_ && i < static_cast<int>(chunks_.size()); ++i)
        debugPrintfI("free iNames[i=%d]", i);
    chunks_.clear();
    chunkSizes_.clear();
}

void Vector::reset() {
    lock();
    count_ = 0;
    capacity_ = kGrowth;
    items_.assign(static_cast<std::size_t>(capacity_), nullptr);
    freePool();
    chunkTableCapacity_ = 4;
    chunkIndex_ = 0;
    used_ = 0;
    currentChunkSize_ = kFirstChunk;
    chunks_.push_back(std::make_unique<char[]>(currentChunkSize_));
    chunkSizes_.push_back(currentChunkSize_);
    debugPrintfII("assign %d->iNames[%d]", addressOf(this), 0);
    unlock();
}

// Keeps at least five spare slots after every insertion.
void Vector::grow() {
    if (count_ >= capacity_ - 5) {
        capacity_ += kGrowth;
        items_.resize(static_cast<std::size_t>(capacity_), nullptr);
    }
}

void Vector::appendItem(void* item) {
    lock();
    grow();
    items_[static_cast<std::size_t>(count_++)] = item;
    unlock();
}

void Vector::addElement(void* item) { appendItem(item); }

void Vector::insertElementAt(void* item, int index) {
    lock();
    if (index < 0 || index > count_) {
        debugLog("ERROR: insertElementAt out of index.\n");
        unlock();
        return;
    }
    grow();
    std::move_backward(items_.begin() + index, items_.begin() + count_, items_.begin() + count_ + 1);
    items_[static_cast<std::size_t>(index)] = item;
    ++count_;
    unlock();
}

void Vector::removeElementAt(int index) {
    lock();
    if (index < 0 || index >= count_) {
        debugLog("ERROR: removeElementAt out of index.");
    } else {
        std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
        --count_;
        items_[static_cast<std::size_t>(count_)] = nullptr;
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
    if (used_ + n >= currentChunkSize_) {
        used_ = 0;
        ++chunkIndex_;
        if (chunkIndex_ >= chunkTableCapacity_ - 1) {
            chunkTableCapacity_ += 16;
            debugPrintfI("REALLOC4=%d", chunkTableCapacity_ * static_cast<int>(sizeof(char*)));
            currentChunkSize_ = kLaterChunk;
        }
        debugLog("REALLOC3");
        chunks_.push_back(std::make_unique<char[]>(currentChunkSize_));
        chunkSizes_.push_back(currentChunkSize_);
    }
    char* copy = chunks_.back().get() + used_;
    std::memcpy(copy, text, n);
    used_ += n;
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
    if (sortFlag_)
        std::stable_sort(items_.begin(), items_.begin() + count_,
                         [](void* a, void* b) { return compareNone(&a, &b) < 0; });
    unlock();
}
