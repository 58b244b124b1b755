#include "platform/sys/PerformanceCounter.h"

#include "platform/sys/Clock.h"

namespace plat::sys {

std::int64_t PerformanceCounter() { return ActiveClock().Now(); }

std::int64_t PerformanceFrequency() { return kNsPerSecond; }

} // namespace plat::sys
