#include "app/forms/MemoryList.h"

#include <algorithm>

#include "app/forms/RecordFile.h"

namespace lxq {

int IndexOfNumber(const MemoryList& list, std::int32_t number) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i]->number == number) return static_cast<int>(i);
    return -1;
}

std::optional<std::int32_t> NeighbourNumber(const MemoryList& list, std::int32_t current, bool up) {
    std::optional<std::int32_t> beyond, wrapped, behind;
    for (const auto& r : list) {
        const std::int32_t n = r->number;
        const bool ahead = up ? n > current : n < current;
        if (ahead && (!beyond || (up ? n < *beyond : n > *beyond))) beyond = n;
        if (!ahead && n != current) behind = n;
        if (!wrapped || (up ? n < *wrapped : n > *wrapped)) wrapped = n;
    }
    if (beyond) return beyond;
    return behind ? wrapped : std::nullopt;
}

std::optional<std::int32_t> LowestFreeNumber(const MemoryList& list) {
    std::vector<bool> taken(kLastChannel + 1, false);
    for (const auto& r : list)
        if (r->number >= kFirstChannel && r->number <= kLastChannel)
            taken[static_cast<std::size_t>(r->number)] = true;
    for (std::int32_t n = kFirstChannel; n <= kLastChannel; ++n)
        if (!taken[static_cast<std::size_t>(n)]) return n;
    return std::nullopt;
}

void RebuildHotkeys(MemoryList& list, HotkeyTable& used) {
    used.fill(false);
    for (auto& r : list) {
        const auto key = static_cast<std::uint32_t>(r->hotkey);
        if (key >= kFirstHotkey && key <= kLastHotkey) used[key] = true;
        else r->hotkey = 0;
    }
}

std::optional<MemoryFileContent> ReadMemoryFile(const std::string& path, plat::sys::ReadOutcome* outcome) {
    auto content = ReadRecordFile<TMemoryRecord>(path, outcome);
    if (!content) return std::nullopt;
    MemoryFileContent result;
    result.damaged = content->damaged;
    MemoryList& list = result.list;
    list.reserve(content->records.size());
    for (const TMemoryRecord& r : content->records) {
        auto record = std::make_unique<TMemoryRecord>(r);
        const bool outside = record->number < kFirstChannel || record->number > kLastChannel;
        if (outside || IndexOfNumber(list, record->number) >= 0) {
            // Numbers must stay unique and within the channel range (a spreadsheet carries no
            // other); with all 9999 taken there is no room for the channel.
            const auto free = LowestFreeNumber(list);
            if (!free) {
                ++result.damaged;
                continue;
            }
            record->number = *free;
        }
        list.push_back(std::move(record));
    }
    return result;
}

bool WriteMemoryFile(const std::string& path, MemoryList& list) {
    std::vector<TMemoryRecord> records;
    records.reserve(list.size());
    for (auto& r : list) {
        r->checksum = MemoryChecksum(*r);
        records.push_back(*r);
    }
    return WriteRecordFile<TMemoryRecord>(path, records);
}

} // namespace lxq
