#include "crashreport/base/TmyList.h"

#include <cstring>

namespace errvane {

TmyList::TmyList(std::size_t initialCount, std::size_t maximumCount)
    : TmyBuffer(initialCount * sizeof(Item), maximumCount * sizeof(Item)) {
    RegisterType(kTypeList);
}

bool TmyList::IsFull() const { return MaximumSize() != 0 && Used() + sizeof(Item) > MaximumSize(); }

std::size_t TmyList::Room() const {
    if (MaximumSize() == 0) return static_cast<std::size_t>(-1);
    return MaximumSize() / sizeof(Item) - Count();
}

int TmyList::Insert(Item value, int index) {
    const std::size_t count = Count();
    if (FreeRoom() < sizeof(Item)) {
        Resize(Capacity() * 2);
        if (FreeRoom() < sizeof(Item)) return -1;
    }
    if (!SetLength(Used() + sizeof(Item))) return -1;
    const std::size_t at = index < 0 || static_cast<std::size_t>(index) > count ? count : static_cast<std::size_t>(index);
    Item* items = Items();
    std::memmove(items + at + 1, items + at, (count - at) * sizeof(Item));
    items[at] = value;
    return static_cast<int>(at);
}

TmyList::Item TmyList::Delete(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Count()) return 0;
    const Item value = Items()[index];
    RemoveRange(static_cast<std::size_t>(index) * sizeof(Item), sizeof(Item));
    return value;
}

void TmyList::Truncate(std::size_t count) {
    while (Count() > count) Delete(static_cast<int>(Count() - 1));
}

}  // namespace errvane
