#pragma once
// A window's brush description and the shared brush it selects.

#include "demod/ui/toolkit/RC_DrawRecord.h"
#include "platform/gdi/Brush.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct RC_BrushDesc {
    std::uint32_t style;  // 0 solid, 1 null, 2 hatched
    std::uint32_t colour; // 0x00BBGGRR
    std::uint32_t hatch;
};
#pragma pack(pop)
static_assert(sizeof(RC_BrushDesc) == 12);
static_assert(offsetof(RC_BrushDesc, style) == 0);
static_assert(offsetof(RC_BrushDesc, colour) == 4);
static_assert(offsetof(RC_BrushDesc, hatch) == 8);

class RC_Brush : public RC_DrawRecord<RC_BrushDesc, plat::gdi::Brush> {
public:
    RC_Brush();

    void SetColour(std::uint32_t colour);
    void SetStyle(std::uint32_t style);

    static std::size_t CachedCount();
};
