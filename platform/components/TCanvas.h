#pragma once
// A canvas: drawing with a pen, a brush and a font on a drawing context it does not own (a
// bitmap's, or the one a control is painted with). Every call selects the canvas's current pen,
// brush and font first, so changing them between calls simply works.

#include <span>
#include <string>
#include <string_view>

#include "platform/components/TBrush.h"
#include "platform/components/TFont.h"
#include "platform/components/TPen.h"
#include "platform/components/Types.h"
#include "platform/gdi/DC.h"

namespace plat::comp {

class TBitmap;

class TCanvas : public TObject {
public:
    explicit TCanvas(gdi::DC* dc = nullptr) : dc_(dc) {}
    const char* ClassName() const override { return "TCanvas"; }

    // The drawing context drawn on; null draws nothing.
    gdi::DC* Handle() const { return dc_; }
    void SetHandle(gdi::DC* dc) { dc_ = dc; }
    bool HandleAllocated() const { return dc_ != nullptr; }

    // Starts a paint from a known state: a black solid pen of width 1, a solid brush of the
    // given colour, the given font, copy mode. Nothing a previous paint left behind carries over.
    void Reset(const TFont& font, TColor brushColor);

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }
    TPoint PenPos() const;
    void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
    std::uint32_t CopyMode() const { return copyMode_; }
    void SetCopyMode(std::uint32_t rop) { copyMode_ = rop; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(std::span<const TPoint> points);
    void Polygon(std::span<const TPoint> points);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Ellipse(int x1, int y1, int x2, int y2);
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    void FloodFill(int x, int y, TColor color, gdi::FloodType type);
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    void TextOut(int x, int y, std::string_view text);
    // Text clipped to the rectangle, its background painted unless the brush is clear.
    void TextRect(const TRect& r, int x, int y, std::string_view text);
    // Text laid out in the rectangle with the drawing layer's dt:: flags; the height drawn.
    int DrawText(std::string_view text, TRect& r, unsigned format);
    gdi::Size TextExtent(std::string_view text);
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& r, const TBitmap& bitmap);
    // Copies a rectangle of another canvas with CopyMode.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);

private:
    void SelectPen();
    void SelectBrush();
    void SelectFont();

    gdi::DC* dc_;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    std::uint32_t copyMode_ = gdi::rop3::SrcCopy;
};

} // namespace plat::comp
