#pragma once
// The tuning constants of the scanner and the spectrum sweep: the service window's "Scanning"
// page keeps one row per receiver interface, and every scan or sweep start takes the row of the
// receiver's interface, found from its product name.

#include <cstdint>
#include <string>

namespace lxq {

// One interface's row of the page.
struct InterfaceTimings {
    std::int32_t scanFast = 3;      // settle of the second and later pipelined frequencies
    std::int32_t scanSlow = 20;     // first frequency, retunes, flush
    std::int32_t sweepFast = 3;
    std::int32_t sweepSlow = 20;
    std::int32_t sweepMaxRssi = 1000;
    std::int32_t sweepMinRssi = 100;
    std::int32_t sweepAgcStep = 35;
    std::int32_t sweepBand = 0;     // 70-150 MHz settle; only the USB row has an edit
};

// What the page holds (its defaults until the user changes them).
struct ScanConstants {
    InterfaceTimings ser{};
    InterfaceTimings usb{3, 20, 3, 20, 1000, 100, 35, 20};
    InterfaceTimings pci{3, 20, 7, 20, 1000, 180, 35, 0};
    std::int32_t maxRssi = 1000;       // scan retunes at or above this RSSI
    std::int32_t rescanThreshold = 10; // dB under the squelch that still retunes
};

// The values a scan or sweep runs with.
struct ScanTimings {
    std::int32_t scanFast = 3;
    std::int32_t scanSlow = 20;
    std::int32_t sweepFast = 3;
    std::int32_t sweepSlow = 20;
    std::int32_t bandFast = 3; // between 70 and 150 MHz inclusive
    std::int32_t bandSlow = 20;
    std::int32_t sweepMaxRssi = 1000;
    std::int32_t sweepMinRssi = 100;
    std::int32_t sweepAgcStep = 35;
};

inline constexpr std::int64_t kBandSettleLow = 70'000'000;
inline constexpr std::int64_t kBandSettleHigh = 150'000'000;

// Takes the row of the interface the product name carries ("PCI", then "USB", then "SER"
// tested: the last match wins). A name with none of them keeps `timings` as it is.
void PickScanTimings(const std::string& productName, const ScanConstants& page, ScanTimings& timings);

} // namespace lxq
