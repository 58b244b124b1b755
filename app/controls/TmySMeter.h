#pragma once
// The analogue signal-strength meter: a curved dBm scale (optionally with S-unit or microvolt
// marks) whose colour changes at the squelch level, a needle for the level and an optional second
// one, a numeric read-out and up to seven status texts the owner supplies through OnDebugString.
// It knows nothing of the receiver: the owner sets Position, Squelch, Min/Max and the switches.
// The scale is rendered at twice the size and averaged down; the needle is supersampled 3x3.

#include <functional>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "platform/components/TBitmap.h"
#include "platform/components/TFont.h"
#include "platform/components/TWinControl.h"

namespace lxq {

using plat::comp::TColor;

// Raised for each status text index 0..6 (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right,
// 4 top-centre, 5 centre, 6 bottom-centre); the handler fills the text and may change the font.
using TSMeterDebugStringEvent = std::function<void(plat::comp::TObject* sender, int index,
                                                   plat::comp::TFont& font, std::string& text)>;

class TmySMeter : public plat::comp::TWinControl {
public:
    explicit TmySMeter(plat::comp::TComponent* owner);
    ~TmySMeter() override;
    const char* ClassName() const override { return "TmySMeter"; }

    TColor DisableColor() const { return disableColor_; }
    void SetDisableColor(TColor v);
    TColor DefeatColor() const { return defeatColor_; }
    void SetDefeatColor(TColor v);
    TColor Color() const { return color_; }
    void SetColor(TColor v);
    TColor SquelchColor() const { return squelchColor_; }
    void SetSquelchColor(TColor v);
    TColor NeedleColor() const { return needleColor_; }
    void SetNeedleColor(TColor v);
    TColor SecNeedleColor() const { return secNeedleColor_; }
    void SetSecNeedleColor(TColor v);
    bool ShowSecNeedle() const { return showSecNeedle_; }
    void SetShowSecNeedle(bool v);
    plat::comp::TFont& Font() { return scale_->Canvas().Font(); }
    void SetFont(const plat::comp::TFont& v);
    plat::comp::TFont& BigFont() { return bigFont_; }
    void SetBigFont(const plat::comp::TFont& v);
    int NumBigTicks() const { return numBigTicks_; }
    void SetNumBigTicks(int v);
    int SmallTicksPerBig() const { return smallTicksPerBig_; }
    void SetSmallTicksPerBig(int v);
    double Max() const { return max_; }
    void SetMax(double v);
    double Min() const { return min_; }
    void SetMin(double v);
    double Position() const { return position_; }
    void SetPosition(double v);
    double SecPosition() const { return secPosition_; }
    void SetSecPosition(double v);
    double Squelch() const { return squelch_; }
    void SetSquelch(double v);
    int CurvePercent() const { return curvePercent_; }
    void SetCurvePercent(int v);
    bool ShowDBM() const { return showDbm_; }
    void SetShowDBM(bool v) { SetSwitch(showDbm_, v); }
    bool ShowSUnits() const { return showSUnits_; }
    void SetShowSUnits(bool v) { SetSwitch(showSUnits_, v); }
    bool ShowUV() const { return showUV_; }
    void SetShowUV(bool v) { SetSwitch(showUV_, v); }
    bool ShowPP() const { return showPP_; }
    void SetShowPP(bool v) { SetSwitch(showPP_, v); }
    bool Under30MHz() const { return under30MHz_; }
    void SetUnder30MHz(bool v) { SetSwitch(under30MHz_, v); }
    bool Defeat() const { return defeat_; }
    void SetDefeat(bool v) { SetSwitch(defeat_, v); }

    plat::comp::TNotifyEvent OnEnableChanged;
    TSMeterDebugStringEvent OnDebugString;

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(plat::comp::TMessage& message) override;

    // Renders the scale into the scale bitmap and invalidates the control.
    void DrawBackground();
    // The point of the scale at a fraction of the range (0 = Min, 1 = Max) and a relative radius,
    // for the scale bitmap's current size.
    void GetPixel(double fraction, double radius, int& x, int& y) const;
    // Composes the scale, needles, read-out and status texts into the buffer.
    void ComposeFrame();
    // Anti-aliased needle into the buffer, blended toward black.
    void DrawNeedle(int x0, int y0, int x1, int y1, TColor colour);

    // How many times the scale was rendered (redraw against repaint).
    int ScaleRenders() const { return scaleRenders_; }
    const plat::comp::TBitmap& ScaleBitmap() const { return *scale_; }
    const plat::comp::TBitmap& Buffer() const { return *buffer_; }

private:
    class PaintBox;

    void Tick(double fraction, double length);
    void DrawArcAndTicks();
    void ReduceByHalf(int width, int height);
    void DrawLabels();
    void DrawReadout();
    void DrawStatusTexts();
    // Where a level lies on the scale, 0 at Min and 1 at Max; a level beyond either end stays at
    // that end, and a scale of no width (Min = Max) or a level that is no number puts it at 0.
    double Fraction(double dbm) const {
        const double f = (dbm - min_) / (max_ - min_);
        return std::isfinite(f) ? std::clamp(f, 0.0, 1.0) : 0.0;
    }
    void SetSwitch(bool& field, bool v);
    void Repaint();

    PaintBox* paintBox_ = nullptr;
    std::unique_ptr<plat::comp::TBitmap> scale_;
    std::unique_ptr<plat::comp::TBitmap> buffer_;
    plat::comp::TFont bigFont_;
    TColor disableColor_ = 0;
    TColor defeatColor_ = 0;
    TColor color_ = 0;
    TColor squelchColor_ = 0x0000FF;
    TColor needleColor_ = 0xFFFFFF;
    TColor secNeedleColor_ = 0x808080;
    TColor savedFontColor_ = 0x00FFFF;
    bool showSecNeedle_ = false;
    int numBigTicks_ = 6;
    int smallTicksPerBig_ = 5;
    double max_ = 1300.0;
    double min_ = 300.0;
    double position_ = 500.0;
    double secPosition_ = 0.0;
    double squelch_ = -50.0;
    int curvePercent_ = 90;
    bool showDbm_ = true;
    bool showSUnits_ = false;
    bool showUV_ = false;
    bool showPP_ = false;
    bool under30MHz_ = false;
    bool defeat_ = false;
    int scaleRenders_ = 0;
};

} // namespace lxq
