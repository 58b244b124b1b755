#pragma once

namespace errvane {

struct ProcessorContext;
class TmyStringList;

// The registers the context's flags select, the innermost frame with its code listing, the call
// stack and dumps of the memory the integer registers point to.
void ReportContext(TmyStringList& list, const ProcessorContext& context);

}  // namespace errvane
