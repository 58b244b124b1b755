#include "app/controls/KnobRendering.h"

#include <cmath>
#include <cstring>

namespace lxq {

double RingFalloff(int i, int n) {
    if (n <= 1) return 1.0;
    return i * std::pow(static_cast<double>(i) / (n - 1), 4) + 1.0;
}

void ReduceHalf(const plat::comp::TBitmap& source, plat::comp::TBitmap& target) {
    const int w = source.Width() / 2;
    const int h = source.Height() / 2;
    target.SetSize(w, h);
    const auto& src = source.Surface();
    auto& dst = target.Surface();
    for (int y = 0; y < h; ++y) {
        const auto* r0 = reinterpret_cast<const std::uint8_t*>(src.Row(2 * y));
        const auto* r1 = reinterpret_cast<const std::uint8_t*>(src.Row(2 * y + 1));
        auto* out = reinterpret_cast<std::uint8_t*>(dst.Row(y));
        for (int x = 0; x < w; ++x) {
            for (int ch = 0; ch < 4; ++ch) {
                const int a = 8 * x + ch;
                out[4 * x + ch] = static_cast<std::uint8_t>((r0[a] + r0[a + 4] + r1[a] + r1[a + 4]) / 4);
            }
        }
    }
}

} // namespace lxq
