#pragma once
// The front panel: the program's one window. It starts the receiver component and the plug-in
// host, reads the command line, and carries the tuning controls: the frequency entry, the knob,
// the step and its buttons, the tuning pad, the band label under the frequency and the signal
// level. Controls write the receiver component; its change events write the controls back.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/Lxq745Api.h"
#include "app/forms/BandList.h"
#include "app/forms/CommandLine.h"
#include "app/forms/MemoryList.h"
#include "app/forms/TExclusionRecord.h"
#include "app/forms/TPanelSettings.h"
#include "app/forms/TRangeRecord.h"
#include "app/forms/TuningSteps.h"
#include "platform/components/TForm.h"

namespace plat::comp {
class TApplicationEvents;
class THintWindow;
class TOpenDialog;
class TSaveDialog;
class TTimer;
} // namespace plat::comp

namespace lxq {

class TmyKVRserver;
class TmyLabel;
class TmyQ745;
class TmyTuningPad;
class TstFrequencyEdit;
class TstKnob;
class TstPanel;
class TstSpeedButton;
// receiver controls, receiver choice and power
class TDiscForm;
class TmyIntEdit;
class TmySMeter;
class TmyUpDown;
class TstAlignEdit;

class TQ7form : public plat::comp::TForm {
public:
    // args: the command line without the program name.
    TQ7form(plat::comp::TComponent* owner, std::vector<std::string> args = {});
    ~TQ7form() override;
    const char* ClassName() const override { return "TQ7form"; }

    // Shows a message box (text, caption, flags) and answers the button; tests replace it.
    std::function<int(const std::string&, const std::string&, std::uint32_t)> ShowMessageBox;

    // --- components and controls of the form ---
    TmyQ745* Q7 = nullptr;
    TmyKVRserver* KVR = nullptr;
    TstPanel* stPanel1 = nullptr;                 // the main control panel
    TstFrequencyEdit* myFrequencyEdit1 = nullptr; // frequency display and entry
    TstFrequencyEdit* myFrequencyEdit2 = nullptr; // step size
    TmyLabel* myLabel16 = nullptr;                // band or memory under the frequency
    TstKnob* stKnob1 = nullptr;
    TstSpeedButton* stSpeedButton29 = nullptr; // Step left
    TstSpeedButton* stSpeedButton28 = nullptr; // Step right
    TstSpeedButton* stSpeedButton26 = nullptr; // 10 steps left
    TstSpeedButton* stSpeedButton27 = nullptr; // 10 steps right
    TstPanel* stPanel4 = nullptr;              // the knob's multiplier buttons
    TstSpeedButton* stSpeedButton47 = nullptr; // x1
    TstSpeedButton* stSpeedButton48 = nullptr; // x10
    TstSpeedButton* stSpeedButton49 = nullptr; // S
    TstSpeedButton* stSpeedButton50 = nullptr; // x0.1
    TmyTuningPad* myTuningPad1 = nullptr;
    plat::comp::TTimer* FreqTimer = nullptr;
    plat::comp::TApplicationEvents* ApplicationEvents1 = nullptr;
    plat::comp::THintWindow* FHint = nullptr;  // names a refused frequency
    plat::comp::TTimer* HintTimer = nullptr;   // takes it away again
    plat::comp::TTimer* SignalTimer = nullptr; // shows a level that came too soon, once due

    // --- start-up and shut-down ---
    void FormCreate(plat::comp::TObject* sender);
    void FormCloseQuery(plat::comp::TObject* sender, bool& canClose);
    void FormClose(plat::comp::TObject* sender, plat::comp::TCloseAction& action);
    void FormDestroy(plat::comp::TObject* sender);
    void DebugLog(const std::string& text);
    // Sees every message of the application: the knob's keys tune.
    void ApplicationEvents1Message(plat::win::Msg& msg, bool& handled);

    // --- tuning ---
    // Writes the frequency edit without tuning.
    void ShowFrequency(std::int64_t hz);
    void myFrequencyEdit1ValueChange(plat::comp::TObject* sender);
    void LXFreqChange(plat::comp::TObject* sender);
    void FreqTimerTimer(plat::comp::TObject* sender);
    void stKnob1UpDown(plat::comp::TObject* sender, bool direction, plat::comp::TShiftState state);
    void stKnob1KeyMessage(plat::comp::TObject* sender, plat::comp::TMessage& msg, bool& handled);
    void myTuningPad1Step(plat::comp::TComponent* component, int step);
    void myUpDown1Direction(plat::comp::TObject* sender, int val);
    void stSpeedButton29Click(plat::comp::TObject* sender);
    void stSpeedButton28Click(plat::comp::TObject* sender);
    void stSpeedButton26Click(plat::comp::TObject* sender);
    void stSpeedButton27Click(plat::comp::TObject* sender);
    void stSpeedButton49Click(plat::comp::TObject* sender);
    void FormKeyDown(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);
    void FormKeyUp(plat::comp::TObject* sender, std::uint16_t& key, plat::comp::TShiftState shift);
    // The multiplier of the button that is down.
    KnobMultiplier CurrentMultiplier() const;
    void LXSignalChange(plat::comp::TObject* sender);
    void SignalTimerTimer(plat::comp::TObject* sender);
    void Q7BlockedFrequency(plat::comp::TObject* sender, std::int64_t frequency);
    void HintTimerTimer(plat::comp::TObject* sender);

    // --- settings and data files (TQ7formFiles.cpp) ---
    plat::comp::TSaveDialog* SaveDialog1 = nullptr;   // memory files
    plat::comp::TOpenDialog* OpenDialog1 = nullptr;
    plat::comp::TSaveDialog* SaveDialogCSV = nullptr; // spreadsheet exchange
    plat::comp::TOpenDialog* OpenDialogCSV = nullptr;
    // Runs a file dialog and answers whether a file was chosen; tests replace it.
    std::function<bool(plat::comp::TOpenDialog&)> ExecuteDialog;
    // Asks for a text (caption, prompt, value in and out); tests replace it.
    std::function<bool(const std::string&, const std::string&, std::string&)> AskText;
    void ReadSettings();
    void WriteSettings();
    void LoadMemoryFile();
    void SaveMemoryFile();
    void LoadAutoSteps();
    void SaveAutoSteps();
    void LoadExclusions();
    void SaveExclusions();
    void LoadBands();
    void RebuildSortedMemories();
    void ExportCSV(const std::string& fileName);
    void ImportCSV(const std::string& fileName);
    void New1Click(plat::comp::TObject* sender);
    void Open1Click(plat::comp::TObject* sender);
    void Save1Click(plat::comp::TObject* sender);
    void Saveas1Click(plat::comp::TObject* sender);
    void Clear1Click(plat::comp::TObject* sender);
    void ExporttoCSV1Click(plat::comp::TObject* sender);
    void ImportfromCSV1Click(plat::comp::TObject* sender);
    MemoryList& Memories() { return memories_; }
    // The channels by frequency; null until the lists are made.
    MemoryView* MemoriesByFrequency() { return memoriesByFrequency_.get(); }
    const HotkeyTable& HotkeyUsed() const { return hotkeyUsed_; }
    std::vector<TRangeRecord>& AutoSteps() { return autoSteps_; }
    std::vector<TExclusionRecord>& Exclusions() { return exclusions_; }
    const std::string& MemoryFileName() const { return memoryFile_; }
    void SetMemoryFileName(const std::string& path) { memoryFile_ = path; }
    TPanelSettings& Settings() { return settings_; }

    // --- state others read ---
    const std::string& DataFolder() const { return dataFolder_; }
    bool Quitting() const { return quit_; }
    int DebugLevel() const { return debugLevel_; }
    const std::string& DebugLogFile() const { return debugLogFile_; }
    bool ServiceMode() const { return service_; }
    bool RawSignal() const { return rawSignal_; }
    const std::string& DemodulatorName() const { return demodulatorName_; }
    const std::string& PreferredSerial() const { return preferredSerial_; }
    bool ReactToEdits() const { return reactToEdits_; }
    const ThirdCounter& Thirds() const { return thirds_; }
    KnobMultiplier ChosenMultiplier() const { return multiplier_; }
    std::vector<TBand>& Bands() { return bands_; }

    // --- receiver controls (TQ7formReceiver.cpp) ---
    TmySMeter* mySMeter = nullptr;
    TstSpeedButton* stSpeedButton1 = nullptr;  // On/Off
    TstSpeedButton* stSpeedButton22 = nullptr; // AGC Off
    TstSpeedButton* stSpeedButton4 = nullptr;  // AGC Slow
    TstSpeedButton* stSpeedButton5 = nullptr;  // AGC Med
    TstSpeedButton* stSpeedButton6 = nullptr;  // AGC Fast
    TstSpeedButton* stSpeedButton2 = nullptr;  // Atten
    TstSpeedButton* stSpeedButton41 = nullptr; // Preamp
    TstSpeedButton* stSpeedButton51 = nullptr; // AFC
    TmyIntEdit* myIntEdit2 = nullptr;          // manual IF gain
    TmyUpDown* myUpDown3 = nullptr;
    TmyIntEdit* myIntEdit3 = nullptr;          // level squelch, dBm
    TmyUpDown* myUpDown4 = nullptr;
    TstSpeedButton* stSpeedButton8 = nullptr;  // Level
    TstSpeedButton* stSpeedButton42 = nullptr; // Noise
    TstSpeedButton* stSpeedButton43 = nullptr; // Voice
    TstSpeedButton* stSpeedButton44 = nullptr; // CTCSS
    TstSpeedButton* stSpeedButton45 = nullptr; // DCS
    TstSpeedButton* stSpeedButton46 = nullptr; // R: reverse DCS
    TmyIntEdit* myIntEdit4 = nullptr;          // noise squelch of the mode, %
    TmyIntEdit* myIntEdit5 = nullptr;          // voice squelch of the mode, %
    TstAlignEdit* stAlignEdit1 = nullptr;      // CTCSS tone; Tag = index into the tone table
    TmyUpDown* myUpDown16 = nullptr;
    TstAlignEdit* stAlignEdit2 = nullptr;      // DCS code; Tag = index into the code table
    TmyUpDown* myUpDown17 = nullptr;
    TstSpeedButton* stSpeedButton16 = nullptr; // dBm
    TstSpeedButton* stSpeedButton17 = nullptr; // S-units
    TstSpeedButton* stSpeedButton18 = nullptr; // µV
    TstSpeedButton* stSpeedButton39 = nullptr; // p-p
    plat::comp::TTimer* SquelchTimer = nullptr; // the meter's mark follows a squelch drag
    void BuildReceiverControls();
    void LXPowerChange(plat::comp::TObject* sender);
    void LXAGCChange(plat::comp::TObject* sender);
    void LXAttenChange(plat::comp::TObject* sender);
    void LXIFGainChange(plat::comp::TObject* sender);
    void LXSquelchChange(plat::comp::TObject* sender);
    void Q7ModeChanged(plat::comp::TObject* sender);
    void Q7AfcChanged(plat::comp::TObject* sender);
    void Q7PreAmpChanged(plat::comp::TObject* sender);
    void stSpeedButton1Click(plat::comp::TObject* sender);
    void stSpeedButton4Click(plat::comp::TObject* sender);
    void stSpeedButton2Click(plat::comp::TObject* sender);
    void stSpeedButton41Click(plat::comp::TObject* sender);
    void stSpeedButton51Click(plat::comp::TObject* sender);
    void myIntEdit2ValueChange(plat::comp::TObject* sender);
    void myIntEdit3ValueChange(plat::comp::TObject* sender);
    void myIntEdit4ValueChange(plat::comp::TObject* sender);
    void myIntEdit5ValueChange(plat::comp::TObject* sender);
    void stSpeedButton42Click(plat::comp::TObject* sender);
    void myUpDown16Direction(plat::comp::TComponent* sender, int& val);
    void myUpDown17Direction(plat::comp::TComponent* sender, int& val);
    void stSpeedButton46Click(plat::comp::TObject* sender);
    void myUpDown4MiddleStart(plat::comp::TObject* sender);
    void myUpDown4MiddleEnd(plat::comp::TObject* sender);
    void SquelchTimerTimer(plat::comp::TObject* sender);
    void stSpeedButton16Click(plat::comp::TObject* sender);
    void stSpeedButton18PaintCaption(plat::comp::TObject* sender);
    void mySMeterDebugString(plat::comp::TObject* sender, int index, plat::comp::TFont& font, std::string& text);
    // The meter's scale for the receiver's mode, preamplifier and attenuator.
    void UpdateSMeterScale();
    // The front-panel LED pattern for the LED setting, the power and the interface.
    void UpdateFrontPanelLED();
    // Makes `offset` the display offset while the hardware stays on its frequency.
    void ApplyDisplayOffset(std::int64_t offset);
    // The per-mode squelch table (part of the settings); mode ids 0..20.
    SQUELCH_SETTINGS& ModeSquelch(int mode) { return settings_.squelch.at(static_cast<std::size_t>(mode)); }
    std::int32_t& ModeSquelchTypes(int mode) { return settings_.activeSquelch.at(static_cast<std::size_t>(mode)); }

    // --- receiver choice, disconnection and power (TQ7formConnection.cpp) ---
    TDiscForm* DiscForm = nullptr;
    // Shows a dialog modally and answers its modal result; tests replace it.
    std::function<plat::comp::TModalResult(plat::comp::TCustomForm&)> RunModal;
    void BuildConnection();
    void Q7ChooseReceiver(plat::comp::TObject* sender, const RADIO_INFO* infos, int count, int& chosen);
    void Q7Disconnect(plat::comp::TObject* sender);
    void WndProc(plat::comp::TMessage& message) override;
    void Calibrationfile1Click(plat::comp::TObject* sender);
    void Stayontop1Click(plat::comp::TObject* sender);
    void Exit1Click(plat::comp::TObject* sender);
    // The plug-ins stopped at a suspend, to start again at the resume; null between suspends.
    const std::vector<std::string>* RestartList() const { return restartList_.get(); }

    static const char* const kCaption;

private:
    void BuildControls();
    void BuildFileDialogs();
    void CreateLists();
    void ApplySettings();
    void CollectSettings();
    bool AskYesNo(const std::string& question);
    void PostClose();
    int Warn(const std::string& text);
    void ApplyReceiverOptions();
    void ApplyPanelOptions();
    void SetMainFrequency(std::int64_t hz);

    std::vector<std::string> args_;
    std::string dataFolder_;
    std::string demodulatorName_ = "Q745 Standard";
    std::string preferredSerial_;
    std::string debugLogFile_;
    int debugLevel_ = 0;
    bool quit_ = false;
    bool exitProcess_ = false;
    bool service_ = false;
    bool rawSignal_ = false;
    bool startDemodulator_ = false;
    bool reactToEdits_ = true;
    ThirdCounter thirds_;
    KnobMultiplier multiplier_ = KnobMultiplier::One;
    std::vector<TBand> bands_;
    MemoryList memories_;
    std::unique_ptr<MemoryView> memoriesByFrequency_; // exists once the lists are made
    HotkeyTable hotkeyUsed_{};
    std::vector<TRangeRecord> autoSteps_;
    std::vector<TExclusionRecord> exclusions_;
    std::string memoryFile_;
    TPanelSettings settings_;

    // --- receiver controls ---
    void ShowSignal();
    void ApplyModeSquelch(int mode);
    bool SquelchDragging() const;
    // The settings file keeps the modes' squelch levels in dBm, the panel in the receiver's units.
    void SquelchLevelsToUnits(TPanelSettings& s);
    TPanelSettings SquelchLevelsInDbm(const TPanelSettings& s);
    std::int64_t lastSignalMs_ = INT64_MIN / 2;

    // --- receiver choice, disconnection and power ---
    void Suspend();
    void Resume();
    bool retryChoice_ = false; // "Try again": start-up looks for receivers anew
    bool disconnectShown_ = false;
    std::unique_ptr<std::vector<std::string>> restartList_;
    std::int32_t suspendedPower_ = 0;
    std::string suspendedSerial_;
};

} // namespace lxq
