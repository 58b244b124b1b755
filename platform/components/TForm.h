#pragma once
// The form class programs derive their windows from.

#include "platform/components/TCustomForm.h"

namespace plat::comp {

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
    const char* ClassName() const override { return "TForm"; }
};

} // namespace plat::comp
