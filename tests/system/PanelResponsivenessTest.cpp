// The panel answers its user while the receiver does not answer it: a receiver asleep in its
// host holds every request for the whole time-out, and none of that waiting may fall on the
// user-interface thread. What the user set meanwhile reaches the receiver when it wakes, in the
// order it was set.

#include "app/controls/TstSpeedButton.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/HiddenWindow.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/system/FrontPanelRig.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace lxq::systemtest {
namespace {

using Clock = std::chrono::steady_clock;

class PanelResponsiveness : public FrontPanelSystem {
protected:
    PanelResponsiveness() { plat::sys::SetRequestTimeout(std::chrono::milliseconds(3000)); }
    ~PanelResponsiveness() override {
        if (probe_ != 0) plat::comp::DeallocateHWnd(probe_);
        plat::sys::SetRequestTimeout(oldTimeout_);
    }

    // Input for the panel every 20 ms for `ms`, as a user's clicks come: the longest any of it
    // waited for the user-interface thread. Each input is timed from when it was in the panel's
    // queue (its post returned), not from before the post: a loaded machine may set the posting
    // thread aside between the two, and that wait is not the panel's.
    Clock::duration LongestAnswer(int ms) {
        if (probe_ == 0) {
            probe_ = plat::comp::AllocateHWnd([this](plat::comp::TMessage& m) {
                if (m.Msg != kProbe) return;
                const auto now = Clock::now();
                std::lock_guard hold(lock_);
                answered_[m.WParam] = now;
            });
        }
        {
            std::lock_guard hold(lock_);
            posted_.clear();
            answered_.clear();
        }
        std::thread poster([&] {
            const auto until = Clock::now() + std::chrono::milliseconds(ms);
            for (std::size_t i = 0; Clock::now() < until; ++i) {
                plat::win::PostMessage(probe_, kProbe, i, 0);
                const auto now = Clock::now();
                {
                    std::lock_guard hold(lock_);
                    posted_[i] = now;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        Run(ms + 50, [] { return false; });
        poster.join();
        Run(50);
        std::lock_guard hold(lock_);
        Clock::duration longest{};
        for (const auto& [i, posted] : posted_) {
            // An input still unanswered has waited until now.
            const auto answered = answered_.count(i) ? answered_[i] : Clock::now();
            longest = std::max(longest, answered - posted);
        }
        return longest;
    }

    // A left click on the control, as the mouse makes it: the down and the up at its middle, sent
    // to the window that holds it. How long the panel took to take it.
    Clock::duration ClickOn(plat::comp::TControl& control) {
        namespace win = plat::win;
        plat::comp::TWinControl* parent = control.Parent();
        const auto at = win::MakeLParam(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        const auto start = Clock::now();
        win::SendMessage(parent->Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, at);
        win::SendMessage(parent->Handle(), win::WM_LBUTTONUP, 0, at);
        return Clock::now() - start;
    }
    // How long the panel took to take a call made on its thread, as a control's event makes it.
    template <typename Call>
    static Clock::duration Timed(Call call) {
        const auto start = Clock::now();
        call();
        return Clock::now() - start;
    }
    static long long Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

    static constexpr std::uint32_t kProbe = 0x8000 + 0x1F0;
    plat::win::Hwnd probe_ = 0;
    std::mutex lock_;
    std::map<std::size_t, Clock::time_point> posted_, answered_;
    std::chrono::milliseconds oldTimeout_ = plat::sys::RequestTimeout();
};

TEST_F(PanelResponsiveness, AClickIsAnsweredWithinATenthOfASecondWhileTheReceiverSleeps) {
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000\n");
    // A notice that the receiver is gone would come only after a whole time-out.
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrOk;
    };
    Run(300);
    EXPECT_LT(LongestAnswer(300), std::chrono::milliseconds(100)) << "with the receiver answering";

    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    // Half the time-out: the signal poll has asked the sleeping receiver many times over.
    const auto longest = LongestAnswer(1500);
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    EXPECT_LT(longest, std::chrono::milliseconds(100))
        << "the panel waited " << std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()
        << " ms for the receiver";
    EXPECT_TRUE(shown.empty()) << shown.front();
    ASSERT_TRUE(form->Q7->IsConnected());
    // The poll goes on once the receiver answers again: the station shows on the meter.
    Run(3000, [&] { return std::abs(form->Q7->SignalLevel() - -60.0) < 3.0; });
    EXPECT_NEAR(form->Q7->SignalLevel(), -60.0, 3.0);
}

TEST_F(PanelResponsiveness, TuningWhileTheReceiverSleepsAnswersAtOnceAndReachesItInOrderAtTheWake) {
    Start("usb", "noise -125\n"
                 "station 1000000 -60 am tone=1000\n"
                 "station 1100000 -90 am tone=1000\n"
                 "station 1200000 -50 am tone=1000\n");
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrOk;
    };
    Mode("AM");
    form->stSpeedButton5->Click(); // AGC medium
    Run(500, [&] { return std::abs(form->Q7->SignalLevel() - -60.0) < 3.0; });
    ASSERT_NEAR(form->Q7->SignalLevel(), -60.0, 3.0);
    ASSERT_EQ(form->Q7->GetAtten(), 0);

    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    Run(100); // the level poll's request waits in the host now
    // Each tuning control as the user works it; the entry twice, and the second value holds.
    const struct {
        const char* control;
        std::function<Clock::duration()> click;
    } clicks[] = {
        {"frequency entry", [&] { return Timed([&] { form->myFrequencyEdit1->SetValue(1'100'000); }); }},
        {"frequency entry again", [&] { return Timed([&] { form->myFrequencyEdit1->SetValue(1'200'000); }); }},
        {"mode button", [&] { return Timed([&] { Mode("USB"); }) - std::chrono::milliseconds(50); }},
        {"AGC button", [&] { return ClickOn(*form->stSpeedButton6); }},
        {"attenuator button", [&] { return ClickOn(*form->stSpeedButton2); }},
    };
    for (const auto& c : clicks) {
        const auto took = c.click();
        EXPECT_LT(took, std::chrono::milliseconds(100)) << "the " << c.control << " took " << Ms(took) << " ms";
        const auto longest = LongestAnswer(60);
        EXPECT_LT(longest, std::chrono::milliseconds(100))
            << "after the " << c.control << " the panel waited " << Ms(longest) << " ms";
    }
    const auto longest = LongestAnswer(600);
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    EXPECT_LT(longest, std::chrono::milliseconds(100)) << "the panel waited " << Ms(longest) << " ms";
    // The controls show what the user set, at once.
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 1'200'000);
    EXPECT_EQ(form->Q7->GetMode(), 5);
    EXPECT_TRUE(form->stSpeedButton6->Down());
    EXPECT_TRUE(form->stSpeedButton2->Down());

    // Awake, the receiver carries it all out in order: the meter shows the station of the
    // second frequency (the attenuator's 18 dB added back), and the receiver holds the
    // attenuator and the AGC set.
    Run(3000, [&] { return std::abs(form->Q7->SignalLevel() - -50.0) < 3.0; });
    EXPECT_NEAR(form->Q7->SignalLevel(), -50.0, 3.0);
    EXPECT_EQ(form->Q7->GetFreq(), 1'200'000);
    EXPECT_EQ(form->Q7->GetAtten(), 1) << "the receiver's attenuator";
    EXPECT_EQ(form->Q7->GetAGC(), 3) << "the receiver's AGC";
    EXPECT_EQ(form->Q7->GetMode(), 5);
    EXPECT_TRUE(form->stSpeedButton6->Down());
    EXPECT_TRUE(form->stSpeedButton2->Down());
    EXPECT_TRUE(shown.empty()) << shown.front();
}

} // namespace
} // namespace lxq::systemtest
