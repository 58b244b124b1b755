#pragma once
#include <cstddef>

namespace errvane {

// The ids of the process's threads, from /proc/self/task in directory order, into the caller's
// array (no allocation). Returns the number of ids stored.
std::size_t ListTaskIds(long* ids, std::size_t capacity);

// Whether thread id of this process still lives and does not block signal (SigBlk of
// /proc/self/task/<id>/status; no allocation): a signal sent to it is taken as soon as it runs.
bool TaskTakesSignal(long id, int signal);

}  // namespace errvane
