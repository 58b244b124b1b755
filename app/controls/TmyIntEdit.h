#pragma once
// The integer field that can name a spinner (wheel messages over the field step it through that
// spinner) and show a unit such as "%" or "dBm" inside its own frame, right of the digits. It
// draws that frame itself in shades of its parent's colour.

#include <string>

#include "app/controls/TstIntEdit.h"

namespace lxq {

class TmyIntEdit : public TstIntEdit {
public:
    explicit TmyIntEdit(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TmyIntEdit"; }

    plat::comp::TWinControl* UpDownControl() const { return upDown_; }
    void SetUpDownControl(plat::comp::TWinControl* c) { upDown_ = c; }
    const std::string& Unit() const { return unit_; }
    void SetUnit(const std::string& s);
    // Width of the unit column the client area leaves out.
    int UnitWidth() const { return unitWidth_; }
    // Where the unit text goes, in window coordinates.
    plat::comp::TRect UnitRect() const;

    // Repaints the frame and the unit as well.
    void Invalidate() override;
    void WndProc(plat::comp::TMessage& message) override;

protected:
    void PaintNonClient(plat::gdi::DC& dc) override;
    plat::comp::TRect ClientAreaInWindow() const override;
    // The sunken shadow frame, from the parent's colour.
    void DravNC(plat::gdi::DC& dc);

private:
    // Measures Unit in the field's font; a new width re-frames the window.
    void MeasureUnit();

    plat::comp::TWinControl* upDown_ = nullptr;
    std::string unit_;
    int unitWidth_ = 0;
};

} // namespace lxq
