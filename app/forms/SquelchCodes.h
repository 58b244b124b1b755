#pragma once
// The CTCSS tones and DCS codes the program knows: the squelch controls offer them and the
// memory-channel spreadsheet import accepts only them.

#include <array>
#include <cstdint>

namespace lxq {

// Tones in thousandths of Hz, rising.
extern const std::array<std::int32_t, 52> CtcssToneTable;
// Codes stored as the number whose three octal digits are the code: code 023 is 19. Rising.
extern const std::array<std::int32_t, 112> DcsCodeTable;

bool IsCtcssTone(std::int32_t milliHz);
bool IsDcsCode(std::int32_t code);

} // namespace lxq
