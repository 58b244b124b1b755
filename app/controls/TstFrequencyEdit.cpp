#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/controls/FloatText.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TCustomForm.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::array<const char*, 5> kUnitTexts{" Hz ", " kHz", " MHz", " GHz", "    "};
constexpr std::array<double, 5> kUnitScale{1.0, 1e3, 1e6, 1e9, 1.0};

std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// Product that stops at the largest value instead of wrapping.
std::uint64_t MulSat(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a)
        return std::numeric_limits<std::uint64_t>::max();
    return a * b;
}

// Decimals {required, optional} of the edit text per resolution, for kHz; MHz and GHz add 3 and
// 6 required decimals in front.
struct Decimals {
    int min;
    int max;
};
Decimals EditDecimals(TFixedPoint fp, int unit) {
    const int shift = (unit - 1) * 3;
    switch (fp) {
    case TFixedPoint::fp1Hz: return {3 + shift, 3 + shift};
    case TFixedPoint::fp10Hz: return {2 + shift, 3 + shift};
    case TFixedPoint::fp100Hz: return {1 + shift, 3 + shift};
    case TFixedPoint::fp1kHz: return {shift, 3 + shift};
    case TFixedPoint::fpNone: break;
    }
    return {-1, -1};
}
// The display cuts the resolution: fixed decimals only.
int DisplayDecimals(TFixedPoint fp, int unit) {
    const int shift = (unit - 1) * 3;
    switch (fp) {
    case TFixedPoint::fp1Hz: return 3 + shift;
    case TFixedPoint::fp10Hz: return 2 + shift;
    case TFixedPoint::fp100Hz: return 1 + shift;
    case TFixedPoint::fp1kHz: return shift;
    case TFixedPoint::fpNone: break;
    }
    return -1;
}

} // namespace

TstFrequencyEdit::TstFrequencyEdit(TComponent* owner) : TstAlignEdit(owner) {
    SetControlStyle(ControlStyle() & ~cs::SetCaption);
    SetMaxLength(12);
    TstAlignEdit::SetText("0");
    AdjustEditRect();
}

void TstFrequencyEdit::CreateParams(TCreateParams& p) {
    TstAlignEdit::CreateParams(p);
    p.style |= ES_MULTILINE;
}

std::uint8_t TstFrequencyEdit::UnitFor(std::int64_t v) const {
    if (displayUndefValueText_ && v == undefValue_) return 4;
    const std::uint64_t m = Magnitude(v);
    const auto limit = static_cast<std::uint64_t>(hzLimit_);
    const bool automatic = showUnit_ == TFrequencyUnit::fuUndef;
    if (showUnit_ == TFrequencyUnit::fuHz || (automatic && m < limit)) return 0;
    if (showUnit_ == TFrequencyUnit::fukHz || (automatic && m < MulSat(limit, 1'000))) return 1;
    if (showUnit_ == TFrequencyUnit::fuMHz || (automatic && m < MulSat(limit, 1'000'000))) return 2;
    return 3;
}

void TstFrequencyEdit::SetText() {
    unit_ = UnitFor(value_);
    std::string text;
    if (unit_ == 4) text = undefValueText_;
    else if (unit_ == 0) text = std::to_string(value_);
    else {
        const double v = static_cast<double>(value_) / kUnitScale[unit_];
        const Decimals d = EditDecimals(fixedPoint_, unit_);
        text = d.max < 0 ? FloatToStr(v) : FormatFloat(v, d.min, d.max);
    }
    TstAlignEdit::SetText(text);
    Invalidate();
    SetSelStart(static_cast<int>(Text().size()));
}

std::string TstFrequencyEdit::DisplayText() const {
    const std::uint8_t unit = UnitFor(value_);
    if (unit == 4) return undefValueText_;
    if (unit == 0) {
        std::int64_t step = 1;
        if (fixedPoint_ == TFixedPoint::fp10Hz) step = 10;
        else if (fixedPoint_ == TFixedPoint::fp100Hz) step = 100;
        else if (fixedPoint_ == TFixedPoint::fp1kHz) step = 1000;
        return std::to_string(value_ / step * step);
    }
    const double v = static_cast<double>(value_) / kUnitScale[unit];
    const int d = DisplayDecimals(fixedPoint_, unit);
    return d < 0 ? FloatToStr(v) : FormatFloat(v, d, d);
}

std::int64_t TstFrequencyEdit::GetValue() const {
    const auto number = StrToFloat(Text());
    if (!number) return value_;
    const double hz = std::round(*number * kUnitScale[unit_]);
    // A number beyond the 64-bit range is no frequency: it changes nothing.
    if (!(hz >= -9.2e18 && hz <= 9.2e18)) return value_;
    return static_cast<std::int64_t>(hz);
}

void TstFrequencyEdit::SetValue(std::int64_t v) {
    if ((max_ != 0 || min_ != 0) && !(v == undefValue_ && displayUndefValueText_)) {
        if (v > max_) v = max_;
        if (v < min_) v = min_;
    }
    const std::int64_t previous = value_;
    value_ = v;
    SetText();
    if (v != previous && OnValueChange) OnValueChange(this);
    if (Focused() && exitControl_) exitControl_->SetFocus();
}

void TstFrequencyEdit::SetUnit(std::uint8_t unit) {
    if (unit == unit_) return;
    unit_ = unit;
    Invalidate();
}

void TstFrequencyEdit::CheckUnits() {
    if ((max_ != 0 || min_ != 0) && GetValue() > max_ && unit_ > 0 && unit_ < 4)
        SetUnit(static_cast<std::uint8_t>(unit_ - 1));
}

void TstFrequencyEdit::Change() {
    TstAlignEdit::Change();
    CheckUnits();
}

void TstFrequencyEdit::KeyPress(char& key) {
    if (!ReadOnly()) {
        const char sep = DecimalSeparator();
        if (key == ',' || key == '.') key = sep;
        switch (key) {
        case 'G': case 'g': SetUnit(3); break;
        case 'H': case 'h': SetUnit(0); break;
        case 'K': case 'k': SetUnit(1); break;
        case 'M': case 'm': SetUnit(2); break;
        default: break;
        }
        const bool digit = key >= '0' && key <= '9';
        constexpr char kCtrlA = 1; // selects the whole text, as in any edit
        if (!(key == 8 || key == kCtrlA || key == '-' || digit || key == sep)) key = 0;
        // A typed key replaces the selection: only a sign or separator left outside it refuses
        // another.
        const std::string& text = Text();
        const auto from = static_cast<std::size_t>(std::clamp(SelStart(), 0, static_cast<int>(text.size())));
        const std::size_t to = std::min(text.size(), from + static_cast<std::size_t>(std::max(SelLength(), 0)));
        const auto outside = [&](char c) {
            return text.substr(0, from).find(c) != std::string::npos || text.find(c, to) != std::string::npos;
        };
        if (key == '-' && outside('-')) key = 0;
        if (key == sep && key != 0 && outside(sep)) key = 0;
    }
    TstAlignEdit::KeyPress(key);
}

void TstFrequencyEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
    if (!ReadOnly()) {
        if (key == vk::Return) UpdateValue();
        else if (key == vk::Escape) SetValue(value_);
    }
    TstAlignEdit::KeyDown(key, shift);
}

void TstFrequencyEdit::DoEnter() {
    // Selects the whole text with AutoSelect, else puts the caret at the end.
    TstAlignEdit::DoEnter();
    UpdateEditRect();
}

void TstFrequencyEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const bool entering = !Focused();
    TstAlignEdit::MouseDown(button, shift, x, y);
    // The click that brings the focus selects the whole frequency, so that what is typed
    // replaces it; a click in the box that has the focus places the caret.
    if (entering && button == TMouseButton::mbLeft && AutoSelect() && Focused()) SelectAll();
}

void TstFrequencyEdit::DoExit() {
    if (!ReadOnly()) {
        if (updateOnExit_) UpdateValue();
        else SetValue(value_);
    }
    TstAlignEdit::DoExit();
    UpdateEditRect();
}

void TstFrequencyEdit::Resize() {
    TstAlignEdit::Resize();
    AdjustEditRect();
}

void TstFrequencyEdit::WndProc(TMessage& m) {
    TstAlignEdit::WndProc(m);
    if (m.Msg == CM_FONTCHANGED || m.Msg == CM_CTL3DCHANGED) AdjustEditRect();
}

void TstFrequencyEdit::AdjustEditRect() {
    int widest = 0;
    for (const char* t : kUnitTexts) widest = std::max(widest, Font().TextExtent(t).cx);
    textHeight_ = Font().TextExtent(kUnitTexts[0]).cy;
    if (BorderStyle() != TBorderStyle::bsSingle) {
        borderWidth_ = borderHeight_ = 0;
    } else if (Ctl3D()) {
        borderWidth_ = plat::win::GetSystemMetrics(plat::win::SM_CXBORDER);
        borderHeight_ = plat::win::GetSystemMetrics(plat::win::SM_CYBORDER);
    } else {
        borderWidth_ = plat::win::GetSystemMetrics(plat::win::SM_CXEDGE);
        borderHeight_ = plat::win::GetSystemMetrics(plat::win::SM_CYEDGE);
    }
    digitsRight_ = ClientWidth() - widest - borderWidth_;
    UpdateEditRect();
}

void TstFrequencyEdit::UpdateEditRect() {
    // Out of sight while not editing: the display text is painted by the field itself.
    const TRect r = Focused() ? TRect{0, 0, digitsRight_, textHeight_}
                              : TRect{-digitsRight_, 0, 0, textHeight_};
    SetEditRect(r.Offset(0, borderHeight_));
}

void TstFrequencyEdit::RepaintUnlessFocused() {
    if (!Focused()) Invalidate();
}

void TstFrequencyEdit::Paint() {
    TCanvas& c = Canvas();
    const TColor fontColor = Enabled() ? Font().Color() : clGrayText;
    const int top = borderHeight_;
    if (Focused()) {
        // The edit draws its text, selection and caret in the digits column.
        TstAlignEdit::Paint();
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Font().Assign(Font());
        c.Font().SetColor(fontColor);
    } else {
        SetSolidBrush(c, Color());
        c.FillRect(ClientRect());
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Font().Assign(Font());
        c.Font().SetColor(fontColor);
        std::string large = DisplayText();
        std::string small;
        int smallLeft = digitsRight_;
        const auto fp = static_cast<int>(fixedPoint_);
        const auto sfp = static_cast<int>(smallFixedPoint_);
        if (fixedPoint_ != TFixedPoint::fpNone && sfp > static_cast<int>(TFixedPoint::fp1Hz) &&
            fp < sfp && unit_ != 4) {
            const auto n = static_cast<std::size_t>(sfp - fp);
            if (large.size() < n + 1) {
                small = large;
                large.clear();
            } else {
                small = large.substr(large.size() - n);
                large.resize(large.size() - n);
            }
            c.TextExtent("0"); // selects the large font for its metrics
            const int largeDescent = c.Handle() ? c.Handle()->GetTextMetrics().descent : 0;
            c.Font().SetSize(Font().Size() * smallFontSizePercent_ / 100);
            c.Font().SetColor(Enabled() ? smallColor_ : clGrayText);
            const plat::gdi::Size extent = c.TextExtent(small);
            const int smallDescent = c.Handle() ? c.Handle()->GetTextMetrics().descent : 0;
            smallLeft = digitsRight_ - extent.cx;
            c.TextOut(smallLeft, top + textHeight_ - extent.cy - (largeDescent - smallDescent), small);
            c.Font().Assign(Font());
            c.Font().SetColor(fontColor);
        }
        c.TextOut(smallLeft - c.TextWidth(large), top, large);
    }
    TRect unitRect{digitsRight_, top, ClientWidth(), top + textHeight_};
    c.DrawText(kUnitTexts[unit_], unitRect, plat::gdi::dt::SingleLine | plat::gdi::dt::Left);
}

// --- property writers ---

void TstFrequencyEdit::SetMax(std::int64_t v) {
    if (v == max_) return;
    max_ = v;
    SetValue(value_);
}

void TstFrequencyEdit::SetMin(std::int64_t v) {
    if (v == min_) return;
    min_ = v;
    SetValue(value_);
}

void TstFrequencyEdit::SetShowUnit(TFrequencyUnit v) {
    if (v == showUnit_) return;
    showUnit_ = v;
    SetText();
}

void TstFrequencyEdit::SetHzLimit(std::int64_t v) {
    if (v <= 0) v = 1;
    if (v == hzLimit_) return;
    hzLimit_ = v;
    SetText();
}

void TstFrequencyEdit::SetFixedPoint(TFixedPoint v) {
    if (v == fixedPoint_) return;
    fixedPoint_ = v;
    SetText();
}

void TstFrequencyEdit::SetSmallFixedPoint(TFixedPoint v) {
    if (v == smallFixedPoint_) return;
    smallFixedPoint_ = v;
    RepaintUnlessFocused();
}

void TstFrequencyEdit::SetSmallColor(TColor v) {
    if (v == smallColor_) return;
    smallColor_ = v;
    RepaintUnlessFocused();
}

void TstFrequencyEdit::SetSmallFontSizePercent(int v) {
    v = std::clamp(v, 0, 100);
    if (v == smallFontSizePercent_) return;
    smallFontSizePercent_ = v;
    RepaintUnlessFocused();
}

void TstFrequencyEdit::SetUndefValue(std::int64_t v) {
    if (v == undefValue_) return;
    undefValue_ = v;
    SetText();
}

void TstFrequencyEdit::SetDisplayUndefValueText(bool v) {
    if (v == displayUndefValueText_) return;
    displayUndefValueText_ = v;
    SetText();
}

void TstFrequencyEdit::SetUndefValueText(const std::string& v) {
    if (v == undefValueText_) return;
    undefValueText_ = v;
    if (value_ == undefValue_) SetText();
}

} // namespace lxq
