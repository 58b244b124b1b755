#include "demod/dsp/RC_Runtime.h"

#include "demod/dsp/RC_Locale.h"

#include <chrono>
#include <mutex>
#include <x86intrin.h>

namespace {

constexpr std::uint64_t kNanosecondsPerSecond = 1'000'000'000;
// Time-stamp reads over which the counter is measured against the monotonic clock.
constexpr int kCalibrationReads = 5'000'000;

RC_CpuInfo& Record() {
    static RC_CpuInfo info = RC_IdentifyProcessor();
    return info;
}

std::uint64_t MonotonicNanoseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

std::uint64_t CalibrateTimestampRate() {
    const std::uint64_t startTime = MonotonicNanoseconds();
    const std::uint64_t startTicks = __rdtsc();
    std::uint64_t ticks = startTicks;
    for (int i = 0; i < kCalibrationReads; ++i) {
        ticks = __rdtsc();
    }
    const std::uint64_t elapsed = MonotonicNanoseconds() - startTime;
    if (elapsed == 0 || ticks <= startTicks) {
        return kNanosecondsPerSecond;
    }
    const long double rate =
        static_cast<long double>(ticks - startTicks) * kNanosecondsPerSecond / elapsed;
    return static_cast<std::uint64_t>(rate);
}

} // namespace

const RC_CpuInfo& RC_GetCpuInfo() { return Record(); }

const RC_CpuInfo& RC_InitRuntime() {
    static std::once_flag once;
    std::call_once(once, [] {
        RC_LoadLocale();
        RC_CpuInfo& info = Record();
        info.timerRate =
            info.HasTimestampCounter() ? CalibrateTimestampRate() : kNanosecondsPerSecond;
    });
    return Record();
}

std::uint64_t RC_ReadTimestamp() {
    return Record().HasTimestampCounter() ? __rdtsc() : MonotonicNanoseconds();
}
