#pragma once
// The program's own version, which plug-ins read from the capability block.

namespace lxq {

inline constexpr unsigned kProgramVersionMajor = 1;
inline constexpr unsigned kProgramVersionMinor = 0;
inline constexpr unsigned kProgramVersionRelease = 0;

} // namespace lxq
