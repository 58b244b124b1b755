#pragma once
// Writes a bitmap as an RGB PNG file. The file is written under a temporary name and renamed, so
// a crash never leaves half a picture under the real name.

#include <string>

#include "platform/gdi/Bitmap.h"

namespace plat::win {

bool WritePng(const gdi::Bitmap& bitmap, const std::string& path);

} // namespace plat::win
