#pragma once
// The receiver as a non-visual component: its state as properties with change events, a hidden
// window whose timer polls the receiver, the receiver commands and setting queries that plug-ins
// send, and one notify closure through which every change reaches the plug-in host. It reaches
// no hardware itself: the API-bound class and the model classes override the accessors.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/receiver/Conversions.h"
#include "app/receiver/RADIODEVCAPS.h"
#include "app/receiver/SquelchSettings.h"
#include "platform/components/Events.h"
#include "platform/components/TComponent.h"
#include "platform/win/Types.h"

namespace lxq {

using TReceiverMode = std::int32_t;

// uMsg, dwParam, cbData, lpData: the host broadcasts what the receiver reports. Negative codes
// are for the host itself (-1 closing, -2 opened, -3 capabilities changed).
using TPluginNotify =
    std::function<void(std::int32_t uMsg, std::uint32_t dwParam, std::int32_t cbData, void* lpData)>;
using TAudioSSEvent = std::function<void(plat::comp::TObject* sender, std::uint32_t bw,
                                         const std::uint32_t* ss, std::uint32_t count)>;

inline constexpr std::int32_t kNotifyReceiverClosing = -1;
inline constexpr std::int32_t kNotifyReceiverOpened = -2;
inline constexpr std::int32_t kNotifyCapabilitiesChanged = -3;

inline constexpr int kModeParamsMax = 21;
inline constexpr std::uint32_t kModeParamsTerminator = 0xF0000000u;
inline constexpr std::size_t kAudioBufferMin = 10'240;
inline constexpr std::int32_t kUnknownValue = -2;

class TmyReceiver : public plat::comp::TComponent {
public:
    explicit TmyReceiver(plat::comp::TComponent* owner);
    ~TmyReceiver() override;
    const char* ClassName() const override { return "TmyReceiver"; }

    // --- properties (reader and writer virtual) ---
    virtual std::int64_t GetFreq();
    virtual void SetFreq(std::int64_t hz);
    virtual TReceiverMode GetMode();
    virtual void SetMode(TReceiverMode mode);
    virtual std::int32_t GetAtten();
    virtual void SetAtten(std::int32_t v);
    virtual std::int32_t GetSquelch();
    virtual void SetSquelch(std::int32_t dbm);
    virtual std::int32_t GetNoiseThreshold();
    virtual void SetNoiseThreshold(std::int32_t v);
    virtual std::int32_t GetAGC();
    virtual void SetAGC(std::int32_t v);
    virtual std::int32_t GetSAGC();
    virtual void SetSAGC(std::int32_t v);
    virtual std::int32_t GetIFGain();
    virtual void SetIFGain(std::int32_t v);
    virtual std::int32_t GetVolume();
    virtual void SetVolume(std::int32_t v);
    virtual std::int32_t GetMute();
    virtual void SetMute(std::int32_t v);
    virtual std::int32_t GetScanMode();
    virtual void SetScanMode(std::int32_t v);
    virtual std::int32_t GetPower();
    virtual void SetPower(std::int32_t v);
    virtual void SetSquelchDefeat(bool defeat);
    virtual bool GetSquelchDefeat();
    virtual void SetIFshift(std::int32_t v);
    virtual std::int32_t GetIFshift();
    virtual void SetBandwidth(std::int32_t v);
    virtual std::int32_t GetBandwidth();
    virtual void SetAFC(bool v);
    virtual bool GetAFC();
    virtual void SetPreAmp(std::int32_t v);
    virtual std::int32_t GetPreAmp();
    std::int32_t TimerInterval() const { return timerInterval_; }
    virtual void SetTimerInterval(std::int32_t v);

    // --- operations ---
    virtual void StoreFrequency(std::int64_t hz) { frequency_ = hz; }
    virtual void UpdateSquelched();
    virtual void SetSquelched(bool squelched);
    virtual void Timer(bool enable);
    virtual void DoOnDisconnect();
    // Each raises the event of its name; a derived class may add to what a change does.
    virtual void DoOnFrequencyChanged() { Fire(OnFrequencyChanged); }
    virtual void DoOnModeChanged() { Fire(OnModeChanged); }
    virtual void DoOnVolumeChanged() { Fire(OnVolumeChanged); }
    virtual void DoOnMuteChanged() { Fire(OnMuteChanged); }
    virtual void DoOnAGCChanged() { Fire(OnAGCChanged); }
    virtual void DoOnAttenChanged() { Fire(OnAttenChanged); }
    virtual void DoOnIFGainChanged() { Fire(OnIFGainChanged); }
    virtual void DoOnPowerChanged() { Fire(OnPowerChanged); }
    virtual void DoOnSignalChanged() { Fire(OnSignalChanged); }
    virtual void DoOnSquelchChanged() { Fire(OnSquelchChanged); }
    virtual void DoOnSquelchedChanged() { Fire(OnSquelchedChanged); }
    virtual void DoOnScanModeChanged() { Fire(OnScanModeChanged); }
    virtual void DoOnAfcChanged() { Fire(OnAfcChanged); }
    virtual void DoOnDefeatChanged() { Fire(OnDefeatChanged); }
    virtual void DoOnPreAmpChanged() { Fire(OnPreAmpChanged); }
    virtual void DoOnBandwidthChanged() { Fire(OnBandwidthChanged); }
    virtual void DoOnIFShiftChanged() { Fire(OnIFShiftChanged); }
    virtual std::string GetProductName();
    virtual std::string GetManufacturer();
    virtual std::string GetUserDefName();
    virtual std::string GetSerialNum();
    virtual double GetSS();
    virtual bool GetSquelched() { return squelched_ != 0; }
    virtual std::int32_t NotifyReceiver(std::uint32_t uMsg, std::uint32_t dwParam,
                                        std::uint32_t cbData, void* lpData);
    virtual std::int32_t GetSettings(std::uint32_t uMsg, std::uint32_t cbData, void* lpData);
    virtual bool IsConnected() { return true; }
    virtual void FillRadioDevCaps() {}
    // Keeps a copy of the block (a block that is not sound is ignored). `available` is the size
    // the caller vouches for, 0 when unknown.
    virtual void SetRadioDevCaps(const void* caps, std::uint32_t available = 0);
    virtual void ApplyPendingFrequency();
    virtual plat::win::LResult WndProc(std::uint32_t msg, plat::win::WParam wParam,
                                       plat::win::LParam lParam);
    virtual void SetSignalRaw(std::int32_t raw);
    virtual std::int32_t KVRtoSQ(std::int32_t units) { return AddWrapping(units, -130); }
    virtual std::int32_t SQtoKVR(std::int32_t dbm) { return AddWrapping(dbm, 130); }
    virtual std::int32_t RawToKVR(std::int32_t raw) { return raw * 120 / 255; }
    virtual void UpdateNow() { GetSS(); }
    // The level a plug-in's query answers.
    virtual double QueriedLevel() { return GetSS(); }
    // The timer's poll of the level; a model whose receiver may keep it waiting measures without
    // waiting here.
    virtual void PollNow() { UpdateNow(); }
    virtual double Calibrate(std::int32_t raw, std::int64_t hz);
    virtual void SetSquelchSettings(const SQUELCH_SETTINGS& settings, std::uint32_t flags);
    virtual void SetAudioData(std::int32_t value, std::uint32_t length, const void* data);

    // --- state for the host and the forms ---
    const RadioDevCapsBlock& RadioDevCaps() const { return caps_; }
    RadioDevCapsBlock& RadioDevCaps() { return caps_; }
    const SQUELCH_SETTINGS& SquelchSettings() const { return squelch_; }
    std::uint32_t SquelchTypes() const { return squelchTypes_; }
    const SQUELCH_SETTINGS& SquelchReport() const { return squelchReport_; }
    std::uint32_t OpenConditions() const { return openConditions_; }
    std::int32_t SignalRaw() const { return signalRaw_; }
    double SignalLevel() const { return signal_; }
    std::int64_t PendingFrequency() const { return pendingFrequency_; }
    plat::win::Hwnd Window() const { return window_; }
    bool TimerEnabled() const { return timerEnabled_; }

    TPluginNotify FPluginNotify;

    plat::comp::TNotifyEvent OnFrequencyChanged, OnModeChanged, OnAGCChanged, OnAttenChanged,
        OnIFGainChanged, OnPowerChanged, OnSignalChanged, OnSquelchChanged, OnVolumeChanged,
        OnMuteChanged, OnScanModeChanged, OnSquelchedChanged, OnAudioNoise, OnSquelchedInfo,
        OnAfcChanged, OnDefeatChanged, OnPreAmpChanged, OnBandwidthChanged, OnIFShiftChanged,
        OnDisconnect;
    TAudioSSEvent OnAudioSS;

protected:
    // Tells the plug-in host, when one listens.
    void Notify(std::int32_t uMsg, std::uint32_t dwParam, std::int32_t cbData = 0,
                void* lpData = nullptr);
    void Fire(const plat::comp::TNotifyEvent& event) {
        if (event) event(this);
    }
    // Poll timer period in milliseconds (the model for a 10 ms receiver overrides it).
    virtual std::uint32_t TimerPeriodMs() const { return 100; }
    void StoreSignal(double level) { signal_ = level; }
    std::int32_t StoredAtten() const { return attenuator_; }
    std::int32_t StoredAGC() const { return agc_; }
    std::int32_t StoredIFGain() const { return ifGain_; }
    std::int32_t StoredPower() const { return power_; }
    std::int32_t StoredPreAmp() const { return preAmp_; }
    std::int64_t StoredFrequency() const { return frequency_; }
    void SetPendingFrequency(std::int64_t hz) { pendingFrequency_ = hz; }
    // A setting whose request may or may not have reached the receiver (it timed out) is not
    // known: the stored value goes, so that the same value written again is taken as a change.
    enum class StoredSetting { Atten, Agc, IfGain, Power, PreAmp };
    void ForgetStored(StoredSetting which);
    // Arms or disarms OnDisconnect.
    void ArmDisconnect(bool armed) { disconnectArmed_ = armed; }
    // Notifies a squelch change the way the squelch writers do.
    void SquelchChanged();

private:
    static plat::win::LResult WindowProc(plat::win::Hwnd hwnd, std::uint32_t msg,
                                         plat::win::WParam wParam, plat::win::LParam lParam);
    void OnTimerTick();
    void SetModeParams(const void* data, std::uint32_t bytes);

    std::int64_t frequency_ = 0;
    std::atomic<std::int64_t> pendingFrequency_{0}; // written by plug-ins from any thread
    std::int32_t attenuator_ = kUnknownValue;
    std::int32_t agc_ = kUnknownValue;
    std::int32_t ifGain_ = kUnknownValue;
    std::int32_t volume_ = 0;
    std::int32_t mute_ = 0;
    std::int32_t scanMode_ = 0;
    std::int32_t power_ = kUnknownValue;
    std::int32_t squelched_ = kUnknownValue;
    std::int32_t ifShift_ = 0;
    std::int32_t bandwidth_ = 0;
    std::int32_t sagc_ = kUnknownValue;
    SQUELCH_SETTINGS squelch_;
    std::uint32_t squelchTypes_ = kSquelchLevel;
    SQUELCH_SETTINGS squelchReport_{};
    std::uint8_t record16_[16] = {};
    std::uint32_t openConditions_ = 0;
    TReceiverMode mode_ = 0;
    float modeParams_[kModeParamsMax + 1] = {};
    std::int32_t modeParamCount_ = 0;
    double signal_ = -2.0;
    std::int32_t signalRaw_ = 0;
    std::int32_t timerInterval_ = 1000;
    std::int32_t tickCountdown_ = 1;
    bool afc_ = false;
    std::int32_t preAmp_ = 0;
    std::int32_t audioFilter_ = 0;
    std::vector<std::uint8_t> audio_;
    std::uint32_t audioLength_ = 0;
    std::uint32_t echoWords_[11] = {}; // commands 0x1110, 0x1112 .. 0x111B
    std::uint8_t buffer12_[12] = {};
    std::uint8_t buffer32_[32] = {};
    plat::win::Hwnd window_ = 0;
    RadioDevCapsBlock caps_;
    bool timerEnabled_ = false;
    bool disconnectArmed_ = true;
};

} // namespace lxq
