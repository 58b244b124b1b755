#pragma once
#include <cstddef>

namespace errvane {

// The library's debug output: standard error, written with plain write(2) so that it works from a
// signal handler.
class DebugOutput {
public:
    static void Write(const char* text);
    static void Write(const char* text, std::size_t length);
};

}  // namespace errvane
