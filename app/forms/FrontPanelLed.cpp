#include "app/forms/FrontPanelLed.h"

namespace lxq {

std::vector<std::uint8_t> FrontPanelLedPatterns(std::int32_t setting, bool powered, const std::string& product) {
    if (setting == 1) return {255};
    if (setting == 2) return {0};
    std::vector<std::uint8_t> patterns;
    if (product.find("USB") != std::string::npos) patterns.push_back(powered ? 95 : 160);
    if (product.find("SER") != std::string::npos) patterns.push_back(powered ? 127 : 128);
    return patterns;
}

} // namespace lxq
