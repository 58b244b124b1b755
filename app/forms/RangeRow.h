#pragma once
// One row of the scan-range and auto-step lists: lower, upper, step, mode, squelch and
// description, each centred in its column and shortened with ".." when too wide.

#include <array>
#include <string>

#include "app/forms/TRangeRecord.h"
#include "platform/components/Types.h"

namespace plat::comp {
class TCanvas;
}

namespace lxq {

// Left edges of the six columns, in pixels from the row's left.
using RangeColumns = std::array<int, 6>;

// The squelch column: level and/or the first active secondary type, or "none".
std::string RangeSquelchText(const TRangeRecord& r);

// Fills the row (selected: grey with yellow text, else dark grey with green) and writes the
// texts; the last column ends at `right`.
void DrawRangeRow(plat::comp::TCanvas& c, const plat::comp::TRect& rect, const TRangeRecord& r, bool selected,
                  const RangeColumns& columns, int right);

} // namespace lxq
