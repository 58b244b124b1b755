#pragma once
// Small helpers the forms share while they build their controls in code, one line each.

#include <cstdint>

#include "platform/components/TWinControl.h"

namespace lxq {

// A new control of type C owned by owner, shown in parent at the given bounds.
template <typename C>
C* Place(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y, int w, int h) {
    auto* c = new C(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

// The low 32 bits of a frequency, as plug-in notifications carry it.
inline std::uint32_t Low32(std::int64_t v) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)); }

} // namespace lxq
