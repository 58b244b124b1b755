#include "app/forms/RecordText.h"

#include <algorithm>
#include <cstring>

#include "platform/components/Utf8Steps.h"

namespace lxq {

void PutRecordText(char* field, std::size_t size, std::string_view text) {
    if (size == 0) return;
    std::size_t n = std::min(text.size(), size - 1);
    if (n < text.size())
        while (n > 0 && plat::comp::IsContinuationByte(text[n])) --n;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), n);
}

std::string RecordText(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

} // namespace lxq
