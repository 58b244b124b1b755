#pragma once
// The flash patterns the front-panel LED gets for the LED setting (1 on, 2 off, other values: by
// power and by the interface the product name shows), in the order they are sent.

#include <cstdint>
#include <string>
#include <vector>

namespace lxq {

std::vector<std::uint8_t> FrontPanelLedPatterns(std::int32_t setting, bool powered, const std::string& product);

} // namespace lxq
