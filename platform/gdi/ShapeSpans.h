#pragma once
// Row spans of the filled shapes, shared by drawing and by the region builders. A span covers
// x0 <= x < x1 on row y; rows come top to bottom.

#include "platform/gdi/Geometry.h"
#include "platform/gdi/Region.h"

#include <span>
#include <vector>

namespace plat::gdi {

// Which pixels of self-overlapping polygons are inside: odd crossings, or a non-zero winding.
enum class FillMode : int { Alternate = 1, Winding = 2 };

struct Span {
    int y;
    int x0;
    int x1;
};

// Only the part of a shape within `window` is produced, so a huge shape costs only what can be
// seen of it (drawing passes its clip bounds; the default takes everything).
constexpr Rect kEverywhere{-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};

// The ellipse inscribed in a box (right and bottom excluded): each row reaches to the pixels
// nearest the curve through the centres of the outermost pixels, as a midpoint ellipse does.
// Rows inside the window come whole (not cut at its sides).
std::vector<Span> EllipseSpans(const Rect& box, const Rect& window = kEverywhere);
// A rectangle whose corners are quarters of an ellipse of the given size.
std::vector<Span> RoundRectSpans(const Rect& box, int ellipseWidth, int ellipseHeight,
                                 const Rect& window = kEverywhere);
// Pixels whose centres lie inside the polygons (counts[i] points each; edges close each one).
std::vector<Span> PolygonSpans(std::span<const Point> points, std::span<const int> counts,
                               FillMode mode, const Rect& window = kEverywhere);
// A line of `width` pixels from a to b with round ends, cut to the window.
std::vector<Span> ThickLineSpans(Point a, Point b, int width, const Rect& window = kEverywhere);
// The spans of a one-span-per-row shape whose pixels have all four neighbours in the shape.
std::vector<Span> InnerSpans(const std::vector<Span>& shape);
// Pixels of `outer` that are not in `inner` (both one span per row, inner within outer).
std::vector<Span> SubtractSpans(const std::vector<Span>& outer, const std::vector<Span>& inner);

Region RegionFromSpans(std::span<const Span> spans);
Region EllipseRegion(const Rect& box);
Region RoundRectRegion(const Rect& box, int ellipseWidth, int ellipseHeight);
Region PolygonRegion(std::span<const Point> points, FillMode mode);

} // namespace plat::gdi
