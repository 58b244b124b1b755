#pragma once
// Colour arithmetic on 32-bit 0x00BBGGRR values, and the "not set yet" marking of settings.

#include <cstdint>

using RC_Colour = std::uint32_t;

// Each channel a + (b - a) x num / den, held to 0..255; den 0 gives a.
RC_Colour RC_BlendColour(RC_Colour a, RC_Colour b, int den, int num);
// Each channel c x num / den, held to 0..255; den 0 gives c.
RC_Colour RC_ScaleColour(RC_Colour c, int num, int den);
RC_Colour RC_SwapRedBlue(RC_Colour c);

// A setting a configuration record did not set is marked as not-a-number before loading; these
// assign only over such a mark (any value whose exponent bits are all ones).
void RC_SetFloatIfUnset(float& target, float value);
void RC_SetDoubleIfUnset(double& target, double value);
