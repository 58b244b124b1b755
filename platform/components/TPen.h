#pragma once
// A pen of a canvas: colour, width, style and the raster operation lines are drawn with.

#include "platform/components/Graphics.h"
#include "platform/components/TGraphicsObject.h"
#include "platform/gdi/Pen.h"
#include "platform/gdi/RasterOp.h"

namespace plat::comp {

class TPen : public TGraphicsObject {
public:
    const char* ClassName() const override { return "TPen"; }

    TColor Color() const { return color_; }
    void SetColor(TColor c) { Set(color_, c); }
    int Width() const { return width_; }
    void SetWidth(int w) { Set(width_, w < 1 ? 1 : w); }
    gdi::PenStyle Style() const { return style_; }
    void SetStyle(gdi::PenStyle s) { Set(style_, s); }
    gdi::Rop2 Mode() const { return mode_; }
    void SetMode(gdi::Rop2 m) { Set(mode_, m); }

    gdi::Pen ToGdi() const { return {style_, width_, ColorToRGB(color_)}; }

private:
    template <typename T>
    void Set(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    TColor color_ = clBlack;
    int width_ = 1;
    gdi::PenStyle style_ = gdi::PenStyle::Solid;
    gdi::Rop2 mode_ = gdi::Rop2::CopyPen;
};

} // namespace plat::comp
