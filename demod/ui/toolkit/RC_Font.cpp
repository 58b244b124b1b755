#include "demod/ui/toolkit/RC_Font.h"

#include "demod/ui/toolkit/RC_DrawObjectCache.h"

#include <cstring>

namespace {

RC_DrawObjectCache<RC_FontDesc, plat::gdi::Font>& Cache() {
    static RC_DrawObjectCache<RC_FontDesc, plat::gdi::Font> cache;
    return cache;
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

RC_Font::RC_Font() {
    std::memset(&desc_, 0, sizeof(desc_));
    desc_.height = -11;
    desc_.weight = 400;
    desc_.charSet = 1;
    desc_.outPrecision = 2;
    desc_.clipPrecision = 1;
    desc_.quality = 2;
    std::strcpy(desc_.faceName, "Arial");
}

RC_Font::~RC_Font() { Release(); }

const plat::gdi::Font* RC_Font::GetHandle() {
    if (handle_ == nullptr) handle_ = Cache().Acquire(desc_, &MakeFont);
    return handle_;
}

void RC_Font::Release() {
    Cache().Release(handle_);
    handle_ = nullptr;
}

void RC_Font::Store(const RC_FontDesc& next) {
    if (std::memcmp(&next, &desc_, sizeof(desc_)) == 0) return;
    desc_ = next;
    if (handle_ == nullptr) return;
    callback_(this);
    Release();
}

void RC_Font::SetHeight(std::int32_t height) {
    RC_FontDesc d = desc_;
    d.height = height;
    Store(d);
}

void RC_Font::SetWeight(std::int32_t weight) {
    RC_FontDesc d = desc_;
    d.weight = weight;
    Store(d);
}

void RC_Font::SetItalic(bool italic) {
    RC_FontDesc d = desc_;
    d.italic = italic ? 1 : 0;
    Store(d);
}

void RC_Font::SetCharSet(std::uint8_t charSet) {
    RC_FontDesc d = desc_;
    d.charSet = charSet;
    Store(d);
}

void RC_Font::SetFaceName(const char* face) {
    RC_FontDesc d = desc_;
    std::memset(d.faceName, 0, sizeof(d.faceName));
    if (face != nullptr) std::strncpy(d.faceName, face, sizeof(d.faceName) - 1);
    Store(d);
}

void RC_Font::Assign(const RC_Font& other) { Store(other.desc_); }

std::size_t RC_Font::CachedCount() { return Cache().EntryCount(); }
