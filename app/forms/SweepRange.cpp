#include "app/forms/SweepRange.h"

namespace lxq {

SweepRange MakeSweepRange(std::int64_t start, std::int64_t end, std::int64_t step) {
    SweepRange r;
    r.start = start;
    r.step = step;
    const char* const incorrect = "Incorrect range !";
    // The edits keep Step at 100 Hz or more; a range read from elsewhere must not divide by 0.
    if (step <= 0) {
        r.error = incorrect;
        return r;
    }
    // A span past the 64-bit range (a settings file may hold anything) is no range to sweep.
    std::int64_t span = 0;
    if (__builtin_sub_overflow(end, start, &span)) {
        r.error = incorrect;
        return r;
    }
    const std::int64_t n = span / step;
    r.end = start + n * step;
    if (r.end <= start) {
        r.error = incorrect;
        return r;
    }
    r.points = (r.end - start) / step + 1;
    if (r.points < 2) r.error = incorrect;
    else if (r.points > kSweepPointsMax)
        r.error = "Sweeping so many frequencies is not recommended !\nTry smaller step size.";
    return r;
}

} // namespace lxq
