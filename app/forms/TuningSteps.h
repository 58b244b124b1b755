#pragma once
// The front panel's tuning arithmetic: the table the step spinner walks, the size of one knob
// click, and the counter that adds the missing third of a hertz to 8333 Hz steps so that three
// of them make exactly 25 kHz.

#include <array>
#include <cstdint>

#include "platform/components/Events.h"

namespace lxq {

inline constexpr std::array<std::int64_t, 21> kTuningSteps = {
    1,    5,    10,   50,    100,   250,   500,   1000,  2500,  3125,  5000,
    6250, 8333, 9000, 10000, 12500, 20000, 25000, 30000, 50000, 100000};

inline constexpr std::int64_t kThirdStep = 8333;

// Steps of the tuning pad's 14 buttons.
inline constexpr std::array<int, 14> kTuningPadSteps = {
    1, 10, 100, 500, 1000, 3125, 5000, 6250, 9000, 10000, 12500, 25000, 30000, 50000};

// The step the spinner moves to from `current` by `clicks` (its sign is the direction): a value
// between two entries goes to the next entry in that direction; the ends of the table hold.
std::int64_t SpinStep(std::int64_t current, int clicks);

// The knob's step multiplier buttons, by their Tag.
enum class KnobMultiplier : int { Tenth = 1, One = 10, Ten = 100, TuningStep = 1000 };

// Hz of one knob click upwards in the given mode, with the keys and mouse buttons held.
std::int64_t KnobStepHz(int modeId, plat::comp::TShiftState state, KnobMultiplier multiplier,
                        std::int64_t tuningStep);

// Counts 8333 Hz steps; the moves answer the new frequency.
class ThirdCounter {
public:
    std::int64_t StepRight(std::int64_t value, std::int64_t step);
    std::int64_t StepLeft(std::int64_t value, std::int64_t step);
    std::int64_t TenStepsRight(std::int64_t value, std::int64_t step);
    std::int64_t TenStepsLeft(std::int64_t value, std::int64_t step);
    // Any tuning by another difference than 0 or 8333 Hz forgets the thirds.
    void Reset() { thirds_ = 0; }
    std::int32_t Thirds() const { return thirds_; }

private:
    std::int64_t Move(std::int64_t value, std::int64_t step, int steps);

    std::int32_t thirds_ = 0;
};

} // namespace lxq
