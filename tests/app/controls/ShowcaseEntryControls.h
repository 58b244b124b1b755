#pragma once
// The showcase's strip of entry controls: fields with spinners and units, a tab set and a date
// panel.

#include "platform/components/TWinControl.h"

namespace lxq::test {

// Fills a strip of the form from `top` down (72 pixels high, the form's full width).
void AddEntryControls(plat::comp::TWinControl* form, int top);

} // namespace lxq::test
