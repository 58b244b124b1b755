#pragma once
// Waits until a condition holds that another thread or process (a simulator, a reader, the host,
// a child program) makes true: the tests wait on progress, never for a set time. The limit only
// ends a test that would otherwise hang; a test that passes never reaches it, however loaded the
// machine. The condition may do work of its own (pump messages, advance a fake clock).

#include <chrono>
#include <thread>

namespace lxq_test {

inline constexpr std::chrono::seconds kEventuallyLimit{20};

template <typename Cond>
bool Eventually(Cond&& cond, std::chrono::milliseconds limit = kEventuallyLimit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        // Yields the core to whoever makes the progress: on a loaded machine that is often a
        // process that waits for this one's core.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace lxq_test
