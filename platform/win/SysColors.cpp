#include "platform/win/SysColors.h"

#include <array>

namespace plat::win {

std::uint32_t GetSysColor(int index) {
    // The classic grey desktop scheme.
    static constexpr std::array<std::uint32_t, 31> kScheme = {
        0xC8C8C8, // scroll bar
        0x000000, // background
        0x99B4D1, // active caption
        0xDBCDBF, // inactive caption
        0xF0F0F0, // menu
        0xFFFFFF, // window
        0x646464, // window frame
        0x000000, // menu text
        0x000000, // window text
        0x000000, // caption text
        0xB4B4B4, // active border
        0xFCF7F4, // inactive border
        0xABABAB, // application workspace
        0xFF9933, // highlight
        0xFFFFFF, // highlight text
        0xF0F0F0, // button face
        0xA0A0A0, // button shadow
        0x6D6D6D, // grey text
        0x000000, // button text
        0x544E43, // inactive caption text
        0xFFFFFF, // button highlight
        0x696969, // 3-D dark shadow
        0xE3E3E3, // 3-D light
        0x000000, // info text
        0xE1FFFF, // info background
        0x000000, // (unused)
        0xCC6600, // hot light
        0xEAD1B9, // gradient active caption
        0xF2E4D7, // gradient inactive caption
        0xFF9933, // menu highlight
        0xF0F0F0, // menu bar
    };
    if (index < 0 || index >= static_cast<int>(kScheme.size())) return 0;
    return kScheme[static_cast<std::size_t>(index)];
}

} // namespace plat::win
