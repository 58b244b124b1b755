// The idle loop of the front panel: which of the scanner's and the sweep's steps run on one idle
// call, what the call answers in Done, the 100 ms redraw pacing of the sweep across a wrapping
// tick counter, and the handlers that feed the loop (squelch info, minimize and restore, the
// plug-ins' demodulator swap).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/controls/TimerWindow.h"
#include "app/controls/TstSpeedButton.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMenuItem.h"
#include "tests/app/forms/DemoPanel.h"

namespace lxq {
namespace {

using namespace plat::comp;
using test::DemoPanel;

class IdleLoop : public DemoPanel {
protected:
    void StartLoop() {
        StartPanel();
        for (TstSpeedButton** b : {&form->stSpeedButton30, &form->stSpeedButton32, &form->stSpeedButton52}) {
            *b = new TstSpeedButton(form.get());
            (*b)->SetGroupIndex(1 + static_cast<int>(b - &form->stSpeedButton30));
            (*b)->SetAllowAllUp(true);
        }
        form->ScanStep = [this](TObject*) { ++scanSteps; };
        form->Q7->OnBlockScan = [this](TObject* sender, double, bool canUpdate) {
            EXPECT_EQ(sender, form.get());
            updates.push_back(canUpdate);
        };
    }
    void SetSecondarySquelch(bool on) {
        form->Q7->SetSquelchSettings(form->Q7->SquelchSettings(), kSquelchLevel | (on ? kSquelchCtcss : 0));
    }
    // One idle call with Done starting as `done`; answers Done.
    bool Idle(bool done) {
        form->ApplicationEvents1Idle(nullptr, done);
        return done;
    }

    int scanSteps = 0;
    std::vector<bool> updates;
};

TEST_F(IdleLoop, OneCallRunsTheStepsItsStateAllows) {
    StartLoop();
    const struct {
        const char* name;
        std::uint8_t scanner;
        bool waiting, arrived, secondary, sweeping, paused, hits;
        int scanSteps, sweepSteps;
        bool done, arrivedAfter;
        std::int64_t sleptMs;
    } cases[] = {
        {"scanning, nothing awaited", 3, false, false, false, false, false, false, 1, 0, true, false, 0},
        {"scanning, the demodulator never answers", 3, true, false, true, false, false, false, 0, 0, true, false, 0},
        {"scanning, the verdict came", 3, true, true, true, false, false, false, 1, 0, true, true, 0},
        {"scanning, verdict but level squelch only", 3, true, true, false, false, false, false, 0, 0, true, true, 0},
        {"holding with neither flag", 2, false, false, false, false, false, false, 1, 0, false, false, 5},
        {"holding, still waiting", 2, true, false, true, false, false, false, 0, 0, false, false, 5},
        {"holding, the verdict came", 2, true, true, true, false, false, false, 1, 0, false, false, 5},
        {"sweeping with hits up", 0, false, false, true, true, false, false, 0, 1, true, false, 0},
        {"sweeping for hits, no verdict yet", 0, false, false, true, true, false, true, 0, 0, true, false, 0},
        {"sweeping for hits, the verdict came", 0, false, true, true, true, false, true, 0, 1, true, false, 0},
        {"sweeping for hits, level squelch only", 0, false, false, false, true, false, true, 0, 1, true, false, 0},
        {"sweep paused: Done untouched", 0, false, false, false, true, true, false, 0, 0, false, false, 0},
        {"nothing runs: Done untouched", 0, false, false, false, false, false, false, 0, 0, false, false, 0},
    };
    for (const auto& c : cases) {
        form->ScannerState = c.scanner;
        form->WaitingForSquelchedInfo = c.waiting;
        form->SquelchedInfoArrived = c.arrived;
        SetSecondarySquelch(c.secondary);
        form->stSpeedButton30->SetDown(c.sweeping);
        form->stSpeedButton32->SetDown(c.paused);
        form->stSpeedButton52->SetDown(c.hits);
        scanSteps = 0;
        updates.clear();
        const std::int64_t before = clock.NowMs();
        EXPECT_EQ(Idle(false), c.done) << c.name;
        EXPECT_EQ(scanSteps, c.scanSteps) << c.name;
        EXPECT_EQ(static_cast<int>(updates.size()), c.sweepSteps) << c.name;
        EXPECT_EQ(form->SquelchedInfoArrived, c.arrivedAfter) << c.name;
        EXPECT_EQ(clock.NowMs() - before, c.sleptMs) << c.name;
    }
}

TEST_F(IdleLoop, TheSweepRedrawsAtMostEvery100MillisecondsAcrossATickWrap) {
    StartLoop();
    form->ScannerState = 0;
    form->stSpeedButton30->SetDown(true);
    const auto steps = [&](std::int64_t gapMs) {
        updates.clear();
        Idle(false);
        clock.AdvanceMs(gapMs);
        Idle(false);
        clock.AdvanceMs(gapMs);
        Idle(false);
        return updates;
    };
    TQ7form::LastSweepRedrawTick = TickCount() - 500;
    EXPECT_EQ(steps(50), (std::vector<bool>{true, false, false})) << "exactly 100 ms is not more than 100 ms";
    EXPECT_EQ(steps(101), (std::vector<bool>{false, true, true}));

    // The counter is the clock's milliseconds cut to 32 bits; 30 ms before it wraps the last
    // redraw was 80 ms earlier.
    plat::sys::FakeClock nearWrap((std::int64_t{1} << 32) * plat::sys::kNsPerMs - 30 * plat::sys::kNsPerMs);
    plat::sys::ScopedClock scopedWrap{nearWrap};
    TQ7form::LastSweepRedrawTick = 0xFFFFFFFFu - 30 - 80 + 1;
    updates.clear();
    Idle(false);
    nearWrap.AdvanceMs(50); // now 20 ms past the wrap: 130 ms since the redraw
    Idle(false);
    EXPECT_EQ(updates, (std::vector<bool>{false, true}));
    EXPECT_EQ(TQ7form::LastSweepRedrawTick, 20u);
}

TEST_F(IdleLoop, SquelchInfoIsLoggedAndWakesTheLoop) {
    StartPanel({"/sd", "/l"});
    form->SquelchedInfoArrived = false;
    form->Q7SquelchedInfo(form->Q7);
    EXPECT_TRUE(form->SquelchedInfoArrived);
    std::stringstream log;
    log << std::ifstream(form->DebugLogFile()).rdbuf();
    EXPECT_NE(log.str().find(": SQUELCHEDINFO from the demodulator, flags=0, squelched="), std::string::npos)
        << log.str();
}

TEST_F(IdleLoop, MinimizeAndRestoreReachThePlugInHost) {
    StartPanel();
    form->ApplicationEvents1Minimize(nullptr);
    EXPECT_TRUE(form->KVR->Minimized());
    form->ApplicationEvents1Restore(nullptr);
    EXPECT_FALSE(form->KVR->Minimized());
}

TEST_F(IdleLoop, ADemodulatorThatFailsToStartGivesWayToThePreviousOne) {
    StartPanel({});
    TMenuItem menu(nullptr);
    auto* standard = new TMenuItem(&menu);
    standard->SetCaption("Q745 Standard");
    menu.Add(standard);
    auto* other = new TMenuItem(&menu);
    other->SetCaption("Other");
    menu.Add(other);
    form->Demodulators1 = &menu;
    std::vector<std::string> started;
    bool otherStarts = false;
    form->StartDemodulator = [&](const std::string& name) {
        started.push_back(name);
        return name != "Other" || otherStarts;
    };
    form->KVRStartDemodulator(nullptr, "Other");
    EXPECT_EQ(started, (std::vector<std::string>{"Other", "Q745 Standard"}));
    EXPECT_EQ(form->DemodulatorName(), "Q745 Standard");
    EXPECT_TRUE(standard->Checked());
    otherStarts = true;
    started.clear();
    form->KVRStartDemodulator(nullptr, "Other");
    EXPECT_EQ(started, (std::vector<std::string>{"Other"}));
    EXPECT_EQ(form->DemodulatorName(), "Other");
    EXPECT_TRUE(other->Checked());
    form->Demodulators1 = nullptr;
}

} // namespace
} // namespace lxq
