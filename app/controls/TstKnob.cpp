#include "app/controls/TstKnob.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/controls/KnobRendering.h"
#include "platform/win/PaintApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::uintptr_t kDownTimer = 1;
constexpr std::uintptr_t kUpTimer = 2;
constexpr double kPi = std::numbers::pi;

// The shade of a ring point: lighter (+1) or darker (-1) by |u|, u following cos(t + 3 pi / 4)
// so that light falls from the upper left.
TColor Shade(TColor base, int offset, int sign, int u) {
    return GetColorShadow(base, offset, sign * offset, std::abs(u));
}

int LightU(double t, int offset, double divisor) {
    return static_cast<int>(std::lround(std::cos(t + 3 * kPi / 4) * offset / divisor));
}

} // namespace

TstKnob::TstKnob(TComponent* owner)
    : TCustomControl(owner), knobImage_(std::make_unique<TBitmap>()),
      composite_(std::make_unique<TBitmap>()), dimpleImage_(std::make_unique<TBitmap>()),
      timers_([this](std::uintptr_t id) { TimerTick(id); }) {
    SetControlStyle(ControlStyle() | cs::Opaque);
    SetBounds(0, 0, 100, 100);
    SetSolidBrush(Canvas(), clBtnFace);
    AdjustBmp();
    AdjustSmallKnob();
}

TstKnob::~TstKnob() = default;

// --- rendering ---

void TstKnob::AdjustBmp() {
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    const int S = std::min(cw, ch);
    knobLeft_ = cw / 2 - S / 2;
    knobTop_ = ch / 2 - S / 2;
    composite_->SetSize(cw, ch);
    knobImage_->SetSize(S, S);
    if (S <= 0) return;
    TBitmap big(2 * S, 2 * S);
    TCanvas& bc = big.Canvas();
    SetSolidBrush(bc, Color());
    bc.FillRect({0, 0, 2 * S, 2 * S});
    const double c = (2 * S - 1) / 2;

    if (tickBevelPercent_ > 0) {
        const double rT = c * tickBevelPercent_ / 100;
        const int rings = std::min(tickBevelWidth_, static_cast<int>(rT));
        for (int i = 0; i < rings; ++i) {
            DrawShadedRing(big, c, c, rT - i, kPi / (4 * rT), [&](double t) {
                const int u = LightU(t, tickShadowOffset_, i + 1);
                return Shade(Color(), tickShadowOffset_, u < 0 ? 1 : -1, u);
            });
        }
    }
    if (tickNumber_ > 0) {
        bc.Pen().SetStyle(plat::gdi::PenStyle::Solid);
        bc.Pen().SetWidth(2);
        bc.Pen().SetColor(GetColorShadow(Color(), tickShadowOffset_, 1, 1));
        const double r1 = c * tickStartPercent_ / 100;
        const double r2 = c * tickStopPercent_ / 100;
        for (int k = 0; k < tickNumber_; ++k) {
            const double t = 2 * kPi * k / tickNumber_;
            bc.MoveTo(static_cast<int>(std::lround(std::cos(t) * r1 + c)),
                      static_cast<int>(std::lround(std::sin(t) * r1 + c)));
            bc.LineTo(static_cast<int>(std::lround(std::cos(t) * r2 + c)),
                      static_cast<int>(std::lround(std::sin(t) * r2 + c)));
        }
    }
    if (knobPercent_ > 0) {
        const int m = static_cast<int>(c - c * knobPercent_ / 100);
        bc.Pen().SetStyle(plat::gdi::PenStyle::Null);
        SetSolidBrush(bc, knobColor_);
        bc.Ellipse(m, m, 2 * S - m, 2 * S - m);
        bc.Pen().SetStyle(plat::gdi::PenStyle::Solid);
        const double rK = c * knobPercent_ / 100;
        const int n = std::min(knobBevelWidth_, static_cast<int>(rK));
        for (int i = 0; i < n; ++i) {
            DrawShadedRing(big, c, c, rK - i, kPi / (4 * S - 2 * i), [&](double t) {
                const int u = LightU(t, knobShadowOffset_, RingFalloff(i, n));
                return Shade(knobColor_, knobShadowOffset_, u < 0 ? -1 : 1, u);
            });
        }
    }
    ReduceHalf(big, *knobImage_);
    PrepareSmallKnob();
}

void TstKnob::AdjustSmallKnob() {
    dimpleSize_ = std::min(ClientWidth() * smallKnobPercent_ / 100,
                           ClientHeight() * smallKnobPercent_ / 100);
    PrepareSmallKnob();
    SetSmallKnobPos();
}

void TstKnob::PrepareSmallKnob() {
    const int s = dimpleSize_;
    if (s <= 0) {
        dimpleImage_->SetSize(0, 0);
        return;
    }
    TBitmap big(2 * s, 2 * s);
    TCanvas& bc = big.Canvas();
    SetSolidBrush(bc, knobColor_);
    bc.FillRect({0, 0, 2 * s, 2 * s});
    bc.Pen().SetStyle(plat::gdi::PenStyle::Null);
    SetSolidBrush(bc, smallKnobColor_);
    bc.Ellipse(0, 0, 2 * s, 2 * s);
    bc.Pen().SetStyle(plat::gdi::PenStyle::Solid);
    const double e = (2 * s - 1) / 2;
    const int n = std::min(smallKnobBevelWidth_, static_cast<int>(e));
    for (int i = 0; i < n; ++i) {
        DrawShadedRing(big, e, e, e - i, kPi / (5.0 * (2 * s - i)), [&](double t) {
            const int u = LightU(t, smallKnobShadowOffset_, RingFalloff(i, n));
            return Shade(smallKnobColor_, smallKnobShadowOffset_, u < 0 ? 1 : -1, u);
        });
    }
    ReduceHalf(big, *dimpleImage_);
}

void TstKnob::SetSmallKnobPos() {
    const int cx = ClientWidth() / 2;
    const int cy = ClientHeight() / 2;
    const int R = std::min(cx, cy);
    const int s = dimpleSize_;
    const double reach = (R - s / 2.0) * smallKnobStopPercent_ / 100;
    dimpleLeft_ = static_cast<int>(std::lround(std::cos(angle_) * reach)) + cx - s / 2;
    dimpleTop_ = static_cast<int>(std::lround(std::sin(angle_) * reach)) + cy - s / 2;
}

void TstKnob::Paint() {
    TCanvas& cc = composite_->Canvas();
    SetSolidBrush(cc, Color());
    cc.FillRect({0, 0, composite_->Width(), composite_->Height()});
    cc.Draw(knobLeft_, knobTop_, *knobImage_);
    if (!dimpleImage_->Empty()) {
        const auto transparent = dimpleImage_->Canvas().Handle()->GetPixel(0, dimpleImage_->Height() - 1);
        cc.Handle()->TransparentBlt(dimpleLeft_, dimpleTop_, dimpleSize_, dimpleSize_,
                                    dimpleImage_->DC(), 0, 0, dimpleSize_, dimpleSize_, transparent);
    }
    Canvas().Draw(0, 0, *composite_);
}

// --- turning ---

void TstKnob::SetAngle(double angle) {
    if (angle == angle_) return;
    InvalidateRect(DimpleRect());
    angle_ = angle;
    SetSmallKnobPos();
    InvalidateRect(DimpleRect());
}

void TstKnob::Step(bool direction, TShiftState shift, bool notify) {
    const double step = 2 * kPi / (stepCount_ != 0 ? stepCount_ : 1);
    SetAngle(angle_ + (direction ? step : -step));
    if (notify && OnUpDown) OnUpDown(this, direction, shift);
    Repaint();
    if (HandleAllocated()) plat::win::UpdateWindow(Handle());
}

// --- mouse and keys ---

void TstKnob::StartRepeat(std::uintptr_t id, bool& running, std::uintptr_t otherId,
                          bool& otherRunning) {
    if (running) return;
    timers_.Start(id, static_cast<std::uint32_t>(std::max(speed_, 1)));
    running = true;
    timers_.Stop(otherId);
    otherRunning = false;
    holdStart_ = TickCount();
}

void TstKnob::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    const int S = knobImage_->Width();
    const double dx = x - (knobLeft_ + S / 2);
    const double dy = y - (knobTop_ + S / 2);
    if (std::hypot(dx, dy) <= S / 2.0 * knobPercent_ / 100)
        cursor_ = dy > 0 ? KnobCursor::Down : KnobCursor::Up;
    else
        cursor_ = KnobCursor::Default;
    const bool left = shift & ss::Left;
    const bool right = shift & ss::Right;
    const bool down = (cursor_ == KnobCursor::Up && left) || (cursor_ == KnobCursor::Down && right);
    const bool up = (cursor_ == KnobCursor::Down && left) || (cursor_ == KnobCursor::Up && right);
    if (down) StartRepeat(kDownTimer, downTimerRunning_, kUpTimer, upTimerRunning_);
    else if (downTimerRunning_) {
        timers_.Stop(kDownTimer);
        downTimerRunning_ = false;
    }
    if (up) StartRepeat(kUpTimer, upTimerRunning_, kDownTimer, downTimerRunning_);
    else if (upTimerRunning_) {
        timers_.Stop(kUpTimer);
        upTimerRunning_ = false;
    }
}

void TstKnob::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const bool onBody = cursor_ != KnobCursor::Default;
    if (onBody) {
        pressShift_ = shift;
        held_ = true;
        if (button == TMouseButton::mbLeft) Step(cursor_ == KnobCursor::Down, shift, true);
        else if (button == TMouseButton::mbRight) Step(cursor_ == KnobCursor::Up, shift, true);
    }
    TCustomControl::MouseDown(button, shift, x, y);
    MouseMove(shift, x, y);
    if (cursor_ != KnobCursor::Default && MouseCapture()) SetCaptureControl(nullptr);
}

void TstKnob::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    held_ = false;
    TCustomControl::MouseUp(button, shift, x, y);
    MouseMove(shift, x, y);
}

void TstKnob::TimerTick(std::uintptr_t id) {
    if (TickCount() - holdStart_ < static_cast<std::uint32_t>(std::max(delay_, 0))) return;
    if (id == kUpTimer && upTimerRunning_) Step(true, pressShift_, true);
    else if (id == kDownTimer && downTimerRunning_) Step(false, pressShift_, true);
}

void TstKnob::WndProc(TMessage& m) {
    if (m.Msg == plat::win::WM_CHAR || m.Msg == plat::win::WM_KEYDOWN || m.Msg == plat::win::WM_KEYUP) {
        bool handled = false;
        if (OnKeyMessage) OnKeyMessage(this, m, handled);
        if (handled) return;
    }
    TCustomControl::WndProc(m);
    if (m.Msg == CM_COLORCHANGED) {
        AdjustBmp();
        Invalidate();
    }
}

void TstKnob::Resize() {
    TCustomControl::Resize();
    AdjustBmp();
    AdjustSmallKnob();
    Invalidate();
}

// --- look ---

void TstKnob::SetLook(int& field, int v, bool knob, bool dimple) {
    if (v == field) return;
    field = v;
    if (knob) AdjustBmp();
    else if (dimple) PrepareSmallKnob();
    Invalidate();
}

void TstKnob::SetKnobPercent(int v) { SetLook(knobPercent_, std::clamp(v, 0, 100), true, true); }
void TstKnob::SetKnobBevelWidth(int v) { SetLook(knobBevelWidth_, std::max(v, 0), true, false); }
void TstKnob::SetKnobShadowOffset(int v) { SetLook(knobShadowOffset_, std::clamp(v, 0, 360), true, false); }
void TstKnob::SetTickNumber(int v) { SetLook(tickNumber_, std::max(v, 0), true, false); }
void TstKnob::SetTickBevelPercent(int v) { SetLook(tickBevelPercent_, std::clamp(v, 0, 100), true, false); }
void TstKnob::SetTickBevelWidth(int v) { SetLook(tickBevelWidth_, std::max(v, 0), true, false); }
void TstKnob::SetTickShadowOffset(int v) { SetLook(tickShadowOffset_, std::max(v, 0), true, false); }
void TstKnob::SetTickStartPercent(int v) { SetLook(tickStartPercent_, std::clamp(v, 0, 100), true, false); }
void TstKnob::SetTickStopPercent(int v) { SetLook(tickStopPercent_, std::clamp(v, 0, 100), true, false); }
void TstKnob::SetSmallKnobBevelWidth(int v) { SetLook(smallKnobBevelWidth_, std::max(v, 0), false, true); }
void TstKnob::SetSmallKnobShadowOffset(int v) {
    SetLook(smallKnobShadowOffset_, std::clamp(v, 0, 360), false, true);
}

void TstKnob::SetKnobColor(TColor v) {
    if (v == knobColor_) return;
    knobColor_ = v;
    SetSolidBrush(Canvas(), v);
    AdjustBmp();
    Invalidate();
}

void TstKnob::SetSmallKnobColor(TColor v) {
    if (v == smallKnobColor_) return;
    smallKnobColor_ = v;
    PrepareSmallKnob();
    Invalidate();
}

void TstKnob::SetSmallKnobPercent(int v) {
    v = std::clamp(v, 0, 100);
    if (v == smallKnobPercent_) return;
    smallKnobPercent_ = v;
    AdjustSmallKnob();
    Invalidate();
}

void TstKnob::SetSmallKnobStopPercent(int v) {
    v = std::clamp(v, 0, 100);
    if (v == smallKnobStopPercent_) return;
    smallKnobStopPercent_ = v;
    SetSmallKnobPos();
    Invalidate();
}

} // namespace lxq
