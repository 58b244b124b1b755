#pragma once
// Orders the memory channels by the user's sort key (the "MemSort" setting) and keeps the view
// by frequency and the hotkey table up to date.

#include <cstdint>

#include "app/forms/MemoryList.h"

namespace lxq {

// The sort keys.
enum class MemorySortKey : std::int8_t {
    Number = 0,
    Frequency = 1,
    Mode = 2,
    Groups = 3,
    Squelch = 4,
    Callsign = 5,
    Comments = 6,
    Priority = 7,
};

// Negative, zero or positive as a sorts before, with or after b under the key (0..7).
int CompareMemories(const TMemoryRecord& a, const TMemoryRecord& b, int key);

// Brings the companions up to date after the channels or the key changed: the view by frequency
// becomes the list sorted by frequency, the list is sorted by the key (other keys leave its
// order), and the hotkeys are normalised into `used`. Without a view (`byFrequency` null, the
// form not started yet) nothing is touched and the answer is false.
bool RebuildSortedMemories(MemoryList& list, MemoryView* byFrequency, int memSort, HotkeyTable& used);

} // namespace lxq
