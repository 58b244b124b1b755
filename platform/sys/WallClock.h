#pragma once
// The time of day and the calendar date, from the system's real-time clock, in UTC or in the
// local time zone. Tests pin it with ScopedWallClock; it then moves on with the active clock
// (Clock.h), so a fake clock advances the date and time as well.

#include <cstdint>

namespace plat::sys {

struct CivilTime {
    int year = 1970;
    int month = 1;     // 1..12
    int day = 1;       // 1..31
    int dayOfWeek = 4; // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Milliseconds since 1970-01-01 00:00 UTC.
std::int64_t WallClockMs();
// The calendar fields of a moment, in UTC or in the local time zone.
CivilTime ToCivilTime(std::int64_t unixMs, bool utc);
inline CivilTime NowCivil(bool utc) { return ToCivilTime(WallClockMs(), utc); }

// For tests: the wall clock reads `unixMs` now and then follows the active clock.
class ScopedWallClock {
public:
    explicit ScopedWallClock(std::int64_t unixMs);
    ~ScopedWallClock();
    ScopedWallClock(const ScopedWallClock&) = delete;
    ScopedWallClock& operator=(const ScopedWallClock&) = delete;

private:
    bool wasPinned_;
    std::int64_t oldBase_;
    std::int64_t oldStart_;
};

} // namespace plat::sys
