#pragma once
// The front panel's look: its colours and its speed buttons, white on the panel's grey and
// yellow on the display's dark grey while down, grey on the panel's grey while disabled.

#include "app/controls/TstSpeedButton.h"

namespace lxq {

inline constexpr plat::comp::TColor kFrontPanelColor = 0x404040;
inline constexpr plat::comp::TColor kFrontDisplayColor = 0x202020;
inline constexpr plat::comp::TColor kFrontPanelDisabledText = 0x808080;

// A button with a caption, or (caption null) with the drawn symbol of kind.
TstSpeedButton* FrontPanelButton(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x,
                                 int y, int w, const char* caption, TSTButtonKind kind);

} // namespace lxq
