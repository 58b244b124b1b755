#pragma once
// An area made of rectangles, kept in one canonical form: rectangles sorted top to bottom and left
// to right, grouped in horizontal bands whose members share top and bottom, never overlapping or
// touching within a band, and equal neighbouring bands merged. Two regions covering the same
// pixels are therefore equal rectangle for rectangle.

#include "platform/gdi/Geometry.h"

#include <span>
#include <vector>

namespace plat::gdi {

class Region {
public:
    Region() = default;
    explicit Region(const Rect& rect);
    // Any rectangles, overlapping or not; empty ones are ignored.
    static Region FromRects(std::span<const Rect> rects);
    // Row spans [x0, x1) on consecutive rows from `top`, one span per row (x1 <= x0 for none).
    struct RowSpan {
        int x0;
        int x1;
    };
    static Region FromRowSpans(int top, std::span<const RowSpan> spans);
    // One-row rectangles already in order (rows ascending, x ascending, none touching within a
    // row), as shape rasterisers produce them; anything else goes through FromRects.
    static Region FromOrderedRows(std::span<const Rect> rows);

    bool IsEmpty() const { return rects_.empty(); }
    // Bounding rectangle ({0,0,0,0} when empty).
    Rect Bounds() const { return bounds_; }
    std::span<const Rect> Rects() const { return rects_; }
    // The rectangles of the band that holds row y (empty when the row is outside).
    std::span<const Rect> BandAt(int y) const;

    bool Contains(Point p) const;
    bool Contains(const Rect& r) const;
    bool Intersects(const Rect& r) const;

    Region Union(const Region& o) const;
    Region Intersect(const Region& o) const;
    Region Subtract(const Region& o) const;
    Region Xor(const Region& o) const;
    Region Intersect(const Rect& r) const { return Intersect(Region(r)); }
    Region Offset(int dx, int dy) const;

    friend bool operator==(const Region& a, const Region& b) { return a.rects_ == b.rects_; }

private:
    enum class Op { Union, Intersect, Subtract, Xor };
    static Region Combine(const Region& a, const Region& b, Op op);
    void Finish();

    std::vector<Rect> rects_;
    Rect bounds_{};
};

} // namespace plat::gdi
