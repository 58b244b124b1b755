#pragma once
// What the secondary squelch types of one audio block concluded. Each type that is evaluated
// either passes (its bit in `bits`) or keeps the squelch shut (`closed`); `decided` tells whether
// any type was evaluated at all, and so whether the host hears about this block.

#include <cstdint>

// Bits of the squelch report's wParam: a type that passes.
inline constexpr std::uint32_t kSquelchNoise = 0x2;
inline constexpr std::uint32_t kSquelchCtcss = 0x4;
inline constexpr std::uint32_t kSquelchVoice = 0x100;
inline constexpr std::uint32_t kSquelchDcs = 0x200;

struct SquelchVerdict {
    bool closed = false;
    std::uint32_t bits = 0;
    bool decided = false;
};
