// The IF display redraws its graph on every audio block: one full-span power spectrum of a block
// (the FFT path), against a narrow span that evaluates its few bins directly, and against a
// repaint that only moves a marker (no transform).

#include <benchmark/benchmark.h>

#include "demod/ui/toolkit/RC_Graph.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"
#include "platform/win/Win.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Rig {
    explicit Rig(int points) {
        top = new RC_Window(nullptr, 0, 0, 420, 200, RC_Window::kKeepsLoop);
        graph = new RC_Graph(top, 0, 0, 400, 180);
        graph->Show(plat::win::SW_SHOW);
        graph->SetMode(1);
        graph->SetSampleRate(48000.0f);
        graph->SetPointCount(points);
        graph->SetMinFrequency(0);
        graph->SetMaxFrequency(24000);
        graph->SetFlags(0, RC_Graph::kAveraging);
        samples.resize(static_cast<std::size_t>(points));
        for (int i = 0; i < points; ++i) {
            samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(12000 * std::sin(0.3 * i) + 3000 * std::sin(0.071 * i));
        }
        image = plat::gdi::Bitmap::Create(400, 180, 32);
        dc = std::make_unique<plat::gdi::DC>(image.get());
        graph->SetMarkerCount(1);
    }
    ~Rig() {
        dc.reset();
        delete top;
    }
    void Paint() {
        graph->Invalidate();
        graph->Paint(*dc);
    }
    RC_Window* top;
    RC_Graph* graph;
    std::vector<std::int16_t> samples;
    std::unique_ptr<plat::gdi::Bitmap> image;
    std::unique_ptr<plat::gdi::DC> dc;
};

void BM_GraphFullSpectrum(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rig.graph->SetSamples(rig.samples.data(), static_cast<std::uint32_t>(rig.samples.size()), 1);
        rig.Paint();
    }
}
BENCHMARK(BM_GraphFullSpectrum)->Arg(1024)->Arg(2048);

void BM_GraphNarrowSpan(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.graph->SetMinFrequency(11000);
    rig.graph->SetMaxFrequency(11500);
    for (auto _ : state) {
        rig.graph->SetSamples(rig.samples.data(), static_cast<std::uint32_t>(rig.samples.size()), 1);
        rig.Paint();
    }
}
BENCHMARK(BM_GraphNarrowSpan)->Arg(2048);

void BM_GraphMarkerOnly(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    rig.graph->SetSamples(rig.samples.data(), static_cast<std::uint32_t>(rig.samples.size()), 1);
    rig.Paint();
    float x = 0;
    for (auto _ : state) {
        x = x > 20000 ? 0 : x + 100;
        rig.graph->SetMarker(0, x, 0xff, true, true, true, true);
        rig.graph->Paint(*rig.dc);
    }
}
BENCHMARK(BM_GraphMarkerOnly)->Arg(2048);

} // namespace

BENCHMARK_MAIN();
