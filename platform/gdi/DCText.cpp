// Text output of the device context.
#include "platform/gdi/DC.h"

#include "platform/gdi/FontFace.h"
#include "platform/gdi/TextDecoding.h"
#include "platform/gdi/TextLayout.h"

#include <algorithm>

namespace plat::gdi {
namespace {

// Mixes a text colour into a pixel by coverage; 24- and 32-bit natives keep one channel per byte,
// so this works on them directly whatever the channel order.
std::uint32_t Blend(std::uint32_t dst, std::uint32_t ink, std::uint32_t coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t d = (dst >> shift) & 0xFFu;
        const std::uint32_t i = (ink >> shift) & 0xFFu;
        const std::uint32_t v = (d * (255u - coverage) + i * coverage + 127u) / 255u;
        out |= v << shift;
    }
    return out;
}

} // namespace

void DC::DrawGlyphRun(int x, int baseline, std::u32string_view text, const Rect* deviceClip,
                      int underlineIndex) {
    const FontFace& face = s_.font.Face();
    std::vector<const Glyph*> glyphs;
    face.Glyphs(text, glyphs);
    const Region& clip = EffectiveClip();
    Rect bounds = clip.Bounds();
    if (deviceClip) bounds = bounds.Intersect(*deviceClip);
    if (bounds.IsEmpty()) return;
    const bool singleRect = clip.Rects().size() == 1;
    const bool blend = target_->BitsPerPixel() >= 24;
    const std::uint32_t inkNative = target_->ToNative(s_.textColour);
    const auto visible = [&](int px, int py) {
        return bounds.Contains({px, py}) && (singleRect || clip.Contains(Point{px, py}));
    };
    int pen = x;
    for (const Glyph* g : glyphs) {
        const int gx = pen + g->left;
        const int gy = baseline - g->top;
        const Rect box = Rect{gx, gy, gx + g->width, gy + g->height}.Intersect(bounds);
        for (int py = box.top; py < box.bottom; ++py) {
            const std::uint8_t* cov =
                g->coverage.data() + static_cast<std::size_t>(py - gy) * g->width;
            for (int px = box.left; px < box.right; ++px) {
                const std::uint32_t c = cov[px - gx];
                if (c == 0 || !(singleRect || clip.Contains(Point{px, py}))) continue;
                if (blend) {
                    target_->SetNative(px, py,
                                       c == 255 ? inkNative
                                                : Blend(target_->GetNative(px, py), inkNative, c));
                } else if (c >= 128) {
                    target_->SetNative(px, py, inkNative);
                }
            }
        }
        pen += g->advance;
    }
    // Underline, strike-out and the prefix mark are solid lines in the text colour.
    const auto rule = [&](int x0, int x1, int y) {
        for (int t = 0; t < face.LineThickness(); ++t)
            for (int px = x0; px < x1; ++px)
                if (visible(px, y + t)) target_->SetNative(px, y + t, inkNative);
    };
    const FontDesc& desc = s_.font.Desc();
    if (desc.underline) rule(x, pen, baseline + face.UnderlineOffset());
    if (desc.strikeOut) rule(x, pen, baseline + face.StrikeOutOffset());
    if (underlineIndex >= 0 && static_cast<std::size_t>(underlineIndex) < glyphs.size() &&
        !desc.underline) {
        int ux = x;
        for (int i = 0; i < underlineIndex; ++i) ux += glyphs[static_cast<std::size_t>(i)]->advance;
        rule(ux, ux + glyphs[static_cast<std::size_t>(underlineIndex)]->advance,
             baseline + face.UnderlineOffset());
    }
}

void DC::TextOut(int x, int y, std::string_view text) { ExtTextOut(x, y, 0, nullptr, text); }

void DC::ExtTextOut(int x, int y, unsigned options, const Rect* rect, std::string_view text) {
    if (!target_) return;
    const std::u32string decoded = DecodeText(text);
    const FontFace& face = s_.font.Face();
    const TextMetrics& tm = face.Metrics();
    const int width = face.Width(decoded);
    if (s_.textAlign & ta::UpdateCp) {
        x = s_.position.x;
        y = s_.position.y;
    }
    int left = x;
    switch (s_.textAlign & 6u) {
    case ta::Right: left = x - width; break;
    case ta::Center: left = x - width / 2; break;
    default: break;
    }
    int top = y;
    switch (s_.textAlign & 24u) {
    case ta::Baseline: top = y - tm.ascent; break;
    case ta::Bottom: top = y - tm.height; break;
    default: break;
    }
    if (s_.textAlign & ta::UpdateCp) {
        if ((s_.textAlign & 6u) == ta::Left) s_.position.x = x + width;
        else if ((s_.textAlign & 6u) == ta::Right) s_.position.x = x - width;
    }
    const Point o = ToDevice(0, 0);
    std::optional<Rect> deviceRect;
    if (rect) deviceRect = rect->Normalized().Offset(o.x, o.y);
    if ((options & eto::Opaque) && deviceRect) {
        Paint bk = Paint{};
        bk.colour = target_->ToNative(s_.bkColour);
        const Rect r = deviceRect->Intersect(EffectiveClip().Bounds());
        for (int yy = r.top; yy < r.bottom; ++yy) FillSpan(yy, r.left, r.right, bk);
    } else if (s_.bkMode == BkMode::Opaque && width > 0) {
        Paint bk = Paint{};
        bk.colour = target_->ToNative(s_.bkColour);
        Rect cell = Rect{left, top, left + width, top + tm.height}.Offset(o.x, o.y);
        if ((options & eto::Clipped) && deviceRect) cell = cell.Intersect(*deviceRect);
        cell = cell.Intersect(EffectiveClip().Bounds());
        for (int yy = cell.top; yy < cell.bottom; ++yy) FillSpan(yy, cell.left, cell.right, bk);
    }
    const Rect* clip = (options & eto::Clipped) && deviceRect ? &*deviceRect : nullptr;
    DrawGlyphRun(left + o.x, top + tm.ascent + o.y, decoded, clip, -1);
}

Size DC::GetTextExtent(std::string_view text) const {
    const FontFace& face = s_.font.Face();
    return {face.Width(DecodeText(text)), face.Metrics().height};
}

TextMetrics DC::GetTextMetrics() const {
    TextMetrics tm = s_.font.Face().Metrics();
    tm.weight = s_.font.Desc().weight == 0 ? 400 : s_.font.Desc().weight;
    tm.italic = s_.font.Desc().italic;
    tm.underlined = s_.font.Desc().underline;
    tm.struckOut = s_.font.Desc().strikeOut;
    return tm;
}

int DC::DrawText(std::string_view text, Rect& rect, unsigned format) {
    const FontFace& face = s_.font.Face();
    const TextMetrics& tm = face.Metrics();
    const std::vector<TextLine> lines =
        LayoutText(DecodeText(text), rect.Width(), format,
                   [&face](std::u32string_view t) { return face.Width(t); });
    const int lineHeight = tm.height + ((format & dt::ExternalLeading) ? tm.externalLeading : 0);
    const int total = lineHeight * static_cast<int>(lines.size());
    int widest = 0;
    for (const TextLine& l : lines) widest = std::max(widest, l.width);
    if (format & dt::CalcRect) {
        rect.right = rect.left + widest;
        rect.bottom = rect.top + total;
        return total;
    }
    if (!target_) return total;
    int y = rect.top;
    if (format & dt::SingleLine) {
        if (format & dt::VCenter) y = rect.top + (rect.Height() - total) / 2;
        else if (format & dt::Bottom) y = rect.bottom - total;
    }
    const Point o = ToDevice(0, 0);
    const Rect deviceRect = rect.Normalized().Offset(o.x, o.y);
    const Rect* clip = (format & dt::NoClip) ? nullptr : &deviceRect;
    Paint bk = Paint{};
    bk.colour = target_->ToNative(s_.bkColour);
    for (const TextLine& line : lines) {
        int x = rect.left;
        if (format & dt::Center) x = rect.left + (rect.Width() - line.width) / 2;
        else if (format & dt::Right) x = rect.right - line.width;
        if (s_.bkMode == BkMode::Opaque && line.width > 0) {
            Rect cell = Rect{x, y, x + line.width, y + tm.height}.Offset(o.x, o.y);
            if (clip) cell = cell.Intersect(*clip);
            cell = cell.Intersect(EffectiveClip().Bounds());
            for (int yy = cell.top; yy < cell.bottom; ++yy) FillSpan(yy, cell.left, cell.right, bk);
        }
        DrawGlyphRun(x + o.x, y + tm.ascent + o.y, line.text, clip, line.underline);
        y += lineHeight;
    }
    return total;
}

} // namespace plat::gdi
