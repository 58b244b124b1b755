#pragma once
// Measures of a font in pixels, as text layout code expects them.

namespace plat::gdi {

struct TextMetrics {
    int height = 0;           // ascent + descent
    int ascent = 0;           // baseline to the top of the cell
    int descent = 0;          // baseline to the bottom of the cell
    int internalLeading = 0;  // height minus the character height
    int externalLeading = 0;  // extra space the font suggests between lines
    int aveCharWidth = 0;     // the font's average character width
    int maxCharWidth = 0;
    int weight = 400;
    bool italic = false;
    bool underlined = false;
    bool struckOut = false;
};

// Text alignment for TextOut (combine one horizontal and one vertical value).
namespace ta {
constexpr unsigned Left = 0;
constexpr unsigned Right = 2;
constexpr unsigned Center = 6;
constexpr unsigned Top = 0;
constexpr unsigned Bottom = 8;
constexpr unsigned Baseline = 24;
constexpr unsigned UpdateCp = 1; // start at, and advance, the current position
} // namespace ta

// Options of ExtTextOut.
namespace eto {
constexpr unsigned Opaque = 2;  // fill the rectangle with the background colour first
constexpr unsigned Clipped = 4; // clip the text to the rectangle
} // namespace eto

// Formatting flags of DrawText.
namespace dt {
constexpr unsigned Top = 0x0;
constexpr unsigned Left = 0x0;
constexpr unsigned Center = 0x1;
constexpr unsigned Right = 0x2;
constexpr unsigned VCenter = 0x4;
constexpr unsigned Bottom = 0x8;
constexpr unsigned WordBreak = 0x10;
constexpr unsigned SingleLine = 0x20;
constexpr unsigned ExpandTabs = 0x40;
constexpr unsigned NoClip = 0x100;
constexpr unsigned ExternalLeading = 0x200;
constexpr unsigned CalcRect = 0x400;
constexpr unsigned NoPrefix = 0x800;
constexpr unsigned EditControl = 0x2000;
constexpr unsigned PathEllipsis = 0x4000;
constexpr unsigned EndEllipsis = 0x8000;
constexpr unsigned WordEllipsis = 0x40000;
constexpr unsigned HidePrefix = 0x100000;
} // namespace dt

} // namespace plat::gdi
