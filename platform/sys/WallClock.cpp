#include "platform/sys/WallClock.h"

#include <atomic>
#include <ctime>

#include "platform/sys/Clock.h"

namespace plat::sys {

namespace {

// A pinned wall clock: its reading at the moment the active clock read `start`.
std::atomic<bool> pinned{false};
std::atomic<std::int64_t> pinnedBase{0};
std::atomic<std::int64_t> pinnedStart{0};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

std::int64_t WallClockMs() {
    if (pinned.load()) return pinnedBase.load() + (ActiveClock().NowMs() - pinnedStart.load());
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

CivilTime ToCivilTime(std::int64_t unixMs, bool utc) {
    const std::int64_t seconds = FloorDiv(unixMs, 1000);
    const time_t t = static_cast<time_t>(seconds);
    tm parts{};
    const bool ok = utc ? gmtime_r(&t, &parts) != nullptr : localtime_r(&t, &parts) != nullptr;
    CivilTime c;
    if (!ok) return c;
    c.year = parts.tm_year + 1900;
    c.month = parts.tm_mon + 1;
    c.day = parts.tm_mday;
    c.dayOfWeek = parts.tm_wday;
    c.hour = parts.tm_hour;
    c.minute = parts.tm_min;
    c.second = parts.tm_sec;
    c.millisecond = static_cast<int>(unixMs - seconds * 1000);
    return c;
}

ScopedWallClock::ScopedWallClock(std::int64_t unixMs)
    : wasPinned_(pinned.load()), oldBase_(pinnedBase.load()), oldStart_(pinnedStart.load()) {
    pinnedBase.store(unixMs);
    pinnedStart.store(ActiveClock().NowMs());
    pinned.store(true);
}

ScopedWallClock::~ScopedWallClock() {
    pinnedBase.store(oldBase_);
    pinnedStart.store(oldStart_);
    pinned.store(wasPinned_);
}

} // namespace plat::sys
