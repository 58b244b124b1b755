#pragma once
// The receiver's 64 debug registers as the service window names them, and where their labels
// sit: four columns of 16, with a gap of one row after every fourth row.

#include <array>
#include <string>

#include "platform/components/Types.h"

namespace lxq {

inline constexpr int kRegisterCount = 64;
extern const char kRegisterNames[kRegisterCount][12];

// Top-left corner of register i's label on its page.
plat::comp::TPoint RegisterLabelPosition(int i);
// "NAME: 3F"
std::string RegisterText(int i, unsigned value);

} // namespace lxq
