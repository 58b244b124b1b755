#pragma once
// Wheel messages over a numeric field go on to its spinner, which turns each into one step. The
// field's ExitControl is emptied meanwhile, so a wheel step never moves the keyboard focus away.

#include "platform/components/TWinControl.h"
#include "platform/win/Messages.h"

namespace lxq {

template <typename Field>
void ForwardWheelToSpinner(Field& field, plat::comp::TWinControl* spinner,
                           const plat::comp::TMessage& m) {
    if (m.Msg != plat::win::WM_MOUSEWHEEL || spinner == nullptr) return;
    plat::comp::TWinControl* exit = field.ExitControl();
    field.SetExitControl(nullptr);
    spinner->Perform(m.Msg, m.WParam, m.LParam);
    field.SetExitControl(exit);
}

} // namespace lxq
