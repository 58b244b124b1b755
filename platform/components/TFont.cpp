#include "platform/components/TFont.h"

#include "platform/gdi/DC.h"

namespace plat::comp {
namespace {

constexpr int kPixelsPerInch = 96;

} // namespace

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    gdiFont_.reset();
    Changed();
}

int TFont::Size() const {
    const int pixels = height_ < 0 ? -height_ : height_;
    return (pixels * 72 + kPixelsPerInch / 2) / kPixelsPerInch;
}

void TFont::SetSize(int points) { SetHeight(-((points * kPixelsPerInch + 36) / 72)); }

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    gdiFont_.reset();
    Changed();
}

void TFont::SetStyle(unsigned style) {
    if (style == style_) return;
    style_ = style;
    gdiFont_.reset();
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::Assign(const TFont& other) {
    if (&other == this) return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    gdiFont_ = other.gdiFont_;
    Changed();
}

const gdi::Font& TFont::ToGdi() const {
    if (gdiFont_) return *gdiFont_;
    gdi::FontDesc d;
    d.face = name_;
    d.height = height_;
    d.weight = (style_ & fs::Bold) ? 700 : 400;
    d.italic = (style_ & fs::Italic) != 0;
    d.underline = (style_ & fs::Underline) != 0;
    d.strikeOut = (style_ & fs::StrikeOut) != 0;
    gdiFont_.emplace(std::move(d));
    return *gdiFont_;
}

gdi::Size TFont::TextExtent(std::string_view text) const {
    gdi::DC measure(nullptr);
    measure.SelectFont(ToGdi());
    return measure.GetTextExtent(text);
}

} // namespace plat::comp
