#pragma once
// Writes a bitmap as a PNG file (8-bit RGB), replacing the file only once it is complete.

#include "platform/gdi/Bitmap.h"

#include <string>

namespace plat::gdi {

// False (and the old file untouched) when the file cannot be written.
bool SavePng(const Bitmap& bitmap, const std::string& path);

} // namespace plat::gdi
