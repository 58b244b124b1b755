#include "app/controls/TmyScrollBar.h"

#include <algorithm>

#include "platform/win/PaintApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr TColor kFace = 0x404040;
constexpr TColor kFaceDisabled = 0x202020;

void LookOfArrow(TstSpeedButton& b) {
    b.Font().SetColor(clLime);
    b.SetKindPercent(90);
    b.SetColor(kFace);
    b.SetColorDown(kFace);
    b.SetColorDisabled(kFaceDisabled);
    b.SetFontColorDown(clLime);
    b.SetFontColorDisabled(0x636363);
    b.SetShadowOffset(100);
    b.SetSpeed(10);
}

std::int64_t Clamp64(__int128 v) {
    if (v > INT64_MAX) return INT64_MAX;
    if (v < INT64_MIN) return INT64_MIN;
    return static_cast<std::int64_t>(v);
}

} // namespace

TmyScrollBar::TmyScrollBar(TComponent* owner) : TWinControl(owner) {
    panel_ = new TstPanel(this);
    panel_->SetParent(this);
    panel_->SetBevelStyle(TBevelStyle::bsGradientInner);
    panel_->SetColor(kFace);
    panel_->SetBevelWidth(bevel_);
    first_ = new TstSpeedButton(this);
    second_ = new TstSpeedButton(this);
    thumb_ = new TstSpeedButton(this);
    for (TstSpeedButton* b : {first_, second_, thumb_}) b->SetParent(panel_);
    LookOfArrow(*first_);
    LookOfArrow(*second_);
    thumb_->SetBevelWidth(bevel_);
    thumb_->SetColor(kFace);
    thumb_->SetColorDown(kFace);
    thumb_->SetColorDisabled(kFaceDisabled);
    thumb_->SetShadowOffset(200);
    thumb_->SetKeepMouse(true);

    first_->OnAutoRepeat = [this](TObject* s) { FOnClick(s); };
    second_->OnAutoRepeat = [this](TObject* s) { FOnClick(s); };
    panel_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) {
        FOnMouseDownPanel(b, x, y);
    };
    thumb_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int, int) {
        if (b == TMouseButton::mbLeft) dragging_ = true;
    };
    thumb_->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int, int) {
        if (b == TMouseButton::mbLeft) dragging_ = false;
    };
    thumb_->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) { FOnMouseMove(s, x, y); };
    SetBounds(0, 0, 200, 20);
}

// --- range, position and page ---

void TmyScrollBar::SetMin(std::int64_t v) {
    if (v == min_) return;
    min_ = v;
    if (max_ < min_) max_ = min_;
    if (position_ < min_) position_ = min_;
    if (static_cast<__int128>(position_) + length_ > max_) length_ = Clamp64(static_cast<__int128>(max_) - position_);
    SetPosition();
}

void TmyScrollBar::SetMax(std::int64_t v) {
    if (v == max_) return;
    max_ = v;
    if (max_ < min_) min_ = max_;
    if (static_cast<__int128>(position_) + length_ > max_) position_ = Clamp64(static_cast<__int128>(max_) - length_);
    if (position_ < min_) {
        length_ = Clamp64(static_cast<__int128>(max_) - min_);
        position_ = min_;
    }
    SetPosition();
}

bool TmyScrollBar::SetRange(std::int64_t a, std::int64_t b) {
    if (a == min_ && b == max_) return true;
    if (b < a) return false;
    min_ = a;
    max_ = b;
    const __int128 span = static_cast<__int128>(max_) - min_;
    if (span < length_) length_ = Clamp64(span);
    if (position_ < min_) position_ = min_;
    if (position_ > static_cast<__int128>(max_) - length_) position_ = Clamp64(static_cast<__int128>(max_) - length_);
    SetPosition();
    return true;
}

void TmyScrollBar::SetPosX(std::int64_t v) {
    if (dragging_) return; // the owner cannot move the thumb under the user's pointer
    SetPos(v);
}

void TmyScrollBar::SetPos(std::int64_t p) { MoveTo(p); }

void TmyScrollBar::SetDelta(std::int64_t d) { MoveTo(static_cast<__int128>(position_) + d); }

void TmyScrollBar::MoveTo(__int128 v) {
    if (v < min_) v = min_;
    if (v + length_ > max_) v = static_cast<__int128>(max_) - length_;
    const std::int64_t p = Clamp64(v);
    if (p == position_) return;
    position_ = p;
    SetPosition();
}

void TmyScrollBar::SetLength(std::int64_t v) {
    const __int128 span = static_cast<__int128>(max_) - min_;
    __int128 n = v < 0 ? 0 : v;
    if (n > span) n = span;
    if (position_ + n > max_) position_ = Clamp64(static_cast<__int128>(max_) - n);
    if (n == length_) return;
    length_ = Clamp64(n);
    SetPosition();
}

// --- layout ---

void TmyScrollBar::SetBevel(int v) {
    if (v == bevel_) return;
    bevel_ = v;
    StandUp();
}

void TmyScrollBar::SetKind(TScrollBarKind v) {
    if (v == kind_) return;
    kind_ = v;
    StandUp();
}

void TmyScrollBar::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    if (Width() == 0 || Height() == 0) return;
    panel_->SetBounds(0, 0, Width(), Height());
    if (Width() != lastWidth_ || Height() != lastHeight_) {
        lastWidth_ = Width();
        lastHeight_ = Height();
        StandUp();
    }
}

void TmyScrollBar::StandUp() {
    panel_->SetBevelWidth(bevel_);
    for (TstSpeedButton* b : {first_, second_, thumb_}) b->SetBevelWidth(bevel_);
    if (Horizontal()) {
        const int s = Height() - 2 * bevel_;
        first_->SetBounds(bevel_, bevel_, s, s);
        second_->SetBounds(Width() - s - bevel_, bevel_, s, s);
        first_->SetKind(TSTButtonKind::stbkLeftArrow);
        second_->SetKind(TSTButtonKind::stbkRightArrow);
        thumb_->SetBounds(thumb_->Left(), bevel_, thumb_->Width(), s);
    } else {
        const int s = Width() - 2 * bevel_;
        first_->SetBounds(bevel_, bevel_, s, s);
        second_->SetBounds(bevel_, Height() - s - bevel_, s, s);
        first_->SetKind(TSTButtonKind::stbkUpArrow);
        second_->SetKind(TSTButtonKind::stbkDownArrow);
        thumb_->SetBounds(bevel_, thumb_->Top(), s, thumb_->Height());
    }
    SetPosition();
}

void TmyScrollBar::SetPosition() {
    if (min_ == max_ || (position_ == min_ && static_cast<__int128>(position_) + length_ == max_)) {
        thumb_->SetVisible(false);
        first_->SetEnabled(false);
        second_->SetEnabled(false);
        if (OnPositionChange) OnPositionChange(this);
        return;
    }
    thumb_->SetVisible(true);
    first_->SetEnabled(true);
    second_->SetEnabled(true);
    const bool h = Horizontal();
    const int arrow = h ? first_->Width() : first_->Height();
    const int extent = h ? Width() : Height();
    const __int128 track = extent - 2 * bevel_ - 2 * arrow;
    const __int128 span = static_cast<__int128>(max_) - min_;
    const auto a = static_cast<int>(track * (static_cast<__int128>(position_) - min_) / span);
    const auto b = static_cast<int>(
        track * (static_cast<__int128>(position_) + length_ - min_) / span);
    int start = a + bevel_ + arrow;
    int size = b - a;
    if (size < 3 * bevel_) {
        size = 3 * bevel_;
        const int limit = h ? second_->Left() : second_->Top();
        if (start + size > limit) start = limit - size;
    }
    if (h) thumb_->SetBounds(start, thumb_->Top(), size, thumb_->Height());
    else thumb_->SetBounds(thumb_->Left(), start, thumb_->Width(), size);
    Repaint();
    if (HandleAllocated()) plat::win::UpdateWindow(Handle());
    if (OnPositionChange) OnPositionChange(this);
}

// --- user input ---

void TmyScrollBar::FOnClick(TObject* sender) {
    std::int64_t s = static_cast<std::int32_t>(length_ / 100);
    if (s < 1) s = 1;
    if (sender == first_) SetDelta(-s);
    else if (sender == second_) SetDelta(s);
}

void TmyScrollBar::FOnMouseDownPanel(TMouseButton, int x, int y) {
    if (Horizontal()) {
        if (!(bevel_ < y && y < Height() - bevel_)) return;
        if (thumb_->Left() > x) SetDelta(-length_);
        if (thumb_->Left() + thumb_->Width() < x) SetDelta(length_);
    } else {
        if (!(bevel_ < x && x < Width() - bevel_)) return;
        if (thumb_->Top() > y) SetDelta(-length_);
        if (thumb_->Top() + thumb_->Height() < y) SetDelta(length_);
    }
}

void TmyScrollBar::FOnMouseMove(TShiftState shift, int x, int y) {
    if (!(shift & ss::Left)) {
        grabX_ = x;
        grabY_ = y;
        return;
    }
    const bool h = Horizontal();
    const int d = h ? x - grabX_ : y - grabY_;
    const int arrow = h ? first_->Width() : first_->Height();
    const int free = (h ? Width() : Height()) - 2 * bevel_ - 2 * arrow -
                     (h ? thumb_->Width() : thumb_->Height());
    // A thumb that fills the track has nowhere to go.
    if (free <= 0) return;
    const __int128 movable = static_cast<__int128>(max_) - min_ - length_;
    SetDelta(Clamp64(d * movable / free));
}

// --- colours of the parts ---

void TmyScrollBar::SetButtonColor(TColor v) {
    for (TstSpeedButton* b : {first_, second_, thumb_}) b->SetColor(v);
}

void TmyScrollBar::SetColorArrow(TColor v) {
    first_->Font().SetColor(v);
    second_->Font().SetColor(v);
}

void TmyScrollBar::SetColorDisabled(TColor v) {
    for (TstSpeedButton* b : {first_, second_, thumb_}) b->SetColorDisabled(v);
}

void TmyScrollBar::SetColorDisabledArrow(TColor v) {
    first_->SetFontColorDisabled(v);
    second_->SetFontColorDisabled(v);
}

void TmyScrollBar::SetShadowOffset(int v) {
    for (TstSpeedButton* b : {first_, second_, thumb_}) b->SetShadowOffset(v);
    panel_->SetShadowOffset(v);
}

} // namespace lxq
