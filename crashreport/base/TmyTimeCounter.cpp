#include "crashreport/base/TmyTimeCounter.h"

#include <ctime>

namespace errvane {

namespace {
constexpr std::uint64_t kNanosecondsPerSecond = 1000000000u;
}

TmyTimeCounter::TmyTimeCounter() : frequency_(kNanosecondsPerSecond), start_(Now()) {
    RegisterType(kTypeTimeCounter);
}

std::uint64_t TmyTimeCounter::Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * kNanosecondsPerSecond + static_cast<std::uint64_t>(ts.tv_nsec);
}

std::uint64_t TmyTimeCounter::ElapsedMs() const { return (Now() - start_) * 1000u / frequency_; }

}  // namespace errvane
