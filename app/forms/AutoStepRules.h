#pragma once
// The rules that keep the auto-step list in rising order of the lower frequency and free of
// overlaps while entries are added and edited.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/forms/TRangeRecord.h"

namespace lxq {

using AutoStepList = std::vector<TRangeRecord>;

struct FrequencySpan {
    std::int64_t lower;
    std::int64_t upper;
};

// The first stretch of the receiver's range no entry covers, walking from its minimum; nothing
// when the entries reach its maximum.
std::optional<FrequencySpan> FirstFreeGap(const AutoStepList& list, std::int64_t minFrequency,
                                          std::int64_t maxFrequency);

// A typed lower frequency moved out of the entries (the edited entry, `skip`, left out), and the
// range its upper frequency may then take: from the lower frequency to the next entry's lower
// one (the edit's maximum after the last entry).
struct LowerChoice {
    std::int64_t lower;
    std::optional<FrequencySpan> upperLimits; // nothing: the upper edit is left as it is
};
LowerChoice MoveLowerOutOfEntries(const AutoStepList& list, std::size_t skip, std::int64_t f,
                                  std::int64_t editMin, std::int64_t editMax);

// Takes entry `index` out and puts it back before the first entry whose lower frequency is above
// its own; answers its new index.
std::size_t PlaceEntry(AutoStepList& list, std::size_t index);

} // namespace lxq
