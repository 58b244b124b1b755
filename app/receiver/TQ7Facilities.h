#pragma once
// The receiver's limits as the main form uses them: squelch, AGC and IF-gain ranges, frequency
// range in displayed terms, and the mode ids the receiver offers in menu order.

#include <cstdint>

namespace lxq {

inline constexpr int kMaxFacilityModes = 16;

// The fixed part of a receiver family's facilities: everything but the frequency range.
struct ModelFacilities {
    std::int32_t minSquelch;
    std::int32_t maxSquelch;
    std::int32_t minAgc;
    std::int32_t maxAgc;
    std::int32_t minIfGain;
    std::int32_t maxIfGain;
    std::int32_t modesCount;
    std::int32_t modes[kMaxFacilityModes];
};

// Receiver families: TmyQ7; TmyQ745; TmyQ791; TmyQ786, TmyQ786bw30 and TmyQ758.
extern const ModelFacilities kQ7Facilities;
extern const ModelFacilities kQ745Facilities;
extern const ModelFacilities kQ791Facilities;
extern const ModelFacilities kQ786Facilities;

class TQ7Facilities {
public:
    std::int32_t MinSquelch = 0;
    std::int32_t MaxSquelch = 0;
    std::int32_t ModesCount = 0; // valid entries of the mode array, at most 16
    std::int32_t MinAGC = 0;
    std::int32_t MaxAGC = 0;
    std::int32_t MinIFGain = 0;
    std::int32_t MaxIFGain = 0;
    std::int64_t MinFrequency = 0;
    std::int64_t MaxFrequency = 0;

    // Mode id at index, or 0 when index is not below ModesCount.
    std::int32_t GetMode(int index) const;
    // Stores id at index only below ModesCount, so ModesCount must be set first.
    void SetMode(int index, std::int32_t id);

    // Takes another object's values the way the receiver's Q7Facilities writer does: the count
    // first, then the 16 mode ids through SetMode (ids at or beyond the new count are dropped),
    // then the limits.
    void Assign(const TQ7Facilities& source);

    // Fills the object from a family's table and the receiver description's limits (the minimum
    // as a packed frequency, the maximum as plain unsigned Hz).
    void Apply(const ModelFacilities& model, std::uint32_t minFrequencyPacked,
               std::uint32_t maxFrequencyHz);

private:
    std::int32_t modes_[kMaxFacilityModes] = {};
};

} // namespace lxq
