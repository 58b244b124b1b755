#pragma once
// The scanner's channels and how the next one is found in each scan mode: fixed steps from the
// current frequency (Search), the memory channels by frequency (Memory), or the scan ranges
// (Range). Nothing here touches the receiver; the form hands in what the receiver says.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/forms/MemoryList.h"
#include "app/forms/TExclusionRecord.h"
#include "app/forms/RangeList.h"
#include "app/receiver/SquelchSettings.h"

namespace lxq {

enum class ScanKind : std::int8_t { Search, Memory, Range };

// One channel of the scan: the one tuned ahead in the pipeline, or the one being measured.
struct ScanChannel {
    std::int64_t frequency = 0; // Hz
    std::int32_t mode = -1;     // mode id, -1 none
    std::int32_t bandwidth = 0; // Hz
    SQUELCH_SETTINGS squelch{}; // level in plug-in units
    std::uint32_t squelchBits = 0;
    // Where the walk stands, by scan mode.
    std::int64_t searchFrequency = 0;          // Search
    std::int32_t memoryPosition = 0;           // Memory: index in the view by frequency
    std::int32_t memoryNumber = 0;             //         and that channel's number
    const TRangeRecord* enteredRange = nullptr; // Range: only compared, never read; null none
    std::int32_t rangeIndex = 0;
    std::int64_t rangeFrequency = 0;

    // The walk starts again from the frequency: a memory walk from its low 32 bits (so it
    // normally begins at the second channel going up, or the last going down), a range walk at
    // the first range.
    void ResetPosition(std::int64_t hz);
};

// What the walk reads besides the channel.
struct ScanSources {
    ScanKind kind = ScanKind::Search;
    int direction = 1;             // below 1: downwards
    std::int64_t step = 1000;      // Search step, Hz
    std::int64_t minFrequency = 0; // the receiver's limits, inclusive
    std::int64_t maxFrequency = 0;
    const MemoryView* memories = nullptr; // by frequency
    bool enableGroups = false;
    std::uint32_t memGroups = 0;
    std::int32_t receiverMode = 0; // for channels that keep the mode
    std::function<std::int32_t(std::int32_t)> sqToKvr = [](std::int32_t dbm) { return dbm; };
    const RangeList* ranges = nullptr;
    const std::vector<TExclusionRecord>* exclusions = nullptr;
    bool exclusionsEnabled = false;
};

// Moves the channel to the next frequency and fills it; answers that frequency, or 0 when
// nothing is left (band edge, empty or used-up memory view, no range yields a frequency).
// `rangeChanges` counts range moves without a frequency between calls.
std::int64_t NextChannel(ScanChannel& channel, const ScanSources& sources, std::int32_t& rangeChanges);

// The bandwidth a range channel gets for its mode.
std::int32_t RangeBandwidth(std::int32_t mode);

// Puts a secondary squelch value into the squelch record field of its type (no other type).
void SetSquelchValue(SQUELCH_SETTINGS& record, std::uint32_t type, std::int32_t value);
// The value of that field, 0 for any other type.
std::int32_t SquelchValue(const SQUELCH_SETTINGS& record, std::uint32_t type);

} // namespace lxq
