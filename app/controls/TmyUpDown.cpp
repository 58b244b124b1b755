#include "app/controls/TmyUpDown.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;
namespace win = plat::win;

namespace {

constexpr int kBarHeight = 3;

// v + val * step without overflow: the result stops at the ends of the 64-bit range.
std::int64_t AddSteps(std::int64_t v, std::int64_t val, std::int64_t step) {
    std::int64_t product = 0;
    std::int64_t sum = 0;
    const bool negative = (val < 0) != (step < 0);
    if (__builtin_mul_overflow(val, step, &product) || __builtin_add_overflow(v, product, &sum))
        return negative ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
    return sum;
}

} // namespace

TmyUpDown::TmyUpDown(TComponent* owner) : TWinControl(owner) {
    SetDoubleBuffered(true);
    auto make = [this] {
        auto* b = new TstSpeedButton(this);
        b->SetParent(this);
        return b;
    };
    up_ = make();
    down_ = make();
    bar_ = make();
    up_->OnAutoRepeat = [this](TObject* s) { FNotification(s); };
    down_->OnAutoRepeat = [this](TObject* s) { FNotification(s); };
    bar_->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
        MidButtonMouseMove(shift, x, y);
    };
    bar_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { MidButtonMouseUp(); };
    bar_->SetCursor(win::IDC_SIZENS);
    // The writers push the initial look into the three buttons.
    SetColor(color_);
    SetDisColor(colorDisabled_);
    SetFontDisColor(fontColorDisabled_);
    SetFontColor(fontColor_);
    SetShadOff(shadowOffset_);
    SetBevelWidth(bevelWidth_);
    SetSpeed(speed_);
    up_->SetKind(TSTButtonKind::stbkUpArrow);
    up_->SetKindPercent(100);
    down_->SetKind(TSTButtonKind::stbkDownArrow);
    down_->SetKindPercent(100);
}

// The buttons are children and owned components: the control frees them.
TmyUpDown::~TmyUpDown() = default;

void TmyUpDown::WndProc(TMessage& m) {
    TWinControl::WndProc(m);
    if (m.Msg == win::WM_MOUSEWHEEL) {
        // One step per message, whatever its delta; a delta short of a notch counts as down.
        const int notches = static_cast<std::int16_t>(win::HiWord(m.WParam)) / win::WHEEL_DELTA;
        FNotification(notches > 0 ? up_ : down_);
    }
}

void TmyUpDown::Resize() {
    TWinControl::Resize();
    WMSize();
}

void TmyUpDown::WMSize() {
    // Two equal halves; the bar takes what is left, so an even height leaves no row uncovered.
    const int h = (Height() - kBarHeight) / 2;
    up_->SetBounds(0, 0, Width(), h);
    bar_->SetBounds(0, h, Width(), Height() - 2 * h);
    down_->SetBounds(0, Height() - h, Width(), h);
}

void TmyUpDown::FNotification(TObject* sender) {
    if (sender == up_) SetControlDir(+1);
    else if (sender == down_) SetControlDir(-1);
}

std::int64_t TmyUpDown::GetStep(std::int64_t v) const {
    if (autoStep_ == 0) return Step;
    const double a = std::fabs(static_cast<double>(v));
    if (a == 0.0) return 1;
    const int e = static_cast<int>(std::log10(a));
    std::int64_t step = 1;
    for (int i = 0; i < e - autoStep_; ++i) step *= 10;
    return step;
}

template <typename Field>
void TmyUpDown::StepField(Field& field, std::int64_t v, int val, std::int64_t undefValue) {
    const std::int64_t s = val > 0 ? GetStep(v) : GetStep(AddSteps(v, val, 1));
    // The field is 32 bits; a step beyond it (values of 10^11 and more) is kept at its largest.
    Step = static_cast<int>(std::min<std::int64_t>(s, std::numeric_limits<int>::max()));
    std::int64_t n = AddSteps(v, val, s);
    // A step of 0 (Step written as 0) leaves nothing to round to.
    if (RoundStep && s != 0) n = n / s * s;
    if (field.DisplayUndefValueText() &&
        !((field.Min() <= n && n <= field.Max()) || n == undefValue))
        return;
    if constexpr (std::is_same_v<Field, TmyIntEdit>)
        field.SetValue(static_cast<std::int32_t>(static_cast<std::uint32_t>(n)));
    else
        field.SetValue(n);
}

void TmyUpDown::SetControlDir(int val) {
    if (OnDirection) OnDirection(this, val);
    if (frequencyEdit_)
        StepField(*frequencyEdit_, frequencyEdit_->Value(), val, frequencyEdit_->UndefValue());
    if (intEdit_) StepField(*intEdit_, intEdit_->Value(), val, intEdit_->UndefValue());
}

void TmyUpDown::MidButtonMouseMove(TShiftState shift, int, int y) {
    if (lastY_ == kNoPosition || !(shift & ss::Left)) {
        lastY_ = y;
        return;
    }
    if (!dragging_) {
        dragging_ = true;
        if (OnMiddleStart) OnMiddleStart(this);
    }
    const int d = lastY_ - y;
    lastY_ = y;
    SetControlDir(d);
    // At a screen edge the pointer goes round to the other; that jump itself does not step.
    win::Point p{};
    win::GetCursorPos(&p);
    const int bottom = win::GetSystemMetrics(win::SM_CYSCREEN) - 1;
    if (d > 0 && p.y == 0) {
        win::SetCursorPos(p.x, bottom);
        lastY_ = kNoPosition;
    } else if (d < 0 && p.y == bottom) {
        win::SetCursorPos(p.x, 0);
        lastY_ = kNoPosition;
    }
}

void TmyUpDown::MidButtonMouseUp() {
    dragging_ = false;
    if (OnMiddleEnd) OnMiddleEnd(this);
}

void TmyUpDown::SetFrequencyEdit(TmyFrequencyEdit* e) {
    frequencyEdit_ = e;
    if (!e) return;
    e->SetUpDownControl(this);
    SetBounds(e->Left() + e->Width(), e->Top(), e->Height() / 2, e->Height());
}

void TmyUpDown::SetIntEdit(TmyIntEdit* e) {
    intEdit_ = e;
    if (!e) return;
    e->SetUpDownControl(this);
    SetBounds(e->Left() + e->Width(), e->Top(), e->Height() / 2, e->Height());
}

void TmyUpDown::SetEnabled(bool enabled) {
    for (TstSpeedButton* b : {up_, down_, bar_}) b->SetEnabled(enabled);
    TWinControl::SetEnabled(enabled);
}

void TmyUpDown::SetColor(TColor v) {
    color_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) {
        b->SetColor(v);
        b->SetColorDown(v);
    }
}

void TmyUpDown::SetDisColor(TColor v) {
    colorDisabled_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) b->SetColorDisabled(v);
}

void TmyUpDown::SetFontDisColor(TColor v) {
    fontColorDisabled_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) b->SetFontColorDisabled(v);
}

void TmyUpDown::SetFontColor(TColor v) {
    fontColor_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) {
        b->Font().SetColor(v);
        b->SetFontColorDown(v);
    }
}

void TmyUpDown::SetShadOff(int v) {
    shadowOffset_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) b->SetShadowOffset(v);
}

void TmyUpDown::SetBevelWidth(int v) {
    bevelWidth_ = v;
    for (TstSpeedButton* b : {up_, down_, bar_}) b->SetBevelWidth(v);
}

void TmyUpDown::SetSpeed(int ms) {
    speed_ = ms;
    up_->SetSpeed(ms);
    down_->SetSpeed(ms);
}

void TmyUpDown::SetDelay(int ms) {
    delay_ = ms;
    up_->SetDelay(ms);
    down_->SetDelay(ms);
}

void TmyUpDown::SetAutoStep(int n) { autoStep_ = std::max(1, n); }

} // namespace lxq
