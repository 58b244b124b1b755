#include "demod/dsp/RC_Colour.h"

#include <bit>

namespace {

std::int64_t Channel(RC_Colour c, int shift) { return (c >> shift) & 0xFF; }

RC_Colour Clamped(std::int64_t value, int shift) {
    const std::int64_t held = value < 0 ? 0 : (value > 255 ? 255 : value);
    return static_cast<RC_Colour>(held) << shift;
}

} // namespace

RC_Colour RC_BlendColour(RC_Colour a, RC_Colour b, int den, int num) {
    if (den == 0) {
        return a;
    }
    RC_Colour result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::int64_t from = Channel(a, shift);
        result |= Clamped(from + (Channel(b, shift) - from) * num / den, shift);
    }
    return result;
}

RC_Colour RC_ScaleColour(RC_Colour c, int num, int den) {
    if (den == 0) {
        return c;
    }
    RC_Colour result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        result |= Clamped(Channel(c, shift) * num / den, shift);
    }
    return result;
}

RC_Colour RC_SwapRedBlue(RC_Colour c) {
    return (c & 0xFF00FF00u) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF);
}

void RC_SetFloatIfUnset(float& target, float value) {
    if ((std::bit_cast<std::uint32_t>(target) & 0x7F800000u) == 0x7F800000u) {
        target = value;
    }
}

void RC_SetDoubleIfUnset(double& target, double value) {
    if ((std::bit_cast<std::uint64_t>(target) & 0x7FF0000000000000ull) == 0x7FF0000000000000ull) {
        target = value;
    }
}
