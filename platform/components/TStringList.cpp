#include "platform/components/TStringList.h"

#include <algorithm>
#include <strings.h>

namespace plat::comp {
namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

} // namespace

void TStringList::Changed() {
    if (updating_ > 0) {
        pending_ = true;
        return;
    }
    if (OnChange) OnChange(this);
}

void TStringList::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && pending_) {
        pending_ = false;
        Changed();
    }
}

void TStringList::SetString(int index, const std::string& s) {
    items_.at(static_cast<std::size_t>(index)) = s;
    if (sorted_) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
    Changed();
}

int TStringList::Add(const std::string& s) {
    std::size_t at = items_.size();
    if (sorted_) at = static_cast<std::size_t>(
        std::upper_bound(items_.begin(), items_.end(), s, LessNoCase) - items_.begin());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), s);
    Changed();
    return static_cast<int>(at);
}

void TStringList::Insert(int index, const std::string& s) {
    if (sorted_) {
        Add(s);
        return;
    }
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, s);
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

int TStringList::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& item = items_[static_cast<std::size_t>(i)];
        if (item.size() == s.size() && strncasecmp(item.data(), s.data(), s.size()) == 0) return i;
    }
    return -1;
}

void TStringList::SetSorted(bool v) {
    if (v == sorted_) return;
    sorted_ = v;
    if (v) {
        std::stable_sort(items_.begin(), items_.end(), LessNoCase);
        Changed();
    }
}

std::string TStringList::Text() const {
    std::string out;
    for (const std::string& s : items_) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    items_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        items_.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) items_.emplace_back(text.substr(start));
    if (sorted_) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
    Changed();
}

void TStringList::Assign(const TStringList& other) {
    if (&other == this) return;
    items_ = other.items_;
    if (sorted_) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
    Changed();
}

} // namespace plat::comp
