#pragma once
// The settings dialog of one demodulator window: sound card, secondary output, SAGC time
// constants, the audio filter, one page of demodulator parameters per mode, the IF bandwidth
// presets, a CPU-usage meter, help and about. It edits the demodulator window's settings records
// in memory, which the demodulator follows through the window's hand-over, and drives the audio
// objects at once; it saves nothing itself.
//
// Threads: everything here is the user-interface thread's. A change reaches the audio thread only
// through the demodulator window (DemodWindow::PublishSignalPath, which every handler that changes
// what the signal path reads calls). The audio thread calls SetClipping (an atomic word and a
// posted message) and the CPU meter's Start and Update.

#include "demod/ui/DemodSettings.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/toolkit/RC_Popup.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class DemodWindow;
class ModeSettingsGroup;
class RC_CellGrid;
class RC_CheckBox;
class RC_ComboBox;
class RC_DeviceCombo;
class RC_FilterView;
class RC_GroupFrame;
class RC_Label;
class RC_NumberEdit;
class RC_Panel;
class RC_Slider;
class RC_TabControl;

class SetupWindow : public RC_Popup {
public:
    static constexpr int kWidth = 645;
    static constexpr int kHeight = 404;
    // The "Clipping" indicator's colours: a block that clipped, one that did not.
    static constexpr RC_Colour kClipped = 0x0000FF;
    static constexpr RC_Colour kNotClipped = 0x000080;

    SetupWindow(DemodWindow* owner, DemodSettings& settings, SoundCardSettings& soundCard);
    ~SetupWindow() override;

    // Shows the current mode's page and values.
    void Refresh();
    // The values of the current mode without choosing its page (after a sample-rate change).
    void RefreshFields();
    // The audio filter handler; null: from the demodulator window (or internal), nothing to the host.
    void OnFilterChange(RC_Window* control);
    void OnSecondaryOutput(RC_Window* control);
    // The audio thread's report of a block: clipped or not. A change is shown by the
    // user-interface thread.
    void SetClipping(bool clipped);
    // The demodulator window's own filter view, which the audio thread filters with: it follows
    // this window's filter, and its dragged edges come back here (null: none).
    void SetMainFilterView(RC_FilterView* view) { mainView_ = view; }
    // Fills the mixer-line list: the sound card's source lines, then the same with " Reversed".
    void FillMixerLines();

    void PaintContent() override;
    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;

    // --- controls, for the demodulator window's audio path and for tests ---
    RC_DeviceCombo* WaveInCombo() const { return waveIn_; }
    RC_DeviceCombo* WaveOutCombo() const { return waveOut_; }
    RC_ComboBox* MixerLineCombo() const { return mixerLine_; }
    RC_Slider* InputLevelSlider() const { return inputLevel_; }
    RC_Label* ClippingIndicator() const { return clipping_; }
    RC_ComboBox* RateCombo() const { return rate_; }
    RC_GroupFrame* SoundCardGroup() const { return soundCard_; }
    RC_CheckBox* IfBox() const { return ifBox_; }
    RC_CheckBox* AudioBox() const { return audioBox_; }
    RC_Label* FormatLabel() const { return format_; }
    RC_FilterView* FilterView() const { return view_; }
    RC_Button* FilterOnButton() const { return on_; }
    RC_Button* BandPassButton() const { return bandPass_; }
    RC_Button* LowPassButton() const { return lowPass_; }
    RC_NumberEdit* LowCutField() const { return low_; }
    RC_NumberEdit* HighCutField() const { return high_; }
    RC_NumberEdit* DeemphasisField() const { return deemphasis_; }
    RC_NumberEdit* AttackField(int k) const { return attack_[k]; }
    RC_NumberEdit* DecayField(int k) const { return decay_[k]; }
    RC_NumberEdit* PostMixerField(int m) const { return postMixer_[m]; }
    RC_NumberEdit* NoiseSquelchField(int m) const { return noise_[m]; }
    RC_NumberEdit* AudioGainField(int m) const { return gain_[m]; }
    RC_NumberEdit* AudioLengthField(int m) const { return audioLength_[m]; }
    RC_NumberEdit* SagcReferenceField(int m) const { return m >= 0 && m < 8 ? sagcRef_[m] : nullptr; }
    RC_NumberEdit* HilbertField() const { return hilbert_; }
    RC_NumberEdit* CwToneField() const { return cwTone_; }
    ModeSettingsGroup* SettingsGroup(int page) const { return groups_[page]; }
    RC_TabControl* Tabs() const { return tabs_; }
    RC_GroupFrame* PresetGroup() const { return presetGroup_; }
    RC_CellGrid* PresetGrid() const { return grid_; }
    RC_NumberEdit* PresetEditor() const { return editor_; }
    int PresetEditorRow() const { return editorRow_; }
    RC_Button* StructureButton() const { return structure_; }
    RC_Button* RestoreButton() const { return restore_; }
    RC_Panel* CpuMeter() const { return cpu_; }
    RC_Button* HelpButton() const { return help_; }
    RC_Button* AboutButton() const { return about_; }

    // What a preset cell shows: the number and its unit.
    struct PresetText {
        char number[24];
        const char* unit;
    };
    static PresetText FormatPreset(double hertz);
    // The largest preset the editor takes in a mode index.
    static double PresetLimit(int modeIndex);
    // Opens the preset editor on row r (1..10); other rows do nothing.
    void EditPreset(int row);

private:
    DemodModeBlock& Mode();
    int CurrentMode() const;
    void BuildSoundCard(bool usb);
    void BuildSecondaryOutput();
    void BuildSagc();
    void BuildTabs();
    void BuildFilterGroup();
    void BuildPresetGroup();
    void BuildModePage(int page);
    void BuildModeButtons();
    void ChooseSecondaryDevice();
    bool SecondaryAvailable() const;
    // The sound-card record's mixer line name (the field need not hold a terminator).
    std::string StoredLine() const;
    void CommitPresetEditor();
    void OnModeField(RC_NumberEdit* field, double value);
    void OnSagc();
    void SetFilterFields(bool force);

    static void WaveInChanged(void* user, RC_Window* combo);
    static void WaveOutChanged(void* user, RC_Window* combo);
    static void MixerLineChanged(void* user, RC_Window* combo);
    static void InputLevelChanged(void* user, RC_Slider* slider, double value);
    static void RateChanged(void* user, RC_Window* combo);
    static void SecondaryClicked(void* user, RC_Window* box);
    static void FilterControl(void* user, RC_Window* control);
    static void FilterField(void* user, RC_NumberEdit* field, double value);
    static void SagcField(void* user, RC_NumberEdit* field, double value);
    static void ModeField(void* user, RC_NumberEdit* field, double value);
    static void PageChosen(void* user, RC_Window* tabs);
    static void PaintPresetCell(void* user, RC_CellGrid* grid, int row, int column, const plat::gdi::Rect& rect);
    static void PresetClicked(void* user, RC_Window* grid);
    static void EditorFocus(void* user, int focused, RC_Window* editor);
    static void StructurePressed(void* user, RC_Window* button);
    static void RestorePressed(void* user, RC_Window* button);
    static void HelpPressed(void* user, RC_Window* button);
    static void AboutPressed(void* user, RC_Window* button);

    DemodWindow* owner_;
    DemodSettings& settings_;
    SoundCardSettings& card_;
    RC_GroupFrame* soundCard_ = nullptr;
    RC_DeviceCombo* waveIn_ = nullptr;
    RC_DeviceCombo* waveOut_ = nullptr;
    RC_ComboBox* mixerLine_ = nullptr;
    RC_CheckBox* ifBox_ = nullptr;
    RC_CheckBox* audioBox_ = nullptr;
    RC_Label* secondaryLabel_ = nullptr;
    RC_Label* note_ = nullptr;
    RC_Label* format_ = nullptr;
    RC_Label* clipping_ = nullptr;
    RC_Slider* inputLevel_ = nullptr;
    RC_ComboBox* rate_ = nullptr;
    RC_FilterView* view_ = nullptr;
    RC_FilterView* mainView_ = nullptr;
    RC_Button* on_ = nullptr;
    RC_Button* bandPass_ = nullptr;
    RC_Button* lowPass_ = nullptr;
    RC_Label* lowLabel_ = nullptr;
    RC_NumberEdit* low_ = nullptr;
    RC_NumberEdit* high_ = nullptr;
    RC_NumberEdit* deemphasis_ = nullptr;
    RC_NumberEdit* attack_[3] = {};
    RC_NumberEdit* decay_[3] = {};
    RC_NumberEdit* sagcRef_[8] = {};
    RC_NumberEdit* postMixer_[kModeCount] = {};
    RC_NumberEdit* noise_[kModeCount] = {};
    RC_NumberEdit* gain_[kModeCount] = {};
    RC_NumberEdit* audioLength_[kModeCount] = {};
    RC_TabControl* tabs_ = nullptr;
    RC_NumberEdit* hilbert_ = nullptr;
    RC_NumberEdit* cwTone_ = nullptr;
    RC_GroupFrame* presetGroup_ = nullptr;
    RC_CellGrid* grid_ = nullptr;
    RC_NumberEdit* editor_ = nullptr;
    int editorRow_ = 0;
    RC_Panel* cpu_ = nullptr;
    RC_GroupFrame* filterGroup_ = nullptr;
    ModeSettingsGroup* groups_[kModeCount] = {};
    RC_Button* structure_ = nullptr;
    RC_Button* restore_ = nullptr;
    RC_Button* help_ = nullptr;
    RC_Button* about_ = nullptr;
    std::atomic<int> clipped_{-1}; // the state last shown: -1 none yet
    std::unique_ptr<RC_Image> badge_;
    RC_String work_;
};
