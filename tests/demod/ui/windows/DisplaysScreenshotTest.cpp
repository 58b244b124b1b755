// The plug-in's displays together in one window, as the demodulator window stacks them: the
// graph with an audio spectrum, the filter view over it, and a cell grid of presets.

#include "tests/support/ScreenshotPath.h"
#include "demod/ui/toolkit/RC_CellGrid.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "platform/win/ScreenApi.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace toolkit_test;

class DisplaysScreenshotTest : public ToolkitTest {};

TEST_F(DisplaysScreenshotTest, GraphFilterViewAndGrid) {
    delete top_;
    top_ = MakeTop(460, 240);
    auto* graph = new RC_Graph(top_, 4, 4, 312, 120);
    graph->SetMode(1);
    graph->SetSampleRate(48000.0f);
    graph->SetPointCount(1024);
    graph->SetMaxFrequency(12000);
    graph->SetFlags(RC_Graph::kLevelLine, 0);
    graph->SetLevel(0.3f);
    graph->SetMarkerCount(2);
    graph->SetMarker(0, 3000, 0xff, true, true, true, false);
    graph->SetMarker(1, 7500, 0xffff, true, true, true, false);
    std::vector<std::int16_t> audio(1024);
    for (std::size_t i = 0; i < audio.size(); ++i) {
        const double t = static_cast<double>(i);
        audio[i] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 2000 * t / 48000) + 3000 * std::sin(2 * M_PI * 6000 * t / 48000));
    }
    graph->SetSamples(audio.data(), 1024, 1);
    auto* view = new RC_FilterView(top_, 4, 128, 312, 108);
    view->Filter().SetSampleRate(48000.0f);
    view->SetLength(255);
    view->SetType(3);
    view->SetLowCutoff(300.0f);
    view->SetHighCutoff(3000.0f);
    view->SetMaxFrequency(8000.0f);
    view->SetMode(2);
    for (int block = 0; block < 4; ++block) view->AddSamples(nullptr, audio.data(), 1024, 1);
    auto* grid = new RC_CellGrid(top_, 322, 4, 134, 232, 2, 0);
    grid->SetColumnWidth(0, 25);
    grid->SetColumnWidth(1, 82);
    grid->defaultRowHeight = 17;
    grid->SetRowCount(11);
    grid->SetRowHeight(0, 19);
    grid->SetFixedRowCount(1);
    grid->SetSelectionColour(0x000000);
    grid->SetSelection({1, 3, 1, 3});
    for (RC_Window* w : std::initializer_list<RC_Window*>{graph, view, grid}) w->Show(win::SW_SHOW);
    win::UpdateWindow(top_->Handle());
    Pump();
    ASSERT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("demod_displays.png"), top_->Handle()));
    const auto shot = win::CaptureWindow(top_->Handle());
    ASSERT_NE(shot, nullptr);
    const auto& plot = graph->PlotRect();
    // The 2 kHz tone stands well above the floor; the level line crosses the plot.
    const int x = 4 + graph->XOfValue(2000);
    int peak = -1;
    for (int y = plot.top; y < plot.bottom && peak < 0; ++y) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (shot->GetPixel(x + dx, 4 + y) == 0xffffffu) peak = y;
        }
    }
    EXPECT_GE(peak, plot.top);
    EXPECT_LT(peak, plot.top + plot.Height() / 3);
    const int levelY = 4 + plot.top + static_cast<int>(0.7f * static_cast<float>(plot.Height() - 1));
    EXPECT_EQ(shot->GetPixel(4 + plot.left + plot.Width() / 2 + 7, levelY), 0xffu);
    // The header row is filled in its colour; a grid line separates the preset rows.
    EXPECT_EQ(shot->GetPixel(322 + 2 + 12, 4 + 2 + 9), grid->headerFill);
}

} // namespace
