#include "platform/components/Frames.h"

#include <cctype>

namespace plat::comp {

void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width) {
    for (int i = 0; i < width && !rect.IsEmpty(); ++i) {
        const int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
        canvas.Pen().SetColor(topLeft);
        canvas.MoveTo(l, b);
        canvas.LineTo(l, t);
        canvas.LineTo(r, t);
        canvas.Pen().SetColor(bottomRight);
        canvas.LineTo(r, b);
        canvas.LineTo(l - 1, b);
        rect = rect.Inflate(-1, -1);
    }
}

void DrawButtonFace(TCanvas& canvas, TRect& rect, TColor face, bool pressed) {
    if (pressed) {
        Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
        Frame3D(canvas, rect, cl3DDkShadow, cl3DLight, 1);
    } else {
        Frame3D(canvas, rect, clBtnHighlight, cl3DDkShadow, 1);
        Frame3D(canvas, rect, cl3DLight, clBtnShadow, 1);
    }
    canvas.Brush().SetColor(face);
    canvas.FillRect(rect);
}

void DrawSunkenField(TCanvas& canvas, TRect& rect, TColor interior) {
    Frame3D(canvas, rect, clBtnShadow, clBtnHighlight, 1);
    Frame3D(canvas, rect, cl3DDkShadow, cl3DLight, 1);
    canvas.Brush().SetColor(interior);
    canvas.FillRect(rect);
}

void DrawFocusRect(TCanvas& canvas, const TRect& rect) {
    if (!canvas.Handle()) return;
    // Inverting dots: drawing the mark twice removes it again.
    gdi::DC& dc = *canvas.Handle();
    const int saved = dc.SaveDC();
    dc.SetRop2(gdi::Rop2::XorPen);
    dc.SelectPen({gdi::PenStyle::Alternate, 1, 0xFFFFFF});
    dc.SelectBrush(gdi::Brush::Null());
    dc.Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    dc.RestoreDC(saved);
}

bool IsAccel(char c, std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i; // "&&" is a plain ampersand
            continue;
        }
        const auto lower = [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); };
        return lower(caption[i + 1]) == lower(c);
    }
    return false;
}

std::string StripAccelerator(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return out;
}

} // namespace plat::comp
