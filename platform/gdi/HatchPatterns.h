#pragma once
// The 8 x 8 one-bit tiles of the hatch styles: 1 bits are the hatch lines.

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Brush.h"

namespace plat::gdi {

const Bitmap& HatchTile(HatchStyle style);

} // namespace plat::gdi
