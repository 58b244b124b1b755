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

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
// A sanitizer's build closes the panel (the demodulator, the sound device) several times slower.
constexpr std::chrono::seconds kUsualClose{15};
#else
constexpr std::chrono::seconds kUsualClose{3};
#endif

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
    // The panel's debug log.
    std::string Log() const {
        std::stringstream text;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.File("documents/Talvenor/Q745"), ec))
            if (entry.path().filename().string().starts_with("Debug-")) text << std::ifstream(entry.path()).rdbuf();
        return text.str();
    }
    std::string LogTail() const {
        const std::string all = Log();
        return all.substr(all.size() > 3000 ? all.size() - 3000 : 0);
    }
    // The demodulator last started has its window in the panel again.
    bool DemodulatorBack() const {
        const std::string log = Log();
        const std::size_t starting = log.rfind("Starting Q745 Professional");
        return starting != std::string::npos && log.find("Q745 Professional started", starting) != std::string::npos;
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
    EXPECT_LT(Clock::now() - woke, std::chrono::seconds(8) + kUsualClose);
    ASSERT_TRUE(Eventually([&] { return DemodulatorBack(); })) << "the demodulator runs again\n" << LogTail();

    const auto stopped = Clock::now();
    panel_->Signal(SIGTERM);
    ASSERT_EQ(PanelEnds(), 0) << "the panel closes as its close box closes it";
    const auto took = Clock::now() - stopped;
    EXPECT_LT(took, kUsualClose)
        << "SIGTERM took " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

} // namespace
} // namespace lxq::systemtest
