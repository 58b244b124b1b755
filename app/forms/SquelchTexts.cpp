#include "app/forms/SquelchTexts.h"

#include "app/controls/FloatText.h"
#include "app/receiver/SquelchSettings.h"

namespace lxq {

std::string CtcssText(std::int32_t milliHz) { return FormatFloat(milliHz / 1000.0, 1, 1); }

std::string DcsText(std::int32_t value) {
    // The magnitude in unsigned arithmetic: the most negative value has no positive twin.
    const std::uint32_t code =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    std::string digits;
    for (int shift : {6, 3, 0}) digits += static_cast<char>('0' + ((code >> shift) & 7u));
    return (value < 0 ? "-" : "") + digits;
}

std::string SquelchSummary(const TMemoryRecord& r) {
    if (r.flags & kMemKeepSquelch) return "-";
    const std::string level = r.levelSquelch != 0 ? std::to_string(r.levelSquelch) : std::string();
    std::string second;
    switch (static_cast<std::uint32_t>(r.squelchType)) {
    case kSquelchNoise: second = "N" + std::to_string(r.squelchValue); break;
    case kSquelchVoice: second = "V" + std::to_string(r.squelchValue); break;
    case kSquelchCtcss: second = "C" + CtcssText(r.squelchValue); break;
    case kSquelchDcs: second = "D" + DcsText(r.squelchValue); break;
    default: break;
    }
    if (!level.empty() && !second.empty()) return level + "/" + second;
    if (!level.empty()) return level;
    if (!second.empty()) return second;
    return "none";
}

std::string GroupsHint(std::uint32_t groups) {
    std::string hint;
    for (int n = 1; n <= 16; ++n)
        if (groups & (1u << (16 - n))) hint += std::to_string(n) + " ";
    return hint.empty() ? hint : "Groups: " + hint;
}

} // namespace lxq
