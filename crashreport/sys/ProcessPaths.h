#pragma once
#include <cstddef>

namespace errvane {

// The process's own names and the folders the library writes to. Each writes a terminated text
// into the caller's buffer and gives its length (0 when unknown).
class ProcessPaths {
public:
    // Full path of the main executable.
    static std::size_t Executable(char* buffer, std::size_t size);
    // The command line as one text: the arguments joined by blanks, an argument holding a blank
    // or nothing at all in double quotes.
    static std::size_t CommandLine(char* buffer, std::size_t size);
    // $XDG_DOCUMENTS_DIR, else $HOME/Documents.
    static std::size_t DocumentsFolder(char* buffer, std::size_t size);
};

}  // namespace errvane
