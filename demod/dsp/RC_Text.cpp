#include "demod/dsp/RC_Text.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_Locale.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

int ByteDifference(char a, char b) {
    return static_cast<int>(static_cast<unsigned char>(a)) - static_cast<int>(static_cast<unsigned char>(b));
}

constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::size_t UnsignedToText(std::uint64_t magnitude, bool negative, int base, char* buffer,
                           int minDigits, int maxDigits) {
    if (base < 2 || base > 36) {
        return 0;
    }
    if (minDigits > maxDigits) {
        minDigits = maxDigits;
    }
    std::size_t length = 0;
    do {
        buffer[length++] = kDigits[magnitude % static_cast<unsigned>(base)];
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);
    while (static_cast<int>(length) < minDigits) {
        buffer[length++] = '0';
    }
    if (negative) {
        buffer[length++] = '-';
    }
    buffer[length] = '\0';
    RC_StrReverse(buffer);
    return length;
}

template <typename Signed, typename Unsigned>
std::size_t SignedToText(Signed value, int base, char* buffer, int minDigits, int maxDigits) {
    const bool negative = base == 10 && value < 0;
    // Two's complement as unsigned; the magnitude of the most negative value wraps correctly.
    Unsigned bits = static_cast<Unsigned>(value);
    if (negative) {
        bits = static_cast<Unsigned>(Unsigned{0} - bits);
    }
    return UnsignedToText(bits, negative, base, buffer, minDigits, maxDigits);
}

} // namespace

int RC_StrCmp(const char* a, const char* b) {
    a = OrEmpty(a);
    b = OrEmpty(b);
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return ByteDifference(*a, *b);
}

int RC_StrNCmp(const char* a, const char* b, std::size_t n) {
    if (n == 0 || a == nullptr || b == nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i] || a[i] == '\0') {
            return ByteDifference(a[i], b[i]);
        }
    }
    return 0;
}

int RC_StrCmpPrefix(const char* text, const char* prefix) {
    text = OrEmpty(text);
    prefix = OrEmpty(prefix);
    for (; *prefix != '\0'; ++prefix, ++text) {
        if (*text != *prefix) {
            return ByteDifference(*text, *prefix);
        }
    }
    return 0;
}

char* RC_StrCopy(char* to, const char* from) {
    from = OrEmpty(from);
    std::memmove(to, from, std::strlen(from) + 1);
    return to;
}

char* RC_StrNCopy(char* to, const char* from, std::size_t size) {
    if (size == 0) {
        return to;
    }
    from = OrEmpty(from);
    std::size_t i = 0;
    for (; i + 1 < size && from[i] != '\0'; ++i) {
        to[i] = from[i];
    }
    to[i] = '\0';
    return to;
}

std::size_t RC_StrLen(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

char* RC_StrReverse(char* text) {
    if (text == nullptr) {
        return text;
    }
    std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i + 1 < length; ++i, --length) {
        const char c = text[i];
        text[i] = text[length - 1];
        text[length - 1] = c;
    }
    return text;
}

namespace {

template <typename Equal>
const char* Find(const char* text, const char* part, Equal equal) {
    if (text == nullptr || *text == '\0') {
        return nullptr;
    }
    part = OrEmpty(part);
    for (; *text != '\0'; ++text) {
        std::size_t i = 0;
        while (part[i] != '\0' && text[i] != '\0' && equal(text[i], part[i])) {
            ++i;
        }
        if (part[i] == '\0') {
            return text;
        }
    }
    return nullptr;
}

} // namespace

const char* RC_StrFind(const char* text, const char* part) {
    return Find(text, part, [](char a, char b) { return a == b; });
}

const char* RC_StrFindNoCase(const char* text, const char* part) {
    return Find(text, part, [](char a, char b) { return RC_UpperCase(a) == RC_UpperCase(b); });
}

char* RC_StrDup(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    return static_cast<char*>(RC_AllocCopy(text, std::strlen(text) + 1));
}

void RC_MemMove(void* to, const void* from, std::size_t n) {
    if (n != 0) {
        std::memmove(to, from, n);
    }
}

int RC_CountBits(std::uint32_t value) { return std::popcount(value); }

std::size_t RC_IntToText(std::int32_t value, int base, char* buffer, int minDigits) {
    return SignedToText<std::int32_t, std::uint32_t>(value, base, buffer, minDigits, 32);
}

std::size_t RC_Int64ToText(std::int64_t value, int base, char* buffer, int minDigits) {
    return SignedToText<std::int64_t, std::uint64_t>(value, base, buffer, minDigits, 64);
}

std::size_t RC_UIntToText(std::uint32_t value, int base, char* buffer, int minDigits) {
    return UnsignedToText(value, false, base, buffer, minDigits, 32);
}

std::size_t RC_UInt64ToText(std::uint64_t value, int base, char* buffer, int minDigits) {
    return UnsignedToText(value, false, base, buffer, minDigits, 64);
}

double RC_StrToDouble(const char* text) {
    if (text == nullptr) {
        return 0.0;
    }
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    // Digits are gathered into the form std::from_chars reads, exactly rounded; digits beyond
    // the buffer only scale the value (integer part) or are below its precision (fraction).
    char buffer[128];
    std::size_t used = 0;
    long droppedIntegerDigits = 0;
    if (*text == '-' || *text == '+') {
        if (*text == '-') {
            buffer[used++] = '-';
        }
        ++text;
    }
    const std::size_t digitsStart = used;
    constexpr std::size_t kRoom = sizeof buffer - 24; // leaves room for "." and an exponent
    for (; RC_IsDigit(*text); ++text) {
        if (used < kRoom) {
            buffer[used++] = *text;
        } else {
            ++droppedIntegerDigits;
        }
    }
    if (*text == '.' || *text == ',') {
        ++text;
        buffer[used++] = '.';
        for (; RC_IsDigit(*text); ++text) {
            if (used < kRoom) {
                buffer[used++] = *text;
            }
        }
    }
    if (used == digitsStart || (used == digitsStart + 1 && buffer[digitsStart] == '.')) {
        return 0.0;
    }
    if (droppedIntegerDigits > 0) {
        used += static_cast<std::size_t>(
            std::snprintf(buffer + used, sizeof buffer - used, "e%ld", droppedIntegerDigits));
    }
    double value = 0.0;
    std::from_chars(buffer, buffer + used, value);
    return value;
}
