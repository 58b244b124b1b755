#include "api/ProcessRandom.h"

#include <atomic>

namespace lxq::api {
namespace {

std::atomic<std::uint32_t> g_state{1};

// Linear congruential step in unsigned arithmetic, which wraps by definition.
constexpr std::uint32_t Step(std::uint32_t s) { return s * 214013u + 2531011u; }

} // namespace

void SeedProcessRandom(std::uint32_t seed) { g_state.store(seed, std::memory_order_relaxed); }

std::int32_t NextProcessRandom() {
    std::uint32_t s = g_state.load(std::memory_order_relaxed);
    while (!g_state.compare_exchange_weak(s, Step(s), std::memory_order_relaxed)) {
    }
    return static_cast<std::int32_t>((Step(s) >> 16) & 0x7FFF);
}

} // namespace lxq::api
