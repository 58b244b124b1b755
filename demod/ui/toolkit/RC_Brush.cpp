#include "demod/ui/toolkit/RC_Brush.h"

#include "demod/ui/toolkit/RC_DrawObjectCache.h"

namespace {

RC_DrawObjectCache<RC_BrushDesc, plat::gdi::Brush>& Cache() {
    static RC_DrawObjectCache<RC_BrushDesc, plat::gdi::Brush> cache;
    return cache;
}

plat::gdi::Brush MakeBrush(const RC_BrushDesc& d) {
    plat::gdi::Brush b;
    // Styles beyond hatched need a pattern bitmap this record cannot carry: painted solid.
    b.style = d.style <= 2 ? static_cast<plat::gdi::BrushStyle>(d.style) : plat::gdi::BrushStyle::Solid;
    b.colour = d.colour;
    b.hatch = static_cast<plat::gdi::HatchStyle>(d.hatch <= 5 ? d.hatch : 0);
    return b;
}

} // namespace

RC_Brush::RC_Brush() : desc_{0, 0xC0C0C0, 1} {}

RC_Brush::~RC_Brush() { Release(); }

const plat::gdi::Brush* RC_Brush::GetHandle() {
    if (handle_ == nullptr) handle_ = Cache().Acquire(desc_, &MakeBrush);
    return handle_;
}

void RC_Brush::Release() {
    Cache().Release(handle_);
    handle_ = nullptr;
}

void RC_Brush::Changed() {
    if (handle_ == nullptr) return;
    callback_(this);
    Release();
}

void RC_Brush::SetColour(std::uint32_t colour) {
    if (desc_.colour == colour) return;
    desc_.colour = colour;
    Changed();
}

void RC_Brush::SetStyle(std::uint32_t style) {
    if (desc_.style == style) return;
    desc_.style = style;
    Changed();
}

std::size_t RC_Brush::CachedCount() { return Cache().EntryCount(); }
