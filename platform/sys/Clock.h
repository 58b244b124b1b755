#pragma once
// The one time source of the system. Everything that waits, times out or schedules reads the
// active clock, so that tests can replace it with a FakeClock and run timing rules without waiting.

#include <atomic>
#include <cstdint>

namespace plat::sys {

using Nanoseconds = std::int64_t;

constexpr Nanoseconds kNsPerMs = 1'000'000;
constexpr Nanoseconds kNsPerSecond = 1'000'000'000;

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time since an arbitrary start.
    virtual Nanoseconds Now() const = 0;
    // Blocks the calling thread for the given time (a fake clock advances instead).
    virtual void Sleep(Nanoseconds duration) = 0;
    // True for a clock whose time moves only when told to.
    virtual bool IsFake() const { return false; }

    std::int64_t NowMs() const { return Now() / kNsPerMs; }
    void SleepMs(std::int64_t ms) { Sleep(ms * kNsPerMs); }
};

// The operating system's monotonic clock.
class RealClock final : public Clock {
public:
    Nanoseconds Now() const override;
    void Sleep(Nanoseconds duration) override;
};

// A clock for tests: time stands still until Advance() or Sleep() moves it. Sleeping advances
// the time at once, so a loop that polls and sleeps runs its full time-out without waiting.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Nanoseconds start = kNsPerSecond) : now_(start) {}
    Nanoseconds Now() const override { return now_.load(std::memory_order_acquire); }
    void Sleep(Nanoseconds duration) override { Advance(duration); }
    bool IsFake() const override { return true; }

    void Advance(Nanoseconds duration) { now_.fetch_add(duration > 0 ? duration : 0); }
    void AdvanceMs(std::int64_t ms) { Advance(ms * kNsPerMs); }

private:
    std::atomic<Nanoseconds> now_;
};

// The active clock: the real one unless a test installed another.
Clock& ActiveClock();

// Installs a clock for the lifetime of this object and restores the previous one afterwards.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

} // namespace plat::sys
