#include "platform/gdi/Region.h"

#include <algorithm>

namespace plat::gdi {
namespace {

struct Interval {
    int x0;
    int x1;
};

bool SameIntervals(std::span<const Rect> a, std::span<const Rect> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].left != b[i].left || a[i].right != b[i].right) return false;
    return true;
}

// Sorted, merged intervals of a list of rectangles covering one band.
std::vector<Interval> Merge(std::vector<Interval> v) {
    std::sort(v.begin(), v.end(), [](const Interval& a, const Interval& b) { return a.x0 < b.x0; });
    std::vector<Interval> out;
    for (const Interval& i : v) {
        if (!out.empty() && i.x0 <= out.back().x1)
            out.back().x1 = std::max(out.back().x1, i.x1);
        else
            out.push_back(i);
    }
    return out;
}

} // namespace

Region::Region(const Rect& rect) {
    if (!rect.IsEmpty()) rects_.push_back(rect);
    bounds_ = rect.IsEmpty() ? Rect{} : rect;
}

std::span<const Rect> Region::BandAt(int y) const {
    if (y < bounds_.top || y >= bounds_.bottom) return {};
    // First rectangle whose bottom lies below y; its band holds y when its top is at or above.
    auto it = std::upper_bound(rects_.begin(), rects_.end(), y,
                               [](int v, const Rect& r) { return v < r.bottom; });
    if (it == rects_.end() || it->top > y) return {};
    auto end = it;
    while (end != rects_.end() && end->top == it->top) ++end;
    return {&*it, static_cast<std::size_t>(end - it)};
}

bool Region::Contains(Point p) const {
    for (const Rect& r : BandAt(p.y))
        if (p.x >= r.left && p.x < r.right) return true;
    return false;
}

bool Region::Contains(const Rect& r) const {
    if (r.IsEmpty()) return false;
    return Region(r).Subtract(*this).IsEmpty();
}

bool Region::Intersects(const Rect& r) const {
    if (r.IsEmpty() || bounds_.Intersect(r).IsEmpty()) return false;
    for (const Rect& q : rects_)
        if (!q.Intersect(r).IsEmpty()) return true;
    return false;
}

Region Region::FromRects(std::span<const Rect> rects) {
    Region result;
    std::vector<int> ys;
    for (const Rect& r : rects) {
        if (r.IsEmpty()) continue;
        ys.push_back(r.top);
        ys.push_back(r.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        std::vector<Interval> row;
        for (const Rect& r : rects)
            if (!r.IsEmpty() && r.top <= ys[i] && r.bottom >= ys[i + 1])
                row.push_back({r.left, r.right});
        for (const Interval& iv : Merge(std::move(row)))
            result.rects_.push_back({iv.x0, ys[i], iv.x1, ys[i + 1]});
    }
    result.Finish();
    return result;
}

Region Region::FromRowSpans(int top, std::span<const RowSpan> spans) {
    Region result;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].x1 <= spans[i].x0) continue;
        const int y = top + static_cast<int>(i);
        result.rects_.push_back({spans[i].x0, y, spans[i].x1, y + 1});
    }
    result.Finish();
    return result;
}

Region Region::FromOrderedRows(std::span<const Rect> rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Rect& r = rows[i];
        bool ordered = r.bottom == r.top + 1 && r.left < r.right;
        if (ordered && i > 0) {
            const Rect& p = rows[i - 1];
            ordered = p.top < r.top || (p.top == r.top && p.right < r.left);
        }
        if (!ordered) return FromRects(rows);
    }
    Region result;
    result.rects_.assign(rows.begin(), rows.end());
    result.Finish();
    return result;
}

Region Region::Offset(int dx, int dy) const {
    Region r = *this;
    for (Rect& q : r.rects_) q = q.Offset(dx, dy);
    if (!r.rects_.empty()) r.bounds_ = r.bounds_.Offset(dx, dy);
    return r;
}

Region Region::Union(const Region& o) const {
    if (o.IsEmpty()) return *this;
    if (IsEmpty()) return o;
    return Combine(*this, o, Op::Union);
}
Region Region::Intersect(const Region& o) const {
    if (IsEmpty() || o.IsEmpty() || bounds_.Intersect(o.bounds_).IsEmpty()) return {};
    if (rects_.size() == 1 && o.rects_.size() == 1) return Region(rects_[0].Intersect(o.rects_[0]));
    return Combine(*this, o, Op::Intersect);
}
Region Region::Subtract(const Region& o) const {
    if (IsEmpty() || o.IsEmpty() || bounds_.Intersect(o.bounds_).IsEmpty()) return *this;
    return Combine(*this, o, Op::Subtract);
}
Region Region::Xor(const Region& o) const {
    if (o.IsEmpty()) return *this;
    if (IsEmpty()) return o;
    return Combine(*this, o, Op::Xor);
}

// Walks the bands of both operands together and combines the interval lists of each band.
Region Region::Combine(const Region& a, const Region& b, Op op) {
    std::vector<int> ys;
    ys.reserve((a.rects_.size() + b.rects_.size()) * 2);
    for (const Rect& r : a.rects_) ys.push_back(r.top), ys.push_back(r.bottom);
    for (const Rect& r : b.rects_) ys.push_back(r.top), ys.push_back(r.bottom);
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    Region result;
    std::vector<std::pair<int, int>> edges; // x, +1/-1 for a, +2/-2 for b
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        const int y0 = ys[i];
        const int y1 = ys[i + 1];
        const auto ba = a.BandAt(y0);
        const auto bb = b.BandAt(y0);
        edges.clear();
        for (const Rect& r : ba) edges.push_back({r.left, 1}), edges.push_back({r.right, -1});
        for (const Rect& r : bb) edges.push_back({r.left, 2}), edges.push_back({r.right, -2});
        std::sort(edges.begin(), edges.end());
        int inA = 0;
        int inB = 0;
        bool inside = false;
        int start = 0;
        for (std::size_t k = 0; k < edges.size();) {
            const int x = edges[k].first;
            for (; k < edges.size() && edges[k].first == x; ++k) {
                const int e = edges[k].second;
                if (e == 1 || e == -1) inA += e;
                else inB += e / 2;
            }
            bool now = false;
            switch (op) {
            case Op::Union: now = inA > 0 || inB > 0; break;
            case Op::Intersect: now = inA > 0 && inB > 0; break;
            case Op::Subtract: now = inA > 0 && inB == 0; break;
            case Op::Xor: now = (inA > 0) != (inB > 0); break;
            }
            if (now && !inside) start = x;
            if (!now && inside) result.rects_.push_back({start, y0, x, y1});
            inside = now;
        }
    }
    result.Finish();
    return result;
}

// Merges vertically neighbouring bands with equal intervals and computes the bounds.
void Region::Finish() {
    std::vector<Rect> out;
    out.reserve(rects_.size());
    std::size_t prevStart = 0;
    std::size_t prevEnd = 0; // [prevStart, prevEnd) is the last band in out
    for (std::size_t i = 0; i < rects_.size();) {
        std::size_t j = i;
        while (j < rects_.size() && rects_[j].top == rects_[i].top) ++j;
        const std::span<const Rect> band(&rects_[i], j - i);
        if (prevEnd > prevStart && out[prevStart].bottom == band[0].top &&
            SameIntervals({&out[prevStart], prevEnd - prevStart}, band)) {
            for (std::size_t k = prevStart; k < prevEnd; ++k) out[k].bottom = band[0].bottom;
        } else {
            prevStart = out.size();
            out.insert(out.end(), band.begin(), band.end());
            prevEnd = out.size();
        }
        i = j;
    }
    rects_ = std::move(out);
    bounds_ = {};
    for (const Rect& r : rects_) bounds_ = bounds_.Union(r);
}

} // namespace plat::gdi
