#pragma once

namespace errvane {

class TmyStringList;

// "Modules:" and one line per loaded ELF module in address order: its address range, file name
// and full path.
void ReportModules(TmyStringList& list);
// The module lines, unsorted.
void ListProcessModules(TmyStringList& list);

}  // namespace errvane
