#pragma once
#include <cmath>
#include <numbers>

namespace lxq {

template <typename Shade>
void DrawShadedRing(plat::comp::TBitmap& image, double cx, double cy, double rho, double d,
                    Shade shade) {
    if (!(d > 0)) return;
    auto* dc = image.Canvas().Handle();
    for (double t = 0; t < 2 * std::numbers::pi; t += d) {
        const int x = static_cast<int>(std::lround(std::cos(t) * rho + cx));
        const int y = static_cast<int>(std::lround(std::sin(t) * rho + cy));
        dc->SetPixel(x, y, shade(t));
    }
}

} // namespace lxq
