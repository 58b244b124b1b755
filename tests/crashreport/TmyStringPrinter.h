#pragma once
#include "crashreport/text/TmyString.h"

#include <ostream>

namespace errvane {
// Lets test failures show the text of a TmyString.
inline void PrintTo(const TmyString& text, std::ostream* out) { *out << '"' << text.Text() << '"'; }
}  // namespace errvane
