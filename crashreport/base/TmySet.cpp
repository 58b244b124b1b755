#include "crashreport/base/TmySet.h"

#include "crashreport/base/ReportHeap.h"

#include <cstring>

namespace errvane {

TmySet::TmySet(std::uint32_t largest) {
    if (largest > kLargest) return;
    largest_ = largest;
    wordCount_ = largest / 32 + 1;
    if (wordCount_ == 1) {
        words_ = &inPlace_;
        return;
    }
    words_ = static_cast<std::uint32_t*>(ReportHeap::Allocate(wordCount_ * sizeof(std::uint32_t)));
    if (words_ == nullptr) {
        wordCount_ = 0;
        return;
    }
    std::memset(words_, 0, wordCount_ * sizeof(std::uint32_t));
}

TmySet::~TmySet() {
    if (words_ != &inPlace_) ReportHeap::Release(words_);
}

void TmySet::Add(std::uint32_t number) {
    if (words_ == nullptr || number > largest_) return;
    words_[number / 32] |= 1u << (number % 32);
}

void TmySet::Remove(std::uint32_t number) {
    if (words_ == nullptr || number > largest_) return;
    words_[number / 32] &= ~(1u << (number % 32));
}

bool TmySet::Contains(std::uint32_t number) const {
    return words_ != nullptr && number <= largest_ && (words_[number / 32] >> (number % 32) & 1u) != 0;
}

bool TmySet::IsEmpty() const { return Lowest() < 0; }

std::int64_t TmySet::Lowest() const {
    for (std::uint32_t i = 0; i < wordCount_; ++i)
        if (words_[i] != 0) return static_cast<std::int64_t>(i) * 32 + __builtin_ctz(words_[i]);
    return -1;
}

}  // namespace errvane
