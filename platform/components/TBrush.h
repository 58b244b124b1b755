#pragma once
// A brush of a canvas: the colour and style that fills shapes.

#include "platform/components/Graphics.h"
#include "platform/components/TGraphicsObject.h"
#include "platform/gdi/Brush.h"

namespace plat::comp {

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
                         bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    const char* ClassName() const override { return "TBrush"; }

    TColor Color() const { return color_; }
    void SetColor(TColor c) {
        // Choosing a colour, even the same one, makes a clear brush solid, as painting code
        // expects: "set the colour, fill" must fill.
        if (c == color_ && style_ != TBrushStyle::bsClear) return;
        color_ = c;
        if (style_ == TBrushStyle::bsClear) style_ = TBrushStyle::bsSolid;
        Changed();
    }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle s) {
        if (s == style_) return;
        style_ = s;
        Changed();
    }

    gdi::Brush ToGdi() const {
        const gdi::ColorRef rgb = ColorToRGB(color_);
        switch (style_) {
        case TBrushStyle::bsSolid: return gdi::Brush::Solid(rgb);
        case TBrushStyle::bsClear: return gdi::Brush::Null();
        default:
            return gdi::Brush::Hatched(
                static_cast<gdi::HatchStyle>(static_cast<int>(style_) - 2), rgb);
        }
    }

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

} // namespace plat::comp
