// The Tuner's gain bytes (tuner-state bytes 16..23) from the AGC mode, the IF gain and the IF1
// manual gain.

#include "driver/Tuner.h"

namespace lxq::driver {
namespace {

constexpr std::uint8_t kFull = 63;

} // namespace

// The new gains go out like any push; then whoever waits for the receiver to settle is woken,
// since the gains change what it is doing.
NtStatus Tuner::PushGains(const TunerState& ts) {
    const NtStatus status = PushTunerState(ts, false, false);
    hardware_.SignalService();
    return status;
}

NtStatus Tuner::ApplyGains(std::uint8_t agcMode, std::uint8_t ifGain, std::uint8_t manual) {
    state_.agcMode = agcMode;
    state_.ifGain = ifGain;
    const LX_Q7_EEPROM& e = state_.image;
    const bool option = (e.options & kOptGain) != 0;
    TunerState ts = state_.current;
    std::uint8_t* g = ts.gain; // g[n] is tuner-state byte 16 + n

    if (manual != 0) {
        g[1] = manual;
    } else if (agcMode == 0 || agcMode == 6) {
        g[1] = option ? static_cast<std::uint8_t>(63 - ifGain * 63 / 100)
                      : static_cast<std::uint8_t>(47 - ifGain * 47 / 100);
    } else {
        g[1] = e.if1ManualGain;
    }

    if (!option) {
        if (agcMode == 0) {
            g[0] = kFull;
            g[2] = 0;
        } else {
            g[0] = e.defaultGain16;
            g[2] = agcMode == 1 || agcMode == 3 ? kFull : 0;
        }
        g[3] = agcMode == 1 || agcMode == 2 ? kFull : 0;
        for (int i = 0; i < 4; ++i) g[4 + i] = static_cast<std::uint8_t>(e.defaultGain20 >> (8 * i));
        return PushGains(ts);
    }

    g[7] = 0;
    g[5] = kFull;
    g[0] = e.defaultGain16;
    auto set18to20 = [g](std::uint8_t b18, std::uint8_t b19, std::uint8_t b20) {
        g[2] = b18;
        g[3] = b19;
        g[4] = b20;
    };
    switch (agcMode) {
    case 1: set18to20(kFull, kFull, 0); break;
    case 2: set18to20(kFull, 0, 0); break;
    case 3: set18to20(0, 0, kFull); break;
    case 4: set18to20(0, 0, 0); break;
    case 5:
        set18to20(kFull, kFull, 0);
        g[7] = kFull;
        break;
    case 6: // FM-wide's mode: byte 21 off, otherwise the same bytes as mode 0
        g[5] = 0;
        g[0] = kFull;
        set18to20(0, 0, 0);
        break;
    default:
        g[0] = kFull;
        set18to20(0, 0, 0);
        break;
    }
    return PushGains(ts);
}

} // namespace lxq::driver
