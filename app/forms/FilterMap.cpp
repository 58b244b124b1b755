#include "app/forms/FilterMap.h"

#include <algorithm>
#include <cstdlib>

namespace lxq {

namespace {

constexpr std::int64_t kMHz = 1'000'000;

std::int64_t RoundToMHz(std::int64_t hz) { return (hz + kMHz / 2) / kMHz * kMHz; }

} // namespace

void FilterMap::SetSize(int width, int height) {
    width_ = std::max(width, 2);
    height_ = std::max(height, 2);
}

// A table whose ends coincide would divide by zero; it is drawn one hertz wide.
std::int64_t FilterMap::Span() const { return std::max<std::int64_t>(static_cast<std::int64_t>(Last()) - First(), 1); }

int FilterMap::X(std::int64_t hz) const {
    return static_cast<int>((hz - First()) * (width_ - 1) / Span());
}

int FilterMap::Y(std::int64_t value) const {
    return static_cast<int>((height_ - 1) - value * (height_ - 1) / 255);
}

std::int64_t FilterMap::FrequencyAt(int x) const {
    return RoundToMHz(First() + static_cast<std::int64_t>(x) * Span() / (width_ - 1));
}

bool FilterMap::AddPoint(const FILTER_NODE& p) {
    if (points.size() >= kMaxPoints) return false;
    points.push_back(p);
    return true;
}

FilterMap::Drag FilterMap::Press(int x, int y, const FILTER_NODE& marker) const {
    Drag d;
    d.pressX = x;
    d.pressY = y;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (std::abs(X(nodes[i].hz) - x) <= kGrab && std::abs(Y(nodes[i].value) - y) <= kGrab) {
            d.kind = Drag::Kind::Node;
            d.node = static_cast<int>(i);
            d.start = nodes[i];
            return d;
        }
    }
    d.frequency = std::abs(X(marker.hz) - x) <= kGrab;
    d.value = std::abs(Y(marker.value) - y) <= kGrab;
    if (d.frequency || d.value) {
        d.kind = Drag::Kind::Marker;
        d.start = marker;
    }
    return d;
}

FILTER_NODE FilterMap::Move(const Drag& drag, int x, int y) const {
    FILTER_NODE out = drag.start;
    const std::int64_t value =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(drag.start.value) +
                                     static_cast<std::int64_t>(drag.pressY - y) * 255 / (height_ - 1),
                                 0, 255);
    const std::int64_t moved =
        RoundToMHz(drag.start.hz + static_cast<std::int64_t>(x - drag.pressX) * Span() / (width_ - 1));
    switch (drag.kind) {
    case Drag::Kind::None: break;
    case Drag::Kind::Node:
        out.value = static_cast<std::uint32_t>(value);
        if (drag.node > 0 && drag.node < static_cast<int>(nodes.size()) - 1) {
            const std::int64_t low = static_cast<std::int64_t>(nodes[drag.node - 1].hz) + kMHz;
            const std::int64_t high = static_cast<std::int64_t>(nodes[drag.node + 1].hz) - kMHz;
            // Neighbours closer than 2 MHz leave no room: the node stays where it was.
            if (low <= high) out.hz = static_cast<std::uint32_t>(std::clamp(moved, low, high));
        }
        break;
    case Drag::Kind::Marker:
        if (drag.value) out.value = static_cast<std::uint32_t>(value);
        if (drag.frequency)
            out.hz = static_cast<std::uint32_t>(std::clamp<std::int64_t>(moved, First() + 1, std::max<std::int64_t>(Last(), First() + 1)));
        break;
    }
    return out;
}

} // namespace lxq
