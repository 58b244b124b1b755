#include "app/controls/TmyFrequencyEdit.h"

#include "app/controls/WheelForwarding.h"

namespace lxq {

void TmyFrequencyEdit::WndProc(plat::comp::TMessage& m) {
    TstFrequencyEdit::WndProc(m);
    ForwardWheelToSpinner(*this, upDown_, m);
}

} // namespace lxq
