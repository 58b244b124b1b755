#pragma once
// The plain edit.

#include "platform/components/TCustomEdit.h"

namespace plat::comp {

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
    const char* ClassName() const override { return "TEdit"; }
};

} // namespace plat::comp
