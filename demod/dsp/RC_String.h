#pragma once
// The plug-in's dynamic text: always terminated, capacity a multiple of 64 bytes that never
// shrinks, storage in the plug-in's heap. When memory runs out an operation leaves the text as
// it was.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

class RC_String {
public:
    RC_String();
    RC_String(const RC_String& other);
    RC_String(RC_String&& other) noexcept;
    RC_String& operator=(const RC_String& other);
    RC_String& operator=(RC_String&& other) noexcept;
    virtual ~RC_String();

    const char* Text() const { return text_ != nullptr ? text_ : ""; }
    std::size_t Length() const { return length_; }
    std::size_t Capacity() const { return capacity_; }

    // Null or the string's own buffer: nothing.
    void Assign(const char* text);
    void AssignString(const RC_String& other);
    void Append(const char* text);
    void AppendString(const RC_String& other);
    void AppendChar(char c);
    // 16-bit text; characters of 256 and above become "_".
    void AppendWide(const char16_t* text);
    // The index is clamped to the length.
    void InsertChar(std::size_t index, char c);
    // Indices at or past the end do nothing.
    void DeleteAt(std::size_t index);
    // Removes from..to inclusive, clamped to the text.
    void Erase(std::size_t from, std::size_t to);
    // Shortens the text; a longer length does nothing.
    void SetLength(std::size_t length);

    void AppendInt(std::int32_t value, int base = 10, int minDigits = 0);
    void AppendInt64(std::int64_t value, int base = 10, int minDigits = 0);
    void AppendUInt(std::uint32_t value, int base = 10, int minDigits = 0);
    void AppendUInt64(std::uint64_t value, int base = 10, int minDigits = 0);

    // The plug-in's own formatter: "%" [flags " +0#-"] [width | "*"] ["." precision | ".*"]
    // [length "h" "l" "L"] conversion "d u o X b c s f g p a %". "#" and "-" are accepted and
    // ignored; "l" makes integers 64-bit and texts and characters 16-bit; "L" reads a long
    // double; "p" writes a pointer in full; "a" writes a 16-byte identifier.
    void AppendFormat(const char* format, ...);
    void AppendFormatList(const char* format, std::va_list arguments);

    // Frequency with a unit: Hz up to 3 kHz, then kHz, MHz, GHz up to 3 of each unit, then THz.
    // With fixed, digits is the power of ten of the last digit shown (0 = whole Hz, 3 = whole
    // kHz); otherwise five significant digits.
    void AppendFrequency(bool withSign, double hertz, bool fixed, int digits);
    // Seconds as ns, us, ms or s with three significant digits.
    void AppendTime(double seconds);

private:
    bool Reserve(std::size_t length);
    void AppendBytes(const char* bytes, std::size_t count);

    char* text_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
};
