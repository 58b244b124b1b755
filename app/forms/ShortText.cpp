#include "app/forms/ShortText.h"

#include "platform/components/Utf8Steps.h"

namespace lxq {

std::string ShortenText(std::string text, const std::function<bool(const std::string&)>& tooWide) {
    // Characters, not bytes, give way: a UTF-8 character is never cut in two.
    std::size_t chars = 0;
    for (char c : text) chars += plat::comp::IsContinuationByte(c) ? 0 : 1;
    while (chars > 3 && tooWide(text)) {
        // Three characters make room for the two dots (the dots of an earlier pass among them).
        int keep = static_cast<int>(text.size());
        for (int i = 0; i < 3; ++i) keep = plat::comp::PreviousCharStart(text, keep);
        text = text.substr(0, static_cast<std::size_t>(keep)) + "..";
        chars -= 1;
    }
    return text;
}

} // namespace lxq
