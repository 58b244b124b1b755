#pragma once
// A hint window: a small bordered pop-up with a text, shown at a place on the screen until it is
// released.

#include "platform/components/TCustomControl.h"

namespace plat::comp {

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    const char* ClassName() const override { return "THintWindow"; }

    // The size the text needs, no wider than maxWidth (lines wrap), at the origin.
    TRect CalcHintRect(int maxWidth, const std::string& hint) const;
    // Shows the text in the rectangle (screen coordinates).
    void ActivateHint(const TRect& rect, const std::string& hint);
    // Hides the window.
    void ReleaseHandle();
    bool Active() const { return Visible(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};

} // namespace plat::comp
