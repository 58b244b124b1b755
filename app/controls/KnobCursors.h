#pragma once
// The two pointers of the knob: an arrow pointing down over the lower half (a left click there
// turns the knob up) and one pointing up over the upper half. Made once, shared by every knob.

#include <cstdint>

namespace lxq {

// Cursor handles of the window system.
std::uint32_t KnobDownCursor();
std::uint32_t KnobUpCursor();

} // namespace lxq
