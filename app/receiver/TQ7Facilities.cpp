#include "app/receiver/TQ7Facilities.h"

#include "app/receiver/PackedFrequency.h"

namespace lxq {

// Mode ids index the main window's mode-name table: 0 CW, 1 AM, 2 FMN, 3 FMW, 4 LSB, 5 USB,
// 8 AMS, 10 FM3, 11 FM6, 12 AMN, 13 DSB, 14 ISB.
const ModelFacilities kQ7Facilities{-130, -30, 0, 3, 0, 100, 11,
                                    {0, 1, 2, 4, 5, 8, 10, 11, 12, 13, 14}};
const ModelFacilities kQ745Facilities{-130, -30, 0, 3, 0, 100, 11,
                                      {0, 1, 2, 4, 5, 8, 11, 12, 13, 14, 3}};
const ModelFacilities kQ791Facilities{-130, -30, 0, 3, 0, 100, 8, {1, 8, 4, 5, 13, 14, 0, 2}};
const ModelFacilities kQ786Facilities{-140, -20, 0, 3, 0, 120, 9, {1, 8, 4, 5, 13, 14, 0, 2, 3}};

namespace {
bool InRange(int index, std::int32_t count) {
    return index >= 0 && index < count && index < kMaxFacilityModes;
}
} // namespace

std::int32_t TQ7Facilities::GetMode(int index) const {
    return InRange(index, ModesCount) ? modes_[index] : 0;
}

void TQ7Facilities::SetMode(int index, std::int32_t id) {
    if (InRange(index, ModesCount)) modes_[index] = id;
}

void TQ7Facilities::Assign(const TQ7Facilities& source) {
    ModesCount = source.ModesCount;
    for (int i = 0; i < kMaxFacilityModes; ++i) SetMode(i, source.modes_[i]);
    MinSquelch = source.MinSquelch;
    MaxSquelch = source.MaxSquelch;
    MinFrequency = source.MinFrequency;
    MaxFrequency = source.MaxFrequency;
    MinAGC = source.MinAGC;
    MaxIFGain = source.MaxIFGain;
    MaxAGC = source.MaxAGC;
    MinIFGain = source.MinIFGain;
}

void TQ7Facilities::Apply(const ModelFacilities& model, std::uint32_t minFrequencyPacked,
                          std::uint32_t maxFrequencyHz) {
    MinSquelch = model.minSquelch;
    MaxSquelch = model.maxSquelch;
    MinAGC = model.minAgc;
    MaxAGC = model.maxAgc;
    MinIFGain = model.minIfGain;
    MaxIFGain = model.maxIfGain;
    ModesCount = model.modesCount;
    for (int i = 0; i < kMaxFacilityModes; ++i) SetMode(i, model.modes[i]);
    MinFrequency = DecodeFreq32(minFrequencyPacked);
    MaxFrequency = maxFrequencyHz;
}

} // namespace lxq
