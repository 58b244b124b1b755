#pragma once
// Breaking and shortening text for drawing in a rectangle: line breaks, word wrap, prefix
// characters ('&' underlines the next character, "&&" is one '&'), tab expansion and ellipses.
// It only measures, through the function given, so it works the same for every font.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace plat::gdi {

struct TextLine {
    std::u32string text;
    int width = 0;
    int underline = -1; // index in text of the character a prefix marks, or -1
};

using MeasureText = std::function<int(std::u32string_view)>;

// `format` takes the dt:: flags; maxWidth is the rectangle's width.
std::vector<TextLine> LayoutText(std::u32string_view text, int maxWidth, unsigned format,
                                 const MeasureText& measure);

} // namespace plat::gdi
