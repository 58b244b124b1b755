#pragma once
// Choosing a fill colour: the brush becomes solid even when its colour is unchanged, so a fill
// after text drawn with a clear brush is never lost.

#include "platform/components/TCanvas.h"

namespace lxq {

inline void SetSolidBrush(plat::comp::TCanvas& canvas, plat::comp::TColor color) {
    canvas.Brush().SetStyle(plat::comp::TBrushStyle::bsSolid);
    canvas.Brush().SetColor(color);
}

} // namespace lxq
