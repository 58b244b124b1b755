#include "app/forms/ModeNames.h"

namespace lxq {

const std::array<std::string_view, kModeNameCount>& ModeNames() {
    static constexpr std::array<std::string_view, kModeNameCount> names = {
        "CW",  "AM",  "FMN", "FMW", "LSB", "USB", "FMM",  "FSK",  "AMS", "DAB",  "FM3",
        "FM6", "AMN", "DSB", "ISB", "PM",  "AMSU", "AMSL", "DRM", "APCO", ""};
    return names;
}

std::string_view ModeName(int modeId) {
    if (modeId < 0 || modeId >= kModeNameCount) return {};
    return ModeNames()[static_cast<std::size_t>(modeId)];
}

} // namespace lxq
