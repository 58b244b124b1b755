#include "demod/dsp/RC_String.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_Text.h"

#include <cmath>
#include <cstring>

namespace {
constexpr std::size_t kGranule = 64;
}

RC_String::RC_String() { Reserve(0); }

RC_String::RC_String(const RC_String& other) : RC_String() { AssignString(other); }

RC_String::RC_String(RC_String&& other) noexcept
    : text_(other.text_), length_(other.length_), capacity_(other.capacity_) {
    other.text_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
}

RC_String& RC_String::operator=(const RC_String& other) {
    AssignString(other);
    return *this;
}

RC_String& RC_String::operator=(RC_String&& other) noexcept {
    if (this != &other) {
        RC_Free(text_);
        text_ = other.text_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.text_ = nullptr;
        other.length_ = 0;
        other.capacity_ = 0;
    }
    return *this;
}

RC_String::~RC_String() { RC_Free(text_); }

bool RC_String::Reserve(std::size_t length) {
    if (text_ != nullptr && length < capacity_) {
        return true;
    }
    const std::size_t capacity = (length + 1 + kGranule - 1) / kGranule * kGranule;
    auto* grown = static_cast<char*>(RC_Realloc(text_, capacity));
    if (grown == nullptr) {
        return false;
    }
    if (text_ == nullptr) {
        grown[0] = '\0';
    }
    text_ = grown;
    capacity_ = capacity;
    return true;
}

void RC_String::AppendBytes(const char* bytes, std::size_t count) {
    if (count == 0 || !Reserve(length_ + count)) {
        return;
    }
    std::memmove(text_ + length_, bytes, count);
    length_ += count;
    text_[length_] = '\0';
}

void RC_String::Assign(const char* text) {
    if (text == nullptr || text == text_) {
        return;
    }
    const std::size_t length = std::strlen(text);
    if (!Reserve(length)) {
        return;
    }
    std::memmove(text_, text, length + 1);
    length_ = length;
}

void RC_String::AssignString(const RC_String& other) {
    if (&other != this) {
        Assign(other.Text());
    }
}

void RC_String::Append(const char* text) {
    if (text != nullptr) {
        AppendBytes(text, std::strlen(text));
    }
}

void RC_String::AppendString(const RC_String& other) { AppendBytes(other.Text(), other.Length()); }

void RC_String::AppendChar(char c) { AppendBytes(&c, 1); }

void RC_String::AppendWide(const char16_t* text) {
    if (text == nullptr) {
        return;
    }
    for (; *text != 0; ++text) {
        AppendChar(*text < 256 ? static_cast<char>(*text) : '_');
    }
}

void RC_String::InsertChar(std::size_t index, char c) {
    if (!Reserve(length_ + 1)) {
        return;
    }
    if (index > length_) {
        index = length_;
    }
    std::memmove(text_ + index + 1, text_ + index, length_ - index + 1);
    text_[index] = c;
    ++length_;
}

void RC_String::DeleteAt(std::size_t index) { Erase(index, index); }

void RC_String::Erase(std::size_t from, std::size_t to) {
    if (from >= length_ || to < from) {
        return;
    }
    if (to >= length_) {
        to = length_ - 1;
    }
    std::memmove(text_ + from, text_ + to + 1, length_ - to);
    length_ -= to - from + 1;
}

void RC_String::SetLength(std::size_t length) {
    if (length < length_) {
        length_ = length;
        text_[length_] = '\0';
    }
}

void RC_String::AppendInt(std::int32_t value, int base, int minDigits) {
    char buffer[kRC_MaxNumberText];
    AppendBytes(buffer, RC_IntToText(value, base, buffer, minDigits));
}

void RC_String::AppendInt64(std::int64_t value, int base, int minDigits) {
    char buffer[kRC_MaxNumberText];
    AppendBytes(buffer, RC_Int64ToText(value, base, buffer, minDigits));
}

void RC_String::AppendUInt(std::uint32_t value, int base, int minDigits) {
    char buffer[kRC_MaxNumberText];
    AppendBytes(buffer, RC_UIntToText(value, base, buffer, minDigits));
}

void RC_String::AppendUInt64(std::uint64_t value, int base, int minDigits) {
    char buffer[kRC_MaxNumberText];
    AppendBytes(buffer, RC_UInt64ToText(value, base, buffer, minDigits));
}

void RC_String::AppendFrequency(bool withSign, double hertz, bool fixed, int digits) {
    if (std::signbit(hertz) && hertz != 0.0) {
        AppendChar('-');
        hertz = -hertz;
    } else if (withSign && hertz > 0.0) {
        AppendChar('+');
    }
    struct Unit {
        double limit;
        double scale;
        int exponent;
        const char* name;
    };
    static constexpr Unit kUnits[] = {
        {3e3, 1.0, 0, "Hz"}, {3e6, 1e3, 3, "kHz"}, {3e9, 1e6, 6, "MHz"}, {3e12, 1e9, 9, "GHz"}};
    for (const Unit& unit : kUnits) {
        if (hertz <= unit.limit && (!fixed || digits <= unit.exponent)) {
            if (fixed) {
                AppendFormat("%.*lf%s", unit.exponent - digits, hertz / unit.scale, unit.name);
            } else {
                AppendFormat("%.5lg%s", hertz / unit.scale, unit.name);
            }
            return;
        }
    }
    if (fixed) {
        AppendFormat("%.*lfTHz", digits > 12 ? 0 : 12 - digits, hertz / 1e12);
    } else {
        AppendFormat("%.5lgTHz", hertz / 1e12);
    }
}

void RC_String::AppendTime(double seconds) {
    const double magnitude = std::fabs(seconds);
    if (magnitude < 1e-6) {
        AppendFormat("%.3lgns", seconds * 1e9);
    } else if (magnitude < 0.001) {
        AppendFormat("%.3lgus", seconds * 1e6);
    } else if (magnitude < 1.0) {
        AppendFormat("%.3lgms", seconds * 1000.0);
    } else {
        AppendFormat("%.3lgs", seconds);
    }
}
