#pragma once
// The classic three-dimensional frames the standard controls are drawn with.

#include "platform/components/TCanvas.h"

namespace plat::comp {

// One ring of `width` pixels: top and left in one colour, bottom and right in the other. The
// rectangle shrinks by the width drawn.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width);
// A raised button face (pressed: sunken) filled with the face colour; the rectangle shrinks to
// the area inside the frame.
void DrawButtonFace(TCanvas& canvas, TRect& rect, TColor face, bool pressed);
// A sunken field (edits, lists, check boxes): two rings around a window-coloured interior.
void DrawSunkenField(TCanvas& canvas, TRect& rect, TColor interior);
// A dotted rectangle, the classic focus mark.
void DrawFocusRect(TCanvas& canvas, const TRect& rect);
// Text without the ampersand that marks an accelerator ("&File" -> "File"; "&&" keeps one).
std::string StripAccelerator(std::string_view caption);
// Whether the character is the caption's accelerator (the letter after a lone '&'), compared
// without case.
bool IsAccel(char c, std::string_view caption);

} // namespace plat::comp
