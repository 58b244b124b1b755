#pragma once
// The memo of the flat look: its shadow frame goes round the scroll bars too, which count as
// client area for the frame, with their meeting square in the parent's colour.

#include "platform/components/TCustomMemo.h"

namespace lxq {

class TstMemo : public plat::comp::TCustomMemo {
public:
    explicit TstMemo(plat::comp::TComponent* owner) : TCustomMemo(owner) {}
    const char* ClassName() const override { return "TstMemo"; }

    bool DefaultShadow() const { return defaultShadow_; }
    void SetDefaultShadow(bool v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int v);

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void PaintNonClient(plat::gdi::DC& dc) override;

private:
    void DrawNC(plat::gdi::DC& dc);

    bool defaultShadow_ = true;
    int shadowOffset_ = 50;
};

} // namespace lxq
