#pragma once
#include <cstddef>

namespace errvane {

// Pages for code the library writes itself: committed and writable when made, then switched to
// read-only and executable (never both writable and executable).
class CodePages {
public:
    // Null when the memory cannot be had.
    static std::byte* Allocate(std::size_t bytes);
    static bool MakeExecutable(std::byte* at, std::size_t bytes);
    static bool MakeReadOnly(std::byte* at, std::size_t bytes);
    static void Free(std::byte* at, std::size_t bytes);
};

}  // namespace errvane
