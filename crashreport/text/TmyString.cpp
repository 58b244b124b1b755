#include "crashreport/text/TmyString.h"

#include "crashreport/base/ReportHeap.h"

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace errvane {

struct TmyString::Block {
    void* link;
    std::uint32_t length;
    std::uint32_t capacity;  // bytes including the terminating zero
    std::atomic<std::int32_t> references;
    char chars[1];
};

namespace {

constexpr std::size_t kMinimumRoom = 16;

// The shared empty text: never released, so an empty value needs no allocation (and a value whose
// allocation failed falls back to it).
struct EmptyBlock {
    void* link = nullptr;
    std::uint32_t length = 0;
    std::uint32_t capacity = 1;
    std::atomic<std::int32_t> references{1 << 30};
    char chars[1] = {0};
} g_empty;

char g_scratch;

}  // namespace

TmyString::Block* TmyString::NewBlock(std::size_t capacity) {
    if (capacity < 1) capacity = 1;
    if (capacity > 0xFFFFFFF0u) return nullptr;
    auto* block = static_cast<Block*>(ReportHeap::Allocate(offsetof(Block, chars) + capacity));
    if (block == nullptr) return nullptr;
    block->link = nullptr;
    block->length = 0;
    block->capacity = static_cast<std::uint32_t>(capacity);
    new (&block->references) std::atomic<std::int32_t>(1);
    block->chars[0] = 0;
    return block;
}

void TmyString::Retain(Block* block) { block->references.fetch_add(1, std::memory_order_relaxed); }

void TmyString::ReleaseBlock(Block* block) {
    if (reinterpret_cast<void*>(block) == reinterpret_cast<void*>(&g_empty)) return;
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) ReportHeap::Release(block);
}

TmyString::TmyString() : block_(reinterpret_cast<Block*>(&g_empty)) {}

TmyString::TmyString(const char* text) : TmyString(text, text == nullptr ? 0 : std::strlen(text)) {}

TmyString::TmyString(const char* chars, std::size_t count) : TmyString() {
    if (count == 0) return;
    Block* block = NewBlock(count + 1);
    if (block == nullptr) return;
    std::memcpy(block->chars, chars, count);
    block->chars[count] = 0;
    block->length = static_cast<std::uint32_t>(count);
    block_ = block;
}

TmyString::TmyString(const TmyString& other) : block_(other.block_) { Retain(block_); }

TmyString::TmyString(TmyString&& other) noexcept : block_(other.block_) {
    other.block_ = reinterpret_cast<Block*>(&g_empty);
}

TmyString::~TmyString() { ReleaseBlock(block_); }

TmyString& TmyString::operator=(const TmyString& other) {
    if (block_ != other.block_) {
        Retain(other.block_);
        ReleaseBlock(block_);
        block_ = other.block_;
    }
    return *this;
}

TmyString& TmyString::operator=(TmyString&& other) noexcept {
    if (this != &other) {
        ReleaseBlock(block_);
        block_ = other.block_;
        other.block_ = reinterpret_cast<Block*>(&g_empty);
    }
    return *this;
}

TmyString& TmyString::operator=(const char* text) { return *this = TmyString(text); }

TmyString TmyString::Reserved(std::size_t size) {
    Block* block = NewBlock((size > kMinimumRoom ? size : kMinimumRoom) + 1);
    return block == nullptr ? TmyString() : TmyString(block);
}

std::size_t TmyString::Length() const { return block_->length; }
std::size_t TmyString::Capacity() const { return block_->capacity; }
const char* TmyString::Text() const { return block_->chars; }
char TmyString::operator[](std::size_t index) const { return index < block_->length ? block_->chars[index] : 0; }
int TmyString::ShareCount() const { return block_->references.load(); }

void TmyString::MakePrivate(std::size_t capacity) {
    const std::size_t length = block_->length;
    if (capacity < length + 1) capacity = length + 1;
    const bool shared = reinterpret_cast<void*>(block_) == reinterpret_cast<void*>(&g_empty) ||
                        block_->references.load(std::memory_order_acquire) != 1;
    if (!shared && block_->capacity >= capacity) return;
    Block* block = NewBlock(capacity);
    if (block == nullptr) return;
    std::memcpy(block->chars, block_->chars, length + 1);
    block->length = static_cast<std::uint32_t>(length);
    ReleaseBlock(block_);
    block_ = block;
}

char& TmyString::At(std::size_t index) {
    MakePrivate(block_->capacity);
    if (index + 1 >= block_->capacity || reinterpret_cast<void*>(block_) == reinterpret_cast<void*>(&g_empty))
        return g_scratch;
    return block_->chars[index];
}

char* TmyString::Buffer(std::size_t capacity) {
    MakePrivate(capacity);
    if (reinterpret_cast<void*>(block_) == reinterpret_cast<void*>(&g_empty)) return nullptr;
    return block_->chars;
}

void TmyString::Recount() {
    if (reinterpret_cast<void*>(block_) == reinterpret_cast<void*>(&g_empty)) return;
    block_->chars[block_->capacity - 1] = 0;
    block_->length = static_cast<std::uint32_t>(std::strlen(block_->chars));
}

TmyString& TmyString::Append(const char* chars, std::size_t count) {
    if (count == 0) return *this;
    if (chars >= block_->chars && chars < block_->chars + block_->capacity) {
        // Appending part of itself: the buffer may move while growing, so copy the part first.
        const TmyString part(chars, count);
        return Append(part.Text(), part.Length());
    }
    const std::size_t length = block_->length;
    std::size_t wanted = length + count + 1;
    if (wanted > block_->capacity && length > 0) wanted += wanted / 2;  // room for further appends
    MakePrivate(wanted);
    if (block_->capacity < length + count + 1) return *this;
    std::memmove(block_->chars + length, chars, count);
    block_->length = static_cast<std::uint32_t>(length + count);
    block_->chars[block_->length] = 0;
    return *this;
}

TmyString& TmyString::operator+=(const TmyString& other) { return Append(other.Text(), other.Length()); }
TmyString& TmyString::operator+=(const char* text) { return text == nullptr ? *this : Append(text, std::strlen(text)); }
TmyString& TmyString::operator+=(char c) { return Append(&c, 1); }

namespace {
TmyString Join(const char* a, std::size_t na, const char* b, std::size_t nb) {
    TmyString result = TmyString::Reserved(na + nb);
    result.Append(a, na);
    result.Append(b, nb);
    return result;
}
}  // namespace

TmyString operator+(const TmyString& a, const TmyString& b) { return Join(a.Text(), a.Length(), b.Text(), b.Length()); }
TmyString operator+(const TmyString& a, const char* b) { return Join(a.Text(), a.Length(), b, b ? std::strlen(b) : 0); }
TmyString operator+(const char* a, const TmyString& b) { return Join(a, a ? std::strlen(a) : 0, b.Text(), b.Length()); }

int TmyString::Compare(const char* text) const {
    if (text == nullptr) text = "";
    const int c = std::strcmp(block_->chars, text);  // strcmp compares as unsigned char
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int TmyString::Find(char c, std::size_t from) const {
    for (std::size_t i = from; i < block_->length; ++i)
        if (block_->chars[i] == c) return static_cast<int>(i);
    return -1;
}

int TmyString::Find(const char* text, std::size_t from) const {
    if (from > block_->length || text == nullptr) return -1;
    const char* hit = std::strstr(block_->chars + from, text);
    return hit == nullptr ? -1 : static_cast<int>(hit - block_->chars);
}

TmyString TmyString::Sub(std::size_t start, std::size_t count) const {
    if (start >= block_->length) return TmyString();
    if (count > block_->length - start) count = block_->length - start;
    return TmyString(block_->chars + start, count);
}

TmyString TmyString::Lower() const {
    TmyString result(Text(), Length());
    for (std::size_t i = 0; i < result.Length(); ++i)
        result.block_->chars[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(result.block_->chars[i])));
    return result;
}

TmyString TmyString::Padded(std::size_t length) const {
    if (Length() >= length) return *this;
    TmyString result = Reserved(length);
    result.Append(Text(), Length());
    while (result.Length() < length) result += ' ';
    return result;
}

TmyString TmyString::Trimmed() const {
    std::size_t begin = 0, end = Length();
    while (begin < end && static_cast<unsigned char>(block_->chars[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(block_->chars[end - 1]) <= 32) --end;
    return Sub(begin, end - begin);
}

TmyString TmyString::Replaced(char from, char to) const {
    TmyString result(Text(), Length());
    for (std::size_t i = 0; i < result.Length(); ++i)
        if (result.block_->chars[i] == from) result.block_->chars[i] = to;
    return result;
}

TmyString TmyString::FileNamePart() const {
    const char* slash = std::strrchr(Text(), '/');
    return slash == nullptr ? *this : TmyString(slash + 1);
}

TmyString TmyString::WithoutExtension() const {
    const char* slash = std::strrchr(Text(), '/');
    const char* dot = std::strrchr(Text(), '.');
    if (dot == nullptr || (slash != nullptr && dot < slash)) return *this;
    return TmyString(Text(), static_cast<std::size_t>(dot - Text()));
}

TmyString& TmyString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (needed >= 0) {
        TmyString result = Reserved(static_cast<std::size_t>(needed));
        if (result.Capacity() > static_cast<std::size_t>(needed)) {
            std::vsnprintf(result.block_->chars, result.Capacity(), format, again);
            result.block_->length = static_cast<std::uint32_t>(needed);
        }
        *this = result;
    }
    va_end(again);
    return *this;
}

TmyString TmyString::Unsigned(std::uint64_t value) {
    char reversed[24];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char text[24];
    for (int i = 0; i < n; ++i) text[i] = reversed[n - 1 - i];
    return TmyString(text, static_cast<std::size_t>(n));
}

TmyString TmyString::Decimal(std::int64_t value, int digits, int width) {
    char reversed[24];
    int n = 0;
    // Works on the magnitude as unsigned so that the most negative value does not overflow.
    std::uint64_t magnitude = value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        reversed[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && n < 24);
    char text[96];
    int length = 0;
    const int total = (n > digits ? n : (digits > 64 ? 64 : digits)) + (value < 0 ? 1 : 0);
    for (int pad = total; pad < width && pad < 90; ++pad) text[length++] = ' ';
    if (value < 0) text[length++] = '-';
    for (int i = n; i < digits && i < 64; ++i) text[length++] = '0';
    for (int i = n - 1; i >= 0; --i) text[length++] = reversed[i];
    return TmyString(text, static_cast<std::size_t>(length));
}

TmyString TmyString::Hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    char text[80];
    int n = 0;
    char reversed[16];
    do {
        reversed[n++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    int length = 0;
    for (int i = n; i < digits && i < 64; ++i) text[length++] = '0';
    for (int i = n - 1; i >= 0; --i) text[length++] = reversed[i];
    return TmyString(text, static_cast<std::size_t>(length));
}

TmyString TmyString::Repeat(char c, std::size_t count) {
    TmyString result = Reserved(count);
    for (std::size_t i = 0; i < count; ++i) result += c;
    return result;
}

TmyString TmyString::Float(double value, int digits) { return TmyString().Format("%.*f", digits, value); }

}  // namespace errvane
