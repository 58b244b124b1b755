#pragma once
// The calling process and the liveness of other processes, for ownership records that outlive
// their owner in shared memory.

#include <cstdint>

namespace plat::sys {

std::uint32_t CurrentProcessId();

// True while a process with this id exists (also when it belongs to another user).
bool ProcessExists(std::uint32_t pid);

} // namespace plat::sys
