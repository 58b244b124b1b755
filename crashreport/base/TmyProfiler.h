#pragma once
#include "crashreport/base/TmyObject.h"
#include "crashreport/base/TmyTimeCounter.h"

#include <cstdint>

namespace errvane {

// Counts hits and time of marked code sections in numbered slots and writes a trace report of
// the slots in use when it is destroyed.
class TmyProfiler : public TmyObject {
public:
    static constexpr int kSlots = 5000;

    TmyProfiler();
    ~TmyProfiler() override;

    // Start and end of one pass through the section of slot `slot`; Enter gives the start time.
    std::uint64_t Enter(int slot, const char* name, const char* file, int line);
    void Leave(int slot, std::uint64_t started);

private:
    struct Slot {
        const char* name;
        const char* file;
        int line;
        std::uint32_t hits;
        std::uint64_t nanoseconds;
    };
    TmyTimeCounter clock_;
    Slot slots_[kSlots] = {};
};

}  // namespace errvane
