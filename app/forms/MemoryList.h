#pragma once
// The memory channels in memory: the list that owns the records (in the order of the user's sort
// key), the view of the same records by frequency, and which hotkeys are taken.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/forms/TMemoryRecord.h"
#include "platform/sys/AtomicFile.h"

namespace lxq {

using MemoryList = std::vector<std::unique_ptr<TMemoryRecord>>;
using MemoryView = std::vector<TMemoryRecord*>;
// Entry k is true when some channel has hotkey k (only 2..12 can be).
using HotkeyTable = std::array<bool, kLastHotkey + 1>;

// Index of the channel with the number, -1 when none has it (linear search).
int IndexOfNumber(const MemoryList& list, std::int32_t number);

// The channel number next to `current` upwards (or downwards): the nearest number beyond it,
// else round to the lowest (highest) number, but only when some channel lies on the other side
// of `current`; nothing otherwise. Numbers are unique but need not be contiguous.
std::optional<std::int32_t> NeighbourNumber(const MemoryList& list, std::int32_t current, bool up);

// The lowest channel number from 1 up that no channel uses; nothing when all are taken.
std::optional<std::int32_t> LowestFreeNumber(const MemoryList& list);

// Clears every entry, marks the hotkeys 2..12 in use and sets any other hotkey to 0.
void RebuildHotkeys(MemoryList& list, HotkeyTable& used);

// Reads a memory file; nothing when it cannot be opened. Records with a wrong checksum and a
// short last record are dropped; a channel whose number is taken already gets a free one.
struct MemoryFileContent {
    MemoryList list;
    std::size_t damaged = 0; // records dropped
};
std::optional<MemoryFileContent> ReadMemoryFile(const std::string& path,
                                                plat::sys::ReadOutcome* outcome = nullptr);

// Stores each record's checksum and writes the list in its order. False when the file could not
// be written; the old file is then unchanged.
bool WriteMemoryFile(const std::string& path, MemoryList& list);

} // namespace lxq
