#include "demod/ui/SetupWindow.h"

#include "demod/ui/AboutWindow.h"
#include "demod/ui/DemodWindow.h"
#include "demod/ui/HtmlHelp.h"
#include "demod/ui/ModeSettingsGroup.h"
#include "demod/ui/PluginBadge.h"
#include "demod/ui/toolkit/RC_CellGrid.h"
#include "demod/ui/toolkit/RC_CheckBox.h"
#include "demod/ui/toolkit/RC_ComboBox.h"
#include "demod/ui/toolkit/RC_DeviceCombo.h"
#include "demod/ui/toolkit/RC_GroupFrame.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_Slider.h"
#include "demod/ui/toolkit/RC_TabControl.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/windows/RC_Panel.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace win = plat::win;
namespace gdi = plat::gdi;

namespace {

// The receiver's EEPROM capability byte and its wide-FM bit.
constexpr int kEepromCapabilities = 80;
constexpr unsigned char kCapabilityFmWide = 0x2;
constexpr const char* kReversed = " Reversed";
// Posted to the setup window: the preset editor has committed and can go; the clipping state changed.
constexpr std::uint32_t kMsgCloseEditor = 0x8004;
constexpr std::uint32_t kMsgClipping = 0x8006;

template <class T>
T* Shown(T* w) {
    w->Show(win::SW_SHOW);
    return w;
}

RC_Label* MakeLabel(RC_Window* parent, int x, int y, int w, int h, const char* text, unsigned align) {
    auto* label = Shown(new RC_Label(parent, x, y, w, h, text));
    label->SetAlignment(align);
    return label;
}

struct FieldSpec {
    double minimum, maximum, step;
    int resolution;
    const char* unit;
    bool plain;   // no metric prefix and unit
    bool noBlank; // no blank before the prefix
};

RC_NumberEdit* MakeField(RC_Window* parent, int x, int y, int w, int h, const FieldSpec& spec) {
    auto* f = Shown(new RC_NumberEdit(parent, x, y, w, h));
    f->SetMaximum(spec.maximum);
    f->SetMinimum(spec.minimum);
    f->SetMaximum(spec.maximum);
    f->SetStep(spec.step);
    f->SetResolution(spec.resolution);
    if (spec.unit != nullptr) f->SetUnit(spec.unit);
    f->SetAlignment(2);
    f->SetFlags(RC_NumberEdit::kLinkedSpinner | (spec.noBlank ? RC_NumberEdit::kNoBlank : 0u), 0);
    if (spec.plain) f->ClearFlags(RC_NumberEdit::kPrefixes, 0);
    return f;
}

bool EndsWith(const std::string& s, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The small picture beside the CPU meter: a 37 x 17 badge in 12 palette colours, 4 bits a pixel.

} // namespace

SetupWindow::SetupWindow(DemodWindow* owner, DemodSettings& settings, SoundCardSettings& soundCard)
    : RC_Popup(owner, 100, 100, kWidth, kHeight, kKeepsLoop | kOwnedPopup | kHideOnClose),
      owner_(owner),
      settings_(settings),
      card_(soundCard) {
    SetCaption("Q745 Demodulator Setup");
    Centre();
    Font().SetFaceName("Arial");
    ClearFlags(kHelpButton | kMaximiseButton | kMinimiseButton, 0);
    SetFlags(kCloseButton, 0);
    badge_ = MakePluginBadge();

    BuildSoundCard(owner_->Kind() == DemodWindow::kUsb);
    ChooseSecondaryDevice();
    BuildSecondaryOutput();
    BuildSagc();
    BuildTabs();
    BuildFilterGroup();
    BuildPresetGroup();
    for (int page = 0; page < kModeCount; ++page) BuildModePage(page);
    BuildModeButtons();

    cpu_ = Shown(new RC_Panel(this, 4, kHeight - 26, 105, 18, 50, "CPU usage"));
    cpu_->smoothing = 0.98;
    help_ = Shown(new RC_Button(this, 178, kHeight - 26, 38, 18, "Help"));
    help_->onAction = {&HelpPressed, this};
    about_ = Shown(new RC_Button(this, 220, kHeight - 26, 38, 18, "About"));
    about_->onAction = {&AboutPressed, this};
    Refresh();
}

SetupWindow::~SetupWindow() = default;

int SetupWindow::CurrentMode() const { return std::clamp(owner_->ModeIndex(), 0, kModeCount - 1); }

DemodModeBlock& SetupWindow::Mode() { return settings_.modes[CurrentMode()]; }

// --- construction ---

void SetupWindow::BuildSoundCard(bool usb) {
    soundCard_ = Shown(new RC_GroupFrame(this, 4, 26, 254, usb ? 40 : 125, "Sound card"));
    const int y0 = usb ? 18 : 39;
    if (!usb) {
        MakeLabel(soundCard_, 4, 18, 84, 18, "Wave-in device", 6);
        waveIn_ = Shown(new RC_DeviceCombo(soundCard_, 90, 18, 160, 18));
        waveIn_->SetFlags(RC_DeviceCombo::kHideVirtualCard, 0);
        waveIn_->ClearFlags(RC_DeviceCombo::kWaveOut, 0);
        waveIn_->Attach(&owner_->Wave());
        waveIn_->onChange = {&WaveInChanged, this};
    }
    MakeLabel(soundCard_, 4, y0, 84, 18, "Wave-out device", 6);
    waveOut_ = Shown(new RC_DeviceCombo(soundCard_, 90, y0, 160, 18));
    waveOut_->SetFlags(RC_DeviceCombo::kHideVirtualCard, 0);
    waveOut_->ClearFlags(RC_DeviceCombo::kWaveIn, 0);
    waveOut_->Attach(&owner_->Wave());
    waveOut_->onChange = {&WaveOutChanged, this};
    if (usb) return;

    MakeLabel(soundCard_, 4, 60, 84, 18, "Mixer line", 6);
    mixerLine_ = Shown(new RC_ComboBox(soundCard_, 90, 60, 160, 18));
    FillMixerLines();
    mixerLine_->onChange = {&MixerLineChanged, this};

    MakeLabel(soundCard_, 4, 81, 84, 18, "Input level", 6);
    inputLevel_ = Shown(new RC_Slider(soundCard_, 90, 81, 106, 18, RC_Slider::kMinLeft));
    inputLevel_->SetMinimum(0);
    inputLevel_->SetMaximum(65535);
    if (RC_AudioMixer* mixer = owner_->RecordingMixer(); mixer != nullptr)
        inputLevel_->SetSliderValue(mixer->GetVolume());
    inputLevel_->onValueChange = {&InputLevelChanged, this};

    clipping_ = MakeLabel(soundCard_, 200, 81, 50, 18, "Clipping", 5);
    clipping_->SetFrameWidth(2);
    clipping_->SetFrameType(2);
    clipping_->SetLabelTextColour(0x000000);
    clipping_->SetBackgroundColour(kNotClipped);
    clipping_->SetFrameColour(kNotClipped);

    MakeLabel(soundCard_, 4, 103, 84, 18, "Sampling rate", 6);
    rate_ = Shown(new RC_ComboBox(soundCard_, 90, 103, 55, 18));
    rate_->AddItem("44100");
    rate_->AddItem("48000");
    rate_->SetSelection(settings_.rate44100 != 0 ? 0 : 1);
    // Running at 44100 Hz without being asked to: the 48000 Hz format would not open.
    if (owner_->InputRate() == 44100 && settings_.rate44100 == 0) rate_->SetEnabled(false);
    rate_->onChange = {&RateChanged, this};
    MakeLabel(soundCard_, 147, 103, 90, 18, "samples/second", 4);
}

void SetupWindow::FillMixerLines() {
    if (mixerLine_ == nullptr) return;
    mixerLine_->Clear();
    if (RC_AudioMixer* mixer = owner_->RecordingMixer(); mixer != nullptr) {
        const RC_StringList& lines = mixer->SourceNames();
        for (std::size_t i = 0; i < lines.Count(); ++i) mixerLine_->AddItem(lines.Item(i));
        for (std::size_t i = 0; i < lines.Count(); ++i) mixerLine_->AddItem((std::string(lines.Item(i)) + kReversed).c_str());
    }
    std::string stored = StoredLine();
    if (settings_.inputChannel == 0 && !stored.empty()) stored += kReversed;
    mixerLine_->SetCaption(stored.c_str());
}

std::string SetupWindow::StoredLine() const {
    return std::string(card_.mixerLine, strnlen(card_.mixerLine, sizeof card_.mixerLine));
}

// The secondary output goes to the virtual sound card: its first wave-out device from index 1.
void SetupWindow::ChooseSecondaryDevice() {
    RC_AudioWave& secondary = owner_->SecondaryWave();
    const auto count = static_cast<int>(secondary.OutDeviceNames().Count());
    for (int i = 1; i < count; ++i) {
        secondary.SetOutDevice(i);
        if (SecondaryAvailable()) break;
    }
}

bool SetupWindow::SecondaryAvailable() const {
    const int kind = owner_->SecondaryWave().OutKind();
    return kind == RC_AudioWave::kVirtualWave || kind == RC_AudioWave::kVirtualDevice;
}

void SetupWindow::BuildSecondaryOutput() {
    secondaryLabel_ = MakeLabel(this, 18, 180, 90, 14, "Secondary output", 4);
    ifBox_ = Shown(new RC_CheckBox(this, 112, 180, 43, 14, "IF"));
    audioBox_ = Shown(new RC_CheckBox(this, 159, 180, 43, 14, "Audio"));
    for (RC_CheckBox* box : {ifBox_, audioBox_}) {
        box->SetTabOrder(2);
        box->onAction = {&SecondaryClicked, this};
    }
    if (settings_.secondaryOutput == 1) ifBox_->SetState(RC_CheckBox::kChecked);
    if (settings_.secondaryOutput == 2) audioBox_->SetState(RC_CheckBox::kChecked);
    format_ = MakeLabel(this, 112, 198, 120, 14, "", 4);
    note_ = MakeLabel(this, 18, 220, 234, 60,
                      "Note: If secondary output (Talvenor\nVirtual Sound Card) is not used,\nleave these checkboxes "
                      "unchecked.\nUse the Help button for more information.",
                      4);
    note_->Font().SetItalic(true);
    const bool available = SecondaryAvailable();
    for (RC_Window* w : {static_cast<RC_Window*>(secondaryLabel_), static_cast<RC_Window*>(ifBox_),
                         static_cast<RC_Window*>(audioBox_), static_cast<RC_Window*>(note_)})
        w->SetEnabled(available);
}

void SetupWindow::BuildSagc() {
    auto* group = Shown(new RC_GroupFrame(this, 4, kHeight - 102, 254, 72, "SAGC speed constants"));
    MakeLabel(group, 4, 28, 33, 20, "Attack", 4);
    MakeLabel(group, 4, 48, 33, 20, "Decay", 4);
    const char* headings[3] = {"Slow", "Medium", "Fast"};
    const FieldSpec spec{0.005, 10, 0.005, -3, "s", false, false};
    for (int k = 0; k < 3; ++k) {
        const int x = 44 + 70 * k;
        MakeLabel(group, x, 15, 61, 12, headings[k], 5);
        attack_[k] = MakeField(group, x, 28, 61, 20, spec);
        attack_[k]->SetValue(true, settings_.sagcAttack[k]);
        attack_[k]->onValueChange = {&SagcField, this};
        decay_[k] = MakeField(group, x, 48, 61, 20, spec);
        decay_[k]->SetValue(true, settings_.sagcDecay[k]);
        decay_[k]->onValueChange = {&SagcField, this};
    }
}

void SetupWindow::BuildTabs() {
    tabs_ = Shown(new RC_TabControl(this, 262, 26, kWidth - 266, kHeight - 30));
    tabs_->SetLayout(RC_TabControl::kRow);
    // A page is a window of its own over the control: it covers only the settings group, so that
    // the filter and preset groups on the control show under every page.
    tabs_->SetPageCount(1);
    tabs_->Page(0)->Move(2, 22, kWidth - 392, 156, true);
    tabs_->SetPageCount(kModeCount);
    for (int i = 0; i < kModeCount; ++i) tabs_->Page(i)->SetCaption(ModeTable[i].name);
    tabs_->onChange = {&PageChosen, this};
}

void SetupWindow::BuildFilterGroup() {
    const int gw = kWidth - 400, gh = 189;
    filterGroup_ = Shown(new RC_GroupFrame(tabs_, 6, 179, gw, gh, "Audio filter settings"));
    view_ = Shown(new RC_FilterView(filterGroup_, 4, 16, gw - 8, gh - 78));
    view_->SetOption2(1);
    view_->SetOption4(1);
    view_->SetLength(511);
    view_->onHighEdge = {&FilterControl, this};
    view_->onLowEdge = {&FilterControl, this};

    on_ = Shown(new RC_Button(filterGroup_, 4, 131, 49, 18, "On"));
    on_->SetKind(RC_Button::kToggleFlat);
    bandPass_ = Shown(new RC_Button(filterGroup_, 57, 131, 90, 18, "Band-pass"));
    lowPass_ = Shown(new RC_Button(filterGroup_, 151, 131, 90, 18, "Low-pass"));
    for (RC_Button* b : {bandPass_, lowPass_}) {
        b->SetKind(RC_Button::kRadio);
        b->SetTabOrder(1);
    }
    lowLabel_ = MakeLabel(filterGroup_, 4, 151, 76, 12, "Cut-off low", 4);
    low_ = MakeField(filterGroup_, 4, 165, 76, 20, {0, 10000, 1, 0, "Hz", false, true});
    MakeLabel(filterGroup_, 84, 151, 70, 12, "Cut-off high", 4);
    high_ = MakeField(filterGroup_, 84, 165, 70, 20, {0, 10000, 1, 0, "Hz", false, true});
    MakeLabel(filterGroup_, 162, 151, 77, 12, "De-emphasis", 4);
    deemphasis_ = MakeField(filterGroup_, 162, 165, 77, 20, {-9.9, 0, 0.1, -1, "dB/oct", false, true});
    for (RC_Button* b : {on_, bandPass_, lowPass_}) b->onAction = {&FilterControl, this};
    for (RC_NumberEdit* f : {low_, high_, deemphasis_}) f->onValueChange = {&FilterField, this};
}

void SetupWindow::BuildPresetGroup() {
    presetGroup_ = Shown(new RC_GroupFrame(tabs_, tabs_->Width() - 124, 25, 120, 216, "IF bandwidth presets"));
    // The grid is a window of its own: it is placed on the control, over its group.
    grid_ = Shown(new RC_CellGrid(tabs_, presetGroup_->X() + 4, presetGroup_->Y() + 16, 112, 196, 2, 11));
    grid_->SetColumnWidth(0, 25);
    grid_->SetColumnWidth(1, 82);
    grid_->SetRowHeight(0, 19);
    for (std::uint32_t r = 1; r <= 10; ++r) grid_->SetRowHeight(r, 17);
    grid_->SetFixedRowCount(1);
    grid_->scrollBarMode = 0;
    grid_->onCellPaint = {&PaintPresetCell, this};
    grid_->onAction = {&PresetClicked, this};
}

void SetupWindow::BuildModePage(int page) {
    RC_Window* parent = tabs_->Page(page);
    const int m = ModeTable[page].modeIndex;
    const DemodModeBlock& b = settings_.modes[m];
    auto* group = Shown(new ModeSettingsGroup(parent, m));
    groups_[page] = group;
    const int x = kWidth - 479;
    int y = ModeSettingsGroup::kFirstRowY;
    int last = y;
    for (ModeSettingsGroup::Row row : ModeSettingsGroup::RowsOf(m)) {
        RC_NumberEdit* f = nullptr;
        switch (row) {
        case ModeSettingsGroup::kPostMixer:
            f = postMixer_[m] = MakeField(group, x, y, 75, 20, {3, 511, 4, 0, nullptr, true, false});
            f->SetValue(true, b.postMixerLength);
            break;
        case ModeSettingsGroup::kAudioGain:
            f = gain_[m] = MakeField(group, x, y, 75, 20, {1, 100, 1, 0, nullptr, true, false});
            f->SetValue(true, b.audioGain);
            break;
        case ModeSettingsGroup::kAudioLength:
            f = audioLength_[m] = MakeField(group, x, y, 75, 20, {3, 511, 2, 0, nullptr, true, false});
            f->SetValue(true, b.audioFilterLength);
            break;
        case ModeSettingsGroup::kHilbert:
            f = hilbert_ = MakeField(group, x, y, 75, 20, {3, 511, 2, 0, nullptr, true, false});
            f->SetValue(true, owner_->HilbertLength());
            break;
        case ModeSettingsGroup::kCwTone:
            f = cwTone_ = MakeField(group, x, y, 75, 20, {0, owner_->InputRate() / 2.0, 1, 0, "Hz", false, false});
            f->SetValue(true, settings_.cwTone);
            break;
        case ModeSettingsGroup::kSagcReference:
            f = sagcRef_[m] = MakeField(group, x, y, 75, 20, {-40, -6, 1, 0, "dB", false, false});
            f->SetValue(true, b.sagcReference);
            break;
        case ModeSettingsGroup::kNoiseSquelch:
            f = noise_[m] = MakeField(group, x, y, 75, 20, {3, 255, 4, 0, nullptr, true, false});
            f->SetValue(true, b.noiseSquelchLength);
            break;
        }
        f->onValueChange = {row == ModeSettingsGroup::kSagcReference ? &SagcField : &ModeField, this};
        last = y;
        y += ModeSettingsGroup::kRowPitch;
    }
    group->Move(4, 4, kWidth - 400, last + 24, true);

}

// The two buttons act on the current mode, which is the page shown: one pair serves every page.
void SetupWindow::BuildModeButtons() {
    const int bx = tabs_->Width() - 126;
    structure_ = Shown(new RC_Button(tabs_, bx, 279, 120, 32, "View demodulator\nstructure"));
    structure_->onAction = {&StructurePressed, this};
    restore_ = Shown(new RC_Button(tabs_, bx, 315, 120, 32, "Restore default\nsettings"));
    restore_->onAction = {&RestorePressed, this};
}

// --- refresh ---

void SetupWindow::Refresh() {
    tabs_->SetPage(ModeButtonOfIndex(CurrentMode()));
    const bool wideFm = (owner_->ReceiverApi().Eeprom()[kEepromCapabilities] & kCapabilityFmWide) != 0;
    tabs_->Page(ModeButtonOfIndex(kModeFmw))->SetEnabled(wideFm);
    RefreshFields();
}

void SetupWindow::RefreshFields() {
    const int m = CurrentMode();
    const DemodModeBlock& b = Mode();
    if (postMixer_[m] != nullptr) postMixer_[m]->SetValue(true, b.postMixerLength);
    noise_[m]->SetValue(true, b.noiseSquelchLength);
    gain_[m]->SetValue(true, b.audioGain);
    audioLength_[m]->SetValue(true, b.audioFilterLength);
    on_->SetDown(b.afFilter != 0);
    bandPass_->SetDown(b.bandPass != 0);
    lowPass_->SetDown(b.bandPass == 0);

    const RC_Demodulator& d = owner_->Demodulator();
    low_->SetMaximum(m == kModeFmw ? 15000 : 10000);
    view_->SetSampleRate(static_cast<float>(owner_->InputRate() / d.Decimation() * d.Interpolation()));
    view_->SetLength(b.audioFilterLength);
    high_->SetMaximum(low_->Maximum());
    SetFilterFields(true);
    OnFilterChange(nullptr);
    tabs_->InvalidateTree();

    // Every mode with a reference level shows it (USB and LSB as well: their fields exist).
    if (m < kModeFm6 && sagcRef_[m] != nullptr) sagcRef_[m]->SetValue(true, b.sagcReference);
    if (m == kModeIsb) hilbert_->SetValue(true, owner_->HilbertLength());
    if (m == kModeCw) cwTone_->SetValue(true, settings_.cwTone);

    presetGroup_->Show(m == kModeFmw ? win::SW_HIDE : win::SW_SHOW);
    grid_->Show(m == kModeFmw ? win::SW_HIDE : win::SW_SHOW);
    structure_->Show(m == kModeFmw ? win::SW_HIDE : win::SW_SHOW); // FMW has no diagram
    view_->SetMaxFrequency(m == kModeFmw ? 16000.0f : 8000.0f);
    grid_->Invalidate();
}

void SetupWindow::SetFilterFields(bool force) {
    const DemodModeBlock& b = Mode();
    low_->SetValue(force, b.lowCutoff);
    high_->SetValue(force, b.highCutoff);
    deemphasis_->SetValue(force, b.deemphasis);
}

// --- the audio filter ---

void SetupWindow::OnFilterChange(RC_Window* control) {
    DemodModeBlock& b = Mode();
    RC_FirFilter16& filter = view_->Filter();
    if (control != nullptr && control == mainView_) {
        view_->SetLowCutoff(mainView_->Filter().LowCutoff());
        view_->SetHighCutoff(mainView_->Filter().HighCutoff());
        control = view_; // and on as from this window's own view
    }
    if (control == view_) {
        if (filter.LowCutoff() > low_->Maximum()) view_->SetLowCutoff(static_cast<float>(low_->Maximum()));
        if (filter.HighCutoff() > high_->Maximum()) view_->SetHighCutoff(static_cast<float>(high_->Maximum()));
        low_->SetValue(true, filter.LowCutoff());
        high_->SetValue(true, filter.HighCutoff());
        deemphasis_->SetValue(true, view_->DeemphasisSlope());
    } else if (control == on_) {
        b.afFilter = on_->IsDown() ? 1 : 0;
    } else {
        view_->SetLowCutoff(static_cast<float>(low_->Value()));
        view_->SetHighCutoff(static_cast<float>(high_->Value()));
        view_->SetDeemphasis(deemphasis_->Value());
    }
    const bool bandPass = bandPass_->IsDown();
    view_->SetType(bandPass ? 3 : 1);
    lowLabel_->SetEnabled(bandPass);
    low_->SetEnabled(bandPass);
    if (control != nullptr) {
        b.bandPass = bandPass ? 1 : 0;
        b.lowCutoff = static_cast<float>(low_->Value());
        b.highCutoff = static_cast<float>(high_->Value());
        b.deemphasis = static_cast<float>(deemphasis_->Value());
    }
    if (control == on_ || on_->IsDown()) owner_->OnAfFilter(on_->IsDown(), control != nullptr);
    if (mainView_ != nullptr) {
        mainView_->SetType(filter.Type());
        mainView_->SetLowCutoff(filter.LowCutoff());
        mainView_->SetHighCutoff(filter.HighCutoff());
        mainView_->SetDeemphasis(view_->DeemphasisSlope());
    }
}

void SetupWindow::FilterControl(void* user, RC_Window* control) { static_cast<SetupWindow*>(user)->OnFilterChange(control); }

void SetupWindow::FilterField(void* user, RC_NumberEdit* field, double) {
    static_cast<SetupWindow*>(user)->OnFilterChange(field);
}

// --- per-mode fields and SAGC ---

void SetupWindow::ModeField(void* user, RC_NumberEdit* field, double value) {
    static_cast<SetupWindow*>(user)->OnModeField(field, value);
}

void SetupWindow::OnModeField(RC_NumberEdit* field, double value) {
    DemodModeBlock& b = Mode();
    const auto length = static_cast<std::uint32_t>(value);
    auto in = [field](RC_NumberEdit* const(&fields)[kModeCount]) {
        return std::find(std::begin(fields), std::end(fields), field) != std::end(fields);
    };
    if (in(postMixer_)) {
        b.postMixerLength = length;
    } else if (in(gain_)) {
        b.audioGain = value;
    } else if (in(audioLength_)) {
        view_->SetLength(length);
        b.audioFilterLength = length;
        OnFilterChange(nullptr);
    } else if (field == cwTone_) {
        settings_.cwTone = length;
    } else if (in(noise_)) {
        b.noiseSquelchLength = length;
    }
    // The Hilbert length is the demodulator's own; the demodulator window keeps it at closing.
    owner_->PublishSignalPath(); // the audio thread takes the change at its next block
}

void SetupWindow::SagcField(void* user, RC_NumberEdit*, double) { static_cast<SetupWindow*>(user)->OnSagc(); }

void SetupWindow::OnSagc() {
    for (int k = 0; k < 3; ++k) {
        settings_.sagcAttack[k] = attack_[k]->Value();
        settings_.sagcDecay[k] = decay_[k]->Value();
    }
    const int m = CurrentMode();
    if (m < kModeFm6 && sagcRef_[m] != nullptr) settings_.modes[m].sagcReference = sagcRef_[m]->Value();
    owner_->PublishSignalPath();
}

void SetupWindow::PageChosen(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const int page = self->tabs_->Selected();
    if (page < 0) return;
    self->owner_->OnModeButton(page, true);
    self->RefreshFields();
}

// --- sound card ---

void SetupWindow::WaveInChanged(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const int i = self->waveIn_->Selection();
    if (i < 0) return;
    self->waveIn_->SelectByName(self->waveIn_->Item(i));
    // The mixer follows the wave-in device: its lines are listed again.
    if (RC_AudioMixer* mixer = self->owner_->RecordingMixer(); mixer != nullptr)
        mixer->SetDeviceFromWaveIn(self->owner_->Wave());
    self->FillMixerLines();
    // The stored line, on the new mixer when it has one of that name.
    if (RC_AudioMixer* mixer = self->owner_->RecordingMixer(); mixer != nullptr) {
        const long line = mixer->SourceNames().Find(self->StoredLine().c_str());
        if (line >= 0) self->owner_->SelectMixerLine(static_cast<int>(line));
    }
}

void SetupWindow::WaveOutChanged(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const int i = self->waveOut_->Selection();
    if (i >= 0) self->waveOut_->SelectByName(self->waveOut_->Item(i));
}

// An item with " Reversed" carries the IF on the other input channel. The items are told apart by
// their text, not by their place, because the list keeps its items sorted.
void SetupWindow::MixerLineChanged(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const int i = self->mixerLine_->Selection();
    RC_AudioMixer* mixer = self->owner_->RecordingMixer();
    if (i < 0 || mixer == nullptr) return;
    std::string name = self->mixerLine_->Item(i);
    const bool reversed = EndsWith(name, kReversed);
    if (reversed) name.resize(name.size() - std::strlen(kReversed));
    self->settings_.inputChannel = reversed ? 0 : 1;
    const long line = mixer->SourceNames().Find(name.c_str());
    if (line < 0) return;
    std::snprintf(self->card_.mixerLine, sizeof self->card_.mixerLine, "%s", name.c_str());
    self->owner_->SelectMixerLine(static_cast<int>(line));
}

void SetupWindow::InputLevelChanged(void* user, RC_Slider*, double value) {
    if (RC_AudioMixer* mixer = static_cast<SetupWindow*>(user)->owner_->RecordingMixer(); mixer != nullptr)
        mixer->SetVolume(static_cast<std::uint32_t>(value));
}

void SetupWindow::SetClipping(bool clipped) {
    if (clipping_ == nullptr) return;
    const int now = clipped ? 1 : 0;
    if (clipped_.exchange(now) != now) win::PostMessage(Handle(), kMsgClipping, 0, 0);
}

void SetupWindow::RateChanged(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const bool rate44100 = self->rate_->Selection() == 0;
    self->settings_.rate44100 = rate44100 ? 1 : 0;
    self->owner_->SetInputRate(rate44100 ? 44100 : 48000); // the secondary output and the study window follow
    self->cwTone_->SetMaximum(self->owner_->InputRate() / 2.0);
    self->RefreshFields();
}

// --- secondary output ---

void SetupWindow::SecondaryClicked(void* user, RC_Window* box) { static_cast<SetupWindow*>(user)->OnSecondaryOutput(box); }

void SetupWindow::OnSecondaryOutput(RC_Window*) {
    if (!SecondaryAvailable()) return;
    RC_AudioWave& secondary = owner_->SecondaryWave();
    settings_.secondaryOutput = 0;
    owner_->SetSecondaryOutput(0);
    secondary.Stop();
    const int which = ifBox_->IsChecked() ? 1 : audioBox_->IsChecked() ? 2 : 0;
    if (which != 0) {
        if (secondary.QueryVirtualFormat(RC_AudioWave::kOutput) == 0) {
            secondary.SetBitsPerSample(16);
            secondary.SetChannels(which == 1 ? 2 : 1);
            secondary.SetSampleRate(which == 1 ? 48000 : 11025);
        }
        const RC_Demodulator& d = owner_->Demodulator();
        const double factor = which == 1 ? 1.0
                                         : static_cast<double>(d.Interpolation()) /
                                               (static_cast<double>(d.Decimation()) * d.OutputDivisor());
        const double inRate = (d.SampleRate() != 0 ? d.SampleRate() : owner_->InputRate()) * factor;
        const double block = (d.BlockSize() != 0 ? d.BlockSize() : 1024) * factor;
        const plat::audio::WaveFormat& f = secondary.Format();
        const double bytes = 1.1 * (block * f.samplesPerSec / inRate * f.bitsPerSample * f.channels / 8.0);
        secondary.SetOutBufferSize(static_cast<std::uint32_t>(bytes) & ~3u);
        if (secondary.Start() != 0) {
            settings_.secondaryOutput = static_cast<std::uint32_t>(which);
            owner_->SetSecondaryOutput(which);
        } else {
            (which == 1 ? ifBox_ : audioBox_)->SetState(RC_CheckBox::kClear);
        }
    }
    if (settings_.secondaryOutput != 0) {
        const plat::audio::WaveFormat& f = secondary.Format();
        char text[48];
        std::snprintf(text, sizeof text, "%uHz, %u-bit, %s", f.samplesPerSec, unsigned{f.bitsPerSample},
                      f.channels == 1 ? "mono" : "stereo");
        format_->SetCaption(text);
    } else {
        format_->SetCaption("");
    }
}

// --- presets ---

SetupWindow::PresetText SetupWindow::FormatPreset(double hertz) {
    PresetText t{};
    const auto c = static_cast<int>(hertz);
    if (c > 3000) {
        std::snprintf(t.number, sizeof t.number, "%.03lf", c * 0.001);
        t.unit = "kHz";
    } else {
        std::snprintf(t.number, sizeof t.number, "%d", c);
        t.unit = "Hz";
    }
    return t;
}

double SetupWindow::PresetLimit(int m) { return m == kModeUsb || m == kModeLsb || m == kModeFmw ? 10000 : 20000; }

void SetupWindow::PaintPresetCell(void* user, RC_CellGrid* grid, int row, int column, const gdi::Rect& rect) {
    auto* self = static_cast<SetupWindow*>(user);
    constexpr RC_Colour kText = 0x00FF00;
    grid->SetTextColour(grid->EnabledChain() ? kText : RC_BlendColour(kText, grid->BackgroundColour(), 2, 1));
    grid->SetBackgroundModeOfContext(1);
    if (row == 0) {
        grid->DrawTextAligned(rect, column == 0 ? "No." : "Bandwidth", 5);
        return;
    }
    if (row > 10) return;
    if (column == 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%d ", row);
        grid->DrawTextAligned({rect.left, rect.top + 1, rect.right, rect.bottom}, text, 6);
        return;
    }
    const PresetText t = FormatPreset(self->Mode().presets[row - 1]);
    grid->DrawTextAligned({rect.left, rect.top, rect.left + 50, rect.bottom}, t.number, 6);
    grid->DrawTextAligned({rect.left + 56, rect.top, rect.right, rect.bottom}, t.unit, 4);
}

void SetupWindow::PresetClicked(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    const RC_CellGrid::Selection& s = self->grid_->CurrentSelection();
    if (s.left == 1) self->EditPreset(s.top);
}

void SetupWindow::EditPreset(int row) {
    if (row < 1 || row > 10 || editor_ != nullptr) return;
    const int m = CurrentMode();
    editorRow_ = row;
    editor_ = new RC_NumberEdit(grid_, 28, 17 * row + 7, 75, 13);
    editor_->SetFrameWidth(0);
    editor_->SetMaximum(PresetLimit(m));
    editor_->SetMinimum(1);
    editor_->SetUnit("Hz");
    editor_->SetValue(true, settings_.modes[m].presets[row - 1]);
    editor_->Show(win::SW_SHOW);
    win::Msg msg;
    if (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
    }
    if (editor_ == nullptr) return;
    editor_->onFocusChange = {&EditorFocus, this};
    editor_->Focus();
}

void SetupWindow::EditorFocus(void* user, int focused, RC_Window*) {
    if (focused == 0) static_cast<SetupWindow*>(user)->CommitPresetEditor();
}

void SetupWindow::CommitPresetEditor() {
    if (editor_ == nullptr || editorRow_ == 0) return;
    editor_->Commit();
    Mode().presets[editorRow_ - 1] = editor_->Value();
    editorRow_ = 0;
    grid_->Invalidate();
    // The editor is inside its own focus report: it goes once that has returned.
    win::PostMessage(Handle(), kMsgCloseEditor, 0, 0);
}

win::LResult SetupWindow::HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    if (msg == kMsgCloseEditor) {
        if (editor_ != nullptr && editorRow_ == 0) {
            RC_NumberEdit* editor = editor_;
            editor_ = nullptr;
            editor->Close();
        }
        return 0;
    }
    if (msg == kMsgClipping) {
        const RC_Colour c = clipped_.load() == 1 ? kClipped : kNotClipped;
        clipping_->SetBackgroundColour(c);
        clipping_->SetFrameColour(c);
        clipping_->Invalidate();
        return 0;
    }
    return RC_Popup::HandleMessage(msg, wParam, lParam);
}

// --- buttons ---

void SetupWindow::StructurePressed(void* user, RC_Window*) { static_cast<SetupWindow*>(user)->owner_->OnStudyButton(); }

void SetupWindow::RestorePressed(void* user, RC_Window*) {
    auto* self = static_cast<SetupWindow*>(user);
    self->owner_->RestoreModeDefaults();
    SetDefaultModeBlock(self->Mode(), self->CurrentMode());
    self->RefreshFields();
}

void SetupWindow::HelpPressed(void*, RC_Window*) {
    ShowPluginHelp("Demodulator settings.htm");
}

void SetupWindow::AboutPressed(void* user, RC_Window*) {
    auto* about = new AboutWindow(static_cast<SetupWindow*>(user));
    about->RunModal();
}

void SetupWindow::PaintContent() {
    RC_Popup::PaintContent();
    if (badge_) DrawImage(*badge_, 125, Height() - 26, badge_->width, badge_->height, 0, 0, badge_->width, badge_->height);
}
