#include "platform/gdi/FontLibrary.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <tuple>

namespace plat::gdi {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The face the system names, and an empty name, map to its metric twin; other names go to
// fontconfig as they are.
std::string Family(const std::string& face) {
    const std::string f = Lower(face);
    if (f.empty() || f == "arial") return "Liberation Sans";
    return face;
}

} // namespace

FontLibrary& FontLibrary::Instance() {
    // Never destroyed: faces may still be in use while static objects go away at exit.
    static FontLibrary* library = new FontLibrary();
    return *library;
}

std::pair<std::string, int> FontLibrary::Locate(const FontDesc& desc) {
    FcPattern* pattern = FcPatternCreate();
    const std::string family = Family(desc.face);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT,
                        FcWeightFromOpenType(std::clamp(desc.weight == 0 ? 400 : desc.weight, 1, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, desc.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::pair<std::string, int> found{"", 0};
    if (match) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            found = {reinterpret_cast<const char*>(file), index};
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

std::shared_ptr<const FontFace> FontLibrary::Get(const FontDesc& desc) {
    std::lock_guard lock(mutex_);
    const auto key = std::make_tuple(Lower(Family(desc.face)), desc.height,
                                     desc.weight == 0 ? 400 : desc.weight, desc.italic);
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second;
    const auto [path, index] = Locate(desc);
    auto face = std::make_shared<const FontFace>(desc, path, index);
    faces_.emplace(key, face);
    return face;
}

const FontFace& Font::Face() const {
    std::call_once(resolved_->once, [this] { resolved_->face = FontLibrary::Instance().Get(desc_); });
    return *resolved_->face;
}

} // namespace plat::gdi
