// Repainting forms off screen: the whole showcase form with each standard control, the same form
// without text (captions emptied) to show what text costs, and one owner-data list box of
// 100,000 rows, whose repaint must cost only its visible rows.

#include <benchmark/benchmark.h>

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DC.h"
#include "tests/platform/components/ShowcaseForm.h"

namespace plat::comp {
namespace {

void RepaintLoop(benchmark::State& state, TWinControl& control) {
    auto surface = gdi::Bitmap::Create(control.Width(), control.Height(), 32);
    gdi::DC dc(surface.get());
    for (auto _ : state) {
        control.PaintTo(dc, 0, 0);
        benchmark::DoNotOptimize(surface->Bits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ShowcaseFormRepaint(benchmark::State& state) {
    test::ShowcaseForm form(nullptr);
    RepaintLoop(state, form);
}
BENCHMARK(BM_ShowcaseFormRepaint);

void ClearCaptions(TWinControl& parent) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        c->SetCaption("");
        if (auto* w = dynamic_cast<TWinControl*>(c)) ClearCaptions(*w);
    }
}

void BM_ShowcaseFormRepaintWithoutText(benchmark::State& state) {
    test::ShowcaseForm form(nullptr);
    ClearCaptions(form);
    form.list->Items().Clear();
    form.memo->Lines().Clear();
    for (int i = 0; i < form.menu->Items().Count(); ++i) form.menu->Items().Items(i)->SetCaption("");
    RepaintLoop(state, form);
}
BENCHMARK(BM_ShowcaseFormRepaintWithoutText);

void BM_OwnerDataListRepaint(benchmark::State& state) {
    TListBox list(nullptr);
    list.SetStyle(TListBoxStyle::lbVirtual);
    list.SetBounds(0, 0, 200, 300);
    list.SetCount(static_cast<int>(state.range(0)));
    list.OnData = [](TWinControl*, int index, std::string& data) { data = "Channel " + std::to_string(index); };
    list.SetItemIndex(static_cast<int>(state.range(0) / 2));
    RepaintLoop(state, list);
}
BENCHMARK(BM_OwnerDataListRepaint)->Arg(20)->Arg(100000);

} // namespace
} // namespace plat::comp
