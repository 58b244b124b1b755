#include "crashreport/text/HexBytes.h"

namespace errvane {

namespace {
constexpr char kDigits[] = "0123456789abcdef";
}

TmyString HexBytes(const std::uint8_t* bytes, std::size_t count) {
    TmyString text = TmyString::Reserved(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        const char pair[2] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0xF]};
        text.Append(pair, 2);
    }
    return text;
}

TmyString GroupedHexBytes(const std::uint8_t* bytes, std::size_t count) {
    TmyString text = TmyString::Reserved(count * 2 + count / 4);
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 8 == 4) text += '-';
        if (i != 0 && i % 8 == 0) text += ' ';
        const char pair[2] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0xF]};
        text.Append(pair, 2);
    }
    return text;
}

}  // namespace errvane
