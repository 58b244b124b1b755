#pragma once
// Date and time texts as the controls show them: the classic format specifiers (d, dd, ddd, dddd,
// m, mm, mmm, mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz, am/pm, a/p, ampm), with ':' and '/'
// standing for the time and date separators of the program's locale settings, and text in quotes
// copied as it is.

#include <string>
#include <string_view>

#include "platform/sys/WallClock.h"

namespace lxq {

// The separators of the current locale settings (':' and '.' unless the program sets others).
char TimeSeparator();
void SetTimeSeparator(char separator);
char DateSeparator();
void SetDateSeparator(char separator);

std::string FormatDateTime(std::string_view format, const plat::sys::CivilTime& t);

} // namespace lxq
