// The scanner when the computer sleeps and wakes, through the driver host's own sleep: the sleep
// ends the scan (no step reaches the closed receiver), the receiver wakes with the user's AGC and
// mode, the station the scan stopped on is heard at once, and a scan after the wake reads each
// channel's own level, stopping on the station and nowhere else. Also a sleep that comes while
// the scanner waits for the demodulator's verdict on a tone, and a sweep that runs at the sleep:
// it ends as a stop would end it, and the receiver wakes with the user's settings, not the sweep's.

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstAlignEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/sys/Clock.h"
#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

#include <atomic>
#include <cmath>
#include <future>

namespace lxq::systemtest {
namespace {

constexpr int kHolding = 2, kScanning = 3;
constexpr std::int32_t kAgcSlow = 1, kAgcMed = 2;
constexpr std::int32_t kModeAm = 1, kModeFmn = 2, kModeUsb = 5;

// Real time, except that a wait of a second or more passes at once: the panel waits five seconds
// after a wake for the driver to settle, which this host does not need.
class SkippingClock final : public plat::sys::Clock {
public:
    plat::sys::Nanoseconds Now() const override { return real_.Now() + skipped_.load(); }
    void Sleep(plat::sys::Nanoseconds duration) override {
        if (duration >= plat::sys::kNsPerSecond) skipped_ += duration;
        else real_.Sleep(duration);
    }

private:
    plat::sys::RealClock real_;
    std::atomic<plat::sys::Nanoseconds> skipped_{0};
};

double Rms(const std::vector<std::int16_t>& x) {
    double sum = 0;
    for (auto v : x) sum += static_cast<double>(v) * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

class ScanSleep : public FrontPanelSystem {
protected:
    ~ScanSleep() override {
        // The panel goes while the clock that it ran on is still in place.
        if (form) form->KVR->StopAll();
        form.reset();
    }

    // Counts the scanner's steps, and those that came while the receiver was closed.
    void CountSteps() {
        auto step = form->ScanStep;
        form->ScanStep = [this, step](plat::comp::TObject* sender) {
            if (form->ScannerState == kScanning && form->Q7->Handle() == 0) ++stepsWhileClosed;
            step(sender);
        };
    }
    // `lxq745ctl sleep` or `wake` while the panel runs: the host waits for the panel to let go of
    // its receiver before it sleeps.
    int HostPower(const char* verb) {
        auto done = std::async(std::launch::async, [verb] { return Control({verb}); });
        Run(10000, [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return done.get();
    }
    void Sleep() {
        ASSERT_EQ(HostPower("sleep"), 0) << "the host sleeps once the panel has closed its receiver";
        ASSERT_NE(form->RestartList(), nullptr) << "the panel heard of the sleep";
        ASSERT_EQ(form->Q7->Handle(), 0);
    }
    void Wake() {
        ASSERT_EQ(HostPower("wake"), 0);
        Run(10000, [this] { return form->RestartList() == nullptr; });
        ASSERT_EQ(form->RestartList(), nullptr) << "the panel woke";
        ASSERT_NE(form->Q7->Handle(), 0) << "and opened its receiver again";
    }
    // Runs the panel until the loudspeaker's last half second is a station's (loud enough), at most
    // `ms`, and gives that half second. The recording is looked at every tenth of a second: a
    // loaded machine may play late, but plays on.
    std::vector<std::int16_t> HeardWithin(int ms) {
        std::vector<std::int16_t> heard;
        auto look = [&] {
            heard = LastPlayed(24000);
            if (heard.size() < 24000) heard.clear();
            return Rms(heard) > kHeardRms;
        };
        RunLooking(ms, 100, look);
        look();
        return heard;
    }
    static constexpr double kHeardRms = 1000.0;
    std::string LogTail() {
        std::stringstream log;
        log << std::ifstream(form->DebugLogFile()).rdbuf();
        const std::string text = log.str();
        return text.substr(text.size() > 4000 ? text.size() - 4000 : 0);
    }

    int stepsWhileClosed = 0;

private:
    SkippingClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
};

TEST_F(ScanSleep, AScanThroughSleepAndWakeStopsAndTheNextStopsOnTheStation) {
    Start("usb", "noise -125\n"
                 "station 145100000 -95 am tone=1000 depth=0.5\n" // under the squelch: passed by
                 "station 145150000 -48 am tone=1000 depth=0.5\n"
                 "station 145300000 -70 am tone=1000 depth=0.5\n",
          {"/l"});
    CountSteps();
    form->Q7->SetMode(kModeAm);
    form->Q7->SetAGC(kAgcMed);
    Tune(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->Q7->SetSquelch(-30); // above every station: the scan goes on
    form->stSpeedButton20Click(form->stSpeedButton20);
    Run(5000, [this] { return form->ScanChannelCount() > 20; });
    ASSERT_EQ(form->ScannerState, kScanning);
    ASSERT_NE(form->Q7->GetAGC(), kAgcMed) << "the scan runs on its own AGC";
    Sleep();
    EXPECT_EQ(form->ScannerState, 0) << "power off ends the scan";
    Run(300);
    Wake();
    Run(300);
    EXPECT_EQ(stepsWhileClosed, 0) << "no step reached the closed receiver";
    EXPECT_EQ(form->ScannerState, 0);
    EXPECT_EQ(form->Q7->GetAGC(), kAgcMed) << "the user's AGC";
    EXPECT_EQ(form->Q7->GetMode(), kModeAm) << "and mode";
    EXPECT_EQ(form->Q7->GetScanMode(), 0);

    // The user scans again: every reading is its own channel's, so the scan stops on the
    // station and not on the empty channel after it.
    form->Q7->SetSquelch(-90);
    Tune(145'000'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Run(5000, [this] { return form->ScannerState == kHolding; });
    ASSERT_EQ(form->ScannerState, kHolding) << LogTail();
    EXPECT_EQ(form->Q7->GetFreq(), 145'150'000) << LogTail();
    // Its audio, which the demodulator fades in over about a second (50 blocks) after the stop.
    const auto heard = HeardWithin(6000);
    ASSERT_FALSE(heard.empty());
    EXPECT_GT(Rms(heard), kHeardRms) << "the station is heard";
    EXPECT_NEAR(FitTone(heard, 48000, 200, 4000).hz, 1000.0, 1.0);
    EXPECT_EQ(stepsWhileClosed, 0);
}

TEST_F(ScanSleep, ASleepWhileTheScannerWaitsForTheToneDecisionLeavesTheUsersSettings) {
    Start("usb", "noise -130\n"
                 "station 145000000 -60 fm tone=1000 deviation=2500 ctcss=88.5\n",
          {"/l"});
    CountSteps();
    Mode("FMN");
    form->Q7->SetAGC(kAgcMed);
    Tune(144'950'000);
    int still = 0;
    form->stAlignEdit1->SetTag(10); // 88.5 Hz
    form->myUpDown16Direction(form->myUpDown16, still);
    ASSERT_EQ(form->stAlignEdit1->Text(), "88.5");
    form->stSpeedButton44->SetDown(true);
    form->stSpeedButton44->Click();
    form->Q7->SetSquelch(-90);
    const std::uint32_t userSquelchTypes = form->Q7->SquelchTypes();
    ASSERT_GT(userSquelchTypes, 1u) << "CTCSS on";
    form->myFrequencyEdit2->SetValue(25'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    // The computer goes to sleep the moment the scanner waits for the demodulator's verdict.
    bool suspended = false;
    Run(5000, [&] {
        if (form->ScannerState != kScanning || !form->WaitingForSquelchedInfo) return false;
        plat::win::SendMessage(form->Handle(), plat::win::WM_POWERBROADCAST, 4, 0);
        suspended = true;
        return true;
    });
    ASSERT_TRUE(suspended) << LogTail();
    EXPECT_EQ(form->ScannerState, 0);
    EXPECT_EQ(form->Q7->Handle(), 0);
    Sleep(); // the host's own notice comes after: the panel sleeps already
    Wake();
    EXPECT_EQ(stepsWhileClosed, 0);
    EXPECT_EQ(form->ScannerState, 0);
    EXPECT_EQ(form->Q7->GetAGC(), kAgcMed) << "the user's AGC, not the scan's";
    EXPECT_EQ(form->Q7->GetMode(), kModeFmn);
    EXPECT_EQ(form->Q7->GetScanMode(), 0) << "the demodulator plays, as outside a scan";
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000) << "on the station the scan was deciding";
    // The station with its tone is heard after the wake, not digital zeros.
    const auto heard = HeardWithin(5000);
    ASSERT_FALSE(heard.empty());
    EXPECT_GT(Rms(heard), kHeardRms) << LogTail();
    EXPECT_NEAR(FitTone(heard, 48000, 200, 4000).hz, 1000.0, 1.0);
}

TEST_F(ScanSleep, ASweepRunningAtTheSleepStopsAndTheReceiverWakesWithTheUsersSettings) {
    Start("usb", "noise -125\n"
                 "station 1000000 -60 am tone=1000 depth=0.5\n"
                 "station 145300000 -60 am\n");
    Mode("USB");
    form->Q7->SetAGC(kAgcSlow);
    form->Q7->SetAtten(1);
    form->Q7->SetPreAmp(0);
    Tune(1'000'000);
    form->LayOutScope(true, form->SweepPanel->Height());
    form->myFrequencyEdit3->SetValue(145'000'000);
    form->myFrequencyEdit4->SetValue(146'000'000);
    form->myFrequencyEdit5->SetValue(5'000);
    form->stSpeedButton33->SetDown(true); // continuous: the sweep is still running at the sleep
    form->stSpeedButton30->SetDown(true);
    form->stSpeedButton30->Click();
    ASSERT_TRUE(form->Sweeping()) << (boxes.empty() ? "" : boxes.back());
    Run(600);
    ASSERT_TRUE(form->Sweeping());
    ASSERT_NE(form->Q7->GetAGC(), kAgcSlow) << "the sweep runs on its own AGC";
    Sleep();
    EXPECT_FALSE(form->Sweeping()) << "the sleep ends the sweep";
    Wake();
    Run(300);
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(form->Q7->GetScanMode(), 0);
    EXPECT_TRUE(form->myFreqGraph1->VisiTune()) << "the graph tunes on a click again";
    const struct {
        const char* what;
        std::int64_t woke, user;
    } settings[] = {
        {"frequency", form->Q7->GetFreq(), 1'000'000},
        {"mode", form->Q7->GetMode(), kModeUsb},
        {"AGC", form->Q7->GetAGC(), kAgcSlow},
        {"attenuator", form->Q7->GetAtten(), 1},
        {"preamplifier", form->Q7->GetPreAmp(), 0},
        {"frequency shown", form->myFrequencyEdit1->Value(), 1'000'000},
    };
    for (const auto& s : settings) EXPECT_EQ(s.woke, s.user) << "the user's " << s.what;
}

} // namespace
} // namespace lxq::systemtest
