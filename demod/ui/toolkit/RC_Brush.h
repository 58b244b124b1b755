#pragma once
// A window's brush description and the shared brush it selects (see RC_Pen for the sharing).

#include "demod/ui/toolkit/RC_DrawCallback.h"
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

class RC_Brush {
public:
    RC_Brush();
    ~RC_Brush();
    RC_Brush(const RC_Brush&) = delete;
    RC_Brush& operator=(const RC_Brush&) = delete;

    const plat::gdi::Brush* GetHandle();
    void Release();
    bool HoldsHandle() const { return handle_ != nullptr; }

    void SetColour(std::uint32_t colour);
    void SetStyle(std::uint32_t style);
    void SetChangeCallback(RC_DrawCallback callback) { callback_ = callback; }
    const RC_BrushDesc& Desc() const { return desc_; }

    static std::size_t CachedCount();

private:
    void Changed();

    RC_BrushDesc desc_;
    const plat::gdi::Brush* handle_ = nullptr;
    RC_DrawCallback callback_;
};
