// Text output of the device context.
#include "platform/gdi/DC.h"

#include "platform/gdi/FontFace.h"
#include "platform/gdi/TextDecoding.h"
#include "platform/gdi/TextLayout.h"

#include <algorithm>

namespace plat::gdi {
namespace {

// Mixes a text colour into a pixel by coverage (0..255), rounding to nearest. 24- and 32-bit
// natives keep one channel per byte, so this works on them whatever the channel order; red and
// blue are mixed together in two 16-bit lanes of one word, green on its own.
std::uint32_t Blend(std::uint32_t dst, std::uint32_t ink, std::uint32_t coverage) {
    const std::uint32_t keep = 255u - coverage;
    std::uint32_t rb = (dst & 0xFF00FFu) * keep + (ink & 0xFF00FFu) * coverage + 0x800080u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    std::uint32_t g = (dst & 0x00FF00u) * keep + (ink & 0x00FF00u) * coverage + 0x008000u;
    g = ((g + ((g >> 8) & 0x00FF00u)) >> 8) & 0x00FF00u;
    return rb | g;
}

} // namespace

void DC::DrawGlyphRun(int x, int baseline, std::u32string_view text, const Rect* deviceClip,
                      int underlineIndex, std::span<const int> widths) {
    const FontFace& face = s_.font.Face();
    std::vector<const Glyph*>& glyphs = scratchGlyphs_;
    face.Glyphs(text, glyphs);
    const Region& clip = EffectiveClip();
    Rect bounds = clip.Bounds();
    if (deviceClip) bounds = bounds.Intersect(*deviceClip);
    if (bounds.IsEmpty()) return;
    const int bpp = target_->BitsPerPixel();
    const std::uint32_t ink = target_->ToNative(s_.textColour);
    // Coverage is blended where a pixel holds true colour; fewer bits take whole pixels.
    const auto plot = [&](int px, int py, std::uint32_t c) {
        if (bpp >= 24) {
            target_->SetNative(px, py, c == 255 ? ink : Blend(target_->GetNative(px, py), ink, c));
        } else if (c >= 128) {
            target_->SetNative(px, py, ink);
        }
    };
    // Calls paint(x0, x1) for the visible pieces of [x0, x1) on row py.
    const auto visibleRuns = [&](int py, int x0, int x1, auto&& paint) {
        if (py < bounds.top || py >= bounds.bottom) return;
        x0 = std::max(x0, bounds.left);
        x1 = std::min(x1, bounds.right);
        for (const Rect& r : clip.BandAt(py)) {
            const int a = std::max(x0, r.left);
            const int b = std::min(x1, r.right);
            if (a < b) paint(a, b);
        }
    };
    std::vector<int> positions(glyphs.size() + 1, x);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const int advance = i < widths.size() ? widths[i] : glyphs[i]->advance;
        positions[i + 1] = positions[i] + advance;
        const Glyph& g = *glyphs[i];
        const int gx = positions[i] + g.left;
        const int gy = baseline - g.top;
        for (int row = 0; row < g.height; ++row) {
            const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(row) * g.width;
            const int py = gy + row;
            visibleRuns(py, gx, gx + g.width, [&](int a, int b) {
                if (bpp == 32) {
                    auto* line = reinterpret_cast<std::uint32_t*>(target_->Row(py));
                    for (int px = a; px < b; ++px) {
                        const std::uint32_t c = cov[px - gx];
                        if (c == 255) line[px] = ink;
                        else if (c != 0) line[px] = Blend(line[px] & 0xFFFFFFu, ink, c);
                    }
                    return;
                }
                for (int px = a; px < b; ++px)
                    if (const std::uint32_t c = cov[px - gx]) plot(px, py, c);
            });
        }
    }
    // Underline, strike-out and the prefix mark are solid lines in the text colour.
    const auto rule = [&](int x0, int x1, int y) {
        for (int t = 0; t < face.LineThickness(); ++t)
            visibleRuns(y + t, x0, x1, [&](int a, int b) {
                for (int px = a; px < b; ++px) target_->SetNative(px, y + t, ink);
            });
    };
    const FontDesc& desc = s_.font.Desc();
    const int end = positions.back();
    if (desc.underline) rule(x, end, baseline + face.UnderlineOffset());
    if (desc.strikeOut) rule(x, end, baseline + face.StrikeOutOffset());
    if (underlineIndex >= 0 && static_cast<std::size_t>(underlineIndex) < glyphs.size() &&
        !desc.underline) {
        const auto i = static_cast<std::size_t>(underlineIndex);
        rule(positions[i], positions[i + 1], baseline + face.UnderlineOffset());
    }
}

void DC::TextOut(int x, int y, std::string_view text) { ExtTextOut(x, y, 0, nullptr, text); }

void DC::ExtTextOut(int x, int y, unsigned options, const Rect* rect, std::string_view text,
                    std::span<const int> widths) {
    if (!target_) return;
    const std::u32string decoded = DecodeText(text);
    const FontFace& face = s_.font.Face();
    const TextMetrics& tm = face.Metrics();
    int width = 0;
    if (widths.empty()) {
        width = face.Width(decoded);
    } else {
        std::vector<const Glyph*> glyphs;
        face.Glyphs(decoded, glyphs);
        for (std::size_t i = 0; i < glyphs.size(); ++i)
            width += i < widths.size() ? widths[i] : glyphs[i]->advance;
    }
    if (s_.textAlign & ta::UpdateCp) {
        x = s_.position.x;
        y = s_.position.y;
    }
    int left = x;
    switch (s_.textAlign & 6u) {
    case ta::Right: left = SatAdd(x, -width); break;
    case ta::Center: left = SatAdd(x, -(width / 2)); break;
    default: break;
    }
    int top = y;
    switch (s_.textAlign & 24u) {
    case ta::Baseline: top = SatAdd(y, -tm.ascent); break;
    case ta::Bottom: top = SatAdd(y, -tm.height); break;
    default: break;
    }
    if (s_.textAlign & ta::UpdateCp) {
        if ((s_.textAlign & 6u) == ta::Left) s_.position.x = SatAdd(x, width);
        else if ((s_.textAlign & 6u) == ta::Right) s_.position.x = SatAdd(x, -width);
    }
    std::optional<Rect> deviceRect;
    if (rect) deviceRect = ToDevice(*rect);
    if ((options & eto::Opaque) && deviceRect) {
        Paint bk = Paint{};
        bk.colour = target_->ToNative(s_.bkColour);
        const Rect r = deviceRect->Intersect(EffectiveClip().Bounds());
        for (int yy = r.top; yy < r.bottom; ++yy) FillSpan(yy, r.left, r.right, bk);
    } else if (s_.bkMode == BkMode::Opaque && width > 0) {
        Paint bk = Paint{};
        bk.colour = target_->ToNative(s_.bkColour);
        Rect cell = ToDevice(left, top, width, tm.height);
        if ((options & eto::Clipped) && deviceRect) cell = cell.Intersect(*deviceRect);
        cell = cell.Intersect(EffectiveClip().Bounds());
        for (int yy = cell.top; yy < cell.bottom; ++yy) FillSpan(yy, cell.left, cell.right, bk);
    }
    const Rect* clip = (options & eto::Clipped) && deviceRect ? &*deviceRect : nullptr;
    const Point pen = ToDevice(left, SatAdd(top, tm.ascent));
    DrawGlyphRun(pen.x, pen.y, decoded, clip, -1, widths);
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
        rect.right = SatAdd(rect.left, widest);
        rect.bottom = SatAdd(rect.top, total);
        return total;
    }
    if (!target_) return total;
    int y = rect.top;
    if (format & dt::SingleLine) {
        if (format & dt::VCenter) y = SatAdd(rect.top, SatAdd(rect.Height(), -total) / 2);
        else if (format & dt::Bottom) y = SatAdd(rect.bottom, -total);
    }
    const Rect deviceRect = ToDevice(rect);
    const Rect* clip = (format & dt::NoClip) ? nullptr : &deviceRect;
    Paint bk = Paint{};
    bk.colour = target_->ToNative(s_.bkColour);
    for (const TextLine& line : lines) {
        int x = rect.left;
        if (format & dt::Center) x = SatAdd(rect.left, SatAdd(rect.Width(), -line.width) / 2);
        else if (format & dt::Right) x = SatAdd(rect.right, -line.width);
        if (s_.bkMode == BkMode::Opaque && line.width > 0) {
            Rect cell = ToDevice(x, y, line.width, tm.height);
            if (clip) cell = cell.Intersect(*clip);
            cell = cell.Intersect(EffectiveClip().Bounds());
            for (int yy = cell.top; yy < cell.bottom; ++yy) FillSpan(yy, cell.left, cell.right, bk);
        }
        const Point pen = ToDevice(x, SatAdd(y, tm.ascent));
        DrawGlyphRun(pen.x, pen.y, line.text, clip, line.underline);
        y = SatAdd(y, lineHeight);
    }
    return total;
}

} // namespace plat::gdi
