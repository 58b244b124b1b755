#pragma once
// A list of owned texts, optionally kept sorted (byte order) after every change.

#include <cstddef>

class RC_StringList {
public:
    enum SortOrder { kUnsorted = 0, kAscending = 1, kDescending = 2 };

    RC_StringList() = default;
    RC_StringList(const RC_StringList&) = delete;
    RC_StringList& operator=(const RC_StringList&) = delete;
    virtual ~RC_StringList();

    // 0 none, 1 ascending, any other value descending; re-sorts at once.
    void SetSortOrder(int order);
    int SortOrder() const { return sortOrder_; }

    // Each returns false when memory ran out (the list is then unchanged).
    bool Add(const char* text);
    // At or past the end: Add.
    bool Insert(std::size_t index, const char* text);
    void Delete(std::size_t index);
    // Index of the first equal item, or -1 (also for null).
    long Find(const char* text) const;
    // The text, or null out of range.
    const char* Item(std::size_t index) const;
    std::size_t Count() const { return count_; }
    // Frees the texts and keeps the item array.
    void Clear();

private:
    bool Grow();
    void Sort();

    char** items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
    int sortOrder_ = kUnsorted;
};
