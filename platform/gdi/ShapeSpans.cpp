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

// Row spans of an ellipse in a box of w x h pixels at (0, 0), rows y0 <= y < y1.
std::vector<Span> EllipseRows(int w, int h, int y0, int y1) {
    std::vector<Span> rows;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, h);
    rows.reserve(static_cast<std::size_t>(std::max(0, y1 - y0)));
    const std::int64_t A = w - 1;
    const std::int64_t B = h - 1;
    for (int y = y0; y < y1; ++y) {
        if (A == 0 || B == 0) {
            rows.push_back({y, 0, w});
            continue;
        }
        const std::int64_t Y = 2 * std::int64_t{y} - B;
        // Largest X of the parity of A inside; start from an estimate and correct it.
        const double ratio = 1.0 - (static_cast<double>(Y) * Y) / (static_cast<double>(B) * B);
        std::int64_t X = static_cast<std::int64_t>(A * std::sqrt(std::max(0.0, ratio))) + 2;
        if (((X - A) & 1) != 0) ++X;
        while (X >= 0 && !InEllipse(X, Y, A, B)) X -= 2;
        while (X + 2 <= A && InEllipse(X + 2, Y, A, B)) X += 2;
        if (X < 0) {
            rows.push_back({y, 0, 0});
            continue;
        }
        const auto x0 = static_cast<int>((A - X) / 2);
        rows.push_back({y, x0, w - x0});
    }
    return rows;
}

} // namespace

std::vector<Span> EllipseSpans(const Rect& box, const Rect& window) {
    const Rect b = box.Normalized();
    if (b.IsEmpty()) return {};
    std::vector<Span> rows = EllipseRows(b.Width(), b.Height(), window.top - b.top,
                                         window.bottom - b.top);
    for (Span& s : rows) s = {s.y + b.top, s.x0 + b.left, s.x1 + b.left};
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
    const std::vector<Span> corner =
        (ew > 1 && eh > 1) ? EllipseRows(ew, eh, 0, eh) : std::vector<Span>{};
    const int y0 = std::max(0, window.top - b.top);
    const int y1 = std::min(h, window.bottom - b.top);
    for (int y = y0; y < y1; ++y) {
        int inset = 0;
        if (!corner.empty()) {
            if (y < eh / 2) inset = corner[static_cast<std::size_t>(y)].x0;
            else if (y >= h - eh / 2) inset = corner[static_cast<std::size_t>(y - (h - eh))].x0;
        }
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
    // ones, so a width of n covers n rows of a horizontal line.
    const double off = (width % 2) ? 0.5 : 0.0;
    const double ax = a.x + off, ay = a.y + off, bx = b.x + off, by = b.y + off;
    const double r = width / 2.0;
    const double r2 = r * r - 1e-9;
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    const int left = std::max(window.left, static_cast<int>(std::floor(std::min(ax, bx) - r)) - 1);
    const int right =
        std::min(window.right - 1, static_cast<int>(std::ceil(std::max(ax, bx) + r)) + 1);
    const int top = std::max(window.top, static_cast<int>(std::floor(std::min(ay, by) - r)) - 1);
    const int bottom =
        std::min(window.bottom - 1, static_cast<int>(std::ceil(std::max(ay, by) + r)) + 1);
    std::vector<Span> spans;
    for (int y = top; y <= bottom; ++y) {
        int first = 0;
        int last = -1;
        bool found = false;
        for (int x = left; x <= right; ++x) {
            const double px = x + 0.5 - ax, py = y + 0.5 - ay;
            double t = len2 > 0 ? (px * vx + py * vy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = px - t * vx, ey = py - t * vy;
            if (ex * ex + ey * ey < r2) {
                if (!found) first = x;
                last = x;
                found = true;
            }
        }
        if (found) spans.push_back({y, first, last + 1});
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
