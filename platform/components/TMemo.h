#pragma once
// The plain memo.

#include "platform/components/TCustomMemo.h"

namespace plat::comp {

class TMemo : public TCustomMemo {
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
    const char* ClassName() const override { return "TMemo"; }
};

} // namespace plat::comp
