#include "app/controls/ColorShadow.h"

#include <algorithm>
#include <cmath>

namespace lxq {
namespace {

// One channel from the two lightness bounds and a hue wrapped into 0..360.
int HueValue(int m1, int m2, int h) {
    if (h < 0) h += 360;
    if (h > 360) h -= 360;
    if (h < 60) return m1 + ((m2 - m1) * h + 30) / 60;
    if (h < 180) return m2;
    if (h < 240) return m1 + ((m2 - m1) * (240 - h) + 30) / 60;
    return m1;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

} // namespace

Hls RgbToHls(int r, int g, int b) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const int sum = mx + mn;
    Hls out;
    out.l = (sum * 360 + 255) / 510;
    if (mx == mn) {
        out.s = 0;
        out.h = 240;
        return out;
    }
    const int dlt = mx - mn;
    out.s = out.l <= 180 ? (dlt * 360 + sum / 2) / sum
                         : (dlt * 360 + (510 - sum) / 2) / (510 - sum);
    const int half = dlt / 2;
    const int rd = ((mx - r) * 60 + half) / dlt;
    const int gd = ((mx - g) * 60 + half) / dlt;
    const int bd = ((mx - b) * 60 + half) / dlt;
    int h = r == mx ? bd - gd : g == mx ? 120 + rd - bd : 240 + gd - rd;
    if (h < 0) h += 360;
    if (h > 360) h -= 360;
    out.h = h;
    return out;
}

Rgb HlsToRgb(int h, int l, int s) {
    if (s == 0) {
        const int v = l * 255 / 360;
        return {v, v, v};
    }
    const int m2 = l <= 180 ? (l * (s + 360) + 180) / 360 : l + s - (l * s + 180) / 360;
    const int m1 = 2 * l - m2;
    auto channel = [&](int hue) { return (HueValue(m1, m2, hue) * 255 + 180) / 360; };
    return {channel(h + 120), channel(h), channel(h - 120)};
}

TColor GetColorShadow(TColor color, int offset, int steps, int k) {
    const plat::gdi::ColorRef rgb = plat::comp::ColorToRGB(color);
    Hls hls = RgbToHls(plat::gdi::RedOf(rgb), plat::gdi::GreenOf(rgb), plat::gdi::BlueOf(rgb));
    if (steps > 0) {
        if (hls.l + offset > 360) offset = 360 - hls.l;
        hls.l += Round(static_cast<double>(offset) / steps * k);
    } else if (steps < 0) {
        if (hls.l - offset < 0) offset = hls.l;
        hls.l += Round(static_cast<double>(k) * offset / steps);
    }
    const Rgb out = HlsToRgb(hls.h, hls.l, hls.s);
    return plat::gdi::Rgb(static_cast<std::uint8_t>(std::clamp(out.r, 0, 255)),
                          static_cast<std::uint8_t>(std::clamp(out.g, 0, 255)),
                          static_cast<std::uint8_t>(std::clamp(out.b, 0, 255)));
}

void DrawNC(plat::gdi::DC& dc, int w, int h, const plat::comp::TRect& client, TColor color,
            int offset) {
    const int bl = client.left;
    const int bt = client.top;
    const int br = w - client.right;
    const int bb = h - client.bottom;
    auto line = [&](TColor c, int x0, int y0, int x1, int y1) {
        dc.SelectPen({plat::gdi::PenStyle::Solid, 1, c});
        dc.MoveTo(x0, y0);
        dc.LineTo(x1, y1);
    };
    for (int i = 0; i < bl; ++i) line(GetColorShadow(color, offset, -bl, i + 1), i, i, i, h - i - 1);
    for (int i = 0; i < bt; ++i) line(GetColorShadow(color, offset, -bt, i + 1), i, i, w - i - 1, i);
    for (int i = 0; i < br; ++i)
        line(GetColorShadow(color, offset, br, i + 1), w - i - 1, i, w - i - 1, h - i);
    for (int i = 0; i < bb; ++i)
        line(GetColorShadow(color, offset, bb, i + 1), i, h - i - 1, w - i - 1, h - i - 1);
}

} // namespace lxq
