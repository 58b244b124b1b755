#pragma once
#include "crashreport/text/TmyString.h"

#include <cstdint>
#include <ctime>

namespace errvane {

// A byte count in whole decimal units, rounded: "999 B", "1000 kB", "2 MB", "2 TB".
TmyString SizeText(std::uint64_t bytes);
// Milliseconds as "h:mm:ss.mmm", hours not limited to 24.
TmyString DurationText(std::uint64_t milliseconds);
// Local date and time in the locale's short forms.
TmyString DateTimeText(std::time_t when);

}  // namespace errvane
