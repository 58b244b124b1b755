// The front panel as the program owns it (a form of the application) ends cleanly however a hint
// stands when it closes: shown, or still waiting for its pause.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/controls/TstSpeedButton.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "platform/components/TApplication.h"
#include "platform/components/THintWindow.h"
#include "platform/sys/Clock.h"
#include "platform/win/InputApi.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

using namespace plat::comp;

class ExitAfterHint : public ::testing::Test {
protected:
    ExitAfterHint() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        std::filesystem::current_path(dir.Path());
    }
    ~ExitAfterHint() override {
        std::filesystem::current_path(startFolder);
        unsetenv("XDG_DOCUMENTS_DIR");
        Application().ResetTerminated();
    }
    // The program's main form on the demonstration receiver, without a demodulator.
    TQ7form& StartPanel() {
        Application().ResetTerminated();
        auto* form = new TQ7form(&Application(), std::vector<std::string>{"/sd"});
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->RunModal = [](TCustomForm& f) {
            return std::string(f.ClassName()) == "TNoRecForm" ? mrOk : f.ShowModal();
        };
        form->DoCreate();
        EXPECT_FALSE(form->Quitting());
        Application().ProcessMessages();
        return *form;
    }
    // Rests the mouse on a button with a hint for `ms`.
    void RestOn(TControl& button, std::uint32_t ms) {
        const TPoint at = button.ClientToScreen({button.Width() / 2, button.Height() / 2});
        plat::win::InjectMouseMove({at.x, at.y});
        Application().ProcessMessages();
        clock.AdvanceMs(ms);
        Application().ProcessMessages();
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
};

TEST_F(ExitAfterHint, ThePanelEndsFiftyTimesWithAHintShownOrPending) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TQ7form& form = StartPanel();
        TControl& multiplier = *form.stSpeedButton47; // "Tuning knob step multiplier"
        ASSERT_TRUE(multiplier.ShowHint());
        const bool shown = round % 2 == 0;
        RestOn(multiplier, shown ? Application().HintPause() : Application().HintPause() / 2);
        EXPECT_EQ(Application().ActiveHint() != nullptr, shown);
        form.Close(); // File > Exit
        Application().ProcessMessages();
        // The end of the program: the application frees its forms with their controls.
        TApplication::ShutDown();
    }
}

} // namespace
} // namespace lxq
