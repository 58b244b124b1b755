#include "app/forms/AutoStepRules.h"

namespace lxq {

std::optional<FrequencySpan> FirstFreeGap(const AutoStepList& list, std::int64_t minFrequency,
                                          std::int64_t maxFrequency) {
    std::int64_t start = minFrequency;
    std::int64_t end = maxFrequency;
    for (const TRangeRecord& e : list) {
        if (e.lower == start) {
            start = e.upper;
            continue;
        }
        // An entry below the gap start (an overlap in the list) does not end the gap.
        if (e.lower < start) continue;
        end = e.lower;
        break;
    }
    if (start >= maxFrequency) return std::nullopt;
    return FrequencySpan{start, end};
}

LowerChoice MoveLowerOutOfEntries(const AutoStepList& list, std::size_t skip, std::int64_t f,
                                  std::int64_t editMin, std::int64_t editMax) {
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (i != skip && list[i].lower <= f && f < list[i].upper) f = list[i].upper;
        if (f == editMax) f = editMin;
    }
    LowerChoice choice{f, std::nullopt};
    // The entries around f, the edited one left out; before the first entry the gap starts at
    // the edit's minimum, so the upper frequency cannot run into the first entry either.
    std::int64_t previousUpper = editMin;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && i == skip) continue;
        const std::int64_t nextLower = i < list.size() ? list[i].lower : editMax;
        if (previousUpper <= f && nextLower > f) {
            choice.upperLimits = FrequencySpan{f, nextLower};
            break;
        }
        if (i < list.size()) previousUpper = list[i].upper;
    }
    return choice;
}

std::size_t PlaceEntry(AutoStepList& list, std::size_t index) {
    const TRangeRecord entry = list[index];
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    std::size_t at = 0;
    while (at < list.size() && list[at].lower <= entry.lower) ++at;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), entry);
    return at;
}

} // namespace lxq
