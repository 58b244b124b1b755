#pragma once
#include "crashreport/text/TmyString.h"

namespace errvane {

struct ThreadSnapshot;
class TmyStringList;

// One line per thread: " *" for the calling thread; for the others where they stopped, the first
// return address outside the C library and the dynamic loader, and where the thread started.
void ReportThreads(TmyStringList& list, const ThreadSnapshot& snapshot);

// Whether an address text names the C library, the dynamic loader or the kernel's vDSO.
bool IsSystemLibraryText(const TmyString& text);

}  // namespace errvane
