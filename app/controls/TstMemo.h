#pragma once
// The memo of the flat look: its shadow frame goes round the scroll bars too, which count as
// client area for the frame, with their meeting square in the parent's colour.

#include "app/controls/ShadowFramed.h"
#include "platform/components/TCustomMemo.h"

namespace lxq {

class TstMemo : public ShadowFramed<plat::comp::TCustomMemo> {
public:
    explicit TstMemo(plat::comp::TComponent* owner) : ShadowFramed(owner) {}
    const char* ClassName() const override { return "TstMemo"; }

protected:
    void PaintNonClient(plat::gdi::DC& dc) override;
};

} // namespace lxq
