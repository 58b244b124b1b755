// The front panel and its receiver: which receiver start-up opens, what happens when the receiver
// goes away and comes back, and sleep and wake of the computer (plug-ins stopped, receiver closed,
// then reopened by serial number and everything started again). Also the small menu handlers that
// deal with the receiver and the window.

#include <algorithm>
#include <cstring>

#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmySMeter.h"
#include "app/controls/TstSpeedButton.h"
#include "app/controls/TstFrequencyEdit.h"
#include "app/forms/TAboutForm.h"
#include "app/forms/TDebugForm.h"
#include "app/forms/TDiscForm.h"
#include "app/forms/TNoRecForm.h"
#include "app/forms/TNoRecHelpForm.h"
#include "app/forms/TOpenForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TSplashForm.h"
#include "app/receiver/KvrPluginInterface.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TOpenDialog.h"
#include "platform/components/TTimer.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Module.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::uint32_t kSuspend = 4;         // PBT_APMSUSPEND
constexpr std::uint32_t kResumeCritical = 6; // PBT_APMRESUMECRITICAL
constexpr std::uint32_t kResumeSuspend = 7;  // PBT_APMRESUMESUSPEND
constexpr std::uint32_t kResumeSettleMs = 5000;
// The wake's reopen notice ended by another sleep: the next wake waits and reopens anew.
constexpr TModalResult kAsleepAgain = mrRetry;
constexpr int kChooseNothing = -2; // opens nothing: start-up asks again or ends
constexpr const char* kDemoSerial = "**DEMO**";

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

void ShowSplashAgain() {
    if (!SplashForm) return;
    SplashForm->Show();
    SplashForm->Repaint();
}

} // namespace

void TQ7form::BuildConnection() {
    RunModal = [](TCustomForm& f) { return f.ShowModal(); };
    DiscForm = new TDiscForm(this, Q7, [this](const std::string& line) { DebugLog(line); });
    Q7->OnDisconnect = [this](TObject* s) { Q7Disconnect(s); };
    powerBroadcast_ = std::make_unique<plat::win::PowerBroadcast>();
    WakeTimer = new TTimer(this);
    WakeTimer->SetEnabled(false);
    WakeTimer->SetInterval(kResumeSettleMs);
    WakeTimer->SetOnTimer([this](TObject* s) { WakeTimerTimer(s); });
}

// --- which receiver ------------------------------------------------------------------------------

void TQ7form::Q7ChooseReceiver(TObject*, const RADIO_INFO* infos, int count, int& chosen) {
    retryChoice_ = false;
    if (count <= 0 || !infos) {
        if (SplashForm) SplashForm->Hide();
        TNoRecForm dialog(nullptr);
        dialog.ShowHelp = [this](TNoRecHelpForm& help) { RunModal(help); };
        const TModalResult answer = RunModal(dialog);
        chosen = kChooseNothing;
        if (answer == TNoRecForm::kTryAgain) {
            retryChoice_ = true;
        } else if (answer == TNoRecForm::kDemo) {
            chosen = -1; // no serial number: the demonstration receiver
            ShowSplashAgain();
        } else {
            quit_ = true;
        }
        return;
    }
    if (count == 1) {
        chosen = 0;
        return;
    }
    chosen = -1;
    if (!preferredSerial_.empty()) {
        for (int i = 0; i < count && chosen < 0; ++i)
            if (FieldText(infos[i].serial) == preferredSerial_) chosen = i;
        if (chosen >= 0) return;
    }
    TOpenForm dialog(this);
    dialog.RunModal = [this](TOpenForm& f) { return RunModal(f); };
    if (SplashForm) SplashForm->Hide();
    chosen = dialog.Choose(infos, count);
    if (chosen < 0) {
        // Leaving opens nothing at all, not even the demonstration receiver.
        quit_ = true;
        chosen = kChooseNothing;
        return;
    }
    ShowSplashAgain();
}

// --- disconnection -------------------------------------------------------------------------------

void TQ7form::Q7Disconnect(TObject*) {
    DebugLog("Disconnected");
    if (closing_ || disconnectShown_ || DiscForm->Visible()) return;
    mySMeter->SetEnabled(false);
    const std::int64_t frequency = myFrequencyEdit1->Value();
    stSpeedButton31Click(stSpeedButton31); // Stop sweeping
    stSpeedButton7Click(stSpeedButton7);   // Stop scanning
    DiscForm->Timer1->SetEnabled(true);
    disconnectShown_ = true;
    const TModalResult result = RunModal(*DiscForm);
    disconnectShown_ = false;
    DiscForm->Timer1->SetEnabled(false);
    if (result != mrOk) {
        PostClose();
        return;
    }
    mySMeter->SetEnabled(true);
    ShowFrequency(frequency);
    SendShownSettings(stSpeedButton1->Down() ? 1 : 0);
    DebugLog("Reconnected");
}

// What the panel shows goes to the receiver whole, one rule for every setting: a receiver back
// from a disconnection or a sleep may hold anything (its own defaults, an old value where a
// request went unanswered, or one carried out late), and the user has asked for what is shown.
// Each setter sends its value even when the component holds it already.
void TQ7form::SendShownSettings(std::int32_t power) {
    Q7->SetFreq(myFrequencyEdit1->Value());
    Q7->SetMode(Q7->GetMode());
    for (TstSpeedButton* agc : {stSpeedButton22, stSpeedButton4, stSpeedButton5, stSpeedButton6})
        if (agc->Down()) Q7->SetAGC(static_cast<std::int32_t>(agc->Tag()));
    Q7->SetAtten(stSpeedButton2->Down() ? 1 : 0);
    Q7->SetPreAmp(stSpeedButton41->Down() ? 1 : 0);
    Q7->SetIFGain(myIntEdit2->Value());
    // Powering on last re-applies the plug-in locks (the meter and the squelch follow the AGC).
    Q7->SetPower(power);
}

// --- sleep and wake ------------------------------------------------------------------------------

void TQ7form::WndProc(TMessage& message) {
    namespace win = plat::win;
    if (message.Msg == win::WM_WINDOWPOSCHANGING) return;
    if (message.Msg == win::WM_CLOSE && pluginCalls_ > 0) {
        closeHeld_ = true;
        return;
    }
    if (message.Msg == win::WM_POWERBROADCAST) {
        const auto event = static_cast<std::uint32_t>(message.WParam);
        const bool resume = event == kResumeCritical || event == kResumeSuspend;
        if (pluginCalls_ > 0 && (event == kSuspend || resume)) heldPowerEvent_ = event;
        else if (event == kSuspend) Suspend();
        else if (resume && restartList_) Resume();
    }
    TForm::WndProc(message);
    if (message.Msg == win::WM_NCCALCSIZE) ReserveLowerEdge(message);
}

void TQ7form::EndPluginCall() {
    if (--pluginCalls_ > 0 || !HandleAllocated()) return;
    if (heldPowerEvent_ != 0) plat::win::PostMessage(Handle(), plat::win::WM_POWERBROADCAST, heldPowerEvent_, 0);
    if (closeHeld_) plat::win::PostMessage(Handle(), plat::win::WM_CLOSE, 0, 0);
    heldPowerEvent_ = 0;
    closeHeld_ = false;
}

void TQ7form::Suspend() {
    if (restartList_) {
        // Asleep already, or not yet awake again: the plug-ins are stopped and the receiver was
        // closed at the first sleep. A wait after a wake ends here, and the next wake starts
        // its own; a reopen under way lets go of the receiver for the sleep.
        WakeTimer->SetEnabled(false);
        if (reopening_) {
            DiscForm->Timer1->SetEnabled(false);
            DiscForm->SetModalResult(kAsleepAgain);
        }
        if (Q7->Handle() != 0) Q7->Close();
        return;
    }
    // Power off ends a scan and a sweep: the receiver goes to sleep with the user's own settings
    // (they come back at the wake), and no step runs on it while it is closed.
    stSpeedButton7Click(stSpeedButton7);
    stSpeedButton31Click(stSpeedButton31);
    restartList_ = std::make_unique<std::vector<std::string>>();
    std::vector<std::string>& list = *restartList_;
    for (int i = 0; i < KVR->GetPluginCount(); ++i) {
        const std::string name = KVR->GetPluginName(i);
        if (KVR->PluginInstance(name) != kvr::kNotRunning && name != demodulatorName_) list.push_back(name);
    }
    std::stable_sort(list.begin(), list.end(), [this](const std::string& a, const std::string& b) {
        return KVR->GetPluginFlags(a) < KVR->GetPluginFlags(b);
    });
    const PluginCall call(*this);
    for (auto it = list.rbegin(); it != list.rend(); ++it) KVR->StopPlugin(*it);
    if (!demodulatorName_.empty()) KVR->StopPlugin(demodulatorName_);
    suspendedPower_ = Q7->GetPower();
    Q7->SetPower(0);
    suspendedSerial_ = Q7->GetSerialNum();
    if (suspendedSerial_ == kDemoSerial) suspendedSerial_.clear();
    Q7->Close();
}

// A wake starts the wait for the receiver's driver to come back, on a timer of the panel's own
// loop: the panel answers meanwhile, and a stop signal closes it at once. A wake that comes
// while the last one still waits starts the wait again in its place. A reopen under way goes
// on (the wait that ends meanwhile starts none inside it), unless a sleep ended it: then the
// wait is this wake's.
void TQ7form::Resume() {
    WakeTimer->SetEnabled(false);
    WakeTimer->SetEnabled(true);
}

void TQ7form::WakeTimerTimer(TObject*) {
    WakeTimer->SetEnabled(false);
    if (!restartList_ || closing_ || reopening_) return;
    {
        const PluginCall call(*this);
        KVR->LoadPlugins();
        KVR->SetReceiver(Q7);
    }
    DiscForm->ReopenBySerial = true;
    DiscForm->ReopenSerial = suspendedSerial_;
    DiscForm->Timer1->SetEnabled(true);
    disconnectShown_ = true;
    reopening_ = true;
    const TModalResult result = RunModal(*DiscForm);
    reopening_ = false;
    disconnectShown_ = false;
    DiscForm->Timer1->SetEnabled(false);
    DiscForm->ReopenBySerial = false;
    if (result == kAsleepAgain) {
        // Asleep again before the receiver came back: closed, and reopened after the next wake.
        if (Q7->Handle() != 0) Q7->Close();
        return;
    }
    if (result != mrOk) {
        PostClose();
        return;
    }
    // The reference clock and second IF asked for on the command line come first, as at
    // start-up; then the receiver, woken with its own defaults, gets what the panel shows.
    ApplyReceiverOptions();
    SendShownSettings(suspendedPower_);
    const PluginCall call(*this);
    if (!demodulatorName_.empty()) {
        StartDemodulator(demodulatorName_);
    }
    for (const std::string& name : *restartList_) KVR->StartPlugin(name);
    restartList_.reset();
}

// --- menu ----------------------------------------------------------------------------------------

void TQ7form::Calibrationfile1Click(TObject*) {
    TOpenDialog dialog(nullptr);
    dialog.SetTitle("Open Calibration File");
    dialog.SetFilter("Calibration files|*.cal");
    dialog.SetDefaultExt("CAL");
    if (ExecuteDialog(dialog)) Q7->SetCalFile(dialog.FileName());
    Q7->Calibrate(0, 0);
    if (Q7->CalibrationFile().empty())
        Warn("The calibration file is missing or corrupt.\nPlease select the right calibration file in the File menu.");
}

void TQ7form::Help2Click(TObject*) {
    if (!HelpModule) return;
    using HtmlHelpProc = plat::win::Hwnd (*)(plat::win::Hwnd, const char*, unsigned, std::uintptr_t);
    auto htmlHelp = reinterpret_cast<HtmlHelpProc>(HelpModule->Symbol("HtmlHelpA"));
    constexpr unsigned kTableOfContents = 1;
    if (!htmlHelp || htmlHelp(HandleAllocated() ? Handle() : 0, "lxq745.chm", kTableOfContents, 0) == 0)
        Warn("The Help file is missing.\nThere will be no help facilities available");
}

void TQ7form::Debug1Click(TObject*) {
    if (DebugForm) DebugForm->ShowEEPROMTable();
}

void TQ7form::About1Click(TObject*) { RunModal(*AboutForm); }

void TQ7form::Stayontop1Click(TObject* sender) {
    bool onTop = FormStyle() != TFormStyle::fsStayOnTop;
    if (auto* item = dynamic_cast<TMenuItem*>(sender)) {
        item->SetChecked(!item->Checked());
        onTop = item->Checked();
    }
    SetFormStyle(onTop ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
    if (HandleAllocated())
        plat::win::SetWindowPos(Handle(), onTop ? plat::win::HWND_TOPMOST : plat::win::HWND_NOTOPMOST, 0, 0, 0, 0,
                                plat::win::SWP_NOMOVE | plat::win::SWP_NOSIZE);
}

void TQ7form::Exit1Click(TObject*) { Close(); }

} // namespace lxq
