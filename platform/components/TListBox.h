#pragma once
// The plain list box.

#include "platform/components/TCustomListBox.h"

namespace plat::comp {

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
    const char* ClassName() const override { return "TListBox"; }
};

} // namespace plat::comp
