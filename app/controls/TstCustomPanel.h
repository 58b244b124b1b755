#pragma once
// The bevelled panel of the flat look: a sunken or raised gradient bevel, or an embossed rounded
// frame, all shaded from its own colour (or from its parent's with ParentShadow). Child controls
// stay inside the bevel.

#include "platform/components/TCustomControl.h"

namespace lxq {

enum class TBevelStyle { bsRound, bsGradientInner, bsGradientOuter };

class TstCustomPanel : public plat::comp::TCustomControl {
public:
    explicit TstCustomPanel(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TstCustomPanel"; }

    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    TBevelStyle BevelStyle() const { return bevelStyle_; }
    void SetBevelStyle(TBevelStyle v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int v);
    bool ParentShadow() const { return parentShadow_; }
    void SetParentShadow(bool v);
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int v);
    // The bevel actually drawn: BevelWidth, but at most half the smaller client side.
    int AdjustBevel() const;

    plat::comp::TNotifyEvent OnPaint;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void Paint() override;
    void AdjustClientRect(plat::comp::TRect& rect) override;

private:
    int bevelWidth_ = 5;
    TBevelStyle bevelStyle_ = TBevelStyle::bsRound;
    int shadowOffset_ = 50;
    bool parentShadow_ = false;
    int penWidth_ = 1;
};

} // namespace lxq
