// RC_String's formatter: the directives the plug-in's texts use, written without the C library's
// printf so that the output is the same whatever the C library's locale and width conventions.

#include "demod/dsp/RC_String.h"

#include "demod/dsp/RC_Locale.h"
#include "demod/dsp/RC_Text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

struct Directive {
    bool space = false;
    bool plus = false;
    bool zero = false;
    int width = 0;
    int precision = -1; // -1: none given
    char length = 0;    // 0, 'l' or 'L'
    char conversion = 0;
};

// Real numbers never need more digits than this; longer precisions are cut.
constexpr int kMaxPrecision = 300;

const char* ParseDirective(const char* p, Directive& d, std::va_list& arguments) {
    for (;; ++p) {
        if (*p == ' ') {
            d.space = true;
        } else if (*p == '+') {
            d.plus = true;
        } else if (*p == '0') {
            d.zero = true;
        } else if (*p != '#' && *p != '-') {
            break;
        }
    }
    if (*p == '*') {
        d.width = va_arg(arguments, int);
        ++p;
    } else {
        for (; RC_IsDigit(*p); ++p) {
            d.width = d.width < 100000 ? d.width * 10 + (*p - '0') : d.width;
        }
    }
    if (*p == '.') {
        ++p;
        d.precision = 0;
        if (*p == '*') {
            d.precision = va_arg(arguments, int);
            ++p;
        } else {
            for (; RC_IsDigit(*p); ++p) {
                d.precision = d.precision < 100000 ? d.precision * 10 + (*p - '0') : d.precision;
            }
        }
    }
    for (; *p == 'h' || *p == 'l' || *p == 'L'; ++p) {
        if (*p != 'h') {
            d.length = *p;
        }
    }
    if (d.width < 0) {
        d.width = 0;
    }
    d.conversion = *p;
    return *p != '\0' ? p + 1 : p;
}

// Writes sign, padding and body as the directive asks: right-aligned in the width, zeros after
// the sign when zero padding was requested for a number.
void Emit(RC_String& out, const Directive& d, char sign, const char* body, std::size_t length,
          bool numeric) {
    const std::size_t used = length + (sign != 0 ? 1 : 0);
    const std::size_t pad = static_cast<std::size_t>(d.width) > used ? d.width - used : 0;
    const bool zeros = numeric && d.zero;
    if (!zeros) {
        for (std::size_t i = 0; i < pad; ++i) {
            out.AppendChar(' ');
        }
    }
    if (sign != 0) {
        out.AppendChar(sign);
    }
    if (zeros) {
        for (std::size_t i = 0; i < pad; ++i) {
            out.AppendChar('0');
        }
    }
    for (std::size_t i = 0; i < length; ++i) {
        out.AppendChar(body[i]);
    }
}

char PositiveSign(const Directive& d) { return d.plus ? '+' : (d.space ? ' ' : 0); }

void EmitInteger(RC_String& out, const Directive& d, std::va_list& arguments) {
    char buffer[kRC_MaxNumberText];
    const int minDigits = d.precision > 0 ? d.precision : 1;
    char sign = 0;
    std::size_t length = 0;
    if (d.conversion == 'd') {
        const std::int64_t value =
            d.length == 'l' ? va_arg(arguments, long long) : va_arg(arguments, int);
        const std::uint64_t magnitude =
            value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        sign = value < 0 ? '-' : PositiveSign(d);
        length = RC_UInt64ToText(magnitude, 10, buffer, minDigits);
    } else {
        const std::uint64_t value =
            d.length == 'l' ? va_arg(arguments, unsigned long long) : va_arg(arguments, unsigned);
        const int base = d.conversion == 'u' ? 10 : d.conversion == 'o' ? 8 : d.conversion == 'X' ? 16 : 2;
        length = RC_UInt64ToText(value, base, buffer, minDigits);
    }
    Emit(out, d, sign, buffer, length, true);
}

void EmitReal(RC_String& out, const Directive& d, std::va_list& arguments) {
    const long double value =
        d.length == 'L' ? va_arg(arguments, long double) : va_arg(arguments, double);
    const int precision = d.precision < 0 ? 6 : (d.precision > kMaxPrecision ? kMaxPrecision : d.precision);
    const char sign = std::signbit(value) ? '-' : PositiveSign(d);
    const long double magnitude = std::fabs(value);
    char buffer[5200];
    std::to_chars_result result{};
    if (d.conversion == 'f') {
        result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, precision);
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::general,
                               precision == 0 ? 1 : precision);
    }
    if (result.ec != std::errc{}) {
        return;
    }
    const std::size_t length = static_cast<std::size_t>(result.ptr - buffer);
    const char point = RC_DecimalPoint();
    for (std::size_t i = 0; i < length; ++i) {
        if (buffer[i] == '.') {
            buffer[i] = point;
        }
    }
    Emit(out, d, sign, buffer, length, std::isfinite(value));
}

void EmitText(RC_String& out, const Directive& d, std::va_list& arguments) {
    RC_String text;
    if (d.length == 'l') {
        text.AppendWide(va_arg(arguments, const char16_t*));
    } else {
        const char* narrow = va_arg(arguments, const char*);
        text.Append(narrow != nullptr ? narrow : "(null)");
    }
    std::size_t length = text.Length();
    if (d.precision >= 0 && static_cast<std::size_t>(d.precision) < length) {
        length = static_cast<std::size_t>(d.precision);
    }
    Emit(out, d, 0, text.Text(), length, false);
}

void EmitCharacter(RC_String& out, const Directive& d, std::va_list& arguments) {
    const int value = va_arg(arguments, int);
    char c = static_cast<char>(value);
    if (d.length == 'l' && (value < 0 || value >= 256)) {
        c = '_';
    }
    Emit(out, d, 0, &c, 1, false);
}

void EmitPointer(RC_String& out, const Directive& d, std::va_list& arguments) {
    char buffer[kRC_MaxNumberText];
    const auto value = reinterpret_cast<std::uintptr_t>(va_arg(arguments, const void*));
    const std::size_t length = RC_UInt64ToText(value, 16, buffer, 2 * sizeof(void*));
    Emit(out, d, 0, buffer, length, false);
}

void EmitIdentifier(RC_String& out, const Directive& d, std::va_list& arguments) {
    const auto* bytes = static_cast<const unsigned char*>(va_arg(arguments, const void*));
    if (bytes == nullptr) {
        Emit(out, d, 0, "(null)", 6, false);
        return;
    }
    // {32-bit, 16-bit, 16-bit little-endian fields, then eight bytes in order}
    const std::uint32_t first = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
    RC_String text;
    text.AppendUInt(first, 16, 8);
    text.AppendChar('-');
    text.AppendUInt(static_cast<std::uint32_t>(bytes[4] | bytes[5] << 8), 16, 4);
    text.AppendChar('-');
    text.AppendUInt(static_cast<std::uint32_t>(bytes[6] | bytes[7] << 8), 16, 4);
    text.AppendChar('-');
    for (int i = 8; i < 16; ++i) {
        if (i == 10) {
            text.AppendChar('-');
        }
        text.AppendUInt(bytes[i], 16, 2);
    }
    Emit(out, d, 0, text.Text(), text.Length(), false);
}

} // namespace

void RC_String::AppendFormat(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    AppendFormatList(format, arguments);
    va_end(arguments);
}

void RC_String::AppendFormatList(const char* format, std::va_list arguments) {
    if (format == nullptr) {
        return;
    }
    std::va_list args;
    va_copy(args, arguments);
    const char* p = format;
    while (*p != '\0') {
        const char* literal = p;
        while (*p != '\0' && *p != '%') {
            ++p;
        }
        AppendBytes(literal, static_cast<std::size_t>(p - literal));
        if (*p == '\0') {
            break;
        }
        const char* start = p;
        Directive d;
        p = ParseDirective(p + 1, d, args);
        switch (d.conversion) {
        case '%': AppendChar('%'); break;
        case 'd':
        case 'u':
        case 'o':
        case 'X':
        case 'b': EmitInteger(*this, d, args); break;
        case 'f':
        case 'g': EmitReal(*this, d, args); break;
        case 's': EmitText(*this, d, args); break;
        case 'c': EmitCharacter(*this, d, args); break;
        case 'p': EmitPointer(*this, d, args); break;
        case 'a': EmitIdentifier(*this, d, args); break;
        default: AppendBytes(start, static_cast<std::size_t>(p - start)); break; // not a directive
        }
    }
    va_end(args);
}
