#include "demod/dsp/RC_StringList.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_Text.h"

namespace {
constexpr std::size_t kItemGranule = 128;
}

RC_StringList::~RC_StringList() {
    Clear();
    RC_Free(items_);
}

void RC_StringList::SetSortOrder(int order) {
    sortOrder_ = order;
    Sort();
}

bool RC_StringList::Grow() {
    if (count_ < capacity_) {
        return true;
    }
    const std::size_t capacity = (count_ + 1 + kItemGranule - 1) / kItemGranule * kItemGranule;
    auto** grown = static_cast<char**>(RC_Realloc(items_, capacity * sizeof(char*)));
    if (grown == nullptr) {
        return false;
    }
    items_ = grown;
    capacity_ = capacity;
    return true;
}

bool RC_StringList::Add(const char* text) { return Insert(count_, text); }

bool RC_StringList::Insert(std::size_t index, const char* text) {
    char* copy = RC_StrDup(text != nullptr ? text : "");
    if (copy == nullptr || !Grow()) {
        RC_Free(copy);
        return false;
    }
    if (index > count_) {
        index = count_;
    }
    RC_MemMove(items_ + index + 1, items_ + index, (count_ - index) * sizeof(char*));
    items_[index] = copy;
    ++count_;
    Sort();
    return true;
}

void RC_StringList::Delete(std::size_t index) {
    if (index >= count_) {
        return;
    }
    RC_Free(items_[index]);
    RC_MemMove(items_ + index, items_ + index + 1, (count_ - index - 1) * sizeof(char*));
    --count_;
}

long RC_StringList::Find(const char* text) const {
    if (text == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < count_; ++i) {
        if (RC_StrCmp(items_[i], text) == 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

const char* RC_StringList::Item(std::size_t index) const {
    return index < count_ ? items_[index] : nullptr;
}

void RC_StringList::Clear() {
    for (std::size_t i = 0; i < count_; ++i) {
        RC_Free(items_[i]);
    }
    count_ = 0;
}

void RC_StringList::Sort() {
    if (sortOrder_ == kUnsorted || count_ < 2) {
        return;
    }
    const int direction = sortOrder_ == kAscending ? 1 : -1;
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (std::size_t i = count_ - 1; i > 0; --i) {
            if (direction * RC_StrCmp(items_[i - 1], items_[i]) > 0) {
                char* held = items_[i - 1];
                items_[i - 1] = items_[i];
                items_[i] = held;
                swapped = true;
            }
        }
    }
}
