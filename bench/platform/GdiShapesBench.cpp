// The primitives a control repaint is made of, on a 400 x 300 true-colour surface.
#include "platform/gdi/DC.h"

#include <benchmark/benchmark.h>

namespace {

using namespace plat::gdi;

struct Surface {
    std::unique_ptr<Bitmap> bmp = Bitmap::Create(400, 300, 32);
    DC dc{bmp.get()};
};

void BM_FillRect(benchmark::State& state) {
    Surface s;
    for (auto _ : state) s.dc.FillRect({0, 0, 400, 300}, Brush::Solid(0x404040));
    state.SetItemsProcessed(state.iterations() * 400 * 300);
    state.SetLabel("items = pixels");
}
BENCHMARK(BM_FillRect);

void BM_BitBltCopy(benchmark::State& state) {
    Surface from, to;
    for (auto _ : state) to.dc.BitBlt(0, 0, 400, 300, from.dc, 0, 0, rop3::SrcCopy);
    state.SetItemsProcessed(state.iterations() * 400 * 300);
}
BENCHMARK(BM_BitBltCopy);

void BM_BitBltTransparent(benchmark::State& state) {
    Surface from, to;
    from.dc.Ellipse(0, 0, 400, 300);
    for (auto _ : state) to.dc.TransparentBlt(0, 0, 400, 300, from.dc, 0, 0, 400, 300, 0xFFFFFF);
    state.SetItemsProcessed(state.iterations() * 400 * 300);
}
BENCHMARK(BM_BitBltTransparent);

void BM_EllipseFilled(benchmark::State& state) {
    Surface s;
    s.dc.SelectBrush(Brush::Solid(0x00FF00));
    for (auto _ : state) s.dc.Ellipse(10, 10, 290, 290);
}
BENCHMARK(BM_EllipseFilled);

void BM_Polyline(benchmark::State& state) {
    Surface s;
    std::vector<Point> pts;
    for (int x = 0; x < 400; x += 2) pts.push_back({x, 150 + ((x * 37) % 120) - 60});
    s.dc.SelectPen({PenStyle::Solid, static_cast<int>(state.range(0)), 0x00FFFF});
    for (auto _ : state) s.dc.Polyline(pts);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pts.size() - 1));
    state.SetLabel("items = segments");
}
BENCHMARK(BM_Polyline)->Arg(1)->Arg(3);

} // namespace
