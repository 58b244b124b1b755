#pragma once
#include "crashreport/base/TmyObject.h"

#include <cstdint>

namespace errvane {

// Milliseconds since construction, from the monotonic counter.
class TmyTimeCounter : public TmyObject {
public:
    TmyTimeCounter();
    std::uint64_t ElapsedMs() const;
    std::uint64_t Frequency() const { return frequency_; }
    static std::uint64_t Now();

private:
    std::uint64_t frequency_;
    std::uint64_t start_;
};

}  // namespace errvane
