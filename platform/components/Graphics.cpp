#include "platform/components/Graphics.h"

#include "platform/win/SysColors.h"

namespace plat::comp {

gdi::ColorRef ColorToRGB(TColor color) {
    if ((color & kSystemColorFlag) == 0) return color & 0x00FFFFFFu;
    // The desktop's named colours live with the window system.
    return win::GetSysColor(static_cast<int>(color & 0xFFu));
}

} // namespace plat::comp
