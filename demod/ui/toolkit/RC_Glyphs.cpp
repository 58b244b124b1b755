#include "demod/ui/toolkit/RC_Glyphs.h"

#include "demod/dsp/RC_Colour.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

struct P {
    float x, y;
};

struct Shape {
    std::vector<std::pair<P, P>> strokes; // thick lines
    std::vector<std::vector<P>> fills;    // convex polygons
    float half = 1.0f;                    // half the stroke width
};

float SegmentDistance(P p, P a, P b) {
    const float vx = b.x - a.x, vy = b.y - a.y;
    const float len2 = vx * vx + vy * vy;
    float t = len2 > 0.0f ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = p.x - (a.x + t * vx), dy = p.y - (a.y + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}

// Signed distance to a convex polygon's edge: negative inside.
float PolygonDistance(P p, const std::vector<P>& poly) {
    bool inside = true;
    float best = 1e9f;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const P a = poly[i], b = poly[(i + 1) % poly.size()];
        const float cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        if (cross < 0.0f) inside = false;
        best = std::min(best, SegmentDistance(p, a, b));
    }
    return inside ? -best : best;
}

// Polygons are given clockwise on screen (y down), which the inside test expects.
Shape Build(int number, float w, float h) {
    Shape s;
    const float m = std::min(w, h);
    s.half = std::max(0.8f, m / 14.0f);
    const float cx = w / 2.0f, cy = h / 2.0f, r = m * 0.22f;
    auto line = [&](float x0, float y0, float x1, float y1) { s.strokes.push_back({{x0, y0}, {x1, y1}}); };
    auto box = [&](float l, float t, float rr, float b) {
        line(l, t, rr, t), line(rr, t, rr, b), line(rr, b, l, b), line(l, b, l, t);
    };
    switch (number) {
    case kGlyphClose: line(cx - r, cy - r, cx + r, cy + r), line(cx + r, cy - r, cx - r, cy + r); break;
    case kGlyphMinimise: line(cx - r, cy + r, cx + r, cy + r); break;
    case kGlyphMaximise: box(cx - r, cy - r, cx + r, cy + r), line(cx - r, cy - r + s.half, cx + r, cy - r + s.half); break;
    case kGlyphRestore:
        box(cx - r, cy - r * 0.3f, cx + r * 0.5f, cy + r);
        line(cx - r * 0.5f, cy - r * 0.3f, cx - r * 0.5f, cy - r), line(cx - r * 0.5f, cy - r, cx + r, cy - r);
        line(cx + r, cy - r, cx + r, cy + r * 0.3f), line(cx + r, cy + r * 0.3f, cx + r * 0.5f, cy + r * 0.3f);
        break;
    case kGlyphHelp: {
        P prev{cx - r * 0.6f, cy - r * 0.5f};
        for (int i = 1; i <= 8; ++i) {
            const float a = std::numbers::pi_v<float> * (1.0f - static_cast<float>(i) / 6.0f);
            const P next{cx + r * 0.6f * std::cos(a), cy - r * 0.5f - r * 0.5f * std::sin(a)};
            line(prev.x, prev.y, next.x, next.y);
            prev = next;
        }
        line(prev.x, prev.y, cx, cy + r * 0.3f);
        line(cx, cy + r * 0.9f, cx, cy + r * 0.95f);
        break;
    }
    case kGlyphUp: s.fills.push_back({{cx, cy - r}, {cx + r, cy + r * 0.6f}, {cx - r, cy + r * 0.6f}}); break;
    case kGlyphDown: s.fills.push_back({{cx - r, cy - r * 0.6f}, {cx + r, cy - r * 0.6f}, {cx, cy + r}}); break;
    case kGlyphLeft: s.fills.push_back({{cx - r, cy}, {cx + r * 0.6f, cy - r}, {cx + r * 0.6f, cy + r}}); break;
    case kGlyphRight:
    case kGlyphPlay: s.fills.push_back({{cx - r * 0.6f, cy - r}, {cx + r, cy}, {cx - r * 0.6f, cy + r}}); break;
    case kGlyphPlus: line(cx - r, cy, cx + r, cy), line(cx, cy - r, cx, cy + r); break;
    case kGlyphMinus: line(cx - r, cy, cx + r, cy); break;
    case kGlyphCheck: line(cx - r, cy, cx - r * 0.3f, cy + r * 0.7f), line(cx - r * 0.3f, cy + r * 0.7f, cx + r, cy - r * 0.7f); break;
    case kGlyphDot: s.fills.push_back({{cx - r * 0.5f, cy - r * 0.5f}, {cx + r * 0.5f, cy - r * 0.5f}, {cx + r * 0.5f, cy + r * 0.5f}, {cx - r * 0.5f, cy + r * 0.5f}}); s.half = r * 0.3f; break;
    case kGlyphStop: s.fills.push_back({{cx - r, cy - r}, {cx + r, cy - r}, {cx + r, cy + r}, {cx - r, cy + r}}); break;
    case kGlyphRing: {
        P prev{cx + r, cy};
        for (int i = 1; i <= 24; ++i) {
            const float a = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / 24.0f;
            const P next{cx + r * std::cos(a), cy + r * std::sin(a)};
            line(prev.x, prev.y, next.x, next.y);
            prev = next;
        }
        break;
    }
    default: break;
    }
    return s;
}

} // namespace

void RC_DrawGlyph(RC_Canvas& canvas, int number, std::uint32_t colour, std::uint32_t background, int dx, int dy) {
    const Shape shape = Build(number, static_cast<float>(canvas.Width()), static_cast<float>(canvas.Height()));
    if (shape.strokes.empty() && shape.fills.empty()) return;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const P p{static_cast<float>(x - dx) + 0.5f, static_cast<float>(y - dy) + 0.5f};
            float d = 1e9f;
            for (const auto& [a, b] : shape.strokes) d = std::min(d, SegmentDistance(p, a, b) - shape.half);
            for (const auto& poly : shape.fills) d = std::min(d, PolygonDistance(p, poly) - (number == kGlyphDot ? shape.half : 0.0f));
            // Full colour inside, a one-pixel blend towards the background across the edge.
            const float outside = std::clamp(d + 0.5f, 0.0f, 1.0f);
            if (outside >= 1.0f) continue;
            canvas.SetPixel(x, y, RC_BlendColour(colour, background, 1000, static_cast<int>(std::lround(outside * 1000.0f))));
        }
    }
}
