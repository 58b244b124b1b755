// The demodulator window's audio path: every block of IF samples, on the thread that delivers it,
// goes to the host, through the demodulator, to the host again as audio, and out to the sound
// card. Results for the window travel by posted messages and atomically exchanged words only.

#include "demod/ui/DemodWindow.h"

#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/SlopeCompPanel.h"
#include "demod/ui/StudyWindow.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/windows/RC_Panel.h"
#include "platform/win/MessageApi.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/win/Styles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

constexpr std::int16_t kClipLevel = 32000;
constexpr std::int32_t kFadeBlocks = 50;
constexpr std::uint32_t kBlockIf = 0, kBlockMixed = 1, kBlockChannel = 2, kBlockAudio = 3;
// A block's byte count as the host is told it: the header, the samples and three more bytes.
constexpr std::uint32_t kBlockExtra = 19;
// Mixer destinations: the wave-in recording and the speakers.
constexpr std::uint32_t kMixerRecording = 7;
constexpr std::uint32_t kMixerSpeakers = 4;

} // namespace

void DemodWindow::SetUpAudio() {
    const bool usb = kind_ == kUsb;
    wave_ = std::make_unique<RC_AudioWave>(2, 16, 48000, usb ? RC_AudioWave::kOutput : RC_AudioWave::kBoth);
    wave_->SetInputCallback(&AudioTrampoline, this);
    wave_->SetInBufferSize(4096);
    wave_->SetOutBufferSize(usb ? 3072 : 4096);
    wave_->SetInBufferCount(16);
    wave_->SetOutBufferCount(32);
    // The sound-card record names the devices; a name not found is the system's default entry.
    if (!usb) wave_->SetInDevice(0);
    wave_->SetOutDevice(0);
    if (!usb && soundCard_.waveIn[0] != '\0') wave_->SetInDeviceByName(soundCard_.waveIn);
    if (soundCard_.waveOut[0] != '\0') wave_->SetOutDeviceByName(soundCard_.waveOut);
    secondary_ = std::make_unique<RC_AudioWave>(2, 16, 48000, RC_AudioWave::kOutput);
    if (!usb) {
        recordMixer_ = std::make_unique<RC_AudioMixer>();
        recordMixer_->SetFlags(RC_AudioMixer::kFlagFollowWaveIn, 0);
        recordMixer_->SetDestinationType(kMixerRecording);
        recordMixer_->SetDeviceFromWaveIn(*wave_);
        recordMixer_->SetSourceVolumeCallback(&OnMixerVolumeChange, this);
        playbackMixer_ = std::make_unique<RC_AudioMixer>();
        playbackMixer_->SetFlags(RC_AudioMixer::kFlagFollowWaveIn, 0);
        playbackMixer_->SetDestinationType(kMixerSpeakers);
        playbackMixer_->SetDeviceFromWaveIn(*wave_);
    }
    fs_ = 48000;
    if (usb) fs_ = 64000;
    else if (settings_.rate44100 != 0 || wave_->CanOpen() == 0) fs_ = 44100;
    if (!usb) wave_->SetSampleRate(fs_);
    api_.SetCodecBlockCallback(&CodecTrampoline, this);

    demod_.SetBlockSize(1024);
    demod_.SetDecimation(2);
    demod_.SetInterpolation(usb ? 3 : 2);
    demod_.SetOutputDivisor(usb ? 2 : 1);
    demod_.ifCentre = 12000;
    demod_.SetSampleRate(fs_);
    demod_.SetHilbertLength(settings_.hilbertLength);
    demod_.audioGain = 7.0f;
    demod_.volume = static_cast<float>(volumeFactor_);
    demod_.rawTap = &RawTap;
    demod_.rawTapUser = this;
    demod_.channelTap = &ChannelTap;
    demod_.channelTapUser = this;
    demod_.UpdateFilters();
}

void DemodWindow::AudioTrampoline(void* user, RC_AudioWave*, const void* data, std::uint32_t bytes) {
    static_cast<DemodWindow*>(user)->OnAudioBlock(data, bytes);
}

void DemodWindow::CodecTrampoline(void* user, RC_ReceiverApi*) { static_cast<DemodWindow*>(user)->OnCodecData(); }

void DemodWindow::OnCodecData() {
    // Construction holds the audio lock until the instance is started: the stream waits for it.
    std::lock_guard<RC_Lock> hold(constructionLock_);
    if (!started_) return;
    for (;;) {
        const std::uint32_t got = api_.CodecRead(codec_ + codecFill_, sizeof codec_ - codecFill_);
        if (got == 0) return;
        codecFill_ += got;
        codecRunning_.store(true);
        if (codecFill_ < sizeof codec_) continue;
        wave_->Signal();
        if (wave_->OutputOpen() && wave_->QueuedOutCount() >= wave_->OutBufferCount()) wave_->ResetOutput();
        OnAudioBlock(codec_, sizeof codec_);
        codecFill_ = 0;
    }
}

void DemodWindow::RawTap(void* user, RC_Demodulator*, std::uint32_t n, const std::int16_t* i, const std::int16_t* q) {
    auto* self = static_cast<DemodWindow*>(user);
    n = std::min(n, kMaxInput);
    Int16Block& b = self->rawIq_;
    b.header = {self->fs_, 16, 2, n};
    for (std::uint32_t k = 0; k < n; ++k) {
        b.samples[2 * k] = i[k];
        b.samples[2 * k + 1] = q[k];
    }
    self->Callback(KVR_CMD_AUDIO_BLOCK, kBlockMixed, 4 * n + kBlockExtra, &b);
}

void DemodWindow::ChannelTap(void* user, RC_Demodulator* d, std::uint32_t n, const std::int32_t* i, const std::int32_t* q) {
    auto* self = static_cast<DemodWindow*>(user);
    n = std::min(n, kMaxInput);
    Int32Block& b = self->channelIq_;
    const std::uint32_t rate = self->fs_ / d->Decimation();
    b.header = {rate, 32, 2, n};
    for (std::uint32_t k = 0; k < n; ++k) {
        b.samples[2 * k] = i[k];
        b.samples[2 * k + 1] = q[k];
    }
    self->Callback(KVR_CMD_AUDIO_BLOCK, kBlockChannel, 8 * n + kBlockExtra, &b);
    self->noiseMeasure_ = NoiseMeasure(i, q, n, rate);
}

float DemodWindow::NoiseMeasure(const std::int32_t* i, const std::int32_t* q, std::uint32_t n, double rate) {
    if (n < 2 || rate <= 0.0) return 0.0f;
    // Instantaneous frequency from the phase step between neighbouring samples.
    double sum = 0.0;
    std::int32_t f[2 * 2048];
    const std::uint32_t m = std::min<std::uint32_t>(n - 1, 2 * 2048);
    for (std::uint32_t k = 1; k <= m; ++k) {
        const double ik = i[k], qk = q[k], ip = i[k - 1], qp = q[k - 1];
        const double hz = std::atan2(qp * ik - ip * qk, ik * ik + qk * qk) / (2.0 * M_PI) * rate;
        sum += hz;
        f[k - 1] = static_cast<std::int32_t>(hz);
    }
    const double mean = sum / m;
    double variance = 0.0;
    for (std::uint32_t k = 0; k < m; ++k) {
        const double d = (f[k] - mean) / rate;
        variance += d * d;
    }
    return static_cast<float>(variance / m);
}

void DemodWindow::WriteSecondaryOutput(const std::int16_t* samples, std::uint32_t count, std::uint32_t rate) {
    const plat::audio::WaveFormat& format = secondary_->Format();
    const std::int32_t* wide = nullptr;
    if (rate != format.samplesPerSec) {
        constexpr std::uint32_t kPrototype = 127;
        constexpr double kTolerance = 0.0025;
        secondaryResampler_.SetRates(kPrototype, rate, format.samplesPerSec, kTolerance);
        secondaryResampler_.SetBlockSize(count);
        count = secondaryResampler_.Process(nullptr, samples, count, 1);
        wide = secondaryResampler_.Output();
    }
    auto* out = static_cast<unsigned char*>(secondary_->GetFreeOutBuffer());
    if (out == nullptr) return;
    const std::uint32_t frameBytes = format.channels * (format.bitsPerSample / 8u);
    count = std::min(count, frameBytes == 0 ? 0u : secondary_->OutBufferSize() / frameBytes);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::int16_t v = wide != nullptr ? static_cast<std::int16_t>(std::clamp(wide[k], -32768, 32767)) : samples[k];
        for (std::uint32_t c = 0; c < format.channels; ++c) {
            if (format.bitsPerSample == 8) {
                out[k * frameBytes + c] = static_cast<unsigned char>((v >> 8) + 128);
            } else {
                std::memcpy(out + k * frameBytes + 2 * c, &v, 2);
            }
        }
    }
    secondary_->Write(out, count * frameBytes);
}

void DemodWindow::SelectMixerLine(int index) {
    if (recordMixer_ == nullptr || playbackMixer_ == nullptr) return;
    // The audio thread re-asserts the selection every block under the same lock.
    std::lock_guard<RC_Lock> hold(constructionLock_);
    if (lineSelected_) {
        recordMixer_->SetVolume(savedVolume_);
        playbackMixer_->SetMute(savedMute_);
    }
    recordMixer_->SetSourceLine(index);
    recordMixer_->SelectRecordSource(index, 1);
    const char* name = recordMixer_->SourceNames().Item(static_cast<std::size_t>(index));
    const long heard = name != nullptr ? playbackMixer_->SourceNames().Find(name) : -1;
    playbackMixer_->SetSourceLine(heard >= 0 ? static_cast<int>(heard) : 0);
    savedVolume_ = recordMixer_->GetVolume();
    const std::uint32_t level = inputLevel_; // the volume callback below would overwrite it
    recordMixer_->SetVolume(level);
    inputLevel_ = level;
    savedMute_ = playbackMixer_->IsMuted();
    lineSelected_ = true;
    PublishSignalPath(); // the input channel goes with the line
}

void DemodWindow::OnMixerVolumeChange(void* user, RC_AudioMixer* mixer) {
    static_cast<DemodWindow*>(user)->inputLevel_ = mixer->GetVolume();
}

void DemodWindow::SetInputRate(std::uint32_t rate) {
    {
        std::lock_guard<RC_Lock> hold(constructionLock_);
        fs_ = rate;
        demod_.SetSampleRate(rate, false);
    }
    if (ifGraph_ != nullptr) ifGraph_->SetSampleRate(static_cast<float>(rate));
    if (bandwidthField_ != nullptr) bandwidthField_->SetMaximum(rate / 2.0);
    wave_->SetSampleRate(rate);
    if (setupWindow_ != nullptr) setupWindow_->OnSecondaryOutput(nullptr);
    if (study_ != nullptr) study_->Refresh();
}

void DemodWindow::RestoreModeDefaults() {
    // Held to the end, so that the next block sees the whole mode restored or none of it.
    std::lock_guard<RC_Lock> hold(constructionLock_);
    const int m = modeIndex_;
    SetDefaultModeBlock(settings_.modes[m], m);
    next_.demodNoiseLength = settings_.modes[m].noiseSquelchLength;
    if (m == kModeIsb) settings_.hilbertLength = DemodSettings{}.hilbertLength;
    if (m == kModeCw) settings_.cwTone = DemodSettings{}.cwTone;
    PublishSignalPath();
    ShowPassband();
    if (setupWindow_ != nullptr) setupWindow_->Refresh();
    OnAfFilter(Block().afFilter != 0, false);
    if (study_ != nullptr) study_->Refresh();
}

void DemodWindow::OnStudyButton() {
    if (study_ != nullptr) {
        study_->Close(); // its destructor tells StudyClosed
        return;
    }
    if (modeIndex_ == kModeFmw) return; // no structure to view
    auto* study = new StudyWindow(this, settings_);
    study->Show(plat::win::SW_SHOW);
    std::lock_guard<RC_Lock> hold(constructionLock_);
    study_ = study;
}

void DemodWindow::StudyClosed() {
    std::lock_guard<RC_Lock> hold(constructionLock_);
    study_ = nullptr;
}

RC_Colour DemodWindow::IfBandColour(void*, void*, int, int trace) { return trace == 0 ? 0xFFFF : 0xFF; }

// What the audio path reads of the stored settings, into the record handed over next.
void DemodWindow::SettingsToPath(AudioPathSettings& p) const {
    p.sagcSpeed = settings_.sagcSpeed;
    for (int i = 0; i < 3; ++i) {
        p.sagcAttack[static_cast<std::size_t>(i)] = settings_.sagcAttack[i];
        p.sagcDecay[static_cast<std::size_t>(i)] = settings_.sagcDecay[i];
    }
    p.hilbertLength = settings_.hilbertLength;
    for (int m = 0; m < AudioPathSettings::kModes; ++m) {
        const DemodModeBlock& b = settings_.modes[m];
        AudioPathMode& a = p.modes[static_cast<std::size_t>(m)];
        a.sagcReference = b.sagcReference;
        a.postMixerLength = b.postMixerLength;
        a.audioFilterLength = b.audioFilterLength;
        a.audioGain = b.audioGain;
        a.noiseFilterLength = b.noiseSquelchLength;
    }
}

void DemodWindow::SetSagcSpeed(std::uint32_t speed) {
    if (speed > AudioPathSettings::kSagcFast) return;
    settings_.sagcSpeed = speed;
    PublishSignalPath();
}

void DemodWindow::SetSecondaryOutput(int which) {
    secondaryOutput_ = which;
    PublishSignalPath();
    if (which != 0) return;
    // The setup window stops the device next: the hand-over is taken now, under the audio lock,
    // so that no block writes to it any more.
    std::lock_guard<RC_Lock> hold(constructionLock_);
    TakeSignalPath();
}

void DemodWindow::PublishSignalPath() {
    AudioPathSettings& p = next_;
    SettingsToPath(p);
    const DemodModeBlock& block = Block();
    p.modeIndex = modeIndex_;
    p.kind = ModeTable[ModeButtonOfIndex(modeIndex_)].kind;
    // The sidebands shift by the half bandwidth, CW by its tone; other modes keep the last tone.
    if (modeIndex_ == kModeUsb || modeIndex_ == kModeLsb) p.tone = static_cast<std::uint32_t>(block.halfBandwidth);
    if (modeIndex_ == kModeCw) p.tone = settings_.cwTone;
    p.halfBandwidth = static_cast<float>(block.halfBandwidth);
    p.audioGain = static_cast<float>(block.audioGain);
    p.volume = static_cast<float>(volumeFactor_);
    p.afFilter = block.afFilter != 0;
    p.inputChannel = settings_.inputChannel > 1 ? 1 : settings_.inputChannel;
    p.secondaryOutput = secondaryOutput_;
    p.invertSpectrum = service_ && slopePanel_ != nullptr && slopePanel_->Inverted();
    p.mute = settings_.mute != 0;
    p.power = power_;
    p.scanMode = scanMode_;
    p.afc = afc_;
    p.squelched = squelched_;
    p.frequency = frequency_;
    p.noiseFlag = noiseFlag_;
    p.noiseThreshold = noiseThreshold_;
    p.voiceFlag = voiceFlag_;
    p.voiceLevel = voiceLevel_;
    p.ctcssTone = ctcssTone_;
    p.dcsFlag = dcsFlag_;
    p.dcsCode = dcsCode_;
    {
        std::lock_guard<RC_Lock> hold(handoverLock_);
        handover_ = p;
    }
    handoverPending_.store(true, std::memory_order_release);
    // No block running: the change is taken now, so the demodulator shows it at once. A block
    // running takes it at its next start.
    std::unique_lock<RC_Lock> audio(constructionLock_, std::try_to_lock);
    if (audio.owns_lock()) TakeSignalPath();
}

void DemodWindow::TakeSignalPath() {
    if (!handoverPending_.exchange(false, std::memory_order_acq_rel)) return;
    AudioPathSettings& now = path_.settings;
    const std::uint32_t tone = now.tone, noiseLength = now.demodNoiseLength, hilbert = now.hilbertLength;
    const float half = now.halfBandwidth;
    {
        std::lock_guard<RC_Lock> hold(handoverLock_);
        now = handover_;
    }
    bool rebuild = now.tone != tone || now.halfBandwidth != half;
    demod_.tone = now.tone;
    demod_.halfBandwidth = now.halfBandwidth;
    demod_.audioGain = now.audioGain;
    demod_.volume = now.volume;
    if (now.kindChanges != path_.kindChanges) {
        path_.kindChanges = now.kindChanges;
        demod_.loopPhase = demod_.loopFrequency = demod_.loopError = 0.0;
        demod_.kind = now.kind;
        rebuild = true;
    }
    if (now.demodNoiseLength != noiseLength) demod_.NoiseFilter().SetLength(now.demodNoiseLength);
    if (now.hilbertLength != hilbert) demod_.SetHilbertLength(now.hilbertLength);
    if (rebuild) demod_.UpdateFilters();
    if (now.filterChanges != path_.filterChanges) {
        path_.filterChanges = now.filterChanges;
        path_.loadTaps = true;
    }
    if (now.frequencyChanges != path_.frequencyChanges) {
        path_.frequencyChanges = now.frequencyChanges;
        path_.dcsHold = 0;
    }
    if (now.voiceRestarts != path_.voiceRestarts) {
        path_.voiceRestarts = now.voiceRestarts;
        path_.voice.Detector().SetFillPosition(0);
    }
}

std::uint32_t DemodWindow::HilbertLength() {
    std::lock_guard<RC_Lock> hold(constructionLock_);
    TakeSignalPath();
    return demod_.HilbertLength();
}

// The taps the setup window's filter view has designed, copied here on its own thread; the audio
// thread loads its copy of them at its next block.
void DemodWindow::ReadFilterTaps() {
    RC_FilterView* view = setupWindow_ != nullptr ? setupWindow_->FilterView() : nullptr;
    next_.tapCount = 0;
    if (view == nullptr || view->Filter().Length() > AudioPathSettings::kMaxTaps) return;
    view->ReadTaps16(next_.taps.data());
    next_.tapCount = view->Filter().Length();
}

void DemodWindow::SetIfDisplayGraph(const RC_Window* graph, std::uint32_t points) {
    std::lock_guard<RC_Lock> hold(constructionLock_);
    path_.ifGraph = graph;
    path_.ifDisplayPoints = std::min(points, DemodAudioPath::kIfDisplayMax);
    path_.ifDisplayFill.store(0);
}

// The IF arrives on a line that must be recorded but not heard; whatever changed the sound card's
// mixer from outside is undone every block (the mixer writes only what differs).
void DemodWindow::ReassertMixer() {
    if (kind_ == kUsb || !lineSelected_ || recordMixer_ == nullptr || playbackMixer_ == nullptr) return;
    playbackMixer_->SetMute(1);
    recordMixer_->SelectRecordSource(recordMixer_->SourceLine(), 1);
}

void DemodWindow::ApplyAgc() {
    const AudioPathSettings& st = path_.settings;
    const std::uint32_t speed = std::min(st.sagcSpeed, AudioPathSettings::kSagcFast);
    if (speed == AudioPathSettings::kSagcOff) {
        demod_.agcOn = false;
        demod_.ifAgc.gain = 1.0;
        demod_.ifAgc.envelope = demod_.ifAgc.reference;
        return;
    }
    demod_.agcOn = true;
    const double fs = fs_;
    const double attack = st.sagcAttack[speed - 1];
    const double decay = st.sagcDecay[speed - 1];
    // Coefficients that take the gain 90 % of the way in the set time, at the stage's own rate.
    if (st.modeIndex == kModeFm6 || st.modeIndex == kModeFmn) {
        demod_.fmAgc.attack = 1.0 - std::pow(0.1, 1.0 / (fs * attack));
        demod_.fmAgc.decay = 1.0 - std::pow(0.1, 1.0 / (fs * decay));
    } else {
        const double d = demod_.Decimation();
        demod_.ifAgc.attack = 1.0 - std::pow(0.1, d / (fs * attack));
        demod_.ifAgc.decay = 1.0 - std::pow(0.1, d / (fs * decay));
    }
    demod_.agcLevel = static_cast<float>(st.modes[static_cast<std::size_t>(st.modeIndex)].sagcReference);
}

void DemodWindow::ApplyFilterLengths() {
    const AudioPathSettings& st = path_.settings;
    const AudioPathMode& mode = st.modes[static_cast<std::size_t>(st.modeIndex)];
    demod_.SetAudioFilterLength(mode.audioFilterLength);
    if (path_.loadTaps) {
        path_.loadTaps = false;
        // AF Filter down: the audio is filtered with the setup window's filter as it designed it.
        if (st.afFilter && st.tapCount != 0) demod_.SetAudioFilterTaps(st.taps.data());
        else demod_.SetAudioFilterTaps(nullptr);
    }
    demod_.SetPostMixerFilterLength(mode.postMixerLength);
    if (st.modeIndex == kModeIsb) demod_.SetHilbertLength(st.hilbertLength);
}

std::uint32_t DemodWindow::RunWideFm(std::uint32_t count) {
    const AudioPathSettings& st = path_.settings;
    const AudioPathMode& mode = st.modes[kModeFmw];
    const bool filterDown = st.afFilter;
    if (!filterDown) {
        RC_FirFilter16& f = path_.wideFmFilter;
        f.SetLength(mode.audioFilterLength);
        f.SetBlockSize(count);
        f.SetSampleRate(static_cast<float>(fs_));
        count = f.FilterStrided(audio_.samples, input_.samples, count, 1, 1);
    }
    if (analyzer_ != nullptr) {
        analyzer_->Filter().SetBlockSize(count);
        analyzer_->SetLength(mode.audioFilterLength);
        analyzer_->SetSampleRate(static_cast<float>(fs_));
        if (analyzer_->Mode() == 1) analyzer_->SetMode(2);
        // AF Filter down: the analyzer's own filter does the filtering, as the user set it.
        if (filterDown) analyzer_->AddSamples(audio_.samples, input_.samples, count, 1);
        else analyzer_->AddSamples(audio_.samples, audio_.samples, count, 1);
    } else if (filterDown) {
        std::memcpy(audio_.samples, input_.samples, 2 * std::size_t{count});
    }
    if (kind_ == kUsb) count = ResampleWideFm(count);
    count = std::min(count, kMaxInput);
    const double scale = st.volume * mode.audioGain;
    // From the last sample back, so that each frame lands on samples already taken.
    for (std::uint32_t k = count; k-- > 0;) {
        const double v = std::clamp(std::trunc(audio_.samples[k] * scale), -32768.0, 32767.0);
        audio_.samples[2 * k] = audio_.samples[2 * k + 1] = static_cast<std::int16_t>(v);
    }
    return count;
}

// 64000 Hz to 48000 Hz in place, a chunk at a time, each output held to the 16-bit range: the
// resampler's own 16-bit copy keeps only the low bits, so a loud passage past full scale would
// wrap round into noise. The outputs of a chunk never reach past its inputs (three for four).
std::uint32_t DemodWindow::ResampleWideFm(std::uint32_t count) {
    RC_Resampler& r = path_.wideFmResampler;
    std::uint32_t produced = 0;
    for (std::uint32_t at = 0; at < count;) {
        const std::uint32_t chunk = std::min(count - at, r.BlockSize());
        const std::uint32_t n = r.Process(nullptr, audio_.samples + at, chunk, 1);
        const std::int32_t* y = r.Output();
        for (std::uint32_t k = 0; k < n; ++k)
            audio_.samples[produced + k] = static_cast<std::int16_t>(std::clamp<std::int32_t>(y[k], -32767, 32767));
        produced += n;
        at += chunk;
    }
    return produced;
}

void DemodWindow::FeedIfDisplay(std::uint32_t count) {
    if (path_.ifGraph == nullptr || path_.ifDisplayPoints == 0) return;
    const std::uint32_t points = path_.ifDisplayPoints;
    std::uint32_t fill = path_.ifDisplayFill.load();
    if (fill < points) {
        const std::uint32_t take = std::min(count, points - fill);
        std::memcpy(path_.ifDisplay + fill, input_.samples, 2 * std::size_t{take});
        fill += take;
        path_.ifDisplayFill.store(fill);
    }
    const bool painting = (path_.ifGraph->State() & RC_Window::kPainting) != 0;
    if (fill < points || painting || path_.settings.scanMode != 0 || path_.settings.modeIndex == kModeFmw) return;
    if (!path_.ifDisplayPosted.exchange(true) && !plat::win::PostMessage(Handle(), kMsgIfDisplay, 0, 0))
        path_.ifDisplayPosted.store(false);
}

void DemodWindow::OnAudioBlock(const void* data, std::uint32_t bytes) {
    // A device that ran dry reports an empty block: nothing to play, so no silent gap is queued.
    if (data == nullptr || bytes < (kind_ == kUsb ? 2u : 4u)) return;
    // Construction holds the lock until the instance is started, so the first block waits for the
    // start rather than being lost; a window that is going takes none.
    std::unique_lock<RC_Lock> hold(constructionLock_);
    if (!started_ || Closing()) return;
    TakeSignalPath();
    const AudioPathSettings& st = path_.settings;
    // Every buffer waiting at the device: the output fell behind, so what waits is given up.
    if (wave_->OutputOpen() && wave_->QueuedOutCount() >= wave_->OutBufferCount()) wave_->ResetOutput();
    if (st.power == 0) return;
    auto* out = static_cast<std::int16_t*>(wave_->GetFreeOutBuffer());
    if (out == nullptr) return;
    const std::uint32_t outBytes = wave_->OutBufferSize();
    ReassertMixer();
    path_.verdict = {};
    RC_Panel* meter = setupWindow_ != nullptr ? setupWindow_->CpuMeter() : nullptr;
    if (meter != nullptr) meter->Start();

    if (st.scanMode != 0 && !st.AnySecondarySquelch()) {
        // Scan hold: silence now, and a fade-in once the scan lets go.
        fade_ = kFadeBlocks;
    } else {
        // At most as many samples as the input block holds, whatever the device delivered.
        const bool usb = kind_ == kUsb;
        std::uint32_t count = std::min(usb ? bytes / 2 : bytes / 4, kMaxInput);
        const auto* in = static_cast<const std::int16_t*>(data);
        input_.header = {fs_, 16, 1, count};
        for (std::uint32_t k = 0; k < count; ++k) input_.samples[k] = usb ? in[k] : in[2 * k + st.inputChannel];

        std::uint32_t n = 0;
        if (st.modeIndex == kModeFmw) {
            count = RunWideFm(count);
            n = count;
        } else {
            bool clip = false;
            for (std::uint32_t k = 0; k < count; ++k)
                clip = clip || input_.samples[k] > kClipLevel || input_.samples[k] < -kClipLevel;
            clip_.store(clip);
            // Only when inversion is asked for: the library asks the receiver about its own
            // inversion on every call, and a block must not wait for a device request (behind the
            // user-interface thread's, up to the request time-out when the receiver is slow).
            if (st.invertSpectrum && api_.pQ7InvertSpectrum != nullptr && api_.Handle() != 0)
                api_.pQ7InvertSpectrum(api_.Handle(), input_.samples, count, static_cast<float>(fs_), 16, 1);
            Callback(KVR_CMD_AUDIO_BLOCK, kBlockIf, 2 * count + kBlockExtra, &input_);
            if (st.secondaryOutput == 1 && secondary_->OutputOpen()) WriteSecondaryOutput(input_.samples, count, fs_);

            ApplyAgc();
            ApplyFilterLengths();
            demod_.Process(input_.samples, audio_.samples, count, 1);

            afcCounter_ += count;
            if (afcCounter_ >= fs_) {
                if (st.afc != 0 && st.scanMode == 0 && demod_.afcFrequency != 0.0f) {
                    const auto offset = static_cast<std::int64_t>(st.frequency - static_cast<std::int64_t>(demod_.afcFrequency));
                    plat::win::PostMessage(Handle(), kMsgAfc, 0, static_cast<std::int32_t>(static_cast<std::uint32_t>(offset)));
                }
                afcCounter_ = 0;
            }
            n = demod_.OutputFrames(count);
            if (kind_ != kUsb && setupWindow_ != nullptr) setupWindow_->SetClipping(clip);
        }

        const std::uint32_t rate = OutputRate();
        n = std::min(n, outBytes / 4);
        if (st.modeIndex == kModeIsb) {
            audio_.header = {rate, 16, 2, n};
            Callback(KVR_CMD_AUDIO_BLOCK, kBlockAudio, 4 * n + kBlockExtra, &audio_);
            std::memcpy(out, audio_.samples, 4 * n);
            if (st.secondaryOutput == 2 && secondary_->OutputOpen()) {
                for (std::uint32_t k = 0; k < n; ++k)
                    audio_.samples[k] = static_cast<std::int16_t>((audio_.samples[2 * k] + audio_.samples[2 * k + 1]) / 2);
                WriteSecondaryOutput(audio_.samples, n, rate);
            }
        } else {
            for (std::uint32_t k = 0; k < n; ++k) audio_.samples[k] = audio_.samples[2 * k];
            audio_.header = {rate, 16, 1, n};
            Callback(KVR_CMD_AUDIO_BLOCK, kBlockAudio, 2 * n + kBlockExtra, &audio_);
            for (std::uint32_t k = 0; k < n; ++k) out[2 * k] = out[2 * k + 1] = audio_.samples[k];
            if (st.secondaryOutput == 2 && secondary_->OutputOpen()) WriteSecondaryOutput(audio_.samples, n, rate);
        }
        if (4 * n < outBytes) std::memset(reinterpret_cast<unsigned char*>(out) + 4 * n, 0, outBytes - 4 * n);
        input_.header.count = count;
        ReportSquelch(n);
        FeedIfDisplay(count);
        if (study_ != nullptr) study_->OnAudioBlock(input_.samples, count, out, outBytes / 2);
        if (fade_ != 0) {
            for (std::uint32_t k = 0; k < outBytes / 2; ++k)
                out[k] = static_cast<std::int16_t>(out[k] * (kFadeBlocks - fade_) / kFadeBlocks);
            --fade_;
        }
    }
    if (st.mute || st.squelched != 0 || path_.verdict.closed || demonstration_ || st.scanMode != 0)
        std::memset(out, 0, outBytes);
    if (meter != nullptr) meter->Update(fs_ / 1024.0);
    wave_->Write(out, outBytes);
}
