#pragma once
// An owner-drawn scroll bar whose range, position and page length are 64-bit integers, so that
// it can scroll directly in hertz. A bevelled panel with two arrow buttons and a thumb button;
// every change ends in OnPositionChange.

#include <cstdint>

#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TWinControl.h"

namespace lxq {

enum class TScrollBarKind { sbHorizontal, sbVertical };

class TmyScrollBar : public plat::comp::TWinControl {
public:
    explicit TmyScrollBar(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyScrollBar"; }

    std::int64_t Min() const { return min_; }
    void SetMin(std::int64_t v);
    std::int64_t Max() const { return max_; }
    void SetMax(std::int64_t v);
    std::int64_t Position() const { return position_; }
    // The Position writer: ignored while the user drags the thumb.
    void SetPosX(std::int64_t v);
    std::int64_t Length() const { return length_; }
    void SetLength(std::int64_t v);
    // Both limits at once; false (and nothing changed) when max < min.
    bool SetRange(std::int64_t min, std::int64_t max);
    void SetPos(std::int64_t p);
    void SetDelta(std::int64_t d);
    int Bevel() const { return bevel_; }
    void SetBevel(int v);
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind v);
    bool Dragging() const { return dragging_; }

    TColor ButtonColor() const { return first_->Color(); }
    void SetButtonColor(TColor v);
    TColor BackColor() const { return panel_->Color(); }
    void SetBackColor(TColor v) { panel_->SetColor(v); }
    TColor ColorArrow() const { return first_->Font().Color(); }
    void SetColorArrow(TColor v);
    TColor ColorDisabled() const { return first_->ColorDisabled(); }
    void SetColorDisabled(TColor v);
    TColor ColorDisabledArrow() const { return first_->FontColorDisabled(); }
    void SetColorDisabledArrow(TColor v);
    int ShadowOffset() const { return first_->ShadowOffset(); }
    void SetShadowOffset(int v);

    void StandUp();
    // Places and sizes the thumb from the range, position and page, and raises OnPositionChange.
    void SetPosition();
    void SetBounds(int left, int top, int width, int height) override;

    TstPanel& Panel() { return *panel_; }
    TstSpeedButton& FirstArrow() { return *first_; }
    TstSpeedButton& SecondArrow() { return *second_; }
    TstSpeedButton& Thumb() { return *thumb_; }

    plat::comp::TNotifyEvent OnPositionChange;

private:
    // Moves to p clamped into [Min, Max - Length], computed without overflow.
    void MoveTo(__int128 p);
    void FOnClick(plat::comp::TObject* sender);
    void FOnMouseDownPanel(plat::comp::TMouseButton button, int x, int y);
    void FOnMouseMove(plat::comp::TShiftState shift, int x, int y);
    bool Horizontal() const { return kind_ == TScrollBarKind::sbHorizontal; }

    TstPanel* panel_;
    TstSpeedButton* first_;
    TstSpeedButton* second_;
    TstSpeedButton* thumb_;
    std::int64_t min_ = 0;
    std::int64_t max_ = 100;
    std::int64_t position_ = 0;
    std::int64_t length_ = 20;
    int bevel_ = 3;
    TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
    bool dragging_ = false;
    int grabX_ = 0;
    int grabY_ = 0;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
};

} // namespace lxq
