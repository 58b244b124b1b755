#pragma once
// The text label of the dark front panel: its own colour when disabled, and an optional engraved
// look (the text shifted by one pixel in BurriedColor underneath).

#include "platform/components/TLabel.h"

namespace lxq {

class TmyLabel : public plat::comp::TLabel {
public:
    explicit TmyLabel(plat::comp::TComponent* owner) : TLabel(owner) {}
    const char* ClassName() const override { return "TmyLabel"; }

    bool ShowBurried() const { return showBurried_; }
    void SetShowBurried(bool v);
    plat::comp::TColor DisableColor() const { return disableColor_; }
    void SetDisColor(plat::comp::TColor v);
    plat::comp::TColor BurriedColor() const { return burriedColor_; }
    void SetBurColor(plat::comp::TColor v);

protected:
    void Paint() override;
    virtual void DoDrawText(plat::comp::TRect& rect, unsigned flags);

private:
    bool showBurried_ = false;
    plat::comp::TColor disableColor_ = 0x202020;
    plat::comp::TColor burriedColor_ = plat::comp::clGray;
};

} // namespace lxq
