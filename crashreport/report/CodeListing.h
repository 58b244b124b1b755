#pragma once
#include <cstdint>

namespace errvane {

class TmyStringList;

// A code listing around `address`: from `before` bytes ahead of it (decoding starts 40 bytes
// earlier still, to fall into step with the instruction boundaries) to `after` bytes past it. The
// instruction at the address is marked ">>"; memory operands relative to the frame pointer, to
// RIP or absolute are annotated with their address and value, and branch targets with the
// module they lie in.
void ReportDisassembly(TmyStringList& list, std::uint64_t address, std::uint64_t framePointer, std::uint64_t before,
                       std::uint64_t after);

// The address of the call instruction that ends at the return address, or 0.
std::uint64_t FindCallSite(std::uint64_t returnAddress);

}  // namespace errvane
