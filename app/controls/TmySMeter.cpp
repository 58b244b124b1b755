#include "app/controls/TmySMeter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/controls/FloatText.h"
#include "app/controls/SMeterScale.h"
#include "platform/components/Messages.h"
#include "platform/components/TGraphicControl.h"
#include "platform/win/Messages.h"

namespace lxq {

using namespace plat::comp;
namespace win = plat::win;
namespace gdi = plat::gdi;

namespace {

constexpr TColor kRed = 0x0000FF;
// The S9+10 dB level, where the outer S-unit marks turn red (not shifted below 30 MHz).
constexpr double kRedMarksFrom = -62.0;

// Sum of the colour bytes of a 32-bit pixel.
int PixelSum(const std::uint8_t* p) { return p[0] + p[1] + p[2]; }

} // namespace

// The visible surface: it covers the whole meter and shows the composed buffer.
class TmySMeter::PaintBox : public TGraphicControl {
public:
    explicit PaintBox(TmySMeter* meter) : TGraphicControl(meter), meter_(meter) {}
    const char* ClassName() const override { return "TPaintBox"; }

protected:
    void Paint() override {
        meter_->ComposeFrame();
        Canvas().Draw(0, 0, *meter_->buffer_);
    }

private:
    TmySMeter* meter_;
};

TmySMeter::TmySMeter(TComponent* owner)
    : TWinControl(owner), scale_(std::make_unique<TBitmap>(1, 1)),
      buffer_(std::make_unique<TBitmap>(1, 1)) {
    paintBox_ = new PaintBox(this);
    paintBox_->SetParent(this);
    Font().SetColor(0x00FFFF);
    savedFontColor_ = 0x00FFFF;
    bigFont_.SetColor(0x00FFFF);
    bigFont_.SetHeight(-20);
    buffer_->Canvas().Font().Assign(bigFont_);
    buffer_->Canvas().Pen().SetColor(Font().Color());
    scale_->Canvas().Brush().SetColor(color_);
    buffer_->Canvas().Brush().SetColor(color_);
}

TmySMeter::~TmySMeter() { BeginDestroy(); }

void TmySMeter::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    if (!paintBox_) return;
    paintBox_->SetBounds(0, 0, Width(), Height());
    scale_->SetSize(std::max(1, Width()), std::max(1, Height()));
    buffer_->SetSize(std::max(1, Width()), std::max(1, Height()));
    DrawBackground();
}

void TmySMeter::Repaint() {
    Invalidate();
    if (paintBox_) paintBox_->Invalidate();
}

void TmySMeter::SetDisableColor(TColor v) {
    disableColor_ = v;
    if (!Enabled()) DrawBackground();
}

void TmySMeter::SetDefeatColor(TColor v) {
    defeatColor_ = v;
    if (defeat_) DrawBackground();
}

void TmySMeter::SetColor(TColor v) {
    color_ = v;
    scale_->Canvas().Brush().SetColor(v);
    buffer_->Canvas().Brush().SetColor(v);
    DrawBackground();
}

void TmySMeter::SetSquelchColor(TColor v) {
    if (v == squelchColor_) return;
    squelchColor_ = v;
    DrawBackground();
}

void TmySMeter::SetNeedleColor(TColor v) {
    if (v == needleColor_) return;
    needleColor_ = v;
    Repaint();
}

void TmySMeter::SetSecNeedleColor(TColor v) {
    secNeedleColor_ = v;
    Repaint();
}

void TmySMeter::SetShowSecNeedle(bool v) {
    if (v == showSecNeedle_) return;
    showSecNeedle_ = v;
    Repaint();
}

void TmySMeter::SetFont(const TFont& v) {
    Font().Assign(v);
    buffer_->Canvas().Pen().SetColor(v.Color());
    DrawBackground();
}

void TmySMeter::SetBigFont(const TFont& v) {
    bigFont_.Assign(v);
    buffer_->Canvas().Font().SetHeight(v.Height());
    Repaint();
}

void TmySMeter::SetNumBigTicks(int v) {
    if (v == numBigTicks_) return;
    numBigTicks_ = v;
    DrawBackground();
}

void TmySMeter::SetSmallTicksPerBig(int v) {
    smallTicksPerBig_ = v;
    DrawBackground();
}

void TmySMeter::SetMax(double v) {
    max_ = v;
    DrawBackground();
}

void TmySMeter::SetMin(double v) {
    min_ = v;
    DrawBackground();
}

void TmySMeter::SetPosition(double v) {
    if (std::isnan(v)) v = min_; // no level: the needle rests
    position_ = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    Repaint();
}

void TmySMeter::SetSecPosition(double v) {
    if (std::isnan(v)) v = min_;
    secPosition_ = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    Repaint();
}

void TmySMeter::SetSquelch(double v) {
    const double clamped = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    if (clamped == squelch_) return;
    squelch_ = clamped;
    DrawBackground();
}

void TmySMeter::SetCurvePercent(int v) {
    curvePercent_ = v;
    DrawBackground();
}

void TmySMeter::SetSwitch(bool& field, bool v) {
    if (field == v) return;
    field = v;
    DrawBackground();
}

void TmySMeter::WndProc(TMessage& m) {
    if (m.Msg == win::WM_ERASEBKGND) {
        m.Result = 1; // the paint box covers everything
        return;
    }
    TWinControl::WndProc(m);
    if (m.Msg != CM_ENABLEDCHANGED) return;
    if (Enabled()) {
        Font().SetColor(savedFontColor_);
    } else {
        savedFontColor_ = Font().Color();
    }
    DrawBackground();
    if (OnEnableChanged) OnEnableChanged(this);
}

void TmySMeter::GetPixel(double fraction, double radius, int& x, int& y) const {
    const double w = scale_->Width();
    const double h = scale_->Height();
    double cp = curvePercent_;
    if (showUV_ || showSUnits_) cp *= 0.8;
    const double a = 0.8 * std::numbers::pi - fraction * 0.6 * std::numbers::pi;
    x = static_cast<int>(w * radius * 5.0 / 11.0 * std::cos(a) + scale_->Width() / 2);
    y = static_cast<int>(h - radius * (cp * h / 100.0) * std::sin(a));
}

void TmySMeter::Tick(double f, double len) {
    TColor colour = Font().Color();
    if (f < Fraction(squelch_)) colour = defeat_ ? defeatColor_ : squelchColor_;
    if (len < 0 && showSUnits_ && f >= Fraction(kRedMarksFrom)) colour = kRed;
    if (!Enabled()) colour = disableColor_;
    TCanvas& c = scale_->Canvas();
    c.Pen().SetColor(colour);
    int x = 0;
    int y = 0;
    GetPixel(f, 1 - len, x, y);
    c.MoveTo(x, y);
    GetPixel(f, 1, x, y);
    c.LineTo(x, y);
}

void TmySMeter::DrawArcAndTicks() {
    TCanvas& c = scale_->Canvas();
    const double squelchFraction = Fraction(squelch_);
    const TColor below = defeat_ ? defeatColor_ : squelchColor_;
    int x = 0;
    int y = 0;
    GetPixel(0, 1, x, y);
    c.MoveTo(x, y);
    for (int i = 0; i <= 100; ++i) {
        const double t = i * 0.01;
        TColor colour = t >= squelchFraction ? Font().Color() : below;
        if (!Enabled()) colour = disableColor_;
        c.Pen().SetColor(colour);
        GetPixel(t, 1, x, y);
        c.LineTo(x, y);
    }
    // Fewer than two big ticks would leave no interval to divide.
    const double s = 1.0 / (std::max(numBigTicks_, 2) - 1);
    for (int i = 0; i * s < 1.0; ++i) {
        const double t = i * s;
        Tick(t, 0.14);
        for (int k = 1; smallTicksPerBig_ > 0 && t + k * s / smallTicksPerBig_ < t + s; ++k) {
            Tick(t + k * s / smallTicksPerBig_, 0.07);
        }
    }
    Tick(1, 0.14);
    if (showSUnits_) {
        for (int i = 0; i < kSUnitCount; ++i) {
            const double level = SUnitLevel(i, under30MHz_);
            if (level < min_ || level > max_) continue;
            Tick(Fraction(level), i % 2 == 0 ? -0.14 : -0.07);
        }
    } else if (showUV_) {
        for (int i = 0; i < kMicrovoltMarkCount; ++i) {
            const double level = MicrovoltDbm(MicrovoltMark(i), showPP_);
            if (level < min_ || level > max_) continue;
            Tick(Fraction(level), -0.07);
        }
    }
}

void TmySMeter::ReduceByHalf(int width, int height) {
    // Each output pixel is the mean of its 2x2 block; its block lies at or after it in raster
    // order, so the reduction can run in place.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = scale_->ScanLine(y);
        const std::uint8_t* top = scale_->ScanLine(2 * y);
        const std::uint8_t* bottom = scale_->ScanLine(2 * y + 1);
        for (int x = 0; x < width; ++x) {
            for (int ch = 0; ch < 3; ++ch) {
                const int sum = top[8 * x + ch] + top[8 * x + 4 + ch] + bottom[8 * x + ch] +
                                bottom[8 * x + 4 + ch];
                out[4 * x + ch] = static_cast<std::uint8_t>(sum >> 2);
            }
        }
    }
    scale_->SetSize(width, height);
}

void TmySMeter::DrawLabels() {
    TCanvas& c = scale_->Canvas();
    const int w = scale_->Width();
    const std::vector<double> labels = ScaleLabelValues(min_, max_, numBigTicks_);
    int x = 0;
    int y = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(labels.size() - 1);
        GetPixel(t - w * 0.0002, 0.86 - 0.1 * t, x, y);
        c.TextOut(x, y, FormatFloat(labels[i], 0, 0));
    }
    const TColor red = Enabled() ? kRed : disableColor_;
    if (showSUnits_) {
        for (int i = 0; i < kSUnitCount; ++i) {
            if (i < 9 && i % 2 != 0) continue;
            const double level = SUnitLevel(i, under30MHz_);
            if (level < min_ || level > max_) continue;
            GetPixel(Fraction(level), 1.23, x, y);
            if (i < 9) {
                const std::string text = SUnitLabel(i);
                const gdi::Size size = c.TextExtent(text);
                c.TextOut(x - size.cx / 2, y - size.cy / 2, text);
                continue;
            }
            // The "+" marks are red on the scale colour, laid over the scale by OR.
            const std::string text = "+" + std::to_string(10 * i - 80);
            const gdi::Size size = c.TextExtent(text);
            TBitmap mark(std::max(1, size.cx), std::max(1, size.cy));
            mark.Canvas().Brush().SetColor(color_);
            mark.Canvas().FillRect({0, 0, mark.Width(), mark.Height()});
            mark.Canvas().Font().Assign(Font());
            mark.Canvas().Font().SetColor(red);
            mark.Canvas().TextOut(0, 0, text);
            c.SetCopyMode(gdi::rop3::SrcPaint);
            c.Draw(x - 2 - size.cx / 2, y - 2 - size.cy / 2, mark);
            c.SetCopyMode(gdi::rop3::SrcCopy);
        }
    } else if (showUV_) {
        for (int i = 0; i < kMicrovoltMarkCount; ++i) {
            const double level = MicrovoltDbm(MicrovoltMark(i), showPP_);
            if (level < min_ || level > max_) continue;
            GetPixel(Fraction(level), 1.25, x, y);
            const std::string text = FormatFloat(MicrovoltMark(i), 0, 5); // as "0.#####"
            const gdi::Size size = c.TextExtent(text);
            c.TextOut(x - size.cx / 2, y - size.cy / 2, text);
        }
    }
}

void TmySMeter::DrawBackground() {
    if (!scale_ || Width() <= 0 || Height() <= 0) return;
    ++scaleRenders_;
    const int w = Width();
    const int h = Height();
    TCanvas& c = scale_->Canvas();
    scale_->SetSize(2 * w, 2 * h);
    c.Brush().SetColor(color_);
    c.FillRect({0, 0, 2 * w, 2 * h});
    c.Pen().SetWidth(3);
    DrawArcAndTicks();
    c.Pen().SetWidth(1);
    ReduceByHalf(w, h);
    if (!Enabled()) Font().SetColor(disableColor_);
    DrawLabels();
    Repaint();
}

void TmySMeter::DrawNeedle(int x0, int y0, int x1, int y1, TColor colour) {
    const int ox = std::min(x0, x1) - 2;
    const int oy = std::min(y0, y1) - 2;
    const int w = 3 * std::abs(x0 - x1) + 6;
    const int h = 3 * std::abs(y0 - y1) + 6;
    TBitmap work(w, h);
    TCanvas& c = work.Canvas();
    c.Brush().SetColor(0);
    c.FillRect({0, 0, w, h});
    c.Pen().SetWidth(6);
    c.Pen().SetColor(0x0000FF);
    c.MoveTo(3 * x0 - 3 * ox - 2, 3 * y0 - 3 * oy - 2);
    c.LineTo(3 * x1 - 3 * ox - 2, 3 * y1 - 3 * oy - 2);
    gdi::DC& out = *buffer_->Canvas().Handle();
    const int r = static_cast<int>(colour & 0xFF);
    const int g = static_cast<int>((colour >> 8) & 0xFF);
    const int b = static_cast<int>((colour >> 16) & 0xFF);
    constexpr int kFull = 9 * 255;
    for (int y = 0; y < h - 1; y += 3) {
        for (int x = 0; x < w - 1; x += 3) {
            int coverage = 0;
            for (int dy = 0; dy < 3; ++dy) {
                const std::uint8_t* row = work.ScanLine(y + dy);
                for (int dx = 0; dx < 3; ++dx) coverage += PixelSum(row + 4 * (x + dx));
            }
            if (coverage == 0) continue;
            coverage = std::min(coverage, kFull);
            const TColor shade = static_cast<TColor>(r * coverage / kFull) |
                                 static_cast<TColor>(g * coverage / kFull) << 8 |
                                 static_cast<TColor>(b * coverage / kFull) << 16;
            out.SetPixel(ox + x / 3, oy + y / 3, shade);
        }
    }
}

void TmySMeter::DrawReadout() {
    TCanvas& c = buffer_->Canvas();
    c.Font().Assign(bigFont_);
    c.Brush().SetColor(color_);
    const std::string text = SMeterReadout(position_, showDbm_, showSUnits_, showUV_, showPP_);
    if (text.empty()) return;
    const int lineHeight = c.TextHeight("0123456789µVdbm");
    const int textWidth = c.TextWidth(text);
    const int x = Width() - textWidth - 2;
    const int y = Height() - lineHeight;
    if (!showDbm_ && !showSUnits_) {
        TRect r{x, y, Width(), Height()};
        c.DrawText(text, r, gdi::dt::Center | gdi::dt::SingleLine | gdi::dt::VCenter);
        return;
    }
    c.TextOut(x, y, text);
}

void TmySMeter::DrawStatusTexts() {
    TCanvas& c = buffer_->Canvas();
    c.Brush().SetStyle(TBrushStyle::bsClear);
    for (int i = 0; i < 7; ++i) {
        std::string text;
        OnDebugString(this, i, c.Font(), text);
        if (text.empty()) continue;
        const gdi::Size size = c.TextExtent(text);
        const int right = Width() - size.cx;
        const int bottom = Height() - size.cy;
        const int cx = (Width() - size.cx) / 2;
        const int cy = (Height() - size.cy) / 2;
        static constexpr int kLeft = 0, kRight = 1, kCentre = 2;
        static constexpr int kTop = 0, kBottom = 1, kMiddle = 2;
        static constexpr int kPlaces[7][2] = {{kLeft, kTop},      {kRight, kTop},
                                              {kLeft, kBottom},   {kRight, kBottom},
                                              {kCentre, kTop},    {kCentre, kMiddle},
                                              {kCentre, kBottom}};
        const int x = kPlaces[i][0] == kLeft ? 0 : kPlaces[i][0] == kRight ? right : cx;
        const int y = kPlaces[i][1] == kTop ? 0 : kPlaces[i][1] == kBottom ? bottom : cy;
        c.TextOut(x, y, text);
    }
    c.Brush().SetColor(color_);
}

void TmySMeter::ComposeFrame() {
    TCanvas& c = buffer_->Canvas();
    c.SetCopyMode(gdi::rop3::SrcCopy);
    c.Draw(0, 0, *scale_);
    if (Enabled()) {
        // The needles are drawn at the scale's size, which is the control's.
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        const double p = Fraction(position_);
        GetPixel(p, 0, x0, y0);
        GetPixel(p, 1.1, x1, y1);
        DrawNeedle(x0, y0, x1, y1, position_ >= squelch_ || defeat_ ? needleColor_ : squelchColor_);
        if (showSecNeedle_) {
            const double q = Fraction(secPosition_);
            GetPixel(q, 0, x0, y0);
            GetPixel(q, 1.1, x1, y1);
            DrawNeedle(x0, y0, x1, y1, secNeedleColor_);
        }
        DrawReadout();
    }
    if (OnDebugString) DrawStatusTexts();
}

} // namespace lxq
