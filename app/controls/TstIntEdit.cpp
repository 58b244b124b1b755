#include "app/controls/TstIntEdit.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace lxq {

using namespace plat::comp;

namespace {

// The whole text as a decimal 32-bit number (blanks around it allowed), else `fallback`.
int ParseDecimal(const std::string& text, int fallback) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return fallback;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    int v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc{} || end != last) return fallback;
    return v;
}

} // namespace

TstIntEdit::TstIntEdit(TComponent* owner) : TstAlignEdit(owner) {
    SetControlStyle(ControlStyle() & ~cs::SetCaption);
    SetMaxLength(9);
    TstAlignEdit::SetText("0");
}

std::string TstIntEdit::TextOf(int v) const {
    if (displayUndefValueText_ && v == undefValue_) return undefValueText_;
    if (!hexadecimal_) return std::to_string(v);
    // A negative value shows as its eight-digit two's complement.
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(v));
    return buf;
}

void TstIntEdit::SetValue(int v) {
    if ((max_ != 0 || min_ != 0) && !(v == undefValue_ && displayUndefValueText_)) {
        if (v > max_) v = max_;
        if (v < min_) v = min_;
    }
    TstAlignEdit::SetText(TextOf(v));
    SetSelStart(static_cast<int>(Text().size()));
    if (v != value_) {
        bool allow = true;
        if (OnValueChanging) OnValueChanging(this, v, allow);
        // Refused: the old value stays while the field shows the refused number.
        if (!allow) return;
        value_ = v;
        if (OnValueChange) OnValueChange(this);
    }
    if (Focused() && exitControl_) exitControl_->SetFocus();
}

void TstIntEdit::Commit() {
    if (!hexadecimal_) {
        SetValue(ParseDecimal(Text(), value_));
        return;
    }
    // The translator writes straight into Value; SetValue then clamps and formats it.
    if (OnTranslate) OnTranslate(this, Text(), value_);
    SetValue(value_);
}

void TstIntEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
    if (!ReadOnly()) {
        if (key == vk::Return) Commit();
        else if (key == vk::Escape) SetValue(value_);
    }
    TstAlignEdit::KeyDown(key, shift);
}

void TstIntEdit::KeyPress(char& key) {
    const bool digit = key >= '0' && key <= '9';
    const bool hexLetter = hexadecimal_ && key >= 'a' && key <= 'f';
    if (!(key == 8 || key == '-' || digit || hexLetter)) key = 0;
    if (key == '-') {
        // The key replaces the selection: only a minus left outside it refuses another.
        const std::string& text = Text();
        const auto from = static_cast<std::size_t>(std::clamp(SelStart(), 0, static_cast<int>(text.size())));
        const std::size_t to = std::min(text.size(), from + static_cast<std::size_t>(std::max(SelLength(), 0)));
        if (text.substr(0, from).find('-') != std::string::npos || text.find('-', to) != std::string::npos) key = 0;
    }
    TstAlignEdit::KeyPress(key);
}

void TstIntEdit::DoExit() {
    WMKillFocus();
    TstAlignEdit::DoExit();
}

void TstIntEdit::WMKillFocus() {
    if (ReadOnly()) return;
    if (updateOnExit_) Commit();
    else SetValue(value_);
}

void TstIntEdit::SetMax(int v) {
    if (v == max_) return;
    max_ = v;
    SetValue(value_);
}

void TstIntEdit::SetMin(int v) {
    if (v == min_) return;
    min_ = v;
    SetValue(value_);
}

void TstIntEdit::SetUndefValue(int v) {
    if (v == undefValue_) return;
    undefValue_ = v;
    SetValue(value_);
}

void TstIntEdit::SetDisplayUndefValueText(bool v) {
    if (v == displayUndefValueText_) return;
    displayUndefValueText_ = v;
    SetValue(value_);
}

void TstIntEdit::SetUndefValueText(const std::string& v) {
    if (v == undefValueText_) return;
    undefValueText_ = v;
    if (value_ == undefValue_) SetValue(value_);
}

void TstIntEdit::SetHexa(bool v) {
    hexadecimal_ = v;
    // Through 0 and back, so the text is rebuilt in the new base even for an unchanged value.
    const int old = value_;
    SetValue(0);
    SetValue(old);
}

} // namespace lxq
