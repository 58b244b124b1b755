#include "demod/ui/toolkit/RC_Pen.h"

namespace {

RC_Pen::Cache& PenCache() {
    static RC_Pen::Cache cache;
    return cache;
}

plat::gdi::Pen MakePen(const RC_PenDesc& d) {
    return plat::gdi::Pen{static_cast<plat::gdi::PenStyle>(d.style), d.widthX, d.colour};
}

} // namespace

RC_Pen::RC_Pen() : RC_DrawRecord(PenCache(), &MakePen, RC_PenDesc{0, 1, 0, 0x000000}) {}

void RC_Pen::SetColour(std::uint32_t colour) {
    RC_PenDesc d = Desc();
    d.colour = colour;
    Store(d);
}

void RC_Pen::SetStyle(std::uint32_t style) {
    RC_PenDesc d = Desc();
    d.style = style;
    Store(d);
}

void RC_Pen::SetWidth(std::int32_t width) {
    RC_PenDesc d = Desc();
    d.widthX = width;
    Store(d);
}

std::size_t RC_Pen::CachedCount() { return PenCache().EntryCount(); }
