#pragma once
#include <cstddef>

namespace errvane {

struct ProcessorContext;

// The threads of the process as the report sees them: their ids in listing order and, for each
// thread that was stopped, the processor state at which it stopped.
struct ThreadSnapshot {
    static constexpr std::size_t kCapacity = 4096;
    long callingThread = 0;
    std::size_t count = 0;
    long ids[kCapacity] = {};
    const ProcessorContext* contexts[kCapacity] = {};
};

}  // namespace errvane
