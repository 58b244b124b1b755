// The panel answers its user while the receiver does not answer it: a receiver asleep in its
// host holds every request for the whole time-out, and none of that waiting may fall on the
// user-interface thread. What the user set meanwhile reaches the receiver when it wakes, in the
// order it was set.
//
// Each input is timed as long as it waited for the user-interface thread, less the time the
// thread was ready to run but had no processor: a busy machine may keep any thread waiting its
// turn, and that wait is not the panel's. Of what is left, the time the thread slept (neither
// running nor ready) is a wait for something else, the host for one. The plain build answers
// within a tenth of a second; a sanitizer's build does the thread's own work several times slower,
// and there only the sleep is held to that.

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDebugForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/HiddenWindow.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/system/FrontPanelRig.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lxq::systemtest {
namespace {

using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A thread of this process at one moment: the time, its processor time and its time spent ready
// to run but waiting for a processor (the scheduler's own figures).
struct ThreadTimes {
    Clock::time_point at;
    std::chrono::nanoseconds running{}, ready{};
};

ThreadTimes TimesOf(long tid) {
    ThreadTimes t{Clock::now()};
    std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    long long running = 0, ready = 0;
    file >> running >> ready;
    t.running = std::chrono::nanoseconds(running);
    t.ready = std::chrono::nanoseconds(ready);
    return t;
}

// The longest any input waited for the thread, less the time the thread stood ready without a
// processor, and the longest the thread slept with one waiting.
struct Answer {
    Clock::duration held{}, asleep{};
};

class PanelResponsiveness : public FrontPanelSystem {
protected:
    PanelResponsiveness() { plat::sys::SetRequestTimeout(std::chrono::milliseconds(3000)); }
    ~PanelResponsiveness() override {
        if (probe_ != 0) plat::comp::DeallocateHWnd(probe_);
        plat::sys::SetRequestTimeout(oldTimeout_);
    }

    // Input for the panel every 20 ms for `ms`, as a user's clicks come, and how it was answered.
    // Each input is timed from when it was in the panel's queue (its post returned), not from
    // before the post: a loaded machine may set the posting thread aside between the two, and that
    // wait is not the panel's.
    Answer LongestAnswer(int ms) {
        const long panel = syscall(SYS_gettid);
        if (probe_ == 0) {
            probe_ = plat::comp::AllocateHWnd([this, panel](plat::comp::TMessage& m) {
                if (m.Msg != kProbe) return;
                const ThreadTimes now = TimesOf(panel);
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
                const ThreadTimes now = TimesOf(panel);
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
        Answer longest;
        for (const auto& [i, posted] : posted_) {
            // An input still unanswered has waited until now.
            const ThreadTimes answered = answered_.count(i) ? answered_[i] : TimesOf(panel);
            const auto held = answered.at - posted.at - std::chrono::duration_cast<Clock::duration>(answered.ready - posted.ready);
            const auto running = std::chrono::duration_cast<Clock::duration>(answered.running - posted.running);
            longest.held = std::max(longest.held, held);
            longest.asleep = std::max(longest.asleep, held - running);
        }
        return longest;
    }

    // How a call made on the panel's thread, as a control's event makes it, was answered: its
    // time less the thread's wait for a processor, and the time it slept within that.
    template <typename Call>
    static Answer Took(Call call) {
        const long panel = syscall(SYS_gettid);
        const ThreadTimes before = TimesOf(panel);
        call();
        const ThreadTimes after = TimesOf(panel);
        Answer a;
        a.held = after.at - before.at - std::chrono::duration_cast<Clock::duration>(after.ready - before.ready);
        a.asleep = a.held - std::chrono::duration_cast<Clock::duration>(after.running - before.running);
        return a;
    }
    // A left click on the control, as the mouse makes it: the down and the up at its middle, sent
    // to the window that holds it.
    static Answer ClickOn(plat::comp::TControl& control) {
        namespace win = plat::win;
        plat::comp::TWinControl* parent = control.Parent();
        const auto at = win::MakeLParam(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        return Took([&] {
            win::SendMessage(parent->Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, at);
            win::SendMessage(parent->Handle(), win::WM_LBUTTONUP, 0, at);
        });
    }
    // Within a tenth of a second: the whole answer in the plain build, the sleep in every build.
    static void ExpectPrompt(const Answer& a, const std::string& what) {
        if (!kSanitized) {
            EXPECT_LT(a.held, std::chrono::milliseconds(100)) << what << " took " << Ms(a.held) << " ms";
        }
        EXPECT_LT(a.asleep, std::chrono::milliseconds(100)) << what << " slept " << Ms(a.asleep) << " ms";
    }

    static std::int64_t Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

    static constexpr std::uint32_t kProbe = 0x8000 + 0x1F0;
    plat::win::Hwnd probe_ = 0;
    std::mutex lock_;
    std::map<std::size_t, ThreadTimes> posted_, answered_;
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
    const Answer answering = LongestAnswer(300);
    if (!kSanitized) {
        EXPECT_LT(answering.held, std::chrono::milliseconds(100)) << "with the receiver answering";
    }
    EXPECT_LT(answering.asleep, std::chrono::milliseconds(100)) << "with the receiver answering";

    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    // Half the time-out: the signal poll has asked the sleeping receiver many times over.
    const Answer sleeping = LongestAnswer(1500);
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    if (!kSanitized) {
        EXPECT_LT(sleeping.held, std::chrono::milliseconds(100)) << "the panel took " << Ms(sleeping.held) << " ms";
    }
    EXPECT_LT(sleeping.asleep, std::chrono::milliseconds(100))
        << "the panel slept " << Ms(sleeping.asleep) << " ms waiting for the receiver";
    EXPECT_TRUE(shown.empty()) << shown.front();
    ASSERT_TRUE(form->Q7->IsConnected());
    // The poll goes on once the receiver answers again: the station shows on the meter.
    Run(3000, [&] { return std::abs(form->Q7->SignalLevel() - -60.0) < 3.0; });
    EXPECT_NEAR(form->Q7->SignalLevel(), -60.0, 3.0);
}

TEST_F(PanelResponsiveness, TuningWhileTheReceiverSleepsAnswersAtOnceAndReachesItInOrderAtTheWake) {
    // The receiver sleeps for less than a request's time-out, however slowly the clicks below are
    // worked (a sanitizer build takes seconds over them): what was asked is held, not given up.
    plat::sys::SetRequestTimeout(std::chrono::milliseconds(20000));
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
        std::function<Answer()> click;
    } clicks[] = {
        {"frequency entry", [&] { return Took([&] { form->myFrequencyEdit1->SetValue(1'100'000); }); }},
        {"frequency entry again", [&] { return Took([&] { form->myFrequencyEdit1->SetValue(1'200'000); }); }},
        {"mode button", [&] { return Took([&] { ClickMode("USB"); }); }},
        {"AGC button", [&] { return ClickOn(*form->stSpeedButton6); }},
        {"attenuator button", [&] { return ClickOn(*form->stSpeedButton2); }},
    };
    for (const auto& c : clicks) {
        ExpectPrompt(c.click(), std::string("the ") + c.control);
        ExpectPrompt(LongestAnswer(60), std::string("after the ") + c.control + ", the panel");
    }
    const Answer after = LongestAnswer(600);
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    ExpectPrompt(after, "the panel");
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

// What the panel runs while the receiver sleeps: a scan, a sweep, the service window. Each keeps
// asking the receiver on its own (a step, a page), and each is worked by the user meanwhile.
class PanelBusyResponsiveness : public PanelResponsiveness {
protected:
    void StartBusy() {
        Start("usb", "noise -125\nstation 145150000 -95 am tone=1000\n");
        form->RunModal = [this](plat::comp::TCustomForm& f) {
            shown.push_back(f.ClassName());
            return plat::comp::mrOk;
        };
        Mode("AM");
        form->stSpeedButton5->Click(); // AGC medium
        Tune(145'000'000);
        Run(1000, [&] { return form->Q7->GetAGC() == 2; });
        ASSERT_EQ(form->Q7->GetAGC(), 2);
    }
    // The panel and a click while the receiver sleeps, for less than a request's time-out.
    void WhileAsleep(const std::string& what, const std::function<Answer()>& click) {
        ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
        const Answer before = LongestAnswer(600);
        const Answer clicked = click();
        const Answer after = LongestAnswer(600);
        ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
        ExpectPrompt(before, what + ", the panel");
        ExpectPrompt(clicked, what + ", the click");
        ExpectPrompt(after, what + ", the panel after the click");
        EXPECT_TRUE(shown.empty()) << shown.front();
    }
    std::vector<std::string> shown;
};

TEST_F(PanelBusyResponsiveness, AScanThatMeetsASleepingReceiverLeavesThePanelAnsweringAndStopsAtOnce) {
    StartBusy();
    form->myFrequencyEdit2->SetValue(25'000);
    form->Q7->SetSquelch(-30); // above everything: the scan goes on
    form->stSpeedButton20Click(form->stSpeedButton20);
    // However slowly a loaded machine or a sanitizer's build steps it.
    Run(20000, [&] { return form->ScanChannelCount() > 5; });
    ASSERT_GT(form->ScanChannelCount(), 5) << "the scan runs";
    WhileAsleep("scanning", [&] { return ClickOn(*form->stSpeedButton7); });
    EXPECT_EQ(form->ScannerState, 0) << "the stop took";
    // Awake, the receiver is the user's again: the scan's fast AGC is gone.
    Run(3000, [&] { return form->Q7->GetAGC() == 2 && form->Q7->GetScanMode() == 0; });
    EXPECT_EQ(form->Q7->GetAGC(), 2);
}

TEST_F(PanelBusyResponsiveness, ASweepThatMeetsASleepingReceiverLeavesThePanelAnsweringAndStopsAtOnce) {
    StartBusy();
    form->myFrequencyEdit3->SetValue(144'000'000);
    form->myFrequencyEdit4->SetValue(146'000'000);
    form->myFrequencyEdit5->SetValue(25'000);
    form->stSpeedButton33->SetDown(true); // continuous: the sweep runs until stopped
    form->stSpeedButton30->SetDown(true);
    form->stSpeedButton30->Click();
    ASSERT_TRUE(form->Sweeping());
    Run(20000, [&] { return form->myFreqGraph1->GetLinePos(0) > 5; });
    ASSERT_GT(form->myFreqGraph1->GetLinePos(0), 5) << "the sweep runs";
    // The scope's panel is closed at a first start: its stop button is clicked as its event.
    WhileAsleep("sweeping", [&] { return Took([&] { form->stSpeedButton31->Click(); }); });
    EXPECT_FALSE(form->Sweeping()) << "the stop took";
    Run(3000, [&] { return form->Q7->GetScanMode() == 0 && form->Q7->GetFreq() == 145'000'000; });
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000) << "the receiver back where the user had it";
}

TEST_F(PanelBusyResponsiveness, TheServiceWindowOpenWithASleepingReceiverLeavesThePanelAnswering) {
    StartBusy();
    form->Debug1Click(form->Debug1);
    ASSERT_TRUE(form->DebugForm->Visible());
    Run(300);
    WhileAsleep("the service window opened again", [&] { return Took([&] { form->Debug1Click(form->Debug1); }); });
    // Tuning shows the receiver's preselector on the window's filter page.
    WhileAsleep("tuning under the service window", [&] { return Took([&] { form->myFrequencyEdit1->SetValue(145'100'000); }); });
    WhileAsleep("the IF filter width", [&] { return ClickOn(*form->DebugForm->IFFilterWidthButton); });
    WhileAsleep("the pre-selector write", [&] { return Took([&] { form->DebugForm->PreselectorWriteButton->Click(); }); });
    // Awake, the pages show what the receiver answered.
    Run(3000, [&] { return form->DebugForm->FilterBandLabel->Caption().rfind("Band #", 0) == 0; });
    EXPECT_EQ(form->DebugForm->FilterBandLabel->Caption().rfind("Band #", 0), 0u) << form->DebugForm->FilterBandLabel->Caption();
    EXPECT_EQ(form->Q7->GetFreq(), 145'100'000);
}

// A setting whose request timed out may or may not have reached the receiver: the panel keeps
// what the user asked, the receiver holds it once it answers again, and the same setting asked
// again goes to the receiver again.
TEST_F(PanelResponsiveness, ASettingThatTimedOutIsNotSnappedBackAndIsSentAgainWhenSetAgain) {
    plat::sys::SetRequestTimeout(std::chrono::milliseconds(1000));
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000\n");
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrOk;
    };
    form->stSpeedButton5->Click(); // AGC medium
    Run(1000, [&] { return form->Q7->GetAGC() == 2; });
    ASSERT_EQ(form->Q7->GetAGC(), 2);

    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    ClickOn(*form->stSpeedButton6); // AGC fast
    ASSERT_TRUE(form->stSpeedButton6->Down());
    // Past the time-out, for the level poll's request and for the AGC's.
    Run(3000);
    EXPECT_TRUE(form->stSpeedButton6->Down()) << "what the user asked stays";
    EXPECT_FALSE(form->stSpeedButton5->Down());
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    Run(3000, [&] { return form->Q7->KnownConnected() && std::abs(form->Q7->SignalLevel() - -60.0) < 3.0; });
    ASSERT_TRUE(form->Q7->KnownConnected());
    EXPECT_TRUE(form->stSpeedButton6->Down()) << "what the user asked stays";
    // Awake again, the receiver is given what the panel shows (the late request, or the panel's
    // settings sent again after the reconnection), and the library says so.
    Run(3000, [&] { return form->Q7->GetAGC() == 3; });
    ASSERT_EQ(form->Q7->GetAGC(), 3) << "the receiver and the library hold what the panel shows";

    // The same AGC asked again reaches the receiver, and the library holds it.
    ClickOn(*form->stSpeedButton6);
    Run(3000, [&] { return form->Q7->GetAGC() == 3; });
    EXPECT_EQ(form->Q7->GetAGC(), 3);
    EXPECT_TRUE(form->stSpeedButton6->Down());
}

// The demodulator's mode buttons switch the receiver's own wide-FM demodulation: while the
// receiver sleeps a click is answered at once, and when it wakes the receiver holds the switch of
// the user's last click. The meter tells the switch: the station lies 60 kHz above the tuning,
// inside the wide IF and outside the narrow one.
TEST_F(PanelResponsiveness, TheDemodulatorsModeButtonsAnswerAtOnceWhileTheReceiverSleepsAndItWakesToTheLastChoice) {
    // The receiver sleeps for less than a request's time-out, however slowly a sanitizer's build
    // works the clicks: what was asked is held, not given up.
    plat::sys::SetRequestTimeout(std::chrono::milliseconds(20000));
    Start("usb", "noise -125\nstation 100060000 -60 fm tone=1000 deviation=75000\n");
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrOk;
    };
    Tune(100'000'000);
    const auto hears = [&](bool wide) {
        const double level = form->Q7->SignalLevel();
        return wide ? std::abs(level - -60.0) < 3.0 : level < -100.0;
    };

    const struct {
        const char* from;
        std::vector<const char*> clicks;
        bool wide;
    } cases[] = {
        {"FMN", {"FMW"}, true},
        {"FMW", {"FMN", "FMW", "FMN"}, false},
    };
    for (const auto& c : cases) {
        const std::string from = std::string("from ") + c.from;
        const bool before = std::string(c.from) == "FMW";
        Mode(c.from);
        Run(5000, [&] { return hears(before); });
        ASSERT_TRUE(hears(before)) << from << ", awake: the meter shows " << form->Q7->SignalLevel();

        ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
        Run(100);
        for (const char* click : c.clicks) {
            ExpectPrompt(Took([&] { ClickMode(click); }), from + ", the " + click + " button");
            ExpectPrompt(LongestAnswer(60), from + ", after the " + click + " button, the panel");
        }
        const Answer after = LongestAnswer(300);
        ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
        ExpectPrompt(after, from + ", the panel");

        Run(5000, [&] { return hears(c.wide); });
        EXPECT_TRUE(hears(c.wide)) << from << ": the receiver awake demodulates as the last click chose; the meter shows "
                                   << form->Q7->SignalLevel();
    }
    EXPECT_TRUE(shown.empty()) << shown.front();
}

} // namespace
} // namespace lxq::systemtest
