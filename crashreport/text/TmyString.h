#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// A text value that shares its buffer between copies and copies it only before a change. The
// reference count changes atomically, so values may be copied and released on several threads.
class TmyString {
public:
    TmyString();
    TmyString(const char* text);  // NOLINT: texts convert implicitly, as in concatenations
    TmyString(const char* chars, std::size_t count);
    TmyString(const TmyString& other);
    TmyString(TmyString&& other) noexcept;
    ~TmyString();
    TmyString& operator=(const TmyString& other);
    TmyString& operator=(TmyString&& other) noexcept;
    TmyString& operator=(const char* text);

    // An empty text with room for N characters (at least 16).
    static TmyString Reserved(std::size_t size);

    std::size_t Length() const;
    std::size_t Capacity() const;
    const char* Text() const;
    char operator[](std::size_t index) const;
    // Write access to one character; the buffer is made private first. An index at or beyond the
    // capacity gives a scratch byte.
    char& At(std::size_t index);
    // Private buffer of at least the given capacity for writing directly; call Recount after.
    char* Buffer(std::size_t capacity);
    void Recount();

    TmyString& operator+=(const TmyString& other);
    TmyString& operator+=(const char* text);
    TmyString& operator+=(char c);
    TmyString& Append(const char* chars, std::size_t count);
    friend TmyString operator+(const TmyString& a, const TmyString& b);
    friend TmyString operator+(const TmyString& a, const char* b);
    friend TmyString operator+(const char* a, const TmyString& b);

    bool operator==(const char* text) const { return Compare(text) == 0; }
    bool operator==(const TmyString& other) const { return Compare(other.Text()) == 0; }
    bool operator!=(const char* text) const { return Compare(text) != 0; }
    // -1, 0 or 1, by unsigned byte values.
    int Compare(const char* text) const;

    int Find(char c, std::size_t from = 0) const;
    int Find(const char* text, std::size_t from = 0) const;
    TmyString Sub(std::size_t start, std::size_t count) const;
    TmyString Lower() const;
    TmyString Padded(std::size_t length) const;
    TmyString Trimmed() const;
    TmyString Replaced(char from, char to) const;
    // The text after the last slash (the whole text without one).
    TmyString FileNamePart() const;
    // The text before the last period when it comes after the last slash.
    TmyString WithoutExtension() const;

    TmyString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Decimal with at least `digits` digits (zero-filled after the sign), right-aligned in `width`.
    static TmyString Decimal(std::int64_t value, int digits = 0, int width = 0);
    static TmyString Unsigned(std::uint64_t value);
    // Lower-case hexadecimal with at least `digits` digits, no prefix; 0 gives "0".
    static TmyString Hex(std::uint64_t value, int digits = 0);
    static TmyString Repeat(char c, std::size_t count);
    static TmyString Float(double value, int digits);

    int ShareCount() const;

private:
    struct Block;
    explicit TmyString(Block* block) : block_(block) {}
    static Block* NewBlock(std::size_t capacity);
    static void Retain(Block* block);
    static void ReleaseBlock(Block* block);
    void MakePrivate(std::size_t capacity);

    Block* block_;
};

}  // namespace errvane
