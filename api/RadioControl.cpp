#include "api/RadioControl.h"

#include "api/ProcessRandom.h"
#include "api/SignalLevel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

namespace lxq::api {
namespace {

constexpr std::int32_t kSimulatedRefClockHz = 20'000'000;
constexpr std::uint32_t kSimulatedDetectorWord = 0x02580100;
constexpr std::uint32_t kMeasureFlags = 25;
constexpr std::int32_t kMaxIfGain = 100;

std::int32_t SimulatedLevel() { return -(NextProcessRandom() % 1001) - 300; }

bool InRange(const RadioSlot& slot, std::uint32_t hz) {
    return hz >= slot.eeprom.lowestHz && hz <= slot.eeprom.highestHz;
}

} // namespace

const RadioSlot* RadioControl::Peek(std::int32_t index) { return lib_.Lookup(index); }

RadioControl::HeldSlot RadioControl::Hold(std::int32_t index) {
    RadioSlot* slot = lib_.Lookup(index);
    if (!slot) return {};
    return HeldSlot(*slot, lib_.Local(index).deviceLock);
}

template <typename Cache>
std::int32_t RadioControl::SetValue(std::int32_t index, std::uint32_t code, std::uint32_t value,
                                    bool needOkWord, Setting setting, Cache cache) {
    const HeldSlot slot = Hold(index);
    if (!slot) return 0;
    if (!slot->simulated) {
        std::atomic<std::uint32_t>& unknown = lib_.Local(index).unknownSettings;
        Settle(index);
        const ValueRequest in{value};
        ValueRequest out{0};
        const NtStatus status =
            lib_.Send(index, code, &in, sizeof in, needOkWord ? &out : nullptr,
                      needOkWord ? sizeof out : 0);
        if (status == plat::sys::kStatusRequestTimedOut) {
            // The request may still be carried out (it was under way in the host when the
            // cancel came): what the receiver holds is not known until its late answer, and
            // the next set must be sent whatever the cache holds.
            NoteUnanswered(index, setting, 0);
            return 0;
        }
        if (!IsSuccess(status)) return 0;
        if (needOkWord && out.value == 0) return 0;
        unknown.fetch_and(~static_cast<std::uint32_t>(setting)); // it holds what was sent
    }
    cache(*slot);
    return 1;
}

bool RadioControl::SettingKnown(std::int32_t index, Setting setting) {
    return Peek(index) && (lib_.Local(index).unknownSettings.load() & setting) == 0;
}

void RadioControl::NoteUnanswered(std::int32_t index, Setting setting, std::uint64_t before) {
    LocalRadio& local = lib_.Local(index);
    local.unknownSettings.fetch_or(setting);
    local.lateSet = {local.unansweredRequest, setting, before};
}

void RadioControl::Settle(std::int32_t index) {
    LocalRadio& local = lib_.Local(index);
    if (local.lateSet.setting == 0) return;
    NtStatus outcome = kStatusSuccess;
    if (!lib_.LateAnswer(index, local.lateSet.request, &outcome)) {
        // A late answer is taken in by the next request on the device.
        GetValue(index, IOCTL_LXQ745_IS_CONNECTED);
        if (local.lateSet.setting == 0) return; // settled meanwhile
        if (!lib_.LateAnswer(index, local.lateSet.request, &outcome)) return; // may still run
    }
    const LocalRadio::LateSet late = std::exchange(local.lateSet, {});
    const auto setting = static_cast<Setting>(late.setting);
    if (IsSuccess(outcome)) {
        ReadBack(index, setting);
        return;
    }
    // Cancelled before it ran, or refused: the receiver kept what the cache holds.
    RadioSlot& slot = lib_.Slot(index);
    if (setting == kFrequencySetting && slot.frequency == 0) slot.frequency = late.before;
    local.unknownSettings.fetch_and(~late.setting);
}

void RadioControl::SettleUnknown(std::int32_t index, Setting setting) {
    if (!Peek(index)) return; // not a receiver open here (nor an index)
    LocalRadio& local = lib_.Local(index);
    if ((local.unknownSettings.load() & setting) == 0) return;
    std::unique_lock lock(local.deviceLock, std::try_to_lock);
    if (!lock.owns_lock() || !lib_.Lookup(index) || lib_.Slot(index).simulated) return;
    Settle(index);
}

void RadioControl::ReadBack(std::int32_t index, Setting setting) {
    std::uint32_t code = 0;
    switch (setting) {
    case kPowerSetting: code = IOCTL_LXQ745_GET_POWER; break;
    case kAttenSetting: code = IOCTL_LXQ745_GET_ATTEN; break;
    case kAgcSetting: code = IOCTL_LXQ745_GET_AGC; break;
    case kIfGainSetting: code = IOCTL_LXQ745_GET_IF_GAIN; break;
    case kRfAmpSetting: code = IOCTL_LXQ745_GET_RF_AMP; break;
    case kFmwSetting: code = IOCTL_LXQ745_GET_FMW; break;
    case kPllSpeedSetting: code = IOCTL_LXQ745_GET_PLL_SPEED; break;
    case kIf1ManGainSetting: code = IOCTL_LXQ745_GET_IF1_MAN_GAIN; break;
    case kFilterValueSetting: code = IOCTL_LXQ745_GET_FILTER_VALUE; break;
    case kFrequencySetting: code = IOCTL_LXQ745_GET_FREQUENCY; break;
    }
    const auto value = GetValue(index, code);
    if (!value) return; // stays unknown: the next set is sent
    RadioSlot& slot = lib_.Slot(index);
    const std::uint64_t v = *value;
    switch (setting) {
    case kPowerSetting: slot.power = v != 0; break;
    case kAttenSetting: slot.atten = v != 0; break;
    case kAgcSetting: slot.agc = static_cast<std::int32_t>(v); break;
    case kIfGainSetting: slot.ifGain = static_cast<std::int32_t>(v); break;
    case kRfAmpSetting: slot.rfAmp = static_cast<std::uint32_t>(v); break;
    case kFmwSetting: slot.fmWide = v != 0 ? 1u : 0u; break;
    case kPllSpeedSetting: slot.pllSpeed = static_cast<std::uint32_t>(v); break;
    case kIf1ManGainSetting: slot.if1ManGain = static_cast<std::int32_t>(v); break;
    case kFilterValueSetting: slot.filterValue = static_cast<std::uint8_t>(v & 0xFFu); break;
    case kFrequencySetting: slot.frequency = v; break;
    }
    lib_.Local(index).unknownSettings.fetch_and(~static_cast<std::uint32_t>(setting));
}

std::optional<std::uint64_t> RadioControl::GetValue(std::int32_t index, std::uint32_t code,
                                                    std::uint32_t outLength) {
    std::uint64_t value = 0;
    if (!IsSuccess(lib_.Send(index, code, nullptr, 0, nullptr, outLength, &value)))
        return std::nullopt;
    return value;
}

// ---- Tuning ----

std::int32_t RadioControl::SetFrequency(std::int32_t index, std::uint32_t hz) {
    const HeldSlot slot = Hold(index);
    if (!slot || !InRange(*slot, hz)) return 0;
    if (!slot->simulated) Settle(index);
    if (hz == slot->frequency) return 1;
    if (!slot->simulated) {
        FreqRequest req{hz, 0, kFreqWaitPush | kFreqWaitLock}, out{};
        const NtStatus status =
            lib_.Send(index, IOCTL_LXQ745_SET_FREQUENCY, &req, sizeof req, &out, sizeof out);
        if (!IsSuccess(status)) {
            // Refused, the receiver kept its frequency; only a request that timed out may still
            // be carried out.
            UnknownFrequencyAfter(index, status);
            return 0;
        }
        if (out.flags == 0) return 0; // answered: the receiver kept its frequency
    }
    KnownFrequency(index, hz);
    return 1;
}

void RadioControl::UnknownFrequencyAfter(std::int32_t index, NtStatus status) {
    if (status != plat::sys::kStatusRequestTimedOut) return;
    // The receiver's frequency is not known until the late answer: the next SetFrequency sends
    // whatever it asks for.
    RadioSlot& slot = lib_.Slot(index);
    NoteUnanswered(index, kFrequencySetting, slot.frequency);
    slot.frequency = 0;
}

void RadioControl::KnownFrequency(std::int32_t index, std::uint32_t hz) {
    lib_.Slot(index).frequency = hz;
    lib_.Local(index).unknownSettings.fetch_and(~static_cast<std::uint32_t>(kFrequencySetting));
}

std::uint64_t RadioControl::GetFrequency(std::int32_t index) {
    SettleUnknown(index, kFrequencySetting);
    const RadioSlot* slot = Peek(index);
    return slot ? slot->frequency : 0;
}

std::int32_t RadioControl::SetFreqAsync(std::int32_t index, std::uint32_t hz) {
    const HeldSlot slot = Hold(index);
    if (!slot || !InRange(*slot, hz)) return 0;
    if (!slot->simulated) {
        Settle(index);
        FreqRequest req{hz, 0, kFreqWaitPush}, out{};
        const NtStatus status =
            lib_.Send(index, IOCTL_LXQ745_SET_FREQUENCY, &req, sizeof req, &out, sizeof out);
        if (!IsSuccess(status)) {
            UnknownFrequencyAfter(index, status);
            return 0;
        }
    }
    KnownFrequency(index, hz);
    return 1;
}

std::int32_t RadioControl::WaitFreqAsync(std::int32_t index) {
    const HeldSlot slot = Hold(index);
    if (!slot) return 0;
    if (slot->simulated) return 1;
    FreqRequest req{static_cast<std::uint32_t>(slot->frequency), 0, kFreqWaitLock}, out{};
    return IsSuccess(lib_.Send(index, IOCTL_LXQ745_SET_FREQUENCY, &req, sizeof req, &out,
                               sizeof out)) &&
                   out.flags != 0
               ? 1
               : 0;
}

std::int32_t RadioControl::SetFreqPipelined(std::int32_t index, std::uint32_t hz,
                                            std::int32_t now, std::uint32_t dwell) {
    const HeldSlot slot = Hold(index);
    if (!slot) return 2;
    if (!InRange(*slot, hz)) return 1;
    if (!now) {
        slot->pendingFrequency = hz;
        slot->pendingDwell = static_cast<std::uint8_t>(dwell & 0xFFu);
        return 0;
    }
    if (!slot->simulated) {
        Settle(index);
        PipelinedTuneRequest req{hz, 0, static_cast<std::uint16_t>(dwell), kPipelinedNoWait, 0};
        PipelinedTuneResult out{};
        const NtStatus status = lib_.Send(index, IOCTL_LXQ745_SET_FREQ_PIPELINED, &req,
                                          sizeof req, &out, sizeof out);
        if (!IsSuccess(status)) {
            UnknownFrequencyAfter(index, status);
            return 2;
        }
    }
    KnownFrequency(index, hz);
    slot->pendingFrequency = 0;
    return 0;
}

std::int32_t RadioControl::GetSSPipelined(std::int32_t index, std::int32_t* level,
                                          std::int32_t* raw, std::uint32_t* low,
                                          std::uint32_t* high) {
    const HeldSlot slot = Hold(index);
    if (!slot) return 4;
    const std::uint32_t pending = slot->pendingFrequency;
    slot->pendingFrequency = 0;
    if (slot->disconnected) return 3;
    if (pending == 0) return 1;
    std::int32_t measured;
    std::uint32_t detector;
    if (slot->simulated) {
        measured = SimulatedLevel();
        detector = kSimulatedDetectorWord;
        slot->frequency = pending;
    } else {
        Settle(index);
        const std::uint64_t before = slot->frequency;
        KnownFrequency(index, pending);
        PipelinedTuneRequest req{pending, 0, slot->pendingDwell, 0, 0};
        PipelinedTuneResult out{};
        const NtStatus status = lib_.Send(index, IOCTL_LXQ745_SET_FREQ_PIPELINED, &req,
                                          sizeof req, &out, sizeof out);
        if (!IsSuccess(status)) {
            slot->frequency = before;
            UnknownFrequencyAfter(index, status);
            slot->frequency = 0; // the next SetFrequency must send whatever it asks for
            return 2;
        }
        measured = out.level;
        detector = out.detectorPair;
    }
    if (level) *level = measured;
    if (raw) *raw = DbmToRaw(measured);
    if (low) *low = detector & 0xFFFFu;
    if (high) *high = detector >> 16;
    return 0;
}

// ---- Settings ----

std::int32_t RadioControl::SetPower(std::int32_t index, std::int32_t on) {
    return SetValue(index, IOCTL_LXQ745_SET_POWER, static_cast<std::uint32_t>(on), true,
                    kPowerSetting, [&](RadioSlot& s) { s.power = on != 0; });
}
std::int32_t RadioControl::GetPower(std::int32_t index) {
    SettleUnknown(index, kPowerSetting);
    const RadioSlot* s = Peek(index);
    return s ? static_cast<std::int32_t>(s->power) : 0;
}

std::int32_t RadioControl::SetAtten(std::int32_t index, std::int32_t on) {
    return SetValue(index, IOCTL_LXQ745_SET_ATTEN, static_cast<std::uint32_t>(on), true,
                    kAttenSetting, [&](RadioSlot& s) { s.atten = on != 0; });
}
std::int32_t RadioControl::GetAtten(std::int32_t index) {
    SettleUnknown(index, kAttenSetting);
    const RadioSlot* s = Peek(index);
    return s ? static_cast<std::int32_t>(s->atten) : 0;
}

std::int32_t RadioControl::SetAgc(std::int32_t index, std::int32_t mode) {
    // The unchanged value answers from the cache, without waiting for a request under way; a
    // value that an unanswered request left unknown is sent.
    if (const RadioSlot* cached = Peek(index);
        cached && cached->agc == mode && SettingKnown(index, kAgcSetting))
        return 1;
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (!s->simulated) Settle(index);
    if (s->agc == mode && SettingKnown(index, kAgcSetting)) return 1;
    return SetValue(index, IOCTL_LXQ745_SET_AGC, static_cast<std::uint32_t>(mode), true,
                    kAgcSetting, [&](RadioSlot& slot) { slot.agc = mode; });
}
std::int32_t RadioControl::GetAgc(std::int32_t index) {
    SettleUnknown(index, kAgcSetting);
    const RadioSlot* s = Peek(index);
    return s ? s->agc : -1;
}

std::int32_t RadioControl::SetIfGain(std::int32_t index, std::int32_t gain) {
    return SetValue(index, IOCTL_LXQ745_SET_IF_GAIN, static_cast<std::uint32_t>(gain), true,
                    kIfGainSetting, [&](RadioSlot& s) {
                        // The driver takes the low byte and clamps it to 100: the cache holds
                        // what the receiver holds.
                        s.ifGain = s.simulated ? gain : std::min(gain & 0xFF, kMaxIfGain);
                    });
}
std::int32_t RadioControl::GetIfGain(std::int32_t index) {
    SettleUnknown(index, kIfGainSetting);
    const RadioSlot* s = Peek(index);
    return s ? s->ifGain : -1;
}

std::int32_t RadioControl::SetRfAmp(std::int32_t index, std::int32_t state) {
    return SetValue(index, IOCTL_LXQ745_SET_RF_AMP, static_cast<std::uint32_t>(state), true,
                    kRfAmpSetting,
                    [&](RadioSlot& s) { s.rfAmp = static_cast<std::uint32_t>(state); });
}
std::int32_t RadioControl::GetRfAmp(std::int32_t index) {
    SettleUnknown(index, kRfAmpSetting);
    const RadioSlot* s = Peek(index);
    return s ? static_cast<std::int32_t>(s->rfAmp) : 0;
}

std::int32_t RadioControl::SetFmw(std::int32_t index, std::int32_t state) {
    const HeldSlot s = Hold(index);
    if (!s || !(s->eeprom.capabilities & kCapFmWide)) return 0;
    return SetValue(index, IOCTL_LXQ745_SET_FMW, static_cast<std::uint32_t>(state), false,
                    kFmwSetting,
                    [&](RadioSlot& slot) { slot.fmWide = static_cast<std::uint32_t>(state); });
}
std::int32_t RadioControl::GetFmw(std::int32_t index) {
    SettleUnknown(index, kFmwSetting);
    const RadioSlot* s = Peek(index);
    if (!s || !(s->eeprom.capabilities & kCapFmWide)) return 0;
    return static_cast<std::int32_t>(s->fmWide);
}

std::int32_t RadioControl::SetPllSpeed(std::int32_t index, std::int32_t option) {
    return SetValue(index, IOCTL_LXQ745_SET_PLL_SPEED, static_cast<std::uint32_t>(option), true,
                    kPllSpeedSetting,
                    [&](RadioSlot& s) { s.pllSpeed = static_cast<std::uint32_t>(option); });
}
std::int32_t RadioControl::GetPllSpeed(std::int32_t index) {
    SettleUnknown(index, kPllSpeedSetting);
    const RadioSlot* s = Peek(index);
    return s ? static_cast<std::int32_t>(s->pllSpeed) : 0;
}

std::int32_t RadioControl::SetIf1ManGain(std::int32_t index, std::int32_t gain) {
    return SetValue(index, IOCTL_LXQ745_SET_IF1_MAN_GAIN, static_cast<std::uint32_t>(gain), true,
                    kIf1ManGainSetting, [&](RadioSlot& s) { s.if1ManGain = gain; });
}
std::int32_t RadioControl::GetIf1ManGain(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) return s->if1ManGain;
    const auto value = GetValue(index, IOCTL_LXQ745_GET_IF1_MAN_GAIN);
    if (!value) return 0;
    lib_.Local(index).unknownSettings.fetch_and(~static_cast<std::uint32_t>(kIf1ManGainSetting));
    s->if1ManGain = static_cast<std::int32_t>(*value);
    return s->if1ManGain;
}

std::int32_t RadioControl::SetIf2Frequency(std::int32_t index, std::int32_t hz) {
    const HeldSlot slot = Hold(index);
    if (!slot) return 0;
    if (!slot->simulated) {
        SecondIfRequest req{hz, 0, 0}, out{};
        if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_SET_IF2_FREQUENCY, &req, sizeof req, &out,
                                 sizeof out)) ||
            out.flags == 0)
            return 0;
    }
    slot->if2Frequency = static_cast<std::uint32_t>(hz);
    return 1;
}
std::int32_t RadioControl::GetIf2Frequency(std::int32_t index) {
    const RadioSlot* s = Peek(index);
    return s ? static_cast<std::int32_t>(s->if2Frequency) : 0;
}

std::int32_t RadioControl::SetFilterVal(std::int32_t index, std::int32_t value) {
    return SetValue(index, IOCTL_LXQ745_SET_FILTER_VALUE, static_cast<std::uint32_t>(value), true,
                    kFilterValueSetting, [&](RadioSlot& s) {
                        if (value != -1) s.filterValue = static_cast<std::uint8_t>(value & 0xFF);
                    });
}

std::uint32_t RadioControl::GetFilterVal(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) {
        // Band and preselector path from the band plan of the demonstration receiver.
        static constexpr struct {
            std::uint64_t upTo;
            std::uint32_t band, path;
        } kPlan[] = {{1'800'000, 1, 0},     {7'300'000, 2, 0},     {32'000'000, 3, 0},
                     {150'000'000, 4, 2},   {260'000'000, 5, 2},   {700'000'000, 6, 2}};
        std::uint32_t band = 7, path = 2;
        for (const auto& row : kPlan) {
            if (s->frequency <= row.upTo) {
                band = row.band;
                path = row.path;
                break;
            }
        }
        return s->filterValue + band * 256u + path * 65'536u;
    }
    const auto value = GetValue(index, IOCTL_LXQ745_GET_FILTER_VALUE);
    if (!value) return 0;
    lib_.Local(index).unknownSettings.fetch_and(~static_cast<std::uint32_t>(kFilterValueSetting));
    s->filterValue = static_cast<std::uint8_t>(*value & 0xFFu);
    return static_cast<std::uint32_t>(*value);
}

std::int32_t RadioControl::SetFilterTbl(std::int32_t index, std::int32_t band, const void* nodes) {
    const HeldSlot s = Hold(index);
    if (!s || band < 4 || band > 7 || !nodes) return 0;
    if (!s->simulated &&
        !IsSuccess(lib_.Send(index, IOCTL_LXQ745_SET_FILTER_TABLE, nodes, sizeof(FilterTable),
                             nullptr, 0)))
        return 0;
    std::memcpy(s->filterTables[band - 4], nodes, sizeof(FilterTable));
    return 1;
}

std::int32_t RadioControl::GetFilterTbl(std::int32_t index, std::int32_t band, void* nodes) {
    const HeldSlot s = Hold(index);
    if (!s || band < 4 || band > 7 || !nodes) return 0;
    if (s->simulated) {
        std::memcpy(nodes, s->filterTables[band - 4], sizeof(FilterTable));
        return 1;
    }
    FilterTable table{};
    std::uint64_t bytes = 0;
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_FILTER_TABLE, nullptr, 0, &table,
                             sizeof table, &bytes)))
        return 0;
    std::memcpy(nodes, &table, sizeof table);
    return 1;
}

std::int32_t RadioControl::SetRefClock(std::int32_t index, std::uint32_t hz) {
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) return 1;
    RefClockRequest req = hz ? RefClockRequest{1, kRefSourceExternal, hz}
                             : RefClockRequest{1, kRefSourceInternal, kRefClockKeepHz};
    RefClockRequest out{};
    return IsSuccess(
               lib_.Send(index, IOCTL_LXQ745_SET_REF_CLOCK, &req, sizeof req, &out, sizeof out)) &&
                   out.ok != 0
               ? 1
               : 0;
}

std::int32_t RadioControl::GetRefClock(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s) return -1;
    if (s->simulated) return kSimulatedRefClockHz;
    RefClockRequest req{1, 0, 0}, out{};
    if (!IsSuccess(
            lib_.Send(index, IOCTL_LXQ745_GET_REF_CLOCK, &req, sizeof req, &out, sizeof out)))
        return -1;
    return static_cast<std::int32_t>(out.hz);
}

std::int32_t RadioControl::SetLedFlashPattern(std::int32_t index, std::int32_t pattern) {
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) return 1;
    const auto byte = static_cast<std::uint8_t>(pattern & 0xFF);
    return IsSuccess(lib_.Send(index, IOCTL_LXQ745_SET_LED_PATTERN, &byte, 1, nullptr, 0)) ? 1 : 0;
}

std::int32_t RadioControl::CodecSetGain(std::int32_t index, std::int32_t gain) {
    const HeldSlot s = Hold(index);
    if (!s || s->simulated || lib_.Local(index).codecStreaming) return 0;
    const auto byte = static_cast<std::uint8_t>(gain & 0xFF);
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_CODEC_SET_GAIN, &byte, 1, nullptr, 0))) return 0;
    s->codecGain = byte;
    return 1;
}

// ---- State and measurement ----

std::int32_t RadioControl::GetLock(std::int32_t index, std::int32_t flag) {
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) return 255;
    const auto value = GetValue(index, IOCTL_LXQ745_GET_LOCK, flag ? 1u : 0u);
    return value ? static_cast<std::int32_t>(*value) : 0;
}

std::int32_t RadioControl::IsBusy(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s || s->simulated) return 0;
    const auto value = GetValue(index, IOCTL_LXQ745_IS_BUSY);
    return value ? static_cast<std::int32_t>(*value) : 0;
}

std::int32_t RadioControl::IsDeviceConnected(std::int32_t index) {
    RadioSlot* s = lib_.Lookup(index);
    if (!s) return 0;
    LocalRadio& local = lib_.Local(index);
    // Never wait: while a long request runs, the disconnected mark answers, from this process's
    // copy of it. The slot's mark is written under the device lock that the request holds, and
    // only this process, which has the receiver open, writes it. A receiver whose last request
    // timed out is gone as well, whichever thread's request it was.
    std::unique_lock lock(local.deviceLock, std::try_to_lock);
    if (!lock.owns_lock()) return local.notAnswering.load() || local.unplugged.load() ? 0 : 1;
    if (s->simulated) return s->disconnected ? 0 : 1;
    const auto value = GetValue(index, IOCTL_LXQ745_IS_CONNECTED);
    return value ? static_cast<std::int32_t>(*value) : 0;
}

std::optional<std::int32_t> RadioControl::MeasureSignal(std::int32_t index) {
    RadioSlot& s = lib_.Slot(index);
    std::lock_guard lock(lib_.Local(index).deviceLock);
    if (s.simulated) {
        const std::int32_t level = SimulatedLevel();
        s.lastLevel = level;
        lib_.Local(index).lastLevel.store(level);
        return level;
    }
    const ValueRequest in{kMeasureFlags};
    std::int32_t level = 0;
    std::uint64_t bytes = 0;
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_SIGNAL_STRENGTH, &in, sizeof in, &level,
                             sizeof level, &bytes)) ||
        bytes != sizeof level)
        return std::nullopt;
    s.lastLevel = level;
    lib_.Local(index).lastLevel.store(level);
    return level;
}

std::int32_t RadioControl::GetRawSignalStrength(std::int32_t index) {
    if (!lib_.Lookup(index)) return -1;
    const auto level = MeasureSignal(index);
    return level ? DbmToRaw(*level) : -1;
}

std::int32_t RadioControl::GetSignalStrengthDbm(std::int32_t index) {
    if (!lib_.Lookup(index)) return -1;
    return MeasureSignal(index).value_or(-1);
}

std::int32_t RadioControl::GetLastSsDbm(std::int32_t index) {
    // Never waits: this process's copy of the level, which the measuring thread writes beside
    // the slot's under the device lock.
    return Peek(index) ? lib_.Local(index).lastLevel.load() : -1;
}

std::int32_t RadioControl::GetLastRawSs(std::int32_t index) {
    return Peek(index) ? DbmToRaw(lib_.Local(index).lastLevel.load()) : -1;
}

std::uint32_t RadioControl::GetInternalRssi(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s || s->simulated) return 0;
    const ValueRequest in{0};
    std::uint32_t out = 0;
    std::uint64_t bytes = 0;
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_INTERNAL_RSSI, &in, sizeof in, &out,
                             sizeof out, &bytes)) ||
        bytes != sizeof out)
        return 0;
    return out;
}

std::int32_t RadioControl::GetDebug(std::int32_t index, void* record) {
    const HeldSlot s = Hold(index);
    if (!s || s->simulated || !record) return 0;
    return IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_DEBUG, nullptr, 0, record, 64)) ? 1 : 0;
}

std::int32_t RadioControl::GetHw(std::int32_t index, void* buffer, std::uint32_t size) {
    const HeldSlot s = Hold(index);
    if (!s || size < sizeof(TunerState) || !buffer || s->simulated) return 0;
    return IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_HW, nullptr, 0, buffer, size)) ? 1 : 0;
}

std::int32_t RadioControl::GetHwInfo(std::int32_t index, void* buffer, std::uint32_t size) {
    const HeldSlot s = Hold(index);
    if (!s || size < sizeof(LX_Q7_HWINFO) || !buffer || s->simulated) return 0;
    return IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_HWINFO, nullptr, 0, buffer, size)) ? 1 : 0;
}

std::int32_t RadioControl::IsSpectrumInverted(std::int32_t index) {
    const HeldSlot s = Hold(index);
    if (!s) return 1;
    if (s->simulated) return 0;
    std::uint8_t info[sizeof(LX_Q7_HWINFO)] = {};
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_GET_HWINFO, nullptr, 0, info, sizeof info)))
        return 0;
    return (info[55] ^ info[35]) & 1;
}

std::int32_t RadioControl::IsUsVersion(std::int32_t index) {
    const RadioSlot* s = Peek(index);
    if (!s) return 1;
    return (s->eeprom.capabilities & kCapLockout) ? 1 : 0;
}

// ---- EEPROM and calibration ----

std::int32_t RadioControl::ReadBands(std::int32_t index, std::uint32_t* edges) {
    const RadioSlot* s = Peek(index);
    if (!s || !edges) return 0;
    std::memcpy(edges, reinterpret_cast<const std::uint8_t*>(&s->eeprom) + kEepromBandEdgesOffset,
                32);
    return 1;
}

std::int32_t RadioControl::WriteBands(std::int32_t index, const std::uint32_t* edges) {
    const HeldSlot s = Hold(index);
    if (!s || !edges) return 0;
    if (s->simulated) return 1;
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_WRITE_BANDS, edges, 32, nullptr, 0))) return 0;
    lib_.ReadEeprom(index);
    return 1;
}

std::int32_t RadioControl::GetEeprom(std::int32_t index, void* image) {
    const RadioSlot* s = Peek(index);
    if (!s || !image) return 0;
    std::memcpy(image, &s->eeprom, sizeof(LX_Q7_EEPROM));
    return 1;
}

std::int32_t RadioControl::WriteEeprom(std::int32_t index, std::uint32_t guard,
                                       std::uint32_t offset, std::uint32_t count,
                                       const void* data) {
    if (guard != kCalibGuardWord || count == 0 || count > 255 || !data) return 0;
    // A write that would run past the end would wrap onto address 0 and overwrite the band plan.
    if (offset >= kEepromSize || offset + count > kEepromSize) return 0;
    const HeldSlot s = Hold(index);
    if (!s || s->simulated) return 0;
    std::uint8_t buffer[kEepromSize];
    buffer[0] = static_cast<std::uint8_t>(offset);
    std::memcpy(buffer + 1, data, count);
    std::uint8_t out[kEepromSize];
    if (!IsSuccess(
            lib_.Send(index, IOCTL_LXQ745_WRITE_EEPROM, buffer, count + 1, out, count + 1)))
        return 0;
    lib_.ReadEeprom(index);
    return 1;
}

std::int32_t RadioControl::WrCalib(std::int32_t index, const void* record) {
    if (!record) return 0;
    LX_Q7_CALIB calib;
    std::memcpy(&calib, record, sizeof calib);
    if (calib.guard != kCalibGuardWord && calib.guard != kCalibGuardWordAlt) return 0;
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    if (s->simulated) {
        auto* raw = reinterpret_cast<std::uint8_t*>(&s->eeprom);
        // Words 0..3 and 5 are kept; words 4, 6 and 7 are not stored for a simulated receiver.
        for (int w : {0, 1, 2, 3, 5}) {
            const std::uint16_t word = calib.words[w];
            if (word != 0) std::memcpy(raw + kEepromCalibWordsOffset + 2 * w, &word, 2);
        }
        if (calib.referenceHz != 0) s->eeprom.refClockInternalHz = calib.referenceHz;
        return 1;
    }
    if (!IsSuccess(lib_.Send(index, IOCTL_LXQ745_WRITE_CALIB, &calib, sizeof calib, nullptr, 0)))
        return 0;
    lib_.ReadEeprom(index);
    return 1;
}

std::int32_t RadioControl::WrCalib2(std::int32_t index, std::uint32_t guard, std::uint32_t value) {
    if (guard != kCalibGuardWord) return 0;
    const HeldSlot s = Hold(index);
    if (!s) return 0;
    const auto byte = static_cast<std::uint8_t>(value & 0xFFu);
    if (s->simulated) {
        s->eeprom.if1ManualGain = byte;
        return 1;
    }
    const ValueRequest gainIn{byte};
    ValueRequest gainOut{0};
    if (IsSuccess(lib_.Send(index, IOCTL_LXQ745_SET_IF1_MAN_GAIN, &gainIn, sizeof gainIn,
                            &gainOut, sizeof gainOut)) &&
        gainOut.value != 0)
        s->if1ManGain = byte;
    CalibByteRequest req{kCalibGuardWord, byte, {}}, out{};
    if (!IsSuccess(
            lib_.Send(index, IOCTL_LXQ745_WRITE_CALIB2, &req, sizeof req, &out, sizeof out)))
        return 0;
    lib_.ReadEeprom(index);
    return 1;
}

std::int32_t RadioControl::GetPath(std::int32_t index, char* buffer, std::uint32_t length) {
    const RadioSlot* s = Peek(index);
    if (!s || !buffer) return 0;
    const char* end = static_cast<const char*>(std::memchr(s->devicePath, '\0', kDevicePathSize));
    const std::size_t n = (end ? static_cast<std::size_t>(end - s->devicePath) : kDevicePathSize - 1) + 1;
    if (length < n) return 0;
    std::memcpy(buffer, s->devicePath, n - 1);
    buffer[n - 1] = '\0';
    return 1;
}

const char* RadioControl::GetPath2(std::int32_t index) {
    const RadioSlot* s = Peek(index);
    return s ? s->devicePath : nullptr;
}

} // namespace lxq::api
