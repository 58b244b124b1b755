#pragma once
// The edit of the flat look: with DefaultShadow false its frame is the shadow frame, shaded from
// the colour of the parent, instead of the system's own frame.

#include "app/controls/ShadowFramed.h"
#include "platform/components/TCustomEdit.h"

namespace lxq {

class TstCustomEdit : public ShadowFramed<plat::comp::TCustomEdit> {
public:
    explicit TstCustomEdit(plat::comp::TComponent* owner) : ShadowFramed(owner) {}
    const char* ClassName() const override { return "TstCustomEdit"; }

protected:
    // Asks the window system to repaint the frame too.
    void RedrawFrame() override;
};

} // namespace lxq
