// The front panel as its own process through a storm of the computer's sleeps and wakes (the
// driver host's own, as `lxq745ctl` makes them): twenty cycles, each wake coming before the last
// one's wait for the driver is over. The panel holds its receiver again after the last wake, and
// SIGTERM then ends it in its usual time, however many wakes came.

#include "tests/system/SystemRig.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace lxq::systemtest {
namespace {

using Clock = std::chrono::steady_clock;

class WakeStorm : public ::testing::Test {
protected:
    WakeStorm() {
        std::filesystem::create_directories(folder_.File("config/lxq745"));
        std::ofstream(folder_.File("config/lxq745/settings.ini")) << "[Software\\KVR]\nSearchPath=" << BuildFolder() << "\n";
    }
    void StartPanel() {
        lxq_test::ChildSetup setup;
        setup.args = {"lxq745", "/l"}; // its log tells how far it got
        setup.output = false;
        setup.deathSignal = SIGKILL;
        setup.environment = {"LXQ_WIN_BACKEND=headless", "XDG_CONFIG_HOME=" + folder_.File("config"),
                             "XDG_DOCUMENTS_DIR=" + folder_.File("documents"), "LXQ745_AUDIO=null"};
        panel_.emplace(std::move(setup));
    }
    // Whether the host's receiver is open (the panel is the only program that opens it).
    static bool PanelHoldsTheReceiver() {
        return lxq_test::RunToEnd({"lxq745ctl", "list"}).out.find(" open=1 ") != std::string::npos;
    }
    // The end of the panel's debug log.
    std::string LogTail() const {
        std::stringstream text;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.File("documents/Talvenor/Q745")))
            if (entry.path().filename().string().starts_with("Debug-")) text << std::ifstream(entry.path()).rdbuf();
        const std::string all = text.str();
        return all.substr(all.size() > 3000 ? all.size() - 3000 : 0);
    }
    // The panel's exit status once it ended by itself, -1 when it did not.
    int PanelEnds() {
        std::optional<int> status;
        if (!Eventually([&] { return (status = panel_->Ended()).has_value(); })) return -1;
        return lxq_test::ChildProgram::ExitCode(*status);
    }

    plat::sys::test::ScopedChannelNamespace ns_{"wake-storm"};
    Folder folder_;
    DriverHost host_{"usb", "noise -125\nstation 1000000 -60 am tone=1000\n", folder_};
    std::optional<lxq_test::ChildProgram> panel_;
};

TEST_F(WakeStorm, TwentySleepsAndWakesThenSigtermEndsThePanelInItsUsualTimeHoldingItsReceiverAgain) {
    StartPanel();
    ASSERT_TRUE(Eventually([&] { return PanelHoldsTheReceiver(); })) << "the panel opened its receiver";
    // The first sleep is refused until the panel listens for the host's notices (it then lets
    // go of its receiver when told); a refused sleep is followed by a wake.
    ASSERT_TRUE(Eventually([&] { return Control({"sleep"}) == 0; })) << "the computer sleeps";
    ASSERT_EQ(Control({"wake"}), 0);
    for (int cycle = 1; cycle < 20; ++cycle) {
        ASSERT_EQ(Control({"sleep"}), 0) << cycle;
        ASSERT_EQ(Control({"wake"}), 0) << cycle;
    }
    const auto woke = Clock::now();
    ASSERT_TRUE(Eventually([&] { return PanelHoldsTheReceiver(); })) << "the panel holds its receiver again\n" << LogTail();
    // The panel gives the driver five seconds after a wake, then opens the receiver at once.
    EXPECT_LT(Clock::now() - woke, std::chrono::seconds(8));

    const auto stopped = Clock::now();
    panel_->Signal(SIGTERM);
    ASSERT_EQ(PanelEnds(), 0) << "the panel closes as its close box closes it";
    const auto took = Clock::now() - stopped;
    EXPECT_LT(took, std::chrono::seconds(3))
        << "SIGTERM took " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

} // namespace
} // namespace lxq::systemtest
