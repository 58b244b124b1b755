#pragma once
// Placing controls on the showcase form: made with new, parented and sized in one step (the
// parent frees them).

#include "platform/components/TWinControl.h"

namespace lxq::test {

template <typename C>
C* Add(plat::comp::TWinControl* parent, int x, int y, int w, int h) {
    auto* c = new C(nullptr);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

} // namespace lxq::test
