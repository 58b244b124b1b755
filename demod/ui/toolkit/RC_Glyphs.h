#pragma once
// The small pictures of buttons (title-bar buttons, spinner arrows and a few more), drawn
// anti-aliased into a canvas of any size in 0x00RRGGBB words.

#include "demod/ui/toolkit/RC_Canvas.h"

#include <cstdint>

enum RC_GlyphNumber : int {
    kGlyphNone = 0,
    kGlyphClose = 1,
    kGlyphMinimise = 2,
    kGlyphRestore = 3,
    kGlyphMaximise = 4,
    kGlyphHelp = 5,
    kGlyphUp = 6,
    kGlyphDown = 7,
    kGlyphLeft = 8,
    kGlyphRight = 9,
    kGlyphPlus = 10,
    kGlyphMinus = 11,
    kGlyphCheck = 12,
    kGlyphDot = 13,
    kGlyphPlay = 14,
    kGlyphStop = 15,
    kGlyphRing = 16,
};

// Draws glyph `number` over the whole canvas (already filled with `background`), shifted by
// (dx, dy) pixels. Unknown numbers draw nothing.
void RC_DrawGlyph(RC_Canvas& canvas, int number, std::uint32_t colour, std::uint32_t background, int dx, int dy);
