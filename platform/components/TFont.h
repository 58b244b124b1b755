#pragma once
// A font: face, size in points (or height in pixels), style and colour.

#include <optional>
#include <string>
#include <string_view>

#include "platform/components/Graphics.h"
#include "platform/components/TGraphicsObject.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Geometry.h"

namespace plat::comp {

namespace fs {
constexpr unsigned Bold = 1;
constexpr unsigned Italic = 2;
constexpr unsigned Underline = 4;
constexpr unsigned StrikeOut = 8;
} // namespace fs

class TFont : public TGraphicsObject {
public:
    const char* ClassName() const override { return "TFont"; }

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Points at the screen's 96 pixels per inch; setting it replaces a height in pixels.
    int Size() const;
    void SetSize(int points);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    unsigned Style() const { return style_; }
    void SetStyle(unsigned style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    void Assign(const TFont& other);
    // The drawing layer's font for this description (kept, so its face is resolved once).
    const gdi::Font& ToGdi() const;
    // Size of a line of text in this font.
    gdi::Size TextExtent(std::string_view text) const;

private:
    std::string name_ = "Arial";
    int height_ = -11; // 8 points
    unsigned style_ = 0;
    TColor color_ = clWindowText;
    mutable std::optional<gdi::Font> gdiFont_;
};

} // namespace plat::comp
