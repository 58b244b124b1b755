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
#include "platform/sys/Module.h"

namespace plat::comp {
class TApplicationEvents;
class THintWindow;
class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TSaveDialog;
class TTimer;
} // namespace plat::comp

namespace lxq {

class TmyIntEdit;
class TmyUpDown;
class TmyKVRserver;
class TmyLabel;
class TmyQ745;
class TmyTuningPad;
class TstFrequencyEdit;
class TstKnob;
class TstPanel;
class TstSpeedButton;

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
    TmyLabel* mySMeterText = nullptr;             // the signal level until the S-meter stands
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
    void LXBlockedFrequency(plat::comp::TObject* sender, std::int64_t frequency);
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

    // --- startup (TQ7formStartup.cpp: menu, status, window; TQ7formTuning.cpp: tuning) ---
    // Where start-up status lines go while the splash window exists: the program's entry points
    // it there and clears it when the splash goes; unset, the lines are skipped.
    static std::function<void(const std::string&)> StatusLine;
    void SetStatus(const std::string& text);
    plat::comp::TMainMenu* MainMenu1 = nullptr;
    plat::comp::TMenuItem *File1 = nullptr, *Memoryfile1 = nullptr, *New1 = nullptr, *Open1 = nullptr,
                          *Save1 = nullptr, *Saveas1 = nullptr, *Clear1 = nullptr,
                          *ImportfromCSV1 = nullptr, *ExporttoCSV1 = nullptr,
                          *Calibrationfile1 = nullptr, *Exit1 = nullptr;
    plat::comp::TMenuItem *Options1 = nullptr, *Scanning1 = nullptr, *Autostepping1 = nullptr,
                          *FrontpanelLED1 = nullptr, *Displayoffset1 = nullptr, *Stayontop1 = nullptr;
    plat::comp::TMenuItem* Debug1 = nullptr; // "&Service", only in service mode
    // The plug-in menus, hidden until a plug-in lands in them; in menu-bar order.
    plat::comp::TMenuItem *Plugins1 = nullptr, *Trunking1 = nullptr, *Demodulators1 = nullptr,
                          *DSP1 = nullptr, *DF1 = nullptr, *Decoders1 = nullptr, *Digitalsuite1 = nullptr;
    plat::comp::TMenuItem *Help1 = nullptr, *Help2 = nullptr, *About1 = nullptr;
    void FormActivate(plat::comp::TObject* sender);
    void FormCanResize(plat::comp::TObject* sender, int& newWidth, int& newHeight, bool& resize);
    bool EdgeResizing() const { return edgeResizing_; }
    // Resizing by the lower edge, seen in the application's messages; true when it took the message.
    bool EdgeResizeMessage(const plat::win::Msg& msg);
    bool HelpLoaded() const { return helpLibrary_ != nullptr; }
    TstPanel* stPanel5 = nullptr;                 // shows the tuning pad's lowest part, its keys
    TmyUpDown* myUpDown1 = nullptr;               // the step spinner
    TstSpeedButton* stSpeedButton9 = nullptr;     // Auto: the step from the autostep list
    // Digit spinners, Tag = the digit's weight in Hz (100 MHz down to 1 Hz).
    TmyUpDown *myUpDown5 = nullptr, *myUpDown6 = nullptr, *myUpDown7 = nullptr, *myUpDown8 = nullptr,
              *myUpDown9 = nullptr, *myUpDown10 = nullptr, *myUpDown11 = nullptr, *myUpDown12 = nullptr,
              *myUpDown13 = nullptr;
    TmyIntEdit* myIntEdit1 = nullptr;             // the memory number
    TmyUpDown* myUpDown2 = nullptr;
    TstSpeedButton* stSpeedButton13 = nullptr;    // Previous memory
    TstSpeedButton* stSpeedButton14 = nullptr;    // Next memory
    TstSpeedButton* stSpeedButton11 = nullptr;    // 10 memories to the left
    TstSpeedButton* stSpeedButton25 = nullptr;    // 10 memories to the right
    TstSpeedButton* stSpeedButton12 = nullptr;    // Store frequency ("S"), made with the memory dialogs
    TstSpeedButton* stSpeedButton15 = nullptr;    // Recall ("R"), made with the memory dialogs
    void stSpeedButton9Click(plat::comp::TObject* sender);
    void myUpDown5Direction(plat::comp::TComponent* sender, int& val);
    void myUpDown2Direction(plat::comp::TComponent* sender, int& val);
    void myIntEdit1ValueChange(plat::comp::TObject* sender);
    void myIntEdit1ValueChanging(plat::comp::TObject* sender, int value, bool& allow);
    void stSpeedButton13AutoRepeat(plat::comp::TObject* sender);
    void stSpeedButton14AutoRepeat(plat::comp::TObject* sender);
    void stSpeedButton11AutoRepeat(plat::comp::TObject* sender);
    void stSpeedButton25AutoRepeat(plat::comp::TObject* sender);
    void stKnob1MouseWheel(plat::comp::TObject* sender, plat::comp::TShiftState shift, int wheelDelta,
                           int x, int y, bool& handled);
    void FormKeyPress(plat::comp::TObject* sender, char& key);
    // Tunes the receiver to the channel at this position of the memory list.
    void RecallMemoryAt(std::size_t index);

    static const char* const kCaption;

private:
    void BuildControls();
    void BuildFileDialogs();
    void CreateLists();
    void ApplySettings();
    void CollectSettings();
    bool AskYesNo(const std::string& question);
    void ChooseReceiver(const RADIO_INFO* infos, int count, int& chosen);
    void PostClose();
    int Warn(const std::string& text);
    void ApplyReceiverOptions();
    void ApplyPanelOptions();
    void SetMainFrequency(std::int64_t hz);
    void ShowSignal();

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
    std::int64_t lastSignalMs_ = INT64_MIN / 2;

    // --- startup ---
    void BuildStartup();
    void BuildMainMenu();
    void BuildTuning();
    // Opens the help file through the help library when that can be loaded.
    void LoadHelp();
    // F1 and the memory hotkeys F2..F12; true when the key is to be swallowed.
    bool FunctionKey(std::uint16_t key);
    // The memory number shown for the receiver's frequency (0 none) and the label text.
    void ShowMemoryLabel();
    // Recalls the channel `moves` neighbours away (sign = direction) from the shown number.
    void StepMemory(int moves);
    std::unique_ptr<plat::sys::Module> helpLibrary_;
    bool edgeResizing_ = false;
    int edgeStartY_ = 0;
    int edgeStartHeight_ = 0;
};

} // namespace lxq
