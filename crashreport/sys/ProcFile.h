#pragma once
#include <cstddef>

namespace errvane {

// Reads small system files (/proc, /sys, /etc) into caller buffers with plain system calls: no
// allocation, safe inside the fault handler.
class ProcFile {
public:
    // Reads up to size-1 bytes and terminates them; the byte count, or -1 when the file cannot
    // be opened.
    static long Read(const char* path, char* buffer, std::size_t size);
    // The value of "Key:" in a "Key: value" file such as /proc/meminfo, as a number (the first run
    // of digits after the key); false when the key is missing.
    static bool FindNumber(const char* text, const char* key, unsigned long long* value);
};

}  // namespace errvane
