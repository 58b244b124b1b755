#pragma once
// A control without a window: it paints itself on its parent's surface with its canvas, within
// its bounds, and gets its mouse messages through the parent.

#include "platform/components/TCanvas.h"
#include "platform/components/TControl.h"

namespace plat::comp {

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
    const char* ClassName() const override { return "TGraphicControl"; }

    void PaintTo(gdi::DC& dc, int x, int y) override;
    TCanvas& Canvas() { return canvas_; }

protected:
    virtual void Paint() {}

private:
    TCanvas canvas_;
};

} // namespace plat::comp
