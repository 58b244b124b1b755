#pragma once
// The bevel of panels and buttons: n one-pixel rings inside a rectangle, each with its top and
// left edges in one shade and its bottom and right edges in another.

#include <functional>

#include "platform/components/TCanvas.h"

namespace lxq {

// Ring i = 0 is the outermost; light(i) and dark(i) give its two shades.
void DrawBevelRings(plat::comp::TCanvas& canvas, const plat::comp::TRect& box, int n,
                    const std::function<plat::comp::TColor(int)>& light,
                    const std::function<plat::comp::TColor(int)>& dark);

} // namespace lxq
