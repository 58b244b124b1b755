#pragma once
// Integer points, sizes and rectangles. A rectangle includes its left and top edges and excludes
// its right and bottom ones, so its width is right - left.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace plat::gdi {

// Coordinate sums saturate instead of overflowing.
constexpr int SatAdd(int a, int b) {
    const std::int64_t v = std::int64_t{a} + b;
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return SatAdd(right, -std::max(left, -std::numeric_limits<int>::max())); }
    constexpr int Height() const { return SatAdd(bottom, -std::max(top, -std::numeric_limits<int>::max())); }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr Rect Offset(int dx, int dy) const {
        return {SatAdd(left, dx), SatAdd(top, dy), SatAdd(right, dx), SatAdd(bottom, dy)};
    }
    constexpr Rect Inflate(int dx, int dy) const {
        return {SatAdd(left, -std::max(dx, -std::numeric_limits<int>::max())),
                SatAdd(top, -std::max(dy, -std::numeric_limits<int>::max())), SatAdd(right, dx),
                SatAdd(bottom, dy)};
    }
    // Empty rectangles intersect nothing; the result of a miss is the empty rectangle {0,0,0,0}.
    constexpr Rect Intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // Smallest rectangle holding both; an empty operand does not count.
    constexpr Rect Union(const Rect& o) const {
        if (IsEmpty()) return o.IsEmpty() ? Rect{} : o;
        if (o.IsEmpty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    // Left/right and top/bottom swapped where they were given the wrong way round.
    constexpr Rect Normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace plat::gdi
