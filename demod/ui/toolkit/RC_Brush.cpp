#include "demod/ui/toolkit/RC_Brush.h"

namespace {

RC_Brush::Cache& BrushCache() {
    static RC_Brush::Cache cache;
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

RC_Brush::RC_Brush() : RC_DrawRecord(BrushCache(), &MakeBrush, RC_BrushDesc{0, 0xC0C0C0, 1}) {}

void RC_Brush::SetColour(std::uint32_t colour) {
    RC_BrushDesc d = Desc();
    d.colour = colour;
    Store(d);
}

void RC_Brush::SetStyle(std::uint32_t style) {
    RC_BrushDesc d = Desc();
    d.style = style;
    Store(d);
}

std::size_t RC_Brush::CachedCount() { return BrushCache().EntryCount(); }
