#pragma once
// The shading of the flat look: every frame, bevel and rim is drawn in lighter and darker shades
// of the colour it sits on. Shades are computed in an integer hue-lightness-saturation model
// (H, L and S on 0..360, R, G and B on 0..255) so that they keep the hue of the base colour.

#include "platform/components/Graphics.h"
#include "platform/components/Types.h"
#include "platform/gdi/DC.h"

namespace lxq {

using plat::comp::TColor;

struct Hls {
    int h = 0;
    int l = 0;
    int s = 0;
    friend bool operator==(const Hls&, const Hls&) = default;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An achromatic colour has S = 0 and H = 240.
Hls RgbToHls(int r, int g, int b);
Rgb HlsToRgb(int h, int l, int s);

// The colour with its lightness shifted by k/|steps| of offset: up for steps > 0, down for
// steps < 0, unchanged (but resolved to RGB and passed through the model) for steps = 0. The
// shift is capped so the lightness stays within 0..360. System colours are resolved first.
TColor GetColorShadow(TColor color, int offset, int steps, int k);

// The sunken shadow frame of edits: one-pixel rings in the border between the window rectangle
// (0, 0, width, height) and the client rectangle `client` (window coordinates), darker at the
// left and top, lighter at the right and bottom, the more the nearer the client area. `color` is
// the colour the control sits on.
void DrawNC(plat::gdi::DC& windowDc, int width, int height, const plat::comp::TRect& client,
            TColor color, int offset);

} // namespace lxq
