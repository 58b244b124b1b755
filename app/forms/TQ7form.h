#pragma once
// The front panel: the program's one window. It starts the receiver component and the plug-in
// host, reads the command line, and carries the tuning controls: the frequency entry, the knob,
// the step and its buttons, the tuning pad, the band label under the frequency and the signal
// level. Controls write the receiver component; its change events write the controls back.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "api/Lxq745Api.h"
#include "app/forms/BandList.h"
#include "app/forms/ScanTimings.h"
#include "app/forms/CommandLine.h"
#include "app/forms/MemoryList.h"
#include "app/forms/ScanChannel.h"
#include "app/forms/ScanTimings.h"
#include "app/forms/TExclusionRecord.h"
#include "app/forms/TPanelSettings.h"
#include "app/forms/TRangeRecord.h"
#include "app/forms/TuningSteps.h"
#include "platform/components/TForm.h"
#include "platform/sys/Module.h"
#include "platform/win/PowerBroadcast.h"

namespace plat::comp {
class TApplicationEvents;
class TMenuItem;
class THintWindow;
class TMainMenu;
class TOpenDialog;
class TSaveDialog;
class TMenuItem;
class TTimer;
} // namespace plat::comp

namespace plat::sys {
class Module;
} // namespace plat::sys

namespace lxq {

class TmyUpDown;
class TAboutForm;
class TGroupForm;
class TLEDform;
class TMemoryForm;
class TOffsetForm;
class TRecallForm;
class TmyIntEdit;
class TDebugForm;
class TmyFreqGraph2;
class TmyFrequencyEdit;
class TmyKVRserver;
class TmyLabel;
class TmyQ745;
class TmyTuningPad;
class TAutostepForm;
class TExclusionsForm;
class TRangesForm;
class TScanSetForm;
struct PipelinedReading;
class TstFrequencyEdit;
class TstDateTimePanel;
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
    // The clocks, side by side: UTC and local time (TQ7formClocks.cpp).
    TstDateTimePanel* stDateTimePanel1 = nullptr;
    TstDateTimePanel* stDateTimePanel2 = nullptr;
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
    TstSpeedButton* stSpeedButton24 = nullptr;  // Show/hide the spectrum analyzer
    plat::comp::TTimer* ScrollTimer = nullptr;  // rolls the spectrum panel in and out
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
    void stSpeedButton24Click(plat::comp::TObject* sender);
    void ScrollTimerTimer(plat::comp::TObject* sender);
    // Puts the spectrum scope open or closed at once, with its panel `height` pixels tall.
    void LayOutScope(bool open, int height);
    void stPanel2Resize(plat::comp::TObject* sender);
    void stSpeedButton37Click(plat::comp::TObject* sender); // Zoom out
    void stSpeedButton38Click(plat::comp::TObject* sender); // Zoom in
    void stSpeedButton52Click(plat::comp::TObject* sender); // Hits
    void FrontpanelLED1Click(plat::comp::TObject* sender);
    void Displayoffset1Click(plat::comp::TObject* sender);
    void mySMeterDebugString(plat::comp::TObject* sender, int index, plat::comp::TFont& font, std::string& text);
    // The meter's scale for the receiver's mode, preamplifier and attenuator.
    void UpdateSMeterScale();
    // The front-panel LED pattern for the LED setting, the power and the interface.
    void UpdateFrontPanelLED();
    // Makes `offset` the display offset while the hardware stays on its frequency.
    void ApplyDisplayOffset(std::int64_t offset);
    // The frequency entry's range for the display offset.
    void FitFrequencyEntry();
    // The per-mode squelch table (part of the settings); mode ids 0..20.
    SQUELCH_SETTINGS& ModeSquelch(int mode) { return settings_.squelch.at(static_cast<std::size_t>(mode)); }
    std::int32_t& ModeSquelchTypes(int mode) { return settings_.activeSquelch.at(static_cast<std::size_t>(mode)); }

    // --- receiver choice, disconnection and power (TQ7formConnection.cpp) ---
    TDiscForm* DiscForm = nullptr;
    plat::comp::TTimer* WakeTimer = nullptr; // the wait after a wake, before the receiver is reopened
    // Shows a dialog modally and answers its modal result; tests replace it.
    std::function<plat::comp::TModalResult(plat::comp::TCustomForm&)> RunModal;
    void BuildConnection();
    void Q7ChooseReceiver(plat::comp::TObject* sender, const RADIO_INFO* infos, int count, int& chosen);
    void Q7Disconnect(plat::comp::TObject* sender);
    void WndProc(plat::comp::TMessage& message) override;
    void Calibrationfile1Click(plat::comp::TObject* sender);
    void Help2Click(plat::comp::TObject* sender);
    void Debug1Click(plat::comp::TObject* sender);
    void Stayontop1Click(plat::comp::TObject* sender);
    void About1Click(plat::comp::TObject* sender);
    void Exit1Click(plat::comp::TObject* sender);
    // The plug-ins stopped at a suspend, to start again at the resume; null between suspends.
    const std::vector<std::string>* RestartList() const { return restartList_.get(); }
    // Whether the driver host's sleep and wake notices reach the panel now.
    bool HearsHostPowerEvents() const { return powerBroadcast_ && powerBroadcast_->HostListening(); }
    // --- startup (TQ7formStartup.cpp: menu, status, window; TQ7formTuning.cpp: tuning) ---
    // A start-up status line, shown by the splash window while it exists, else skipped.
    void SetStatus(const std::string& text);
    plat::comp::TMainMenu* MainMenu1 = nullptr;
    plat::comp::TMenuItem *File1 = nullptr, *Memoryfile1 = nullptr, *New1 = nullptr, *Open1 = nullptr,
                          *Save1 = nullptr, *Saveas1 = nullptr, *Clear1 = nullptr,
                          *ImportfromCSV1 = nullptr, *ExporttoCSV1 = nullptr,
                          *Calibrationfile1 = nullptr, *Exit1 = nullptr;
    // Options > "&Scanning" is the scanner's Scanning1, "&Service" the Debug1 of the memory dialogs.
    plat::comp::TMenuItem *Options1 = nullptr, *Autostepping1 = nullptr, *FrontpanelLED1 = nullptr,
                          *Displayoffset1 = nullptr, *Stayontop1 = nullptr;
    // The plug-in menus, hidden until a plug-in lands in them; in menu-bar order.
    // (De&modulators is the idle loop's Demodulators1.)
    plat::comp::TMenuItem *Plugins1 = nullptr, *Trunking1 = nullptr, *DSP1 = nullptr, *DF1 = nullptr,
                          *Decoders1 = nullptr, *Digitalsuite1 = nullptr;
    plat::comp::TMenuItem *Help1 = nullptr, *Help2 = nullptr, *About1 = nullptr;
    void stSpeedButton11Click(plat::comp::TObject* sender); // "&Autostepping"
    void FormActivate(plat::comp::TObject* sender);
    void FormCanResize(plat::comp::TObject* sender, int& newWidth, int& newHeight, bool& resize);
    bool EdgeResizing() const { return edgeResizing_; }
    // Resizing by the lower edge, seen in the application's messages; true when it took the message.
    bool EdgeResizeMessage(const plat::win::Msg& msg);
    // The lower edge is a band of the window's frame, below the client area, as on a desktop
    // whose windows have sizing frames: a press there is a non-client press.
    void ReserveLowerEdge(plat::comp::TMessage& calcSize);
    plat::comp::TRect ClientAreaInWindow() const override;
    void PaintNonClient(plat::gdi::DC& dc) override;
    TstPanel* stPanel5 = nullptr;                 // shows the tuning pad's lowest part, its keys
    TmyUpDown* myUpDown1 = nullptr;               // the step spinner
    TstSpeedButton* stSpeedButton9 = nullptr;     // Auto: the step from the autostep list
    // Digit spinners, Tag = the digit's weight in Hz (100 MHz down to 1 Hz).
    TmyUpDown *myUpDown5 = nullptr, *myUpDown6 = nullptr, *myUpDown7 = nullptr, *myUpDown8 = nullptr,
              *myUpDown9 = nullptr, *myUpDown10 = nullptr, *myUpDown11 = nullptr, *myUpDown12 = nullptr,
              *myUpDown13 = nullptr;
    TmyUpDown* myUpDown2 = nullptr;
    TstSpeedButton* stSpeedButton13 = nullptr;    // Previous memory
    TstSpeedButton* stSpeedButton14 = nullptr;    // Next memory
    TstSpeedButton* stSpeedButton11 = nullptr;    // 10 memories to the left
    TstSpeedButton* stSpeedButton25 = nullptr;    // 10 memories to the right
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
    // --- scanner ---
    TstSpeedButton* stSpeedButton19 = nullptr; // Scan to the left
    TstSpeedButton* stSpeedButton20 = nullptr; // Scan to the right
    TstSpeedButton* stSpeedButton7 = nullptr;  // Stop scanning
    TstSpeedButton* stSpeedButton23 = nullptr; // Pause scanning
    TstSpeedButton* stSpeedButton10 = nullptr; // scan mode Search
    TstSpeedButton* stSpeedButton3 = nullptr;  // scan mode Memory
    TstSpeedButton* stSpeedButton21 = nullptr; // scan mode Range
    plat::comp::TMenuItem* Scanning1 = nullptr; // Options > Scanning
    TRangesForm* RangesForm = nullptr;
    TScanSetForm* ScanSetForm = nullptr;
    TExclusionsForm* ExclusionsForm = nullptr;
    TAutostepForm* AutostepForm = nullptr;
    // The service window's "Scanning" page; its defaults until that window provides it.
    std::function<ScanConstants()> ReadScanConstants;
    // Shows a line on the service window's scanning page ("Last scan time=...").
    std::function<void(const std::string&)> ShowScanTime;
    void BuildScanner();
    void stSpeedButton20Click(plat::comp::TObject* sender);
    void stSpeedButton19Click(plat::comp::TObject* sender);
    void stSpeedButton7Click(plat::comp::TObject* sender);
    void stSpeedButton23Click(plat::comp::TObject* sender);
    void stSpeedButton3Click(plat::comp::TObject* sender);
    void ScanTimerTimer(plat::comp::TObject* sender);
    void Scanning1Click(plat::comp::TObject* sender);
    void StartScan();
    std::int64_t NextScanChannel(ScanChannel& channel);
    void ApplyScanChannel(const ScanChannel& channel);
    void AdvanceScan();
    void ScanFoundSignal();
    void ScanHoldStep();
    // After the reading of the active channel: a retune when the level or the detector asks for
    // one, then `then` (at once, or with the retune's fresh reading).
    void CheckRetune(std::int32_t raw, std::uint32_t rssi, std::uint32_t agc, std::function<void()> then);
    void RetuneScan(std::function<void()> then);
    void RetuneForDemodulator(std::function<void()> then);
    void ResumeScan();
    void LoadScanTimings();
    void LoadScanRanges();
    void SaveScanRanges();
    // The memory scan groups in the groups dialog; true when it returned OK.
    bool EditScanGroups(std::int32_t& mask, bool& enabled);
    // Stops a running scan before the form closes; true when one ran.
    bool StopScanForClose();
    int ScanDirection() const { return scanDirection_; }
    const ScanChannel& ActiveScanChannel() const { return scanActive_; }
    const ScanChannel& NextScanChannelState() const { return scanNext_; }
    const ScanTimings& Timings() const { return scanTimings_; }
    std::int64_t ScanChannelCount() const { return scanChannels_; }
    // A scanner step (or a sweep step) waits for a reading of the receiver: the next step comes
    // after its answer.
    bool ScanStepWaiting() const { return scanReadsDue_ != 0; }
    bool SweepStepWaiting() const { return sweepReadsDue_ != 0; }
    bool ExclusionsEnabled() const { return settings_.exclusionsEnabled; }
    void SetExclusionsEnabled(bool v) { settings_.exclusionsEnabled = v; }
    ScanKind ChosenScanKind() const;
    // --- memory dialogs (TQ7formMemories.cpp) ---
    TstSpeedButton* stSpeedButton12 = nullptr; // Store, "S"
    TstSpeedButton* stSpeedButton15 = nullptr; // Recall, "R"
    TmyIntEdit* myIntEdit1 = nullptr;          // the memory number
    TMemoryForm* MemoryForm = nullptr;
    TRecallForm* RecallForm = nullptr;
    TGroupForm* GroupForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TLEDform* LEDform = nullptr;
    TOffsetForm* OffsetForm = nullptr;
    plat::comp::TMenuItem* Debug1 = nullptr; // the service menu, shown in service mode
    void stSpeedButton12Click(plat::comp::TObject* sender);
    void stSpeedButton15Click(plat::comp::TObject* sender);
    // The channel list and its hotkeys for the dialogs that change them.
    HotkeyTable& HotkeyUsed() { return hotkeyUsed_; }
    void SetServiceMode(bool on);
    // The help control's module, none when it could not be loaded.
    plat::sys::Module* HelpModule = nullptr;

    // --- idle loop (TQ7formIdle.cpp) ---
    std::uint8_t ScannerState = 0;        // 0 idle, 1 paused, 2 holding, 3 scanning
    bool WaitingForSquelchedInfo = false; // the scanner step waits for the demodulator's verdict
    static std::uint32_t LastSweepRedrawTick; // the last sweep step allowed to redraw
    plat::comp::TMenuItem* Demodulators1 = nullptr;
    // The scanner's step (ScanTimerTimer); the idle loop runs it.
    plat::comp::TNotifyEvent ScanStep;
    void ApplicationEvents1Idle(plat::comp::TObject* sender, bool& done);
    void ApplicationEvents1Minimize(plat::comp::TObject* sender);
    void ApplicationEvents1Restore(plat::comp::TObject* sender);
    void Q7SquelchedInfo(plat::comp::TObject* sender);
    void KVRStartDemodulator(plat::comp::TObject* sender, const std::string& pluginName);
    void KVRCallback(plat::comp::TObject* sender, const std::string& pluginName, std::uint32_t uMsg,
                     std::uint32_t dwParam, std::uint32_t cbData, void* lpData, std::int32_t& result);
    // --- sweep (TQ7formSweep.cpp) ---
    TstPanel* SweepPanel = nullptr;
    TmyFrequencyEdit* myFrequencyEdit3 = nullptr; // Start
    TmyFrequencyEdit* myFrequencyEdit4 = nullptr; // End
    TmyFrequencyEdit* myFrequencyEdit5 = nullptr; // Step
    TstSpeedButton* stSpeedButton30 = nullptr;    // Start sweeping: down while a sweep runs
    TstSpeedButton* stSpeedButton31 = nullptr;    // Stop sweeping
    TstSpeedButton* stSpeedButton32 = nullptr;    // Pause sweeping
    TstSpeedButton* stSpeedButton33 = nullptr;    // Continuous sweeping
    TstSpeedButton* stSpeedButton52 = nullptr;    // Hits
    TstSpeedButton* stSpeedButton34 = nullptr;    // Min
    TstSpeedButton* stSpeedButton35 = nullptr;    // Max
    TstSpeedButton* stSpeedButton36 = nullptr;    // Diff
    TstSpeedButton* stSpeedButton37 = nullptr;    // Zoom out
    TstSpeedButton* stSpeedButton38 = nullptr;    // Zoom in
    TstSpeedButton* stSpeedButton40 = nullptr;    // Clear the graph
    TmyFreqGraph2* myFreqGraph1 = nullptr;
    // The service window; its "Scanning" page holds the scan and sweep constants.
    TDebugForm* DebugForm = nullptr;
    // Set when a sweep step or the demodulator's squelch report wants the idle loop to go on;
    // shared with the idle loop and the scanner.
    bool SquelchedInfoArrived = false;
    void stSpeedButton30Click(plat::comp::TObject* sender);
    void stSpeedButton31Click(plat::comp::TObject* sender);
    void stSpeedButton32Click(plat::comp::TObject* sender);
    void stSpeedButton34Click(plat::comp::TObject* sender);
    void stSpeedButton35Click(plat::comp::TObject* sender);
    void stSpeedButton36Click(plat::comp::TObject* sender);
    void stSpeedButton40Click(plat::comp::TObject* sender);
    void myFreqGraph1VisiTune(plat::comp::TObject* sender, std::int64_t freq, plat::comp::TShiftState shift);
    // One sweep step, run from the idle loop; canUpdate asks the graph to show the step's column.
    void Q7BlockScan(plat::comp::TObject* sender, double ss, bool canUpdate);
    bool Sweeping() const;
    std::int64_t SweepFreq = 0;       // pending in the receiver; the next read is of SweepFreq - step
    int SweepPoints = 0;              // points of the range
    std::int64_t SweepSavedFreq = -1; // the receiver's frequency before the start, -1 none
    SQUELCH_SETTINGS SweepSavedSquelch{}; // FMN's own settings while FMW borrows that mode
    int SweepLastAgc = -1;
    std::int64_t SweepStartTick = 0;
    // --- plug-ins (TQ7formPlugins.cpp) ---
    TstPanel* DemodPanel = nullptr;             // "Demodulator": holds the embedded window
    void BuildPluginMenus();
    // Starts the demodulator plug-in and embeds its window; false (with a message) on failure.
    bool StartDemodulator(const std::string& name);
    plat::win::Hwnd EmbeddedDemodulator() const { return embeddedDemodulator_; }
    // The menu of the bar with this caption, made (hidden) when missing.
    plat::comp::TMenuItem* PluginMenu(const std::string& caption);
    void OnPlugin(plat::comp::TObject* sender);
    void NewDemodulator(plat::comp::TObject* sender);
    void KVRPluginLoad(plat::comp::TObject* sender, const std::string& name);
    void KVRStarted(plat::comp::TObject* sender, const std::string& name);
    void KVRClosed(plat::comp::TObject* sender, const std::string& name);
    void KVRVisible(plat::comp::TObject* sender);
    void KVRMinimize(plat::comp::TObject* sender);
    void KVRDisable(plat::comp::TObject* sender);
    // The receiver is on and no plug-in holds the frequency: every tuning control may tune.
    bool TuningAllowed();
    // Tuning is allowed and no plug-in holds the memories: a channel may be recalled.
    bool MemoryRecallAllowed();
    void KVRCapabilities(plat::comp::TObject* sender);
    void KVRGetSettings(plat::comp::TObject* sender, std::uint32_t query, std::uint32_t cbData, void* lpData,
                        std::int32_t& result);
    void KVRResumeScanner(plat::comp::TObject* sender);
    void KVRMemoryEvent(plat::comp::TObject* sender, std::uint32_t code, std::uint32_t param, void* entry,
                        std::int32_t& result);
    void KVRMemoryFileEvent(plat::comp::TObject* sender, std::uint32_t code, std::uint32_t size, void* buffer,
                            std::int32_t& result);

    static const char* const kCaption;

private:
    void BuildControls();
    void BuildClocks();
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
    // After a wake, once the receiver's driver had time to come back: reopens the receiver.
    void WakeTimerTimer(plat::comp::TObject* sender);
    // Sends every setting the panel shows to the receiver, and the power given.
    void SendShownSettings(std::int32_t power);
    bool reopening_ = false; // the wake's reopen notice shows
    // Calls into plug-ins under way. A plug-in may run the message loop inside one (while it
    // waits for the receiver); a sleep or wake that came then would stop and unload it under its
    // own call, and a close would close the receiver and unload it likewise. The last such event
    // and a close are held, and handled once the outermost call has returned.
    class PluginCall {
    public:
        explicit PluginCall(TQ7form& form) : form_(form) { ++form_.pluginCalls_; }
        ~PluginCall() { form_.EndPluginCall(); }
        PluginCall(const PluginCall&) = delete;
        PluginCall& operator=(const PluginCall&) = delete;

    private:
        TQ7form& form_;
    };
    void EndPluginCall();
    int pluginCalls_ = 0;
    std::uint32_t heldPowerEvent_ = 0; // 0: none
    bool closeHeld_ = false;
    bool retryChoice_ = false; // "Try again": start-up looks for receivers anew
    bool disconnectShown_ = false;
    bool closing_ = false; // the window closes: a receiver lost now is let go, not waited for
    std::unique_ptr<std::vector<std::string>> restartList_;
    std::int32_t suspendedPower_ = 0;
    std::string suspendedSerial_;
    // Files refused for their size: never written over by the panel's own saves.
    std::set<std::string> refusedFiles_;
    // The computer's sleep and wake, as the power broadcast to this window.
    std::unique_ptr<plat::win::PowerBroadcast> powerBroadcast_;
    // --- startup ---
    void BuildStartup();
    void BuildMainMenu();
    void BuildTuning();
    // Opens the help file through the help library when that can be loaded.
    void LoadHelp();
    // An arrow key typed into a window the form embeds (the demodulator's) goes straight to that
    // window, so the front panel never sees it; true when it was sent there.
    bool EmbeddedArrowKey(const plat::win::Msg& msg);
    // F1 and the memory hotkeys F2..F12; true when the key is to be swallowed.
    bool FunctionKey(std::uint16_t key);
    // The memory number shown for the receiver's frequency (0 none) and the label text.
    void ShowMemoryLabel();
    // Recalls the channel `moves` neighbours away (sign = direction) from the shown number.
    void StepMemory(int moves);
    std::unique_ptr<plat::sys::Module> helpLibrary_; // HelpModule while loaded
    bool edgeResizing_ = false;
    int edgeStartY_ = 0;
    int edgeStartHeight_ = 0;
    // --- memory dialogs ---
    void BuildMemories();
    // --- idle loop ---
    void BuildIdle();
    // --- sweep ---
    struct SweepReading {
        std::int32_t raw = 0;
        std::int32_t tenths = 0; // the library's level, which goes on above the raw scale
        std::uint32_t rssi = 0;
        std::uint32_t agc = 0;
        double dbm = 0;
    };
    void BuildSweep();
    void LoadSweepTimings();
    // Reads the level measured at hz (the frequency tuned before the pending one) into r; a
    // failed read leaves r as it was.
    // The reading comes among the receiver's answers: `then` goes on with the step, unless the
    // sweep stopped, paused or started again meanwhile. A step that waits for one holds the next.
    void ReadSweepLevel(std::int64_t hz, SweepReading& r, std::function<void()> then);
    void SweepMeasured(bool canUpdate);
    void SweepSettleAgc(bool canUpdate);
    void SweepAgcLoop(bool canUpdate);
    bool SweepAgcRising() const;
    std::string SweepReadings() const;
    void SweepStepDone(bool canUpdate);
    void NewSweepGeneration();
    std::uint32_t sweepGeneration_ = 0;
    int sweepReadsDue_ = 0;
    void ResumeSweep();
    void StoreSweepLevel(int pos, double level, bool canUpdate);
    void EndOfSweepRange();
    void SetSweepControlsEnabled(bool enabled);
    void SweepFinishedStatistics();
    struct DebugFormDeleter {
        void operator()(TDebugForm* form) const;
    };
    std::unique_ptr<TDebugForm, DebugFormDeleter> debugForm_;
    ScanTimings sweepTimings_;
    std::int64_t sweepStart_ = 0, sweepEnd_ = 0, sweepStep_ = 1;
    std::int32_t sweepSavedMode_ = 0;
    std::int32_t sweepSavedAgc_ = -1;
    bool sweepSavedAtten_ = false, sweepSavedPreAmp_ = false;
    std::uint32_t sweepSavedSquelchFlags_ = 0;
    SweepReading sweepReading_;
    // --- scanner ---
    void SetDirectionGlyphsIdle();
    // A direction button's start: the other button up, this one down, then the scan.
    void StartScanning(int direction);
    // A line of the scanner's or the sweep's log; its text is made only when the log is written.
    void ScanLog(const std::function<std::string()>& text);
    void FlashDirectionButton();
    int scanDirection_ = 0;      // -1 down, 1 up, 0 none
    ScanChannel scanNext_;
    ScanChannel scanActive_;
    ScanTimings scanTimings_;
    std::int32_t savedAGC_ = -1;
    std::int32_t savedMode_ = 0;
    // The rest of what a scan changes of the user's settings (AGC and mode above), taken when a
    // scan starts from idle or pause and brought back however the scan ends.
    bool savedAfc_ = false;
    std::int32_t savedBandwidth_ = 0;
    SQUELCH_SETTINGS savedSquelch_{};
    std::uint32_t savedSquelchBits_ = 0;
    // A step's readings that did not come from the receiver (a refused or failed request): the
    // step decides nothing and the pipeline starts again at the active channel.
    bool scanReadFailed_ = false;
    // The receiver is asked among its requests and never waited for: a step reads the active
    // channel and goes on when the reading comes (`then`, may be empty), unless the scan stopped,
    // paused or started again meanwhile. Readings a step still waits for hold the next step.
    void ScanRead(std::function<void(const PipelinedReading&)> then);
    void ScanMeasured(const PipelinedReading& r);
    void ScanRetuned();
    void ScanDecide();
    void RestartScanPipeline();
    void NewScanGeneration();
    std::uint32_t scanGeneration_ = 0;
    int scanReadsDue_ = 0;
    void RestoreUserSettings(bool channelToo);
    std::int64_t holdDeadline_ = -1; // ms; -1 stopped, 0 running
    // The receiver's count of measured levels when the hold began: the signal held is judged
    // gone only on a level measured since (the tuning to it shows the channel pipelined next).
    std::uint32_t holdLevelsFrom_ = 0;
    std::int64_t scanStartMs_ = 0;
    std::int64_t scanChannels_ = 0;
    std::int32_t rangeChanges_ = 0;
    std::int64_t lastFlashMs_ = 0;

    // --- plug-ins ---
    void BuildPlugins();
    void BindPluginEvents();
    void UnbindPluginEvents();
    void FillMemoryEntry(const TMemoryRecord& channel, void* entry);
    void StoreMemoryEntry(std::int32_t number, const void* entry);
    plat::win::Hwnd embeddedDemodulator_ = 0;
};

} // namespace lxq
