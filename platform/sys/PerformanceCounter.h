#pragma once
// A high-resolution counter on the active clock (so a fake clock drives it in tests).

#include <cstdint>

namespace plat::sys {

std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency(); // counts per second

} // namespace plat::sys
