#pragma once
// Parts of the signal calibration that several model classes share.

#include <cstdint>

namespace lxq {

inline constexpr std::int32_t kSelectorNarrowTable = -1;
inline constexpr std::int32_t kSelectorWideTable = 3;
inline constexpr std::int32_t kModeFmWide = 3;
inline constexpr double kAttenuatorDb = 18.0;
inline constexpr double kNoPreAmpDb = 16.0;

} // namespace lxq
