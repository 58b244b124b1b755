#include "app/receiver/TmyReceiver.h"

#include <algorithm>
#include <cstring>

#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/PackedFrequency.h"
#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/TimerApi.h"
#include "platform/win/WindowApi.h"

namespace lxq {
namespace {

constexpr std::uintptr_t kPollTimerId = 0;
constexpr std::int32_t kVolumeMax = 31;
constexpr std::int32_t kGetSettingUnknown = kvr::kNotHandled;

} // namespace

TmyReceiver::TmyReceiver(plat::comp::TComponent* owner)
    : TComponent(owner), audio_(kAudioBufferMin, 0) {
    std::memset(&squelch_, kSquelchUnsetByte, sizeof squelch_);
    const std::uint32_t terminator = kModeParamsTerminator;
    std::memcpy(&modeParams_[0], &terminator, sizeof terminator);
    window_ = plat::win::CreateMessageWindow(&TmyReceiver::WindowProc,
                                             reinterpret_cast<plat::win::LParam>(this));
}

TmyReceiver::~TmyReceiver() {
    BeginDestroy();
    if (window_ != 0) plat::win::DestroyWindow(window_);
}

void TmyReceiver::Notify(std::int32_t uMsg, std::uint32_t dwParam, std::int32_t cbData,
                         void* lpData) {
    if (!FPluginNotify) return;
    // The listener may unhook itself while it is told (the host does when the receiver closes).
    const TPluginNotify notify = FPluginNotify;
    notify(uMsg, dwParam, cbData, lpData);
}

// --- properties ------------------------------------------------------------------------------

std::int64_t TmyReceiver::GetFreq() { return frequency_; }

void TmyReceiver::SetFreq(std::int64_t hz) {
    if (hz == frequency_) return;
    frequency_ = hz;
    DoOnFrequencyChanged();
    UpdateNow();
    Notify(kvr::kNotifyFrequency, EncodeFreq32(hz));
}

TReceiverMode TmyReceiver::GetMode() { return mode_; }

void TmyReceiver::SetMode(TReceiverMode mode) {
    // Set again even when unchanged: the host re-applies a mode's filters this way.
    mode_ = mode;
    DoOnModeChanged();
    Notify(kvr::kNotifyMode, static_cast<std::uint32_t>(mode), modeParamCount_ * 4, modeParams_);
}

std::int32_t TmyReceiver::GetAtten() { return attenuator_; }

void TmyReceiver::SetAtten(std::int32_t v) {
    if (v == attenuator_) return;
    attenuator_ = v;
    DoOnAttenChanged();
    UpdateNow();
    Notify(kvr::kNotifyAttenuator, static_cast<std::uint32_t>(v));
}

void TmyReceiver::ForgetStored(StoredSetting which) {
    switch (which) {
    case StoredSetting::Atten: attenuator_ = kUnknownValue; break;
    case StoredSetting::Agc: agc_ = kUnknownValue; break;
    case StoredSetting::IfGain: ifGain_ = kUnknownValue; break;
    case StoredSetting::Power: power_ = kUnknownValue; break;
    case StoredSetting::PreAmp: preAmp_ = kUnknownValue; break;
    }
}

std::int32_t TmyReceiver::GetSquelch() { return KVRtoSQ(squelch_.level); }

void TmyReceiver::SquelchChanged() {
    DoOnSquelchChanged();
    SetSignalRaw(signalRaw_);
    Notify(kvr::kNotifySquelch, squelchTypes_, sizeof squelch_, &squelch_);
}

void TmyReceiver::SetSquelch(std::int32_t dbm) {
    const std::int32_t units = SQtoKVR(dbm);
    if (units == squelch_.level) return;
    squelch_.level = units;
    SquelchChanged();
}

std::int32_t TmyReceiver::GetNoiseThreshold() { return squelch_.noise; }

void TmyReceiver::SetNoiseThreshold(std::int32_t v) {
    if (v == squelch_.noise) return;
    squelch_.noise = v;
    SquelchChanged();
}

std::int32_t TmyReceiver::GetAGC() { return agc_; }

void TmyReceiver::SetAGC(std::int32_t v) {
    if (v == agc_) return;
    agc_ = v;
    DoOnAGCChanged();
    UpdateNow();
    Notify(kvr::kNotifyAgc, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetSAGC() { return sagc_; }

void TmyReceiver::SetSAGC(std::int32_t v) {
    if (v == sagc_) return;
    sagc_ = v;
    UpdateNow();
    Notify(kvr::kNotifySagc, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetIFGain() { return ifGain_; }

void TmyReceiver::SetIFGain(std::int32_t v) {
    if (v == ifGain_) return;
    ifGain_ = v;
    DoOnIFGainChanged();
    UpdateNow();
    Notify(kvr::kNotifyIfGain, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetVolume() { return volume_; }

void TmyReceiver::SetVolume(std::int32_t v) {
    v = std::clamp(v, 0, kVolumeMax);
    if (v == volume_) return;
    volume_ = v;
    DoOnVolumeChanged();
    Notify(kvr::kNotifyVolume, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetMute() { return mute_; }

void TmyReceiver::SetMute(std::int32_t v) {
    if (v == mute_) return;
    mute_ = v;
    DoOnMuteChanged();
    Notify(kvr::kNotifyMute, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetScanMode() { return scanMode_; }

void TmyReceiver::SetScanMode(std::int32_t v) {
    if (v == scanMode_) return;
    scanMode_ = v;
    DoOnScanModeChanged();
    Notify(kvr::kNotifyScanMode, static_cast<std::uint32_t>(v));
}

std::int32_t TmyReceiver::GetPower() { return power_; }

void TmyReceiver::SetPower(std::int32_t v) {
    if (v == power_) return;
    power_ = v;
    DoOnPowerChanged();
    Notify(kvr::kNotifyPower, static_cast<std::uint32_t>(v));
}

bool TmyReceiver::GetSquelchDefeat() { return (squelchTypes_ & kSquelchLevel) == 0; }

void TmyReceiver::SetSquelchDefeat(bool defeat) {
    if (defeat == GetSquelchDefeat()) return;
    if (defeat)
        squelchTypes_ &= ~kSquelchLevel;
    else
        squelchTypes_ |= kSquelchLevel;
    DoOnDefeatChanged();
    DoOnSquelchChanged();
    SetSignalRaw(signalRaw_);
    Notify(kvr::kNotifySquelch, defeat ? 1u : 0u);
    Notify(kvr::kNotifySquelch, squelchTypes_, sizeof squelch_, &squelch_);
}

std::int32_t TmyReceiver::GetIFshift() { return ifShift_; }

void TmyReceiver::SetIFshift(std::int32_t v) {
    if (v == ifShift_) return;
    ifShift_ = v;
    Notify(kvr::kNotifyIfShift, static_cast<std::uint32_t>(v));
    DoOnIFShiftChanged();
}

std::int32_t TmyReceiver::GetBandwidth() { return bandwidth_; }

void TmyReceiver::SetBandwidth(std::int32_t v) {
    if (v == bandwidth_) return;
    bandwidth_ = v;
    Notify(kvr::kNotifyBandwidth, static_cast<std::uint32_t>(v));
    DoOnBandwidthChanged();
}

bool TmyReceiver::GetAFC() { return afc_; }

void TmyReceiver::SetAFC(bool v) {
    if (v == afc_) return;
    afc_ = v;
    DoOnAfcChanged();
    Notify(kvr::kNotifyAfc, v ? 1u : 0u);
}

std::int32_t TmyReceiver::GetPreAmp() { return preAmp_; }

void TmyReceiver::SetPreAmp(std::int32_t v) {
    if (v == preAmp_) return;
    preAmp_ = v;
    DoOnPreAmpChanged();
    Notify(kvr::kNotifyPreAmp, static_cast<std::uint32_t>(v));
}

void TmyReceiver::SetTimerInterval(std::int32_t v) {
    if (v == timerInterval_) return;
    timerInterval_ = v;
    tickCountdown_ = 1;
}

// --- squelch and level -----------------------------------------------------------------------

void TmyReceiver::UpdateSquelched() {
    std::uint32_t met = openConditions_;
    if (KVRtoSQ(squelch_.level) < signal_ || agc_ == 0) met |= kSquelchLevel;
    SetSquelched((met & squelchTypes_) != squelchTypes_);
}

void TmyReceiver::SetSquelched(bool squelched) {
    const std::int32_t v = squelched ? 1 : 0;
    if (v == squelched_) return;
    squelched_ = v;
    DoOnSquelchedChanged();
    Notify(kvr::kNotifySquelched, static_cast<std::uint32_t>(v));
}

double TmyReceiver::Calibrate(std::int32_t raw, std::int64_t) { return raw * 100.0 / 255.0 - 130.0; }

void TmyReceiver::SetSignalRaw(std::int32_t raw) {
    signal_ = Calibrate(raw, 0);
    signalRaw_ = raw;
    DoOnSignalChanged();
    if (FPluginNotify) {
        Notify(kvr::kNotifySquelchLevel, static_cast<std::uint32_t>(SQtoKVR(TruncateToInt32(signal_))),
               raw);
        Notify(kvr::kNotifyLevelTenths, static_cast<std::uint32_t>(TruncateToInt32(signal_ * 10)));
    }
    UpdateSquelched();
}

double TmyReceiver::GetSS() { return signal_; }

void TmyReceiver::SetSquelchSettings(const SQUELCH_SETTINGS& settings, std::uint32_t flags) {
    const std::uint32_t f = flags & 0x7FFFFFFFu;
    if (std::memcmp(&settings, &squelch_, sizeof squelch_) == 0 && f == squelchTypes_) return;
    const bool defeatChanged = ((f ^ squelchTypes_) & kSquelchLevel) != 0;
    std::memcpy(&squelch_, &settings, sizeof squelch_);
    squelchTypes_ = f;
    if (defeatChanged) DoOnDefeatChanged();
    DoOnSquelchChanged();
    Notify(kvr::kNotifySquelch, f, sizeof squelch_, &squelch_);
    SetSignalRaw(signalRaw_);
}

void TmyReceiver::SetAudioData(std::int32_t value, std::uint32_t length, const void* data) {
    audioFilter_ = value;
    if (!data) length = 0;
    audioLength_ = length;
    audio_.assign(std::max<std::size_t>(length, kAudioBufferMin), 0);
    if (length) std::memcpy(audio_.data(), data, length);
    Notify(kvr::kNotifyAudioFilter, static_cast<std::uint32_t>(value), static_cast<std::int32_t>(length),
           const_cast<void*>(data));
}

// --- texts -----------------------------------------------------------------------------------

std::string TmyReceiver::GetProductName() { return "LX-demo"; }
std::string TmyReceiver::GetManufacturer() { return "Talvenor Communications"; }
std::string TmyReceiver::GetUserDefName() { return {}; }
std::string TmyReceiver::GetSerialNum() { return {}; }

// --- polling ---------------------------------------------------------------------------------

void TmyReceiver::Timer(bool enable) {
    if (enable == timerEnabled_) return;
    timerEnabled_ = enable;
    if (enable)
        plat::win::SetTimer(window_, kPollTimerId, TimerPeriodMs(), nullptr);
    else
        plat::win::KillTimer(window_, kPollTimerId);
}

void TmyReceiver::DoOnDisconnect() {
    if (!disconnectArmed_) return;
    disconnectArmed_ = false;
    Fire(OnDisconnect);
}

void TmyReceiver::ApplyPendingFrequency() {
    if (!OnMainThread() || pendingFrequency_.load() == 0) return;
    // Taken before tuning, so a request that arrives meanwhile is kept for the next tick.
    const std::int64_t hz = pendingFrequency_.exchange(0);
    if (hz != 0) SetFreq(hz);
}

void TmyReceiver::OnTimerTick() {
    ApplyPendingFrequency();
    if (tickCountdown_ == 0) {
        if (scanMode_ != 1 && power_ != 0) PollNow();
        tickCountdown_ = timerInterval_;
    } else {
        --tickCountdown_;
    }
}

plat::win::LResult TmyReceiver::WndProc(std::uint32_t msg, plat::win::WParam wParam,
                                        plat::win::LParam lParam) {
    if (msg == plat::win::WM_TIMER) {
        OnTimerTick();
        return 0;
    }
    return plat::win::DefWindowProc(window_, msg, wParam, lParam);
}

plat::win::LResult TmyReceiver::WindowProc(plat::win::Hwnd hwnd, std::uint32_t msg,
                                           plat::win::WParam wParam, plat::win::LParam lParam) {
    auto* self = reinterpret_cast<TmyReceiver*>(
        plat::win::GetWindowLongPtr(hwnd, plat::win::GWLP_USERDATA));
    if (!self || self->Destroying() || self->window_ != hwnd)
        return plat::win::DefWindowProc(hwnd, msg, wParam, lParam);
    return self->WndProc(msg, wParam, lParam);
}

// --- capabilities ----------------------------------------------------------------------------

void TmyReceiver::SetRadioDevCaps(const void* caps, std::uint32_t available) {
    RadioDevCapsBlock copy = RadioDevCapsBlock::CopyOf(caps, available);
    if (!copy.Empty()) caps_ = std::move(copy);
}

} // namespace lxq
