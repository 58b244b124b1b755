// The front panel's files: the settings file, the memory file with its menu, the auto-stepping
// and exclusion lists, the band list and the memory-channel spreadsheet exchange.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/MemoryCsv.h"
#include "app/forms/MemoryOrdering.h"
#include "app/forms/RecordFile.h"
#include "platform/sys/AtomicFile.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TInputQueryForm.h"
#include "platform/components/TMemIniFile.h"
#include "platform/components/TTimer.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TSaveDialog.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/KnownFolders.h"
#include "platform/sys/NamedMutex.h"

namespace lxq {

using namespace plat::comp;

namespace {

namespace fs = std::filesystem;

// What the panel says of a file it refused to read for its size.
std::string TooLargeText(const std::string& path, const std::string& kind) {
    return path + " is larger than " + kind + " can be and was not read.\nIt is left as it is.";
}

constexpr const char* kDefaultMemoryFile = "Q7memory.45m";
constexpr const char* kAutoStepFile = "autostep.45s";
constexpr const char* kExclusionFile = "exclusions.45e";
constexpr const char* kBandFile = "bands.csv";
constexpr const char* kSettingsMutex = "Q745INIFILE";
constexpr const char* kNotReadNotSaved = " was not read (too large); it is left as it is; not saved";
constexpr std::int64_t kSettingsLockMs = 60000;
constexpr std::int64_t kLockPollMs = 10;
constexpr const char* kMemoryFilter = "Talvenor Q745 Memory Files|*.45m";
constexpr const char* kMemoryOpenFilter = "Talvenor Q745 Memory Files| *.45m";
constexpr std::uint32_t kWarningBox = MB_OK | MB_ICONWARNING | MB_TOPMOST;
constexpr std::uint32_t kQuestionBox = MB_YESNO | MB_ICONQUESTION | MB_TOPMOST;

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

// Waits for the mutex as long as the timeout allows; false when it stayed taken.
bool LockWithin(plat::sys::NamedMutex& mutex, std::int64_t timeoutMs) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const std::int64_t end = clock.NowMs() + timeoutMs;
    while (!mutex.TryLock()) {
        if (clock.NowMs() >= end) return false;
        clock.SleepMs(kLockPollMs);
    }
    return true;
}

std::int64_t TruncatedHz(double hz) {
    if (!std::isfinite(hz)) return 0;
    if (hz >= 9.2e18) return INT64_MAX;
    if (hz <= -9.2e18) return INT64_MIN;
    return static_cast<std::int64_t>(hz);
}

std::int32_t IncrBtnsOf(KnobMultiplier m) {
    switch (m) {
    case KnobMultiplier::Tenth: return 1;
    case KnobMultiplier::One: return 10;
    case KnobMultiplier::Ten: return 100;
    case KnobMultiplier::TuningStep: return 1000;
    }
    return 10;
}

} // namespace

void TQ7form::BuildFileDialogs() {
    if (SaveDialog1) return;
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetFilter(kMemoryFilter);
    SaveDialog1->SetDefaultExt("45m");
    SaveDialog1->SetOptions(SaveDialog1->Options() | of::NoChangeDir);
    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetFilter(kMemoryOpenFilter);
    OpenDialog1->SetDefaultExt("45m");
    OpenDialog1->SetOptions(OpenDialog1->Options() | of::NoChangeDir);
    SaveDialogCSV = new TSaveDialog(this);
    SaveDialogCSV->SetFilter("Spreadsheet files|*.csv");
    SaveDialogCSV->SetDefaultExt("csv");
    SaveDialogCSV->SetOptions(SaveDialogCSV->Options() | of::NoChangeDir | of::OverwritePrompt);
    OpenDialogCSV = new TOpenDialog(this);
    OpenDialogCSV->SetFilter("Spreadsheet files|*.csv");
    OpenDialogCSV->SetDefaultExt("csv");
    OpenDialogCSV->SetOptions(OpenDialogCSV->Options() | of::NoChangeDir);
    if (!ExecuteDialog) ExecuteDialog = [](TOpenDialog& d) { return d.Execute(); };
    if (!AskText)
        AskText = [](const std::string& caption, const std::string& prompt, std::string& value) {
            return InputQuery(caption, prompt, value);
        };
}

void TQ7form::CreateLists() {
    memories_.clear();
    autoSteps_.clear();
    exclusions_.clear();
    bands_.clear();
    memoriesByFrequency_ = std::make_unique<MemoryView>();
    memoryFile_ = dataFolder_ + kDefaultMemoryFile;
}

bool TQ7form::AskYesNo(const std::string& question) {
    return ShowMessageBox(question, kCaption, kQuestionBox) == IDYES;
}

// --- settings file -----------------------------------------------------------------------------

void TQ7form::ReadSettings() {
    const std::string inFolder = dataFolder_ + kSettingsFileName;
    const std::string path = fs::exists(inFolder) ? inFolder : std::string(kSettingsFileName);
    if (plat::sys::ReadFileWithin(path, plat::sys::kProfileFileLimit).outcome == plat::sys::ReadOutcome::TooLarge)
        Warn(TooLargeText(path, "a settings file")); // read as empty; never written over
    const TIniFile ini(path);
    settings_ = ReadPanelSettings(ini, Q7->GetSerialNum(), demodulatorName_);
    SquelchLevelsToUnits(settings_);
    ApplySettings();
}

void TQ7form::ApplySettings() {
    const TPanelSettings& s = settings_;
    Q7->SetFreq(TruncatedHz(s.freq));
    Q7->SetCalFile(s.calFile);
    Q7->SetPower(s.power ? 1 : 0);
    Q7->SetAGC(s.agc);
    Q7->SetAtten(s.atten ? 1 : 0);
    Q7->SetPreAmp(s.preamp ? 1 : 0);
    Q7->SetIFGain(s.ifGain);
    Q7->SetDispOffset(s.displayOffset);
    Q7->SetAFC(s.afc);
    SetLeft(s.left);
    SetTop(s.top);
    demodulatorName_ = s.demodulator;
    memoryFile_ = s.memoryFile.empty() ? dataFolder_ + kDefaultMemoryFile : s.memoryFile;
    myFrequencyEdit2->SetValue(s.step);
    stSpeedButton9->SetDown(s.autoStep == 1); // start-up clicks it once to apply the state
    if (s.stayOnTop == 1) Stayontop1->Click();
    const std::pair<std::int32_t, TstSpeedButton*> multipliers[] = {
        {1, stSpeedButton50}, {10, stSpeedButton47}, {100, stSpeedButton48}, {1000, stSpeedButton49}};
    for (const auto& [value, button] : multipliers) {
        if (value != s.incrBtns) continue;
        button->SetDown(true);
        stSpeedButton49Click(button);
    }

    // A value outside a group's range leaves the buttons as the panel made them.
    TstSpeedButton* const scanKinds[] = {stSpeedButton10, stSpeedButton21, stSpeedButton3};
    if (s.scanMode >= 0 && s.scanMode < 3) scanKinds[s.scanMode]->SetDown(true);
    scanDirection_ = 0;
    holdDeadline_ = -1;

    myFrequencyEdit3->SetValue(s.sweepStart);
    myFrequencyEdit4->SetValue(s.sweepStop);
    myFrequencyEdit5->SetValue(s.sweepStep);
    stSpeedButton52->SetDown(s.hits);
    stSpeedButton52Click(stSpeedButton52);
    myFreqGraph1->SetRange(s.sweepStart, s.sweepStop, s.sweepStep);
    stSpeedButton33->SetDown(s.continuous);
    stSpeedButton34->SetDown(s.showMin);
    stSpeedButton34Click(stSpeedButton34);
    stSpeedButton35->SetDown(s.showMax);
    stSpeedButton35Click(stSpeedButton35);
    stSpeedButton36->SetDown(s.showDiff);
    stSpeedButton36Click(stSpeedButton36);

    if (s.meterUnit >= 0 && s.meterUnit <= 3) {
        TstSpeedButton* const units[] = {stSpeedButton16, stSpeedButton17, stSpeedButton18, stSpeedButton18};
        units[s.meterUnit]->SetDown(true);
        stSpeedButton39->SetDown(s.meterUnit == 3);
    }
    stSpeedButton16Click(stSpeedButton17);

    LayOutScope(s.scopeVisible, s.scopeHeight);
    // The mode last, with its squelch: the panel's mode is the restored one from the start (the
    // demodulator is given it as it starts), and the level and tone squelch of the mode show.
    Q7->SetMode(s.mode);
}

void TQ7form::LayOutScope(bool open, int height) {
    const int panel = stPanel1->Height();
    ScrollTimer->SetEnabled(false);
    SweepPanel->SetBounds(0, panel, ClientWidth(), height);
    SetClientSize(ClientWidth(), open ? panel + height : panel);
    SweepPanel->SetEnabled(open && Q7->GetPower() != 0);
    stSpeedButton24->SetDown(open);
    stSpeedButton24->SetKind(open ? TSTButtonKind::stbkUpArrow : TSTButtonKind::stbkDownArrow);
}

void TQ7form::CollectSettings() {
    TPanelSettings& s = settings_;
    s.freq = static_cast<double>(Q7->GetFreq());
    s.calFile = Q7->CalibrationFile();
    // An AGC the receiver does not report (not known since a request went unanswered) keeps
    // the one saved before.
    if (const std::int32_t agc = Q7->GetAGC(); agc >= 0 && agc <= 3) s.agc = agc;
    s.atten = Q7->GetAtten() != 0;
    s.preamp = Q7->GetPreAmp() != 0;
    s.power = Q7->GetPower() != 0;
    s.ifGain = Q7->GetIFGain();
    s.displayOffset = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(Q7->DisplayOffset())));
    s.afc = Q7->GetAFC();
    s.mode = Q7->GetMode();
    s.left = Left();
    s.top = Top();
    s.demodulator = demodulatorName_;
    s.memoryFile = memoryFile_;
    s.step = static_cast<std::int32_t>(myFrequencyEdit2->Value());
    s.autoStep = stSpeedButton9->Down() ? 1 : 0;
    s.stayOnTop = Stayontop1->Checked() ? 1 : 0;
    s.incrBtns = IncrBtnsOf(multiplier_);

    s.scanMode = stSpeedButton10->Down() ? 0 : stSpeedButton21->Down() ? 1 : stSpeedButton3->Down() ? 2 : s.scanMode;
    s.scopeVisible = stSpeedButton24->Down();
    s.scopeHeight = SweepPanel->Height();
    const auto low32 = [](std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))); };
    s.sweepStart = low32(myFrequencyEdit3->Value());
    s.sweepStop = low32(myFrequencyEdit4->Value());
    s.sweepStep = low32(myFrequencyEdit5->Value());
    s.continuous = stSpeedButton33->Down();
    s.showMin = stSpeedButton34->Down();
    s.showMax = stSpeedButton35->Down();
    s.showDiff = stSpeedButton36->Down();
    s.hits = stSpeedButton52->Down();
    s.meterUnit = stSpeedButton16->Down()   ? 0
                : stSpeedButton17->Down()   ? 1
                : !stSpeedButton18->Down()  ? -1
                : stSpeedButton39->Down()   ? 3
                                            : 2;
}

void TQ7form::WriteSettings() {
    DebugLog("WriteSettings");
    // The receiver's presence as last heard: asking now could wait for one that does not answer.
    // No receiver open (closed for a sleep, or not back from it): nothing is known to save, and
    // its sections would be named by an empty serial number.
    if (Q7->Handle() == 0 || Q7->GetSerialNum().empty() || !Q7->KnownConnected()) return;
    plat::sys::NamedMutex mutex(kSettingsMutex);
    if (!mutex.Valid() || !LockWithin(mutex, kSettingsLockMs)) return;
    DebugLog("Writing settings");
    TMemIniFile ini(dataFolder_ + kSettingsFileName);
    CollectSettings();
    WritePanelSettings(ini, Q7->GetSerialNum(), SquelchLevelsInDbm(settings_));
    DebugLog("Updating settings");
    ini.UpdateFile();
    mutex.Unlock();
    DebugLog("Settings written");
}

// --- binary data files -------------------------------------------------------------------------

namespace {

// A file with damaged records is kept aside before the program's next save replaces it.
std::string KeepDamaged(const std::string& path) {
    const std::string copy = path + ".damaged";
    std::error_code ec;
    fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy;
}

} // namespace

void TQ7form::LoadMemoryFile() {
    plat::sys::ReadOutcome outcome = plat::sys::ReadOutcome::Missing;
    auto content = ReadMemoryFile(memoryFile_, &outcome);
    if (outcome == plat::sys::ReadOutcome::TooLarge) {
        // Never saved over: what it holds is not known.
        refusedFiles_.insert(memoryFile_);
        Warn(TooLargeText(memoryFile_, "a memory file"));
    } else if (!content) {
        if (memoryFile_ != dataFolder_ + kDefaultMemoryFile) Open1Click(nullptr);
    } else {
        memories_ = std::move(content->list);
        if (content->damaged > 0) {
            const std::string copy = KeepDamaged(memoryFile_);
            const bool one = content->damaged == 1;
            Warn(std::to_string(content->damaged) + (one ? " damaged memory record in " : " damaged memory records in ") +
                 memoryFile_ + (one ? " was skipped." : " were skipped.") +
                 (copy.empty() ? "" : "\nThe file as it was is kept as " + copy + "."));
        }
    }
    RebuildSortedMemories();
}

void TQ7form::SaveMemoryFile() {
    if (refusedFiles_.count(memoryFile_) != 0 || !WriteMemoryFile(memoryFile_, memories_)) Saveas1Click(nullptr);
}

namespace {

template <typename R>
std::vector<R> LoadRecords(const std::string& path, const std::function<void(const std::string&)>& warn,
                           std::set<std::string>& refused) {
    plat::sys::ReadOutcome outcome = plat::sys::ReadOutcome::Missing;
    auto content = ReadRecordFile<R>(path, &outcome);
    if (outcome == plat::sys::ReadOutcome::TooLarge) {
        refused.insert(path);
        warn(TooLargeText(path, "a list file"));
    }
    if (!content) return {};
    if (content->damaged > 0) {
        const std::string copy = KeepDamaged(path);
        warn(std::to_string(content->damaged) + " damaged records in " + path + " were skipped." +
             (copy.empty() ? "" : "\nThe file as it was is kept as " + copy + "."));
    }
    return std::move(content->records);
}

} // namespace

void TQ7form::LoadAutoSteps() {
    std::string path = dataFolder_ + kAutoStepFile;
    if (!fs::exists(path)) path = (fs::path(plat::sys::ProgramFolder()) / kAutoStepFile).string();
    autoSteps_ = LoadRecords<TRangeRecord>(path, [this](const std::string& t) { Warn(t); }, refusedFiles_);
}

void TQ7form::SaveAutoSteps() {
    if (refusedFiles_.count(dataFolder_ + kAutoStepFile) == 0)
        WriteRecordFile<TRangeRecord>(dataFolder_ + kAutoStepFile, autoSteps_);
    else
        plat::sys::OutputDebugText(dataFolder_ + kAutoStepFile + kNotReadNotSaved);
}

void TQ7form::LoadExclusions() {
    exclusions_ = LoadRecords<TExclusionRecord>(dataFolder_ + kExclusionFile, [this](const std::string& t) { Warn(t); },
                                                refusedFiles_);
}

void TQ7form::SaveExclusions() {
    if (refusedFiles_.count(dataFolder_ + kExclusionFile) == 0)
        WriteRecordFile<TExclusionRecord>(dataFolder_ + kExclusionFile, exclusions_);
    else
        plat::sys::OutputDebugText(dataFolder_ + kExclusionFile + kNotReadNotSaved);
}

void TQ7form::LoadBands() { bands_ = ReadBandFile(kBandFile); }

void TQ7form::RebuildSortedMemories() {
    lxq::RebuildSortedMemories(memories_, memoriesByFrequency_.get(), settings_.memSort, hotkeyUsed_);
    // An open recall window shows the list as it is now, not the rows it counted before.
    if (RecallForm) RecallForm->SetMemoryList(memories_);
}

// --- memory-file menu --------------------------------------------------------------------------

void TQ7form::Save1Click(TObject*) { SaveMemoryFile(); }

void TQ7form::Saveas1Click(TObject*) {
    BuildFileDialogs();
    SaveDialog1->SetInitialDir(FolderOf(memoryFile_));
    SaveDialog1->SetFileName(memoryFile_);
    if (!ExecuteDialog(*SaveDialog1)) return;
    memoryFile_ = SaveDialog1->FileName();
    refusedFiles_.erase(memoryFile_); // a name the user chose to save under
    Save1Click(this);
}

void TQ7form::Open1Click(TObject* sender) {
    BuildFileDialogs();
    OpenDialog1->SetInitialDir(FolderOf(memoryFile_));
    if (!ExecuteDialog(*OpenDialog1)) return;
    if (sender) Save1Click(this);
    memoryFile_ = OpenDialog1->FileName();
    memories_.clear();
    LoadMemoryFile();
}

void TQ7form::New1Click(TObject*) {
    BuildFileDialogs();
    std::string name;
    for (;;) {
        name.clear();
        if (!AskText(kCaption, "Enter the name of new memory file", name)) return;
        name += ".45m";
        if (!fs::exists(name) || AskYesNo("Overwrite existing file ?")) break;
    }
    Save1Click(this);
    memoryFile_ = name;
    Clear1Click(this);
    RebuildSortedMemories();
}

void TQ7form::Clear1Click(TObject* sender) {
    if (sender != this && !AskYesNo("Delete all frequencies ?")) return;
    memories_.clear();
    RebuildSortedMemories();
}

// --- spreadsheet exchange ----------------------------------------------------------------------

void TQ7form::ExporttoCSV1Click(TObject*) {
    BuildFileDialogs();
    SaveDialogCSV->SetInitialDir(FolderOf(memoryFile_));
    if (ExecuteDialog(*SaveDialogCSV)) ExportCSV(SaveDialogCSV->FileName());
}

void TQ7form::ImportfromCSV1Click(TObject*) {
    BuildFileDialogs();
    OpenDialogCSV->SetInitialDir(FolderOf(memoryFile_));
    if (ExecuteDialog(*OpenDialogCSV)) ImportCSV(OpenDialogCSV->FileName());
}

void TQ7form::ExportCSV(const std::string& fileName) {
    if (!ExportMemoryCsv(fileName, memories_)) Warn("Unable to create the CSV file !");
}

void TQ7form::ImportCSV(const std::string& fileName) {
    // The message box lets the idle loop run (the memory scanner reads the frequency view):
    // the view is rebuilt first, so it holds no channel the import has replaced.
    const auto report = [this](const std::string& text) {
        RebuildSortedMemories();
        Warn(text);
    };
    if (!ImportMemoryCsv(fileName, memories_, report)) {
        Warn("Unable to open the CSV file !");
        return;
    }
    RebuildSortedMemories();
}

} // namespace lxq
