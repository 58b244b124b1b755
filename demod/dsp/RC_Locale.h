#pragma once
// The locale tables of the plug-in's text routines: the decimal point of numbers it writes, an
// upper-case table for comparisons that ignore case, and a digit table.

#include <cstdint>

char RC_DecimalPoint();
// Takes the first character of the C library's current decimal separator ("." when it has none).
void RC_LoadLocale();

inline char RC_UpperCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
inline bool RC_IsDigit(char c) { return c >= '0' && c <= '9'; }
