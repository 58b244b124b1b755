#pragma once
// Debugger output: one line of text for whoever watches. It goes to the file named in the
// environment variable LXQ745_DEBUG_OUTPUT when that is set (appended), else to stderr.

#include <string_view>

namespace plat::sys {

void OutputDebugText(std::string_view text);

} // namespace plat::sys
