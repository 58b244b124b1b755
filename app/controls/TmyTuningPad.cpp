#include "app/controls/TmyTuningPad.h"

#include "platform/win/InputApi.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/controls/FloatText.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kHeldColour = 0x0000FF;
constexpr TColor kHoverColour = 0x008000;
constexpr int kKeyTagBase = 100;

// The key table is one for the whole program; the main window rewrites it at start-up.
std::array<int, TmyTuningPad::kKeyCount> g_keySteps{-10000, -6250, -5000, -1000, -100, -10, -1,
                                                    1,      10,    100,   1000,  5000, 6250, 10000};

bool Labelled(int i) { return i == 4 || i == 7 || i == 12; }

} // namespace

void TmyTuningPad::SetStep(int index, int value) {
    if (static_cast<unsigned>(index) < static_cast<unsigned>(kKeyCount))
        g_keySteps[static_cast<std::size_t>(index)] = value;
}

int TmyTuningPad::KeyStep(int index) {
    return static_cast<unsigned>(index) < static_cast<unsigned>(kKeyCount)
               ? g_keySteps[static_cast<std::size_t>(index)]
               : 0;
}

TmyTuningPad::TmyTuningPad(TComponent* owner) : TWinControl(owner) {
    auto wire = [this](TmyImage* image) {
        image->SetParent(this);
        image->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            FOnMouseDown(s, b, sh, x, y);
        };
        image->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            FOnMouseUp(s, b, sh, x, y);
        };
        image->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
            FOnMouseMove(s, sh, x, y);
        };
        image->OnLeaveOver = [this](TObject* s) { FLeaveTunNotify(s); };
    };
    scale_ = new TmyImage(this);
    scale_->SetParent(this);
    drag_ = new TmyImage(this);
    drag_->SetTag(1);
    wire(drag_);
    hint_ = new TmyImage(this);
    hint_->SetParent(this);
    for (int i = 0; i < kKeyCount; ++i) {
        keys_[static_cast<std::size_t>(i)] = new TmyImage(this);
        keys_[static_cast<std::size_t>(i)]->SetTag(kKeyTagBase + i);
        wire(keys_[static_cast<std::size_t>(i)]);
    }
    Font().SetColor(clYellow);
    fontHeight_ = std::abs(Font().Height());
    TWinControl::SetColor(0x404040);
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](TObject* s) { FOnTimer(s); });
    SetBounds(0, 0, 200, 100);
}

// --- layout and background ---

void TmyTuningPad::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    if (Width() != 0 && Height() != 0 && timer_) Layout();
}

void TmyTuningPad::Layout() {
    const int fh = fontHeight_;
    const int W = Width();
    const int H = Height();
    const int scaleH = fh + 5;
    int s = W / kKeyCount;
    if (s < 3) s = 4;
    const int m = (W - kKeyCount * s) / 2;
    const int dragH = H - scaleH - s - fh - 2;
    const int hintH = fh + 2;
    scale_->SetBounds(0, 0, W, scaleH);
    drag_->SetBounds(0, scaleH, W, dragH);
    hint_->SetBounds(0, scaleH + dragH, W, hintH);
    for (int i = 0; i < kKeyCount; ++i)
        keys_[static_cast<std::size_t>(i)]->SetBounds(s * i + m + 2, scaleH + dragH + hintH + 3,
                                                      s - 4, s - 4);
    DrawBackground();
}

void TmyTuningPad::DrawBackground() {
    const int W = Width();
    auto fill = [](TmyImage& image, TColor colour) {
        SetSolidBrush(image.GetCanvas(), colour);
        image.GetCanvas().FillRect({0, 0, image.Width(), image.Height()});
    };
    fill(*scale_, Color());
    fill(*hint_, Color());
    fill(*drag_, padColor_);
    for (TmyImage* key : keys_) fill(*key, barsColor_);

    ImageCanvas& c = scale_->GetCanvas();
    c.Pen().SetColor(ticksColor_);
    c.Pen().SetWidth(1);
    c.Font().Assign(Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    halfRange_ = ((W / 2) / 15) * 15;
    const int r = halfRange_;
    const int bottom = scale_->Height();
    for (int i = 0; i < 15; ++i) {
        const int o = i * r / 14;
        const int len = (i == 0 || Labelled(i)) ? 5 : 2;
        for (int x : {W / 2 - o, W / 2 + o}) {
            c.MoveTo(x, bottom);
            c.LineTo(x, bottom - len);
        }
    }
    for (int i = 0; i < 15; ++i) {
        if (!Labelled(i)) continue;
        const int o = i * r / 14;
        std::string label = "+" + std::to_string(kRates[static_cast<std::size_t>(i)] / 1000);
        c.TextOut(W / 2 + o - c.TextWidth(label) / 2, 0, label);
        label[0] = '-';
        c.TextOut(W / 2 - o - c.TextWidth(label) / 2, 0, label);
    }
    const std::string zero = "0 kHz";
    c.TextOut(W / 2 - c.TextWidth(zero) / 2, 0, zero);
    Invalidate();
}

// --- steps ---

int TmyTuningPad::GetStep(int x) const {
    int d = x - Width() / 2;
    const bool negative = d < 0;
    d = std::abs(d);
    int step = 0;
    // A pad narrower than 30 pixels has no scale, and no rate but zero.
    if (d != 0 && halfRange_ > 0) {
        int k = (d * 14 + halfRange_ / 2) / halfRange_;
        if (k >= 15) k = 14;
        step = kRates[static_cast<std::size_t>(k)];
        if (negative) step = -step;
    }
    return reversed_ ? -step : step;
}

int TmyTuningPad::KeyStepFor(const TmyImage& key) const {
    const int step = KeyStep(static_cast<int>(key.Tag()) - kKeyTagBase);
    return reversed_ ? -step : step;
}

// --- drawing the feedback ---

void TmyTuningPad::DrawCur(TColor colour) {
    if (cursorX_ < 0) return;
    // On the screen only: the drag area's bitmap keeps the clean pad.
    TCanvas& c = const_cast<TBitmap&>(drag_->Shown()).Canvas();
    c.Pen().SetColor(colour);
    c.MoveTo(cursorX_, 0);
    c.LineTo(cursorX_, drag_->Height());
    drag_->Invalidate();
}

void TmyTuningPad::DrawHint(int anchor) {
    ImageCanvas& c = hint_->GetCanvas();
    SetSolidBrush(c, Color());
    c.FillRect({0, 0, hint_->Width(), hint_->Height()});
    std::string t = Freq2str(currentStep_);
    if (t.front() != '-') t = "+" + t;
    c.Font().Assign(Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    const int w = c.TextWidth(t);
    std::string plus = t;
    if (plus.front() == '-') plus.front() = '+';
    const int wPlus = c.TextWidth(plus);
    const int a = std::clamp(anchor, wPlus / 2, std::max(wPlus / 2, Width() - wPlus / 2));
    // The text ends where its '+' form would end, so the digits stay put when the sign flips.
    c.TextOut(a - wPlus / 2 + (wPlus - w), 0, t);
}

TmyTuningPad::~TmyTuningPad() { Release(); }

void TmyTuningPad::Confine(TmyImage& area) {
    const TPoint origin = area.ClientToScreen({0, 0});
    confined_ = {origin.x, origin.y, origin.x + area.Width(), origin.y + area.Height()};
    plat::win::ClipCursor(&confined_);
}

void TmyTuningPad::Release() {
    if (confined_.IsEmpty()) return;
    confined_ = {};
    plat::win::ClipCursor(nullptr);
}

// --- pointer ---

void TmyTuningPad::FOnMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x,
                                int y) {
    if (button == TMouseButton::mbLeft) reversed_ = false;
    else if (button == TMouseButton::mbRight) reversed_ = true;
    else return;
    held_ = true;
    auto* image = static_cast<TmyImage*>(sender);
    if (image == drag_) {
        DrawCur(padColor_);
        cursorX_ = x;
        DrawCur(kHeldColour);
        currentStep_ = GetStep(x);
    } else {
        currentStep_ = KeyStepFor(*image);
        SetSolidBrush(image->GetCanvas(), kHeldColour);
        image->GetCanvas().FillRect({0, 0, image->Width(), image->Height()});
    }
    timer_->SetInterval(static_cast<std::uint32_t>(std::max(delay_, 1)));
    timer_->SetEnabled(true);
    FOnTimer(this);
    Confine(*image);
    FOnMouseMove(sender, shift, x, y);
}

void TmyTuningPad::FOnMouseUp(TObject* sender, TMouseButton, TShiftState shift, int x, int y) {
    Release();
    held_ = false;
    timer_->SetEnabled(false);
    reversed_ = false;
    FOnMouseMove(sender, shift, x, y);
}

void TmyTuningPad::FOnMouseMove(TObject* sender, TShiftState, int x, int) {
    auto* image = static_cast<TmyImage*>(sender);
    if (image == drag_) {
        DrawCur(padColor_);
        cursorX_ = x;
        DrawCur(held_ ? kHeldColour : kHoverColour);
        currentStep_ = GetStep(x);
        DrawHint(x);
    } else {
        currentStep_ = KeyStepFor(*image);
        SetSolidBrush(image->GetCanvas(), held_ ? kHeldColour : kHoverColour);
        image->GetCanvas().FillRect({0, 0, image->Width(), image->Height()});
        DrawHint(image->Left() + image->Width() / 2);
    }
}

void TmyTuningPad::FLeaveTunNotify(TObject* sender) {
    auto* image = static_cast<TmyImage*>(sender);
    ImageCanvas& h = hint_->GetCanvas();
    SetSolidBrush(h, Color());
    h.FillRect({0, 0, hint_->Width(), hint_->Height()});
    if (image == drag_) {
        DrawCur(padColor_);
        cursorX_ = -1;
    } else {
        SetSolidBrush(image->GetCanvas(), barsColor_);
        image->GetCanvas().FillRect({0, 0, image->Width(), image->Height()});
    }
}

void TmyTuningPad::FOnTimer(TObject* sender) {
    if (OnStep) OnStep(this, currentStep_);
    // After the first repeat the pace changes from Delay to Interval.
    if (sender != this && timer_->Interval() != static_cast<std::uint32_t>(interval_))
        timer_->SetInterval(static_cast<std::uint32_t>(std::max(interval_, 1)));
}

// --- look ---

void TmyTuningPad::SetColor(TColor v) {
    TWinControl::SetColor(v);
    DrawBackground();
}

void TmyTuningPad::SetPadColor(TColor v) {
    if (v == padColor_) return;
    padColor_ = v;
    DrawBackground();
}

void TmyTuningPad::SetTicksColor(TColor v) {
    if (v == ticksColor_) return;
    ticksColor_ = v;
    DrawBackground();
}

void TmyTuningPad::SetBarsColor(TColor v) {
    if (v == barsColor_) return;
    barsColor_ = v;
    DrawBackground();
}

void TmyTuningPad::SetFont(const TFont& font) {
    Font().Assign(font);
    fontHeight_ = std::abs(Font().Height());
    DrawBackground();
}

} // namespace lxq
