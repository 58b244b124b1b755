#pragma once
#include <cstdint>

namespace errvane {

// What the processor says of itself (cpuid) and a measurement of its clock.
class Processor {
public:
    // The 48-character brand text of the extended identification leaves, untrimmed; empty when
    // the processor has none.
    static void BrandText(char (&text)[49]);
    // Family and model/stepping as the report shows them (display family; model << 8 | stepping).
    static unsigned Family();
    static unsigned ModelStepping();
    // Whether the time-stamp counter runs at a constant rate whatever the power state.
    static bool HasInvariantTimestamp();
    // Clock in MHz from the time-stamp counter against the monotonic clock over the given time
    // (busy waiting); 0 when it cannot be measured.
    static std::uint64_t MeasureMHz(unsigned milliseconds);
};

}  // namespace errvane
