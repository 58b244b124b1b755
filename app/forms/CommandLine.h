#pragma once
// The program's command line, read in three passes at the points of start-up where each option
// can take effect. Arguments are compared lower-cased; values are read as typed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lxq {

// Before a receiver is chosen: "/#<serial>" names the receiver to prefer.
struct StartOptions {
    std::string preferredSerial;
};

// After the receiver is open.
struct ReceiverOptions {
    std::optional<std::uint32_t> refClockHz; // "/c<MHz>"
    std::optional<std::int32_t> if2Hz;      // "/cc<MHz>"
    std::optional<int> debugLevel;          // "/l" 2, "/g" 1; the later one wins
    bool exitProcess = false;               // "/exitprocess"
};

// After settings, memories and calibration were read.
struct PanelOptions {
    bool service = false;           // "/d"
    bool calibrationMenu = false;   // "/c" alone
    bool rawSignal = false;         // "/r"
    bool noDemodulator = false;     // "/sd"
};

StartOptions ReadStartOptions(const std::vector<std::string>& args);
ReceiverOptions ReadReceiverOptions(const std::vector<std::string>& args);
PanelOptions ReadPanelOptions(const std::vector<std::string>& args);

// A number of MHz in hertz, rounded to the nearest whole hertz and held within the given range;
// text that is not a number counts as 0.
std::int64_t MegahertzText(const std::string& text, std::int64_t min, std::int64_t max);

} // namespace lxq
