#pragma once
// Routines on plain zero-terminated texts and number-to-text conversions. A null text pointer is
// treated as an empty text wherever that makes sense, so that no routine reads through null.

#include <cstddef>
#include <cstdint>

int RC_StrCmp(const char* a, const char* b);
// 0 when n is 0 or either pointer is null.
int RC_StrNCmp(const char* a, const char* b, std::size_t n);
// 0 when text begins with prefix, else the difference of the first differing bytes.
int RC_StrCmpPrefix(const char* text, const char* prefix);
char* RC_StrCopy(char* to, const char* from);
// Copies at most size - 1 bytes and always terminates (size 0 writes nothing).
char* RC_StrNCopy(char* to, const char* from, std::size_t size);
std::size_t RC_StrLen(const char* text);
char* RC_StrReverse(char* text);
// First occurrence of part in text; null when text is empty or part is not found.
const char* RC_StrFind(const char* text, const char* part);
const char* RC_StrFindNoCase(const char* text, const char* part);
// Copy in the plug-in's heap (free it with RC_Free); null for null.
char* RC_StrDup(const char* text);
// Copies n bytes; the ranges may overlap.
void RC_MemMove(void* to, const void* from, std::size_t n);
int RC_CountBits(std::uint32_t value);

// Number to text in base 2 to 36, least significant digit last, zero-padded on the left to at
// least minDigits digits (at most 32 for the 32-bit forms, 64 for the 64-bit ones). Signed values
// carry a "-" in base 10 only; in other bases they are written as their two's complement. Any
// other base leaves the buffer untouched and returns 0. The buffer must hold kRC_MaxNumberText
// bytes. Returns the length of the text.
constexpr std::size_t kRC_MaxNumberText = 66;
std::size_t RC_IntToText(std::int32_t value, int base, char* buffer, int minDigits);
std::size_t RC_Int64ToText(std::int64_t value, int base, char* buffer, int minDigits);
std::size_t RC_UIntToText(std::uint32_t value, int base, char* buffer, int minDigits);
std::size_t RC_UInt64ToText(std::uint64_t value, int base, char* buffer, int minDigits);

// Blanks and tabs, an optional sign, digits, then "." or "," and fraction digits; stops at the
// first other character; no exponent. Null or no digits give 0.
double RC_StrToDouble(const char* text);
