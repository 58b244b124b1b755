// The spectrum sweep on the real road: the driver host's stand-in receiver answers the pipelined
// tuning, its detector words set the level each step reads, and the test runs the steps the idle
// loop would run.

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TDebugForm.h"
#include "driver/host/RecordingTransport.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMessageForm.h"
#include "platform/components/TPageControl.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/ScreenApi.h"
#include "tests/app/controls/ControlTestSupport.h"
#include "tests/app/forms/FrontPanelFixture.h"

namespace lxq {
namespace {

using namespace plat::comp;

class Sweep : public FrontPanel {
protected:
    void SetUp() override {
        StartHost();
        StartPanel({"/l", "/sd"}); // no demodulator plug-in here
        ASSERT_FALSE(form->Quitting());
        ASSERT_FALSE(form->Q7->Demo());
        form->LayOutScope(true, form->SweepPanel->Height()); // the scope is closed at a first start
    }
    // A click as the mouse gives it: a latching button changes state first.
    static void Click(TstSpeedButton* b) {
        if (b->GroupIndex() != 0) b->SetDown(!b->Down());
        b->Click();
    }
    void Detector(std::uint16_t rssi, std::uint16_t agc) {
        dynamic_cast<host::RecordingTransport&>(Device().Transport()).SetDetector(rssi, agc);
    }
    // One step, with the receiver's answers it waits for as the message loop brings them.
    void Step(bool canUpdate = false) {
        form->Q7BlockScan(form.get(), 0, canUpdate);
        for (int i = 0; i < 100; ++i) {
            form->Q7->FinishRequests();
            plat::comp::Application().ProcessMessages();
            if (!form->SweepStepWaiting()) return;
        }
    }
    std::string Log() {
        std::stringstream text;
        text << std::ifstream(form->DebugLogFile()).rdbuf();
        return text.str();
    }
    TmyFreqGraph2& Graph() { return *form->myFreqGraph1; }
};

void SetRange(TQ7form& f, std::int64_t start, std::int64_t end, std::int64_t step) {
    f.myFrequencyEdit3->SetValue(start);
    f.myFrequencyEdit4->SetValue(end);
    f.myFrequencyEdit5->SetValue(step);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(Sweep, ALevelSweepRunsItsRangeOnceAndLeavesTheReceiverAsItWas) {
    TmyQ745& rx = *form->Q7;
    rx.SetFreq(145'000'000);
    rx.SetAGC(1);
    rx.SetAtten(1);
    rx.SetPreAmp(0);
    SetRange(*form, 88'000'000, 90'000'500, 1'000'000); // 88, 89 and 90 MHz
    form->SquelchedInfoArrived = false;

    Click(form->stSpeedButton30);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(form->Sweeping());
    EXPECT_EQ(Graph().Start(), 88'000'000);
    EXPECT_EQ(Graph().Stop(), 90'000'000);
    EXPECT_EQ(Graph().Step(), 1'000'000);
    ASSERT_EQ(Graph().GetLinesCount(), 6) << "five lines and the hits' rounds";
    EXPECT_EQ(form->SweepPoints, 3);
    EXPECT_EQ(rx.GetScanMode(), 1);
    EXPECT_EQ(rx.GetAGC(), 3);
    EXPECT_EQ(rx.GetAtten(), 0);
    EXPECT_EQ(rx.GetPreAmp(), 1);
    EXPECT_FALSE(Graph().VisiTune());
    EXPECT_FALSE(form->myFrequencyEdit3->Enabled());
    EXPECT_FALSE(form->stSpeedButton52->Enabled());
    EXPECT_TRUE(form->SquelchedInfoArrived) << "the idle loop runs the first step";
    EXPECT_EQ(HostFrequency(), 88'000'000u);
    EXPECT_EQ(form->SweepFreq, 89'000'000) << "pending in the receiver";

    std::vector<double> levels; // as the receiver took them, until the stop measures anew
    for (std::uint16_t rssi : {300, 450, 600}) {
        ASSERT_TRUE(form->Sweeping());
        Detector(rssi, 900);
        Step();
        levels.push_back(rx.SignalLevel());
    }
    EXPECT_FALSE(form->Sweeping()) << "the end of the range stops a sweep that does not wrap";
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(Graph().GetSampleIndex(3, k), levels[k], 1.0);
        EXPECT_NEAR(Graph().GetSampleIndex(0, k), levels[k], 1.0);
        EXPECT_NEAR(Graph().GetSampleIndex(1, k), levels[k], 1.0);
        EXPECT_EQ(Graph().GetSampleIndex(2, k), 0);
    }
    EXPECT_LT(levels[0] + 3, levels[1]);
    EXPECT_LT(Graph().GetSampleIndex(3, 1) + 3, Graph().GetSampleIndex(3, 2)) << "the last point is kept too";
    const std::string log = Log();
    for (const char* line : {"Sweep step [0=88000000] raw=", "Sweep step [1=89000000] raw=",
                             "Sweep step [2=90000000] raw=", "stopping sweeper", "Sweep stopped"})
        EXPECT_EQ(Count(log, line), 1) << line;

    EXPECT_EQ(rx.GetFreq(), 145'000'000);
    EXPECT_EQ(HostFrequency(), 145'000'000u);
    EXPECT_EQ(rx.GetScanMode(), 0);
    EXPECT_EQ(rx.GetAGC(), 1);
    EXPECT_EQ(rx.GetAtten(), 1);
    EXPECT_EQ(rx.GetPreAmp(), 0);
    EXPECT_TRUE(Graph().VisiTune());
    EXPECT_TRUE(form->myFrequencyEdit3->Enabled());
    EXPECT_TRUE(form->stSpeedButton52->Enabled());
    EXPECT_EQ(form->DebugForm->SweepTimeLabel->Caption().rfind("Last sweep time=", 0), 0u)
        << form->DebugForm->SweepTimeLabel->Caption();
}

TEST_F(Sweep, PassesOverTheSameRangeAccumulateAndANewRangeStartsAfresh) {
    SetRange(*form, 88'000'000, 89'000'000, 1'000'000);
    auto pass = [&](std::uint16_t rssi) {
        Click(form->stSpeedButton30);
        Detector(rssi, 900);
        Step();
        Step();
        EXPECT_FALSE(form->Sweeping());
        return form->Q7->SignalLevel();
    };
    const double high = pass(800);
    const double low = pass(300);
    ASSERT_LT(low + 3, high);
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(Graph().GetSampleIndex(0, k), high, 1.0);
        EXPECT_NEAR(Graph().GetSampleIndex(1, k), low, 1.0);
        EXPECT_NEAR(Graph().GetSampleIndex(2, k), high - low, 2.0);
        EXPECT_NEAR(Graph().GetSampleIndex(3, k), low, 1.0) << "the latest pass";
    }

    form->myFrequencyEdit5->SetValue(500'000);
    Click(form->stSpeedButton30);
    EXPECT_EQ(Graph().Step(), 500'000);
    EXPECT_EQ(Graph().GetLineLen(0), 0) << "a new range clears the graph";
    EXPECT_EQ(Graph().GetLinesCount(), 6);
}

TEST_F(Sweep, AStrongStepIsReadAgainSlowlyAndAWeakOneUntilItsAgcSettles) {
    SetRange(*form, 88'000'000, 92'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    Detector(300, 900);
    Step(); // 88 MHz: an ordinary step; the first reading sets the AGC reference
    Detector(2000, 900);
    Step(); // 89 MHz: above Max RSSI
    Detector(50, 900);
    Step(); // 90 MHz: weak, the AGC as before: settled
    Detector(50, 1500);
    Step(); // 91 MHz: weak while the AGC rises
    Step(); // 92 MHz: weak, the AGC where it was
    const std::string log = Log();
    EXPECT_EQ(Count(log, "Sweeper retuned [high RSSI], raw="), 1) << log;
    EXPECT_EQ(Count(log, "Sweeper loops at "), 1) << log;
    EXPECT_EQ(Count(log, "Sweeper loops at 91000000, raw="), 1) << log;
    EXPECT_LT(log.find("Sweep step [1=89000000]"), log.find("Sweeper retuned"));
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(Graph().GetLineLen(0), 5) << "every step stored once, at its own position";
}

TEST_F(Sweep, TheLastPointOfAPassIsAlwaysShown) {
    SetRange(*form, 88'000'000, 108'000'000, 1'000'000);
    Click(form->stSpeedButton33); // wraps, so the graph keeps its view after the pass
    Click(form->stSpeedButton30);
    Graph().SetZoom(8);
    for (int k = 0; k < 20; ++k) Step(false);
    const std::int64_t before = Graph().ScrollPosition();
    Step(false); // the last point: drawn although the idle loop did not ask
    EXPECT_GT(Graph().ScrollPosition(), before);
}

TEST_F(Sweep, ContinuousSweepingWrapsToTheStartAndCountsARound) {
    SetRange(*form, 88'000'000, 89'000'000, 1'000'000);
    Click(form->stSpeedButton33);
    Click(form->stSpeedButton30);
    for (int i = 0; i < 5; ++i) Step();
    EXPECT_TRUE(form->Sweeping());
    EXPECT_EQ(Graph().GetLinePos(0), 1);
    EXPECT_EQ(Count(Log(), "Sweep step [0=88000000]"), 3);
    EXPECT_EQ(Count(Log(), "Sweep step [1=89000000]"), 2);
    Click(form->stSpeedButton31);
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(form->Q7->GetScanMode(), 0);
}

TEST_F(Sweep, APausedSweepGivesTheReceiverBackAndResumesAtItsOwnStep) {
    form->Q7->SetFreq(145'000'000);
    SetRange(*form, 88'000'000, 92'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    Step();
    Step();
    Click(form->stSpeedButton32); // pause after two steps
    EXPECT_TRUE(form->Sweeping());
    EXPECT_EQ(form->Q7->GetScanMode(), 0);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000);
    EXPECT_TRUE(Graph().VisiTune());

    // Resumed through "Start sweeping": the step where the pass stood is measured again.
    Click(form->stSpeedButton30);
    EXPECT_TRUE(form->Sweeping());
    EXPECT_FALSE(form->stSpeedButton32->Down());
    EXPECT_EQ(form->Q7->GetScanMode(), 1);
    EXPECT_EQ(HostFrequency(), 90'000'000u);
    Step();
    EXPECT_EQ(Count(Log(), "Sweep step [2=90000000]"), 1);
    EXPECT_EQ(Graph().GetLinePos(0), 3);

    Click(form->stSpeedButton32); // pause and resume through the pause button
    Click(form->stSpeedButton32);
    EXPECT_EQ(HostFrequency(), 91'000'000u);
    Step();
    EXPECT_EQ(Count(Log(), "Sweep step [3=91000000]"), 1);
    Click(form->stSpeedButton31);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000) << "back where it was before the last resume";

    Click(form->stSpeedButton32);
    EXPECT_FALSE(form->stSpeedButton32->Down()) << "nothing to pause";
}

TEST_F(Sweep, RefusedStartsSayWhyAndChangeNothing) {
    struct Case {
        std::int64_t start, end;
        bool hits;
        std::uint32_t squelchTypes;
        std::string text, caption;
    } cases[] = {
        {88'000'000, 88'000'000, false, 1, "Incorrect range !", "Q7 Spectrum Scope"},
        {88'000'000, 80'000'000, false, 1, "Incorrect range !", "Q7 Spectrum Scope"},
        {88'000'000, 88'500'000, false, 1, "Incorrect range !", "Q7 Spectrum Scope"},
        {88'000'000, 108'000'000, true, 0, "Please select a squelch", "Talvenor Q745"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        boxes.clear();
        SetRange(*form, c.start, c.end, 1'000'000);
        form->stSpeedButton52->SetDown(c.hits);
        form->Q7->SetSquelchSettings(form->Q7->SquelchSettings(), c.squelchTypes);
        Click(form->stSpeedButton30);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONWARNING | MB_TOPMOST);
        EXPECT_FALSE(form->Sweeping());
        EXPECT_EQ(form->Q7->GetScanMode(), 0);
        EXPECT_TRUE(form->myFrequencyEdit3->Enabled());
    }
}

TEST_F(Sweep, FmWideSweepsInFmNarrowWithItsSquelchAndComesBack) {
    SQUELCH_SETTINGS wide{}, narrow{};
    wide.level = 40;
    narrow.level = 25;
    form->Settings().squelch[2] = narrow;
    form->Settings().activeSquelch[2] = 1;
    form->Q7->SetMode(3);
    form->Q7->SetSquelchSettings(wide, 3);
    SetRange(*form, 88'000'000, 89'000'000, 1'000'000);

    Click(form->stSpeedButton30);
    EXPECT_EQ(form->Q7->GetMode(), 2);
    EXPECT_EQ(form->Q7->SquelchSettings().level, 40);
    EXPECT_EQ(form->Q7->SquelchTypes(), 3u);
    EXPECT_EQ(form->SweepSavedSquelch.level, 25);
    Click(form->stSpeedButton31);
    EXPECT_EQ(form->Q7->GetMode(), 3);
    EXPECT_EQ(form->Settings().squelch[2].level, 25) << "FMN's own settings are untouched";
}

TEST_F(Sweep, AHitsSweepCountsOpenSquelchesAndAsksTheDemodulator) {
    form->Q7->SetMode(1); // AM
    form->Q7->SetSquelchSettings(form->Q7->SquelchSettings(), 1);
    SetRange(*form, 88'000'000, 90'000'000, 1'000'000);
    Click(form->stSpeedButton52);
    EXPECT_EQ(Graph().GraphType(), TmyGraphType::myGraphHistogramRelative);
    form->SquelchedInfoArrived = false;
    form->Q7->SetAtten(1);
    form->Q7->SetPreAmp(0);
    Click(form->stSpeedButton30);
    ASSERT_TRUE(form->Sweeping());
    EXPECT_EQ(form->Q7->GetBandwidth(), 9'000);
    EXPECT_FALSE(form->SquelchedInfoArrived) << "a hits sweep waits for the demodulator";
    EXPECT_EQ(form->Q7->GetAtten(), 1) << "the squelch judges with the gains as they are";
    EXPECT_EQ(form->Q7->GetPreAmp(), 0);
    Step();
    EXPECT_FALSE(form->SquelchedInfoArrived);
    EXPECT_EQ(Graph().GetLinePos(4), 1);
    EXPECT_EQ(Graph().GetLinePos(0), 0) << "no levels are kept";
    EXPECT_GE(Count(Log(), "notifying"), 1);
    Click(form->stSpeedButton40); // clearing stops the sweep
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(Graph().GetLinesCount(), 0);
}

TEST_F(Sweep, AHitIsCountedWhereTheSquelchOpened) {
    form->Q7->SetMode(1);
    SQUELCH_SETTINGS squelch = form->Q7->SquelchSettings();
    squelch.level = 50; // -80 dBm
    form->Q7->SetSquelchSettings(squelch, 1);
    SetRange(*form, 88'000'000, 90'000'000, 1'000'000);
    Click(form->stSpeedButton52);
    Click(form->stSpeedButton30);
    for (std::uint16_t rssi : {900, 300}) { // strong at 88 MHz, weak at 89 MHz
        Detector(rssi, 900);
        Step();
    }
    EXPECT_GT(Graph().GetHitsVal(4, 0), 0.0);
    EXPECT_EQ(Graph().GetHitsVal(4, 1), 0.0);
}

TEST_F(Sweep, TheGraphTunesOnAPressOnlyWhileNoSweepRuns) {
    SetRange(*form, 88'000'000, 89'000'000, 1'000'000);
    form->Q7->SetFreq(145'000'000);
    form->myFreqGraph1VisiTune(&Graph(), 100'000'000, ss::Left);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000) << "an empty graph";
    Click(form->stSpeedButton30);
    form->myFreqGraph1VisiTune(&Graph(), 100'000'000, ss::Left);
    EXPECT_NE(form->Q7->GetFreq(), 100'000'000) << "the sweep owns the receiver";
    Click(form->stSpeedButton31);
    form->myFreqGraph1VisiTune(&Graph(), 100'000'000, 0);
    EXPECT_EQ(form->Q7->GetFreq(), 145'000'000) << "the mouse only moved";
    form->myFreqGraph1VisiTune(&Graph(), 100'000'000, ss::Left);
    EXPECT_EQ(form->Q7->GetFreq(), 100'000'000);
}

TEST_F(Sweep, TraceButtonsShowTheirLines) {
    SetRange(*form, 88'000'000, 89'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    EXPECT_TRUE(Graph().GetShowLine(0));
    EXPECT_TRUE(Graph().GetShowLine(1));
    EXPECT_TRUE(Graph().GetShowLine(2)) << "\"Diff\" is down at a first start";
    struct Case {
        TstSpeedButton* button;
        int line;
    } cases[] = {{form->stSpeedButton34, 1}, {form->stSpeedButton35, 0}, {form->stSpeedButton36, 2}};
    for (const Case& c : cases) {
        Click(c.button);
        EXPECT_EQ(Graph().GetShowLine(c.line), c.button->Down()) << c.line;
        Click(c.button);
        EXPECT_EQ(Graph().GetShowLine(c.line), c.button->Down()) << c.line;
    }
    EXPECT_TRUE(Graph().ShowAlterScale());
    Click(form->stSpeedButton36);
    EXPECT_FALSE(Graph().ShowAlterScale());
    Click(form->stSpeedButton36);
    EXPECT_TRUE(Graph().ShowAlterScale());
    EXPECT_TRUE(Graph().GetShowLine(3));
    EXPECT_TRUE(Graph().GetShowLine(4));
}

TEST_F(Sweep, StopReturnsTheReceiverEvenWhenItAlreadyReportsTheFrequency) {
    form->Q7->SetFreq(88'000'000);
    SetRange(*form, 88'000'000, 90'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    EXPECT_EQ(HostFrequency(), 88'000'000u);
    Click(form->stSpeedButton31); // the pending 89 MHz is tuned while 88 MHz is reported
    EXPECT_EQ(form->Q7->GetFreq(), 88'000'000);
    EXPECT_EQ(HostFrequency(), 88'000'000u);
}

TEST_F(Sweep, ClosingTheWindowStopsTheSweepFirstAndAsksAgain) {
    form->Q7->SetAGC(1);
    SetRange(*form, 88'000'000, 90'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    Step();
    bool canClose = true;
    form->FormCloseQuery(form.get(), canClose);
    EXPECT_FALSE(canClose);
    EXPECT_FALSE(form->Sweeping());
    EXPECT_EQ(form->Q7->GetAGC(), 1);
    plat::win::Msg msg;
    EXPECT_TRUE(plat::win::PeekMessage(&msg, form->Handle(), plat::win::WM_CLOSE, plat::win::WM_CLOSE, plat::win::PM_REMOVE))
        << "the close request comes again";
    canClose = false;
    form->FormCloseQuery(form.get(), canClose);
    EXPECT_TRUE(canClose);
}

TEST_F(Sweep, TheGraphFillsTheScopeAcrossTheWholeWindow) {
    SetRange(*form, 88'000'000, 108'000'000, 1'000'000);
    Click(form->stSpeedButton30);
    for (int i = 0; i <= 21; ++i) {
        Detector(600, 900);
        Step(true);
    }
    ASSERT_FALSE(form->Sweeping());
    plat::comp::Application().ProcessMessages();
    const auto picture = plat::win::CaptureWindow(form->Handle());
    ASSERT_TRUE(picture);
    // Columns of the window's client area, in window pixels, that show something of the graph:
    // its trace, its grid or its scales, anything but the bare panel.
    const TPoint client = form->ClientToScreen({0, 0});
    const TPoint graph = form->myFreqGraph1->ClientToScreen({0, 0});
    const int dx = client.x - form->Left(), dy = graph.y - form->Top();
    auto graphColumn = [&](int x) {
        for (int y = 0; y < form->myFreqGraph1->Height(); ++y)
            if (picture->GetPixel(dx + x, dy + y) != 0x404040u) return true;
        return false;
    };
    const int width = form->ClientWidth();
    EXPECT_GT(width, 1000) << "the demodulator's panel widens the window";
    EXPECT_FALSE(graphColumn(2)) << "the scope's bevel stays clear";
    for (int x : {width / 2, width - 200, width - 40})
        EXPECT_TRUE(graphColumn(x)) << "the graph reaches column " << x << " of " << width;
    EXPECT_EQ(form->myFreqGraph1->Left() + form->myFreqGraph1->Width(), form->SweepPanel->Width() - 8);

    // A taller scope gives the graph the height.
    const int before = form->myFreqGraph1->Height();
    form->LayOutScope(true, form->SweepPanel->Height() + 100);
    EXPECT_EQ(form->myFreqGraph1->Height(), before + 100);
}

TEST_F(Sweep, AtTheDefaultScopeHeightTheTopScaleLabelsAreWhole) {
    form->LayOutScope(true, 200);
    SetRange(*form, 88'000'000, 108'000'000, 100'000);
    Click(form->stSpeedButton30);
    for (int i = 0; i <= 200; ++i) {
        Detector(static_cast<std::uint16_t>(200 + (i * 37) % 500), 900);
        Step(i % 20 == 0);
    }
    ASSERT_FALSE(form->Sweeping());
    plat::comp::Application().ProcessMessages();
    TmyFreqGraph2& g = Graph();
    auto& image = g.Image();
    // Rows of ink (anything but the black background) in a column band of the image.
    auto inkRows = [&](int x0, int x1) {
        std::vector<int> rows;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = std::max(0, x0); x < std::min(image.Width(), x1); ++x)
                if (image.Bitmap().Surface().GetPixel(x, y) != 0) {
                    rows.push_back(y);
                    break;
                }
        return rows;
    };
    const int top = g.PlotTop(), left = g.PlotLeft(), right = left + g.PlotWidth();
    const int textHeight = image.GetCanvas().TextHeight("-30");
    // The first label of each scale, centred on the plot's top edge: its rows reach half a text
    // height above it, well inside the image.
    for (const auto& [x0, x1, name] : {std::tuple{0, left - 2, "-30"}, std::tuple{right + 2, image.Width(), "100"}}) {
        SCOPED_TRACE(name);
        const std::vector<int> rows = inkRows(x0, x1);
        ASSERT_FALSE(rows.empty());
        EXPECT_GE(rows.front(), 0);
        EXPECT_LE(rows.front(), top - textHeight / 2 + 3) << "the label's upper half is there";
        EXPECT_GT(top - textHeight / 2, 0) << "and the image holds it";
    }
    const std::vector<int> before = inkRows(0, left - 2);
    test::Mouse(image, plat::win::WM_MOUSEMOVE, left + 10, top + 10); // the read-out shows
    EXPECT_EQ(inkRows(0, left - 2), before) << "the read-out leaves the labels whole";
}

TEST_F(Sweep, ThePanelAndTheServiceWindowAreWrittenAsScreenshots) {
    SetRange(*form, 88'000'000, 108'000'000, 100'000);
    Click(form->stSpeedButton30);
    for (int i = 0; i <= 200; ++i) {
        Detector(static_cast<std::uint16_t>(200 + (i * 37) % 500), 900);
        Step(i % 20 == 0);
    }
    EXPECT_FALSE(form->Sweeping());
    plat::comp::Application().ProcessMessages();
    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    const std::string panel = std::string(LXQ_SCREENSHOT_DIR) + "/front-panel-sweep.png";
    ASSERT_TRUE(plat::win::SaveScreenshot(panel, form->Handle()));
    EXPECT_GT(std::filesystem::file_size(panel), 2000u);

    TDebugForm& service = *form->DebugForm;
    form->Q7->SetFreq(300'000'000);
    service.ShowEEPROMTable();
    service.PlotPointButton->Click();
    for (int page : {0, 2, 6}) {
        service.PageControl1->SetActivePageIndex(page);
        service.PageControl1Change(service.PageControl1);
        plat::comp::Application().ProcessMessages();
        const std::string path = std::string(LXQ_SCREENSHOT_DIR) + "/service-page-" + std::to_string(page) + ".png";
        ASSERT_TRUE(plat::win::SaveScreenshot(path, service.Handle()));
    }
}

} // namespace
} // namespace lxq
