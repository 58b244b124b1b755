#pragma once
// A brush: how the insides of shapes and filled rectangles are painted.

#include "platform/gdi/Colour.h"

#include <memory>

namespace plat::gdi {

class Bitmap;

enum class BrushStyle : int { Solid = 0, Null = 1, Hatched = 2, Pattern = 3 };

enum class HatchStyle : int {
    Horizontal = 0,
    Vertical = 1,
    ForwardDiagonal = 2,  // top left to bottom right
    BackwardDiagonal = 3, // bottom left to top right
    Cross = 4,
    DiagonalCross = 5,
};

struct Brush {
    BrushStyle style = BrushStyle::Solid;
    ColorRef colour = 0xFFFFFF;
    HatchStyle hatch = HatchStyle::Horizontal;
    // Tiled from the brush origin; a 1-bit pattern paints its 0 bits in the text colour and its
    // 1 bits in the background colour.
    std::shared_ptr<const Bitmap> pattern;

    static Brush Solid(ColorRef c) { return {BrushStyle::Solid, c, HatchStyle::Horizontal, {}}; }
    static Brush Null() { return {BrushStyle::Null, 0, HatchStyle::Horizontal, {}}; }
    static Brush Hatched(HatchStyle h, ColorRef c) { return {BrushStyle::Hatched, c, h, {}}; }
    friend bool operator==(const Brush&, const Brush&) = default;
};

} // namespace plat::gdi
