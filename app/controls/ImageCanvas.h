#pragma once
// The canvas of an image's bitmap: every drawing call tells the image afterwards, so that a burst
// of drawing ends in one screen update.

#include <functional>

#include "platform/components/TCanvas.h"

namespace lxq {

class ImageCanvas : public plat::comp::TCanvas {
public:
    ImageCanvas(plat::gdi::DC* dc, std::function<void()> changed)
        : TCanvas(dc), changed_(std::move(changed)) {}
    const char* ClassName() const override { return "ImageCanvas"; }

    template <typename... A> void LineTo(A... a) { TCanvas::LineTo(a...); Changed(); }
    template <typename... A> void Polyline(A&&... a) { TCanvas::Polyline(a...); Changed(); }
    template <typename... A> void Polygon(A&&... a) { TCanvas::Polygon(a...); Changed(); }
    template <typename... A> void Rectangle(A&&... a) { TCanvas::Rectangle(a...); Changed(); }
    template <typename... A> void RoundRect(A... a) { TCanvas::RoundRect(a...); Changed(); }
    template <typename... A> void Ellipse(A... a) { TCanvas::Ellipse(a...); Changed(); }
    void FillRect(const plat::comp::TRect& r) { TCanvas::FillRect(r); Changed(); }
    void FrameRect(const plat::comp::TRect& r) { TCanvas::FrameRect(r); Changed(); }
    template <typename... A> void FloodFill(A... a) { TCanvas::FloodFill(a...); Changed(); }
    void SetPixel(int x, int y, plat::comp::TColor c) { TCanvas::SetPixel(x, y, c); Changed(); }
    void TextOut(int x, int y, std::string_view t) { TCanvas::TextOut(x, y, t); Changed(); }
    template <typename... A> void TextRect(A&&... a) { TCanvas::TextRect(a...); Changed(); }
    int DrawText(std::string_view t, plat::comp::TRect& r, unsigned f) {
        const int h = TCanvas::DrawText(t, r, f);
        Changed();
        return h;
    }
    template <typename... A> void Draw(A&&... a) { TCanvas::Draw(a...); Changed(); }
    template <typename... A> void StretchDraw(A&&... a) { TCanvas::StretchDraw(a...); Changed(); }
    template <typename... A> void CopyRect(A&&... a) { TCanvas::CopyRect(a...); Changed(); }

private:
    void Changed() {
        if (changed_) changed_();
    }
    std::function<void()> changed_;
};

} // namespace lxq
