#include "app/forms/ShortText.h"

namespace lxq {

std::string ShortenText(std::string text, const std::function<bool(const std::string&)>& tooWide) {
    while (text.size() > 3 && tooWide(text)) text = text.substr(0, text.size() - 3) + "..";
    return text;
}

} // namespace lxq
