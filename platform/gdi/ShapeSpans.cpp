#include "platform/gdi/ShapeSpans.h"

#include "platform/gdi/LineRasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace plat::gdi {
namespace {

using i128 = __int128;

// Ellipse test in doubled coordinates (X, Y offsets from the centre, A and B the doubled
// semi-axes between outermost pixel centres): a pixel belongs when the curve passes within half a
// pixel of it along either axis, which is the midpoint rule of both octant halves.
bool InEllipse(std::int64_t X, std::int64_t Y, std::int64_t A, std::int64_t B) {
    const i128 a2 = i128{A} * A;
    const i128 b2 = i128{B} * B;
    const i128 ab = a2 * b2;
    const std::int64_t ax = X < 0 ? -X : X;
    const std::int64_t ay = Y < 0 ? -Y : Y;
    const std::int64_t yc = std::max<std::int64_t>(0, ay - 1);
    const std::int64_t xc = std::max<std::int64_t>(0, ax - 1);
    return i128{ax} * ax * b2 + i128{yc} * yc * a2 <= ab ||
           i128{xc} * xc * b2 + i128{ay} * ay * a2 <= ab;
}

// How far row y of an ellipse in a box of w x h pixels at (0, 0) is indented from the box's
// left (and right) side; w when the row is empty.
int EllipseRowInset(int w, int h, int y) {
    const std::int64_t A = w - 1;
    const std::int64_t B = h - 1;
    if (A == 0 || B == 0) return 0;
    const std::int64_t Y = 2 * std::int64_t{y} - B;
    // Largest X of the parity of A inside; start from an estimate and correct it.
    const double ratio = 1.0 - (static_cast<double>(Y) * Y) / (static_cast<double>(B) * B);
    std::int64_t X = static_cast<std::int64_t>(static_cast<double>(A) * std::sqrt(std::max(0.0, ratio))) + 2;
    if (((X - A) & 1) != 0) ++X;
    while (X >= 0 && !InEllipse(X, Y, A, B)) X -= 2;
    while (X + 2 <= A && InEllipse(X + 2, Y, A, B)) X += 2;
    return X < 0 ? w : static_cast<int>((A - X) / 2);
}

} // namespace

std::vector<Span> EllipseSpans(const Rect& box, const Rect& window) {
    const Rect b = box.Normalized();
    if (b.IsEmpty()) return {};
    const int w = b.Width();
    const int h = b.Height();
    std::vector<Span> rows;
    const int y0 = std::max(0, window.top - b.top);
    const int y1 = std::min(h, window.bottom - b.top);
    for (int y = y0; y < y1; ++y) {
        const int inset = EllipseRowInset(w, h, y);
        rows.push_back({b.top + y, b.left + inset, inset >= w ? b.left + inset : b.right - inset});
    }
    return rows;
}

std::vector<Span> RoundRectSpans(const Rect& box, int ellipseWidth, int ellipseHeight,
                                 const Rect& window) {
    const Rect b = box.Normalized();
    if (b.IsEmpty()) return {};
    const int w = b.Width();
    const int h = b.Height();
    const int ew = std::clamp(ellipseWidth, 0, w);
    const int eh = std::clamp(ellipseHeight, 0, h);
    std::vector<Span> rows;
    const bool rounded = ew > 1 && eh > 1;
    const int y0 = std::max(0, window.top - b.top);
    const int y1 = std::min(h, window.bottom - b.top);
    for (int y = y0; y < y1; ++y) {
        int inset = 0;
        if (rounded && y < eh / 2) inset = EllipseRowInset(ew, eh, y);
        else if (rounded && y >= h - eh / 2) inset = EllipseRowInset(ew, eh, y - (h - eh));
        rows.push_back({b.top + y, b.left + inset, b.right - inset});
    }
    return rows;
}

std::vector<Span> PolygonSpans(std::span<const Point> points, std::span<const int> counts,
                               FillMode mode, const Rect& window) {
    struct Edge {
        std::int64_t x0, y0, x1, y1; // y0 < y1
        int dir;
    };
    std::vector<Edge> edges;
    int top = 0;
    int bottom = 0;
    bool any = false;
    std::size_t start = 0;
    for (int count : counts) {
        if (count < 0 || start + static_cast<std::size_t>(count) > points.size()) break;
        for (int i = 0; i < count; ++i) {
            const Point p = points[start + static_cast<std::size_t>(i)];
            const Point q = points[start + static_cast<std::size_t>((i + 1) % count)];
            if (!any) top = bottom = p.y, any = true;
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
            if (p.y == q.y) continue;
            if (p.y < q.y) edges.push_back({p.x, p.y, q.x, q.y, 1});
            else edges.push_back({q.x, q.y, p.x, p.y, -1});
        }
        start += static_cast<std::size_t>(count);
    }
    std::vector<Span> spans;
    std::vector<std::pair<std::int64_t, int>> cross;
    top = std::max(top, window.top);
    bottom = std::min(bottom, window.bottom);
    for (int y = top; y < bottom; ++y) {
        cross.clear();
        // Pixel centres sit at half coordinates; work doubled so everything stays an integer.
        const std::int64_t cy2 = 2 * std::int64_t{y} + 1;
        for (const Edge& e : edges) {
            if (cy2 < 2 * e.y0 || cy2 > 2 * e.y1) continue;
            const std::int64_t den = 2 * (e.y1 - e.y0);
            const std::int64_t num = 2 * e.x0 * den + (cy2 - 2 * e.y0) * 2 * (e.x1 - e.x0);
            // First pixel whose centre lies at or right of the crossing.
            cross.push_back({detail::CeilDiv(num - den, 2 * den), e.dir});
        }
        std::sort(cross.begin(), cross.end());
        int winding = 0;
        for (std::size_t i = 0; i < cross.size(); ++i) {
            const bool wasInside = mode == FillMode::Winding ? winding != 0 : (i % 2) == 1;
            winding += cross[i].second;
            if (!wasInside || i == 0) continue;
            const auto x0 = static_cast<int>(cross[i - 1].first);
            const auto x1 = static_cast<int>(cross[i].first);
            if (x0 >= x1) continue;
            if (!spans.empty() && spans.back().y == y && spans.back().x1 >= x0)
                spans.back().x1 = std::max(spans.back().x1, x1);
            else
                spans.push_back({y, x0, x1});
        }
    }
    return spans;
}

std::vector<Span> ThickLineSpans(Point a, Point b, int width, const Rect& window) {
    // The segment runs through pixel centres for odd widths and along pixel corners for even
    // ones, so a width of n covers n rows of a horizontal line. A pixel belongs when its centre
    // lies strictly within width / 2 of the segment; each row of that round-ended band is one
    // interval, the union of the two end discs and the straight part.
    const double off = (width % 2) ? 0.5 : 0.0;
    const double ax = a.x + off, ay = a.y + off, bx = b.x + off, by = b.y + off;
    const double r = width / 2.0;
    const double vx = bx - ax, vy = by - ay;
    const double len = std::sqrt(vx * vx + vy * vy);
    const double ux = len > 0 ? vx / len : 1.0, uy = len > 0 ? vy / len : 0.0;
    constexpr double kEps = 1e-9;
    constexpr double kHuge = 1e300;
    const int top = std::max(window.top, static_cast<int>(std::floor(std::min(ay, by) - r)) - 1);
    const int bottom =
        std::min(window.bottom - 1, static_cast<int>(std::ceil(std::max(ay, by) + r)) + 1);
    std::vector<Span> spans;
    for (int y = top; y <= bottom; ++y) {
        const double yc = y + 0.5;
        double lo = kHuge, hi = -kHuge;
        const auto take = [&](double l, double h) {
            if (l < h) lo = std::min(lo, l), hi = std::max(hi, h);
        };
        for (const auto& [cx, cy] : {std::pair{ax, ay}, std::pair{bx, by}}) {
            const double dy = yc - cy;
            if (dy * dy < r * r) {
                const double h = std::sqrt(r * r - dy * dy);
                take(cx - h, cx + h);
            }
        }
        if (len > 0) {
            const double dy = yc - ay;
            // Distance from the line: |(x - ax) * nx + dy * ny| < r with the normal (-uy, ux).
            const double nx = -uy, ny = ux;
            double l1 = -kHuge, h1 = kHuge;
            if (std::abs(nx) > kEps) {
                const double p = (-r - dy * ny) / nx, q = (r - dy * ny) / nx;
                l1 = ax + std::min(p, q), h1 = ax + std::max(p, q);
            } else if (std::abs(dy * ny) >= r) {
                l1 = kHuge, h1 = -kHuge;
            }
            // Along the segment: 0 <= (x - ax) * ux + dy * uy <= len.
            double l2 = -kHuge, h2 = kHuge;
            if (std::abs(ux) > kEps) {
                const double p = (-dy * uy) / ux, q = (len - dy * uy) / ux;
                l2 = ax + std::min(p, q), h2 = ax + std::max(p, q);
            } else if (dy * uy < 0 || dy * uy > len) {
                l2 = kHuge, h2 = -kHuge;
            }
            take(std::max(l1, l2), std::min(h1, h2));
        }
        if (lo >= hi) continue;
        // Centres x + 0.5 strictly inside (lo, hi).
        const double first = std::floor(lo - 0.5 + kEps) + 1;
        const double last = std::ceil(hi - 0.5 - kEps) - 1;
        const double x0 = std::max(first, static_cast<double>(window.left));
        const double x1 = std::min(last + 1, static_cast<double>(window.right));
        if (x0 < x1) spans.push_back({y, static_cast<int>(x0), static_cast<int>(x1)});
    }
    return spans;
}

std::vector<Span> InnerSpans(const std::vector<Span>& shape) {
    std::vector<Span> inner;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const Span& s = shape[i];
        const bool hasUp = i > 0 && shape[i - 1].y == s.y - 1;
        const bool hasDown = i + 1 < shape.size() && shape[i + 1].y == s.y + 1;
        if (!hasUp || !hasDown) continue;
        const Span& u = shape[i - 1];
        const Span& d = shape[i + 1];
        const int x0 = std::max({s.x0 + 1, u.x0, d.x0});
        const int x1 = std::min({s.x1 - 1, u.x1, d.x1});
        if (x0 < x1) inner.push_back({s.y, x0, x1});
    }
    return inner;
}

std::vector<Span> SubtractSpans(const std::vector<Span>& outer, const std::vector<Span>& inner) {
    std::vector<Span> out;
    std::size_t j = 0;
    for (const Span& s : outer) {
        if (s.x0 >= s.x1) continue;
        while (j < inner.size() && inner[j].y < s.y) ++j;
        if (j < inner.size() && inner[j].y == s.y && inner[j].x0 < inner[j].x1) {
            const Span& in = inner[j];
            if (in.x0 > s.x0) out.push_back({s.y, s.x0, std::min(in.x0, s.x1)});
            if (in.x1 < s.x1) out.push_back({s.y, std::max(in.x1, s.x0), s.x1});
        } else {
            out.push_back(s);
        }
    }
    return out;
}

Region RegionFromSpans(std::span<const Span> spans) {
    std::vector<Rect> rects;
    rects.reserve(spans.size());
    for (const Span& s : spans)
        if (s.x0 < s.x1) rects.push_back({s.x0, s.y, s.x1, s.y + 1});
    return Region::FromOrderedRows(rects);
}

Region EllipseRegion(const Rect& box) { return RegionFromSpans(EllipseSpans(box)); }

Region RoundRectRegion(const Rect& box, int ellipseWidth, int ellipseHeight) {
    return RegionFromSpans(RoundRectSpans(box, ellipseWidth, ellipseHeight));
}

Region PolygonRegion(std::span<const Point> points, FillMode mode) {
    const int count = static_cast<int>(points.size());
    return RegionFromSpans(PolygonSpans(points, std::span<const int>(&count, 1), mode));
}

} // namespace plat::gdi
