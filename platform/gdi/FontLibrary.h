#pragma once
// The process's fonts: finds the file for a description through fontconfig and shares one
// FontFace per description. Faces the system names that are not installed here map to metric
// equivalents (Liberation Sans for Arial).

#include "platform/gdi/Font.h"
#include "platform/gdi/FontFace.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace plat::gdi {

class FontLibrary {
public:
    static FontLibrary& Instance();

    std::shared_ptr<const FontFace> Get(const FontDesc& desc);
    // File and face index fontconfig picks for a description ("" when nothing matched).
    std::pair<std::string, int> Locate(const FontDesc& desc);

private:
    FontLibrary() = default;
    std::mutex mutex_;
    std::map<std::tuple<std::string, int, int, bool>, std::shared_ptr<const FontFace>> faces_;
};

} // namespace plat::gdi
