#include "demod/ui/toolkit/RC_Font.h"

#include <cstring>

namespace {

RC_Font::Cache& FontCache() {
    static RC_Font::Cache cache;
    return cache;
}

RC_FontDesc DefaultFont() {
    RC_FontDesc d;
    std::memset(&d, 0, sizeof(d));
    d.height = -11;
    d.weight = 400;
    d.charSet = 1;
    d.outPrecision = 2;
    d.clipPrecision = 1;
    d.quality = 2;
    std::strcpy(d.faceName, "Arial");
    return d;
}

plat::gdi::Font MakeFont(const RC_FontDesc& d) {
    plat::gdi::FontDesc f;
    f.height = d.height;
    f.weight = d.weight;
    f.italic = d.italic != 0;
    f.underline = d.underline != 0;
    f.strikeOut = d.strikeOut != 0;
    f.face.assign(d.faceName, strnlen(d.faceName, sizeof(d.faceName)));
    return plat::gdi::Font(std::move(f));
}

} // namespace

RC_Font::RC_Font() : RC_DrawRecord(FontCache(), &MakeFont, DefaultFont()) {}

void RC_Font::SetHeight(std::int32_t height) {
    RC_FontDesc d = Desc();
    d.height = height;
    Store(d);
}

void RC_Font::SetWeight(std::int32_t weight) {
    RC_FontDesc d = Desc();
    d.weight = weight;
    Store(d);
}

void RC_Font::SetItalic(bool italic) {
    RC_FontDesc d = Desc();
    d.italic = italic ? 1 : 0;
    Store(d);
}

void RC_Font::SetCharSet(std::uint8_t charSet) {
    RC_FontDesc d = Desc();
    d.charSet = charSet;
    Store(d);
}

void RC_Font::SetFaceName(const char* face) {
    RC_FontDesc d = Desc();
    std::memset(d.faceName, 0, sizeof(d.faceName));
    if (face != nullptr) std::strncpy(d.faceName, face, sizeof(d.faceName) - 1);
    Store(d);
}

void RC_Font::Assign(const RC_Font& other) { Store(other.Desc()); }

std::size_t RC_Font::CachedCount() { return FontCache().EntryCount(); }
