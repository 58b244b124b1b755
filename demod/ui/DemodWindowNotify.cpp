// The host's notifications as one instance takes them, and the mode, bandwidth, volume, mute and
// audio-filter changes that notifications and (later) the front controls share.

#include "demod/ui/DemodWindow.h"

#include "demod/ui/ModeTable.h"
#include "demod/dsp/RC_Heap.h"
#include "platform/win/MessageApi.h"

#include <cmath>
#include <cstring>

namespace {

std::int32_t RecordField(const void* record, int at) {
    std::int32_t v;
    std::memcpy(&v, static_cast<const unsigned char*>(record) + at, 4);
    return v;
}

constexpr int kDemodCategory = 4;
// The receiver's wide-FM capability: EEPROM byte 80, bit 1.
constexpr int kEepromCapabilities = 80;
constexpr unsigned char kCapabilityFmWide = 0x2;

} // namespace

int DemodWindow::Notify(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData,
                        void* lpData) {
    if (receiver != receiver_) return 0;
    switch (code) {
    case KVR_NOTIFY_POWER: OnPower(dwParam); break;
    case KVR_NOTIFY_PLUGIN_STOPPED: OnPluginStopped(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_FREQUENCY: OnFrequency(dwParam); break;
    case KVR_NOTIFY_MODE: return OnMode(dwParam);
    case KVR_NOTIFY_SQUELCH: OnSquelch(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_SQUELCHED: squelched_ = dwParam; break;
    case KVR_NOTIFY_BANDWIDTH: {
        // A bandwidth below 1 Hz would turn the filters inside out: the field's range starts at 1.
        const auto hz = static_cast<std::int32_t>(dwParam);
        if (hz >= 1 && hz < BandwidthLimit(modeIndex_)) OnBandwidth(hz, false);
        break;
    }
    case KVR_NOTIFY_AFC: afc_ = dwParam; break;
    case KVR_NOTIFY_VOLUME: OnVolume(dwParam, false); break;
    case KVR_NOTIFY_MUTE: OnMute(dwParam != 0, false); break;
    case KVR_NOTIFY_AUDIO_FILTER: OnAudioFilterNotify(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_SCAN_MODE: OnScanMode(dwParam); break;
    case KVR_NOTIFY_CLOSE:
        Stop();
        Close();
        break;
    case KVR_NOTIFY_MINIMIZED:
        // The setup window follows the host's main window; it is added with the setup page.
        if (dwParam == 0) setupWasShown_ = false;
        break;
    case KVR_NOTIFY_CAPABILITIES: OnCapabilities(cbData, lpData); break;
    default: break;
    }
    return 1;
}

void DemodWindow::OnPower(std::uint32_t value) {
    power_ = value;
    SetEnabled(value != 0);
}

void DemodWindow::OnPluginStopped(std::uint32_t type, std::uint32_t cbData, const void* name) {
    if (((type >> 8) & 0xFF) != kDemodCategory || !demonstration_) return;
    if (name != nullptr) {
        const char* text = static_cast<const char*>(name);
        if (std::string(text, strnlen(text, cbData)) == kDemodPluginName) return;
    }
    Activate();
}

void DemodWindow::ExchangeSettling(std::uint32_t value) {
    for (auto& counter : settling_) counter.exchange(value);
}

void DemodWindow::OnFrequency(std::uint32_t packed) {
    frequency_ = DecodeFreq32(packed);
    dcsHold_ = 0;
    if (scanMode_ == 0) return;
    ExchangeSettling(1);
    reportedInScan_.store(0);
    reportPending_.store(0);
    if (!AnySecondarySquelch()) Callback(KVR_CMD_SQUELCHED_INFO, 0, 0, nullptr);
    // The voice detector starts its collection afresh; the audio thread applies it.
    path_.restartVoice.store(true);
}

int DemodWindow::OnMode(std::uint32_t hostCode) {
    if (hostCode == kHostCodeFmw && (api_.Eeprom()[kEepromCapabilities] & kCapabilityFmWide) == 0) return 0;
    const int button = ModeButtonOfHostCode(hostCode);
    if (button >= 0) OnModeButton(button, false);
    return 1;
}

void DemodWindow::OnSquelch(std::uint32_t flags, std::uint32_t cbData, const void* record) {
    if (cbData != kReportSize || record == nullptr) return;
    const bool oldNoise = noiseFlag_, oldVoice = voiceFlag_, oldCtcss = ctcssTone_ != 0.0f, oldDcs = dcsFlag_;
    noiseFlag_ = (flags & kSquelchNoise) != 0;
    noiseThreshold_ = RecordField(record, 4);
    voiceFlag_ = (flags & kSquelchVoice) != 0;
    voiceLevel_ = static_cast<float>(static_cast<std::uint32_t>(RecordField(record, 20)) * 0.01);
    ctcssTone_ = (flags & kSquelchCtcss) != 0
                     ? static_cast<float>(static_cast<std::uint32_t>(RecordField(record, 8)) * 0.001)
                     : 0.0f;
    dcsFlag_ = (flags & kSquelchDcs) != 0;
    dcsCode_ = RecordField(record, 24);
    const bool changed = oldNoise != noiseFlag_ || oldVoice != voiceFlag_ || oldCtcss != (ctcssTone_ != 0.0f) ||
                         oldDcs != dcsFlag_;
    if (changed && scanMode_ == 0) plat::win::PostMessage(Handle(), kMsgSquelchReport, 0, 0);
}

void DemodWindow::OnScanMode(std::uint32_t value) {
    scanMode_ = value;
    if (value != 0) {
        ExchangeSettling(1);
        reportedInScan_.store(0);
        SetEnabled(false);
    } else {
        ExchangeSettling(0);
        SetEnabled(true);
    }
}

void DemodWindow::OnAudioFilterNotify(std::uint32_t dwParam, std::uint32_t cbData, const void* lpData) {
    if (filterEchoGuard_ != 0) return;
    if (dwParam == 0) {
        OnAfFilter(false, false);
    } else if (dwParam == 2) {
        const int m = modeIndex_;
        if (cbData >= 4 && lpData != nullptr) {
            const std::int32_t low = RecordField(lpData, 0);
            bandPass_[m] = low != 0 ? 1 : 0;
            if (low != 0) lowCut_[m] = static_cast<float>(low);
        }
        if (cbData >= 8 && lpData != nullptr && RecordField(lpData, 4) != 0)
            highCut_[m] = static_cast<float>(RecordField(lpData, 4));
        if (cbData >= 12 && lpData != nullptr)
            deEmphasis_[m] = static_cast<float>(RecordField(lpData, 8) * 0.1);
        OnAfFilter(true, false);
    }
}

void DemodWindow::OnCapabilities(std::uint32_t cbData, const void* lpData) {
    if (!started_ || Closing() || lpData == nullptr || cbData < 400) return;
    const std::uint32_t total = *static_cast<const std::uint32_t*>(lpData);
    // A block that claims more than was handed over is cut to what arrived.
    const std::size_t size = total >= 400 && total <= cbData ? total : cbData;
    auto* copy = static_cast<unsigned char*>(RC_AllocCopy(lpData, size));
    if (copy == nullptr) return;
    std::memcpy(copy, &size, 4);
    RC_Free(caps_);
    caps_ = copy;
}

void DemodWindow::OnModeButton(int button, bool fromUser) {
    if (button < 0 || button >= kModeCount) return;
    const ModeEntry& mode = ModeTable[button];
    modeIndex_ = mode.modeIndex;
    api_.SetFMW(modeIndex_ == kModeFmw ? 1 : 0);
    demod_.halfBandwidth = static_cast<float>(halfBandwidth_[modeIndex_]);
    if (modeIndex_ == kModeUsb || modeIndex_ == kModeLsb) demod_.tone = static_cast<std::uint32_t>(halfBandwidth_[modeIndex_]);
    if (modeIndex_ == kModeCw) demod_.tone = 800;
    // The audio thread takes the new kind and rebuilds the filters for it.
    kindExchange_.store(mode.kind + 1);
    if (fromUser) Callback(KVR_CMD_MODE, mode.hostCode, 0, nullptr);
    const auto bandwidth = static_cast<std::uint32_t>(std::lround(2.0 * halfBandwidth_[modeIndex_]));
    Callback(KVR_CMD_BANDWIDTH, bandwidth, 0, nullptr);
}

void DemodWindow::OnBandwidth(std::int32_t hz, bool fromUser) {
    // The field steps by 100 from 200 Hz up, else by 10; stepped values are whole tens.
    if (hz > 1) hz -= hz % 10;
    halfBandwidth_[modeIndex_] = hz / 2.0;
    demod_.halfBandwidth = static_cast<float>(hz / 2.0);
    if (modeIndex_ == kModeUsb || modeIndex_ == kModeLsb) demod_.tone = static_cast<std::uint32_t>(hz / 2);
    kindExchange_.store(ModeTable[ModeButtonOfIndex(modeIndex_)].kind + 1);
    if (fromUser) Callback(KVR_CMD_BANDWIDTH, static_cast<std::uint32_t>(hz), 0, nullptr);
}

void DemodWindow::OnVolume(std::uint32_t volume, bool fromUser) {
    volume_ = volume;
    volumeFactor_ = volume / 31.0;
    if (fromUser) Callback(KVR_CMD_VOLUME, volume, 0, nullptr);
}

void DemodWindow::OnMute(bool down, bool fromUser) {
    mute_ = down;
    if (fromUser) Callback(KVR_CMD_MUTE, down ? 1 : 0, 0, nullptr);
}

void DemodWindow::OnAfFilter(bool down, bool fromUser) {
    filterEchoGuard_ = 1;
    const int m = modeIndex_;
    afFilter_[m] = down ? 1 : 0;
    if (fromUser) {
        if (down) {
            std::int32_t record[3] = {bandPass_[m] != 0 ? static_cast<std::int32_t>(lowCut_[m]) : 0,
                                      static_cast<std::int32_t>(highCut_[m]),
                                      static_cast<std::int32_t>(deEmphasis_[m] * 10.0f)};
            Callback(KVR_CMD_AUDIO_FILTER, 2, sizeof record, record);
        } else {
            Callback(KVR_CMD_AUDIO_FILTER, 0, 0, nullptr);
        }
    }
    audioFilterExchange_.exchange(1);
    filterEchoGuard_ = 0;
}
