#pragma once
// Text reaches drawing as bytes: UTF-8 where it is valid, and any byte that does not start a valid
// UTF-8 sequence is read as a Latin-1 character, so older 8-bit text still shows its accented
// letters and degree or micro signs instead of failing.

#include <string>
#include <string_view>

namespace plat::gdi {

std::u32string DecodeText(std::string_view bytes);

} // namespace plat::gdi
