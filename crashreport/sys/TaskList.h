#pragma once
#include <cstddef>

namespace errvane {

// The ids of the process's threads, from /proc/self/task in directory order, into the caller's
// array (no allocation). Returns the number of ids stored.
std::size_t ListTaskIds(long* ids, std::size_t capacity);

}  // namespace errvane
