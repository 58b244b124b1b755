#pragma once
// The frequencies a spectrum sweep visits: Start, Start + Step, ... up to the last whole step
// at or below End.

#include <cstdint>

namespace lxq {

inline constexpr std::int64_t kSweepPointsMax = 500'000'000;

struct SweepRange {
    std::int64_t start = 0;
    std::int64_t end = 0; // the last point: Start + n x Step
    std::int64_t step = 1;
    std::int64_t points = 0;
    const char* error = nullptr; // the message that refuses the range, or null
};

SweepRange MakeSweepRange(std::int64_t start, std::int64_t end, std::int64_t step);

} // namespace lxq
