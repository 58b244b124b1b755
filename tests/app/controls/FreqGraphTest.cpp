#include <gtest/gtest.h>

#include <functional>

#include <cmath>
#include <limits>
#include <vector>

#include "app/controls/TmyFreqGraph2.h"
#include "platform/components/Messages.h"
#include "tests/app/controls/ControlTestSupport.h"
#include "tests/app/controls/FreqGraphTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;
using LT = TmyGraphLineType;

class FreqGraphTest : public testing::Test {
protected:
    FreqGraphTest() {
        graph_ = new TmyFreqGraph2(nullptr);
        graph_->SetParent(&parent_);
        graph_->SetBounds(0, 0, 800, 300);
    }
    void AddScopeLines() { test::AddScopeLines(*graph_); }
    TColor ImagePixel(int x, int y) { return graph_->Image().Bitmap().Surface().GetPixel(x, y); }

    TWinControl parent_{nullptr};
    TmyFreqGraph2* graph_;
};

TEST_F(FreqGraphTest, RangesAreCutIntoWholeSteps) {
    constexpr std::int64_t kTop = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kBottom = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kLimit = TmyFreqGraph2::kFrequencyLimit;
    struct Case {
        std::int64_t start, stop, step;
        bool ok;
        std::int64_t stopAfter;
        int capacity;
    };
    const std::vector<Case> cases = {
        {100, 1050, 100, true, 1000, 10}, // 9 steps of 100
        {100, 150, 100, true, 200, 2},
        {5, 5, 1, false, 108'000'000, 20'001},
        {0, 10, 0, false, 108'000'000, 20'001},
        {10, 0, 1, false, 108'000'000, 20'001},
        // Ranges it cannot draw or hold: at the top of the 64-bit range (the grid steps past it
        // wrapped and the scale was drawn for ever), at the bottom (the sums overflowed), a range
        // whose one step leaves 64 bits, and 2^31 one-hertz steps (4 GB a line).
        {kTop - 1'000'000'000'000'000, kTop - 1'000, 999'999'999'999, false, 108'000'000, 20'001},
        {9'223'372'036'000'000'000, 9'223'372'036'854'775'000, 1'000, false, 108'000'000, 20'001},
        {kBottom, kBottom + 1'000, 10, false, 108'000'000, 20'001},
        {5, 10, kTop, false, 108'000'000, 20'001},
        {0, std::int64_t{1} << 31, 1, false, 108'000'000, 20'001},
        {0, TmyFreqGraph2::kMaxSteps + 1, 1, false, 108'000'000, 20'001},
        // The edges it takes, drawn in full.
        {kLimit - 1'000, kLimit, 100, true, kLimit, 11},
        {-kLimit, -kLimit + 1'000, 100, true, -kLimit + 1'000, 11},
        {0, 10, kLimit, true, kLimit, 2},
    };
    for (const Case& c : cases) {
        graph_->SetRange(88'000'000, 108'000'000, 1'000);
        graph_->ClearGraph();
        graph_->AddGraphLine("L", "dBm", 0xFF, LT::normal);
        graph_->AddSample(0, -50, false);
        EXPECT_EQ(graph_->SetRange(c.start, c.stop, c.step), c.ok) << c.start << ".." << c.stop;
        EXPECT_EQ(graph_->Stop(), c.stopAfter);
        if (c.ok) {
            EXPECT_EQ(graph_->GetLinesCount(), 0) << "a new range starts with no lines";
            graph_->AddGraphLine("L", "dBm", 0xFF, LT::normal);
        } else {
            EXPECT_EQ(graph_->GetLineLen(0), 1) << "a refused range keeps the lines";
        }
        EXPECT_EQ(graph_->GetLineTotalLen(0), c.capacity);
    }
}

TEST_F(FreqGraphTest, SettingTheSameRangeKeepsTheLines) {
    graph_->AddGraphLine("L", "dBm", 0xFF, LT::normal);
    graph_->AddSample(0, -70, false);
    EXPECT_TRUE(graph_->SetRange(88'000'000, 108'000'000, 1'000));
    EXPECT_EQ(graph_->GetSampleIndex(0, 0), -70);
}

TEST_F(FreqGraphTest, SamplesAreAppendedAndClampedToTheirScale) {
    AddScopeLines();
    for (int i = 0; i < 3; ++i) graph_->AddSample(0, -100 + i, false);
    EXPECT_EQ(graph_->ChangeSample(0, 50, -60.4, false), 0);
    EXPECT_EQ(graph_->GetLineLen(0), 4) << "no gaps: index 50 becomes index 3";
    EXPECT_EQ(graph_->GetSampleIndex(0, 3), -60);
    graph_->AddSample(1, -200, false);
    EXPECT_EQ(graph_->GetSampleIndex(1, 0), -130) << "main scale -130..-30";
    graph_->AddSample(2, -12, false);
    EXPECT_EQ(graph_->GetSampleIndex(2, 0), 0) << "alternate scale 0..160";
    graph_->AddSample(3, std::numeric_limits<double>::quiet_NaN(), false);
    EXPECT_EQ(graph_->GetSampleIndex(3, 0), -130) << "not a number: the lower bound";
    EXPECT_EQ(graph_->GetSampleIndex(3, 1), -131) << "not yet filled: Min - 1";
    EXPECT_EQ(graph_->GetSample(0, 87'000'000), -131);
    EXPECT_EQ(graph_->ChangeSample(9, 0, 1, false), -1);
    EXPECT_EQ(graph_->GetSample(9, 88'000'000), -131);
    graph_->ChangeSample(0, 1, -90, false);
    EXPECT_EQ(graph_->GetSample(0, 88'001'999), -90) << "a frequency maps to its step";
}

TEST_F(FreqGraphTest, ScaleBoundsNeverCross) {
    graph_->SetMin(-50);
    EXPECT_EQ(graph_->Max(), -30);
    graph_->SetMin(0);
    EXPECT_EQ(graph_->Max(), 1);
    graph_->SetMax(-10);
    EXPECT_EQ(graph_->Min(), -11);
    graph_->SetAltMax(-5);
    EXPECT_EQ(graph_->AltMin(), -6);
    graph_->SetBarMin(100);
    EXPECT_EQ(graph_->BarMax(), 101);
}

// A bound that is no number would hang the redraw, which walks the scale in grid steps:
// it is refused and the graph keeps drawing with the scale it had.
TEST_F(FreqGraphTest, ScaleBoundsThatAreNoNumbersAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        void (TmyFreqGraph2::*set)(double);
        double v;
    };
    const std::vector<Case> cases = {
        {"Min NaN", &TmyFreqGraph2::SetMin, nan},      {"Max NaN", &TmyFreqGraph2::SetMax, nan},
        {"Min -Inf", &TmyFreqGraph2::SetMin, -inf},    {"Max +Inf", &TmyFreqGraph2::SetMax, inf},
        {"Min +Inf", &TmyFreqGraph2::SetMin, inf},     {"Max -Inf", &TmyFreqGraph2::SetMax, -inf},
        {"AltMin NaN", &TmyFreqGraph2::SetAltMin, nan}, {"AltMax +Inf", &TmyFreqGraph2::SetAltMax, inf},
        {"BarMin -Inf", &TmyFreqGraph2::SetBarMin, -inf}, {"BarMax NaN", &TmyFreqGraph2::SetBarMax, nan},
    };
    graph_->SetShowAlterScale(true);
    for (const Case& c : cases) {
        std::invoke(c.set, graph_, c.v); // returns: the redraw it triggers does not loop for good
        EXPECT_EQ(graph_->Min(), -130) << c.what;
        EXPECT_EQ(graph_->Max(), -30) << c.what;
        EXPECT_EQ(graph_->AltMin(), 0) << c.what;
        EXPECT_EQ(graph_->AltMax(), 160) << c.what;
        EXPECT_EQ(graph_->BarMin(), -140) << c.what;
        EXPECT_EQ(graph_->BarMax(), -20) << c.what;
    }
    // Setting a bound onto the other moves that one on, so a scale can be moved in two steps.
    graph_->SetMin(-30);
    graph_->SetMax(0);
    EXPECT_EQ(graph_->Min(), -30);
    EXPECT_EQ(graph_->Max(), 0);
}

// The band above the plot holds the read-out; the Y legend and the top labels of both scales
// stand in it too and stay whole when the read-out is refreshed.
TEST_F(FreqGraphTest, LegendAndTopScaleLabelsSurviveTheReadOut) {
    graph_->SetShowAlterScale(true);
    graph_->SetShowTopLabel(true);
    graph_->SetLegendY("dBm");
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n < 100; ++n) graph_->AddSample(0, -90, false);
    // Pixels drawn on the black background in a rectangle of the image.
    auto ink = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += ImagePixel(x, y) != 0;
        return n;
    };
    const int top = graph_->PlotTop();
    const int left = graph_->PlotLeft();
    const int right = left + graph_->PlotWidth() + 1;
    const int width = graph_->Image().Width();
    const int withoutLegend = ink(0, left, 0, top);
    graph_->SetShowYlegend(true);
    const int withLegend = ink(0, left, 0, top);
    EXPECT_GT(withLegend, withoutLegend + 10) << "dBm";
    // The top labels are centred on the plot's top edge: their upper halves lie in the band.
    const int valueLabelTop = ink(0, left - 1, top - 3, top);
    const int altLabelTop = ink(right + 1, width, top - 3, top);
    EXPECT_GT(valueLabelTop, 0) << "the upper half of the top value label";
    EXPECT_GT(altLabelTop, 0) << "the upper half of the alternate scale's top label";

    test::Mouse(graph_->Image(), win::WM_MOUSEMOVE, left + 1, 100);
    graph_->Image().Perform(CM_MOUSELEAVE);
    EXPECT_EQ(ink(0, left, 0, top), withLegend);
    EXPECT_EQ(ink(right + 1, width, top - 3, top), altLabelTop);

    graph_->SetShowYlegend(false);
    graph_->SetGraphType(TmyGraphType::myGraphHistogramRelative);
    const int histogramWithout = ink(0, graph_->PlotLeft(), 0, graph_->PlotTop());
    graph_->SetShowYlegend(true);
    EXPECT_GT(ink(0, graph_->PlotLeft(), 0, graph_->PlotTop()), histogramWithout + 5)
        << "\" %\" over the histogram's scale";
}

TEST_F(FreqGraphTest, HitCountsSaturateAndGiveShares) {
    graph_->SetRange(0, 100, 10);
    AddScopeLines(); // the hits line is 4, its rounds line 5
    ASSERT_EQ(graph_->GetLinesCount(), 6);
    EXPECT_FALSE(graph_->GetShowLine(5));
    for (int i = 0; i < 40'000; ++i) graph_->AddHit(4, 0, true, false);
    EXPECT_EQ(graph_->GetSampleIndex(4, 0), 32'766);
    EXPECT_EQ(graph_->GetLineLen(5), 0) << "the rounds line's count does not grow";
    EXPECT_EQ(graph_->MaxHits(), 32'766);
    for (int i = 0; i < 4; ++i) graph_->AddHit(4, 1, i == 0, false);
    graph_->SetGraphType(TmyGraphType::myGraphHistogramAbsolute);
    EXPECT_DOUBLE_EQ(graph_->GetHitsVal(4, 1), 0.25) << "hits per visit of the step";
    graph_->SetGraphType(TmyGraphType::myGraphHistogramRelative);
    EXPECT_DOUBLE_EQ(graph_->GetHitsVal(4, 1), 1.0 / 32'766) << "hits per hits of the busiest";
    EXPECT_EQ(graph_->GetHitsVal(4, 7), 0) << "never visited";
    EXPECT_TRUE(graph_->RoundHit(0));
    EXPECT_FALSE(graph_->RoundHit(2));
    graph_->AddHitRound();
    EXPECT_FALSE(graph_->RoundHit(0)) << "a new round clears the round bits";
    EXPECT_EQ(graph_->AddHit(4, 50, true, false), 0) << "beyond filled: appended";
    EXPECT_EQ(graph_->GetLineLen(4), 3);
    EXPECT_EQ(graph_->AddHit(5, 0, true, false), -1) << "a rounds line has no companion";
    EXPECT_EQ(graph_->AddHitFreq(4, -100, true, false), -2);
}

TEST_F(FreqGraphTest, ZoomKeepsAtLeastTenStepsAndTheCentre) {
    struct Case {
        std::int64_t stop;
        int asked, zoom;
    };
    for (const Case& c : std::vector<Case>{{200, 1000, 20}, {5, 1000, 1}, {200, 0, 1}}) {
        graph_->SetRange(0, c.stop, 1);
        graph_->SetZoom(c.asked);
        EXPECT_EQ(graph_->Zoom(), c.zoom) << c.stop << " steps";
    }
    graph_->SetRange(88'000'000, 108'000'000, 1'000);
    graph_->SetZoom(4);
    graph_->SetPos(95'000'000);
    const std::int64_t centre = graph_->Position();
    EXPECT_NEAR(static_cast<double>(centre), 95e6, 30e3);
    graph_->SetZoom(8);
    EXPECT_NEAR(static_cast<double>(graph_->Position()), static_cast<double>(centre), 30e3);
    graph_->SetShowMarker(true);
    graph_->SetMarkerFreq(101'234'567);
    EXPECT_EQ(graph_->MarkerFreq(), 101'234'000) << "the marker sits on a step";
    graph_->SetMarkerZoom(true);
    graph_->SetZoom(16);
    EXPECT_NEAR(static_cast<double>(graph_->Position()), 101'234'000.0, 15e3);
}

TEST_F(FreqGraphTest, MappingRoundTripsThroughPixels) {
    graph_->SetZoom(10);
    graph_->SetPos(100'000'000);
    const int w = graph_->PlotWidth();
    for (int x : {0, 1, w / 3, w / 2, w - 1}) {
        const std::int64_t f = graph_->Pix2Freq(x, false);
        EXPECT_EQ((f - 88'000'000) % 1'000, 0);
        // The step a column starts in may begin in the column before.
        EXPECT_GE(graph_->Freq2Pix(f), x - 1);
        EXPECT_LE(graph_->Freq2Pix(f), x);
        EXPECT_EQ(graph_->Pix2Freq(graph_->Freq2Pix(f + 1'000), false) % 1'000, 0);
    }
    EXPECT_LE(graph_->Pix2Freq(0, false), 100'000'000);
    EXPECT_GE(graph_->Pix2Freq(w, false), 100'000'000);
}

TEST_F(FreqGraphTest, TooWideValueLabelsWidenTheMargin) {
    graph_->SetMin(0);
    graph_->SetMax(5);
    const int narrow = graph_->PlotLeft();
    graph_->SetBarMin(-140);
    graph_->SetGraphType(TmyGraphType::myGraphBar);
    EXPECT_GT(graph_->PlotLeft(), narrow) << "\"-140\" did not fit beside the scale";
    EXPECT_EQ((graph_->PlotLeft() - narrow) % 5, 0);
    graph_->SetGraphType(TmyGraphType::myGraphNormal);
    graph_->SetMax(6);
    EXPECT_EQ(graph_->PlotLeft(), narrow) << "a new main scale starts without the extra";
}

TEST_F(FreqGraphTest, CursorSnapsToTheStrongestStepUnderTheMouse) {
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n < 20'001; ++n) graph_->AddSample(0, -120, false);
    graph_->ChangeSample(0, 7'013, -40, false);
    graph_->DrawGrid();
    std::vector<std::int64_t> reported;
    graph_->OnVisiTune = [&](TObject*, std::int64_t f, TShiftState) { reported.push_back(f); };
    const std::int64_t peak = graph_->GetFreq(7'013);
    int column = -1;
    for (int x = 0; x < graph_->PlotWidth() && column < 0; ++x) {
        if (graph_->Pix2Freq(x, true) <= peak && graph_->Pix2Freq(x + 1, true) > peak) column = x;
    }
    ASSERT_GE(column, 0);
    ASSERT_GT(graph_->Pix2Freq(column + 1, true) - graph_->Pix2Freq(column, true), 2'000)
        << "the column spans several steps";
    test::Mouse(graph_->Image(), win::WM_MOUSEMOVE, graph_->PlotLeft() + column, 100);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], peak);
    EXPECT_EQ(graph_->CursorFreq(), peak);
    test::Mouse(graph_->Image(), win::WM_MOUSEMOVE, graph_->PlotLeft() - 1, 100);
    EXPECT_EQ(reported.size(), 1u) << "left of the plot nothing is reported";
}

TEST_F(FreqGraphTest, DenseLinesKeepColumnExtremesWhileScrolling) {
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n < 20'001; ++n) graph_->AddSample(0, n % 100 == 0 ? -40 : -120, false);
    graph_->SetZoom(2);
    const int afterZoom = graph_->DenseColumnsComputed();
    EXPECT_GT(afterZoom, 0) << "10,000 steps on a few hundred pixels are drawn densely";
    graph_->ScrollBar().SetPosX(graph_->ScrollPosition() + 5);
    EXPECT_EQ(graph_->DenseColumnsComputed() - afterZoom, 5) << "only the uncovered columns";
    graph_->ChangeSample(0, 12'000, -60, false);
    graph_->DrawGrid();
    EXPECT_LE(graph_->DenseColumnsComputed() - afterZoom, 7) << "a changed value, its column";
    const int beforeSparse = graph_->DenseColumnsComputed();
    graph_->SetZoom(20);
    graph_->DrawGrid();
    EXPECT_EQ(graph_->DenseColumnsComputed(), beforeSparse) << "at zoom 20 lines are sparse";
}

TEST_F(FreqGraphTest, TheViewFollowsNewValuesWithItsCursor) {
    graph_->SetZoom(20);
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    std::vector<std::int64_t> reported;
    graph_->OnVisiTune = [&](TObject*, std::int64_t f, TShiftState) { reported.push_back(f); };
    for (int n = 0; n <= 15'000; ++n) graph_->AddSample(0, -100, n % 1'000 == 0);
    ASSERT_EQ(reported.size(), 16u) << "each followed value moves the cursor";
    EXPECT_EQ(reported.back(), graph_->GetFreq(15'000));
    EXPECT_NEAR(static_cast<double>(graph_->Position()), static_cast<double>(graph_->GetFreq(15'000)),
                2'000.0) << "the step is in the middle of the view";
    EXPECT_FALSE(graph_->ShowTopLabel()) << "following leaves the read-out switch as it was";
    EXPECT_TRUE(graph_->VisiTune());
}

TEST_F(FreqGraphTest, TopReadOutShowsTheCursorFrequencyUntilTheMouseLeaves) {
    graph_->SetShowTopLabel(true);
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n < 100; ++n) graph_->AddSample(0, -90, false);
    auto readOutPixels = [&](TColor colour) {
        int count = 0;
        for (int y = 0; y < graph_->PlotTop(); ++y)
            for (int x = 0; x < graph_->Image().Width(); ++x) count += ImagePixel(x, y) == colour;
        return count;
    };
    EXPECT_EQ(readOutPixels(0xFFFF00), 0);
    test::Mouse(graph_->Image(), win::WM_MOUSEMOVE, graph_->PlotLeft() + 1, 100);
    EXPECT_GT(readOutPixels(0xFFFF00), 20) << "Frequency=... in ColorFreq";
    EXPECT_GT(readOutPixels(0x00FF00), 20) << "Level=... in the line's colour";
    graph_->Image().Perform(CM_MOUSELEAVE);
    EXPECT_EQ(readOutPixels(0xFFFF00), 0);
    EXPECT_EQ(graph_->CursorFreq(), -1);
}

TEST_F(FreqGraphTest, LinesAreDrawnAtTheirLevel) {
    graph_->SetRange(0, 100, 1);
    graph_->SetShowGrid(false);
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n <= 100; ++n) graph_->AddSample(0, -80, false);
    graph_->DrawGrid();
    const int y = graph_->GetY(-80, false);
    const int x = graph_->PlotLeft() + graph_->PlotWidth() / 2;
    EXPECT_EQ(ImagePixel(x, y), 0x00FF00u);
    EXPECT_EQ(ImagePixel(x, y - 3), 0u);
    EXPECT_EQ(ImagePixel(x, y + 3), 0u);
    graph_->SetShowLine(0, false);
    EXPECT_EQ(ImagePixel(x, y), 0u);
}

TEST_F(FreqGraphTest, HistogramBarsAreRedWhenHitThisRound) {
    graph_->SetRange(0, 20, 1);
    graph_->SetShowGrid(false);
    graph_->SetGraphType(TmyGraphType::myGraphHistogramAbsolute);
    graph_->AddGraphLine("Hits", "%", 0x00FF00, LT::hits);
    // Step 0 sits on the axis; steps 1..3 are drawn clear of it.
    for (int n = 0; n < 3; ++n) graph_->AddHit(0, n, false, false);
    graph_->AddHit(0, 3, true, false);
    graph_->AddHit(0, 3, true, false);
    graph_->AddHitRound();
    graph_->AddHit(0, 1, true, false);  // step 1: 1 of 2, hit this round
    graph_->AddHit(0, 3, false, false); // step 3: 2 of 3, hit in an earlier round
    // step 2: visited, never hit
    graph_->DrawGrid();
    const int base = graph_->GetYHits(0);
    auto at = [&](int n, int y) { return ImagePixel(graph_->PlotLeft() + graph_->Index2Pix(n, true), y); };
    EXPECT_EQ(at(1, base - 2), 0x0000FFu);
    EXPECT_EQ(at(3, base - 2), 0x00FF00u);
    EXPECT_EQ(at(3, graph_->GetYHits(0.7)), 0u) << "67 % does not reach 70 %";
    EXPECT_EQ(at(3, graph_->GetYHits(0.6)), 0x00FF00u);
    EXPECT_EQ(at(2, base - 2), 0u);
}

TEST_F(FreqGraphTest, MarkerIsAnXorLine) {
    graph_->SetShowGrid(false);
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal); // the marker goes with the data
    graph_->SetShowMarker(true);
    graph_->SetMarkerFreq(98'000'000);
    const int x = graph_->PlotLeft() + graph_->Freq2Pix(98'000'000);
    EXPECT_EQ(ImagePixel(x, graph_->PlotTop() + 5), 0xFF0000u);
    graph_->SetMarkerFreq(1'000);
    EXPECT_EQ(graph_->MarkerFreq(), 88'000'000) << "drawing clamps the marker into the range";
}

TEST_F(FreqGraphTest, VisibleLocalMaxLooksAcrossOneColumn) {
    graph_->AddGraphLine("Level", "dBm", 0x00FF00, LT::normal);
    for (int n = 0; n < 200; ++n) graph_->AddSample(0, n == 120 ? -50 : -100, false);
    const std::int64_t perColumn = 20'000 / graph_->PlotWidth();
    EXPECT_EQ(graph_->GetVisibleLocalMax(0, 120 - static_cast<int>(perColumn)), 120);
    EXPECT_EQ(graph_->GetVisibleLocalMax(0, 10), 10 + perColumn) << "a later step wins a tie";
    EXPECT_EQ(graph_->GetVisibleLocalMax(0, 200), -1);
    EXPECT_EQ(graph_->GetVisibleLocalMax(3, 0), -1);
}

} // namespace
} // namespace lxq
