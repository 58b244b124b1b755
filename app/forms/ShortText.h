#pragma once
// Texts that must fit a list column: while too wide, the last three characters give way to "..".

#include <functional>
#include <string>

namespace lxq {

// `tooWide` tells whether a text still does not fit. A text of three characters or fewer is
// left as it is, so the shortening always ends.
std::string ShortenText(std::string text, const std::function<bool(const std::string&)>& tooWide);

} // namespace lxq
