#pragma once
// The thread that made the most recent plug-in host. The receiver component applies a frequency
// that a plug-in asked for (possibly from another thread) only on this thread.

namespace lxq {

void RecordMainThread();
bool OnMainThread();

} // namespace lxq
