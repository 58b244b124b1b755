#pragma once
// The driver's tuning core: turns a frequency into synthesiser words, band and preselector
// choices, keeps the EEPROM copy and the tables built from it, and reaches the receiver only
// through TunerHardware. Not thread-safe: the device serialises its requests.

#include <cstddef>
#include <cstdint>

#include "driver/TunerHardware.h"
#include "driver/TuningState.h"

namespace lxq::driver {

class Tuner {
public:
    explicit Tuner(TunerHardware& hardware) : hardware_(hardware) {}

    TuningState& State() { return state_; }
    const TuningState& State() const { return state_; }

    // Tunes to freq. tune false skips the arithmetic and the push (only the lock wait runs);
    // waitPush and forceAll go to the push; waitLock waits up to 1 s for lock; dwell 0 means 20.
    NtStatus SetTunerFrequency(std::uint32_t freq, bool tune, bool waitPush, bool waitLock,
                               bool forceAll, std::uint32_t dwell);
    // Stores if2 and reprograms the second synthesiser.
    NtStatus SetSecondLO(std::int32_t if2, bool waitPush);
    NtStatus SetFmWide(bool on);
    // Fills info.preselector from the filter-node table of info.band (4..7) for freq.
    void InterpolatePreselector(LX_Q7_HWINFO& info, std::uint32_t freq) const;

    // Records the gain settings, builds the gain bytes and pushes them.
    NtStatus ApplyGains(std::uint8_t agcMode, std::uint8_t ifGain, std::uint8_t manual);

    // The steps every push shares (option bits, forced resend after a lock time-out, long dwell
    // when a synthesiser's whole word pair changes), then the transport's push.
    NtStatus PushTunerState(TunerState state, bool waitPush, bool forceAll);

    // Reads the EEPROM, repairs the copy and rebuilds the tuning tables.
    NtStatus LoadEeprom();
    // Takes image as the device's EEPROM copy: repairs it and rebuilds the tuning tables.
    void AdoptImage(const LX_Q7_EEPROM& image);
    // Rebuilds filter nodes, counts, band extension and reference from the current copy.
    void RebuildTables();
    // Writes count bytes at consecutive EEPROM addresses from offset, then reloads the image.
    // False when a byte could not be written or the range leaves the EEPROM.
    bool WriteEepromBytes(const std::uint8_t* bytes, std::size_t offset, std::size_t count);

    // After a transport has read the hardware's tuner state into State().current and set the
    // powered flag: the steps every variant shares (default gains, reference, start frequency,
    // AGC mode and IF gain derived from the gain bytes).
    void AdoptHardwareState();
    // The 64-byte record as the serial and USB variants build it from the device state.
    HardwareStateRecord BuildHardwareStateRecord() const;

private:
    NtStatus PushGains(const TunerState& ts);
    NtStatus ComputeAndPush(std::uint32_t freq, bool waitPush, bool forceAll, std::uint32_t dwell);
    NtStatus WaitForLock();

    TunerHardware& hardware_;
    TuningState state_;
};

} // namespace lxq::driver
