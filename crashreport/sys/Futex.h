#pragma once
#include <atomic>
#include <cstdint>

namespace errvane {

// Waiting on and waking a 32-bit word with the futex system call: usable inside signal handlers.
class Futex {
public:
    // Waits while the word holds `expected`, at most `timeoutNs` (negative: no limit). Returns
    // when woken, on a changed value, on a signal or at the time-out.
    static void Wait(std::atomic<std::int32_t>& word, std::int32_t expected, std::int64_t timeoutNs = -1);
    static void WakeAll(std::atomic<std::int32_t>& word);
    // Waits until the word differs from `expected` or the monotonic deadline (ns) passes; true
    // when it changed.
    static bool WaitUntilChanged(std::atomic<std::int32_t>& word, std::int32_t expected, std::uint64_t deadlineNs);
    static std::uint64_t NowNs();
    // Blocks the calling thread for good.
    [[noreturn]] static void ParkForever();
};

}  // namespace errvane
