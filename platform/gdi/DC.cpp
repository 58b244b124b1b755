#include "platform/gdi/DC.h"

#include "platform/gdi/HatchPatterns.h"

#include <algorithm>
#include <utility>

namespace plat::gdi {
namespace {

int Mod(int a, int m) {
    const int r = a % m;
    return r < 0 ? r + m : r;
}

} // namespace

DC::DC(Bitmap* target) : target_(target) {}

Bitmap* DC::SelectBitmap(Bitmap* bitmap) {
    Bitmap* previous = target_;
    target_ = bitmap;
    deviceOrigin_ = {};
    deviceClip_.reset();
    InvalidateClip();
    return previous;
}

void DC::SetDeviceOrigin(Point origin) {
    deviceOrigin_ = origin;
    InvalidateClip();
}

void DC::SetDeviceClip(std::optional<Region> clip) {
    deviceClip_ = std::move(clip);
    InvalidateClip();
}

int DC::SaveDC() {
    saved_.push_back(s_);
    return static_cast<int>(saved_.size());
}

bool DC::RestoreDC(int level) {
    const int depth = static_cast<int>(saved_.size());
    const int n = level < 0 ? depth + 1 + level : level;
    if (n < 1 || n > depth) return false;
    s_ = std::move(saved_[static_cast<std::size_t>(n - 1)]);
    saved_.resize(static_cast<std::size_t>(n - 1));
    InvalidateClip();
    return true;
}

Pen DC::SelectPen(const Pen& pen) { return std::exchange(s_.pen, pen); }
Brush DC::SelectBrush(const Brush& brush) { return std::exchange(s_.brush, brush); }
Font DC::SelectFont(const Font& font) { return std::exchange(s_.font, font); }
Rop2 DC::SetRop2(Rop2 op) {
    return (static_cast<int>(op) >= 1 && static_cast<int>(op) <= 16) ? std::exchange(s_.rop2, op)
                                                                      : s_.rop2;
}
ColorRef DC::SetTextColor(ColorRef c) { return std::exchange(s_.textColour, c & 0xFFFFFFu); }
ColorRef DC::SetBkColor(ColorRef c) { return std::exchange(s_.bkColour, c & 0xFFFFFFu); }
BkMode DC::SetBkMode(BkMode mode) { return std::exchange(s_.bkMode, mode); }
FillMode DC::SetPolyFillMode(FillMode mode) { return std::exchange(s_.fillMode, mode); }
unsigned DC::SetTextAlign(unsigned align) { return std::exchange(s_.textAlign, align); }
Point DC::SetBrushOrg(Point origin) { return std::exchange(s_.brushOrg, origin); }
Point DC::MoveTo(int x, int y) { return std::exchange(s_.position, Point{x, y}); }

Point DC::SetViewportOrg(Point origin) { return std::exchange(s_.viewportOrg, origin); }
Point DC::OffsetViewportOrg(int dx, int dy) {
    const Point previous = s_.viewportOrg;
    s_.viewportOrg = {previous.x + dx, previous.y + dy};
    return previous;
}

void DC::SelectClipRegion(const Region* region) {
    if (region) s_.clip = *region;
    else s_.clip.reset();
    InvalidateClip();
}

void DC::IntersectClipRect(const Rect& logical) {
    const Rect r = logical.Normalized().Offset(s_.viewportOrg.x, s_.viewportOrg.y);
    if (s_.clip) {
        s_.clip = s_.clip->Intersect(r);
    } else {
        // Without a clip region the whole surface is drawable; the new region is the rectangle
        // within it.
        Rect all = target_ ? target_->Bounds().Offset(-deviceOrigin_.x, -deviceOrigin_.y) : Rect{};
        s_.clip = Region(all.Intersect(r));
    }
    InvalidateClip();
}

void DC::ExcludeClipRect(const Rect& logical) {
    const Rect r = logical.Normalized().Offset(s_.viewportOrg.x, s_.viewportOrg.y);
    Region base = s_.clip ? *s_.clip
                          : Region(target_ ? target_->Bounds().Offset(-deviceOrigin_.x,
                                                                      -deviceOrigin_.y)
                                           : Rect{});
    s_.clip = base.Subtract(Region(r));
    InvalidateClip();
}

const Region& DC::EffectiveClip() const {
    if (clipValid_) return clipCache_;
    Region clip(target_ ? target_->Bounds() : Rect{});
    if (deviceClip_) clip = clip.Intersect(*deviceClip_);
    if (s_.clip) clip = clip.Intersect(s_.clip->Offset(deviceOrigin_.x, deviceOrigin_.y));
    clipCache_ = std::move(clip);
    clipValid_ = true;
    return clipCache_;
}

Rect DC::GetClipBox() const {
    const Point o = ToDevice(0, 0);
    return EffectiveClip().Bounds().Offset(-o.x, -o.y);
}

bool DC::PtVisible(int x, int y) const { return EffectiveClip().Contains(ToDevice(x, y)); }

// --- painting spans ---

DC::Paint DC::PenPaint(ColorRef colour) const {
    Paint p;
    p.colour = target_->ToNative(colour);
    p.rop = s_.rop2;
    return p;
}

// False for a null brush (nothing to paint).
bool DC::BrushPaint(const Brush& brush, Rop2 rop, Paint& out) const {
    out = Paint{};
    out.rop = rop;
    switch (brush.style) {
    case BrushStyle::Null:
        return false;
    case BrushStyle::Hatched:
        out.pattern = true;
        out.tile = &HatchTile(brush.hatch);
        out.one = target_->ToNative(brush.colour);
        out.zero = target_->ToNative(s_.bkColour);
        out.skipZero = s_.bkMode == BkMode::Transparent;
        return true;
    case BrushStyle::Pattern:
        if (brush.pattern && !brush.pattern->IsEmpty()) {
            out.pattern = true;
            out.tile = brush.pattern.get();
            out.zero = target_->ToNative(s_.textColour);
            out.one = target_->ToNative(s_.bkColour);
            return true;
        }
        [[fallthrough]];
    default:
        out.colour = target_->ToNative(brush.colour);
        return true;
    }
}

bool DC::PaintAt(const Paint& paint, int x, int y, std::uint32_t& value) const {
    if (!paint.pattern) {
        value = paint.colour;
        return true;
    }
    const Bitmap& t = *paint.tile;
    const int tx = Mod(x - deviceOrigin_.x - s_.brushOrg.x, t.Width());
    const int ty = Mod(y - deviceOrigin_.y - s_.brushOrg.y, t.Height());
    const std::uint32_t v = t.GetNative(tx, ty);
    if (t.BitsPerPixel() == 1) {
        if (v == 0 && paint.skipZero) return false;
        value = v ? paint.one : paint.zero;
        return true;
    }
    value = target_->ToNative(t.ToColour(v));
    return true;
}

void DC::FillSpan(int y, int x0, int x1, const Paint& paint) {
    if (x0 >= x1) return;
    const std::uint32_t mask = target_->NativeMask();
    const bool plain = !paint.pattern && !paint.ternary && paint.rop == Rop2::CopyPen;
    for (const Rect& r : EffectiveClip().BandAt(y)) {
        const int a = std::max(x0, r.left);
        const int b = std::min(x1, r.right);
        if (a >= b) continue;
        if (plain) {
            target_->FillNative(y, a, b, paint.colour);
            continue;
        }
        for (int x = a; x < b; ++x) {
            std::uint32_t v;
            if (!PaintAt(paint, x, y, v)) continue;
            const std::uint32_t d = target_->GetNative(x, y);
            target_->SetNative(x, y,
                               paint.ternary ? ApplyRop3(paint.rop3, v, 0, d, mask)
                                             : ApplyRop2(paint.rop, v, d, mask));
        }
    }
}

void DC::PlotPixel(int x, int y, const Paint& paint) {
    const Region& clip = EffectiveClip();
    // Most clips are one rectangle: test it directly instead of searching bands.
    if (clip.Rects().size() == 1 ? !clip.Bounds().Contains({x, y}) : !clip.Contains(Point{x, y}))
        return;
    std::uint32_t v;
    if (!PaintAt(paint, x, y, v)) return;
    const std::uint32_t d = target_->GetNative(x, y);
    target_->SetNative(x, y, ApplyRop2(paint.rop, v, d, target_->NativeMask()));
}

// --- pixels and rectangle fills ---

ColorRef DC::SetPixel(int x, int y, ColorRef colour) {
    if (!target_) return kInvalidColor;
    const Point d = ToDevice(x, y);
    if (!EffectiveClip().Contains(d)) return kInvalidColor;
    const std::uint32_t v = target_->ToNative(colour);
    target_->SetNative(d.x, d.y, v);
    return target_->ToColour(v);
}

ColorRef DC::GetPixel(int x, int y) const {
    if (!target_) return kInvalidColor;
    const Point d = ToDevice(x, y);
    if (!EffectiveClip().Contains(d)) return kInvalidColor;
    return target_->GetPixel(d.x, d.y);
}

void DC::FillRect(const Rect& rect, const Brush& brush) {
    if (!target_) return;
    Paint paint;
    if (!BrushPaint(brush, Rop2::CopyPen, paint)) return;
    const Rect r = ToDevice(rect).Intersect(EffectiveClip().Bounds());
    for (int y = r.top; y < r.bottom; ++y) FillSpan(y, r.left, r.right, paint);
}

void DC::FrameRect(const Rect& rect, const Brush& brush) {
    if (rect.IsEmpty()) return;
    FillRect({rect.left, rect.top, rect.right, rect.top + 1}, brush);
    FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, brush);
    FillRect({rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, brush);
    FillRect({rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, brush);
}

void DC::InvertRect(const Rect& rect) { PatBlt(rect.left, rect.top, rect.Width(), rect.Height(),
                                               rop3::DstInvert); }

void DC::FillRegion(const Region& logical, const Brush& brush) {
    if (!target_) return;
    Paint paint;
    if (!BrushPaint(brush, Rop2::CopyPen, paint)) return;
    const Point o = ToDevice(0, 0);
    const Region r = logical.Offset(o.x, o.y).Intersect(EffectiveClip()); // offsets saturate
    for (const Rect& q : r.Rects())
        for (int y = q.top; y < q.bottom; ++y) FillSpan(y, q.left, q.right, paint);
}

void DC::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
    if (!target_) return;
    Paint paint;
    // A null brush still serves the operations that do not read the pattern.
    if (!BrushPaint(s_.brush, Rop2::CopyPen, paint)) paint = Paint{};
    const std::uint8_t table = Rop3Table(rop);
    if (table != 0xF0 || paint.pattern) {
        paint.ternary = true;
        paint.rop3 = table;
    }
    const Rect r = ToDevice(x, y, width, height).Normalized().Intersect(EffectiveClip().Bounds());
    for (int yy = r.top; yy < r.bottom; ++yy) FillSpan(yy, r.left, r.right, paint);
}

} // namespace plat::gdi
