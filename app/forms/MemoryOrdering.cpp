#include "app/forms/MemoryOrdering.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "app/forms/ModeNames.h"

namespace lxq {
namespace {

constexpr int kModesWithNames = 16; // mode ids the mode sort knows by name
constexpr std::uint32_t kNoLevelSquelchKey = 10'000'000;
constexpr std::uint32_t kUnsetPriority = 5;

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareBytes(const char* a, std::size_t na, const char* b, std::size_t nb) {
    // Unsigned bytes, case counts; the texts end at their zero or their field's end.
    const std::string_view x(a, strnlen(a, na));
    const std::string_view y(b, strnlen(b, nb));
    const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    return c != 0 ? c : Order(x.size(), y.size());
}

bool HasMode(const TMemoryRecord& r) {
    return r.mode >= 0 && r.mode < kModesWithNames && (r.flags & kMemKeepMode) == 0;
}

int CompareModes(const TMemoryRecord& a, const TMemoryRecord& b) {
    const bool ha = HasMode(a);
    const bool hb = HasMode(b);
    if (!ha || !hb) return Order(ha, hb);
    if (a.mode == b.mode) return 0;
    const std::string_view na = ModeName(a.mode);
    const std::string_view nb = ModeName(b.mode);
    return CompareBytes(na.data(), na.size(), nb.data(), nb.size());
}

// Falling: no level squelch first, then the higher levels; ties go to the second squelch.
int CompareSquelch(const TMemoryRecord& a, const TMemoryRecord& b) {
    const auto key = [](const TMemoryRecord& r) {
        return (r.flags & kMemKeepSquelch) ? kNoLevelSquelchKey : static_cast<std::uint32_t>(r.levelSquelch);
    };
    std::uint32_t ka = key(a);
    std::uint32_t kb = key(b);
    if (ka == kb) {
        ka += static_cast<std::uint32_t>(a.squelchType);
        kb += static_cast<std::uint32_t>(b.squelchType);
        if (ka == kb) {
            ka += static_cast<std::uint32_t>(a.squelchValue);
            kb += static_cast<std::uint32_t>(b.squelchValue);
        }
    }
    return static_cast<std::int32_t>(kb - ka);
}

std::uint32_t SortPriority(const TMemoryRecord& r) {
    const std::uint32_t p = MemoryPriority(r);
    return p == 0 ? kUnsetPriority : p;
}

} // namespace

int CompareMemories(const TMemoryRecord& a, const TMemoryRecord& b, int key) {
    switch (static_cast<MemorySortKey>(key)) {
    case MemorySortKey::Number:
        return Order(static_cast<std::uint32_t>(a.number), static_cast<std::uint32_t>(b.number));
    case MemorySortKey::Frequency:
        return Order(static_cast<std::uint64_t>(a.frequency), static_cast<std::uint64_t>(b.frequency));
    case MemorySortKey::Mode: return CompareModes(a, b);
    case MemorySortKey::Groups: return Order(a.groups, b.groups);
    case MemorySortKey::Squelch: return CompareSquelch(a, b);
    case MemorySortKey::Callsign:
        return CompareBytes(a.callsign, sizeof a.callsign, b.callsign, sizeof b.callsign);
    case MemorySortKey::Comments:
        return CompareBytes(a.comments, sizeof a.comments, b.comments, sizeof b.comments);
    case MemorySortKey::Priority: return Order(SortPriority(a), SortPriority(b));
    }
    return 0;
}

bool RebuildSortedMemories(MemoryList& list, MemoryView* byFrequency, int memSort, HotkeyTable& used) {
    if (!byFrequency) return false;
    byFrequency->clear();
    for (auto& r : list) byFrequency->push_back(r.get());
    std::stable_sort(byFrequency->begin(), byFrequency->end(), [](const TMemoryRecord* a, const TMemoryRecord* b) {
        return CompareMemories(*a, *b, static_cast<int>(MemorySortKey::Frequency)) < 0;
    });
    if (memSort >= 0 && memSort <= static_cast<int>(MemorySortKey::Priority)) {
        std::stable_sort(list.begin(), list.end(), [memSort](const auto& a, const auto& b) {
            return CompareMemories(*a, *b, memSort) < 0;
        });
    }
    RebuildHotkeys(list, used);
    return true;
}

} // namespace lxq
