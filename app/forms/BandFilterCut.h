#pragma once
// Cutting a band's preselector table at a top frequency, for receivers whose band ends lower
// than the table was made for.

#include <array>
#include <cstdint>

#include "api/DeviceControl.h"

namespace lxq {

// The node before the first one above top, and every node after it, move to top, carrying the
// value the table has at top (interpolated between the nodes around it); then, from the end, a node that does not
// lie below its successor is moved 2 Hz below it, so the table stays strictly rising. A table
// that ends at or below top is left as it is.
void CutFilterTable(std::array<FILTER_NODE, kFilterNodesPerBand>& nodes, std::uint32_t top);

} // namespace lxq
