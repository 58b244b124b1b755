#include "platform/components/TCanvas.h"

#include "platform/components/TBitmap.h"

namespace plat::comp {

void TCanvas::Reset(const TFont& font, TColor brushColor) {
    pen_.SetColor(clBlack);
    pen_.SetWidth(1);
    pen_.SetStyle(gdi::PenStyle::Solid);
    pen_.SetMode(gdi::Rop2::CopyPen);
    brush_.SetStyle(TBrushStyle::bsSolid);
    brush_.SetColor(brushColor);
    font_.Assign(font);
    copyMode_ = gdi::rop3::SrcCopy;
}

TPoint TCanvas::PenPos() const { return dc_ ? dc_->GetCurrentPosition() : TPoint{}; }

void TCanvas::SelectPen() {
    dc_->SelectPen(pen_.ToGdi());
    dc_->SetRop2(pen_.Mode());
}

void TCanvas::SelectBrush() {
    dc_->SelectBrush(brush_.ToGdi());
    // Hatches show the background between their lines unless the brush says otherwise.
    dc_->SetBkColor(ColorToRGB(brush_.Color()));
}

void TCanvas::SelectFont() {
    dc_->SelectFont(font_.ToGdi());
    dc_->SetTextColor(ColorToRGB(font_.Color()));
    dc_->SetBkColor(ColorToRGB(brush_.Color()));
    dc_->SetBkMode(brush_.Style() == TBrushStyle::bsClear ? gdi::BkMode::Transparent
                                                          : gdi::BkMode::Opaque);
}

void TCanvas::MoveTo(int x, int y) {
    if (dc_) dc_->MoveTo(x, y);
}

void TCanvas::LineTo(int x, int y) {
    if (!dc_) return;
    SelectPen();
    dc_->LineTo(x, y);
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (!dc_) return;
    SelectPen();
    dc_->Polyline(points);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    if (!dc_) return;
    SelectPen();
    SelectBrush();
    dc_->Polygon(points);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (!dc_) return;
    SelectPen();
    SelectBrush();
    dc_->Rectangle(x1, y1, x2, y2);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    if (!dc_) return;
    SelectPen();
    SelectBrush();
    dc_->RoundRect(x1, y1, x2, y2, x3, y3);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (!dc_) return;
    SelectPen();
    SelectBrush();
    dc_->Ellipse(x1, y1, x2, y2);
}

void TCanvas::FillRect(const TRect& r) {
    if (!dc_) return;
    SelectBrush();
    dc_->FillRect(r, brush_.ToGdi());
}

void TCanvas::FrameRect(const TRect& r) {
    if (!dc_) return;
    dc_->FrameRect(r, brush_.ToGdi());
}

void TCanvas::FloodFill(int x, int y, TColor color, gdi::FloodType type) {
    if (!dc_) return;
    SelectBrush();
    dc_->ExtFloodFill(x, y, ColorToRGB(color), type);
}

TColor TCanvas::Pixel(int x, int y) const { return dc_ ? dc_->GetPixel(x, y) : gdi::kInvalidColor; }

void TCanvas::SetPixel(int x, int y, TColor color) {
    if (dc_) dc_->SetPixel(x, y, ColorToRGB(color));
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    if (!dc_) return;
    SelectFont();
    dc_->TextOut(x, y, text);
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
    if (!dc_) return;
    SelectFont();
    const unsigned opaque = brush_.Style() == TBrushStyle::bsClear ? 0 : gdi::eto::Opaque;
    dc_->ExtTextOut(x, y, gdi::eto::Clipped | opaque, &r, text);
}

int TCanvas::DrawText(std::string_view text, TRect& r, unsigned format) {
    if (!dc_) return 0;
    SelectFont();
    return dc_->DrawText(text, r, format);
}

gdi::Size TCanvas::TextExtent(std::string_view text) {
    if (!dc_) return {};
    SelectFont();
    return dc_->GetTextExtent(text);
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (!dc_ || bitmap.Empty()) return;
    dc_->BitBlt(x, y, bitmap.Width(), bitmap.Height(), bitmap.DC(), 0, 0, copyMode_);
}

void TCanvas::StretchDraw(const TRect& r, const TBitmap& bitmap) {
    if (!dc_ || bitmap.Empty()) return;
    dc_->StretchBlt(r.left, r.top, r.Width(), r.Height(), bitmap.DC(), 0, 0, bitmap.Width(),
                    bitmap.Height(), copyMode_);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
    if (!dc_ || !source.dc_) return;
    dc_->StretchBlt(dest.left, dest.top, dest.Width(), dest.Height(), *source.dc_, sourceRect.left,
                    sourceRect.top, sourceRect.Width(), sourceRect.Height(), copyMode_);
}

} // namespace plat::comp
