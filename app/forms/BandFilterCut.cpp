#include "app/forms/BandFilterCut.h"

namespace lxq {

void CutFilterTable(std::array<FILTER_NODE, kFilterNodesPerBand>& nodes, std::uint32_t top) {
    std::size_t k = 0;
    while (k < nodes.size() && nodes[k].hz <= top) ++k;
    if (k == nodes.size()) return;
    std::uint32_t value = nodes[k].value;
    if (k > 0) {
        const FILTER_NODE& a = nodes[k - 1];
        const FILTER_NODE& b = nodes[k];
        const std::int64_t span = static_cast<std::int64_t>(b.hz) - a.hz;
        const std::int64_t rise = static_cast<std::int64_t>(b.value) - static_cast<std::int64_t>(a.value);
        value = static_cast<std::uint32_t>(a.value + rise * (static_cast<std::int64_t>(top) - a.hz) / span);
    }
    for (std::size_t i = k > 0 ? k - 1 : 0; i < nodes.size(); ++i) nodes[i] = {top, value};
    for (std::size_t i = nodes.size() - 1; i > 0; --i)
        if (nodes[i - 1].hz >= nodes[i].hz) nodes[i - 1].hz = nodes[i].hz - 2;
}

} // namespace lxq
