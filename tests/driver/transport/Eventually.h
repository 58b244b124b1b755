#pragma once
// Waits until a condition holds that another thread (a simulator, a reader, the host) makes true,
// for at most ten seconds: the tests wait on progress, never for a set time.

#include <chrono>
#include <thread>

namespace lxq::transport::test {

template <typename Cond>
bool Eventually(Cond cond) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace lxq::transport::test
