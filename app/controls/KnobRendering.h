#pragma once
// The point-by-point rendering of the knob: shaded rings drawn at double size and reduced by
// averaging 2 x 2 blocks, which smooths the rings without anti-aliased drawing.

#include "app/controls/ColorShadow.h"
#include "platform/components/TBitmap.h"

namespace lxq {

// Lightness shift per ring: f(i) = i * (i / (n - 1))^4 + 1 for n rings, steep towards the inner
// rings. A single ring is the outermost one and gets the outermost ring's factor, 1.
double RingFalloff(int i, int n);

// Sets the points (round(cos t * rho) + cx, round(sin t * rho) + cy) for t from 0 in steps of d
// below 2 pi, each in `base` shifted by the lightness the shade function gives for t.
template <typename Shade>
void DrawShadedRing(plat::comp::TBitmap& image, double cx, double cy, double rho, double d,
                    Shade shade);

// A bitmap of half the size, each pixel the truncated mean of a 2 x 2 block per channel.
void ReduceHalf(const plat::comp::TBitmap& source, plat::comp::TBitmap& target);

} // namespace lxq

#include "app/controls/KnobRendering.inl"
