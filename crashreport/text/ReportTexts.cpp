#include "crashreport/text/ReportTexts.h"

namespace errvane {

TmyString SizeText(std::uint64_t bytes) {
    struct Unit {
        std::uint64_t size;
        const char* name;
    };
    static const Unit kUnits[] = {{1000000000000ull, " TB"}, {1000000000ull, " GB"}, {1000000ull, " MB"}, {1000ull, " kB"}};
    for (const Unit& unit : kUnits)
        // Rounded without adding half a unit first, which would overflow near the top.
        if (bytes >= unit.size)
            return TmyString::Unsigned(bytes / unit.size + (bytes % unit.size >= unit.size / 2 ? 1 : 0)) + unit.name;
    return TmyString::Unsigned(bytes) + " B";
}

TmyString DurationText(std::uint64_t milliseconds) {
    const std::uint64_t hours = milliseconds / 3600000u;
    const std::uint64_t rest = milliseconds % 3600000u;
    return TmyString().Format("%llu:%02u:%02u.%03u", static_cast<unsigned long long>(hours),
                              static_cast<unsigned>(rest / 60000u), static_cast<unsigned>(rest / 1000u % 60u),
                              static_cast<unsigned>(rest % 1000u));
}

TmyString DateTimeText(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) return TmyString();
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, "%x %X", &local);
    return TmyString(text, n);
}

}  // namespace errvane
