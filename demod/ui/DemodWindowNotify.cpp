// The host's notifications as one instance takes them, and the mode, bandwidth, volume, mute and
// audio-filter changes that notifications and (later) the front controls share.

#include "demod/ui/DemodWindow.h"

#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/dsp/RC_Heap.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Styles.h"

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

bool DemodWindow::Handles(std::uint32_t code) {
    switch (code) {
    case KVR_NOTIFY_POWER:
    case KVR_NOTIFY_PLUGIN_STOPPED:
    case KVR_NOTIFY_FREQUENCY:
    case KVR_NOTIFY_MODE:
    case KVR_NOTIFY_SQUELCH:
    case KVR_NOTIFY_SQUELCHED:
    case KVR_NOTIFY_BANDWIDTH:
    case KVR_NOTIFY_AFC:
    case KVR_NOTIFY_VOLUME:
    case KVR_NOTIFY_MUTE:
    case KVR_NOTIFY_AUDIO_FILTER:
    case KVR_NOTIFY_SCAN_MODE:
    case KVR_NOTIFY_CLOSE:
    case KVR_NOTIFY_MINIMIZED:
    case KVR_NOTIFY_CAPABILITIES: return true;
    default: return false;
    }
}

int DemodWindow::Notify(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData,
                        void* lpData) {
    if (receiver != receiver_) return 0;
    switch (code) {
    case KVR_NOTIFY_POWER: OnPower(dwParam); break;
    case KVR_NOTIFY_PLUGIN_STOPPED: OnPluginStopped(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_FREQUENCY: OnFrequency(dwParam); break;
    case KVR_NOTIFY_MODE: return OnMode(dwParam);
    case KVR_NOTIFY_SQUELCH: OnSquelch(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_SQUELCHED:
        squelched_ = dwParam;
        PublishSignalPath();
        break;
    case KVR_NOTIFY_BANDWIDTH: {
        // A bandwidth below 1 Hz would turn the filters inside out: the field's range starts at 1.
        const auto hz = static_cast<std::int32_t>(dwParam);
        if (hz >= 1 && hz < BandwidthLimit(modeIndex_)) OnBandwidth(hz, false);
        break;
    }
    case KVR_NOTIFY_AFC:
        afc_ = dwParam;
        PublishSignalPath();
        break;
    case KVR_NOTIFY_VOLUME: OnVolume(dwParam, false); break;
    case KVR_NOTIFY_MUTE: OnMute(dwParam != 0, false); break;
    case KVR_NOTIFY_AUDIO_FILTER: OnAudioFilterNotify(dwParam, cbData, lpData); break;
    case KVR_NOTIFY_SCAN_MODE: OnScanMode(dwParam); break;
    case KVR_NOTIFY_CLOSE:
        Stop();
        Close();
        break;
    case KVR_NOTIFY_MINIMIZED: OnMinimized(dwParam != 0); break;
    case KVR_NOTIFY_CAPABILITIES: OnCapabilities(cbData, lpData); break;
    default: break;
    }
    return 1;
}

void DemodWindow::OnPower(std::uint32_t value) {
    power_ = value;
    PublishSignalPath();
    SetEnabled(value != 0);
    if (analyzer_ != nullptr) analyzer_->SetMode(value != 0 ? 2 : 0);
    if (value == 0) ClearIfGraph();
}

// The setup window goes down with the host's main window and comes back with it.
void DemodWindow::OnMinimized(bool minimized) {
    if (setupWindow_ == nullptr) return;
    if (minimized) {
        setupWasShown_ = setupWindow_->ShownChain();
        if (setupWasShown_) setupWindow_->Show(plat::win::SW_MINIMIZE);
    } else if (setupWasShown_) {
        setupWindow_->Show(plat::win::SW_SHOW);
    }
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
    ++next_.frequencyChanges; // the DCS hold ends
    if (scanMode_ == 0) {
        PublishSignalPath();
        return;
    }
    ExchangeSettling(1);
    reportedInScan_.store(0);
    reportPending_.store(0);
    if (!AnySecondarySquelch()) Callback(KVR_CMD_SQUELCHED_INFO, 0, 0, nullptr);
    // The voice detector starts its collection afresh.
    ++next_.voiceRestarts;
    PublishSignalPath();
}

bool DemodWindow::HasWideFm() { return (api_.Eeprom()[kEepromCapabilities] & kCapabilityFmWide) != 0; }

int DemodWindow::OnMode(std::uint32_t hostCode) {
    if (hostCode == kHostCodeFmw && !HasWideFm()) return 0;
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
    PublishSignalPath();
    const bool changed = oldNoise != noiseFlag_ || oldVoice != voiceFlag_ || oldCtcss != (ctcssTone_ != 0.0f) ||
                         oldDcs != dcsFlag_;
    if (changed && scanMode_ == 0) plat::win::PostMessage(Handle(), kMsgSquelchReport, 0, 0);
}

void DemodWindow::OnScanMode(std::uint32_t value) {
    scanMode_ = value;
    PublishSignalPath();
    if (value != 0) {
        ExchangeSettling(1);
        reportedInScan_.store(0);
        SetEnabled(false);
        ClearIfGraph();
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
        if (afFilterButton_ != nullptr) afFilterButton_->SetDown(true);
        Block().afFilter = 1;
        SetupWindow* setup = setupWindow_;
        if (setup != nullptr && lpData != nullptr) {
            // The host's filter goes through the setup window's own controls, as if set there.
            if (cbData >= 4) {
                const std::int32_t low = RecordField(lpData, 0);
                setup->BandPassButton()->SetDown(low != 0);
                setup->LowPassButton()->SetDown(low == 0);
                if (low != 0) setup->LowCutField()->SetValue(true, low);
            }
            if (cbData >= 8 && RecordField(lpData, 4) != 0) setup->HighCutField()->SetValue(true, RecordField(lpData, 4));
            if (cbData >= 12) setup->DeemphasisField()->SetValue(true, RecordField(lpData, 8) * 0.1);
        }
        if (setup != nullptr) {
            setup->FilterOnButton()->SetDown(true);
            setup->OnFilterChange(nullptr);
            // Without a control the setup window keeps the record; the host's values are the record's now.
            DemodModeBlock& b = Block();
            b.bandPass = setup->BandPassButton()->IsDown() ? 1 : 0;
            b.lowCutoff = static_cast<float>(setup->LowCutField()->Value());
            b.highCutoff = static_cast<float>(setup->HighCutField()->Value());
            b.deemphasis = static_cast<float>(setup->DeemphasisField()->Value());
        } else if (lpData != nullptr) {
            DemodModeBlock& b = Block();
            if (cbData >= 4) {
                const std::int32_t low = RecordField(lpData, 0);
                b.bandPass = low != 0 ? 1 : 0;
                if (low != 0) b.lowCutoff = static_cast<float>(low);
            }
            if (cbData >= 8 && RecordField(lpData, 4) != 0) b.highCutoff = static_cast<float>(RecordField(lpData, 4));
            if (cbData >= 12) b.deemphasis = static_cast<float>(RecordField(lpData, 8) * 0.1);
        }
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

