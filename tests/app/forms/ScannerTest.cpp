// The scanner on the front panel, headless, against the driver host's test receiver on a fresh
// namespace (its level stays put, unlike the demonstration receiver's): starting and stopping,
// the band edge, the hold rules on the fake clock, waiting for the demodulator's verdict,
// pausing, auto store and the settings dialog.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/controls/TstFrequencyEdit.h"
#include "app/controls/TstIntEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TExclusionsForm.h"
#include "app/forms/TGroupForm.h"
#include "app/forms/TRangesForm.h"
#include "app/forms/TScanSetForm.h"
#include "platform/components/TRadioButton.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using namespace lxq::host;

constexpr std::uint32_t kWake = 0x47B;

class Scanner : public ::testing::Test {
protected:
    Scanner() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        std::ofstream(dir.File("lxq745.cal")) << "[LX-Q745]\ntable -1\n1000000 0:-200 255:100\n";
        std::filesystem::current_path(dir.Path());
        plat::comp::Application().ResetTerminated();
        RegisterBuiltInKinds(kinds);
        serving = server.Start();
        std::string message;
        bus.Plug("test", "rx1", message);
        form = std::make_unique<TQ7form>(nullptr);
        form->ShowMessageBox = [](const std::string&, const std::string&, std::uint32_t) { return 1; };
        form->ShowScanTime = [this](const std::string& t) { scanTime = t; };
        form->Q7->SetCalFile(dir.File("lxq745.cal"));
        // Without a receiver the panel runs on the demonstration receiver ("Run in demo mode").
        form->RunModal = [](plat::comp::TCustomForm& f) {
            return std::string(f.ClassName()) == "TNoRecForm" ? plat::comp::mrOk : f.ShowModal();
        };
        form->DoCreate();
        form->Q7->SetTimerInterval(0); // the tests poll the receiver themselves
        form->Q7->Timer(false);
    }
    ~Scanner() override {
        form.reset();
        std::filesystem::current_path(startFolder);
        if (serving) server.Stop();
        bus.RemoveAll();
        unsetenv("XDG_DOCUMENTS_DIR");
    }
    // The level the receiver measures, and a squelch `margin` dB above it (negative: below).
    void SquelchAbove(int margin) {
        form->Q7->SetSquelch(static_cast<std::int32_t>(level) + margin);
    }
    void MeasureLevel() {
        form->Q7->GetSS();
        level = form->Q7->SignalLevel();
    }
    // A search upwards from 145 MHz in 25 kHz steps with the squelch below every channel, under
    // the hold rule `onLost` with a 5 s delay, run until its first step (which holds).
    void SearchEveryChannelOpen(std::int32_t onLost) {
        MeasureLevel();
        form->Settings().onLost = onLost;
        form->Settings().delayTimeMs = 5000;
        SquelchAbove(-30);
        form->Q7->SetFreq(145'000'000);
        form->myFrequencyEdit2->SetValue(25'000);
        form->stSpeedButton20Click(form->stSpeedButton20);
        Idle(1);
    }
    // Runs the idle steps n times, each with the receiver's answers it waits for.
    void Idle(int n) {
        for (int i = 0; i < n; ++i) {
            bool done = true;
            form->ApplicationEvents1Idle(form.get(), done);
            Answers();
        }
    }
    // The answers of the receiver's requests, as the message loop brings them, until no step
    // waits for one.
    void Answers() {
        // Only the receiver's answers: the idle loop's wake-up messages stay queued, as a test
        // may count them.
        for (int i = 0; i < 100; ++i) {
            form->Q7->FinishRequests();
            form->Q7->WndProc(kRequestAnswerMessage, 0, 0);
            if (!form->ScanStepWaiting()) return;
        }
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::test::ScopedChannelNamespace ns{"scanner"};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
    DeviceKinds kinds;
    Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    ChannelServer server{bus};
    bool serving = false;
    std::unique_ptr<TQ7form> form;
    std::string scanTime;
    double level = 0;
};

TEST_F(Scanner, SearchStepsUpUntilStoppedAndStopRestoresTheReceiver) {
    ASSERT_FALSE(form->Quitting());
    ASSERT_FALSE(form->Q7->Demo());
    MeasureLevel();
    SquelchAbove(30);
    form->Q7->SetFreq(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    const std::int32_t agc = form->Q7->GetAGC();
    form->stSpeedButton20Click(form->stSpeedButton20);
    ASSERT_EQ(form->ScannerState, 3);
    EXPECT_EQ(form->Q7->GetAGC(), 3) << "fast AGC while scanning";
    EXPECT_EQ(form->Q7->GetScanMode(), 1);
    EXPECT_EQ(form->ActiveScanChannel().frequency, 145'025'000);
    EXPECT_EQ(form->NextScanChannelState().frequency, 145'050'000);
    Idle(10);
    EXPECT_EQ(form->ScannerState, 3);
    EXPECT_EQ(form->ScanChannelCount(), 10);
    EXPECT_EQ(form->ActiveScanChannel().frequency, 145'275'000);
    EXPECT_EQ(form->myFrequencyEdit1->Value(), 145'275'000) << "the display follows";
    clock.AdvanceMs(2000);
    form->stSpeedButton7Click(form->stSpeedButton7);
    EXPECT_EQ(form->ScannerState, 0);
    EXPECT_EQ(form->Q7->GetAGC(), agc);
    EXPECT_EQ(form->Q7->GetScanMode(), 0);
    EXPECT_EQ(form->Q7->GetFreq(), 145'275'000);
    EXPECT_FALSE(form->stSpeedButton20->Down());
    EXPECT_EQ(scanTime, "Last scan time=2.000sec, avg=5ch/sec");
}

TEST_F(Scanner, SearchStopsAtTheBandEdgeAndALastScanTimeOfNothingCountsAsOneMillisecond) {
    MeasureLevel();
    SquelchAbove(30);
    const std::int64_t top = 146'000'000;
    form->Q7->Q7Facilities().MaxFrequency = top;
    form->Q7->SetFreq(top - 60'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    ASSERT_EQ(form->ScannerState, 3);
    Idle(1);
    EXPECT_EQ(form->ScannerState, 0) << "no channel beyond the top";
    EXPECT_EQ(form->NextScanChannelState().frequency, top);
    EXPECT_EQ(scanTime, "Last scan time=0.001sec, avg=0ch/sec");
}

TEST_F(Scanner, ASignalHoldsUntilTheHoldRuleLetsGo) {
    struct Case {
        std::int32_t onLost;
        std::int64_t heldWithSignalMs; // the scan still holds this long while the signal stays
        std::int64_t resumesAfterGoneMs; // and goes on this long after it went (-1: at once)
    };
    constexpr std::int64_t kRestart = 300; // a resumed scan lets its first frequency settle
    const Case cases[] = {{0, 20'000, 0}, {1, 4'900, -1}, {2, 4'900, 0}, {3, 20'000, 5'000}};
    for (const Case& c : cases) {
        SearchEveryChannelOpen(c.onLost);
        ASSERT_EQ(form->ScannerState, 2) << c.onLost << ": holds at once with only the level squelch " << level << " " << form->Q7->GetSquelch() << " " << form->Q7->SignalLevel() << " sq " << form->Q7->GetSquelched();
        EXPECT_EQ(form->Q7->GetFreq(), 145'025'000);
        EXPECT_EQ(form->Q7->GetScanMode(), 0);
        const std::int64_t start = clock.NowMs();
        while (clock.NowMs() - start < c.heldWithSignalMs) {
            Idle(1);
            form->Q7->GetSS();
            ASSERT_EQ(form->ScannerState, 2) << c.onLost << " at " << clock.NowMs() - start;
        }
        if (c.resumesAfterGoneMs >= 0) {
            SquelchAbove(30); // the signal goes
            form->Q7->GetSS();
            const std::int64_t gone = clock.NowMs();
            while (form->ScannerState == 2 && clock.NowMs() - gone < 60'000) Idle(1);
            EXPECT_NEAR(clock.NowMs() - gone, c.resumesAfterGoneMs + kRestart, 10) << c.onLost;
        } else {
            while (form->ScannerState == 2 && clock.NowMs() - start < 60'000) Idle(1);
            EXPECT_NEAR(clock.NowMs() - start, 5'000 + kRestart, 10) << c.onLost;
        }
        EXPECT_EQ(form->ScannerState, 3) << c.onLost << ": scanning again";
        form->stSpeedButton7Click(form->stSpeedButton7);
    }
}

// The tuning to the channel held shows at once the library's last level, which is the quiet
// channel pipelined after it: the hold takes the signal for gone only on a level measured since.
TEST_F(Scanner, AHoldIsNotLetGoOnTheLevelItsOwnTuningShows) {
    for (const std::int32_t onLost : {0, 2}) {
        SearchEveryChannelOpen(onLost);
        ASSERT_EQ(form->ScannerState, 2) << onLost;
        form->Q7->SetSignalRaw(0); // the next channel's quiet, as the library last measured it
        ASSERT_TRUE(form->Q7->GetSquelched());
        const std::int64_t held = form->Q7->GetFreq();
        bool done = true;
        form->ApplicationEvents1Idle(form.get(), done); // the hold's step, before any answer
        EXPECT_EQ(form->ScannerState, 2) << onLost << ": let go on a level from before the hold";
        // Measured now: the signal is there, and the hold goes on while it stays.
        form->Q7->QueriedLevel();
        Answers();
        Idle(3);
        EXPECT_EQ(form->ScannerState, 2) << onLost;
        EXPECT_EQ(form->Q7->GetFreq(), held) << onLost << ": on the channel found";
        SquelchAbove(30); // the signal goes
        form->Q7->QueriedLevel();
        Answers();
        Idle(1);
        EXPECT_EQ(form->ScannerState, 3) << onLost << ": a measured level lets it go";
        form->stSpeedButton7Click(form->stSpeedButton7);
    }
}

// Power off ends the scan however it stands, stepping, holding on a signal or paused: after
// power on nothing steps, and the receiver has the user's AGC, not the scan's fast one.
TEST_F(Scanner, PowerOffStopsTheScannerInEveryState) {
    constexpr std::uint8_t kPaused = 1, kHolding = 2, kStepping = 3;
    for (const std::uint8_t state : {kStepping, kHolding, kPaused}) {
        SCOPED_TRACE(static_cast<int>(state));
        form->Q7->SetPower(1);
        form->Q7->SetAGC(1); // "Slow"
        if (state == kStepping) {
            MeasureLevel();
            SquelchAbove(30); // every channel is closed: the scan steps on
            form->Q7->SetFreq(145'000'000);
            form->myFrequencyEdit2->SetValue(25'000);
            form->stSpeedButton20Click(form->stSpeedButton20);
            Idle(2);
        } else {
            SearchEveryChannelOpen(0);
        }
        if (state == kPaused) {
            form->stSpeedButton23->SetDown(true);
            form->stSpeedButton23Click(form->stSpeedButton23);
        }
        ASSERT_EQ(form->ScannerState, state);
        form->stSpeedButton1->SetDown(false);
        form->stSpeedButton1->Click(); // Power off
        EXPECT_EQ(form->ScannerState, 0) << "the scan stopped";
        EXPECT_FALSE(form->stSpeedButton20->Down());
        form->stSpeedButton1->SetDown(true);
        form->stSpeedButton1->Click(); // and on again
        const std::int64_t tuned = form->Q7->GetFreq();
        Idle(5);
        EXPECT_EQ(form->ScannerState, 0);
        EXPECT_EQ(form->Q7->GetFreq(), tuned) << "no step after the power came back";
        EXPECT_EQ(form->Q7->GetAGC(), 1) << "the user's AGC";
    }
}

// The scan runs on fast AGC; holding on a signal and going on, or pausing and resuming, must
// not make that the AGC Stop gives back.
TEST_F(Scanner, StopGivesBackTheUsersAgcAfterHoldsAndPauses) {
    MeasureLevel();
    form->Settings().onLost = 1; // a held signal is left after the delay, gone or not
    form->Settings().delayTimeMs = 1000;
    form->Q7->SetAGC(1); // "Slow"
    SquelchAbove(-30); // every channel is open
    form->Q7->SetFreq(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(1);
    ASSERT_EQ(form->ScannerState, 2) << "held";
    while (form->ScannerState == 2 && clock.NowMs() < 60'000) Idle(1);
    ASSERT_EQ(form->ScannerState, 3) << "went on";
    EXPECT_EQ(form->Q7->GetAGC(), 3);
    Idle(1);
    ASSERT_EQ(form->ScannerState, 2) << "held again";
    form->stSpeedButton23->SetDown(true);
    form->stSpeedButton23Click(form->stSpeedButton23); // "Pause"
    ASSERT_EQ(form->ScannerState, 1);
    EXPECT_EQ(form->Q7->GetAGC(), 1) << "paused on the user's AGC";
    form->stSpeedButton23->SetDown(false);
    form->stSpeedButton23Click(form->stSpeedButton23); // resume
    ASSERT_EQ(form->ScannerState, 3);
    EXPECT_EQ(form->Q7->GetAGC(), 3);
    form->stSpeedButton7Click(form->stSpeedButton7);
    EXPECT_EQ(form->Q7->GetAGC(), 1) << "\"Slow\" again, not \"Fast\"";
    EXPECT_TRUE(form->stSpeedButton4->Down()) << "and its button shows it";
}

// A range scan tunes each channel in the range's mode; holding on one and going on must not make
// that the mode Pause gives back.
TEST_F(Scanner, PauseGivesBackTheUsersModeAfterAHoldInAnotherMode) {
    MeasureLevel();
    form->Settings().onLost = 1;
    form->Settings().delayTimeMs = 1000;
    form->Q7->SetMode(1);
    ASSERT_EQ(form->Q7->GetMode(), 1);
    auto range = std::make_unique<TRangeRecord>();
    *range = TRangeRecord{};
    range->lower = 145'000'000;
    range->upper = 146'000'000;
    range->step = 25'000;
    range->mode = 2;
    range->levelSquelch = static_cast<std::int32_t>(level) - 30; // every channel is open
    range->activeSquelch = 1;
    form->RangesForm->Ranges().push_back(std::move(range));
    form->stSpeedButton21->SetDown(true);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(1);
    ASSERT_EQ(form->ScannerState, 2) << "held";
    EXPECT_EQ(form->Q7->GetMode(), 2) << "on the range's mode";
    while (form->ScannerState == 2 && clock.NowMs() < 60'000) Idle(1);
    ASSERT_EQ(form->ScannerState, 3) << "went on";
    Idle(1);
    ASSERT_EQ(form->ScannerState, 2) << "held again";
    form->stSpeedButton23->SetDown(true);
    form->stSpeedButton23Click(form->stSpeedButton23); // "Pause"
    ASSERT_EQ(form->ScannerState, 1);
    EXPECT_EQ(form->Q7->GetMode(), 1) << "paused on the user's mode, not the held channel's";
    form->stSpeedButton23->SetDown(false);
    form->stSpeedButton23Click(form->stSpeedButton23); // resume
    ASSERT_EQ(form->ScannerState, 3);
    Idle(1);
    ASSERT_EQ(form->ScannerState, 2);
    form->stSpeedButton23->SetDown(true);
    form->stSpeedButton23Click(form->stSpeedButton23);
    EXPECT_EQ(form->Q7->GetMode(), 1) << "and again after a pause and a resume";
    form->stSpeedButton7Click(form->stSpeedButton7);
}

// However a scan ends, what it changed comes back: between channels the user's AGC, AFC, mode
// and squelch; held on a channel the user's AGC and AFC, with the channel's mode kept, since that
// is what the user listens to. A receiver closed under the scan ends it at the next step.
TEST_F(Scanner, AStopGivesBackWhatTheScanChangedAndAClosedReceiverEndsTheScan) {
    MeasureLevel();
    form->Q7->SetMode(1);
    form->Q7->SetAGC(1);
    form->Q7->SetAFC(true);
    const SQUELCH_SETTINGS userSquelch = form->Q7->SquelchSettings();
    const std::uint32_t userTypes = form->Q7->SquelchTypes();
    auto range = std::make_unique<TRangeRecord>();
    *range = TRangeRecord{};
    range->lower = 145'000'000;
    range->upper = 146'000'000;
    range->step = 25'000;
    range->mode = 2;
    range->activeSquelch = 1;
    TRangeRecord& r = *range;
    form->RangesForm->Ranges().push_back(std::move(range));
    form->stSpeedButton21->SetDown(true);
    struct Case {
        const char* name;
        int margin;       // the range's squelch over the level: above, the scan goes on
        int state;        // where the stop comes
        std::int32_t mode; // the mode after the stop
    };
    for (const Case& c : {Case{"between channels", 30, 3, 1}, Case{"held", -30, 2, 2}}) {
        r.levelSquelch = static_cast<std::int32_t>(level) + c.margin;
        form->stSpeedButton20Click(form->stSpeedButton20);
        Idle(3);
        ASSERT_EQ(form->ScannerState, c.state) << c.name;
        EXPECT_EQ(form->Q7->GetMode(), 2) << c.name << ": the range's mode";
        EXPECT_FALSE(form->Q7->GetAFC()) << c.name;
        form->stSpeedButton7Click(form->stSpeedButton7);
        EXPECT_EQ(form->Q7->GetMode(), c.mode) << c.name;
        EXPECT_EQ(form->Q7->GetAGC(), 1) << c.name;
        EXPECT_TRUE(form->Q7->GetAFC()) << c.name;
        EXPECT_EQ(form->Q7->GetScanMode(), 0) << c.name;
        if (c.state == 3) {
            EXPECT_EQ(form->Q7->SquelchTypes(), userTypes) << c.name;
            EXPECT_EQ(form->Q7->SquelchSettings().level, userSquelch.level) << c.name;
        }
        form->Q7->SetMode(1);
    }

    r.levelSquelch = static_cast<std::int32_t>(level) + 30;
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(2);
    ASSERT_EQ(form->ScannerState, 3);
    const std::int64_t channels = form->ScanChannelCount();
    form->Q7->Close();
    Idle(3);
    EXPECT_EQ(form->ScannerState, 0) << "nothing is left to measure";
    EXPECT_EQ(form->ScanChannelCount(), channels);
}

TEST_F(Scanner, WithASecondSquelchTypeTheStepWaitsForTheDemodulator) {
    MeasureLevel();
    SquelchAbove(-30);
    SQUELCH_SETTINGS s = form->Q7->SquelchSettings();
    s.ctcss = 88'500;
    form->Q7->SetSquelchSettings(s, kSquelchLevel | kSquelchCtcss);
    form->Q7->SetFreq(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(1);
    EXPECT_TRUE(form->WaitingForSquelchedInfo);
    EXPECT_EQ(form->ScannerState, 3);
    Idle(20);
    EXPECT_EQ(form->ScanChannelCount(), 0) << "no step before the verdict";
    EXPECT_EQ(form->ActiveScanChannel().frequency, 145'025'000);
    // The demodulator says: squelched (no tone).
    form->Q7->SetSquelched(true);
    form->Q7SquelchedInfo(nullptr);
    Idle(1);
    EXPECT_EQ(form->ScanChannelCount(), 1);
    EXPECT_EQ(form->ActiveScanChannel().frequency, 145'050'000);
    EXPECT_FALSE(form->WaitingForSquelchedInfo);
    Idle(1);
    EXPECT_TRUE(form->WaitingForSquelchedInfo) << "the next channel is open too";
    form->stSpeedButton7Click(form->stSpeedButton7);
    EXPECT_FALSE(form->WaitingForSquelchedInfo);
}

TEST_F(Scanner, PauseHoldsTheActiveChannelAndResumeGoesOn) {
    MeasureLevel();
    SquelchAbove(30);
    form->Q7->SetFreq(145'000'000);
    form->myFrequencyEdit2->SetValue(25'000);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(3);
    const std::int64_t active = form->ActiveScanChannel().frequency;
    form->stSpeedButton23->SetDown(true);
    form->stSpeedButton23Click(form->stSpeedButton23);
    EXPECT_EQ(form->ScannerState, 1);
    EXPECT_EQ(form->Q7->GetFreq(), active);
    EXPECT_EQ(form->Q7->GetScanMode(), 0);
    Idle(5);
    EXPECT_EQ(form->ActiveScanChannel().frequency, active) << "paused";
    form->stSpeedButton23->SetDown(false);
    form->stSpeedButton23Click(form->stSpeedButton23);
    EXPECT_EQ(form->ScannerState, 3);
    EXPECT_EQ(form->ActiveScanChannel().frequency, active + 25'000);
    form->stSpeedButton7Click(form->stSpeedButton7);
}

TEST_F(Scanner, MemoryScanWithOneUsableChannelAndRangeScanWithAllSkippedStopAtOnce) {
    MeasureLevel();
    SquelchAbove(30);
    for (std::int32_t n : {1, 2}) {
        auto r = std::make_unique<TMemoryRecord>(NewMemoryRecord());
        r->number = n;
        r->frequency = 100'000'000 * n;
        r->flags = n == 2 ? kMemLockout : 0;
        form->Memories().push_back(std::move(r));
    }
    form->RebuildSortedMemories();
    form->stSpeedButton3->SetDown(true);
    form->stSpeedButton20Click(form->stSpeedButton20);
    EXPECT_EQ(form->ScannerState, 0);

    auto range = std::make_unique<TRangeRecord>();
    *range = TRangeRecord{};
    range->lower = 100'000'000;
    range->upper = 102'000'000;
    range->step = 1'000'000;
    range->skip = 1;
    form->RangesForm->Ranges().push_back(std::move(range));
    form->stSpeedButton21->SetDown(true);
    form->stSpeedButton19Click(form->stSpeedButton19);
    EXPECT_EQ(form->ScannerState, 0);
    form->RangesForm->Ranges().front()->skip = 0;
    form->stSpeedButton19Click(form->stSpeedButton19);
    EXPECT_EQ(form->ScannerState, 3);
    EXPECT_EQ(form->ActiveScanChannel().frequency, 102'000'000);
    EXPECT_EQ(form->NextScanChannelState().frequency, 101'000'000);
    form->stSpeedButton10->SetDown(true);
    form->stSpeedButton3Click(form->stSpeedButton10);
    EXPECT_EQ(form->ScannerState, 0) << "a mode button stops the scan";
}

TEST_F(Scanner, AStepThatDoesNotWaitWakesTheIdleLoopForTheNextAtOnce) {
    namespace win = plat::win;
    auto wakes = [this] {
        int n = 0;
        win::Msg m{};
        while (win::PeekMessage(&m, form->Handle(), kWake, kWake, win::PM_REMOVE)) ++n;
        return n;
    };
    MeasureLevel();
    SquelchAbove(30);
    form->Q7->SetFreq(145'000'000);
    wakes();
    form->stSpeedButton20Click(form->stSpeedButton20);
    EXPECT_EQ(wakes(), 1) << "the first step";
    Idle(1);
    EXPECT_EQ(wakes(), 1) << "the next channel";
    SQUELCH_SETTINGS s = form->Q7->SquelchSettings();
    form->Q7->SetSquelchSettings(s, kSquelchLevel | kSquelchCtcss);
    SquelchAbove(-30);
    Idle(1);
    EXPECT_TRUE(form->WaitingForSquelchedInfo);
    EXPECT_EQ(wakes(), 0) << "the demodulator's verdict wakes the loop";
    form->stSpeedButton7Click(form->stSpeedButton7);
}

TEST_F(Scanner, TheSettingsDialogEditsTheScannerSettingsAndTheExclusionSwitch) {
    form->Settings().delayTimeMs = 7000;
    form->Settings().exclusionsEnabled = true;
    form->Settings().scanRate = 0; // the dialog carries it as it is
    form->ScanSetForm->RunModal = [this](plat::comp::TForm& f) {
        EXPECT_EQ(form->ScanSetForm->DelayEdit->Value(), 7);
        if (&f != form->ScanSetForm) return plat::comp::mrCancel;
        EXPECT_TRUE(form->ExclusionsForm->stSpeedButton6->Down());
        form->ExclusionsForm->stSpeedButton6->SetDown(false); // as if switched in the exclusions window
        form->ScanSetForm->DelayEdit->SetValue(12);
        form->ScanSetForm->StopButton->SetChecked(true);
        form->ScanSetForm->OKButtonClick(nullptr);
        return plat::comp::mrOk;
    };
    form->Scanning1Click(nullptr);
    EXPECT_EQ(form->Settings().delayTimeMs, 12'000);
    EXPECT_EQ(form->Settings().scanRate, 0);
    form->Settings().memGroups = 0x8001; // groups 1 and 16
    form->Settings().enableGroups = false;
    form->ScanSetForm->RunModal = [this](plat::comp::TForm& f) {
        if (&f == form->GroupForm) {
            EXPECT_TRUE(form->GroupForm->Groups[0]->Down());
            EXPECT_TRUE(form->GroupForm->Groups[15]->Down());
            EXPECT_FALSE(form->GroupForm->Groups[1]->Down());
            form->GroupForm->Groups[1]->SetDown(true);
            form->GroupForm->EnableButton->SetDown(true);
            return plat::comp::mrOk;
        }
        form->ScanSetForm->GroupsButtonClick(nullptr);
        form->ScanSetForm->OKButtonClick(nullptr);
        return plat::comp::mrOk;
    };
    form->Scanning1Click(nullptr);
    EXPECT_EQ(form->Settings().memGroups, 0xC001) << "group 2 is bit 14";
    EXPECT_TRUE(form->Settings().enableGroups);
    EXPECT_TRUE(form->Settings().stopOnFound);
    EXPECT_FALSE(form->ExclusionsEnabled());
}

TEST_F(Scanner, AutoStoreWritesTheFoundChannelToTheFirstFreeNumberAndStopOnFoundStops) {
    MeasureLevel();
    SquelchAbove(-30);
    auto used = std::make_unique<TMemoryRecord>(NewMemoryRecord());
    used->number = 900;
    form->Memories().push_back(std::move(used));
    auto range = std::make_unique<TRangeRecord>();
    *range = TRangeRecord{};
    range->lower = 100'000'000;
    range->upper = 102'000'000;
    range->step = 1'000'000;
    range->mode = 2;
    form->RangesForm->Ranges().push_back(std::move(range));
    form->RangesForm->AutoStoreButton->SetDown(true);
    form->RangesForm->GroupNumberEdit->SetValue(16);
    form->Settings().stopOnFound = true;
    form->stSpeedButton21->SetDown(true);
    form->stSpeedButton20Click(form->stSpeedButton20);
    Idle(1);
    EXPECT_EQ(lxq_test::ByValue(form->ScannerState), 0) << "stopped on the signal";
    ASSERT_EQ(form->Memories().size(), 2u);
    const TMemoryRecord& stored = *form->Memories().back();
    EXPECT_EQ(lxq_test::ByValue(stored.number), 901);
    EXPECT_EQ(lxq_test::ByValue(stored.frequency), 100'000'000);
    EXPECT_EQ(lxq_test::ByValue(stored.groups), 1u) << "group 16 is bit 0";
    EXPECT_EQ(lxq_test::ByValue(stored.mode), 2);
    EXPECT_EQ(lxq_test::ByValue(stored.levelSquelch), form->Q7->GetSquelch());
    EXPECT_EQ(lxq_test::ByValue(stored.squelchType), 0);
}

} // namespace
} // namespace lxq
