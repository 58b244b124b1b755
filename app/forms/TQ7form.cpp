#include "app/forms/TQ7form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "app/controls/FloatText.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TmyTuningPad.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstKnob.h"
#include "app/controls/TstPanel.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/DataFolder.h"
#include "app/forms/TSplashForm.h"
#include "app/forms/FrontPanelLook.h"
#include "app/forms/PlaceControl.h"
#include "app/forms/TDebugForm.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/TApplicationEvents.h"
#include "platform/components/THintWindow.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;

const char* const TQ7form::kCaption = "Talvenor Q745";

namespace {

constexpr TColor kPanelColor = 0x404040;
constexpr TColor kDisplayColor = 0x202020;
constexpr std::uint32_t kWarningBox = MB_OK | MB_ICONWARNING | MB_TOPMOST;
constexpr const char* kDemodulatorPlugin = "Q745 Demodulator";
constexpr std::uint32_t kSetFrequency = 0x800;
constexpr std::uint32_t kHostBusyClosing = 0x2;

std::string WithoutStars(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '*') out += c;
    return out;
}

// The device paths of our own driver host name the family's driver; elsewhere the product id.
bool CompatibleDriverPath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("7745") != std::string::npos || lower.rfind("lxq745#", 0) == 0;
}

} // namespace

TQ7form::TQ7form(TComponent* owner, std::vector<std::string> args)
    : TForm(owner), args_(std::move(args)) {
    ShowMessageBox = [](const std::string& text, const std::string& caption, std::uint32_t flags) {
        return MessageBox(text, caption, flags);
    };
    Q7 = new TmyQ745(this);
    // The receiver's level is read on every second tick of its 10 ms poll, not on the thousandth
    // (ten seconds): the S-meter moves with the signal, and a scan holding on a station notices
    // at once that it went instead of only after the hold's delay.
    Q7->SetTimerInterval(1);
    KVR = new TmyKVRserver(this);
    KVR->SetReceiver(Q7);
    BuildControls();
    BuildFileDialogs();
    for (std::size_t i = 0; i < kTuningPadSteps.size(); ++i)
        TmyTuningPad::SetStep(static_cast<int>(i), kTuningPadSteps[i]);

    Q7->OnFrequencyChanged = [this](TObject* s) { LXFreqChange(s); };
    Q7->OnSignalChanged = [this](TObject* s) { LXSignalChange(s); };
    Q7->OnBlockedFrequency = [this](TObject* s, std::int64_t f) { Q7BlockedFrequency(s, f); };
    Q7->OnChooseReceiver = [this](TObject* s, const RADIO_INFO* infos, int count, int& chosen) {
        Q7ChooseReceiver(s, infos, count, chosen);
    };
    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->OnMessage = [this](plat::win::Msg& m, bool& h) { ApplicationEvents1Message(m, h); };
    BuildIdle(); // binds the idle loop to the application events made just above
    // Keys to the form's own window come through its preview; those of its controls through
    // the application's message hook.
    OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyDown(s, k, st); };
    OnKeyUp = [this](TObject* s, std::uint16_t& k, TShiftState st) { FormKeyUp(s, k, st); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

TQ7form::~TQ7form() {
    // The base destructor would raise OnDestroy once this form's members are gone; FormDestroy
    // is this form's own, so it runs here while the form is whole.
    if (const TNotifyEvent destroy = std::exchange(OnDestroy, nullptr)) destroy(this);
    // The host outlives the menus and controls it reports to: the plug-ins it stops on its way out
    // must find no handler of this form.
    UnbindPluginEvents();
    // Stopping them runs the message loop, where the receiver's poll still reports its signal:
    // the meter it would move may already be gone.
    if (Q7) {
        for (TNotifyEvent* event : {&Q7->OnFrequencyChanged, &Q7->OnModeChanged, &Q7->OnAGCChanged,
                                    &Q7->OnAttenChanged, &Q7->OnIFGainChanged, &Q7->OnPowerChanged,
                                    &Q7->OnSignalChanged, &Q7->OnSquelchChanged, &Q7->OnAfcChanged,
                                    &Q7->OnPreAmpChanged, &Q7->OnSquelchedInfo, &Q7->OnDisconnect})
            *event = nullptr;
        Q7->OnBlockedFrequency = nullptr;
        Q7->OnChooseReceiver = nullptr;
        Q7->OnBlockScan = nullptr;
    }
}

void TQ7form::BuildControls() {
    SetCaption(kCaption);
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetClientSize(760, 300);
    SetColor(0x303030);
    SetKeyPreview(true);

    stPanel1 = Place<TstPanel>(this, this, 0, 0, 760, 300);
    stPanel1->SetColor(kPanelColor);
    stPanel1->SetBevelStyle(TBevelStyle::bsRound);
    stPanel1->SetBevelWidth(6);

    myFrequencyEdit1 = Place<TstFrequencyEdit>(this, stPanel1, 16, 14, 330, 44);
    myFrequencyEdit1->SetColor(kDisplayColor);
    myFrequencyEdit1->Font().SetSize(22);
    myFrequencyEdit1->Font().SetColor(clLime);
    myFrequencyEdit1->SetShowUnit(TFrequencyUnit::fuMHz);
    myFrequencyEdit1->SetFixedPoint(TFixedPoint::fp1Hz);
    myFrequencyEdit1->SetSmallFixedPoint(TFixedPoint::fp1kHz);
    myFrequencyEdit1->SetSmallColor(clRed);
    myFrequencyEdit1->SetMin(1);
    myFrequencyEdit1->SetMax(1'000'000'000);
    myFrequencyEdit1->SetDefaultShadow(false);
    myFrequencyEdit1->OnValueChange = [this](TObject* s) { myFrequencyEdit1ValueChange(s); };

    myLabel16 = Place<TmyLabel>(this, stPanel1, 16, 62, 330, 18);
    myLabel16->SetAutoSize(false);
    myLabel16->Font().SetColor(clYellow);

    auto* stepLabel = Place<TmyLabel>(this, stPanel1, 360, 62, 40, 18);
    stepLabel->SetCaption("Step");
    stepLabel->Font().SetColor(clWhite);
    myFrequencyEdit2 = Place<TstFrequencyEdit>(this, stPanel1, 400, 58, 110, 24);
    myFrequencyEdit2->SetColor(kDisplayColor);
    myFrequencyEdit2->Font().SetColor(clLime);
    myFrequencyEdit2->SetShowUnit(TFrequencyUnit::fukHz);
    myFrequencyEdit2->SetMin(1);
    myFrequencyEdit2->SetMax(1'000'000);
    myFrequencyEdit2->SetValue(1000);
    myFrequencyEdit2->SetDefaultShadow(false);

    auto button = [this](int x, int y, int w, const char* caption, TSTButtonKind kind) {
        return FrontPanelButton(this, stPanel1, x, y, w, caption, kind);
    };
    stSpeedButton26 = button(16, 92, 32, nullptr, TSTButtonKind::stbkRewind);
    stSpeedButton29 = button(52, 92, 32, nullptr, TSTButtonKind::stbkShortLeftArrow);
    stSpeedButton28 = button(88, 92, 32, nullptr, TSTButtonKind::stbkShortRightArrow);
    stSpeedButton27 = button(124, 92, 32, nullptr, TSTButtonKind::stbkFastForward);
    stSpeedButton29->OnAutoRepeat = [this](TObject* s) { stSpeedButton29Click(s); };
    stSpeedButton28->OnAutoRepeat = [this](TObject* s) { stSpeedButton28Click(s); };
    stSpeedButton26->OnAutoRepeat = [this](TObject* s) { stSpeedButton26Click(s); };
    stSpeedButton27->OnAutoRepeat = [this](TObject* s) { stSpeedButton27Click(s); };

    stPanel4 = Place<TstPanel>(this, stPanel1, 356, 88, 168, 32);
    stPanel4->SetColor(kPanelColor);
    stPanel4->SetBevelStyle(TBevelStyle::bsGradientInner);
    stPanel4->SetBevelWidth(2);
    const std::pair<const char*, KnobMultiplier> multipliers[] = {
        {"x1", KnobMultiplier::One},
        {"x10", KnobMultiplier::Ten},
        {"S", KnobMultiplier::TuningStep},
        {"x0.1", KnobMultiplier::Tenth}};
    TstSpeedButton** slots[] = {&stSpeedButton47, &stSpeedButton48, &stSpeedButton49, &stSpeedButton50};
    int x = 4;
    for (int i = 0; i < 4; ++i) {
        auto* b = FrontPanelButton(this, stPanel4, x, 4, 36, multipliers[i].first, TSTButtonKind::stbkNone);
        b->SetGroupIndex(1);
        b->SetTag(static_cast<std::intptr_t>(multipliers[i].second));
        b->OnClick = [this](TObject* s) { stSpeedButton49Click(s); };
        b->SetHint(multipliers[i].second == KnobMultiplier::TuningStep ? "Default tuning step"
                                                                       : "Tuning knob step multiplier");
        b->SetShowHint(true);
        *slots[i] = b;
        x += 40;
    }
    stSpeedButton47->SetDown(true);

    stKnob1 = Place<TstKnob>(this, stPanel1, 560, 10, 180, 180);
    stKnob1->SetColor(kPanelColor);
    stKnob1->SetKnobColor(0x505050);
    stKnob1->SetSmallKnobColor(0x505050);
    stKnob1->SetStepCount(24);
    stKnob1->SetSpeed(50);
    stKnob1->OnUpDown = [this](TObject* s, bool up, TShiftState st) { stKnob1UpDown(s, up, st); };
    stKnob1->OnKeyMessage = [this](TObject* s, TMessage& m, bool& h) { stKnob1KeyMessage(s, m, h); };

    myFrequencyEdit1->SetExitControl(stKnob1); // after an entry the knob takes the keys again

    myTuningPad1 = Place<TmyTuningPad>(this, stPanel1, 16, 196, 524, 92);
    myTuningPad1->SetInterval(100);
    myTuningPad1->SetDelay(1000);
    myTuningPad1->OnStep = [this](TComponent* c, int step) { myTuningPad1Step(c, step); };

    FreqTimer = new TTimer(this);
    FreqTimer->SetEnabled(false);
    FreqTimer->SetInterval(250);
    FreqTimer->SetOnTimer([this](TObject* s) { FreqTimerTimer(s); });
    FHint = new THintWindow(this);
    HintTimer = new TTimer(this);
    HintTimer->SetEnabled(false);
    HintTimer->SetInterval(3000);
    HintTimer->SetOnTimer([this](TObject* s) { HintTimerTimer(s); });
    SignalTimer = new TTimer(this);
    SignalTimer->SetEnabled(false);
    SignalTimer->SetOnTimer([this](TObject* s) { SignalTimerTimer(s); });
    BuildReceiverControls();
    BuildClocks();
    BuildConnection();
    BuildMemories();
    BuildSweep();
    BuildScanner();
    BuildStartup();
    BuildPlugins();
}

// --- start-up and shut-down --------------------------------------------------------------------

int TQ7form::Warn(const std::string& text) { return ShowMessageBox(text, kCaption, kWarningBox); }

void TQ7form::PostClose() { plat::win::PostMessage(Handle(), plat::win::WM_CLOSE, 0, 0); }

void TQ7form::FormCreate(TObject*) {
    DebugLog("Panel starts");
    dataFolder_ = GetDataFolder();
    LoadHelp();
    reactToEdits_ = true;
    quit_ = false;
    service_ = false;
    rawSignal_ = false;
    demodulatorName_ = "Q745 Standard";

    SetStatus("Initializing API...");
    Q7->SetInit(true);
    if (!Q7->GetInit()) {
        Warn("Required DLLs are missing.\nPlease reinstall the software.");
        quit_ = true;
        PostClose();
        return;
    }
    SetStatus("Accessing hardware...");
    preferredSerial_ = ReadStartOptions(args_).preferredSerial;
    while (Q7->ChooseToOpen() == 0) {
        // Asked again only after "Try again": a receiver that cannot be opened ends the start.
        if (retryChoice_ && !quit_) continue;
        quit_ = true;
        PostClose();
        return;
    }
    if (!Q7->Demo()) {
        const std::string path = Q7->GetDriverPath();
        if (!path.empty() && !CompatibleDriverPath(path)) {
            quit_ = true;
            ShowMessageBox("Incompatible hardware found", kCaption, MB_OK);
        }
    }
    if (quit_) {
        PostClose();
        return;
    }
    startDemodulator_ = true;
    exitProcess_ = false;
    ApplyReceiverOptions();

    CreateLists();
    LoadBands();
    LoadAutoSteps();
    LoadExclusions();
    LoadScanRanges();
    BuildPluginMenus();
    ReadSettings();
    FitFrequencyEntry();
    UpdateFrontPanelLED();
    Q7ModeChanged(Q7); // the mode's squelch from the settings reaches the receiver
    LoadMemoryFile();

    myFrequencyEdit1ValueChange(myFrequencyEdit1);
    Q7->Calibrate(0, 0);
    if (Q7->CalibrationFile().empty())
        Warn("The Calibration file is missing.\nThe S-meter will not be accurate.");
    SetMainFrequency(Q7->GetFreq());
    ApplyPanelOptions();
    if (startDemodulator_) StartDemodulator(demodulatorName_);
    Q7->UpdateNow();
    stSpeedButton9->Click(); // applies the "Auto" state the settings left

    SetCaption(Q7->Demo() ? std::string(kCaption) + " - **DEMO**"
                          : std::string(kCaption) + Q7->GetInterfaceChar() + " - #" + Q7->GetSerialNum());
    if (Q7->GetInterfaceChar() == "e") FrontpanelLED1->SetVisible(true);
    Show();
    if (stKnob1->Enabled() && stKnob1->HandleAllocated()) SetActiveControl(stKnob1);
    DebugLog("Panel is ready");
}

void TQ7form::ApplyReceiverOptions() {
    const ReceiverOptions o = ReadReceiverOptions(args_);
    // Among the receiver's requests: the start goes on, and a refusal is told when it comes.
    if (o.refClockHz) {
        const std::uint32_t hz = *o.refClockHz;
        Q7->RequestRefClk(hz, [this, hz](bool set) {
            if (!set) Warn("Failed to set the reference clock to " + FormatFloat(hz / 1e6, 0, 6) + " MHz");
        });
    }
    if (o.if2Hz) {
        const std::int32_t hz = *o.if2Hz;
        Q7->RequestIF2Frequency(hz, [this, hz](bool set) {
            if (!set) Warn("Failed to set the second IF frequency to " + FormatFloat(hz / 1e6, 0, 6) + " MHz");
        });
    }
    if (o.debugLevel) debugLevel_ = *o.debugLevel;
    exitProcess_ = o.exitProcess;
}

void TQ7form::ApplyPanelOptions() {
    const PanelOptions o = ReadPanelOptions(args_);
    if (o.service) {
        service_ = true;
        Debug1->SetEnabled(true);
        Debug1->SetVisible(true);
    }
    if (o.calibrationMenu) {
        Calibrationfile1->SetEnabled(true);
        Calibrationfile1->SetVisible(true);
    }
    if (o.rawSignal) rawSignal_ = true;
    if (o.noDemodulator) {
        startDemodulator_ = false;
        demodulatorName_.clear();
    }
}

void TQ7form::FormCloseQuery(TObject*, bool& canClose) {
    canClose = (KVR->Disabled() & kHostBusyClosing) == 0;
    // A plug-in that holds the panel refuses a stop signal as it refuses the close box; the panel
    // then goes on as before, its menus and boxes opening again.
    if (!canClose) plat::comp::Application().ResumeModalLoops();
    // A scan or a sweep ends first (the receiver gets its settings back); the close comes again.
    if (canClose && StopScanForClose()) {
        canClose = false;
        PostClose();
    } else if (canClose && Sweeping()) {
        canClose = false;
        stSpeedButton31Click(stSpeedButton31);
        PostClose();
    }
}

void TQ7form::FormClose(TObject*, TCloseAction&) {
    if (quit_) return;
    closing_ = true;
    WakeTimer->SetEnabled(false); // a wake's wait ends with the panel
    Hide();
    if (memoriesByFrequency_) {
        SaveMemoryFile();
        WriteSettings();
        SaveAutoSteps();
        SaveExclusions();
        SaveScanRanges();
    }
    FreqTimer->SetEnabled(false);
    if (RecallForm) RecallForm->Close();
    const std::string product = Q7->GetProductName();
    const bool powered = Q7->GetPower() != 0;
    if (product.find("USB") != std::string::npos) Q7->SetLED(powered ? 95 : 160);
    else if (product.find("SER") != std::string::npos) Q7->SetLED(powered ? 127 : 128);
    Q7->SetPower(0);
    plat::sys::ActiveClock().SleepMs(300); // the receiver settles before it is let go
    Q7->Close();
    HelpModule = nullptr;
    helpLibrary_.reset();
}

void TQ7form::FormDestroy(TObject*) {
    if (exitProcess_) std::_Exit(0);
}

void TQ7form::DebugLog(const std::string& text) {
    if (debugLevel_ == 0) return;
    const std::string serial = Q7 ? Q7->GetSerialNum() : std::string();
    if (debugLevel_ == 2) {
        if (debugLogFile_.empty()) {
            debugLogFile_ = dataFolder_ + WithoutStars("Debug-" + serial + ".log");
            std::error_code ignored;
            std::filesystem::remove(debugLogFile_, ignored);
        }
        if (std::ofstream log{debugLogFile_, std::ios::app}) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f",
                          static_cast<double>(plat::sys::ActiveClock().NowMs()) / 1000.0);
            log << seconds << ": " << text << '\n';
            // The log file holds it: the debug output (standard error when no file is named for
            // it) would only repeat every line of a long run.
            if (log.flush()) return;
        }
    }
    plat::sys::OutputDebugText(serial + ": " + text + "\r\n");
}

void TQ7form::ApplicationEvents1Message(plat::win::Msg& msg, bool& handled) {
    namespace win = plat::win;
    if (EdgeResizeMessage(msg) || EmbeddedArrowKey(msg)) {
        handled = true;
        return;
    }
    // The form previews the key presses of its own controls; those of a window it embeds (the
    // demodulator's) and every release come here, so that the modifier keys act wherever the
    // focus is.
    const bool keyDown = (msg.message == win::WM_KEYDOWN || msg.message == win::WM_SYSKEYDOWN) &&
                         !TWinControl::FindControl(msg.hwnd);
    const bool keyUp = msg.message == win::WM_KEYUP || msg.message == win::WM_SYSKEYUP;
    if ((keyDown || keyUp) && HandleAllocated() && win::IsChild(Handle(), msg.hwnd)) {
        auto key = static_cast<std::uint16_t>(msg.wParam);
        if (keyDown) FormKeyDown(this, key, 0);
        else FormKeyUp(this, key, 0);
        if (key == 0) {
            handled = true;
            return;
        }
    }
    if (msg.message != win::WM_KEYDOWN || !Active() || !stKnob1->HandleAllocated() ||
        msg.hwnd != stKnob1->Handle())
        return;
    TShiftState shift = 0;
    if (win::GetKeyState(win::VK_SHIFT) < 0) shift |= ss::Shift;
    if (win::GetKeyState(win::VK_CONTROL) < 0) shift |= ss::Ctrl;
    if (win::GetKeyState(win::VK_MENU) < 0) shift |= ss::Alt;
    const auto key = static_cast<std::uint32_t>(msg.wParam);
    switch (key) {
    case win::VK_PRIOR:
    case win::VK_NEXT: {
        std::int64_t step = myFrequencyEdit2->Value();
        if (shift & ss::Shift) step *= 10;
        else if (shift & ss::Ctrl) step *= 100;
        Q7->SetFreq(Q7->GetFreq() + (key == win::VK_PRIOR ? step : -step));
        break;
    }
    case win::VK_LEFT:
    case win::VK_RIGHT: {
        const std::int32_t delta = key == win::VK_RIGHT ? 1 : -1;
        if (shift & ss::Ctrl) Q7->SetIFshift(Q7->GetIFshift() + delta);
        else Q7->SetVolume(Q7->GetVolume() + delta);
        break;
    }
    case win::VK_UP:
    case win::VK_DOWN: stKnob1->Step(key == win::VK_UP, shift, true); break;
    default: return;
    }
    myFrequencyEdit1->Repaint();
    handled = true;
}

// --- tuning ------------------------------------------------------------------------------------

void TQ7form::ShowFrequency(std::int64_t hz) {
    const bool react = reactToEdits_;
    reactToEdits_ = false;
    myFrequencyEdit1->SetValue(hz);
    reactToEdits_ = react;
}

void TQ7form::SetMainFrequency(std::int64_t hz) {
    myFrequencyEdit1->SetValue(hz);
    myFrequencyEdit1->Repaint();
}

void TQ7form::myFrequencyEdit1ValueChange(TObject*) {
    if (!reactToEdits_) return;
    const std::int64_t f = myFrequencyEdit1->Value();
    const std::int64_t d = std::llabs(static_cast<std::int64_t>(Low32(Q7->GetFreq())) -
                                      static_cast<std::int64_t>(Low32(f)));
    if (d != 0 && d != kThirdStep) thirds_.Reset();
    Q7->SetFreq(f);
    ShowMemoryLabel();
    stSpeedButton9Click(stSpeedButton9);
}

void TQ7form::LXFreqChange(TObject*) {
    FreqTimer->SetEnabled(false);
    myFrequencyEdit1->SetValue(Q7->GetFreq());
    FreqTimer->SetEnabled(true);
    HintTimer->SetEnabled(false);
    FHint->ReleaseHandle();
    if (DebugForm) DebugForm->TuneFilterPage(Low32(Q7->GetFreq()));
}

void TQ7form::FreqTimerTimer(TObject*) {
    FreqTimer->SetEnabled(false);
    if (Q7->GetScanMode() != 0) return;
    const std::uint32_t low = Low32(Q7->GetFreq());
    KVR->SendToPlugin(kDemodulatorPlugin, kSetFrequency, low | 0x80000000u, 0, nullptr);
    Q7->SetPllSpd(false);
    KVR->SendToPlugin(kDemodulatorPlugin, kSetFrequency, low, 0, nullptr);
}

void TQ7form::stKnob1UpDown(TObject*, bool direction, TShiftState state) {
    std::int64_t step = KnobStepHz(Q7->GetMode(), state, CurrentMultiplier(), myFrequencyEdit2->Value());
    if (!direction) step = -step;
    if (step == kThirdStep) stSpeedButton28Click(stSpeedButton28);
    else if (step == -kThirdStep) stSpeedButton29Click(stSpeedButton29);
    else Q7->SetFreq(Q7->GetFreq() + step);
}

void TQ7form::stKnob1KeyMessage(TObject*, TMessage& msg, bool& handled) {
    if (msg.WParam < '0' || msg.WParam > '9') return;
    // A digit typed on the knob starts a frequency entry.
    myFrequencyEdit1->SetFocus();
    myFrequencyEdit1->Perform(msg.Msg, msg.WParam, msg.LParam);
    handled = true;
}

void TQ7form::myTuningPad1Step(TComponent*, int step) {
    if (!TuningAllowed()) return;
    Q7->SetFreq(Q7->GetFreq() + step);
    stKnob1->Step(step > 0, 0, false); // turns the knob without tuning twice
}

void TQ7form::myUpDown1Direction(TObject*, int val) { myFrequencyEdit2->SetValue(SpinStep(myFrequencyEdit2->Value(), val)); }

void TQ7form::stSpeedButton28Click(TObject*) {
    SetMainFrequency(thirds_.StepRight(myFrequencyEdit1->Value(), myFrequencyEdit2->Value()));
}
void TQ7form::stSpeedButton29Click(TObject*) {
    SetMainFrequency(thirds_.StepLeft(myFrequencyEdit1->Value(), myFrequencyEdit2->Value()));
}
void TQ7form::stSpeedButton27Click(TObject*) {
    SetMainFrequency(thirds_.TenStepsRight(myFrequencyEdit1->Value(), myFrequencyEdit2->Value()));
}
void TQ7form::stSpeedButton26Click(TObject*) {
    SetMainFrequency(thirds_.TenStepsLeft(myFrequencyEdit1->Value(), myFrequencyEdit2->Value()));
}

void TQ7form::stSpeedButton49Click(TObject* sender) {
    if (auto* b = dynamic_cast<TComponent*>(sender)) multiplier_ = static_cast<KnobMultiplier>(b->Tag());
}

KnobMultiplier TQ7form::CurrentMultiplier() const {
    if (stSpeedButton50->Down()) return KnobMultiplier::Tenth;
    if (stSpeedButton48->Down()) return KnobMultiplier::Ten;
    if (stSpeedButton49->Down()) return KnobMultiplier::TuningStep;
    return KnobMultiplier::One;
}

// Holding Shift shows x10 and Alt x0.1 for as long as they are held; Ctrl locks the buttons.
void TQ7form::FormKeyDown(TObject*, std::uint16_t& key, TShiftState) {
    if (FunctionKey(key)) key = 0;
    if (key == plat::win::VK_SHIFT) stSpeedButton48->SetDown(true);
    if (key == plat::win::VK_MENU) {
        stSpeedButton50->SetDown(true);
        key = 0;
    }
    if (key == plat::win::VK_CONTROL) stPanel4->SetEnabled(false);
}

void TQ7form::FormKeyUp(TObject*, std::uint16_t& key, TShiftState) {
    if (key == plat::win::VK_SHIFT || key == plat::win::VK_MENU) {
        for (TstSpeedButton* b : {stSpeedButton47, stSpeedButton48, stSpeedButton49, stSpeedButton50})
            if (b->Tag() == static_cast<std::intptr_t>(multiplier_)) b->SetDown(true);
    }
    if (key == plat::win::VK_CONTROL) stPanel4->SetEnabled(true);
}

void TQ7form::HintTimerTimer(TObject*) {
    HintTimer->SetEnabled(false);
    FHint->ReleaseHandle();
    ShowFrequency(Q7->GetFreq());
}

} // namespace lxq
