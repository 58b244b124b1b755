#pragma once
// A check box: a box with a caption beside it. A click moves it to the next state (unchecked,
// checked, and grayed when allowed); any change of state raises OnClick.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TCustomControl {
public:
    explicit TCheckBox(TComponent* owner);
    const char* ClassName() const override { return "TCheckBox"; }

    bool Checked() const { return state_ == TCheckBoxState::cbChecked; }
    void SetChecked(bool v) { SetState(v ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v) { allowGrayed_ = v; }
    // taRightJustify: the caption right of the box (the usual); taLeftJustify: left of it.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

    // A user's click: the next state.
    void Toggle();

protected:
    void Paint() override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

private:
    TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = TAlignment::taRightJustify;
};

// Draws the caption of a check box or radio button beside its mark: the rectangle left for it.
TRect CheckCaptionRect(const TRect& client, TAlignment alignment, int markSize);

// The side of a check box's square, in pixels.
constexpr int kCheckMarkSize = 13;
// A check box's square at (left, top): a sunken field, ticked unless unchecked; grayed or
// disabled boxes have a face-coloured field, disabled ones a grey tick. Owner-drawn lists use
// it for their check-box columns.
void DrawCheckMark(TCanvas& canvas, int left, int top, TCheckBoxState state, bool enabled = true);

} // namespace plat::comp
