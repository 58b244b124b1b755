#pragma once
// One line of the spectrum graph: a 16-bit value per frequency step of the graph's range, with
// its colour, kind, name and unit. The samples are allocated in full when the line is made, so
// feeding a value never allocates.

#include <cstdint>
#include <vector>

#include "platform/components/Graphics.h"

namespace lxq {

// Which scale a line's values belong to; a hits line is always followed by its hidden rounds
// line, which counts the visits of each step.
enum class TmyGraphLineType : std::uint8_t { normal = 0, alternate = 1, bar = 2, hits = 3, rounds = 4 };

struct TmyGraphLine2 {
    plat::comp::TColor colour = 0;
    TmyGraphLineType lineType = TmyGraphLineType::normal;
    std::int32_t capacity = 1;  // steps of the range + 1
    std::int32_t filled = 0;    // values stored from index 0
    std::int32_t position = 0;  // kept for the owner
    char name[32] = {};
    char unit[32] = {};
    std::vector<std::int16_t> samples; // capacity + 1 values
    std::uint8_t shown = 1;
};

} // namespace lxq
