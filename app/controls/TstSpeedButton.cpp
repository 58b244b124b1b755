#include "app/controls/TstSpeedButton.h"

#include "platform/components/Frames.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>
#include <cstdlib>

#include "app/controls/BevelRings.h"
#include "app/controls/TstPanel.h"
#include "platform/components/TWinControl.h"

namespace lxq {

using namespace plat::comp;

namespace {
constexpr std::uintptr_t kRepeatTimer = 1;
} // namespace

TstSpeedButton::TstSpeedButton(TComponent* owner)
    : TGraphicControl(owner), bitmap_(std::make_unique<TBitmap>()) {
    SetBounds(0, 0, 22, 23);
    SetControlStyle(cs::CaptureMouse | cs::DoubleClicks);
    SetParentFont(true);
    SetColor(clBtnFace);
    borderColor_ = colorDown_ = colorDisabled_ = Color();
    fontColorDown_ = fontColorDisabled_ = Font().Color();
}

TstSpeedButton::~TstSpeedButton() = default;

void TstSpeedButton::Set(int& field, int v) {
    if (field == v) return;
    field = v;
    Invalidate();
}

void TstSpeedButton::Set(TColor& field, TColor v) {
    if (field == v) return;
    field = v;
    Invalidate();
}

void TstSpeedButton::SetBitmap(const TBitmap& source) {
    bitmap_ = std::make_unique<TBitmap>(source.Width(), source.Height());
    if (!source.Empty()) bitmap_->Canvas().Handle()->DrawBitmap(0, 0, source.Surface());
    Invalidate();
}

void TstSpeedButton::SetBorderWidth(int v) { Set(borderWidth_, std::max(v, 0)); }
void TstSpeedButton::SetBorderColor(TColor v) { Set(borderColor_, v); }
void TstSpeedButton::SetBevelWidth(int v) { Set(bevelWidth_, std::max(v, 0)); }
void TstSpeedButton::SetShadowOffset(int v) { Set(shadowOffset_, std::clamp(v, 0, 360)); }
void TstSpeedButton::SetKindPercent(int v) { Set(kindPercent_, std::clamp(v, 0, 100)); }
void TstSpeedButton::SetIndent(int v) { Set(indent_, v); }

void TstSpeedButton::SetColorDown(TColor v) {
    if (v == colorDown_) return;
    colorDown_ = v;
    if (PressedOrLatched()) Invalidate();
}

void TstSpeedButton::SetFontColorDown(TColor v) {
    if (v == fontColorDown_) return;
    fontColorDown_ = v;
    if (PressedOrLatched()) Invalidate();
}

void TstSpeedButton::SetColorDisabled(TColor v) {
    if (v == colorDisabled_) return;
    colorDisabled_ = v;
    if (visual_ == TButtonVisual::Disabled) Invalidate();
}

void TstSpeedButton::SetFontColorDisabled(TColor v) {
    if (v == fontColorDisabled_) return;
    fontColorDisabled_ = v;
    if (visual_ == TButtonVisual::Disabled) Invalidate();
}

void TstSpeedButton::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TstSpeedButton::SetKindAlign(TAlignment v) {
    if (v == alignKind_) return;
    alignKind_ = v;
    Invalidate();
}

void TstSpeedButton::SetLayout(TTextLayout v) {
    if (v == layout_) return;
    layout_ = v;
    Invalidate();
}

void TstSpeedButton::SetAbbreviate(bool v) {
    if (v == abbreviate_) return;
    abbreviate_ = v;
    Invalidate();
}

void TstSpeedButton::SetKind(TSTButtonKind v) {
    if (v == kind_) return;
    kind_ = v;
    Invalidate();
}

void TstSpeedButton::SetShowKind(bool v) {
    if (v == showKind_) return;
    showKind_ = v;
    Invalidate();
}

// --- grouping ---

void TstSpeedButton::SetGroupIndex(int v) {
    if (v == groupIndex_) return;
    groupIndex_ = v;
    UpdateExclusive();
}

void TstSpeedButton::SetAllowAllUp(bool v) {
    if (v == allowAllUp_) return;
    allowAllUp_ = v;
    UpdateExclusive();
}

void TstSpeedButton::SetDown(bool v) {
    if (groupIndex_ == 0) v = false;
    if (v == down_) return;
    // A latched button of a group that needs one down comes up only through another of it.
    if (down_ && !allowAllUp_) return;
    down_ = v;
    if (v) {
        Invalidate();
        visual_ = TButtonVisual::Latched;
        UpdateExclusive();
    } else {
        visual_ = TButtonVisual::Up;
        Repaint();
    }
}

void TstSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent()) return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        parent->Controls(i)->Perform(CM_BUTTONPRESSED, static_cast<plat::win::WParam>(groupIndex_),
                                     reinterpret_cast<plat::win::LParam>(this));
}

void TstSpeedButton::WndProc(TMessage& m) {
    if (m.Msg == CM_BUTTONPRESSED) {
        auto* sender = reinterpret_cast<TstSpeedButton*>(m.LParam);
        if (static_cast<int>(m.WParam) == groupIndex_ && sender != this) {
            if (sender->down_ && down_) {
                down_ = false;
                visual_ = TButtonVisual::Up;
                Invalidate();
            }
            allowAllUp_ = sender->allowAllUp_;
        }
        return;
    }
    if (m.Msg == CM_DIALOGCHAR) {
        const bool parentShowing = Parent() && Parent()->Showing();
        if (IsAccel(static_cast<char>(m.WParam), Caption()) && Enabled() && Visible() && parentShowing) {
            Click();
            m.Result = 1;
            return;
        }
    }
    TGraphicControl::WndProc(m);
    if (m.Msg == CM_ENABLEDCHANGED) Repaint();
}

// --- mouse ---

void TstSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft || !Enabled()) return;
    if (!down_) {
        visual_ = TButtonVisual::Pressed;
        Invalidate();
    }
    if (OnAutoRepeat) {
        if (!timer_) timer_ = std::make_unique<TimerWindow>([this](std::uintptr_t) { TimerTick(); });
        timer_->Start(kRepeatTimer, static_cast<std::uint32_t>(std::max(speed_, 1)));
    }
    pressTime_ = TickCount();
    held_ = true;
    if (OnAutoRepeat) OnAutoRepeat(this);
}

void TstSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!held_) return;
    const bool inside = keepMouse_ || ClientRect().Contains({x, y});
    const TButtonVisual next = down_    ? TButtonVisual::Latched
                               : inside ? TButtonVisual::Pressed
                                        : TButtonVisual::Up;
    if (next != visual_) {
        visual_ = next;
        Invalidate();
    }
}

void TstSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (shift & ss::Left) return; // another button came up while the left one is still held
    if (timer_) timer_->Stop(kRepeatTimer);
    if (!held_) return;
    held_ = false;
    if (keepMouse_) Invalidate();
    const bool inside = ClientRect().Contains({x, y});
    if (groupIndex_ == 0) {
        visual_ = TButtonVisual::Up;
        if (inside) Invalidate();
    } else if (inside) {
        SetDown(!down_);
        if (down_) Repaint();
    } else {
        if (down_) visual_ = TButtonVisual::Latched;
        Repaint();
    }
    if (inside) Click();
}

void TstSpeedButton::TimerTick() {
    if (TickCount() - pressTime_ >= static_cast<std::uint32_t>(std::max(delay_, 0)) &&
        visual_ == TButtonVisual::Pressed && OnAutoRepeat)
        OnAutoRepeat(this);
}

void TstSpeedButton::DblClick() {
    if (down_) TGraphicControl::DblClick();
}

void TstSpeedButton::Resize() {
    TGraphicControl::Resize();
    if (kind_ != TSTButtonKind::stbkNone) Invalidate();
}

// --- painting ---

int TstSpeedButton::AdjustBevel() const {
    return std::min(bevelWidth_, std::min(Width(), Height()) / 2 - borderWidth_);
}

void TstSpeedButton::Paint() {
    if (Enabled() && visual_ == TButtonVisual::Disabled)
        visual_ = down_ && groupIndex_ != 0 ? TButtonVisual::Latched : TButtonVisual::Up;
    else if (!Enabled()) {
        visual_ = TButtonVisual::Disabled;
        held_ = false;
    }
    TCanvas& c = Canvas();
    const bool sunk = down_ || visual_ == TButtonVisual::Pressed;
    SetSolidBrush(c, visual_ == TButtonVisual::Disabled ? colorDisabled_
                       : PressedOrLatched()               ? colorDown_
                                                          : Color());
    c.FillRect(ClientRect());
    if (borderWidth_ > 0) {
        TRect r = ClientRect();
        if (borderWidth_ > 1) r = r.Inflate(-borderWidth_ / 2, -borderWidth_ / 2);
        c.Pen().SetColor(borderColor_);
        c.Pen().SetWidth(borderWidth_);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Rectangle(r);
        c.Pen().SetWidth(1);
    }
    const TRect box = ClientRect().Inflate(-borderWidth_, -borderWidth_);
    const int n = AdjustBevel();
    const int L = box.left, T = box.top, R = box.right, B = box.bottom;
    // The outermost ring has the full shift; pressed buttons look sunken with a weaker
    // highlight at the bottom right.
    DrawBevelRings(
        c, box, n,
        [&](int i) {
            return sunk ? GetColorShadow(Color(), shadowOffset_, -n, n - i)
                        : GetColorShadow(Color(), shadowOffset_, n, n - i);
        },
        [&](int i) {
            return sunk ? GetColorShadow(Color(), shadowOffset_ / 3, n, n - i)
                        : GetColorShadow(Color(), shadowOffset_, -n, n - i);
        });

    if (!bitmap_->Empty()) {
        int x = std::max(0, (Width() - bitmap_->Width()) / 2);
        int y = std::max(0, (Height() - bitmap_->Height()) / 2);
        if (sunk) {
            x += bevelWidth_;
            y += bevelWidth_;
        }
        // The bottom-left pixel names the colour that lets the face show through.
        const auto transparent =
            bitmap_->Canvas().Handle()->GetPixel(0, bitmap_->Height() - 1);
        c.Handle()->TransparentBlt(x, y, bitmap_->Width(), bitmap_->Height(), bitmap_->DC(), 0, 0,
                                   bitmap_->Width(), bitmap_->Height(), transparent);
        return;
    }
    const TColor fontColor = visual_ == TButtonVisual::Disabled ? fontColorDisabled_
                             : PressedOrLatched()               ? fontColorDown_
                                                                : Font().Color();
    if (kind_ != TSTButtonKind::stbkNone) {
        int x0 = DrawKind();
        c.Font().Assign(Font());
        c.Font().SetColor(fontColor);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        const plat::gdi::Size extent = c.TextExtent(Caption());
        if (alignment_ == TAlignment::taLeftJustify) x0 -= extent.cx;
        const int s = PressedOrLatched() ? 1 : 0;
        if (!Caption().empty()) c.TextOut(x0 + s, (Height() - extent.cy) / 2 + s, Caption());
        return;
    }
    TRect r{L + n + indent_, T + n, R - n - indent_, B - n};
    if (r.IsEmpty()) return;
    c.Font().Assign(Font());
    c.Font().SetColor(fontColor);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    if (PressedOrLatched()) r = r.Offset(bevelWidth_, bevelWidth_);
    if (OnPaintCaption) {
        OnPaintCaption(&c);
        return;
    }
    if (!Caption().empty()) c.DrawText(Caption(), r, SingleLineFlags(alignment_, layout_, abbreviate_));
}

int TstSpeedButton::DrawKind() {
    int a = std::min(Width() - 2 * indent_, Height()) - 2 * borderWidth_ - 2 * bevelWidth_;
    if (kindPercent_ != 0) a = a * kindPercent_ / 100;
    else a = std::min(a, std::abs(Font().Size()));
    if (a <= 0) return 0;
    const int h = a / 2;
    int p = alignKind_ == TAlignment::taLeftJustify    ? borderWidth_ + bevelWidth_ + indent_
            : alignKind_ == TAlignment::taRightJustify ? Width() - a - borderWidth_ - bevelWidth_ - indent_
                                                       : Width() / 2 - h;
    int q = layout_ == TTextLayout::tlTop      ? borderWidth_ + bevelWidth_
            : layout_ == TTextLayout::tlCenter ? Height() / 2 - h
                                               : Height() - a - borderWidth_ - bevelWidth_;
    if (PressedOrLatched()) {
        ++p;
        ++q;
    }
    glyphLeft_ = p;
    glyphTop_ = q;
    const TColor colour = visual_ == TButtonVisual::Disabled ? fontColorDisabled_
                          : PressedOrLatched()               ? fontColorDown_
                                                             : Font().Color();
    int x0 = 0;
    if (alignment_ == TAlignment::taLeftJustify)
        x0 = kind_ == TSTButtonKind::stbkShortLeftArrow ? p + h : p;
    else if (alignment_ == TAlignment::taRightJustify)
        x0 = kind_ == TSTButtonKind::stbkShortRightArrow ? p + h + 1 : p + a;
    if (!showKind_) return x0;

    TCanvas& c = Canvas();
    auto column = [&](int x, int y0, int y1) {
        for (int y = y0; y <= y1; ++y) c.SetPixel(x, y, colour);
    };
    // Rows of column c of the arrow shapes: the triangle narrows by one pixel every two columns.
    auto arrowRows = [&](int x, int col) { column(x, q + col / 2, q + a - 1 - col / 2); };
    switch (kind_) {
    case TSTButtonKind::stbkLeftArrow:
        for (int col = 0; col < a; ++col) arrowRows(p + a - 1 - col, col);
        break;
    case TSTButtonKind::stbkRightArrow:
        for (int col = 0; col < a; ++col) arrowRows(p + col, col);
        break;
    case TSTButtonKind::stbkUpArrow:
    case TSTButtonKind::stbkDownArrow:
        for (int i = 0; i <= (a + 1) / 2; ++i) {
            if (i > a - 1 - i) continue;
            const int y = kind_ == TSTButtonKind::stbkUpArrow ? q + a - 1 - a / 4 - i : q + a / 4 + i;
            for (int x = p + i; x <= p + a - 1 - i; ++x) c.SetPixel(x, y, colour);
        }
        break;
    case TSTButtonKind::stbkStop:
        for (int x = p; x < p + a; ++x) column(x, q, q + a - 1);
        break;
    case TSTButtonKind::stbkPause:
        for (int i = 0; i <= a; ++i)
            if (i <= a / 3 || i >= a - a / 3) column(p - 1 + i, q, q + a - 1);
        break;
    case TSTButtonKind::stbkFastForward:
        for (int col = 0; col < a; ++col) {
            arrowRows(p + col / 2, col);
            arrowRows(p + col / 2 + h, col);
        }
        break;
    case TSTButtonKind::stbkRewind:
        for (int col = 0; col < a; ++col) {
            arrowRows(p + a - 1 - col / 2, col);
            arrowRows(p + h - col / 2, col);
        }
        break;
    case TSTButtonKind::stbkShortLeftArrow:
        for (int col = 0; col < a; ++col) arrowRows(p + a - col / 2, col);
        break;
    case TSTButtonKind::stbkShortRightArrow:
        for (int col = 0; col < a; ++col) arrowRows(p + col / 2, col);
        break;
    case TSTButtonKind::stbkNone: break;
    }
    return x0;
}

} // namespace lxq
