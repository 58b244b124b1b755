#pragma once
// A shadow-frame edit whose text is aligned left, right (the default) or centred.

#include "app/controls/TstCustomEdit.h"

namespace lxq {

class TstAlignEdit : public TstCustomEdit {
public:
    explicit TstAlignEdit(plat::comp::TComponent* owner) : TstCustomEdit(owner) {}
    const char* ClassName() const override { return "TstAlignEdit"; }

    plat::comp::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(plat::comp::TAlignment a);

protected:
    void CreateParams(plat::comp::TCreateParams& params) override;

private:
    plat::comp::TAlignment alignment_ = plat::comp::TAlignment::taRightJustify;
};

} // namespace lxq
