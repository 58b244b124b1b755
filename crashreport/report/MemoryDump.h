#pragma once
#include <cstdint>

namespace errvane {

class TmyStringList;

// A hex and character dump of [start, start + length) in 32-byte rows, highest row first. The
// frame form (a stack frame from RSP to RBP) adds the possible parameters above the frame. Nothing
// is appended when none of the rows is readable.
void ReportMemoryDump(TmyStringList& list, const char* title, std::uint64_t start, std::uint64_t length,
                      bool frameForm);

}  // namespace errvane
