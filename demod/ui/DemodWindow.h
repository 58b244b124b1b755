#pragma once
// One started instance of the demodulator plug-in: a top window that the host embeds in its main
// window. This unit holds what the host interface needs of it: the receiver and its capabilities,
// the host callback, the state that notifications keep, the squelch report hand-over from the
// audio thread and the slope correction read from the receiver's EEPROM. The front controls,
// the setup window and the signal chain hang off it as they are added.
//
// Threads. The window, its controls, its settings records and every handler belong to the host's
// user-interface thread. The signal path (the demodulator, the audio path's state, the blocks and
// buffers below "Audio path") belongs to the audio thread: the sound card's, or for a USB receiver
// the API library's codec thread. A block runs under the audio lock (`constructionLock_`).
// The one way a change reaches the signal path: a handler changes the user-interface thread's
// state and calls PublishSignalPath, which copies everything the path reads into the hand-over
// record under the hand-over lock (`handoverLock_`); the audio thread takes that record at the
// start of its next block (TakeSignalPath, under the audio lock). When no block runs at that
// moment, the user-interface thread takes it at once under the audio lock itself, so that the
// demodulator shows a change without waiting for a block. The few operations that must act on
// the path at once (sample rate, mixer line, restoring defaults, the study window) hold the audio
// lock; the audio thread's results come back by posted messages, atomic words and the squelch
// report, copied under the hand-over lock.
// The receiver requests that the user-interface thread makes (the wide-FM switch, the service
// panel's EEPROM write, the USB watch's connection question) run on the receiver worker
// (`receiverWork_`), in order, so that a receiver that does not answer holds up no handler; what
// a request has to tell comes back as a posted message or an atomic word. The link is opened and
// closed on the user-interface thread while no worker runs.

#include "demod/audio/RC_AudioMixer.h"
#include "demod/audio/RC_AudioWave.h"
#include "demod/audio/RC_ReceiverApi.h"
#include "demod/dsp/RC_Demodulator.h"
#include "demod/dsp/RC_Resampler.h"
#include "demod/ui/CapsBlock.h"
#include "demod/ui/DemodAudioPath.h"
#include "demod/ui/DemodSettings.h"
#include "demod/ui/KvrCodes.h"
#include "demod/ui/ReceiverWorker.h"
#include "demod/ui/SlopeAverage.h"
#include "demod/ui/SlopeRecord.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class RC_Button;
class RC_Graph;
class RC_Label;
class RC_NumberEdit;
class RC_FilterView;
class RC_Timer;
class SetupWindow;
class SlopeCompPanel;
class StudyWindow;

class DemodWindow : public RC_Window {
public:
    enum Interface : int { kPci = 0, kSerial = 1, kUsb = 2 };
    // Private messages from the audio thread.
    static constexpr std::uint32_t kMsgAfc = 0x8001;
    static constexpr std::uint32_t kMsgSquelchReport = 0x8002;
    static constexpr std::uint32_t kMsgIfDisplay = 0x8003;
    // From the receiver worker: a slope record write ended (wParam 1 written, 0 failed).
    static constexpr std::uint32_t kMsgSlopeWritten = 0x8004;
    static constexpr int kReportSize = 28;
    static constexpr int kModeButtons = 11;

    // `apiLibrary` names the receiver library to bind (null: the system's own).
    DemodWindow(std::uint32_t receiver, const void* caps, HostCallback callback, std::uint32_t* mask,
                Interface kind, const char* apiLibrary = nullptr);
    ~DemodWindow() override;

    // Interface kind from the first six characters of the product name; anything unknown is PCI.
    static Interface InterfaceOf(const char* product);

    // Opens the receiver and hands the host this plug-in's capabilities: 1 active, -1 the receiver
    // would not open.
    int Activate();
    // Closes the receiver and gives the host its own capabilities back.
    void Stop();

    // --- audio path, on the audio thread (or the codec thread for USB) ---
    // One block of IF input: interleaved 16-bit stereo frames, or 16-bit mono codec samples.
    void OnAudioBlock(const void* data, std::uint32_t bytes);
    // Reads the codec stream into whole 2048-byte blocks and runs each.
    void OnCodecData();
    // Normalised frequency variance of channel samples at `rate`: near 0 for a clean carrier.
    static float NoiseMeasure(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double rate);
    // Writes int16 mono samples at `rate` to the secondary output device in its own format,
    // resampled when the rates differ; dropped when the device has no free buffer.
    void WriteSecondaryOutput(const std::int16_t* samples, std::uint32_t count, std::uint32_t rate);
    // Which signal the secondary output carries: 0 none, 1 the IF input, 2 the audio. With 0 it
    // returns once no block uses the device any more.
    void SetSecondaryOutput(int which);
    // Hands what the signal path reads of this thread's state to the audio thread (see above).
    // Every handler that changes such state calls it.
    void PublishSignalPath();
    // The demodulator's Hilbert length as it is now (read under the audio lock).
    std::uint32_t HilbertLength();
    // The sound card's source line that carries the IF: recorded at the stored input level, and
    // the same line of the playback mixer kept as it was found. Nothing for a USB receiver.
    void SelectMixerLine(int index);
    // The recording mixer's line volume changed (from here or outside): it is the input level.
    static void OnMixerVolumeChange(void* user, RC_AudioMixer* mixer);
    std::uint32_t InputLevel() const { return inputLevel_; }
    RC_AudioMixer* RecordingMixer() const { return recordMixer_.get(); }
    // Changes the input sample rate of the sound card and the demodulator.
    void SetInputRate(std::uint32_t rate);
    // The current mode's settings back to their defaults, under the audio lock.
    void RestoreModeDefaults();
    // The IF graph's hook for each spectrum it computes: slope correction, and with the service
    // panel's knobs shown the averaging behind an automatic correction (the window decides the
    // mirroring and whether to track).
    void CorrectSpectrum(SlopeFrame frame);
    SlopeAverage& SlopeAveraging() { return slopeAverage_; }
    // Band colour of the IF graph's traces.
    static RC_Colour IfBandColour(void* user, void* graph, int band, int trace);
    // "View demodulator structure": opens the study window, or closes it when it is open.
    void OnStudyButton();
    // The study window while it is open (the audio path feeds it), else null.
    StudyWindow* Study() const { return study_; }
    // The study window tells that it is going; the audio path stops feeding it.
    void StudyClosed();
    // The knobs after a change from the service panel: the knob fields and their labels follow.
    void ShowKnobs();
    // The service panel's "Hide special controls": knobs and labels hidden, the IF graph as a plain
    // spectrum; shown again with the spectrogram.
    void HideKnobs(bool hide);
    RC_NumberEdit* KnobField(int k) const { return knobFields_[k]; }
    RC_Label* KnobLabel(int k) const { return knobLabels_[k]; }
    RC_Label* AnalyzerStatus() const { return analyzerStatus_; }
    // The codec stream delivered since the last check; cleared by the once-a-second watch when
    // the receiver is no longer connected.
    bool CodecRunning() const { return codecRunning_.load(); }
    RC_Timer* StatusTimer() const { return statusTimer_.get(); }

    // One host notification: 0 when it is not this instance's (another receiver, or a mode this
    // receiver cannot run), else 1.
    int Notify(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData,
               void* lpData);
    // The codes Notify acts on; every other code it takes without doing anything.
    static bool Handles(std::uint32_t code);

    // Mode by button of the mode table; with `fromUser` the host is told the new mode.
    void OnModeButton(int button, bool fromUser);
    void OnBandwidth(std::int32_t hz, bool fromUser);
    void OnVolume(std::uint32_t volume, bool fromUser);
    void OnMute(bool down, bool fromUser);
    void OnAfFilter(bool down, bool fromUser);
    // Preset button k (0..9): its preset becomes the bandwidth; with `fromUser` the host is told.
    void OnBandwidthPreset(int k, bool fromUser);
    // SAGC speed 0 off .. 3 fast.
    void OnSagc(int speed);
    // "Setup": shows the setup window when it is hidden, hides it when it is shown.
    void ToggleSetup();
    // The setup window this instance shows and hides (it is built beside this window).
    void SetSetupWindow(RC_Window* setup) { setup_ = setup; }

    // The text of the two squelch status labels for the current report; empty hides them.
    std::string SquelchStatusText() const;

    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;

    // --- state read by tests and by the windows that come later ---
    std::uint32_t Receiver() const { return receiver_; }
    Interface Kind() const { return kind_; }
    bool Started() const { return started_; }
    bool IsDemonstration() const { return demonstration_; }
    bool ServiceMode() const { return service_; }
    const unsigned char* Capabilities() const { return caps_; }
    std::uint32_t Power() const { return power_; }
    std::uint32_t ScanMode() const { return scanMode_; }
    std::uint32_t Afc() const { return afc_; }
    std::uint32_t Squelched() const { return squelched_; }
    std::int64_t Frequency() const { return frequency_; }
    int ModeIndex() const { return modeIndex_; }
    double HalfBandwidth() const { return Block().halfBandwidth; }
    std::uint32_t Volume() const { return settings_.volume; }
    double VolumeFactor() const { return volumeFactor_; }
    bool Mute() const { return settings_.mute != 0; }
    bool AfFilter() const { return Block().afFilter != 0; }
    DemodSettings& Settings() { return settings_; }
    SoundCardSettings& SoundCard() { return soundCard_; }
    std::uint32_t ReceiverKey() const { return receiverKey_; }
    // The front controls.
    RC_Button* ModeButton(int button) const { return modeButtons_[button]; }
    RC_Button* SetupButton() const { return setupButton_; }
    RC_Graph* IfGraph() const { return ifGraph_; }
    RC_FilterView* Analyzer() const { return analyzer_; }
    SetupWindow* Setup() const { return setupWindow_; }
    RC_Label* GraphStatus() const { return graphStatus_; }
    RC_Label* BandwidthLabel() const { return bandwidthLabel_; }
    RC_NumberEdit* BandwidthField() const { return bandwidthField_; }
    RC_Button* PresetButton(int k) const { return presetButtons_[k]; }
    RC_Label* SagcLabel() const { return sagcLabel_; }
    RC_Button* SagcButton(int speed) const { return sagcButtons_[speed]; }
    RC_Button* AfFilterButton() const { return afFilterButton_; }
    RC_NumberEdit* VolumeField() const { return volumeField_; }
    RC_Button* MuteButton() const { return muteButton_; }
    bool NoiseFlag() const { return noiseFlag_; }
    std::int32_t NoiseThreshold() const { return noiseThreshold_; }
    bool VoiceFlag() const { return voiceFlag_; }
    float VoiceLevel() const { return voiceLevel_; }
    float CtcssTone() const { return ctcssTone_; }
    bool DcsFlag() const { return dcsFlag_; }
    std::int32_t DcsCode() const { return dcsCode_; }
    std::uint32_t SettlingCounter(int i) const { return settling_[i].load(); }
    std::int32_t ReportPending() const { return reportPending_.load(); }
    std::int32_t ReportedInScan() const { return reportedInScan_.load(); }
    // The audio thread's DCS hold counter (for tests, between blocks).
    std::uint32_t DcsHold() const { return path_.dcsHold; }
    // The last squelch report of the audio thread (for tests, between blocks).
    unsigned char* SquelchReport() { return report_; }
    const SlopeKnobs& Knobs() const { return knobs_; }
    void SetKnobs(const SlopeKnobs& knobs) {
        knobs_ = knobs;
        ShowKnobs();
    }
    RC_ReceiverApi& ReceiverApi() { return api_; }
    // Receiver requests made and not yet carried out (0 while the link is closed).
    std::size_t ReceiverRequestsPending() const { return receiverWork_ ? receiverWork_->Pending() : 0; }
    RC_AudioWave& Wave() { return *wave_; }
    RC_AudioWave& SecondaryWave() { return *secondary_; }
    // The signal path's demodulator: the audio thread's. The user-interface thread reads only what
    // does not change while blocks run (block size, decimation, interpolation, divisor, rate).
    RC_Demodulator& Demodulator() { return demod_; }
    std::uint32_t InputRate() const { return fs_; }
    bool ClipFlag() const { return clip_.load(); }
    float NoiseValue() const { return noiseMeasure_; }
    SlopeCompPanel* SlopePanel() const { return slopePanel_; }
    // Writes the slope record into the receiver's EEPROM on the receiver worker, behind what was
    // asked before, `attempts` times at most; the answer goes to the service panel.
    void WriteSlopeRecord(const SlopeKnobs& knobs, int attempts);
    void SlopePanelClosed();

    // Sends one callback to the host; nothing once the callback is no longer valid.
    std::int32_t Callback(std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData, void* lpData);

private:
    void QueryHost();
    void OnPower(std::uint32_t value);
    void OnFrequency(std::uint32_t packed);
    int OnMode(std::uint32_t hostCode);
    void OnSquelch(std::uint32_t flags, std::uint32_t cbData, const void* record);
    void OnScanMode(std::uint32_t value);
    void OnAudioFilterNotify(std::uint32_t dwParam, std::uint32_t cbData, const void* lpData);
    void OnCapabilities(std::uint32_t cbData, const void* lpData);
    void OnPluginStopped(std::uint32_t type, std::uint32_t cbData, const void* name);
    void ExchangeSettling(std::uint32_t value);
    bool AnySecondarySquelch() const { return noiseFlag_ || voiceFlag_ || ctcssTone_ != 0.0f || dcsFlag_; }
    // Takes the hand-over record into the audio thread's copy and sets the demodulator by it; the
    // caller holds the audio lock.
    void TakeSignalPath();
    // Reads the setup window's filter taps for the audio path (user-interface thread).
    void ReadFilterTaps();
    void ReadSlope();
    void SendOwnCapabilities();
    void SendHostCapabilities();
    // Sets the receiver's wide-FM switch on the receiver worker, behind what was asked before;
    // nothing while the link is closed (the open sets it for the mode then chosen).
    void AskWideFm(bool on);
    // Lets the settings asked so far reach the receiver and ends the worker (a wait).
    void EndReceiverWork();
    bool Closing() const { return (State() & kClosing) != 0; }
    void SetUpAudio();
    static void AudioTrampoline(void* user, RC_AudioWave* wave, const void* data, std::uint32_t bytes);
    static void CodecTrampoline(void* user, RC_ReceiverApi* api);
    static void RawTap(void* user, RC_Demodulator* d, std::uint32_t n, const std::int16_t* i, const std::int16_t* q);
    static void ChannelTap(void* user, RC_Demodulator* d, std::uint32_t n, const std::int32_t* i, const std::int32_t* q);
    void ReportSquelch(std::uint32_t n);
    DemodModeBlock& Block() { return settings_.modes[modeIndex_]; }
    const DemodModeBlock& Block() const { return settings_.modes[modeIndex_]; }
    void BuildControls();
    void HandFocusToHost();
    // The receiver demodulates wide FM itself (its EEPROM says so).
    bool HasWideFm();
    void ShowPresets();
    void ShowPassband();
    void SaveSettings();
    void BuildKnobs();
    static void KnobEntered(void* user, RC_NumberEdit* field, double value);
    static void CorrectTrampoline(void* user, RC_Graph* graph, const float* db, std::uint32_t count);
    static void StatusTick(void* user, RC_Timer* timer);
    // Clears the IF graph's samples (power off, scanning).
    void ClearIfGraph();
    void ShowSquelchStatus();
    void OnMinimized(bool minimized);
    void SettingsToPath(AudioPathSettings& p) const;
    static void ModePressed(void* user, RC_Window* button);
    static void PresetPressed(void* user, RC_Window* button);
    static void SagcPressed(void* user, RC_Window* button);
    static void TogglePressed(void* user, RC_Window* button);
    static void BandwidthEntered(void* user, RC_NumberEdit* field, double value);
    static void VolumeEntered(void* user, RC_NumberEdit* field, double value);

    // --- user-interface thread (set before the first block, or handed over) ---
    std::uint32_t receiver_;
    HostCallback hostCallback_;
    bool callbackValid_ = false;
    // Set at the end of construction under the audio lock; the audio thread reads it under the
    // same lock, so the first block waits for it rather than being dropped.
    std::atomic<bool> started_{false};
    bool stopped_ = false;
    Interface kind_;
    bool demonstration_ = false;
    bool service_ = false;
    unsigned char* caps_ = nullptr; // kept copy of the host's capabilities
    caps::ModeTableBytes hostModes_; // the receiver's modes as the host handed them at the start
    // The audio lock: held by the audio thread for a whole block, and by construction.
    RC_Lock constructionLock_;
    // Guards `handover_` and `report_` (both threads, briefly).
    mutable RC_Lock handoverLock_;
    AudioPathSettings handover_;
    std::atomic<bool> handoverPending_{false};
    // Thread-safe: the library locks per receiver. Opened and closed on the user-interface thread
    // only while no block runs and no receiver worker runs. The settings it caches (the wide-FM
    // switch) are set and its EEPROM written only on the receiver worker; the kept EEPROM image
    // and the handle are read by every thread and written only by the open.
    RC_ReceiverApi api_;
    // The receiver requests' worker while the link is open, else null (user-interface thread).
    // Made after the open and stopped before the close: a request never meets a link being opened
    // or closed.
    std::unique_ptr<ReceiverWorker> receiverWork_;

    // The host's states as its notifications leave them (handed over).
    std::uint32_t power_ = 0;
    std::uint32_t scanMode_ = 0;
    std::uint32_t afc_ = 0;
    std::uint32_t squelched_ = 0;
    std::int64_t frequency_ = 0;

    bool noiseFlag_ = false;
    std::int32_t noiseThreshold_ = 0;
    bool voiceFlag_ = false;
    float voiceLevel_ = 0.0f;
    float ctcssTone_ = 0.0f;
    bool dcsFlag_ = false;
    std::int32_t dcsCode_ = 0;

    unsigned char report_[kReportSize] = {}; // the audio thread's last report; under the hand-over lock
    // Both threads, atomic.
    std::atomic<std::uint32_t> settling_[3] = {};
    std::atomic<std::int32_t> reportedInScan_{0};
    std::atomic<std::int32_t> reportPending_{0};
    // User-interface thread.
    std::int32_t filterEchoGuard_ = 0;
    int modeIndex_ = 0;
    // What the user-interface thread sets the demodulator to, and the record it hands over next.
    AudioPathSettings next_;
    // The settings records of this receiver (key), as read at construction and written at the end.
    DemodSettings settings_{};
    SoundCardSettings soundCard_{};
    std::uint32_t receiverKey_ = 0;
    double volumeFactor_ = 10.0 / 31.0;
    bool setupWasShown_ = false;

    // Front controls (children of this window, freed with it); user-interface thread. The audio
    // thread reads only the IF graph's painting state and feeds the wide-FM analyzer, whose data
    // takes the widget's own lock.
    RC_Button* modeButtons_[kModeButtons] = {};
    RC_Button* setupButton_ = nullptr;
    RC_Graph* ifGraph_ = nullptr;
    RC_Label* graphStatus_ = nullptr;
    RC_Label* analyzerStatus_ = nullptr;
    RC_Label* bandwidthLabel_ = nullptr;
    RC_NumberEdit* bandwidthField_ = nullptr;
    RC_Button* presetButtons_[10] = {};
    RC_Label* sagcLabel_ = nullptr;
    RC_Button* sagcButtons_[4] = {};
    RC_Button* afFilterButton_ = nullptr;
    RC_Label* volumeLabel_ = nullptr;
    RC_NumberEdit* volumeField_ = nullptr;
    RC_Button* muteButton_ = nullptr;
    RC_Window* setup_ = nullptr;
    SetupWindow* setupWindow_ = nullptr; // made hidden with the window, freed with it
    RC_FilterView* analyzer_ = nullptr;  // the audio analyzer over the IF graph: wide FM only

    // Audio path. Blocks handed to the host are a 16-byte header and the samples, with room for
    // the three bytes past the samples that the block's byte count takes in.
    static constexpr std::uint32_t kMaxInput = 2048;
    struct BlockHeader {
        std::uint32_t rate, bits, channels, count;
    };
    struct Int16Block {
        BlockHeader header;
        std::int16_t samples[2 * kMaxInput + 4];
    };
    struct Int32Block {
        BlockHeader header;
        std::int32_t samples[2 * kMaxInput + 2];
    };
    std::unique_ptr<RC_AudioWave> wave_;
    std::unique_ptr<RC_AudioWave> secondary_;
    std::unique_ptr<RC_AudioMixer> recordMixer_;
    std::unique_ptr<RC_AudioMixer> playbackMixer_;
    std::uint32_t inputLevel_ = 60000;
    std::uint32_t savedVolume_ = 0;
    int savedMute_ = 0;
    bool lineSelected_ = false;
    RC_Resampler secondaryResampler_;
    int secondaryOutput_ = 0;
    // --- audio thread (under the audio lock) ---
    RC_Demodulator demod_;
    // Changed only under the audio lock by the user-interface thread; read by both.
    std::uint32_t fs_ = 48000;
    Int16Block input_{};
    Int16Block audio_{};
    Int16Block rawIq_{};
    Int32Block channelIq_{};
    unsigned char codec_[2048] = {};
    std::uint32_t codecFill_ = 0;
    std::uint32_t afcCounter_ = 0;
    std::atomic<bool> clip_{false};
    float noiseMeasure_ = 0.0f;
    std::int32_t fade_ = 0;
    // --- user-interface thread ---

    SlopeKnobs knobs_{};
    SlopeAverage slopeAverage_;
    SlopeCompPanel* slopePanel_ = nullptr;
    std::string statusText_;
    RC_NumberEdit* knobFields_[11] = {};
    RC_Label* knobLabels_[11] = {};
    StudyWindow* study_ = nullptr; // set under the audio lock; fed by the audio path under it
    std::unique_ptr<RC_Timer> statusTimer_;
    std::atomic<bool> codecRunning_{false};
    // A connection question is on the receiver worker (set here, cleared there once answered).
    std::atomic<bool> connectionAsked_{false};

    // --- audio path ---
public:
    // The settings the next hand-over carries (user-interface thread); PublishSignalPath sends them.
    AudioPathSettings& PathSettings() { return next_; }
    const DemodAudioPath& AudioPath() const { return path_; }
    // The software AGC's speed (0 off .. 3 fast), as the first pressed SAGC button gives it.
    void SetSagcSpeed(std::uint32_t speed);
    // The settling time H (output samples) and the output rate Ro (Hz) of the current rates.
    std::uint32_t SettlingTime() const;
    std::uint32_t OutputRate() const;
    // The IF graph whose points the display buffer collects (null: none); its 0x8003 handler
    // reads the buffer and empties it.
    void SetIfDisplayGraph(const RC_Window* graph, std::uint32_t points);
    const std::int16_t* IfDisplay() const { return path_.ifDisplay; }
    std::uint32_t IfDisplayFill() const { return path_.ifDisplayFill.load(); }
    void ClearIfDisplay() { path_.ifDisplayFill.store(0); }

private:
    void ReassertMixer();
    void ApplyAgc();
    void ApplyFilterLengths();
    // The receiver's own wide-FM audio into the audio buffer as stereo frames; returns the frames.
    std::uint32_t RunWideFm(std::uint32_t count);
    std::uint32_t ResampleWideFm(std::uint32_t count);
    // The secondary squelch types over this block; false when the settling rules skip them.
    bool DecideSquelch(std::uint32_t count);
    void SetReportField(int at, std::int32_t value);
    void FeedIfDisplay(std::uint32_t count);

    DemodAudioPath path_; // audio thread, under the audio lock
};
