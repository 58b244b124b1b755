#pragma once
// Building blocks of the front panel's dialogs: a control placed on its parent, and the modal
// run that tests replace.

#include <functional>

#include "platform/components/TControl.h"
#include "platform/components/TWinControl.h"

namespace lxq {

template <typename C>
C* PlaceOn(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y, int w, int h) {
    auto* c = new C(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

} // namespace lxq
