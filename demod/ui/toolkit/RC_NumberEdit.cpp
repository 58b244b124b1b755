#include "demod/ui/toolkit/RC_NumberEdit.h"

#include "demod/dsp/RC_Locale.h"
#include "demod/dsp/RC_Text.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <cmath>

namespace win = plat::win;
namespace gdi = plat::gdi;

RC_NumberEdit::RC_NumberEdit(RC_Window* parent, int x, int y, int w, int h) : RC_Edit(parent, x, y, w, h) {
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetSelectionColours(0x008000, 0x00FF00);
    SetStyle(0x183008);
    SetValue(true, 0.0);
}

void RC_NumberEdit::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    RC_Edit::OnFlagsChanged(a, b);
    SetSelectAllOnFocus((a & kSelectAllOnFocus) != 0);
    if ((a & kLinkedSpinner) != 0 && spinner_ == nullptr) {
        spinner_ = new RC_Spinner(this, 0, 0, 1, 1, true);
        spinner_->SetMaximum(maximum_);
        spinner_->SetMinimum(minimum_);
        spinner_->SetStep(step_);
        spinner_->SetPixelsPerStep(pixelsPerStep_);
        spinner_->SetStepsPerDrag(stepCount_);
        spinner_->SetValue(value_);
        spinner_->onValueChange = {&RC_NumberEdit::SpinnerChanged, this};
        spinner_->Show(win::SW_SHOW);
    } else if ((a & kLinkedSpinner) == 0 && spinner_ != nullptr) {
        RC_Spinner* gone = spinner_;
        spinner_ = nullptr;
        gone->Close();
    }
    Invalidate();
}

void RC_NumberEdit::SpinnerChanged(void* user, RC_Spinner*, double value) {
    auto* self = static_cast<RC_NumberEdit*>(user);
    self->rewrite_ = true;
    self->SetValue(true, value);
    if (self->onValueChange) self->onValueChange.fn(self->onValueChange.user, self, self->value_);
    if (self->Parent() != nullptr) self->Parent()->Focus();
    self->rewrite_ = false;
}

void RC_NumberEdit::SetValue(bool force, double v) {
    if (!force && v == value_) return;
    if ((Style() & kNoClamp) == 0) v = std::clamp(v, minimum_, std::max(minimum_, maximum_));
    value_ = v;
    if (spinner_ != nullptr) spinner_->SetValue(v);
    // While the user types, the text stays as typed.
    if (IsFocused() && !rewrite_) return;
    const double a = std::fabs(v);
    const int p = resolution_;
    int exponent = 0;
    prefix_ = ' ';
    if ((Style() & kPrefixes) != 0) {
        if (a <= 3000.0 && p < 1) {
        } else if (a <= 3e6 && p <= 3) {
            prefix_ = 'k', exponent = 3;
        } else if (a <= 3e9 && p <= 6) {
            prefix_ = 'M', exponent = 6;
        } else if (a > 3e12 || p > 9) {
            prefix_ = 'T', exponent = 12;
        } else {
            prefix_ = 'G', exponent = 9;
        }
    }
    const double shown = v / std::pow(10.0, exponent);
    RC_String text;
    shortened_ = false;
    if ((Style() & kShortest) != 0) {
        text.AppendFormat("%lg", shown);
    } else {
        const int decimals = std::max(0, exponent - p);
        text.AppendFormat("%.*lf", decimals, shown);
        // A field too narrow for every decimal shows fewer rather than a number cut at its edge.
        const int room = NumberRoom();
        for (int d = decimals - 1; d >= 0 && room > 0 && TextWidth(text.Text()) > room; --d) {
            text = RC_String();
            text.AppendFormat("%.*lf", d, shown);
            shortened_ = true;
        }
    }
    SetCaption(text.Text());
    shortenedText_ = text.Text();
    SetCaret(Length());
}

int RC_NumberEdit::NumberRoom() {
    int room = Width() - 2 * FrameWidth();
    if (spinner_ != nullptr) room -= (Height() - 2 * FrameWidth()) * 2 / 3;
    const std::string suffix = Suffix();
    if (!suffix.empty()) room -= TextWidth(suffix.c_str()) + 2;
    return room - 3; // the text's own margins
}

void RC_NumberEdit::Commit() {
    // Decimals that did not fit were only left out of sight: the value keeps them.
    if (shortened_ && shortenedText_ == Caption()) return;
    double multiplier = 1.0;
    if ((Style() & kPrefixes) != 0) {
        switch (prefix_) {
        case 'G': multiplier = 1e9; break;
        case 'M': multiplier = 1e6; break;
        case 'T': multiplier = 1e12; break;
        case 'k': multiplier = 1e3; break;
        default: break;
        }
    }
    const double before = value_;
    const bool was = rewrite_;
    rewrite_ = true;
    SetValue(true, RC_StrToDouble(Caption()) * multiplier);
    rewrite_ = was;
    if (value_ != before && onValueChange) onValueChange.fn(onValueChange.user, this, value_);
}

void RC_NumberEdit::SetMaximum(double v) {
    maximum_ = v;
    if (minimum_ > v) minimum_ = v;
    if ((Style() & kNoClamp) == 0 && value_ > v) SetValue(true, v);
    if (spinner_ != nullptr) spinner_->SetMaximum(v);
}

void RC_NumberEdit::SetMinimum(double v) {
    minimum_ = v;
    if (maximum_ < v) maximum_ = v;
    if ((Style() & kNoClamp) == 0 && value_ < v) SetValue(true, v);
    if (spinner_ != nullptr) spinner_->SetMinimum(v);
}

void RC_NumberEdit::SetResolution(int p) {
    resolution_ = p;
    SetValue(true, value_);
}

void RC_NumberEdit::SetStep(double v) {
    step_ = v;
    if (spinner_ != nullptr) spinner_->SetStep(v);
}

void RC_NumberEdit::SetPixelsPerStep(int n) {
    pixelsPerStep_ = n;
    if (spinner_ != nullptr) spinner_->SetPixelsPerStep(n);
}

void RC_NumberEdit::SetStepCount(int n) {
    stepCount_ = n;
    if (spinner_ != nullptr) spinner_->SetStepsPerDrag(n);
}

void RC_NumberEdit::SetUnit(const char* unit) {
    unit_.Assign(unit != nullptr ? unit : "");
    Invalidate();
}

void RC_NumberEdit::SetEnabled(bool enabled) {
    RC_Edit::SetEnabled(enabled);
    if (!enabled && IsFocused()) RC_Edit::SetFocused(0);
}

std::string RC_NumberEdit::Suffix() const {
    if ((Style() & kPrefixes) == 0) return {};
    std::string s = (Style() & kNoBlank) != 0 ? "" : " ";
    if (prefix_ != ' ') s.push_back(prefix_);
    return s + unit_.Text();
}

int RC_NumberEdit::KeyEvent(int kind, std::uint32_t key) {
    if ((Style() & kReadOnly) != 0) return 0;
    if (kind == kChar) {
        const char c = key < 256 ? static_cast<char>(key) : '\0';
        if ((c >= '0' && c <= '9') || c == '-') return RC_Edit::KeyEvent(kind, key);
        if (c == '.' || c == RC_DecimalPoint()) {
            const std::string text = Caption();
            const bool hasPoint = text.find('.') != std::string::npos || text.find(RC_DecimalPoint()) != std::string::npos;
            if ((Style() & kDecimalPoint) != 0 && !hasPoint) return RC_Edit::KeyEvent(kind, key);
            return 1;
        }
        const char u = RC_UpperCase(c);
        if (u == ' ' || u == 'G' || u == 'M' || u == 'T' || u == 'K') {
            prefix_ = u == 'K' ? 'k' : u;
            Invalidate();
            return 1;
        }
        if (c != '\0' && unit_.Length() > 0 && u == RC_UpperCase(unit_.Text()[0])) {
            prefix_ = ' ';
            Invalidate();
            return 1;
        }
        return RC_Window::KeyEvent(kind, key);
    }
    if (kind == kKeyDown) {
        switch (key) {
        case win::VK_RETURN:
            if (Parent() != nullptr) {
                Parent()->Focus(); // the focus loss commits
            } else {
                Commit();
            }
            if (onNumberEnter) onNumberEnter.fn(onNumberEnter.user, this);
            return 1;
        case win::VK_ESCAPE: {
            // The committed value's text comes back even while the field has the focus.
            const bool was = rewrite_;
            rewrite_ = true;
            SetValue(true, value_);
            rewrite_ = was;
            return 1;
        }
        case win::VK_BACK:
        case win::VK_DELETE:
        case win::VK_HOME:
        case win::VK_END:
        case win::VK_LEFT:
        case win::VK_RIGHT:
        case win::VK_SHIFT: return RC_Edit::KeyEvent(kind, key);
        default: return RC_Window::KeyEvent(kind, key);
        }
    }
    if (kind == kKeyUp && key == win::VK_SHIFT) return RC_Edit::KeyEvent(kind, key);
    return RC_Window::KeyEvent(kind, key);
}

void RC_NumberEdit::SetFocused(int focused) {
    if ((Style() & kReadOnly) != 0) return;
    if (focused == 0 && IsFocused()) {
        rewrite_ = true;
        Commit();
        rewrite_ = false;
    }
    RC_Edit::SetFocused(focused);
    if (focused != 0 && IsFocused() && (Style() & kSelectAllOnFocus) != 0) SelectAll();
}

void RC_NumberEdit::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    if ((Style() & kReadOnly) != 0) return;
    if (kind == kMouseMove && ContentRect().Contains({x, y})) {
        RC_Edit::MouseEvent(kind, keys, x, y);
        SetCursorShape(win::LoadCursor(win::IDC_IBEAM));
        return;
    }
    RC_Edit::MouseEvent(kind, keys, x, y);
}

void RC_NumberEdit::PaintContent() {
    const gdi::Rect c = ContentRect();
    FillRect(c, BackgroundColour());
    if (spinner_ != nullptr) {
        const int w = c.Height() * 2 / 3;
        spinner_->Move(c.right - w, c.top, w, c.Height(), true);
        SetContentRight(c.right - w);
    }
    const std::string suffix = Suffix();
    int reserved = 0;
    if (!suffix.empty()) {
        reserved = TextWidth(suffix.c_str()) + 2;
        SetContentRight(ContentRect().right - reserved);
    }
    const gdi::Rect numberArea = ContentRect();
    RC_Edit::PaintContent();
    if (suffix.empty()) return;
    SetTextColour(EnabledChain() ? EditTextColour() : RC_BlendColour(EditTextColour(), BackgroundColour(), 2, 1));
    SetBackgroundModeOfContext(1);
    const gdi::Rect area{numberArea.right, numberArea.top, numberArea.right + reserved, numberArea.bottom};
    ExtTextOut(area.left, area.top, gdi::eto::Clipped, &area, suffix.c_str());
}
