#pragma once
#include "crashreport/base/TmyObject.h"

#include <cstdint>

namespace errvane {

// A set of the numbers 0 to N (N at most 0x100000). A number can be added and removed; numbers
// outside the range are ignored.
class TmySet : public TmyObject {
public:
    static constexpr std::uint32_t kLargest = 0x100000;

    explicit TmySet(std::uint32_t largest);
    ~TmySet() override;

    // False when N was too large or the words could not be allocated; the set is then empty.
    bool IsValid() const { return words_ != nullptr; }
    void Add(std::uint32_t number);
    void Remove(std::uint32_t number);
    bool Contains(std::uint32_t number) const;
    bool IsEmpty() const;
    // The lowest number in the set, -1 when empty.
    std::int64_t Lowest() const;

private:
    std::uint32_t largest_ = 0;
    std::uint32_t wordCount_ = 0;
    std::uint32_t* words_ = nullptr;
    std::uint32_t inPlace_ = 0;
};

}  // namespace errvane
