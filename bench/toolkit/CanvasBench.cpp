// The plot area of a graph is redrawn on every audio block: the 32-bit bitmap's row fills and
// its one-block scroll against the canvas base's pixel-by-pixel path.

#include <benchmark/benchmark.h>

#include "demod/ui/toolkit/RC_Bitmap.h"

#include <vector>

namespace {

constexpr int kW = 512;
constexpr int kH = 256;

// A canvas that only knows how to set one pixel: what the base operations fall back to.
class PixelCanvas : public RC_Canvas {
public:
    PixelCanvas() : pixels_(static_cast<std::size_t>(kW) * kH) {
        width_ = kW;
        height_ = kH;
        bitsPerPixel_ = 32;
    }
    void SetPixelUnclipped(int x, int y, std::uint32_t colour) override {
        pixels_[static_cast<std::size_t>(y) * kW + static_cast<std::size_t>(x)] = colour;
    }
    void Scroll(int dx, int dy) override {
        // Row by row, pixel by pixel, as a canvas without the flat layout must.
        for (int y = kH - 1; y >= dy; --y) {
            for (int x = kW - 1; x >= dx; --x) {
                SetPixelUnclipped(x, y, pixels_[static_cast<std::size_t>(y - dy) * kW + static_cast<std::size_t>(x - dx)]);
            }
        }
    }
    const std::uint32_t* Data() const { return pixels_.data(); }

private:
    std::vector<std::uint32_t> pixels_;
};

void BM_BitmapFillRect(benchmark::State& state) {
    RC_Bitmap b;
    b.SetSize(kW, kH);
    std::uint32_t c = 0;
    for (auto _ : state) {
        b.FillRect(-5, -5, kW + 5, kH + 5, ++c);
        benchmark::DoNotOptimize(b.Pixels());
    }
}
BENCHMARK(BM_BitmapFillRect);

void BM_PixelCanvasFillRect(benchmark::State& state) {
    PixelCanvas p;
    std::uint32_t c = 0;
    for (auto _ : state) {
        p.FillRect(-5, -5, kW + 5, kH + 5, ++c);
        benchmark::DoNotOptimize(p.Data());
    }
}
BENCHMARK(BM_PixelCanvasFillRect);

// A spectrogram scrolls down one row per block.
void BM_BitmapScrollRow(benchmark::State& state) {
    RC_Bitmap b;
    b.SetSize(kW, kH);
    b.Clear(1);
    for (auto _ : state) {
        b.Scroll(0, 1);
        benchmark::DoNotOptimize(b.Pixels());
    }
}
BENCHMARK(BM_BitmapScrollRow);

void BM_PixelCanvasScrollRow(benchmark::State& state) {
    PixelCanvas p;
    for (auto _ : state) {
        p.Scroll(0, 1);
        benchmark::DoNotOptimize(p.Data());
    }
}
BENCHMARK(BM_PixelCanvasScrollRow);

// A trace of one line per column, as a scope draws it.
void BM_BitmapTrace(benchmark::State& state) {
    RC_Bitmap b;
    b.SetSize(kW, kH);
    for (auto _ : state) {
        for (int x = 1; x < kW; ++x) b.DrawLine(x - 1, (x * 37) % kH, x, (x * 53) % kH, 0xFFFFFF);
        benchmark::DoNotOptimize(b.Pixels());
    }
}
BENCHMARK(BM_BitmapTrace);

} // namespace
