#pragma once
// The plain shadow-frame edit.

#include "app/controls/TstCustomEdit.h"

namespace lxq {

class TstEdit : public TstCustomEdit {
public:
    explicit TstEdit(plat::comp::TComponent* owner) : TstCustomEdit(owner) {}
    const char* ClassName() const override { return "TstEdit"; }
};

} // namespace lxq
