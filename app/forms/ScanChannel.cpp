#include "app/forms/ScanChannel.h"

#include <algorithm>
#include <cstring>

namespace lxq {

namespace {

constexpr std::int32_t kModeCW = 0;
constexpr std::int32_t kModeFMN = 2;
constexpr std::int32_t kModeLSB = 4;
constexpr std::int32_t kModeUSB = 5;

bool Downwards(const ScanSources& s) { return s.direction < 1; }

std::int64_t NextSearch(ScanChannel& ch, const ScanSources& s) {
    // Saturating: a step of the edit's size never leaves the 64-bit range, but a stored
    // position may be anything.
    const std::int64_t p = ch.searchFrequency;
    const std::int64_t step = std::max<std::int64_t>(s.step, 0);
    const std::int64_t f = Downwards(s) ? (p < INT64_MIN + step ? INT64_MIN : p - step)
                                        : (p > INT64_MAX - step ? INT64_MAX : p + step);
    ch.searchFrequency = f;
    if (f < s.minFrequency) {
        ch.frequency = s.minFrequency;
        return 0;
    }
    if (f > s.maxFrequency) {
        ch.frequency = s.maxFrequency;
        return 0;
    }
    ch.frequency = f;
    return f;
}

bool Usable(const TMemoryRecord& m, const ScanSources& s) {
    if (m.flags & kMemLockout) return false;
    return !s.enableGroups || (m.groups & s.memGroups) != 0;
}

std::int64_t NextMemory(ScanChannel& ch, const ScanSources& s) {
    if (!s.memories || s.memories->empty()) return 0;
    const auto count = static_cast<std::int32_t>(s.memories->size());
    std::int32_t a = ch.memoryPosition;
    if (a < 0) a = count - 1;
    else if (a >= count) a = 0;
    const std::int32_t move = Downwards(s) ? -1 : 1;
    std::int32_t i = a;
    for (;;) {
        i = (i + move + count) % count;
        if (i == a) return 0; // full circle without a channel
        if (Usable(*(*s.memories)[static_cast<std::size_t>(i)], s)) break;
    }
    const TMemoryRecord& m = *(*s.memories)[static_cast<std::size_t>(i)];
    ch.memoryPosition = i;
    ch.memoryNumber = m.number;
    ch.bandwidth = static_cast<std::int32_t>(m.bandwidth);
    ch.mode = (m.flags & kMemKeepMode) ? s.receiverMode : m.mode;
    if (!(m.flags & kMemKeepSquelch)) {
        ch.squelch.level = s.sqToKvr(m.levelSquelch);
        ch.squelchBits = m.levelSquelch != 0 ? kSquelchLevel : 0;
        const auto type = static_cast<std::uint32_t>(m.squelchType);
        SetSquelchValue(ch.squelch, type, m.squelchValue);
        ch.squelchBits |= type;
    }
    ch.frequency = m.frequency;
    return m.frequency;
}

bool Excluded(std::int64_t f, const ScanSources& s, std::int64_t& low, std::int64_t& high) {
    if (!s.exclusionsEnabled || !s.exclusions) return false;
    for (const TExclusionRecord& e : *s.exclusions) {
        const auto lo = static_cast<std::int64_t>(e.from);
        const auto hi = static_cast<std::int64_t>(e.to);
        if (lo <= f && f <= hi) {
            low = lo;
            high = hi;
            return true;
        }
    }
    return false;
}

// Steps through the entered range; the frequency found, or nothing when the range is done.
bool StepInRange(ScanChannel& ch, const TRangeRecord& r, const ScanSources& s, std::int64_t& found) {
    const bool down = Downwards(s);
    // A range without a forward step has no channels (it would hold the scan on one frequency).
    if (r.step < 1) return false;
    // Unsigned arithmetic: the sum of two 64-bit frequencies may not fit, and must not be UB.
    auto next = [&](std::int64_t f, std::uint64_t steps) {
        const std::uint64_t by = steps * static_cast<std::uint64_t>(r.step);
        return static_cast<std::int64_t>(down ? static_cast<std::uint64_t>(f) - by : static_cast<std::uint64_t>(f) + by);
    };
    std::int64_t f = ch.rangeFrequency;
    for (;;) {
        // Leaving the range: compared before the step so that no step can wrap round.
        const auto room = down ? static_cast<std::uint64_t>(f) - static_cast<std::uint64_t>(r.lower)
                               : static_cast<std::uint64_t>(r.upper) - static_cast<std::uint64_t>(f);
        if ((down ? f < r.lower : f > r.upper) || room < static_cast<std::uint64_t>(r.step)) {
            ch.rangeFrequency = next(f, 1);
            return false;
        }
        f = next(f, 1);
        std::int64_t low = 0, high = 0;
        if (!Excluded(f, s, low, high)) break;
        // Jump over the whole exclusion at once, to its last step inside it.
        const std::uint64_t inside = down ? static_cast<std::uint64_t>(f) - static_cast<std::uint64_t>(low)
                                          : static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(f);
        f = next(f, inside / static_cast<std::uint64_t>(r.step));
    }
    ch.rangeFrequency = f;
    found = f;
    return true;
}

std::int64_t NextRange(ScanChannel& ch, const ScanSources& s, std::int32_t& rangeChanges) {
    if (!s.ranges) return 0;
    const RangeList& ranges = *s.ranges;
    const auto n = static_cast<std::int32_t>(ranges.size());
    const bool down = Downwards(s);
    std::int32_t& i = ch.rangeIndex;
    for (;;) {
        // 1. wrap round the list
        if (i >= n || i < 0) {
            if (n == 0) return 0;
            i = i >= n ? 0 : n - 1;
            ch.enteredRange = nullptr;
        }
        const TRangeRecord& r = *ranges[static_cast<std::size_t>(i)];
        // 2. enter the range
        if (ch.enteredRange != &r) {
            if (std::all_of(ranges.begin(), ranges.end(), [](const auto& x) { return (x->skip & 1) != 0; }))
                return 0;
            if (r.skip & 1) {
                i += down ? -1 : 1;
                continue;
            }
            ch.enteredRange = &r;
            // One step outside, so the first step lands on the edge.
            ch.rangeFrequency = static_cast<std::int64_t>(
                down ? static_cast<std::uint64_t>(r.upper) + static_cast<std::uint64_t>(r.step)
                     : static_cast<std::uint64_t>(r.lower) - static_cast<std::uint64_t>(r.step));
        }
        // 3. the range's channel settings
        std::memcpy(&ch.squelch, &r.levelSquelch, sizeof ch.squelch);
        ch.squelch.level = s.sqToKvr(r.levelSquelch);
        ch.squelchBits = static_cast<std::uint32_t>(r.activeSquelch);
        ch.mode = r.mode;
        ch.bandwidth = RangeBandwidth(r.mode);
        // 4. no range yields anything
        if (rangeChanges > n) {
            rangeChanges = 0;
            return 0;
        }
        // 5. the next step inside the range
        std::int64_t f = 0;
        if (StepInRange(ch, r, s, f)) {
            rangeChanges = 0;
            ch.frequency = f;
            return f;
        }
        // 6. on to the neighbour
        i += down ? -1 : 1;
        ++rangeChanges;
    }
}

} // namespace

void ScanChannel::ResetPosition(std::int64_t hz) {
    searchFrequency = hz;
    memoryPosition = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(hz)));
    memoryNumber = 0;
    enteredRange = nullptr;
    rangeIndex = 0;
    rangeFrequency = 0;
}

std::int64_t NextChannel(ScanChannel& channel, const ScanSources& sources, std::int32_t& rangeChanges) {
    switch (sources.kind) {
    case ScanKind::Search: return NextSearch(channel, sources);
    case ScanKind::Memory: return NextMemory(channel, sources);
    case ScanKind::Range: return NextRange(channel, sources, rangeChanges);
    }
    return 0;
}

std::int32_t RangeBandwidth(std::int32_t mode) {
    switch (mode) {
    case kModeFMN: return 10000;
    case kModeLSB:
    case kModeUSB: return 3000;
    case kModeCW: return 500;
    default: return 9000;
    }
}

void SetSquelchValue(SQUELCH_SETTINGS& record, std::uint32_t type, std::int32_t value) {
    switch (type) {
    case kSquelchNoise: record.noise = value; break;
    case kSquelchCtcss: record.ctcss = static_cast<std::uint32_t>(value); break;
    case kSquelchVoice: record.voice = static_cast<std::uint32_t>(value); break;
    case kSquelchDcs: record.dcs = value; break;
    default: break;
    }
}

std::int32_t SquelchValue(const SQUELCH_SETTINGS& record, std::uint32_t type) {
    switch (type) {
    case kSquelchNoise: return record.noise;
    case kSquelchCtcss: return static_cast<std::int32_t>(record.ctcss);
    case kSquelchVoice: return static_cast<std::int32_t>(record.voice);
    case kSquelchDcs: return record.dcs;
    default: return 0;
    }
}

} // namespace lxq
