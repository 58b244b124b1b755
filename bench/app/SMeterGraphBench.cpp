// Costs of the S-meter and the spectrum graph: a full repaint of each, the S-meter's scale
// rendering, and the graph's full redraw of 20,001 points with warm and with emptied column
// caches, and of 2,001 points drawn sparsely.

#include <benchmark/benchmark.h>

#include "app/controls/TmyFreqGraph2.h"
#include "app/controls/TmySMeter.h"
#include "platform/components/TBitmap.h"

namespace {

using namespace plat::comp;
using lxq::TmyFreqGraph2;
using lxq::TmyGraphLineType;

TmyFreqGraph2* MakeGraph(TWinControl& parent, std::int64_t stop) {
    auto* graph = new TmyFreqGraph2(nullptr);
    graph->SetParent(&parent);
    graph->SetBounds(0, 0, 800, 300);
    graph->SetRange(88'000'000, stop, 1'000);
    graph->AddGraphLine("Max", "dBm", 0x0000FF, TmyGraphLineType::normal);
    graph->AddGraphLine("Min", "dBm", 0x00FF00, TmyGraphLineType::normal);
    graph->AddGraphLine("Max - Min", "dB", 0xFF00FF, TmyGraphLineType::alternate);
    graph->AddGraphLine("Level", "dBm", 0xFFFF00, TmyGraphLineType::normal);
    for (int n = 0; n < graph->GetLineTotalLen(0); ++n) {
        const double v = -120 + (n * 7919 % 61);
        graph->AddSample(0, v + 5, false);
        graph->AddSample(1, v - 5, false);
        graph->AddSample(2, 10, false);
        graph->AddSample(3, v, false);
    }
    return graph;
}

void BM_GraphFullRedrawDense(benchmark::State& state) {
    TWinControl parent(nullptr);
    TmyFreqGraph2* graph = MakeGraph(parent, 108'000'000); // 20,001 points a line
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        if (cold) {
            graph->GetFontSizes(); // re-layout: every column cache emptied, then a full redraw
        } else {
            graph->DrawGrid();
        }
        benchmark::DoNotOptimize(graph->Image().Bitmap().ScanLine(0));
    }
}
BENCHMARK(BM_GraphFullRedrawDense)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_GraphFullRedrawSparse(benchmark::State& state) {
    TWinControl parent(nullptr);
    TmyFreqGraph2* graph = MakeGraph(parent, 90'000'000); // 2,001 points on 700-odd pixels
    for (auto _ : state) {
        graph->DrawGrid();
        benchmark::DoNotOptimize(graph->Image().Bitmap().ScanLine(0));
    }
}
BENCHMARK(BM_GraphFullRedrawSparse)->Unit(benchmark::kMicrosecond);

void BM_SMeterRepaint(benchmark::State& state) {
    TWinControl parent(nullptr);
    auto* meter = new lxq::TmySMeter(nullptr);
    meter->SetParent(&parent);
    meter->SetBounds(0, 0, 260, 150);
    meter->SetMin(-130);
    meter->SetMax(-30);
    TBitmap screen(260, 150);
    double level = -120;
    for (auto _ : state) {
        level = level > -40 ? -120 : level + 1.5;
        meter->SetPosition(level);
        meter->PaintTo(*screen.Canvas().Handle(), 0, 0);
        benchmark::DoNotOptimize(screen.ScanLine(0));
    }
}
BENCHMARK(BM_SMeterRepaint)->Unit(benchmark::kMicrosecond);

void BM_SMeterScaleRender(benchmark::State& state) {
    TWinControl parent(nullptr);
    auto* meter = new lxq::TmySMeter(nullptr);
    meter->SetParent(&parent);
    meter->SetBounds(0, 0, 260, 150);
    meter->SetShowSUnits(true);
    for (auto _ : state) meter->DrawBackground();
}
BENCHMARK(BM_SMeterScaleRender)->Unit(benchmark::kMicrosecond);

} // namespace
