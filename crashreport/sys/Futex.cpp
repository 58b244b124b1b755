#include "crashreport/sys/Futex.h"

#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace errvane {

static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t));

void Futex::Wait(std::atomic<std::int32_t>& word, std::int32_t expected, std::int64_t timeoutNs) {
    timespec timeout{};
    timespec* limit = nullptr;
    if (timeoutNs >= 0) {
        timeout.tv_sec = static_cast<time_t>(timeoutNs / 1000000000);
        timeout.tv_nsec = static_cast<long>(timeoutNs % 1000000000);
        limit = &timeout;
    }
    syscall(SYS_futex, reinterpret_cast<std::int32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, limit, nullptr, 0);
}

void Futex::WakeAll(std::atomic<std::int32_t>& word) {
    syscall(SYS_futex, reinterpret_cast<std::int32_t*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

std::uint64_t Futex::NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
}

bool Futex::WaitUntilChanged(std::atomic<std::int32_t>& word, std::int32_t expected, std::uint64_t deadlineNs) {
    for (;;) {
        if (word.load() != expected) return true;
        const std::uint64_t now = NowNs();
        if (now >= deadlineNs) return false;
        Wait(word, expected, static_cast<std::int64_t>(deadlineNs - now));
    }
}

void Futex::ParkForever() {
    static std::atomic<std::int32_t> never{0};
    for (;;) Wait(never, 0);
}

}  // namespace errvane
