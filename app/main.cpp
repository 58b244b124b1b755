// lxq745: the front panel program.
//   lxq745 [/#<serial>] [/c<MHz>] [/cc<MHz>] [/l] [/g] [/exitprocess] [/d] [/c] [/r] [/sd]
// Windows appear on the X display when DISPLAY is set (LXQ_WIN_BACKEND chooses otherwise).

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/forms/SystemMessageBoxes.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TSplashForm.h"
#include "platform/components/HiddenWindow.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Module.h"
#include "platform/sys/StopSignals.h"
#include "platform/win/BackendChoice.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"

namespace {

constexpr std::uint32_t kStopRequest = 0x8000 + 0x146; // WM_APP + 0x146

} // namespace

int main(int argc, char** argv) {
    // Ctrl-C and SIGTERM close the main window as its close box would (plug-ins stopped, settings
    // saved, sound devices closed), not end the process in the middle of things. Blocked before
    // any thread starts, so that no thread takes them by default.
    plat::sys::StopSignals stopSignals;

    // The crash-report library comes first and goes last, so that it sees every fault; the
    // program runs on without it.
    std::unique_ptr<plat::sys::Module> crashReport = plat::sys::Module::Load("ErrVane.dll");

    std::string error;
    plat::win::StartBackend(true, &error);
    if (!error.empty()) std::fprintf(stderr, "lxq745: %s\n", error.c_str());
    lxq::InstallSystemMessageBoxes();

    auto& application = plat::comp::Application();
    application.SetTitle(lxq::TQ7form::kCaption);
    application.SetShowMainForm(false); // the form shows itself once start-up succeeded
    std::vector<std::string> args(argv + 1, argv + argc);

    // A stop request reaches the user-interface thread through a window of its own, from the
    // start: whatever box or menu shows then is cancelled, and the main window is closed as its
    // close box would close it, once start-up has made it (a start-up notice, such as a
    // demodulator that failed to start, must not keep the program from ending).
    bool started = false, stopRequested = false;
    auto closeMainWindow = [&application] {
        if (auto* panel = application.MainForm(); panel && panel->HandleAllocated())
            plat::win::PostMessage(panel->Handle(), plat::win::WM_CLOSE, 0, 0);
    };
    const plat::win::Hwnd stopWindow = plat::comp::AllocateHWnd([&](plat::comp::TMessage& message) {
        if (message.Msg != kStopRequest) return;
        stopRequested = true;
        application.CancelModalLoops();
        if (started) closeMainWindow();
    });
    stopSignals.Start([stopWindow](int) { plat::win::PostMessage(stopWindow, kStopRequest, 0, 0); });
    {
        // Start-up reports to the splash window while the front panel starts.
        lxq::TSplashForm splash(nullptr);
        splash.Show();
        splash.Repaint();
        application.CreateForm<lxq::TQ7form>(std::move(args));
    }
    started = true;
    if (stopRequested) closeMainWindow();
    application.Run();
    stopSignals.Stop();
    plat::comp::DeallocateHWnd(stopWindow);
    plat::comp::TApplication::ShutDown();

    crashReport.reset();
    return 0;
}
