#pragma once
// Text in the controls is UTF-8: carets, deletions and cuts move by whole characters, never into
// the middle of one.

#include <string>

namespace plat::comp {

inline bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// Start of the character before byte position `pos` (0 at the start).
inline int PreviousCharStart(const std::string& t, int pos) {
    if (pos <= 0) return 0;
    --pos;
    while (pos > 0 && IsContinuationByte(t[static_cast<std::size_t>(pos)])) --pos;
    return pos;
}

// Start of the character after the one at byte position `pos` (the size at the end).
inline int NextCharStart(const std::string& t, int pos) {
    const int n = static_cast<int>(t.size());
    if (pos >= n) return n;
    ++pos;
    while (pos < n && IsContinuationByte(t[static_cast<std::size_t>(pos)])) ++pos;
    return pos;
}

} // namespace plat::comp
