// Costs of the control library: a full repaint of the showcase form (every control), the knob's
// turn (a step and a repaint of the knob alone) against re-rendering its body, and text.

#include <benchmark/benchmark.h>

#include "app/controls/FloatText.h"
#include "app/controls/TstKnob.h"
#include "platform/components/TBitmap.h"
#include "tests/app/controls/ShowcaseForm.h"

namespace {

using namespace plat::comp;

void BM_FormFullRepaint(benchmark::State& state) {
    lxq::test::Showcase showcase = lxq::test::MakeShowcaseForm();
    TForm& form = *showcase.form;
    TBitmap screen(form.Width(), form.Height());
    for (auto _ : state) {
        form.PaintTo(*screen.Canvas().Handle(), 0, 0);
        benchmark::DoNotOptimize(screen.ScanLine(0));
    }
    state.counters["pixels/s"] =
        benchmark::Counter(static_cast<double>(form.Width()) * form.Height(),
                           benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FormFullRepaint)->Unit(benchmark::kMicrosecond);

void BM_KnobStepAndRepaint(benchmark::State& state) {
    TWinControl parent(nullptr);
    auto* knob = new lxq::TstKnob(nullptr);
    knob->SetParent(&parent);
    knob->SetBounds(0, 0, 210, 210);
    TBitmap screen(210, 210);
    for (auto _ : state) {
        knob->Step(true, 0, true);
        knob->PaintTo(*screen.Canvas().Handle(), 0, 0);
        benchmark::DoNotOptimize(screen.ScanLine(0));
    }
}
BENCHMARK(BM_KnobStepAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_KnobRender(benchmark::State& state) {
    TWinControl parent(nullptr);
    auto* knob = new lxq::TstKnob(nullptr);
    knob->SetParent(&parent);
    knob->SetBounds(0, 0, 210, 210);
    int look = 0;
    for (auto _ : state) {
        // A look change renders the body and the dimple again.
        knob->SetKnobShadowOffset(100 + (++look & 1));
    }
}
BENCHMARK(BM_KnobRender)->Unit(benchmark::kMicrosecond);

void BM_Freq2str(benchmark::State& state) {
    std::int64_t f = 7'050'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lxq::Freq2str(f));
        f += 1'250;
    }
}
BENCHMARK(BM_Freq2str);

} // namespace
