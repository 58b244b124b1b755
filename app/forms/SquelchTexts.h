#pragma once
// How the memory dialogs write a channel's squelch: CTCSS tones in Hz with one decimal, DCS codes
// as their three octal digits, and the recall list's one-cell summary.

#include <cstdint>
#include <string>

#include "app/forms/TMemoryRecord.h"

namespace lxq {

// 62500 -> "62.5".
std::string CtcssText(std::int32_t milliHz);
// The three octal digits of a code (19 -> "023"); a negative value (inverted code) gets "-".
std::string DcsText(std::int32_t value);
// The recall list's squelch cell: "-" when the channel does not store squelch, else the level
// and the second squelch type joined by "/", either alone, or "none".
std::string SquelchSummary(const TMemoryRecord& r);
// "Groups: 1 5 16 " for the groups set in a mask (group n = bit 16 - n); empty for none.
std::string GroupsHint(std::uint32_t groups);

} // namespace lxq
