// Block transfers between bitmaps: plain, stretched and transparent copies with raster operations.
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat::gdi {
namespace {

// Turns source pixels into target pixels, following the classic rules for one-bit bitmaps.
class PixelConverter {
public:
    PixelConverter(const Bitmap& src, const Bitmap& dst, ColorRef dstText, ColorRef dstBk,
                   ColorRef srcBk)
        : src_(src), dst_(dst) {
        const bool srcMono = src.BitsPerPixel() == 1;
        const bool dstMono = dst.BitsPerPixel() == 1;
        if (srcMono && dstMono) {
            kind_ = Kind::Same;
        } else if (srcMono) {
            kind_ = Kind::FromMono;
            zero_ = dst.ToNative(dstText);
            one_ = dst.ToNative(dstBk);
        } else if (dstMono) {
            kind_ = Kind::ToMono;
            srcBk_ = srcBk & 0xFFFFFFu;
        } else if (src.BitsPerPixel() == dst.BitsPerPixel() &&
                   (src.BitsPerPixel() > 8 ||
                    std::equal(src.Palette().begin(), src.Palette().end(),
                               dst.Palette().begin(), dst.Palette().end()))) {
            kind_ = Kind::Same;
        } else {
            kind_ = Kind::ViaColour;
        }
    }
    bool Direct() const { return kind_ == Kind::Same; }
    std::uint32_t operator()(std::uint32_t v) const {
        switch (kind_) {
        case Kind::Same: return v;
        case Kind::FromMono: return v ? one_ : zero_;
        case Kind::ToMono: return src_.ToColour(v) == srcBk_ ? 1u : 0u;
        default: return dst_.ToNative(src_.ToColour(v));
        }
    }

private:
    enum class Kind { Same, FromMono, ToMono, ViaColour };
    const Bitmap& src_;
    const Bitmap& dst_;
    Kind kind_ = Kind::Same;
    std::uint32_t zero_ = 0, one_ = 0;
    ColorRef srcBk_ = 0;
};

// A negative extent runs backwards from its starting pixel, which it includes: x = 9 with
// width -10 covers pixels 0..9.
Rect MirroredExtent(const Rect& r) {
    Rect n = r;
    if (r.right < r.left) n.left = r.right + 1, n.right = r.left + 1;
    if (r.bottom < r.top) n.top = r.bottom + 1, n.bottom = r.top + 1;
    return n;
}

} // namespace

// dest is in device coordinates of this context, sourceRect in the source bitmap's; either may
// have a negative width or height, which mirrors (see MirroredExtent).
void DC::Transfer(const Rect& dest, const Bitmap& source, const Rect& sourceRect,
                  ColorRef sourceBk, std::uint32_t rop, std::optional<ColorRef> transparent) {
    if (!target_) return;
    const int dw = dest.Width(), dh = dest.Height();
    const int sw = sourceRect.Width(), sh = sourceRect.Height();
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
    const bool mirrorX = (dw < 0) != (sw < 0);
    const bool mirrorY = (dh < 0) != (sh < 0);
    const Rect d = MirroredExtent(dest);
    const Rect s = MirroredExtent(sourceRect);
    const int adw = d.Width(), adh = d.Height(), asw = s.Width(), ash = s.Height();
    const Region clipped = EffectiveClip().Intersect(d);
    if (clipped.IsEmpty()) return;

    const std::uint8_t table = Rop3Table(rop);
    const bool usesPattern = Rop3UsesPattern(table);
    Paint pattern;
    if (usesPattern && !BrushPaint(s_.brush, Rop2::CopyPen, pattern)) pattern = Paint{};
    const PixelConverter convert(source, *target_, s_.textColour, s_.bkColour, sourceBk);
    const std::uint32_t mask = target_->NativeMask();
    const bool oneToOne = adw == asw && adh == ash && !mirrorX && !mirrorY;
    const bool memcpyRows = oneToOne && table == 0xCC && !transparent && convert.Direct() &&
                            target_->BitsPerPixel() >= 8;
    const int bytesPerPixel = target_->BitsPerPixel() / 8;

    // Source coordinate of a destination offset: the nearest source pixel to its centre.
    const auto mapX = [&](int dx) {
        const int i = static_cast<int>((std::int64_t{2 * dx + 1} * asw) / (2 * std::int64_t{adw}));
        return s.left + (mirrorX ? asw - 1 - i : i);
    };
    const auto mapY = [&](int dy) {
        const int i = static_cast<int>((std::int64_t{2 * dy + 1} * ash) / (2 * std::int64_t{adh}));
        return s.top + (mirrorY ? ash - 1 - i : i);
    };
    // Rows copied whole: runs are taken in an order that reads every source pixel before it is
    // overwritten, so a bitmap can be scrolled onto itself without a copy.
    if (memcpyRows) {
        struct Run {
            int y, x0, x1;
        };
        std::vector<Run> runs;
        for (const Rect& r : clipped.Rects())
            for (int y = r.top; y < r.bottom; ++y) {
                const int sy = s.top + (y - d.top);
                // Keep only the part whose source lies inside the source bitmap.
                const int lo = std::max(r.left, d.left - s.left);
                const int hi = std::min(r.right, d.left - s.left + source.Width());
                if (sy >= 0 && sy < source.Height() && lo < hi) runs.push_back({y, lo, hi});
            }
        const bool down = d.top > s.top;
        const bool right = d.left > s.left;
        std::sort(runs.begin(), runs.end(), [&](const Run& a, const Run& b) {
            if (a.y != b.y) return down ? a.y > b.y : a.y < b.y;
            return right ? a.x0 > b.x0 : a.x0 < b.x0;
        });
        for (const Run& run : runs)
            std::memmove(target_->Row(run.y) + run.x0 * bytesPerPixel,
                         source.Row(s.top + (run.y - d.top)) +
                             (s.left + (run.x0 - d.left)) * bytesPerPixel,
                         static_cast<std::size_t>(run.x1 - run.x0) * bytesPerPixel);
        return;
    }
    // Other operations on the same bitmap read from a copy of it.
    std::unique_ptr<Bitmap> copy;
    const Bitmap* src = &source;
    if (&source == target_) {
        copy = source.Clone();
        src = copy.get();
    }
    // True-colour sources compare the key as a stored value; palette entries may repeat a colour,
    // so paletted sources compare colours.
    std::optional<std::uint32_t> keyNative;
    if (transparent && src->BitsPerPixel() >= 24) keyNative = src->ToNative(*transparent);
    for (const Rect& r : clipped.Rects()) {
        for (int y = r.top; y < r.bottom; ++y) {
            const int sy = mapY(y - d.top);
            if (sy < 0 || sy >= src->Height()) continue;
            if (table == 0xCC && convert.Direct() && target_->BitsPerPixel() == 32) {
                // Plain true-colour copy, stretched or keyed: words straight across.
                const auto* in = reinterpret_cast<const std::uint32_t*>(src->Row(sy));
                auto* out = reinterpret_cast<std::uint32_t*>(target_->Row(y));
                const bool sameWidth = adw == asw && !mirrorX;
                for (int x = r.left; x < r.right; ++x) {
                    const int sx = sameWidth ? s.left + (x - d.left) : mapX(x - d.left);
                    if (sx < 0 || sx >= src->Width()) continue;
                    const std::uint32_t v = in[sx] & 0x00FFFFFFu;
                    if (!keyNative || v != *keyNative) out[x] = v;
                }
                continue;
            }
            for (int x = r.left; x < r.right; ++x) {
                const int sx = mapX(x - d.left);
                if (sx < 0 || sx >= src->Width()) continue;
                const std::uint32_t raw = src->GetNative(sx, sy);
                if (transparent && (keyNative ? raw == *keyNative
                                              : src->ToColour(raw) == (*transparent & 0xFFFFFFu)))
                    continue;
                const std::uint32_t sv = convert(raw);
                std::uint32_t pv = 0;
                if (usesPattern && !PaintAt(pattern, x, y, pv)) pv = 0;
                const std::uint32_t dv = target_->GetNative(x, y);
                target_->SetNative(x, y, ApplyRop3(table, pv, sv, dv, mask));
            }
        }
    }
}

void DC::BitBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                std::uint32_t rop) {
    if (!Rop3UsesSource(Rop3Table(rop))) {
        PatBlt(x, y, width, height, rop);
        return;
    }
    StretchBlt(x, y, width, height, source, sx, sy, width, height, rop);
}

void DC::StretchBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                    int sw, int sh, std::uint32_t rop) {
    if (!target_ || !source.target_) return;
    Transfer(ToDevice(x, y, width, height), *source.target_, source.ToDevice(sx, sy, sw, sh),
             source.s_.bkColour, rop, std::nullopt);
}

void DC::TransparentBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                        int sw, int sh, ColorRef transparent) {
    if (!target_ || !source.target_) return;
    Transfer(ToDevice(x, y, width, height), *source.target_, source.ToDevice(sx, sy, sw, sh),
             source.s_.bkColour, rop3::SrcCopy, transparent);
}

void DC::DrawBitmap(int x, int y, const Bitmap& source, std::uint32_t rop) {
    Transfer(ToDevice(x, y, source.Width(), source.Height()), source, source.Bounds(), 0xFFFFFF,
             rop, std::nullopt);
}

void DC::StretchBitmap(const Rect& dest, const Bitmap& source, const Rect& sourceRect,
                       std::uint32_t rop) {
    // Each corner moved on its own, so a mirrored destination keeps its direction.
    const Point a = ToDevice(dest.left, dest.top);
    const Point b = ToDevice(dest.right, dest.bottom);
    Transfer({a.x, a.y, b.x, b.y}, source, sourceRect, 0xFFFFFF, rop, std::nullopt);
}

} // namespace plat::gdi
