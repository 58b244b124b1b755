#pragma once
// The edit of the flat look: with DefaultShadow false its frame is the shadow frame, shaded from
// the colour of the parent, instead of the system's own frame.

#include "platform/components/TCustomEdit.h"

namespace lxq {

class TstCustomEdit : public plat::comp::TCustomEdit {
public:
    explicit TstCustomEdit(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TstCustomEdit"; }

    bool DefaultShadow() const { return defaultShadow_; }
    void SetDefaultShadow(bool v);
    int ShadowOffset() const { return shadowOffset_; }
    // Clamped to 0..360 (an amount of lightness, not a percentage).
    void SetShadowOffset(int v);

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void PaintNonClient(plat::gdi::DC& dc) override;
    // Marks the frame (and the client) for repainting.
    void RedrawFrame();

private:
    bool defaultShadow_ = true;
    int shadowOffset_ = 50;
};

} // namespace lxq
