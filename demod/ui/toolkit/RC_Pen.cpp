#include "demod/ui/toolkit/RC_Pen.h"

#include "demod/ui/toolkit/RC_DrawObjectCache.h"

namespace {

RC_DrawObjectCache<RC_PenDesc, plat::gdi::Pen>& Cache() {
    static RC_DrawObjectCache<RC_PenDesc, plat::gdi::Pen> cache;
    return cache;
}

plat::gdi::Pen MakePen(const RC_PenDesc& d) {
    return plat::gdi::Pen{static_cast<plat::gdi::PenStyle>(d.style), d.widthX, d.colour};
}

} // namespace

RC_Pen::RC_Pen() : desc_{0, 1, 0, 0x000000} {}

RC_Pen::~RC_Pen() { Release(); }

const plat::gdi::Pen* RC_Pen::GetHandle() {
    if (handle_ == nullptr) handle_ = Cache().Acquire(desc_, &MakePen);
    return handle_;
}

void RC_Pen::Release() {
    Cache().Release(handle_);
    handle_ = nullptr;
}

void RC_Pen::Changed() {
    if (handle_ == nullptr) return;
    callback_(this);
    Release();
}

void RC_Pen::SetColour(std::uint32_t colour) {
    if (desc_.colour == colour) return;
    desc_.colour = colour;
    Changed();
}

void RC_Pen::SetStyle(std::uint32_t style) {
    if (desc_.style == style) return;
    desc_.style = style;
    Changed();
}

void RC_Pen::SetWidth(std::int32_t width) {
    if (desc_.widthX == width) return;
    desc_.widthX = width;
    Changed();
}

std::size_t RC_Pen::CachedCount() { return Cache().EntryCount(); }
