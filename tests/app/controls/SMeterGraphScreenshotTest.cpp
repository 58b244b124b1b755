#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/support/ScreenshotPath.h"
#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmySMeter.h"
#include "platform/gdi/PngFile.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

// The S-meter (S-units, squelch, second needle) and the spectrum graph (level lines with the
// alternate scale, marker) side by side, for a person to look at.
TEST(SMeterGraphScreenshotTest, MeterAndGraphAreWrittenAsPng) {
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 1000, 300);
    auto* meter = new TmySMeter(nullptr);
    meter->SetParent(&parent);
    meter->SetBounds(0, 0, 260, 150);
    meter->SetMin(-130);
    meter->SetMax(-30);
    meter->SetShowSUnits(true);
    meter->SetShowDBM(false);
    meter->SetSquelch(-100);
    meter->SetPosition(-67);
    meter->SetShowSecNeedle(true);
    meter->SetSecPosition(-90);
    auto* graph = new TmyFreqGraph2(nullptr);
    graph->SetParent(&parent);
    graph->SetBounds(270, 0, 720, 300);
    graph->SetShowTopLabel(true);
    graph->SetShowAlterScale(true);
    graph->SetShowMarker(true);
    graph->SetMarkerFreq(98'500'000);
    graph->AddGraphLine("Max", "dBm", 0x0000FF, TmyGraphLineType::normal);
    graph->AddGraphLine("Level", "dBm", 0x00FF00, TmyGraphLineType::normal);
    graph->AddGraphLine("Max - Min", "dB", 0xFF00FF, TmyGraphLineType::alternate);
    for (int n = 0; n <= 20'000; ++n) {
        const double peak = 60 * std::exp(-std::pow((n % 2'000 - 1'000) / 40.0, 2));
        graph->AddSample(0, -115 + peak + (n * 7919 % 13), false);
        graph->AddSample(1, -120 + peak * 0.8 + (n * 104'729 % 7), false);
        graph->AddSample(2, peak + 5, false);
    }
    graph->DrawGrid();
    const auto meterImage = test::Render(*meter);
    const auto graphImage = test::Render(*graph);
    TBitmap screen(parent.Width(), parent.Height());
    screen.Canvas().Brush().SetColor(0x303030);
    screen.Canvas().FillRect({0, 0, screen.Width(), screen.Height()});
    screen.Canvas().Draw(0, 0, *meterImage);
    screen.Canvas().Draw(270, 0, graph->Image().Bitmap());
    const std::string path = lxq_test::ScreenshotPath("smeter-and-spectrum-graph.png");
    ASSERT_TRUE(plat::gdi::SavePng(screen.Surface(), path));
    EXPECT_GT(std::filesystem::file_size(path), 2000u);
    EXPECT_GT(graphImage->Width(), 0);
}

} // namespace
} // namespace lxq
