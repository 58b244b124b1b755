// The demodulator window's front controls: mode buttons, "Setup", the IF graph with the
// passband, the bandwidth field and its presets, SAGC, "AF Filter", volume and "Mute"; and the
// handlers they share with the host's notifications (with no control, the host is not told).

#include "demod/ui/DemodWindow.h"

#include "demod/ui/ModeTable.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/StudyWindow.h"
#include "platform/win/Styles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

constexpr int kModeGroup = 1;
constexpr int kSagcGroup = 2;
constexpr int kModeFontHeight = 14;
constexpr int kBold = 700;
constexpr double kIfCentre = 12000.0;
// A passband marker is worth drawing only when the band is at least this wide on each side.
constexpr double kMarkerHalfSpan = 500.0;
// The IF graph's frame and the slope knobs on it.
constexpr int kGraphFrame = 2;
constexpr int kKnobWidth = 18;
// The wide-FM analyzer shows the audio band.
constexpr float kAnalyzerTopHz = 16000.0f;

RC_Label* Label(RC_Window* parent, int x, int y, const char* text) {
    auto* label = new RC_Label(parent, x, y, 60, 14, text);
    label->SetStyle(label->Style() | RC_Label::kFitWidth);
    return label;
}

RC_Button* Button(RC_Window* parent, int x, int y, int w, int h, const char* caption, int kind, int group,
                  RC_ActionFn pressed, void* user) {
    auto* b = new RC_Button(parent, x, y, w, h, caption);
    b->SetKind(kind);
    if (group != 0) b->SetTabOrder(group);
    b->onAction = {pressed, user};
    return b;
}

// The IF spectrogram of the service view as a waterfall: quiet black, through blue, green and
// yellow, to white for the loudest, so that stations stand out from the noise.
void SetWaterfallPalette(RC_Graph* graph) {
    static const RC_Colour kAnchors[] = {0x000000, 0xC00000, 0x00B000, 0x00E0FF, 0xFFFFFF};
    constexpr int kSegments = 4;
    for (int i = 0; i < RC_Graph::kPaletteStops; ++i) {
        const int along = i * kSegments * 255 / (RC_Graph::kPaletteStops - 1);
        const int segment = std::min(along / 255, kSegments - 1);
        graph->SetPaletteStop(i, RC_BlendColour(kAnchors[segment], kAnchors[segment + 1], 255, along - 255 * segment));
    }
}

} // namespace

void DemodWindow::BuildControls() {
    for (int i = 0; i < kModeButtons; ++i) {
        RC_Button* b = Button(this, (i % 6) * 52 + 5, (i / 6) * 24 + 4, 50, 20, ModeTable[i].name, RC_Button::kRadio,
                              kModeGroup, &ModePressed, this);
        b->Font().SetHeight(-kModeFontHeight);
        b->Font().SetWeight(kBold);
        modeButtons_[i] = b;
    }
    setupButton_ = Button(this, 265, 28, 50, 20, "Setup", RC_Button::kPush, 0, &TogglePressed, this);

    ifGraph_ = new RC_Graph(this, 4, 52, 312, 164);
    ifGraph_->SetMode(1); // the power spectrum of the IF
    SetWaterfallPalette(ifGraph_);
    ifGraph_->SetPointCount(kind_ == kUsb ? 2048 : 1024);
    ifGraph_->SetSampleRate(static_cast<float>(fs_));
    ifGraph_->SetMinFrequency(2000.0);
    ifGraph_->SetMaxFrequency(22000.0);
    ifGraph_->SetBandCount(1);
    ifGraph_->SetMarkerCount(3);
    ifGraph_->onBandColour = {[](void* user, RC_Graph* graph, int trace, int band) -> std::uint32_t {
                                  return IfBandColour(user, graph, band, trace);
                              },
                              this};
    graphStatus_ = new RC_Label(ifGraph_, 38, 3, 90, 14, "");
    analyzer_ = new RC_FilterView(this, 4, 52, 312, 164);
    analyzer_->SetSampleRate(static_cast<float>(fs_));
    analyzer_->SetMaxFrequency(kAnalyzerTopHz); // the audio band, not the whole input band
    analyzer_->SetOption2(1);
    analyzer_->SetOption4(1);
    analyzer_->SetType(1);
    analyzer_->SetLength(511);
    analyzerStatus_ = new RC_Label(analyzer_, 32, 3, 90, 14, "");

    bandwidthLabel_ = Label(this, 4, 216, "IF bandwidth");
    bandwidthField_ = new RC_NumberEdit(this, 4, 230, 62, 20);
    bandwidthField_->SetMinimum(1);
    bandwidthField_->SetMaximum(20000);
    bandwidthField_->SetStep(100);
    bandwidthField_->SetUnit("Hz");
    bandwidthField_->onValueChange = {&BandwidthEntered, this};
    for (int k = 0; k < 10; ++k)
        presetButtons_[k] = Button(this, 6 + 31 * k, 254, 29, 18, "", RC_Button::kToggle, 0, &PresetPressed, this);

    // Over the middle of its four buttons, clear of "IF bandwidth" on its left.
    sagcLabel_ = Label(this, 114, 216, "SAGC");
    const struct {
        const char* caption;
        int x, w;
    } sagc[4] = {{"Off", 68, 26}, {"Slow", 96, 32}, {"Med", 130, 29}, {"Fast", 161, 29}};
    for (int i = 0; i < 4; ++i)
        sagcButtons_[i] = Button(this, sagc[i].x, 230, sagc[i].w, 20, sagc[i].caption, RC_Button::kRadio, kSagcGroup,
                                 &SagcPressed, this);
    sagcButtons_[std::min<std::uint32_t>(settings_.sagcSpeed, 3)]->SetDown(true);

    afFilterButton_ = Button(this, 192, 230, 60, 20, "AF Filter", RC_Button::kToggle, 0, &TogglePressed, this);
    volumeLabel_ = Label(this, 254, 216, "Volume");
    volumeField_ = new RC_NumberEdit(this, 254, 230, 29, 20);
    volumeField_->SetMinimum(0);
    volumeField_->SetMaximum(31);
    volumeField_->SetValue(true, settings_.volume);
    volumeField_->onValueChange = {&VolumeEntered, this};
    muteButton_ = Button(this, 285, 230, 31, 20, "Mute", RC_Button::kToggle, 0, &TogglePressed, this);
    muteButton_->SetDown(settings_.mute != 0);
    // Controls start hidden; the mode applied next hides what the mode does not use.
    for (RC_Window* c = FirstChild(); c != nullptr; c = c->NextSibling()) c->Show(plat::win::SW_SHOW);
    // The squelch status labels show only with a text.
    graphStatus_->Show(plat::win::SW_HIDE);
    analyzerStatus_->Show(plat::win::SW_HIDE);
    ifGraph_->onDbSpectrum = {&CorrectTrampoline, this};
}

// The eleven slope knobs along the top of the IF graph, each with its value under it.
void DemodWindow::BuildKnobs() {
    // Spread over the plot, clear of the dB labels at its left and inside its right edge.
    const int plotLeft = kGraphFrame + ifGraph_->TextWidth("-100dB") + 4;
    const int plotRight = ifGraph_->Width() - kGraphFrame;
    for (int k = 0; k < 11; ++k) {
        const int x = plotLeft + 2 + k * (plotRight - plotLeft - 6 - kKnobWidth) / 10; // labels 2 px wider each side
        // A spin knob: the field's spinner fills it; the label under it shows the value.
        auto* knob = new RC_NumberEdit(ifGraph_, x, 2, kKnobWidth, 24);
        knob->SetFlags(RC_NumberEdit::kLinkedSpinner, 0);
        knob->SetMinimum(-99);
        knob->SetMaximum(99);
        knob->SetStep(1);
        knob->SetResolution(0);
        knob->onValueChange = {&KnobEntered, this};
        knobFields_[k] = knob;
        knobLabels_[k] = new RC_Label(ifGraph_, x - 2, 27, 22, 12, "0");
        knobLabels_[k]->SetAlignment(1);
    }
    HideKnobs(false);
    ShowKnobs();
}

void DemodWindow::KnobEntered(void* user, RC_NumberEdit* field, double value) {
    auto* self = static_cast<DemodWindow*>(user);
    for (int k = 0; k < 11; ++k)
        if (self->knobFields_[k] == field) self->knobs_[static_cast<std::size_t>(k)] = std::round(value);
    self->ShowKnobs();
}

void DemodWindow::ShowKnobs() {
    for (int k = 0; k < 11; ++k) {
        if (knobFields_[k] == nullptr) continue;
        const double v = knobs_[static_cast<std::size_t>(k)];
        knobFields_[k]->SetValue(true, v);
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
        knobLabels_[k]->SetCaption(text);
    }
    if (ifGraph_ != nullptr) ifGraph_->Invalidate();
}

void DemodWindow::HideKnobs(bool hide) {
    for (int k = 0; k < 11; ++k) {
        if (knobFields_[k] == nullptr) continue;
        knobFields_[k]->Show(hide ? plat::win::SW_HIDE : plat::win::SW_SHOW);
        knobLabels_[k]->Show(hide ? plat::win::SW_HIDE : plat::win::SW_SHOW);
    }
    if (ifGraph_ != nullptr && knobFields_[0] != nullptr) ifGraph_->SetMode(hide ? 1 : 2);
}

// --- callbacks of the controls -------------------------------------------------------------------

void DemodWindow::ModePressed(void* user, RC_Window* button) {
    auto* self = static_cast<DemodWindow*>(user);
    for (int i = 0; i < kModeButtons; ++i)
        if (self->modeButtons_[i] == button) self->OnModeButton(i, true);
}

void DemodWindow::PresetPressed(void* user, RC_Window* button) {
    auto* self = static_cast<DemodWindow*>(user);
    for (int k = 0; k < 10; ++k)
        if (self->presetButtons_[k] == button) self->OnBandwidthPreset(k, true);
}

void DemodWindow::SagcPressed(void* user, RC_Window* button) {
    auto* self = static_cast<DemodWindow*>(user);
    for (int i = 0; i < 4; ++i)
        if (self->sagcButtons_[i] == button) self->OnSagc(i);
}

void DemodWindow::TogglePressed(void* user, RC_Window* button) {
    auto* self = static_cast<DemodWindow*>(user);
    if (button == self->setupButton_) self->ToggleSetup();
    else if (button == self->afFilterButton_) self->OnAfFilter(self->afFilterButton_->IsDown(), true);
    else if (button == self->muteButton_) self->OnMute(self->muteButton_->IsDown(), true);
}

void DemodWindow::BandwidthEntered(void* user, RC_NumberEdit*, double value) {
    static_cast<DemodWindow*>(user)->OnBandwidth(static_cast<std::int32_t>(std::lround(value)), true);
}

void DemodWindow::VolumeEntered(void* user, RC_NumberEdit*, double value) {
    static_cast<DemodWindow*>(user)->OnVolume(static_cast<std::uint32_t>(std::lround(value)), true);
}

// --- handlers ----------------------------------------------------------------------------------

void DemodWindow::OnModeButton(int button, bool fromUser) {
    if (button < 0 || button >= kModeCount) return;
    const ModeEntry& mode = ModeTable[button];
    modeIndex_ = mode.modeIndex;
    settings_.modeIndex = modeIndex_;
    for (int i = 0; i < kModeButtons; ++i)
        if (modeButtons_[i] != nullptr) modeButtons_[i]->SetDown(i == button);
    const bool wideFm = modeIndex_ == kModeFmw;
    AskWideFm(wideFm);
    if (wideFm && study_ != nullptr) study_->Close(); // wide FM has no structure to view
    if (ifGraph_ != nullptr) ifGraph_->Show(wideFm ? plat::win::SW_HIDE : plat::win::SW_SHOW);
    if (analyzer_ != nullptr) analyzer_->Show(wideFm ? plat::win::SW_SHOW : plat::win::SW_HIDE);
    if (bandwidthLabel_ != nullptr) {
        for (RC_Window* w : {static_cast<RC_Window*>(bandwidthLabel_), static_cast<RC_Window*>(bandwidthField_),
                             static_cast<RC_Window*>(sagcLabel_)})
            w->SetEnabled(!wideFm);
        for (RC_Button* b : sagcButtons_) b->SetEnabled(!wideFm);
        for (RC_Button* b : presetButtons_) b->SetEnabled(!wideFm);
    }
    // The audio thread takes the new kind, tone, gain and bandwidth and rebuilds the filters.
    const DemodModeBlock& block = Block();
    if (mode.kind == 6) next_.demodNoiseLength = block.noiseSquelchLength;
    ++next_.kindChanges;
    PublishSignalPath();
    const auto bandwidth = static_cast<std::uint32_t>(std::lround(2.0 * block.halfBandwidth));
    if (bandwidthField_ != nullptr) {
        bandwidthField_->SetMaximum(modeIndex_ == kModeUsb || modeIndex_ == kModeLsb ? 10000 : 20000);
        bandwidthField_->SetStep(bandwidth >= 200 ? 100 : 10);
        bandwidthField_->SetValue(true, bandwidth);
        afFilterButton_->SetDown(block.afFilter != 0);
    }
    if (analyzer_ != nullptr) analyzer_->SetFilterApplied(block.afFilter != 0);
    ShowPresets();
    ShowPassband();
    if (setupWindow_ != nullptr) setupWindow_->Refresh();
    if (study_ != nullptr) study_->Refresh();
    if (fromUser) Callback(KVR_CMD_MODE, mode.hostCode, 0, nullptr);
    Callback(KVR_CMD_BANDWIDTH, bandwidth, 0, nullptr);
}

void DemodWindow::OnBandwidth(std::int32_t hz, bool fromUser) {
    // The field steps by 100 from 200 Hz up, else by 10; stepped values are whole tens.
    if (hz > 1) hz -= hz % 10;
    Block().halfBandwidth = hz / 2.0;
    ++next_.kindChanges; // the filters are rebuilt for it, as for a new mode
    PublishSignalPath();
    if (bandwidthField_ != nullptr) {
        bandwidthField_->SetStep(hz >= 200 ? 100 : 10);
        if (!fromUser) bandwidthField_->SetValue(true, hz);
    }
    ShowPresets();
    ShowPassband();
    if (fromUser) Callback(KVR_CMD_BANDWIDTH, static_cast<std::uint32_t>(hz), 0, nullptr);
}

void DemodWindow::OnBandwidthPreset(int k, bool fromUser) {
    if (k < 0 || k >= 10 || modeIndex_ == kModeFmw) return;
    const auto hz = static_cast<std::int32_t>(std::lround(Block().presets[k]));
    OnBandwidth(hz, false); // the field shows the preset
    if (fromUser) Callback(KVR_CMD_BANDWIDTH, static_cast<std::uint32_t>(hz), 0, nullptr);
}

void DemodWindow::ShowPresets() {
    if (presetButtons_[0] == nullptr) return;
    const bool wideFm = modeIndex_ == kModeFmw;
    const double shown = bandwidthField_->Value();
    for (int k = 0; k < 10; ++k) {
        char caption[16] = "";
        const double preset = Block().presets[k];
        if (!wideFm) std::snprintf(caption, sizeof caption, "%.3lg", preset / 1000.0);
        presetButtons_[k]->SetCaption(caption);
        presetButtons_[k]->SetDown(!wideFm && preset == shown);
    }
}

void DemodWindow::ShowPassband() {
    if (ifGraph_ == nullptr) return;
    const double b = Block().halfBandwidth;
    double low = kIfCentre - b, high = kIfCentre + b;
    if (modeIndex_ == kModeLsb) low = kIfCentre - 2 * b, high = kIfCentre;
    if (modeIndex_ == kModeUsb) low = kIfCentre, high = kIfCentre + 2 * b;
    const bool marked = (high - low) / 2 >= kMarkerHalfSpan;
    ifGraph_->SetBand(0, static_cast<float>(low), static_cast<float>(high), false);
    const std::uint32_t colour = ifGraph_->markerColour;
    ifGraph_->SetMarker(0, static_cast<float>((low + high) / 2), colour, marked, false, false, false);
    ifGraph_->SetMarker(1, static_cast<float>(low), colour, marked, false, false, false);
    ifGraph_->SetMarker(2, static_cast<float>(high), colour, marked, false, false, true);
}

void DemodWindow::OnVolume(std::uint32_t volume, bool fromUser) {
    settings_.volume = volume;
    volumeFactor_ = volume / 31.0;
    PublishSignalPath();
    if (volumeField_ != nullptr && !fromUser) volumeField_->SetValue(true, volume);
    if (fromUser) Callback(KVR_CMD_VOLUME, volume, 0, nullptr);
}

void DemodWindow::OnMute(bool down, bool fromUser) {
    settings_.mute = down ? 1 : 0;
    PublishSignalPath();
    if (muteButton_ != nullptr) muteButton_->SetDown(down);
    if (fromUser) Callback(KVR_CMD_MUTE, down ? 1 : 0, 0, nullptr);
}

void DemodWindow::OnAfFilter(bool down, bool fromUser) {
    filterEchoGuard_ = 1;
    DemodModeBlock& block = Block();
    block.afFilter = down ? 1 : 0;
    if (afFilterButton_ != nullptr) afFilterButton_->SetDown(down);
    if (setupWindow_ != nullptr) setupWindow_->FilterOnButton()->SetDown(down);
    if (fromUser) {
        if (down) {
            std::int32_t record[3] = {block.bandPass != 0 ? static_cast<std::int32_t>(block.lowCutoff) : 0,
                                      static_cast<std::int32_t>(block.highCutoff),
                                      static_cast<std::int32_t>(block.deemphasis * 10.0f)};
            Callback(KVR_CMD_AUDIO_FILTER, 2, sizeof record, record);
        } else {
            Callback(KVR_CMD_AUDIO_FILTER, 0, 0, nullptr);
        }
    }
    // The audio thread loads the taps, as they are designed now, at its next block.
    ReadFilterTaps();
    ++next_.filterChanges;
    PublishSignalPath();
    filterEchoGuard_ = 0;
    if (analyzer_ != nullptr) analyzer_->SetFilterApplied(down);
}

void DemodWindow::OnSagc(int speed) {
    if (speed < 0 || speed > 3) return;
    settings_.sagcSpeed = static_cast<std::uint32_t>(speed);
    SetSagcSpeed(settings_.sagcSpeed);
    for (int i = 0; i < 4; ++i) sagcButtons_[i]->SetDown(i == speed);
}

void DemodWindow::ToggleSetup() {
    if (setup_ == setupWindow_ && setupWindow_ != nullptr && !setupWindow_->ShownChain()) setupWindow_->Refresh();
    if (setup_ == nullptr) return;
    setup_->Show(setup_->ShownChain() ? plat::win::SW_HIDE : plat::win::SW_SHOW);
}
