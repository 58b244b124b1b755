#include "demod/dsp/RC_Heap.h"
#include "demod/ui/toolkit/RC_ColourPicker.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_GraphTooltip.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace toolkit_test;

class GraphTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        graph_ = new RC_Graph(top_, 0, 0, 180, 120);
        graph_->Show(win::SW_SHOW);
    }
    // A full-scale sine at the centre of bin `bin`.
    std::vector<std::int16_t> Sine(int bin, std::uint32_t n) const {
        std::vector<std::int16_t> s(n);
        for (std::uint32_t i = 0; i < n; ++i) s[i] = static_cast<std::int16_t>(32767.0 * std::sin(2 * M_PI * bin * i / n));
        return s;
    }
    std::uint32_t Dirty() const { return graph_->State() & RC_Graph::kDirtyBits; }

    RC_Graph* graph_ = nullptr;
};

TEST_F(GraphTest, PointCountIsAPowerOfTwo) {
    const std::pair<int, std::uint32_t> cases[] = {{1000, 1024}, {1024, 1024}, {0, 1}, {3, 4}, {65537, 131072}};
    for (auto [in, out] : cases) {
        graph_->SetPointCount(in);
        EXPECT_EQ(graph_->PointCount(), out) << in;
    }
    graph_->SetPointCount(512);
}

TEST_F(GraphTest, FrequencyRangeKeepsMinimumBelowMaximum) {
    graph_->SetSampleRate(10000.0f);
    struct Case {
        const char* name;
        bool setsMinimum;
        double value;
        double min, max; // expected, from a range of 1000 .. 3000
    };
    const Case cases[] = {
        {"plain minimum", true, 100, 100, 3000},
        {"negative minimum", true, -5, 0, 3000},
        {"minimum past the maximum", true, 3500, 3500, 4500},
        {"minimum at half the rate", true, 5000, 9000, 10000},
        {"plain maximum", false, 4000, 1000, 4000},
        {"maximum of 0", false, 0, 0.001 * 0.999, 0.001},
        {"maximum below the minimum", false, 500, 500 * 0.999, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graph_->SetMaxFrequency(3000);
        graph_->SetMinFrequency(1000);
        if (c.setsMinimum) {
            graph_->SetMinFrequency(c.value);
        } else {
            graph_->SetMaxFrequency(c.value);
        }
        EXPECT_DOUBLE_EQ(graph_->MinFrequency(), c.min);
        EXPECT_DOUBLE_EQ(graph_->MaxFrequency(), c.max);
    }
}

TEST_F(GraphTest, SettingTheSameValueAgainRequestsNoRepaint) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8000);
    graph_->SetMaxFrequency(3000);
    graph_->SetMarkerCount(1);
    graph_->SetLevel(0.5f);
    Render(graph_);
    ASSERT_EQ(Dirty(), 0u);
    graph_->SetMaxFrequency(3000);
    graph_->SetSampleRate(8000);
    graph_->SetLevel(0.5f);
    graph_->SetMode(1);
    graph_->SetPointCount(512);
    graph_->SetMarker(0, 0.0f, graph_->markerColour, true, true, true, true);
    EXPECT_EQ(Dirty(), 0u);
    graph_->SetMaxFrequency(2000);
    EXPECT_NE(Dirty() & RC_Graph::kDirtyPlot, 0u);
}

TEST_F(GraphTest, MarkersAndSettersClampToTheirRanges) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8000);
    graph_->SetMinFrequency(100);
    graph_->SetMaxFrequency(3000);
    graph_->SetMarkerCount(2);
    EXPECT_FLOAT_EQ(graph_->MarkerAt(1).x, 100.0f) << "new markers start at the minimum";
    graph_->SetMarker(0, 5000, 0xff, true, false, true, true);
    EXPECT_FLOAT_EQ(graph_->MarkerAt(0).x, 3000.0f);
    graph_->SetMarker(2, 500, 0xff, true, false, true, true); // beyond the count: ignored
    graph_->SetLevel(1.5f);
    EXPECT_FLOAT_EQ(graph_->Level(), 1.0f);
    graph_->SetBandCount(1);
    graph_->SetBand(0, 900, 400, true);
    EXPECT_FLOAT_EQ(graph_->BandAt(0).from, 400.0f);
    EXPECT_FLOAT_EQ(graph_->BandAt(0).to, 900.0f);
    graph_->SetThreshold(50000.0f);
    EXPECT_FLOAT_EQ(graph_->Threshold(), 32767.0f);
    graph_->SetCursorCount(1);
    graph_->SetCursor(0, 1.0f);
    EXPECT_FLOAT_EQ(graph_->CursorAt(0), 16 * 0.001f);
    graph_->SetLabelCount(4);
    EXPECT_FLOAT_EQ(graph_->CursorAt(0), 4 * 0.001f) << "cursors follow fewer divisions";
}

TEST_F(GraphTest, SamplesFillTheFirstTracesOnly) {
    graph_->SetPointCount(4);
    const std::int16_t left[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const std::int16_t right[] = {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10};
    graph_->SetSamplesStereo(left, right, 10, 2); // one trace: nothing
    EXPECT_EQ(graph_->Samples()[0], 0);
    graph_->SetSamples(left, 10, 3);
    EXPECT_EQ((std::vector<int>(graph_->Samples(), graph_->Samples() + 4)), (std::vector<int>{1, 4, 7, 10}));
    graph_->SetSamples(left, 3, 1); // fewer samples: the rest is cleared
    EXPECT_EQ((std::vector<int>(graph_->Samples(), graph_->Samples() + 4)), (std::vector<int>{1, 2, 3, 0}));
    graph_->SetTraceCount(2);
    graph_->SetSamplesStereo(left, right, 10, 2);
    EXPECT_EQ((std::vector<int>(graph_->Samples(), graph_->Samples() + 8)), (std::vector<int>{1, -1, 3, -3, 5, -5, 7, -7}));
}

TEST_F(GraphTest, FullScaleSineReadsZeroDecibelsAndReachesTheTop) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8192.0f);
    graph_->SetPointCount(1024);
    graph_->SetMinFrequency(0);
    graph_->SetMaxFrequency(4096);
    graph_->ClearFlags(RC_Graph::kHorizontalGrid | RC_Graph::kVerticalGrid, 0);
    std::vector<float> db;
    graph_->onDbSpectrum = {[](void* user, RC_Graph*, const float* v, std::uint32_t n) {
                                static_cast<std::vector<float>*>(user)->assign(v, v + n);
                            },
                            &db};
    const auto sine = Sine(100, 1024);
    graph_->SetSamples(sine.data(), 1024, 1);
    auto image = Render(graph_);
    ASSERT_EQ(db.size(), 512u);
    EXPECT_NEAR(db[100], 0.0f, 0.5f);
    EXPECT_LT(db[300], -60.0f);
    // The peak column reaches the plot's top row in the trace colour.
    const auto& plot = graph_->PlotRect();
    const int x = graph_->XOfValue(100 * 8192.0 / 1023.0);
    bool top = false;
    for (int dx = -2; dx <= 2; ++dx) top = top || image->GetPixel(x + dx, plot.top) == 0xffffffu;
    EXPECT_TRUE(top);
    EXPECT_NE(image->GetPixel(plot.left + plot.Width() * 3 / 4, plot.top), 0xffffffu);
}

// With averaging each new spectrum counts by the averaging factor; what the owner does to the
// values handed over for drawing (a display correction) is not averaged in next time.
TEST_F(GraphTest, AveragingBlendsByItsFactorAndLeavesTheOwnersCorrectionOut) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8192.0f);
    graph_->SetPointCount(1024);
    graph_->SetMinFrequency(0);
    graph_->SetMaxFrequency(4096);
    graph_->SetFlags(0, RC_Graph::kAveraging);
    graph_->averaging = 0.5f;
    std::vector<float> drawn;
    graph_->onDbSpectrum = {[](void* user, RC_Graph*, const float* v, std::uint32_t n) {
                                auto* values = const_cast<float*>(v);
                                for (std::uint32_t i = 0; i < n; ++i) values[i] += 10.0f;
                                static_cast<std::vector<float>*>(user)->assign(v, v + n);
                            },
                            &drawn};
    const auto sine = Sine(100, 1024);
    graph_->SetSamples(sine.data(), 1024, 1); // 0 dB at bin 100, averaged with the empty 0 dB
    Render(graph_);
    ASSERT_EQ(drawn.size(), 512u);
    EXPECT_NEAR(drawn[100], 10.0f, 0.5f);
    const std::vector<std::int16_t> silence(1024, 0); // -300 dB
    graph_->SetSamples(silence.data(), 1024, 1);
    Render(graph_);
    EXPECT_NEAR(graph_->History()[100], -150.0f, 0.5f) << "half of each";
    EXPECT_NEAR(drawn[100], -140.0f, 0.5f) << "corrected once, for drawing";
}

TEST_F(GraphTest, ANarrowSpanStillShowsOneBin) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8000.0f);
    graph_->SetMinFrequency(1000);
    graph_->SetMaxFrequency(1001);
    std::uint32_t lo = 0, hi = 0;
    graph_->ShownBins(lo, hi);
    EXPECT_EQ(lo, hi);
    Render(graph_); // draws without fault
}

TEST_F(GraphTest, DraggingAMarkerMovesItAndTellsTheOwner) {
    graph_->SetMode(1);
    graph_->SetSampleRate(8000.0f);
    graph_->SetMinFrequency(0);
    graph_->SetMaxFrequency(4000);
    graph_->SetMarkerCount(1);
    graph_->SetMarker(0, 1000, 0xff, true, true, true, true);
    Render(graph_);
    int dragged = -1;
    graph_->onMarkerDragged = {[](void* user, RC_Graph*, int i) { *static_cast<int*>(user) = i; }, &dragged};
    const int x = graph_->XOfValue(1000);
    const int y = graph_->PlotRect().top + 20;
    Mouse(graph_, win::WM_MOUSEMOVE, x + 1, y);
    EXPECT_EQ(graph_->DragTarget(), 0);
    Mouse(graph_, win::WM_LBUTTONDOWN, x + 1, y, win::MK_LBUTTON);
    Mouse(graph_, win::WM_MOUSEMOVE, graph_->XOfValue(2000), y, win::MK_LBUTTON);
    Mouse(graph_, win::WM_LBUTTONUP, graph_->XOfValue(2000), y);
    EXPECT_EQ(dragged, 0);
    EXPECT_NEAR(graph_->MarkerAt(0).x, 2000.0f, 4000.0f / graph_->PlotRect().Width());
}

TEST_F(GraphTest, TooltipOnlyWithAHoverCallbackAndOnlyWhileHeld) {
    graph_->SetMode(1);
    Render(graph_);
    const int x = graph_->PlotRect().left + 30, y = graph_->PlotRect().top + 30;
    Mouse(graph_, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
    EXPECT_EQ(graph_->Tooltip(), nullptr);
    Mouse(graph_, win::WM_LBUTTONUP, x, y);
    graph_->onHover = {[](void*, RC_Graph*, double, double) { return static_cast<char*>(RC_AllocCopy("-42dB", 6)); }, nullptr};
    Mouse(graph_, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
    ASSERT_NE(graph_->Tooltip(), nullptr);
    EXPECT_STREQ(graph_->Tooltip()->Caption(), "-42dB");
    Mouse(graph_, win::WM_MOUSEMOVE, x + 5, y, win::MK_LBUTTON);
    EXPECT_NE(graph_->Tooltip(), nullptr);
    Mouse(graph_, win::WM_LBUTTONUP, x + 5, y);
    EXPECT_EQ(graph_->Tooltip(), nullptr);
}

TEST_F(GraphTest, EveryModeAndKindPaints) {
    const auto sine = Sine(40, 512);
    graph_->SetFlags(RC_Graph::kLevelLine | RC_Graph::kPaletteBar | RC_Graph::kHorizontalAxis | RC_Graph::kVerticalAxis, 0);
    graph_->SetMarkerCount(2);
    graph_->SetCursorCount(2);
    graph_->SetCursor(1, 0.005f);
    for (int mode : {0, 1, 2}) {
        for (std::uint32_t kind : {0u, 1u, 2u}) {
            graph_->SetMode(mode);
            graph_->ClearFlags(RC_Graph::kSpectrogramKind, 0);
            graph_->SetFlags(kind << 28, 0);
            for (int block = 0; block < 3; ++block) {
                graph_->SetSamples(sine.data(), 512, 1);
                auto image = Render(graph_);
                ASSERT_NE(image, nullptr);
            }
        }
    }
}

// The spectrogram has more bins than columns; a tone one bin wide shows wherever it falls.
TEST_F(GraphTest, SpectrogramShowsAToneOfOneBinWhereverItFalls) {
    graph_->SetMode(2);
    graph_->SetSampleRate(8192.0f);
    graph_->SetPointCount(2048); // 1024 bins over fewer than 180 columns
    graph_->SetMinFrequency(0);
    graph_->SetMaxFrequency(4096);
    graph_->ClearFlags(RC_Graph::kHorizontalGrid | RC_Graph::kVerticalGrid | RC_Graph::kHorizontalAxis |
                           RC_Graph::kVerticalAxis | RC_Graph::kAxisLabels | RC_Graph::kLevelLabels,
                       0);
    for (int bin = 301; bin <= 308; ++bin) {
        const auto sine = Sine(bin, 2048);
        graph_->SetSamples(sine.data(), 2048, 1);
        const auto image = Render(graph_);
        const auto& plot = graph_->PlotRect();
        // The newest row is the top one; the quiet bins are white, the tone dark.
        int dark = 0;
        for (int x = plot.left; x < plot.right; ++x) dark += (image->GetPixel(x, plot.top) & 0xFF) < 0x80 ? 1 : 0;
        EXPECT_GE(dark, 1) << "bin " << bin;
    }
}

TEST_F(GraphTest, PaletteIsAGreyRampOrTheBlendOfItsEnds) {
    EXPECT_EQ(graph_->PaletteEntry(0), 0xffffffu);
    EXPECT_EQ(graph_->PaletteEntry(255), graph_->PaletteStop(19) == 0 ? 0u : 1u); // 255 / 13 = stop 19: black
    graph_->SetFlags(RC_Graph::kPaletteInterpolated, 0);
    EXPECT_EQ(graph_->PaletteEntry(0), 0xffffffu);
    EXPECT_EQ(graph_->PaletteEntry(255), 0u);
    graph_->SetFlags(RC_Graph::kPaletteReversed, 0);
    EXPECT_EQ(graph_->PaletteEntry(0), 0u);
}

// The picker runs modally inside the press: a timer of the modal loop types a red value and
// presses OK.
RC_Graph* pickerGraph = nullptr;
void AnswerPicker(win::Hwnd, std::uint32_t, std::uintptr_t id, std::uint32_t) {
    win::KillTimer(0, id);
    auto* picker = dynamic_cast<RC_ColourPicker*>(pickerGraph->FirstPopup());
    ASSERT_NE(picker, nullptr);
    Click(picker->ChannelField(0), 5, 5);
    for (char c : {'1', '2', '3'}) win::SendMessage(picker->Handle(), win::WM_CHAR, static_cast<win::WParam>(c), 0);
    win::SendMessage(picker->Handle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    Click(picker->OkButton(), 5, 5);
}

TEST_F(GraphTest, PressOnAPaletteStopEditsItInThePicker) {
    graph_->SetMode(2);
    graph_->SetFlags(RC_Graph::kPaletteBar, 0);
    Render(graph_);
    const auto& p = graph_->PlotRect();
    const int x = p.left - 10, y = p.top + p.Height() * 5 / 20 + p.Height() / 40;
    Mouse(graph_, win::WM_MOUSEMOVE, x, y);
    ASSERT_EQ(graph_->DragTarget(), RC_Graph::kTargetPaletteStop0 - 5);
    const std::uint32_t before = graph_->PaletteStop(5);
    pickerGraph = graph_;
    win::SetTimer(0, 0, 50, &AnswerPicker);
    Mouse(graph_, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
    Mouse(graph_, win::WM_LBUTTONUP, x, y);
    Pump();
    EXPECT_EQ(graph_->PaletteStop(5), (before & 0xFFFF00u) | 123u);
    EXPECT_EQ(graph_->PaletteEntry(5 * 13), RC_SwapRedBlue(graph_->PaletteStop(5)));
}

} // namespace
