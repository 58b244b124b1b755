#pragma once
// A panel: a container with outer and inner bevels and a caption; its children stay inside the
// bevels.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    const char* ClassName() const override { return "TPanel"; }

    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel b);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;

private:
    int Inset() const;

    TPanelBevel bevelOuter_ = TPanelBevel::bvRaised;
    TPanelBevel bevelInner_ = TPanelBevel::bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = TAlignment::taCenter;
};

} // namespace plat::comp
