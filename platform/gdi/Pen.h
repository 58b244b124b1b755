#pragma once
// A pen: how lines and the outlines of shapes are drawn. Style numbers are the classic ones, so a
// stored pen description passes through unchanged.

#include "platform/gdi/Colour.h"

namespace plat::gdi {

enum class PenStyle : int {
    Solid = 0,
    Dash = 1,       // 18 on, 6 off
    Dot = 2,        // 3 on, 3 off
    DashDot = 3,    // 9, 6, 3, 6
    DashDotDot = 4, // 9, 3, 3, 3, 3, 3
    Null = 5,
    InsideFrame = 6, // solid, kept inside the bounding box of shapes
    Alternate = 8,   // every other pixel
};

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1; // 0 draws as 1
    ColorRef colour = 0;
    friend bool operator==(const Pen&, const Pen&) = default;
};

} // namespace plat::gdi
