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
    // The numeric fields of a /proc stat line, numbered from 1 as in proc(5); fields[n] for n from
    // 3 (after the command name) up to count - 1. False when the line has no command name.
    static bool StatFields(const char* text, unsigned long long* fields, int count);
};

}  // namespace errvane
