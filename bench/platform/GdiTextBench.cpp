// Text drawing per glyph: the steady state (glyphs cached) against the first drawing of a face
// (every glyph rendered by FreeType), plus measuring alone.
#include "platform/gdi/DC.h"
#include "platform/gdi/FontFace.h"
#include "platform/gdi/FontLibrary.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace plat::gdi;

const std::string kText = "145.500.000 MHz  USB  -73 dBm  Squelch";

void BM_TextOutCached(benchmark::State& state) {
    auto bmp = Bitmap::Create(400, 40, 32);
    DC dc(bmp.get());
    dc.SelectFont(Font(FontDesc{-static_cast<int>(state.range(0)), 400, false, false, false, "Arial"}));
    dc.SetBkMode(BkMode::Transparent);
    for (auto _ : state) dc.TextOut(2, 4, kText);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kText.size()));
    state.SetLabel("items = glyphs");
}
BENCHMARK(BM_TextOutCached)->Arg(11)->Arg(20);

void BM_TextOutFreshFace(benchmark::State& state) {
    auto bmp = Bitmap::Create(400, 40, 32);
    DC dc(bmp.get());
    dc.SetBkMode(BkMode::Transparent);
    const std::string path = FontLibrary::Instance().Locate(FontDesc{}).first;
    for (auto _ : state) {
        // A face of its own each time, so every glyph goes through FreeType.
        FontFace face(FontDesc{-11, 400, false, false, false, "Arial"}, path, 0);
        std::vector<const Glyph*> glyphs;
        face.Glyphs(U"145.500.000 MHz  USB  -73 dBm  Squelch", glyphs);
        benchmark::DoNotOptimize(glyphs.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kText.size()));
}
BENCHMARK(BM_TextOutFreshFace);

void BM_TextExtent(benchmark::State& state) {
    auto bmp = Bitmap::Create(4, 4, 32);
    DC dc(bmp.get());
    for (auto _ : state) benchmark::DoNotOptimize(dc.GetTextExtent(kText));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kText.size()));
}
BENCHMARK(BM_TextExtent);

} // namespace
