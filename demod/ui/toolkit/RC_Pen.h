#pragma once
// A window's pen description and the shared pen it selects.

#include "demod/ui/toolkit/RC_DrawRecord.h"
#include "platform/gdi/Pen.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// Compared byte for byte by the cache, so it has no padding.
struct RC_PenDesc {
    std::uint32_t style;  // 0 solid, as the drawing layer numbers pen styles
    std::int32_t widthX;  // pen width
    std::int32_t widthY;  // unused, 0
    std::uint32_t colour; // 0x00BBGGRR
};
#pragma pack(pop)
static_assert(sizeof(RC_PenDesc) == 16);
static_assert(offsetof(RC_PenDesc, style) == 0);
static_assert(offsetof(RC_PenDesc, widthX) == 4);
static_assert(offsetof(RC_PenDesc, widthY) == 8);
static_assert(offsetof(RC_PenDesc, colour) == 12);

class RC_Pen : public RC_DrawRecord<RC_PenDesc, plat::gdi::Pen> {
public:
    RC_Pen();

    void SetColour(std::uint32_t colour);
    void SetStyle(std::uint32_t style);
    void SetWidth(std::int32_t width);

    // Distinct pens alive in the process (for tests).
    static std::size_t CachedCount();
};
