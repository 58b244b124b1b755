#include "driver/host/DeviceControlHandler.h"

#include "platform/sys/Clock.h"

#include <algorithm>
#include <cstring>

namespace lxq::host {
namespace {

using driver::Bit;
using driver::FieldMask;
using driver::TunerField;

constexpr FieldMask kFrequencyFields = Bit(TunerField::MainControl) | Bit(TunerField::MainFraction) | Bit(TunerField::Band);
constexpr FieldMask kSecondFields = Bit(TunerField::SecondControl) | Bit(TunerField::SecondFraction);
constexpr FieldMask kGainFields = Bit(TunerField::Gain16) | Bit(TunerField::Gain20);
constexpr int kSilentChecksBeforeTuning = 4;

// Minimum buffer lengths. A copy-out request whose output is short completes with the buffer
// overflow status and no data; every other short buffer is an invalid parameter.
struct Minimum {
    std::uint32_t code, in, out;
    bool overflowWhenShortOut;
    bool overflowWhenShortIn;
};

constexpr Minimum kMinimums[] = {
    {IOCTL_LXQ745_CODEC_START, 26, 8, false, false},
    {IOCTL_LXQ745_CODEC_SET_GAIN, 1, 0, false, false},
    {IOCTL_LXQ745_SET_OPTION, 4, 4, false, false},
    {IOCTL_LXQ745_WRITE_EEPROM, 2, 0, false, false},
    {IOCTL_LXQ745_SET_LED_PATTERN, 1, 0, false, false},
    {IOCTL_LXQ745_SET_FMW, 4, 0, false, false},
    {IOCTL_LXQ745_SET_PLL_SPEED, 4, 4, false, false},
    {IOCTL_LXQ745_SET_IF1_MAN_GAIN, 4, 4, false, false},
    {IOCTL_LXQ745_GET_HWINFO, 0, 60, true, false},
    {IOCTL_LXQ745_GET_HW, 0, 30, true, false},
    {IOCTL_LXQ745_GET_FILTER_TABLE, 0, 64, true, false},
    {IOCTL_LXQ745_SET_FILTER_TABLE, 64, 0, false, true},
    {IOCTL_LXQ745_SET_FILTER_VALUE, 4, 4, false, false},
    {IOCTL_LXQ745_WRITE_BANDS, 32, 0, false, false},
    {IOCTL_LXQ745_SET_RF_AMP, 4, 4, false, false},
    {IOCTL_LXQ745_WRITE_CALIB2, 8, 0, false, false},
    {IOCTL_LXQ745_SET_FREQ_PIPELINED, 12, 12, false, false},
    {IOCTL_LXQ745_GET_LAST_STATUS, 0, 8, false, false},
    {IOCTL_LXQ745_WRITE_CALIB, 22, 0, false, false},
    {IOCTL_LXQ745_GET_DEBUG, 0, 64, true, false},
    {IOCTL_LXQ745_GET_INTERNAL_RSSI, 4, 4, false, false},
    {IOCTL_LXQ745_GET_SIGNAL_STRENGTH, 4, 4, false, false},
    {IOCTL_LXQ745_SET_ATTEN, 4, 4, false, false},
    {IOCTL_LXQ745_SET_IF_GAIN, 4, 4, false, false},
    {IOCTL_LXQ745_SET_AGC, 4, 4, false, false},
    {IOCTL_LXQ745_SET_IF2_FREQUENCY, 12, 12, false, false},
    {IOCTL_LXQ745_SET_FREQUENCY, 12, 12, false, false},
    {IOCTL_LXQ745_GET_REF_CLOCK, 12, 12, false, false},
    {IOCTL_LXQ745_SET_REF_CLOCK, 12, 12, false, false},
    {IOCTL_LXQ745_SET_POWER, 4, 4, false, false},
    {IOCTL_LXQ745_READ_EEPROM, 0, 256, true, false},
    {IOCTL_LXQ745_READ_TUNER_STATE, 0, 30, false, false},
};

NtStatus CheckBuffers(const IoRequest& request) {
    // A request of the neither method carries no system buffer: nothing of its input may be read
    // and no output written, so the value it needs travels in the pointer word or the lengths.
    if (TransferMethod(request.code) != kMethodBuffered) return kStatusSuccess;
    if (request.buffer.size() < std::max(request.inLength, request.outLength)) return kStatusInvalidParameter;
    for (const Minimum& m : kMinimums) {
        if (m.code != request.code) continue;
        if (request.inLength < m.in) return m.overflowWhenShortIn ? kStatusBufferOverflow : kStatusInvalidParameter;
        if (request.outLength < m.out) return m.overflowWhenShortOut ? kStatusBufferOverflow : kStatusInvalidParameter;
        return kStatusSuccess;
    }
    return kStatusSuccess;
}

// The system buffer exists only for buffered requests, and only as long as the caller made it:
// every access is checked against it, whatever the code's table entry promised.
std::uint32_t In32(const IoRequest& request, std::size_t index) {
    std::uint32_t value = 0;
    if (4 * index + sizeof value <= request.buffer.size())
        std::memcpy(&value, request.buffer.data() + 4 * index, sizeof value);
    return value;
}

void Out32(IoRequest& request, std::size_t index, std::uint32_t value) {
    if (4 * index + sizeof value <= request.buffer.size())
        std::memcpy(request.buffer.data() + 4 * index, &value, sizeof value);
}

template <typename T>
NtStatus CopyOut(IoRequest& request, const T& record) {
    if (request.buffer.size() < sizeof record) return kStatusInvalidParameter;
    std::memcpy(request.buffer.data(), &record, sizeof record);
    request.bytes = sizeof record;
    return kStatusSuccess;
}

// Answers a value request with the ok word of the fields it changed.
NtStatus AnswerOk(IoRequest& request, NtStatus status, std::uint32_t ok) {
    Out32(request, 0, ok);
    request.bytes = 4;
    return status;
}

} // namespace

NtStatus DeviceControlHandler::Handle(ReceiverDevice& device, IoRequest& request) {
    const NtStatus buffers = CheckBuffers(request);
    if (buffers != kStatusSuccess) return buffers;

    NtStatus status;
    if (device.Transport().HandleRequest(device, request, status)) return status;
    bool handled = false;
    status = GetValue(device, request, handled);
    if (!handled) status = SetValue(device, request, handled);
    if (!handled) status = Records(device, request, handled);
    if (!handled) status = EepromWrites(device, request, handled);
    if (!handled) status = Tuning(device, request, handled);
    if (!handled) status = Service(device, request);
    return status;
}

// Get requests of the neither method: the value is the byte count; an output length with bit 2
// set asks for the confirmation flag of the setting instead.
NtStatus DeviceControlHandler::GetValue(ReceiverDevice& device, IoRequest& request, bool& handled) {
    const driver::TuningState& s = device.State();
    const driver::Confirmations confirmed = device.Confirmed();
    const bool referenceSelected = s.referenceHz != 0.0;
    std::uint64_t value = 0;
    int matches = -1;  // the flag to answer with when asked; -1: the request has none
    handled = true;
    switch (request.code) {
    case IOCTL_LXQ745_GET_VERSION: value = LXQ745_DRIVER_INTERFACE_VERSION; break;
    case IOCTL_LXQ745_GET_FREQUENCY:
        value = referenceSelected ? s.frequency : 0;
        matches = static_cast<int>(confirmed.Ok(kFrequencyFields));
        break;
    case IOCTL_LXQ745_GET_IF2_FREQUENCY:
        value = referenceSelected ? static_cast<std::uint32_t>(s.if2) : 0;
        matches = static_cast<int>(confirmed.Ok(kSecondFields));
        break;
    case IOCTL_LXQ745_GET_POWER:
        value = s.powered ? 1 : 0;
        matches = confirmed.power ? 1 : 0;
        break;
    case IOCTL_LXQ745_GET_LOCK:
        value = s.status;
        matches = confirmed.statusRead ? 1 : 0;
        break;
    case IOCTL_LXQ745_GET_ATTEN:
        value = (s.current.bandWord & kBandWordAttenuatorOff) == 0 ? 1 : 0;
        matches = static_cast<int>(confirmed.Ok(Bit(TunerField::Band)));
        break;
    case IOCTL_LXQ745_GET_RF_AMP:
        value = (s.current.bandWord & kBandWordRfAmpOff) == 0 ? 1 : 0;
        matches = static_cast<int>(confirmed.Ok(Bit(TunerField::Band)));
        break;
    case IOCTL_LXQ745_GET_IF_GAIN: value = s.ifGain; break;
    case IOCTL_LXQ745_GET_AGC: value = s.agcMode; break;
    case IOCTL_LXQ745_GET_FMW: value = s.fmWide ? 1 : 0; break;
    case IOCTL_LXQ745_GET_PLL_SPEED: value = (s.current.mainControl & kMainControlFastPll) != 0 ? 1 : 0; break;
    case IOCTL_LXQ745_GET_IF1_MAN_GAIN: value = s.image.if1ManualGain; break;
    case IOCTL_LXQ745_GET_OPTION_PRESENT: value = s.image.options & kOptGain; break;
    case IOCTL_LXQ745_GET_OPTION:
        if ((s.image.options & kOptGain) == 0) return kStatusInvalidParameter;
        value = s.current.gain[kOptionalTunerByte];
        break;
    case IOCTL_LXQ745_GET_FILTER_VALUE: {
        const std::uint8_t band = s.hwInfo.band;
        value = static_cast<std::uint64_t>(band) * 256 + s.hwInfo.preselector;
        if (band >= 4 && band <= 7)
            value += (s.hwInfo.flags & kHwInfoPreselectorForced) != 0 ? 0x20000 : 0x10000;
        if (s.extendedBand) value += 0x1000000;
        break;
    }
    case IOCTL_LXQ745_IS_BUSY: value = device.Transport().IsBusy() ? 1 : 0; break;
    default: handled = false; return kStatusSuccess;
    }
    request.bytes = matches >= 0 && (request.outLength & kAskMatchesFlagBit) != 0
                        ? static_cast<std::uint64_t>(matches)
                        : value;
    return kStatusSuccess;
}

// Set requests with a value in and the ok word out.
NtStatus DeviceControlHandler::SetValue(ReceiverDevice& device, IoRequest& request, bool& handled) {
    driver::Tuner& tuner = device.Tuner();
    driver::TuningState& s = device.State();
    // Only the buffered set requests below carry a value; the table above checked their length.
    const std::uint32_t value = TransferMethod(request.code) == kMethodBuffered ? In32(request, 0) : 0;
    handled = true;
    switch (request.code) {
    case IOCTL_LXQ745_SET_ATTEN: {
        TunerState next = s.current;
        s.hwInfo.attenuator = value != 0 ? kHwInfoAttenuatorOn : 0;
        if (value != 0) next.bandWord = static_cast<std::uint16_t>(next.bandWord & ~kBandWordAttenuatorOff);
        else next.bandWord = static_cast<std::uint16_t>(next.bandWord | kBandWordAttenuatorOff);
        const NtStatus status = tuner.PushTunerState(next, false, false);
        return AnswerOk(request, status, device.Confirmed().Ok(Bit(TunerField::Band)));
    }
    case IOCTL_LXQ745_SET_RF_AMP: {
        TunerState next = s.current;
        if (value != 0) {
            s.hwInfo.flags = static_cast<std::uint8_t>(s.hwInfo.flags | kHwInfoRfAmpOn);
            next.bandWord = static_cast<std::uint16_t>(next.bandWord & ~kBandWordRfAmpOff);
        } else {
            s.hwInfo.flags = static_cast<std::uint8_t>(s.hwInfo.flags & ~kHwInfoRfAmpOn);
            next.bandWord = static_cast<std::uint16_t>(next.bandWord | kBandWordRfAmpOff);
        }
        const NtStatus status = tuner.PushTunerState(next, false, false);
        return AnswerOk(request, status, device.Confirmed().Ok(Bit(TunerField::Band)));
    }
    case IOCTL_LXQ745_SET_PLL_SPEED: {
        TunerState next = s.current;
        if (value != 0) next.mainControl |= kMainControlFastPll;
        else next.mainControl &= ~kMainControlFastPll;
        const NtStatus status = tuner.PushTunerState(next, false, false);
        return AnswerOk(request, status, device.Confirmed().Ok(Bit(TunerField::MainControl)));
    }
    case IOCTL_LXQ745_SET_IF_GAIN: {
        const auto gain = static_cast<std::uint8_t>(std::min<std::uint32_t>(value & 0xFF, 100));
        NtStatus status = kStatusSuccess;
        if (s.fmWide) s.savedIfGain = gain;  // applied when FM-wide ends
        else status = tuner.ApplyGains(s.agcMode, gain, 0);
        return AnswerOk(request, status, device.Confirmed().Ok(kGainFields));
    }
    case IOCTL_LXQ745_SET_AGC: {
        const auto mode = static_cast<std::uint8_t>(value & 0xFF);
        if (mode > 6) return kStatusInvalidParameter;
        NtStatus status = kStatusSuccess;
        if (s.fmWide) s.savedAgcMode = mode;
        else status = tuner.ApplyGains(mode, s.ifGain, static_cast<std::uint8_t>(value >> 8));
        return AnswerOk(request, status, device.Confirmed().Ok(kGainFields));
    }
    case IOCTL_LXQ745_SET_IF1_MAN_GAIN: {
        // The device's copy only: the EEPROM keeps its value.
        s.image.if1ManualGain = static_cast<std::uint8_t>(value);
        const NtStatus status = tuner.ApplyGains(s.agcMode, s.ifGain, static_cast<std::uint8_t>(value));
        return AnswerOk(request, status, device.Confirmed().Ok(kGainFields));
    }
    case IOCTL_LXQ745_SET_OPTION: {
        if ((s.image.options & kOptGain) == 0) return AnswerOk(request, kStatusSuccess, 0);
        TunerState next = s.current;
        next.gain[kOptionalTunerByte] = value != 0 ? 63 : 0;
        const NtStatus status = tuner.PushTunerState(next, false, false);
        return AnswerOk(request, status, device.Confirmed().Ok(Bit(TunerField::Gain20)));
    }
    case IOCTL_LXQ745_SET_FILTER_VALUE: {
        if (value != 0xFFFFFFFFu) {
            s.hwInfo.flags = static_cast<std::uint8_t>(s.hwInfo.flags | kHwInfoPreselectorForced);
            s.hwInfo.preselector = static_cast<std::uint8_t>(value);
        } else {
            s.hwInfo.flags = static_cast<std::uint8_t>(s.hwInfo.flags & ~kHwInfoPreselectorForced);
            if (s.hwInfo.band >= 4 && s.hwInfo.band <= 7) tuner.InterpolatePreselector(s.hwInfo, s.frequency);
        }
        TunerState next = s.current;
        next.preselector = s.hwInfo.preselector;
        const NtStatus status = tuner.PushTunerState(next, false, true);
        return AnswerOk(request, status, device.Confirmed().Ok(Bit(TunerField::Preselector)));
    }
    case IOCTL_LXQ745_SET_POWER: {
        const NtStatus status = device.SetPower(value != 0);
        return AnswerOk(request, status, device.Confirmed().power ? 1 : 0);
    }
    case IOCTL_LXQ745_SET_FMW: {
        NtStatus status = tuner.SetFmWide(value != 0);
        if (status == kStatusSuccess && (s.image.options & kOptFmWideIf) != 0)
            status = tuner.SetTunerFrequency(s.frequency, true, true, true, false, 0);
        return status;
    }
    case IOCTL_LXQ745_SET_LED_PATTERN: return device.Transport().SetLedPattern(request.buffer[0]);
    default: handled = false; return kStatusSuccess;
    }
}

// Copy-out requests.
NtStatus DeviceControlHandler::Records(ReceiverDevice& device, IoRequest& request, bool& handled) {
    const driver::TuningState& s = device.State();
    handled = true;
    switch (request.code) {
    case IOCTL_LXQ745_READ_EEPROM: return CopyOut(request, s.image);
    case IOCTL_LXQ745_GET_HWINFO: return CopyOut(request, s.hwInfo);
    case IOCTL_LXQ745_GET_HW: return CopyOut(request, s.current);
    case IOCTL_LXQ745_GET_DEBUG: {
        HardwareStateRecord record{};
        const NtStatus status = device.RefreshHardwareState(record);
        if (status != kStatusSuccess) return status;
        return CopyOut(request, record);
    }
    case IOCTL_LXQ745_GET_FILTER_TABLE: {
        const std::uint8_t band = s.hwInfo.band;
        if (band < 4 || band > 7) return kStatusInvalidParameter;
        FilterTable table{};
        std::copy_n(s.filterNodes + kFilterNodesPerBand * (band - 4), kFilterNodesPerBand, table.nodes);
        return CopyOut(request, table);
    }
    case IOCTL_LXQ745_GET_INTERNAL_RSSI:
        Out32(request, 0, device.LastDetectorPair());
        request.bytes = 4;
        return kStatusSuccess;
    case IOCTL_LXQ745_GET_SIGNAL_STRENGTH: {
        const NtStatus status = device.MeasureLevel(In32(request, 0));
        Out32(request, 0, static_cast<std::uint32_t>(device.LastLevel()));
        request.bytes = 4;
        return status;
    }
    case IOCTL_LXQ745_GET_REF_CLOCK: {
        const std::uint8_t select = s.current.referenceSelect;
        const std::uint32_t source = select == kReferenceInternal   ? kRefSourceInternal
                                     : select == kReferenceExternal ? kRefSourceExternal
                                                                    : kRefSourceNone;
        Out32(request, 0, device.Confirmed().Ok(Bit(TunerField::Reference)));
        Out32(request, 1, source);
        Out32(request, 2, source == kRefSourceNone ? 0 : static_cast<std::uint32_t>(s.referenceHz));
        request.bytes = 12;
        return kStatusSuccess;
    }
    default: handled = false; return kStatusSuccess;
    }
}

NtStatus DeviceControlHandler::EepromWrites(ReceiverDevice& device, IoRequest& request, bool& handled) {
    driver::Tuner& tuner = device.Tuner();
    const std::uint8_t* in = request.buffer.data();
    handled = true;
    switch (request.code) {
    case IOCTL_LXQ745_WRITE_EEPROM:
        if (request.inLength > kWriteEepromMaxIn) return kStatusInvalidParameter;
        return tuner.WriteEepromBytes(in + 1, in[0], request.inLength - 1) ? kStatusSuccess : kStatusInvalidParameter;
    case IOCTL_LXQ745_WRITE_BANDS:
        return tuner.WriteEepromBytes(in, kEepromBandEdgesOffset, 32) ? kStatusSuccess : kStatusInvalidParameter;
    case IOCTL_LXQ745_WRITE_CALIB2: {
        CalibByteRequest calib{};
        std::memcpy(&calib, in, sizeof calib);
        if (calib.guard != kCalibGuardWord) return kStatusInvalidParameter;
        return tuner.WriteEepromBytes(&calib.value, kEepromIf1ManualGainOffset, 1) ? kStatusSuccess
                                                                                  : kStatusInvalidParameter;
    }
    case IOCTL_LXQ745_WRITE_CALIB: {
        LX_Q7_CALIB calib;
        std::memcpy(&calib, in, sizeof calib);
        if (calib.guard != kCalibGuardWord && calib.guard != kCalibGuardWordAlt) return kStatusInvalidParameter;
        for (std::size_t i = 0; i < 8; ++i) {
            const std::uint16_t word = calib.words[i];
            std::uint8_t bytes[2];
            std::memcpy(bytes, &word, 2);
            if (word != 0 && !tuner.WriteEepromBytes(bytes, kEepromCalibWordsOffset + 2 * i, 2))
                return kStatusInvalidParameter;
        }
        const std::uint32_t reference = calib.referenceHz;
        std::uint8_t bytes[4];
        std::memcpy(bytes, &reference, 4);
        if (reference != 0 && !tuner.WriteEepromBytes(bytes, kEepromRefClockInternalOffset, 4))
            return kStatusInvalidParameter;
        return kStatusSuccess;
    }
    case IOCTL_LXQ745_SET_FILTER_TABLE: {
        FilterTable table;
        std::memcpy(&table, in, sizeof table);
        const driver::TuningState& s = device.State();
        const std::uint32_t* edges = s.image.bandEdges;
        int band = 0;
        for (int b = 4; b <= 7 && band == 0; ++b)
            if (edges[b] > table.nodes[0].hz) band = b;
        if (band == 0 || table.nodes[7].hz != edges[band]) return kStatusInvalidParameter;
        const std::uint32_t lower = edges[band - 1];
        const std::uint32_t unit = ((edges[band] - lower) / 256'000'000u + 1) * 1'000'000u;
        std::uint8_t bytes[16];
        for (std::size_t k = 0; k < kFilterNodesPerBand; ++k) {
            const std::uint32_t hz = table.nodes[k].hz;
            // A step beyond one byte saturates rather than wrapping onto a low frequency.
            bytes[2 * k] = static_cast<std::uint8_t>(std::min<std::uint32_t>(hz >= lower ? (hz - lower) / unit : 0, 255));
            bytes[2 * k + 1] = static_cast<std::uint8_t>(table.nodes[k].value);
        }
        return tuner.WriteEepromBytes(bytes, kEepromFilterBytesPerBand * (band - 4), 16) ? kStatusSuccess
                                                                                         : kStatusInvalidParameter;
    }
    default: handled = false; return kStatusSuccess;
    }
}

NtStatus DeviceControlHandler::Tuning(ReceiverDevice& device, IoRequest& request, bool& handled) {
    driver::Tuner& tuner = device.Tuner();
    driver::TuningState& s = device.State();
    handled = true;
    switch (request.code) {
    case IOCTL_LXQ745_SET_FREQUENCY: {
        const std::uint32_t flags = In32(request, 2);
        const NtStatus status = tuner.SetTunerFrequency(In32(request, 0), true, (flags & kFreqWaitPush) != 0,
                                                        (flags & kFreqWaitLock) != 0, false, 0);
        Out32(request, 2, device.Confirmed().Ok(kFrequencyFields));
        request.bytes = 12;
        return status;
    }
    case IOCTL_LXQ745_SET_IF2_FREQUENCY: {
        const NtStatus status = tuner.SetSecondLO(static_cast<std::int32_t>(In32(request, 0)),
                                                  (In32(request, 2) & kSecondIfWaitPush) != 0);
        Out32(request, 2, device.Confirmed().Ok(kSecondFields));
        request.bytes = 12;
        return status;
    }
    case IOCTL_LXQ745_SET_REF_CLOCK: {
        const std::uint32_t source = In32(request, 1), hz = In32(request, 2);
        TunerState next = s.current;
        next.referenceSelect = source == kRefSourceInternal ? kReferenceInternal : kReferenceExternal;
        NtStatus status = tuner.PushTunerState(next, false, false);
        // Only the two stored values can be chosen, whatever the source word says.
        std::uint32_t& stored = source == kRefSourceInternal ? s.image.refClockInternalHz : s.image.refClockExternalHz;
        if (hz != kRefClockKeepHz) stored = hz;
        s.referenceHz = stored;
        const NtStatus second = tuner.SetSecondLO(s.if2, true);
        const NtStatus tuned = tuner.SetTunerFrequency(s.frequency, true, true, true, false, 0);
        if (status == kStatusSuccess) status = second;
        if (status == kStatusSuccess) status = tuned;
        Out32(request, 0, device.Confirmed().Ok(Bit(TunerField::Reference)));
        Out32(request, 1, source == kRefSourceInternal ? kRefSourceInternal : kRefSourceExternal);
        Out32(request, 2, stored);
        request.bytes = 12;
        return status;
    }
    case IOCTL_LXQ745_SET_FREQ_PIPELINED: {
        PipelinedTuneRequest in;
        std::memcpy(&in, request.buffer.data(), sizeof in);
        NtStatus status = kStatusSuccess;
        if ((in.flags & kPipelinedNoWait) == 0) {
            status = tuner.SetTunerFrequency(s.frequency, false, false, true, false, 0);
            if (status == kStatusSuccess) status = device.MeasureLevel(0x18);
        }
        // A card that has not answered four checks in a row is tuned on regardless, so that a
        // scan moves on; the request still reports the failed check.
        if (status == kStatusSuccess) status = tuner.SetTunerFrequency(in.hz, true, false, false, false, in.dwell);
        else if (device.Transport().SilentChecks() >= kSilentChecksBeforeTuning)
            tuner.SetTunerFrequency(in.hz, true, false, false, false, in.dwell);
        Out32(request, 0, device.LastDetectorPair());
        Out32(request, 2, static_cast<std::uint32_t>(device.LastLevel()));
        request.bytes = 12;
        return status;
    }
    default: handled = false; return kStatusSuccess;
    }
}

// Service requests without a sender in the system, and requests only some variants serve.
NtStatus DeviceControlHandler::Service(ReceiverDevice& device, IoRequest& request) {
    driver::Tuner& tuner = device.Tuner();
    switch (request.code) {
    case IOCTL_LXQ745_SET_SYNTH_WORD3:
    case IOCTL_LXQ745_SET_SYNTH_WORD1: {
        plat::sys::ActiveClock().SleepMs(200);
        TunerState next = device.State().current;
        const auto word = static_cast<std::uint32_t>(request.inPointerValue);
        if (request.code == IOCTL_LXQ745_SET_SYNTH_WORD3) next.secondFraction = word;
        else next.mainFraction = word;
        tuner.PushTunerState(next, false, (request.outLength & 1) != 0);
        const auto field = request.code == IOCTL_LXQ745_SET_SYNTH_WORD3 ? TunerField::SecondFraction
                                                                        : TunerField::MainFraction;
        request.bytes = device.Confirmed().Ok(Bit(field));
        return kStatusSuccess;
    }
    case IOCTL_LXQ745_BUS_WRITE_CHECKED: {
        const NtStatus status = device.Transport().BusWrite(static_cast<std::uint8_t>(request.inPointerValue),
                                                            request.outLength);
        request.bytes = status == kStatusSuccess ? 1 : 0;
        return status;
    }
    case IOCTL_LXQ745_BUS_WRITE:
        return device.Transport().BusWrite(static_cast<std::uint8_t>(request.inPointerValue), request.outLength);
    case IOCTL_LXQ745_READ_TUNER_STATE: return kStatusSuccess;  // byte count 0: not read back
    default: return kStatusInvalidParameter;  // the variant does not serve it
    }
}

} // namespace lxq::host
