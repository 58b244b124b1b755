#pragma once
// The pixels of a one-pixel line from a to b, leaving out b: one pixel per step along the longer
// axis, the other coordinate rounded to the nearest pixel with halves going to the smaller
// coordinate. So a line and its reverse cover the same pixels apart from the left-out end.

#include "platform/gdi/Geometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace plat::gdi {

namespace detail {
constexpr std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { // b > 0
    const std::int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}
} // namespace detail

// Calls visit(x, y, k) for the k-th pixel of the line (k counts from the start point even when
// the first pixels lie outside `bounds` and are skipped). Pixels outside `bounds` along the longer
// axis are never visited, so a huge line costs only its visible part.
template <class Visit>
void RasterizeLine(Point a, Point b, const Rect& bounds, Visit&& visit) {
    const std::int64_t dx = std::int64_t{b.x} - a.x;
    const std::int64_t dy = std::int64_t{b.y} - a.y;
    const std::int64_t adx = std::llabs(dx);
    const std::int64_t ady = std::llabs(dy);
    if (adx == 0 && ady == 0) return;
    const bool xMajor = adx >= ady;
    const std::int64_t n = xMajor ? adx : ady;
    const int major0 = xMajor ? a.x : a.y;
    const int step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int lo = xMajor ? bounds.left : bounds.top;
    const int hi = xMajor ? bounds.right : bounds.bottom;
    std::int64_t kFirst = 0;
    std::int64_t kEnd = n;
    if (step > 0) {
        kFirst = std::max<std::int64_t>(0, std::int64_t{lo} - major0);
        kEnd = std::min<std::int64_t>(n, std::int64_t{hi} - major0);
    } else {
        kFirst = std::max<std::int64_t>(0, std::int64_t{major0} - (hi - 1));
        kEnd = std::min<std::int64_t>(n, std::int64_t{major0} - lo + 1);
    }
    const std::int64_t minorDelta = xMajor ? dy : dx;
    const int minor0 = xMajor ? a.y : a.x;
    for (std::int64_t k = kFirst; k < kEnd; ++k) {
        const auto major = static_cast<int>(major0 + step * k);
        const auto minor =
            static_cast<int>(minor0 + detail::CeilDiv(2 * k * minorDelta - n, 2 * n));
        if (xMajor) visit(major, minor, k);
        else visit(minor, major, k);
    }
}

} // namespace plat::gdi
