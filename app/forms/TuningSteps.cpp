#include "app/forms/TuningSteps.h"

#include <algorithm>

namespace lxq {

std::int64_t SpinStep(std::int64_t current, int clicks) {
    constexpr int last = static_cast<int>(kTuningSteps.size()) - 1;
    int i = static_cast<int>(std::lower_bound(kTuningSteps.begin(), kTuningSteps.end(), current) -
                             kTuningSteps.begin());
    if (clicks > 0) {
        if (i > last) return current; // above the table: nothing larger to go to
        if (kTuningSteps[static_cast<std::size_t>(i)] > current) --i;
        i = std::min(last, i + std::min(clicks, last));
    } else if (clicks < 0) {
        i = std::max(0, i + std::max(clicks, -last - 1));
    } else {
        return current;
    }
    return kTuningSteps[static_cast<std::size_t>(i)];
}

std::int64_t KnobStepHz(int modeId, plat::comp::TShiftState state, KnobMultiplier multiplier,
                        std::int64_t tuningStep) {
    namespace ss = plat::comp::ss;
    // Wide modes (AM, FMN, AMS, FM3, FM6, AMN) and a held mouse button turn in larger steps.
    const bool wide = modeId == 1 || modeId == 2 || modeId == 8 || modeId == 10 || modeId == 11 ||
                      modeId == 12 || (state & (ss::Left | ss::Right)) != 0;
    auto pick = [wide](std::int64_t w, std::int64_t n) { return wide ? w : n; };
    if (state & ss::Shift) return pick(5000, 100);
    if (state & ss::Ctrl) return pick(50000, 1000);
    if ((state & ss::Alt) || multiplier == KnobMultiplier::Tenth) return pick(50, 1);
    if (multiplier == KnobMultiplier::Ten) return pick(5000, 100);
    if (multiplier == KnobMultiplier::TuningStep) return tuningStep;
    return pick(500, 10);
}

std::int64_t ThirdCounter::Move(std::int64_t value, std::int64_t step, int steps) {
    const std::int64_t moved = value + step * steps;
    if (step != kThirdStep) {
        thirds_ = 0;
        return moved;
    }
    thirds_ += steps;
    std::int64_t extra = 0;
    while (thirds_ > 2) {
        thirds_ -= 3;
        ++extra;
    }
    while (thirds_ < -2) {
        thirds_ += 3;
        --extra;
    }
    return moved + extra;
}

std::int64_t ThirdCounter::StepRight(std::int64_t value, std::int64_t step) { return Move(value, step, 1); }
std::int64_t ThirdCounter::StepLeft(std::int64_t value, std::int64_t step) {
    return Move(value, step, -1);
}
std::int64_t ThirdCounter::TenStepsRight(std::int64_t value, std::int64_t step) {
    return Move(value, step, 10);
}
std::int64_t ThirdCounter::TenStepsLeft(std::int64_t value, std::int64_t step) {
    return Move(value, step, -10);
}

} // namespace lxq
