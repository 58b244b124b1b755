#pragma once
// The process's pseudo-random generator that simulated measurements draw from (values 0..32767).
// The block scan reseeds it with the tick count. Safe to use from several threads.

#include <cstdint>

namespace lxq::api {

void SeedProcessRandom(std::uint32_t seed);
std::int32_t NextProcessRandom();

} // namespace lxq::api
