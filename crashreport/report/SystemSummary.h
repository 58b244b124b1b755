#pragma once

namespace errvane {

class TmyStringList;

// The machine (system, processor, disks, memory, code page) and the process (priority,
// affinity, handles, I/O, times, memory). A query that fails leaves its line out.
void ReportSystemSummary(TmyStringList& list);

}  // namespace errvane
