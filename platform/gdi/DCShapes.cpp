// Lines, outlines and filled shapes of the device context.
#include "platform/gdi/DC.h"

#include "platform/gdi/LineRasterizer.h"

#include <algorithm>
#include <array>
#include <span>

namespace plat::gdi {
namespace {

// On and off lengths of the dotted styles of one-pixel pens.
std::span<const int> DashPattern(PenStyle style) {
    static constexpr std::array<int, 2> kDash{18, 6};
    static constexpr std::array<int, 2> kDot{3, 3};
    static constexpr std::array<int, 4> kDashDot{9, 6, 3, 6};
    static constexpr std::array<int, 6> kDashDotDot{9, 3, 3, 3, 3, 3};
    static constexpr std::array<int, 2> kAlternate{1, 1};
    switch (style) {
    case PenStyle::Dash: return kDash;
    case PenStyle::Dot: return kDot;
    case PenStyle::DashDot: return kDashDot;
    case PenStyle::DashDotDot: return kDashDotDot;
    case PenStyle::Alternate: return kAlternate;
    default: return {};
    }
}

// True when the pixel at this position of the pattern is a dash, false in a gap.
bool InDash(std::span<const int> pattern, std::uint32_t position) {
    std::uint32_t total = 0;
    for (int n : pattern) total += static_cast<std::uint32_t>(n);
    std::uint32_t p = position % total;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto n = static_cast<std::uint32_t>(pattern[i]);
        if (p < n) return i % 2 == 0;
        p -= n;
    }
    return true;
}

// Widths beyond any screen are limited so that shape arithmetic stays small.
int PenWidth(const Pen& pen) { return std::clamp(pen.width, 1, 1 << 16); }

} // namespace

void DC::FillSpans(const std::vector<Span>& spans, const Paint& paint) {
    const Rect bounds = EffectiveClip().Bounds();
    for (const Span& s : spans)
        if (s.y >= bounds.top && s.y < bounds.bottom)
            FillSpan(s.y, std::max(s.x0, bounds.left), std::min(s.x1, bounds.right), paint);
}

// Strokes device-coordinate points with the current pen: one-pixel lines leave out each end
// point (so a closed figure draws every corner once); wider pens draw the union of round-ended
// strokes, so joints are painted once even with an exclusive-or operation.
void DC::StrokePolyline(std::span<const Point> pts, bool closed) {
    const Pen& pen = s_.pen;
    if (pen.style == PenStyle::Null || pts.size() < 2) return;
    const std::size_t segments = closed ? pts.size() : pts.size() - 1;
    if (PenWidth(pen) > 1) {
        // Every pixel of the whole stroke once: the rows of all segments merged.
        const Rect window = EffectiveClip().Bounds();
        std::vector<Span> all;
        for (std::size_t i = 0; i < segments; ++i) {
            const std::vector<Span> part =
                ThickLineSpans(pts[i], pts[(i + 1) % pts.size()], PenWidth(pen), window);
            all.insert(all.end(), part.begin(), part.end());
        }
        std::sort(all.begin(), all.end(), [](const Span& a, const Span& b) {
            return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
        });
        std::vector<Span> merged;
        for (const Span& s : all) {
            if (!merged.empty() && merged.back().y == s.y && s.x0 <= merged.back().x1)
                merged.back().x1 = std::max(merged.back().x1, s.x1);
            else
                merged.push_back(s);
        }
        FillSpans(merged, PenPaint(pen.colour));
        return;
    }
    const Paint ink = PenPaint(pen.colour);
    const Paint gap = PenPaint(s_.bkColour);
    const std::span<const int> dashes = DashPattern(pen.style);
    const bool paintGaps = s_.bkMode == BkMode::Opaque;
    const Rect bounds = EffectiveClip().Bounds();
    styleCounter_ = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        const Point a = pts[i];
        const Point b = pts[(i + 1) % pts.size()];
        const std::uint32_t base = styleCounter_;
        RasterizeLine(a, b, bounds, [&](int x, int y, std::int64_t k) {
            if (dashes.empty() || InDash(dashes, base + static_cast<std::uint32_t>(k)))
                PlotPixel(x, y, ink);
            else if (paintGaps)
                PlotPixel(x, y, gap);
        });
        styleCounter_ = base + static_cast<std::uint32_t>(
                                   std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)));
    }
}

void DC::LineTo(int x, int y) {
    if (target_) {
        const Point pts[2] = {ToDevice(s_.position.x, s_.position.y), ToDevice(x, y)};
        StrokePolyline(pts, false);
    }
    s_.position = {x, y};
}

void DC::Polyline(std::span<const Point> points) {
    if (!target_) return;
    scratchPoints_.clear();
    for (const Point& p : points) scratchPoints_.push_back(ToDevice(p.x, p.y));
    StrokePolyline(scratchPoints_, false);
}

void DC::PolyPolyline(std::span<const Point> points, std::span<const int> counts) {
    std::size_t start = 0;
    for (int count : counts) {
        if (count < 0 || start + static_cast<std::size_t>(count) > points.size()) return;
        Polyline(points.subspan(start, static_cast<std::size_t>(count)));
        start += static_cast<std::size_t>(count);
    }
}

// Rectangles, rounded rectangles and ellipses: the pen's outline and the brush's inside never
// overlap. A null pen leaves the right and bottom edges out, as the classic system does.
void DC::DrawFilledShape(const Rect& logicalBox, int ew, int eh, bool ellipse) {
    if (!target_) return;
    Rect box = ToDevice(logicalBox);
    const Pen& pen = s_.pen;
    const bool nullPen = pen.style == PenStyle::Null;
    const int w = PenWidth(pen);
    // One row beyond the clip on each side, so the outline of a one-pixel pen (which looks at
    // the rows above and below) comes out the same as for the whole shape.
    const Rect window = EffectiveClip().Bounds().Inflate(0, 1);
    const auto shape = [&](const Rect& b, int cw, int ch) {
        return ellipse ? EllipseSpans(b, window) : RoundRectSpans(b, cw, ch, window);
    };
    if (nullPen) box = {box.left, box.top, box.right - 1, box.bottom - 1};
    else if (w > 1 && pen.style != PenStyle::InsideFrame)
        box = {box.left - w / 2, box.top - w / 2, box.right + (w - 1) / 2,
               box.bottom + (w - 1) / 2};
    if (box.IsEmpty()) return;
    const std::vector<Span> outer = shape(box, ew, eh);
    std::vector<Span> inner;
    if (nullPen) inner = outer;
    else if (w == 1) inner = InnerSpans(outer);
    else inner = shape(box.Inflate(-w, -w), ew - 2 * w, eh - 2 * w);
    Paint brush;
    if (BrushPaint(s_.brush, s_.rop2, brush)) FillSpans(inner, brush);
    if (nullPen) return;
    const std::span<const int> dashes = DashPattern(pen.style);
    if (w == 1 && !dashes.empty() && !ellipse && ew <= 1 && eh <= 1) {
        // A dotted rectangle: its outline is one closed dotted line.
        const Point pts[4] = {{box.left, box.top}, {box.right - 1, box.top},
                              {box.right - 1, box.bottom - 1}, {box.left, box.bottom - 1}};
        StrokePolyline(pts, true);
        return;
    }
    FillSpans(SubtractSpans(outer, inner), PenPaint(pen.colour));
}

void DC::Rectangle(int left, int top, int right, int bottom) {
    DrawFilledShape({left, top, right, bottom}, 0, 0, false);
}

void DC::RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                   int ellipseHeight) {
    DrawFilledShape({left, top, right, bottom}, ellipseWidth, ellipseHeight, false);
}

void DC::Ellipse(int left, int top, int right, int bottom) {
    DrawFilledShape({left, top, right, bottom}, 0, 0, true);
}

void DC::Polygon(std::span<const Point> points) {
    const int count = static_cast<int>(points.size());
    PolyPolygon(points, std::span<const int>(&count, 1));
}

void DC::PolyPolygon(std::span<const Point> points, std::span<const int> counts) {
    if (!target_) return;
    std::vector<Point> device;
    device.reserve(points.size());
    for (const Point& p : points) device.push_back(ToDevice(p.x, p.y));
    Paint brush;
    if (BrushPaint(s_.brush, s_.rop2, brush))
        FillSpans(PolygonSpans(device, counts, s_.fillMode, EffectiveClip().Bounds()), brush);
    std::size_t start = 0;
    for (int count : counts) {
        if (count < 0 || start + static_cast<std::size_t>(count) > device.size()) return;
        StrokePolyline(std::span<const Point>(device).subspan(start, static_cast<std::size_t>(count)),
                       true);
        start += static_cast<std::size_t>(count);
    }
}

bool DC::ExtFloodFill(int x, int y, ColorRef colour, FloodType type) {
    if (!target_) return false;
    const Region& clip = EffectiveClip();
    const Point start = ToDevice(x, y);
    if (!clip.Contains(start)) return false;
    const std::uint32_t ref = target_->ToNative(colour);
    const auto fillable = [&](int px, int py) {
        const std::uint32_t v = target_->GetNative(px, py);
        return type == FloodType::Border ? v != ref : v == ref;
    };
    if (!fillable(start.x, start.y)) return false;
    Paint paint;
    if (!BrushPaint(s_.brush, Rop2::CopyPen, paint)) return true;
    // Find the whole area first and paint it afterwards, so the brush's own pixels never
    // change what counts as inside.
    const Rect bounds = clip.Bounds();
    const int bw = bounds.Width();
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(bw) * bounds.Height(), 0);
    const auto seenAt = [&](int px, int py) -> std::uint8_t& {
        return seen[static_cast<std::size_t>(py - bounds.top) * bw + (px - bounds.left)];
    };
    const auto ok = [&](int px, int py) {
        return clip.Contains(Point{px, py}) && !seenAt(px, py) && fillable(px, py);
    };
    std::vector<Span> spans;
    std::vector<Point> stack{start};
    while (!stack.empty()) {
        const Point p = stack.back();
        stack.pop_back();
        if (!ok(p.x, p.y)) continue;
        int x0 = p.x;
        int x1 = p.x;
        while (x0 - 1 >= bounds.left && ok(x0 - 1, p.y)) --x0;
        while (x1 + 1 < bounds.right && ok(x1 + 1, p.y)) ++x1;
        for (int i = x0; i <= x1; ++i) seenAt(i, p.y) = 1;
        spans.push_back({p.y, x0, x1 + 1});
        for (const int ny : {p.y - 1, p.y + 1}) {
            if (ny < bounds.top || ny >= bounds.bottom) continue;
            bool run = false;
            for (int i = x0; i <= x1; ++i) {
                const bool can = ok(i, ny);
                if (can && !run) stack.push_back({i, ny});
                run = can;
            }
        }
    }
    for (const Span& s : spans) FillSpan(s.y, s.x0, s.x1, paint);
    return true;
}

} // namespace plat::gdi
