#include "platform/components/TFont.h"

namespace plat::comp {
namespace {

constexpr int kPixelsPerInch = 96;

} // namespace

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
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
    Changed();
}

void TFont::SetStyle(unsigned style) {
    if (style == style_) return;
    style_ = style;
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
    Changed();
}

gdi::Font TFont::ToGdi() const {
    gdi::FontDesc d;
    d.face = name_;
    d.height = height_;
    d.weight = (style_ & fs::Bold) ? 700 : 400;
    d.italic = (style_ & fs::Italic) != 0;
    d.underline = (style_ & fs::Underline) != 0;
    d.strikeOut = (style_ & fs::StrikeOut) != 0;
    return gdi::Font(std::move(d));
}

} // namespace plat::comp
