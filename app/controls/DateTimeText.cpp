#include "app/controls/DateTimeText.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>

namespace lxq {

namespace {

std::atomic<char> timeSeparator{':'};
std::atomic<char> dateSeparator{'.'};

constexpr std::array<const char*, 12> kShortMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
constexpr const char* kAm = "AM";
constexpr const char* kPm = "PM";

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
    if (s.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
    return true;
}

std::string Number(int v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, v);
    return buf;
}

// How many times the letter repeats from `at` (case-insensitive).
std::size_t RunLength(std::string_view s, std::size_t at) {
    const int c = std::tolower(static_cast<unsigned char>(s[at]));
    std::size_t n = 1;
    while (at + n < s.size() && std::tolower(static_cast<unsigned char>(s[at + n])) == c) ++n;
    return n;
}

// An AM/PM marker at `at`: its length (0 when none) and its text.
std::size_t AmPmAt(std::string_view f, std::size_t at, bool pm, std::string& out) {
    if (StartsWithNoCase(f, at, "am/pm")) {
        const bool upper = std::isupper(static_cast<unsigned char>(f[at + (pm ? 3 : 0)])) != 0;
        out = pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
        return 5;
    }
    if (StartsWithNoCase(f, at, "a/p")) {
        const bool upper = std::isupper(static_cast<unsigned char>(f[at + (pm ? 2 : 0)])) != 0;
        out = pm ? (upper ? "P" : "p") : (upper ? "A" : "a");
        return 3;
    }
    if (StartsWithNoCase(f, at, "ampm")) {
        out = pm ? kPm : kAm;
        return 4;
    }
    return 0;
}

} // namespace

char TimeSeparator() { return timeSeparator.load(); }
void SetTimeSeparator(char separator) { timeSeparator.store(separator); }
char DateSeparator() { return dateSeparator.load(); }
void SetDateSeparator(char separator) { dateSeparator.store(separator); }

std::string FormatDateTime(std::string_view f, const plat::sys::CivilTime& t) {
    // Any AM/PM marker puts every hour of the format into its 12-hour form.
    bool twelve = false;
    std::string marker;
    for (std::size_t i = 0; i < f.size() && !twelve; ++i) twelve = AmPmAt(f, i, false, marker) > 0;
    const bool pm = t.hour >= 12;
    const int hour = twelve ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;

    std::string out;
    std::size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        const int lower = std::tolower(static_cast<unsigned char>(c));
        if (c == '"' || c == '\'') {
            const std::size_t end = f.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? f.size() : end;
            out.append(f.substr(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (lower == 'a') {
            if (const std::size_t n = AmPmAt(f, i, pm, marker)) {
                out += marker;
                i += n;
                continue;
            }
        }
        const std::size_t run = RunLength(f, i);
        std::size_t used = run;
        switch (lower) {
        case 'd':
            if (run >= 4) {
                out += kLongDays[static_cast<std::size_t>(t.dayOfWeek) % 7];
                used = 4;
            } else if (run == 3) {
                out += kShortDays[static_cast<std::size_t>(t.dayOfWeek) % 7];
            } else {
                out += Number(t.day, static_cast<int>(run));
            }
            break;
        case 'm': {
            const auto month = static_cast<std::size_t>(t.month - 1) % 12;
            if (run >= 4) {
                out += kLongMonths[month];
                used = 4;
            } else if (run == 3) {
                out += kShortMonths[month];
            } else {
                out += Number(t.month, static_cast<int>(run));
            }
            break;
        }
        case 'y':
            if (run <= 2) out += Number(t.year % 100, 2);
            else out += Number(t.year, 4);
            break;
        case 'h': used = std::min<std::size_t>(run, 2); out += Number(hour, static_cast<int>(used)); break;
        case 'n': used = std::min<std::size_t>(run, 2); out += Number(t.minute, static_cast<int>(used)); break;
        case 's': used = std::min<std::size_t>(run, 2); out += Number(t.second, static_cast<int>(used)); break;
        case 'z':
            used = run >= 3 ? 3 : 1;
            out += Number(t.millisecond, static_cast<int>(used));
            break;
        case ':': used = 1; out += TimeSeparator(); break;
        case '/': used = 1; out += DateSeparator(); break;
        default: used = 1; out += c; break;
        }
        i += used;
    }
    return out;
}

} // namespace lxq
