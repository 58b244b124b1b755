#pragma once
// The table of mode names the whole program uses: a receiver's mode id indexes it. The last
// entry exists and is empty, so loops over every mode run over all 21 entries.

#include <array>
#include <string_view>

namespace lxq {

inline constexpr int kModeNameCount = 21;

const std::array<std::string_view, kModeNameCount>& ModeNames();

// The name of a mode id; empty for an id outside the table.
std::string_view ModeName(int modeId);

} // namespace lxq
