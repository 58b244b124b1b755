#include "demod/ui/DemodWindow.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/ui/DemodConfig.h"
#include "demod/ui/DemodInstances.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/CapsBlock.h"
#include "demod/ui/SlopeCompPanel.h"
#include "demod/ui/StudyWindow.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_MessageBox.h"
#include "demod/ui/toolkit/RC_Timer.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "platform/sys/CommandLine.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowApi.h"
#include "platform/win/Styles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

constexpr std::size_t kCapsProduct = 44;
constexpr std::size_t kCapsSerial = 76;
constexpr std::uint32_t kStatusIntervalMs = 1000;

unsigned char* CopyCaps(const void* caps, std::size_t size) {
    // Sub-blocks are designated by offsets from the block's start, so a byte copy is relocated.
    return static_cast<unsigned char*>(RC_AllocCopy(caps, size));
}

std::string TextAt(const unsigned char* caps, std::size_t at, std::size_t size) {
    const char* p = reinterpret_cast<const char*>(caps + at);
    return std::string(p, strnlen(p, size));
}

// A block changes the IF graph and little else: the window and every window that holds others
// keep their pictures between paints, so that a child painted again is painted alone over the
// rest as it was.
void KeepPicturesOfContainers(RC_Window* w) {
    if (w->FirstChild() != nullptr) w->SetStyle(w->Style() | RC_Window::kRetainBitmap);
    for (RC_Window* c = w->FirstChild(); c != nullptr; c = c->NextSibling()) KeepPicturesOfContainers(c);
}

} // namespace

DemodWindow::Interface DemodWindow::InterfaceOf(const char* product) {
    if (std::strncmp(product, "Q7SERv", 6) == 0) return kSerial;
    if (std::strncmp(product, "Q7USBv", 6) == 0) return kUsb;
    return kPci;
}

DemodWindow::DemodWindow(std::uint32_t receiver, const void* caps, HostCallback callback,
                         std::uint32_t* mask, Interface kind, const char* apiLibrary)
    : RC_Window(nullptr, 100, 100, 320, 276, RC_Window::kKeepsLoop),
      receiver_(receiver),
      hostCallback_(callback),
      callbackValid_(callback != nullptr),
      kind_(kind),
      api_(apiLibrary != nullptr ? apiLibrary : RC_ReceiverApiBase::kLibraryName) {
    std::lock_guard<RC_Lock> hold(constructionLock_);
    if (mask != nullptr) *mask = kDemodNotifyMask;
    caps_ = CopyCaps(caps, caps::SizeOf(caps));
    hostModes_ = caps::ModesOf(caps_);
    const std::string product = TextAt(caps_, kCapsProduct, 32);
    const std::string serial = TextAt(caps_, kCapsSerial, 16);
    demonstration_ = product.find("-demo") != std::string::npos;
    service_ = plat::sys::ProgramHasArgument("/d");
    SetCaption((std::string(kDemodPluginName) + " - " + serial).c_str());
    receiverKey_ = ::ReceiverKey(serial.c_str());
    LoadDemodSettings(settings_, receiverKey_);
    LoadSoundCardSettings(soundCard_, receiverKey_);
    modeIndex_ = settings_.modeIndex;
    inputLevel_ = settings_.inputLevel;
    secondaryOutput_ = static_cast<int>(settings_.secondaryOutput);
    volumeFactor_ = settings_.volume / 31.0;
    SetUpAudio();
    // The hand-over starts from the demodulator as it is built; the copy the audio thread holds
    // is made to match it, so the first hand-over changes only what the handlers changed.
    next_.tone = demod_.tone;
    next_.demodNoiseLength = demod_.NoiseFilter().Length();
    next_.hilbertLength = demod_.HilbertLength();
    path_.settings.tone = demod_.tone;
    path_.settings.halfBandwidth = demod_.halfBandwidth;
    path_.settings.demodNoiseLength = next_.demodNoiseLength;
    path_.settings.hilbertLength = next_.hilbertLength;
    BuildControls();
    SetIfDisplayGraph(ifGraph_, static_cast<std::uint32_t>(ifGraph_->PointCount()));
    setupWindow_ = new SetupWindow(this, settings_, soundCard_); // hidden until "Setup"
    setupWindow_->SetMainFilterView(analyzer_);
    setup_ = setupWindow_;
    if (service_) {
        BuildKnobs();
        slopePanel_ = new SlopeCompPanel(this);
        slopePanel_->Show(plat::win::SW_SHOW);
    }
    KeepPicturesOfContainers(this);
    OnModeButton(ModeButtonOfIndex(modeIndex_), false);
    QueryHost();
    Callback(KVR_CMD_VOLUME, settings_.volume, 0, nullptr);
    const int active = Activate();
    if (active >= 0 || demonstration_) {
        Show(plat::win::SW_SHOW);
        // Under the audio lock still: a block that arrived meanwhile waits for this and is then
        // handled, so the stream starts with its first block.
        started_ = true;
        if (kind_ == kUsb) {
            statusTimer_ = std::make_unique<RC_Timer>(kStatusIntervalMs, &StatusTick, this);
            statusTimer_->Start();
        }
    }
}

// Once a second: a USB receiver that is no longer connected delivers no codec stream. The
// question may wait for a receiver host that does not answer: it goes to the receiver worker,
// one at a time, so that a host that holds it gets no pile of them.
void DemodWindow::StatusTick(void* user, RC_Timer*) {
    auto* self = static_cast<DemodWindow*>(user);
    if (!self->receiverWork_) {
        self->codecRunning_.store(false);
        return;
    }
    if (self->connectionAsked_.exchange(true)) return;
    self->receiverWork_->Ask([self] {
        RC_ReceiverApi& api = self->api_;
        if (api.pIsDeviceConnected == nullptr || api.Handle() == 0 || api.pIsDeviceConnected(api.Handle()) == 0)
            self->codecRunning_.store(false);
        self->connectionAsked_.store(false);
    });
}

DemodWindow::~DemodWindow() {
    statusTimer_.reset();
    Stop();
    if (study_ != nullptr) delete study_; // its destructor clears the pointer
    SaveSettings();
    if (lineSelected_) { // the sound card's mixer as it was found
        recordMixer_->SetVolume(savedVolume_);
        playbackMixer_->SetMute(savedMute_);
    }
    setup_ = nullptr;
    delete setupWindow_;
    setupWindow_ = nullptr;
    if (slopePanel_ != nullptr) {
        SlopeCompPanel* panel = slopePanel_;
        slopePanel_ = nullptr;
        delete panel;
    }
    RC_Free(caps_);
    caps_ = nullptr;
    if (callbackValid_) {
        callbackValid_ = false;
        hostCallback_(started_ ? static_cast<std::int32_t>(Handle()) : 0, KVR_CB_CLOSED, 0,
                      static_cast<std::uint32_t>(std::strlen(kDemodPluginName) + 1),
                      const_cast<char*>(kDemodPluginName));
    }
    DemodInstances::Remove(this);
}

// The records as this instance leaves them: the settings into the user's file, and the sound
// card's devices as they are chosen now.
void DemodWindow::SaveSettings() {
    const bool usb = kind_ == kUsb;
    if (!usb && recordMixer_ != nullptr && lineSelected_) inputLevel_ = recordMixer_->GetVolume();
    settings_.inputLevel = inputLevel_;
    settings_.secondaryOutput = static_cast<std::uint32_t>(secondaryOutput_);
    settings_.hilbertLength = HilbertLength();
    SaveDemodSettings(settings_, receiverKey_);
    SoundCardSettings card{};
    auto copy = [](char* field, std::size_t size, const char* text) {
        if (text != nullptr) std::snprintf(field, size, "%s", text);
    };
    copy(card.waveOut, sizeof card.waveOut, wave_->OutDeviceNames().Item(static_cast<std::size_t>(wave_->OutDevice())));
    if (!usb) {
        copy(card.waveIn, sizeof card.waveIn, wave_->InDeviceNames().Item(static_cast<std::size_t>(wave_->InDevice())));
        if (recordMixer_ != nullptr && lineSelected_)
            copy(card.mixerLine, sizeof card.mixerLine,
                 recordMixer_->SourceNames().Item(static_cast<std::size_t>(recordMixer_->SourceLine())));
    }
    SaveSoundCardSettings(card, receiverKey_);
}

std::int32_t DemodWindow::Callback(std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData,
                                   void* lpData) {
    if (!callbackValid_) return kKvrNone;
    return hostCallback_(started_ ? static_cast<std::int32_t>(Handle()) : 0, code, dwParam, cbData, lpData);
}

// The settings this instance follows, asked of the host in this order and handled as if notified.
void DemodWindow::QueryHost() {
    const std::uint32_t codes[] = {KVR_NOTIFY_AFC,   KVR_NOTIFY_SQUELCHED,  KVR_NOTIFY_FREQUENCY,
                                   KVR_NOTIFY_POWER, KVR_NOTIFY_SCAN_MODE, KVR_NOTIFY_SQUELCH};
    for (std::uint32_t code : codes) {
        unsigned char record[kReportSize] = {};
        const bool squelch = code == KVR_NOTIFY_SQUELCH;
        const std::int32_t answer =
            callbackValid_ ? Callback(KVR_CB_GET_SETTING, code, squelch ? kReportSize : 0, squelch ? record : nullptr)
                           : kKvrNone;
        Notify(receiver_, code, static_cast<std::uint32_t>(answer), squelch ? kReportSize : 0,
               squelch ? record : nullptr);
    }
}

int DemodWindow::Activate() {
    stopped_ = false;
    if (wave_->Start() == 0) return 0;
    if (recordMixer_ != nullptr && soundCard_.mixerLine[0] != '\0') {
        const long line = recordMixer_->SourceNames().Find(soundCard_.mixerLine);
        if (line >= 0) SelectMixerLine(static_cast<int>(line));
    }
    const std::string serial = TextAt(caps_, kCapsSerial, 16);
    EndReceiverWork(); // opened again: no request may meet the link while it is replaced
    // The open itself waits for the receiver here: the start's answer to the host depends on it.
    if (api_.Open(serial.c_str()) == 0) return -1;
    receiverWork_ = std::make_unique<ReceiverWorker>();
    ReadSlope();
    codecRunning_.store(false);
    if (kind_ == kUsb && api_.CodecStart() == 0) return 0;
    if (!HasWideFm()) {
        modeButtons_[ModeButtonOfIndex(kModeFmw)]->SetEnabled(false);
        if (modeIndex_ == kModeFmw) modeIndex_ = 0;
    }
    SendOwnCapabilities();
    OnModeButton(ModeButtonOfIndex(modeIndex_), false);
    if (setupWindow_ != nullptr) setupWindow_->Refresh();
    return 1;
}

void DemodWindow::ReadSlope() {
    const SlopeReading r = DecodeSlope(api_.Eeprom());
    knobs_ = r.knobs;
    ShowKnobs();
    if (r.Valid()) return;
    if (!service_) {
        knobs_.fill(0.0);
        return;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Checksum error - EEPROM 0x%04X, Computed 0x%04X", r.stored, r.computed);
    RC_ShowError("Q745DemodPro EEPROM checksum error", text);
}

// This plug-in demodulates for the host: the capabilities it announces carry its eleven modes.
void DemodWindow::SendOwnCapabilities() {
    std::vector<unsigned char> own = caps::BuildOwn(caps_);
    Callback(KVR_CB_SET_CAPABILITIES, 0, static_cast<std::uint32_t>(own.size()), own.data());
}

// The host's block as it is now, with the receiver's modes it had before this plug-in's.
void DemodWindow::SendHostCapabilities() {
    std::vector<unsigned char> host = caps::BuildHost(caps_, hostModes_);
    Callback(KVR_CB_SET_CAPABILITIES, 0, static_cast<std::uint32_t>(host.size()), host.data());
}

// The threads that run blocks end first: a block uses the receiver's handle, so the receiver is
// closed only once no block can run any more. The settings asked before go to the receiver, then
// wide FM is switched off (the receiver keeps it past this session), and only then is it closed.
void DemodWindow::Stop() {
    if (stopped_) return;
    stopped_ = true;
    if (kind_ == kUsb) api_.CodecStop();
    wave_->Stop();
    secondary_->Stop();
    AskWideFm(false);
    EndReceiverWork();
    api_.Close();
    if (caps_ != nullptr) SendHostCapabilities();
}

void DemodWindow::AskWideFm(bool on) {
    if (!receiverWork_) return;
    receiverWork_->Ask([this, on] { api_.SetFMW(on ? 1 : 0); });
}

void DemodWindow::WriteSlopeRecord(const SlopeKnobs& knobs, int attempts) {
    const plat::win::Hwnd window = Handle();
    if (!receiverWork_) { // no receiver open: the write fails as the library would fail it
        plat::win::PostMessage(window, kMsgSlopeWritten, 0, 0);
        return;
    }
    receiverWork_->Ask([this, window, knobs, attempts] {
        bool written = false;
        for (int i = 0; i < attempts && !written; ++i) written = WriteSlopeOnce(api_, knobs);
        plat::win::PostMessage(window, kMsgSlopeWritten, written ? 1 : 0, 0);
    });
}

void DemodWindow::EndReceiverWork() {
    if (!receiverWork_) return;
    receiverWork_->Stop();
    receiverWork_.reset();
}

plat::win::LResult DemodWindow::HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) {
    if (msg == kMsgSlopeWritten) {
        if (slopePanel_ != nullptr) slopePanel_->EepromWritten(wParam != 0);
        return 0;
    }
    if (msg == kMsgAfc || msg == kMsgSquelchReport || msg == kMsgIfDisplay) {
        if (Closing()) return 0;
        if (msg == kMsgAfc) {
            Callback(KVR_CMD_FREQUENCY_DEFERRED, static_cast<std::uint32_t>(lParam), 0, nullptr);
        } else if (msg == kMsgSquelchReport) {
            unsigned char report[kReportSize];
            {
                std::lock_guard<RC_Lock> hold(handoverLock_);
                std::memcpy(report, report_, sizeof report);
            }
            Callback(KVR_CMD_SQUELCHED_INFO, static_cast<std::uint32_t>(wParam), kReportSize, report);
            ShowSquelchStatus();
            reportPending_.exchange(0);
        } else {
            // The display buffer is full; the audio path refills it once it is emptied here.
            const std::uint32_t points = std::min(path_.ifDisplayPoints, path_.ifDisplayFill.load());
            // A window that cannot be seen shows nothing new: no spectrum computed, nothing painted.
            if (points != 0 && ifGraph_ != nullptr && path_.ifGraph == ifGraph_ && plat::win::IsWindowUncovered(Handle())) {
                if (ifGraph_->Mode() == 2 && ifGraph_->TraceCount() >= 2)
                    ifGraph_->SetSamplesStereo(path_.ifDisplay, path_.ifDisplay, points, 1);
                else
                    ifGraph_->SetSamples(path_.ifDisplay, points, 1);
            }
            ClearIfDisplay();
            path_.ifDisplayPosted.store(false); // emptied: the next full buffer may be posted
        }
        return 0;
    }
    const plat::win::LResult answer = RC_Window::HandleMessage(msg, wParam, lParam);
    if (msg == plat::win::WM_SETFOCUS) HandFocusToHost();
    return answer;
}

// Embedded, this window would keep the keyboard from the host's own controls: the focus goes on
// to the host's main window, three parent levels up (or the highest there is).
void DemodWindow::HandFocusToHost() {
    plat::win::Hwnd target = Handle();
    for (int level = 0; level < 3; ++level) {
        const plat::win::Hwnd parent = plat::win::GetParent(target);
        if (parent == 0) break;
        target = parent;
    }
    if (target != Handle()) plat::win::SetFocus(target);
}

void DemodWindow::ShowSquelchStatus() {
    std::string text = SquelchStatusText();
    const bool shown = !text.empty();
    const bool changed = text != statusText_;
    statusText_ = std::move(text);
    for (RC_Label* label : {graphStatus_, analyzerStatus_}) {
        if (label == nullptr) continue;
        // A report comes with every block: the label is painted again only when it changes.
        if (changed) label->SetCaption(statusText_.c_str());
        if (shown != ((label->State() & RC_Window::kShown) != 0)) label->Show(shown ? plat::win::SW_SHOW : plat::win::SW_HIDE);
    }
}

void DemodWindow::ClearIfGraph() {
    if (ifGraph_ == nullptr) return;
    static const std::int16_t kNone = 0;
    ifGraph_->SetSamples(&kNone, 0, 1); // no samples: an empty plot
}

void DemodWindow::SlopePanelClosed() { slopePanel_ = nullptr; }

void DemodWindow::CorrectTrampoline(void* user, RC_Graph* graph, const float* db, std::uint32_t count) {
    // The graph's drawing copy of its spectrum in dB: corrected in place over the bins it computed.
    std::uint32_t lo = 0, hi = 0;
    graph->ShownBins(lo, hi);
    SlopeFrame frame;
    frame.db = const_cast<float*>(db);
    frame.bins = static_cast<int>(count);
    frame.fs = graph->SampleRate();
    frame.firstFresh = static_cast<int>(lo);
    frame.lastFresh = static_cast<int>(hi);
    static_cast<DemodWindow*>(user)->CorrectSpectrum(frame);
}

void DemodWindow::CorrectSpectrum(SlopeFrame frame) {
    // Mirrored as the IF is shown: only while the service panel inverts it.
    frame.inverted = slopePanel_ != nullptr && slopePanel_->Inverted();
    frame.track = service_ && slopePanel_ != nullptr && !slopePanel_->KnobsHidden();
    const bool ended = slopeAverage_.Apply(frame, knobs_);
    if (frame.track) slopePanel_->ShowFigures(slopeAverage_, ended);
    if (ended) ShowKnobs();
}

std::string DemodWindow::SquelchStatusText() const {
    if (scanMode_ != 0) return {};
    unsigned char report[kReportSize];
    {
        std::lock_guard<RC_Lock> hold(handoverLock_);
        std::memcpy(report, report_, sizeof report);
    }
    auto field = [&report](int at) {
        std::int32_t v;
        std::memcpy(&v, report + at, 4);
        return v;
    };
    char part[48];
    std::string text;
    if (noiseFlag_) {
        std::snprintf(part, sizeof part, " Noise %d %% ", field(4));
        text = part;
    }
    if (voiceFlag_) {
        std::snprintf(part, sizeof part, " Voice %d %% ", field(20));
        text = part;
    }
    if (ctcssTone_ != 0.0f) {
        text += " CTCSS ";
        if (field(8) != 0) {
            std::snprintf(part, sizeof part, "%.1lf Hz ", field(8) * 0.001);
            text += part;
        }
    }
    if (dcsFlag_) {
        text += " DCS ";
        const std::int32_t code = field(24);
        if (code >= 1 && code <= 511) {
            std::snprintf(part, sizeof part, "+%03o ", static_cast<unsigned>(code));
            text += part;
        } else if (code <= -1 && code >= -511) {
            std::snprintf(part, sizeof part, "-%03o ", static_cast<unsigned>(-code));
            text += part;
        }
    }
    return text;
}
