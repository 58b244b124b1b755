#pragma once
// A receiver for the tuning tests: records every push as what the hardware now holds, answers
// lock reads from a script while advancing the fake clock, and keeps an EEPROM in memory.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "driver/Tuner.h"
#include "platform/sys/Clock.h"

namespace lxq::driver::test {

class FakeTunerHardware final : public TunerHardware {
public:
    struct Push {
        TunerState state;
        bool waitPush;
        bool forceAll;
    };

    explicit FakeTunerHardware(plat::sys::FakeClock* clock = nullptr) : clock_(clock) {}
    void Attach(Tuner& tuner) { tuner_ = &tuner; }

    NtStatus PushTunerState(const TunerState& state, bool waitPush, bool forceAll) override {
        pushes.push_back({state, waitPush, forceAll});
        if (pushStatus == kStatusSuccess && tuner_ != nullptr) tuner_->State().current = state;
        return pushStatus;
    }

    NtStatus ReadLockStatus(bool again, std::uint8_t& status) override {
        ++lockReads;
        if (again) ++lockRereads;
        if (clock_ != nullptr) clock_->Advance(readCost);
        if (lockReadStatus != kStatusSuccess) return lockReadStatus;
        if (!lockScript.empty()) {
            lastLock = lockScript.front();
            lockScript.pop_front();
        }
        status = lastLock;
        return kStatusSuccess;
    }

    NtStatus SwitchFmWide(bool on) override {
        fmWideSwitches.push_back(on);
        return fmWideStatus;
    }

    NtStatus ReadEeprom(LX_Q7_EEPROM& image) override {
        ++eepromReads;
        if (eepromReadStatus != kStatusSuccess) return eepromReadStatus;
        image = eeprom;
        return kStatusSuccess;
    }

    bool WriteEepromByte(std::uint8_t address, std::uint8_t value) override {
        if (failWriteAt && *failWriteAt == address) return false;
        reinterpret_cast<std::uint8_t*>(&eeprom)[address] = value;
        writtenAddresses.push_back(address);
        return true;
    }

    // Script and outcome.
    std::vector<Push> pushes;
    NtStatus pushStatus = kStatusSuccess;
    std::deque<std::uint8_t> lockScript; // status bytes returned one per read; the last repeats
    std::uint8_t lastLock = 3;
    NtStatus lockReadStatus = kStatusSuccess;
    plat::sys::Nanoseconds readCost = 100 * 1000; // 100 us a read
    int lockReads = 0;
    int lockRereads = 0;
    std::vector<bool> fmWideSwitches;
    NtStatus fmWideStatus = kStatusSuccess;
    LX_Q7_EEPROM eeprom{};
    NtStatus eepromReadStatus = kStatusSuccess;
    int eepromReads = 0;
    std::optional<std::uint8_t> failWriteAt;
    std::vector<std::uint8_t> writtenAddresses;

private:
    plat::sys::FakeClock* clock_;
    Tuner* tuner_ = nullptr;
};

// An EEPROM image with seven bands from 9 kHz to 3 GHz, twelve synthesiser ranges, filter bytes
// for bands 4..7, a 40 MHz internal and 10 MHz external reference and valid calibration words.
inline LX_Q7_EEPROM TestImage() {
    LX_Q7_EEPROM e{};
    const std::uint8_t filters[4][16] = {
        {0, 10, 10, 30, 20, 50, 30, 80, 40, 120, 50, 160, 55, 200, 60, 250},
        {0, 20, 20, 40, 40, 60, 60, 90, 80, 120, 100, 150, 120, 180, 130, 220},
        {0, 5, 30, 25, 60, 45, 100, 70, 150, 100, 200, 140, 230, 190, 250, 240},
        {0, 10, 25, 40, 50, 70, 100, 100, 150, 130, 200, 160, 225, 200, 250, 250},
    };
    for (int b = 0; b < 4; ++b)
        for (int i = 0; i < 16; ++i) e.filterBytes[16 * b + i] = filters[b][i];
    e.layoutVersion = 1;
    e.bandCount = 7;
    e.synthRangeCount = 12;
    e.lowestHz = 9'000;
    e.highestHz = 3'000'000'000u;
    e.firstIfHz = 1'200'000'000u;
    e.capabilities = kCapFmWide | kCapLockout | kCapFineSteps;
    const std::uint32_t edges[8] = {9'000,        2'000'000,     30'000'000,    60'000'000,
                                    120'000'000,  250'000'000,   1'000'000'000, 3'000'000'000u};
    for (int i = 0; i < 8; ++i) e.bandEdges[i] = edges[i];
    const std::uint32_t synthMhz[12] = {300, 600, 900, 1200, 1500, 1800,
                                        2100, 2400, 2600, 2800, 2900, 3000};
    for (int i = 0; i < 12; ++i) e.synthEdges[i] = synthMhz[i] * 1'000'000u;
    e.defaultGain16 = 40;
    e.if1ManualGain = 33;
    e.defaultGain20 = 0x3F00003Fu;
    e.refClockInternalHz = 40'000'000;
    e.refClockExternalHz = 10'000'000;
    e.agcStart = 877;
    e.agcMid = 828;
    e.agcEnd = 608;
    e.dropLevel = -870;
    e.rssiTop = -880;
    e.rssiReference = 256;
    e.rxGain = 100;
    e.rssiReference2 = 650;
    return e;
}

} // namespace lxq::driver::test
