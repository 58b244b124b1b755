#pragma once
// The tuning constants of the scanner and of the spectrum sweep for one receiver interface, as
// the service window's "Scanning" page holds them. Settle values go unchanged into the dwell of
// the pipelined tuning request.

#include <cstdint>
#include <optional>
#include <string>

namespace lxq {

enum class ReceiverInterface { SER = 0, USB = 1, PCI = 2 };
inline constexpr int kReceiverInterfaces = 3;

// The interface a product name names: tested for "PCI", then "USB", then "SER", the last match
// winning; none when no name matches (the caller keeps the values it had).
std::optional<ReceiverInterface> InterfaceOfProduct(const std::string& product);

struct SweepTimings {
    std::uint32_t fast = 3;        // settle of a pipelined step
    std::uint32_t fast70to150 = 3; // settle of a step between 70 and 150 MHz
    std::uint32_t slow = 20;       // re-reads of strong signals, AGC settling, wrap-around
    std::int32_t maxRssi = 1000;   // a step above reads again with the slow settle
    std::int32_t minRssi = 100;    // a weak step whose AGC still rises ...
    std::int32_t agcStep = 35;     // ... by more than this reads again until it settles

    // The settle of a step to hz: the 70-150 MHz value inside that band (inclusive).
    std::uint32_t FastSettle(std::int64_t hz) const {
        return hz >= 70'000'000 && hz <= 150'000'000 ? fast70to150 : fast;
    }
    std::uint32_t SlowSettle(std::int64_t) const { return slow; }
};

struct ScanTimings {
    std::uint32_t scanFast = 3;
    std::uint32_t scanSlow = 20;
    SweepTimings sweep;
    std::uint32_t bandFast = 3; // the band-switch settles: the USB row's 70-150 value,
    std::uint32_t bandSlow = 20; // elsewhere the sweep's own fast and slow
};

} // namespace lxq
