#pragma once
// The control exports: settings, tuning (waiting, asynchronous, pipelined), measurement, EEPROM
// and calibration. Get exports of settings answer from the slot's cache; set exports send one
// device-control request under the receiver's device lock and cache the value only on success;
// a simulated receiver answers everything from the cache.

#include "api/RadioLibrary.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace lxq::api {

class RadioControl {
public:
    explicit RadioControl(RadioLibrary& library) : lib_(library) {}

    std::int32_t SetFrequency(std::int32_t index, std::uint32_t hz);
    std::uint64_t GetFrequency(std::int32_t index);
    std::int32_t SetFreqAsync(std::int32_t index, std::uint32_t hz);
    std::int32_t WaitFreqAsync(std::int32_t index);
    std::int32_t SetFreqPipelined(std::int32_t index, std::uint32_t hz, std::int32_t now,
                                  std::uint32_t dwell);
    std::int32_t GetSSPipelined(std::int32_t index, std::int32_t* level, std::int32_t* raw,
                                std::uint32_t* low, std::uint32_t* high);

    std::int32_t SetPower(std::int32_t index, std::int32_t on);
    std::int32_t GetPower(std::int32_t index);
    std::int32_t SetAtten(std::int32_t index, std::int32_t on);
    std::int32_t GetAtten(std::int32_t index);
    std::int32_t SetAgc(std::int32_t index, std::int32_t mode);
    std::int32_t GetAgc(std::int32_t index);
    std::int32_t SetIfGain(std::int32_t index, std::int32_t gain);
    std::int32_t GetIfGain(std::int32_t index);
    std::int32_t SetRfAmp(std::int32_t index, std::int32_t state);
    std::int32_t GetRfAmp(std::int32_t index);
    std::int32_t SetFmw(std::int32_t index, std::int32_t state);
    std::int32_t GetFmw(std::int32_t index);
    std::int32_t SetPllSpeed(std::int32_t index, std::int32_t option);
    std::int32_t GetPllSpeed(std::int32_t index);
    std::int32_t SetIf1ManGain(std::int32_t index, std::int32_t gain);
    std::int32_t GetIf1ManGain(std::int32_t index);
    std::int32_t SetIf2Frequency(std::int32_t index, std::int32_t hz);
    std::int32_t GetIf2Frequency(std::int32_t index);
    std::int32_t SetFilterVal(std::int32_t index, std::int32_t value);
    std::uint32_t GetFilterVal(std::int32_t index);
    std::int32_t SetFilterTbl(std::int32_t index, std::int32_t band, const void* nodes);
    std::int32_t GetFilterTbl(std::int32_t index, std::int32_t band, void* nodes);
    std::int32_t SetRefClock(std::int32_t index, std::uint32_t hz);
    std::int32_t GetRefClock(std::int32_t index);
    std::int32_t SetLedFlashPattern(std::int32_t index, std::int32_t pattern);
    std::int32_t CodecSetGain(std::int32_t index, std::int32_t gain);

    std::int32_t GetLock(std::int32_t index, std::int32_t flag);
    std::int32_t IsBusy(std::int32_t index);
    std::int32_t IsDeviceConnected(std::int32_t index);
    std::int32_t GetRawSignalStrength(std::int32_t index);
    std::int32_t GetSignalStrengthDbm(std::int32_t index);
    std::int32_t GetLastSsDbm(std::int32_t index);
    std::int32_t GetLastRawSs(std::int32_t index);
    std::uint32_t GetInternalRssi(std::int32_t index);
    std::int32_t GetDebug(std::int32_t index, void* record);
    std::int32_t GetHw(std::int32_t index, void* buffer, std::uint32_t size);
    std::int32_t GetHwInfo(std::int32_t index, void* buffer, std::uint32_t size);
    std::int32_t IsSpectrumInverted(std::int32_t index);
    std::int32_t IsUsVersion(std::int32_t index);

    std::int32_t ReadBands(std::int32_t index, std::uint32_t* edges);
    std::int32_t WriteBands(std::int32_t index, const std::uint32_t* edges);
    std::int32_t GetEeprom(std::int32_t index, void* image);
    std::int32_t WriteEeprom(std::int32_t index, std::uint32_t guard, std::uint32_t offset,
                             std::uint32_t count, const void* data);
    std::int32_t WrCalib(std::int32_t index, const void* record);
    std::int32_t WrCalib2(std::int32_t index, std::uint32_t guard, std::uint32_t value);
    std::int32_t GetPath(std::int32_t index, char* buffer, std::uint32_t length);
    const char* GetPath2(std::int32_t index);

    // The level now in tenths of dBm (device lock held or taken); nullopt when the device's
    // measurement failed, so that a failure never reads as a signal.
    std::optional<std::int32_t> MeasureSignal(std::int32_t index);

private:
    // The slot of a receiver this process has open, with its device lock taken: the slot's cached
    // fields are read and written only so, because the device-change thread rewrites them under
    // that lock. Empty when the receiver is not open here.
    class HeldSlot {
    public:
        HeldSlot() = default;
        HeldSlot(RadioSlot& slot, plat::sys::RecursiveMutex& lock) : slot_(&slot), lock_(lock) {}
        explicit operator bool() const { return slot_ != nullptr; }
        RadioSlot* operator->() const { return slot_; }
        RadioSlot& operator*() const { return *slot_; }

    private:
        RadioSlot* slot_ = nullptr;
        std::unique_lock<plat::sys::RecursiveMutex> lock_;
    };
    HeldSlot Hold(std::int32_t index);
    // The slot for an export that only reads the cache: no lock, so a request that waits on the
    // receiver never holds it up. Each field is read once; a change under way may or may not be
    // seen, as with any answer from a cache.
    const RadioSlot* Peek(std::int32_t index);

    // The cached settings that a set request which went unanswered leaves unknown.
    enum Setting : std::uint32_t {
        kPowerSetting = 1u << 0,
        kAttenSetting = 1u << 1,
        kAgcSetting = 1u << 2,
        kIfGainSetting = 1u << 3,
        kRfAmpSetting = 1u << 4,
        kFmwSetting = 1u << 5,
        kPllSpeedSetting = 1u << 6,
        kIf1ManGainSetting = 1u << 7,
        kFilterValueSetting = 1u << 8,
        kFrequencySetting = 1u << 9, // the cached frequency is then 0
    };

    // A set export with a 4-byte value request: the request (real receivers) must succeed and,
    // with needOkWord, answer a non-zero output word; then `cache` runs. Simulated: `cache` only.
    // A request that failed without an answer marks `setting` unknown (the receiver may still
    // carry it out); an answer marks it known again.
    template <typename Cache>
    std::int32_t SetValue(std::int32_t index, std::uint32_t code, std::uint32_t value,
                          bool needOkWord, Setting setting, Cache cache);
    // Whether the last set request of `setting` was answered (or none went unanswered): only a
    // known value may be skipped as unchanged.
    bool SettingKnown(std::int32_t index, Setting setting);
    // A set request of `setting` went unanswered (device lock held): the setting is unknown
    // until its late answer says whether it ran; `before` is what the cache held.
    void NoteUnanswered(std::int32_t index, Setting setting, std::uint64_t before);
    // Settles a set request that went unanswered, once its late answer has come (device lock
    // held): cancelled or failed, the cache held the truth all along; carried out, the receiver
    // is asked what it holds now. Taking the late answer in costs a connection question, which
    // the host answers at once in every state; a receiver asleep is never waited for.
    void Settle(std::int32_t index);
    // The same for a get export, which never waits: only when `setting` is unknown and the
    // device lock is free.
    void SettleUnknown(std::int32_t index, Setting setting);
    // Reads `setting` from the receiver into the cache; known again when it answers.
    void ReadBack(std::int32_t index, Setting setting);
    // The frequency after a failed tuning request: only one that timed out makes it unknown.
    void UnknownFrequencyAfter(std::int32_t index, NtStatus status);
    // The receiver took `hz`.
    void KnownFrequency(std::int32_t index, std::uint32_t hz);
    // A get request whose value is the completion's byte count.
    std::optional<std::uint64_t> GetValue(std::int32_t index, std::uint32_t code,
                                          std::uint32_t outLength = 0);

    RadioLibrary& lib_;
};

} // namespace lxq::api
