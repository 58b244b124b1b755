#pragma once
// Texts in the fixed, zero-terminated fields of the stored records (callsign, comments,
// descriptions). The texts are UTF-8: what does not fit is cut before a whole character, so a
// field never ends in part of one.

#include <cstddef>
#include <string>
#include <string_view>

namespace lxq {

// Fills the field of `size` bytes with as many whole characters of `text` as leave room for the
// terminating zero; the rest of the field is zero.
void PutRecordText(char* field, std::size_t size, std::string_view text);

// The text of a field, up to its first zero or its end.
std::string RecordText(const char* field, std::size_t size);

template <std::size_t N>
void PutRecordText(char (&field)[N], std::string_view text) {
    PutRecordText(field, N, text);
}

template <std::size_t N>
std::string RecordText(const char (&field)[N]) {
    return RecordText(field, N);
}

} // namespace lxq
