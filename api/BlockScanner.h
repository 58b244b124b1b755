#pragma once
// The block scan: a worker thread per receiver measures the signal level at each frequency of the
// caller's list, writes each level (S-meter 0..255) over its frequency, and posts progress and end
// messages to the caller's window. It stops early at the caller's stop level; it can be paused,
// resumed and stopped.

#include "api/RadioControl.h"
#include "api/RadioLibrary.h"

#include <cstdint>

namespace lxq::api {

class BlockScanner {
public:
    BlockScanner(RadioLibrary& library, RadioControl& control)
        : lib_(library), ctl_(control) {}

    std::int32_t Start(std::int32_t index, std::uint32_t* list, std::uint32_t count,
                       std::int32_t stopLevel, std::uint32_t reportIntervalMs,
                       std::uint32_t window, std::uint32_t message);
    std::int32_t Stop(std::int32_t index);
    std::int32_t Pause(std::int32_t index);
    std::int32_t Resume(std::int32_t index);

private:
    struct Job {
        std::uint32_t* list;
        std::uint32_t count;
        std::int32_t stopLevel;
        std::uint32_t reportIntervalMs;
        std::uint32_t window;
        std::uint32_t message;
    };
    void Run(std::int32_t index, Job job);
    // One step: the S-meter value at list[j], or -1 when the scan must give up.
    std::int32_t Measure(std::int32_t index, const Job& job, std::uint32_t j, bool direct);

    RadioLibrary& lib_;
    RadioControl& ctl_;
};

} // namespace lxq::api
