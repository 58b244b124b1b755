#include "app/controls/BevelRings.h"

#include <array>

namespace lxq {

using namespace plat::comp;

void DrawBevelRings(TCanvas& c, const TRect& box, int n, const std::function<TColor(int)>& light,
                    const std::function<TColor(int)>& dark) {
    const int L = box.left, T = box.top, R = box.right, B = box.bottom;
    c.Pen().SetWidth(1);
    for (int i = 0; i < n; ++i) {
        const std::array<TPoint, 3> topLeft{{{L + i, B - i - 1}, {L + i, T + i}, {R - i, T + i}}};
        const std::array<TPoint, 3> bottomRight{
            {{L + i + 1, B - i - 1}, {R - i - 1, B - i - 1}, {R - i - 1, T + i}}};
        c.Pen().SetColor(light(i));
        c.Polyline(topLeft);
        c.Pen().SetColor(dark(i));
        c.Polyline(bottomRight);
    }
}

} // namespace lxq
