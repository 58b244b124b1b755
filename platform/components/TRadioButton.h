#pragma once
// A radio button: checking one unchecks the other radio buttons of the same parent. Becoming
// checked raises OnClick.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

class TRadioButton : public TCustomControl {
public:
    explicit TRadioButton(TComponent* owner);
    const char* ClassName() const override { return "TRadioButton"; }

    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

protected:
    void Paint() override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

private:
    bool checked_ = false;
    TAlignment alignment_ = TAlignment::taRightJustify;
};

} // namespace plat::comp
