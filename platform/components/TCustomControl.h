#pragma once
// A windowed control that paints itself with a canvas (panels, lists, the program's own
// controls).

#include "platform/components/TCanvas.h"
#include "platform/components/TWinControl.h"

namespace plat::comp {

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
    const char* ClassName() const override { return "TCustomControl"; }

    TCanvas& Canvas() { return canvas_; }

protected:
    virtual void Paint() {}
    void PaintWindow(gdi::DC& dc) override;

private:
    TCanvas canvas_;
};

} // namespace plat::comp
