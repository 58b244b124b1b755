#pragma once
#include <cstddef>

namespace errvane {

// The library's debug output: the file named by LXQ745_DEBUG_OUTPUT, as the program's own, else
// standard error; written with plain open(2) and write(2) so that it works from a signal handler.
class DebugOutput {
public:
    static void Write(const char* text);
    static void Write(const char* text, std::size_t length);
};

}  // namespace errvane
