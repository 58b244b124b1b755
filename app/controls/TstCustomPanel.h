#pragma once
// The bevelled panel of the flat look: a sunken or raised gradient bevel, or an embossed rounded
// frame, all shaded from its own colour (or from its parent's with ParentShadow). Child controls
// stay inside the bevel. A panel can be a dock site, and with AutoSize it fits its children.

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

    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool v) { dockSite_ = v; }
    bool UseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool v) { useDockManager_ = v; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    // Docks a control into this panel along `align`; false when the panel is no dock site. With
    // AutoSize, a panel without size in the docking direction takes the docked control's.
    bool DockClient(plat::comp::TControl& client, plat::comp::TAlign align);
    // The size that fits the children inside the bevel; false while a control is being docked.
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    // With AutoSize, takes the size CanAutoSize answers.
    void AdjustSize();

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
    bool dockSite_ = false;
    bool useDockManager_ = true;
    bool autoSize_ = false;
    bool docking_ = false;
};

} // namespace lxq
