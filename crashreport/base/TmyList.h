#pragma once
#include "crashreport/base/TmyBuffer.h"

#include <cstddef>
#include <cstdint>

namespace errvane {

// A growable array of pointer-sized values with a maximum count.
class TmyList : public TmyBuffer {
public:
    using Item = std::uintptr_t;

    TmyList(std::size_t initialCount, std::size_t maximumCount);

    // Stores the value at the index (an index beyond the count appends); the index used, or -1
    // when the list is at its maximum.
    virtual int Insert(Item value, int index);
    // Removes and returns the item; 0 for an index out of range.
    virtual Item Delete(int index);

    std::size_t Count() const { return Used() / sizeof(Item); }
    Item At(std::size_t index) const { return index < Count() ? Items()[index] : 0; }
    void Truncate(std::size_t count);
    bool IsFull() const;
    // How many more items fit; SIZE_MAX without a maximum.
    std::size_t Room() const;

protected:
    Item* Items() { return reinterpret_cast<Item*>(Data()); }
    const Item* Items() const { return reinterpret_cast<const Item*>(Data()); }
};

// A list of plain values (thread ids and the like).
class TmyDwordList : public TmyList {
public:
    TmyDwordList(std::size_t initialCount, std::size_t maximumCount) : TmyList(initialCount, maximumCount) {}
    virtual int Add(Item value, int index = -1) { return Insert(value, index); }
};

}  // namespace errvane
