#pragma once
#include <cstddef>

namespace errvane {

class TmyFile;

// Where trace lines go besides the debug output: the trace log of the application, when open.
class TraceSink {
public:
    static void SetLogFile(TmyFile* file);
    static void Write(const char* line, std::size_t length, bool toDebugOutput);
};

}  // namespace errvane
