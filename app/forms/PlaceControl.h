#pragma once
// Makes a control owned by a form, puts it on a parent and places it: the dialogs build their
// controls in code, one line each.

#include "platform/components/TWinControl.h"

namespace lxq {

template <typename C>
C* PlaceControl(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y, int w, int h) {
    auto* c = new C(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

} // namespace lxq
