// The front panel's idle loop: the scanner and the spectrum sweep advance one step each time the
// message queue runs empty, and a scanner step that needs the demodulator's verdict on the
// secondary squelch types waits for it without blocking: the verdict arrives as the receiver's
// squelch-info event, which wakes the loop. Also the application's minimize and restore and the
// plug-in host's requests to swap the demodulator.

#include "app/controls/TimerWindow.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/SquelchSettings.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplicationEvents.h"
#include "platform/components/TMainMenu.h"
#include "platform/components/TMenuItem.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"

namespace lxq {

using namespace plat::comp;

std::uint32_t TQ7form::LastSweepRedrawTick = 0;

namespace {

// Posted to the form only to wake the message loop; the form does nothing with it.
constexpr std::uint32_t WM_Q7_WAKE = plat::win::WM_USER + 123;
constexpr std::uint32_t kSweepRedrawMs = 100;
constexpr std::int64_t kHoldPollMs = 5;

bool Down(const TstSpeedButton* b) { return b && b->Down(); }

} // namespace

void TQ7form::BuildIdle() {
    ApplicationEvents1->OnIdle = [this](TObject* s, bool& done) { ApplicationEvents1Idle(s, done); };
    ApplicationEvents1->OnMinimize = [this](TObject* s) { ApplicationEvents1Minimize(s); };
    ApplicationEvents1->OnRestore = [this](TObject* s) { ApplicationEvents1Restore(s); };
    Q7->OnSquelchedInfo = [this](TObject* s) { Q7SquelchedInfo(s); };
    KVR->OnStartDemodulator = [this](TObject* s, const std::string& name) { KVRStartDemodulator(s, name); };
    KVR->OnCallback = [this](TObject* s, const std::string& name, std::uint32_t m, std::uint32_t p,
                             std::uint32_t n, void* d, std::int32_t& r) { KVRCallback(s, name, m, p, n, d, r); };
}

void TQ7form::ApplicationEvents1Idle(TObject*, bool& done) {
    const bool secondary = (Q7->SquelchTypes() & ~kSquelchLevel) != 0;
    if (ScannerState == 3) {
        if (!WaitingForSquelchedInfo || (SquelchedInfoArrived && secondary))
            if (ScanStep) ScanStep(this);
        done = true;
    }
    if (ScannerState == 2) {
        if (SquelchedInfoArrived || !WaitingForSquelchedInfo)
            if (ScanStep) ScanStep(this);
        SquelchedInfoArrived = false;
        done = false;
        plat::sys::ActiveClock().SleepMs(kHoldPollMs);
    }
    if (!Down(stSpeedButton30) || Down(stSpeedButton32)) return;
    // With the hits counted, the sweep waits for the demodulator's verdict on the secondary
    // squelch types.
    if (!SquelchedInfoArrived && secondary && Down(stSpeedButton52)) {
        done = true;
        return;
    }
    const std::uint32_t now = TickCount();
    const bool CanUpdate = now - LastSweepRedrawTick > kSweepRedrawMs; // wraps with the counter
    if (CanUpdate) LastSweepRedrawTick = now;
    if (Q7->OnBlockScan) Q7->OnBlockScan(this, Q7->SignalLevel(), CanUpdate);
    SquelchedInfoArrived = false;
    done = true;
}

void TQ7form::Q7SquelchedInfo(TObject*) {
    DebugLog("SQUELCHEDINFO from the demodulator, flags=" + std::to_string(Q7->OpenConditions()) +
             ", squelched=" + std::to_string(Q7->GetSquelched() ? 1 : 0));
    if (HandleAllocated()) plat::win::PostMessage(Handle(), WM_Q7_WAKE, 0, 0);
    SquelchedInfoArrived = true;
}

void TQ7form::ApplicationEvents1Minimize(TObject*) { KVR->SetMinimized(true); }
void TQ7form::ApplicationEvents1Restore(TObject*) { KVR->SetMinimized(false); }

void TQ7form::KVRStartDemodulator(TObject*, const std::string& pluginName) {
    const std::string previous = demodulatorName_;
    const PluginCall call(*this);
    KVR->StopPlugin(previous);
    // A plug-in closes its window through its own queue: let it finish before the next starts.
    plat::comp::Application().ProcessMessages();
    const auto start = [this](const std::string& name) {
        demodulatorName_ = name; // the current demodulator, whether or not it starts
        return StartDemodulator(name);
    };
    if (!start(pluginName)) start(previous);
    if (Demodulators1) CheckMenuItemByCaption(*Demodulators1, demodulatorName_, true);
}

void TQ7form::KVRCallback(TObject*, const std::string&, std::uint32_t, std::uint32_t, std::uint32_t, void*,
                          std::int32_t&) {}

} // namespace lxq
